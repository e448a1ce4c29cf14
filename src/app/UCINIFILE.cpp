#include "app/UCINIFILE.h"

#include "app/UFileIO.h"
#include "app/UText.h"

#include <charconv>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace {

std::string Trim(const std::string &text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && std::isspace(static_cast<unsigned char>(text[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1])))
        --last;
    return text.substr(first, last - first);
}

} // namespace

std::optional<long long> ParseInteger(const std::string &text)
{
    std::string trimmed = Trim(text);
    if (trimmed.empty())
        return std::nullopt;
    std::size_t digits = (trimmed[0] == '-' || trimmed[0] == '+') ? 1 : 0;
    if (digits == trimmed.size())
        return std::nullopt;
    for (std::size_t i = digits; i < trimmed.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(trimmed[i])))
            return std::nullopt;
    errno = 0;
    long long value = std::strtoll(trimmed.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return value;
}

bool CINIFILE::Load(const std::string &path)
{
    std::string text;
    try {
        text = ReadWholeFile(path);
    } catch (const EFileError &) {
        m_lines.clear();
        return false;
    }
    LoadFromString(text);
    return true;
}

void CINIFILE::LoadFromString(const std::string &text)
{
    m_lines.clear();
    m_lineEnd = "\n";
    m_byteOrderMark = text.compare(0, 3, "\xEF\xBB\xBF") == 0;
    std::string section;
    bool inSection = false;
    std::size_t start = m_byteOrderMark ? 3 : 0;
    bool firstLine = true;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        std::size_t next = end == std::string::npos ? text.size() : end + 1;
        std::string raw = text.substr(start, (end == std::string::npos ? text.size() : end) - start);
        if (!raw.empty() && raw.back() == '\r') {
            raw.pop_back();
            if (firstLine)
                m_lineEnd = "\r\n";
        }
        firstLine = false;
        Line line;
        line.text = raw;
        std::string trimmed = Trim(raw);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            section = Trim(trimmed.substr(1, trimmed.size() - 2));
            inSection = true;
            line.isHeader = true;
        } else if (inSection && !trimmed.empty() && trimmed[0] != ';') {
            std::size_t equals = trimmed.find('=');
            if (equals != std::string::npos) {
                line.isValue = true;
                line.key = Trim(trimmed.substr(0, equals));
                line.value = Trim(trimmed.substr(equals + 1));
            }
        }
        line.section = section;
        if (!inSection)
            line.section.clear();
        m_lines.push_back(std::move(line));
        start = next;
    }
}

std::string CINIFILE::ToString() const
{
    std::string text = m_byteOrderMark ? "\xEF\xBB\xBF" : "";
    for (const Line &line : m_lines) {
        text += line.text;
        text += m_lineEnd;
    }
    return text;
}

void CINIFILE::Save(const std::string &path) const
{
    CAtomicFile file(path);
    file.File().Write(ToString());
    file.Commit();
}

int CINIFILE::FindValueLine(const std::string &section, const std::string &key) const
{
    bool inWanted = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines[i];
        if (line.isHeader)
            inWanted = SameNameNoCase(line.section, section);
        else if (inWanted && line.isValue && SameNameNoCase(line.key, key))
            return int(i);
    }
    return -1;
}

bool CINIFILE::HasSection(const std::string &section) const
{
    for (const Line &line : m_lines)
        if (line.isHeader && SameNameNoCase(line.section, section))
            return true;
    return false;
}

std::optional<std::string> CINIFILE::Value(const std::string &section, const std::string &key) const
{
    int index = FindValueLine(section, key);
    if (index < 0)
        return std::nullopt;
    return m_lines[std::size_t(index)].value;
}

std::string CINIFILE::ReadString(const std::string &section, const std::string &key,
                                 const std::string &fallback) const
{
    return Value(section, key).value_or(fallback);
}

int CINIFILE::ReadInteger(const std::string &section, const std::string &key, int fallback) const
{
    std::optional<std::string> text = Value(section, key);
    if (!text)
        return fallback;
    std::optional<long long> number = ParseInteger(*text);
    return number ? int(*number) : fallback;
}

std::optional<float> ParseFloat(const std::string &text)
{
    std::string trimmed = Trim(text);
    if (!trimmed.empty() && trimmed[0] == '+')
        trimmed.erase(0, 1);
    if (trimmed.find('.') == std::string::npos)
        if (const std::size_t comma = trimmed.find(','); comma != std::string::npos)
            trimmed[comma] = '.';
    float value = 0;
    const char *end = trimmed.data() + trimmed.size();
    const auto [stop, error] = std::from_chars(trimmed.data(), end, value, std::chars_format::general);
    if (trimmed.empty() || error != std::errc() || stop != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

float CINIFILE::ReadFloat(const std::string &section, const std::string &key, float fallback) const
{
    std::optional<std::string> text = Value(section, key);
    if (!text)
        return fallback;
    return ParseFloat(*text).value_or(fallback);
}

bool CINIFILE::ReadBool(const std::string &section, const std::string &key, bool fallback) const
{
    std::optional<std::string> text = Value(section, key);
    if (!text)
        return fallback;
    std::optional<long long> number = ParseInteger(*text);
    return number ? *number != 0 : fallback;
}

void CINIFILE::WriteString(const std::string &section, const std::string &key, const std::string &value)
{
    int index = FindValueLine(section, key);
    if (index >= 0) {
        Line &line = m_lines[std::size_t(index)];
        line.value = value;
        line.text = line.key + "=" + value;
        return;
    }
    Line line;
    line.section = section;
    line.isValue = true;
    line.key = key;
    line.value = value;
    line.text = key + "=" + value;
    // Append after the last line with content of the section's first occurrence.
    int insertAt = -1;
    bool inWanted = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const Line &current = m_lines[i];
        if (current.isHeader) {
            if (inWanted)
                break;
            inWanted = SameNameNoCase(current.section, section);
            if (inWanted) {
                insertAt = int(i) + 1;
                line.section = current.section;
            }
        } else if (inWanted && !Trim(current.text).empty()) {
            insertAt = int(i) + 1;
        }
    }
    if (insertAt < 0) {
        Line header;
        header.isHeader = true;
        header.section = section;
        header.text = "[" + section + "]";
        m_lines.push_back(std::move(header));
        m_lines.push_back(std::move(line));
    } else {
        m_lines.insert(m_lines.begin() + insertAt, std::move(line));
    }
}

void CINIFILE::WriteInteger(const std::string &section, const std::string &key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void CINIFILE::WriteBool(const std::string &section, const std::string &key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

void CINIFILE::WriteFloat(const std::string &section, const std::string &key, float value)
{
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    WriteString(section, key, std::string(text, result.ptr));
}

std::vector<std::string> CINIFILE::Sections() const
{
    std::vector<std::string> names;
    for (const Line &line : m_lines) {
        if (!line.isHeader)
            continue;
        bool known = false;
        for (const std::string &name : names)
            known = known || SameNameNoCase(name, line.section);
        if (!known)
            names.push_back(line.section);
    }
    return names;
}

std::vector<std::pair<std::string, std::string>> CINIFILE::SectionValues(const std::string &section) const
{
    std::vector<std::pair<std::string, std::string>> values;
    bool inWanted = false;
    for (const Line &line : m_lines) {
        if (line.isHeader)
            inWanted = SameNameNoCase(line.section, section);
        else if (inWanted && line.isValue)
            values.emplace_back(line.key, line.value);
    }
    return values;
}
