#include "formats/UCTOKEN.h"

#include <algorithm>

namespace {

// Token separators: blank, tab, carriage return, line feed and the zero byte.
bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0';
}

// Whitespace and control characters, as trimming removes them.
bool IsTrimmed(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

bool IsBlankOrTab(char c)
{
    return c == ' ' || c == '\t';
}

std::string Trim(const std::string &text)
{
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && IsTrimmed(text[first]))
        ++first;
    while (last > first && IsTrimmed(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

bool IsBlankLine(const std::string &line)
{
    return std::all_of(line.begin(), line.end(), IsTrimmed);
}

// A line giving the value of empty cells; some tables carry one right after
// the version line. It names no column.
bool IsDefaultLine(const std::string &line)
{
    return line.compare(0, 8, "DEFAULT:") == 0;
}

// The first column's title from the column line's leading blanks and tabs:
// one blank per blank and two per tab, its first two characters then replaced
// by "ID" ("I" when there is a single blank). A line without leading
// whitespace still gets its ID column.
std::string FirstTitle(const std::string &columnLine)
{
    std::string title;
    for (char c : columnLine) {
        if (c == ' ')
            title += ' ';
        else if (c == '\t')
            title += "  ";
        else
            break;
    }
    if (title.empty())
        return "ID";
    title[0] = 'I';
    if (title.size() > 1)
        title[1] = 'D';
    return title;
}

// The named column titles: each name keeps one blank per blank or tab after it,
// so the titles keep the spacing of the column line.
std::vector<std::string> NamedTitles(const std::string &names)
{
    std::vector<std::string> titles;
    std::size_t position = 0;
    while (position < names.size()) {
        std::size_t end = position;
        while (end < names.size() && !IsBlankOrTab(names[end]))
            ++end;
        std::string title = names.substr(position, end - position);
        while (end < names.size() && IsBlankOrTab(names[end])) {
            title += ' ';
            ++end;
        }
        titles.push_back(std::move(title));
        position = end;
    }
    return titles;
}

} // namespace

// ---------------------------------------------------------------- CTOKEN

void CTOKEN::SetText(const std::string &line)
{
    m_line = line;
    m_position = 0;
}

std::string CTOKEN::Next()
{
    while (m_position < m_line.size() && IsSeparator(m_line[m_position]))
        ++m_position;
    const std::size_t start = m_position;
    while (m_position < m_line.size() && !IsSeparator(m_line[m_position]))
        ++m_position;
    return m_line.substr(start, m_position - start);
}

std::string CTOKEN::Rest() const
{
    std::size_t start = m_position;
    while (start < m_line.size() && IsSeparator(m_line[start]))
        ++start;
    return Trim(m_line.substr(start));
}

// ---------------------------------------------------------------- table parse

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        lines.push_back(text.substr(start, end - start));
        if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

T2DATable Parse2DA(const std::string &text)
{
    T2DATable table;
    const std::vector<std::string> lines = SplitLines(text);

    // The version line is passed over unread, then blank lines and a default-value line.
    std::size_t next = 1;
    const auto skipBlankLines = [&] {
        while (next < lines.size() && IsBlankLine(lines[next]))
            ++next;
    };
    skipBlankLines();
    if (next < lines.size() && IsDefaultLine(lines[next])) {
        ++next;
        skipBlankLines();
    }
    if (next >= lines.size())
        return table;

    const std::string &columnLine = lines[next++];
    table.Titles.push_back(FirstTitle(columnLine));

    // The leading whitespace goes: one tab when the line starts with a tab,
    // otherwise as many characters as the first title has.
    std::size_t namesStart = 0;
    if (!columnLine.empty() && columnLine[0] == '\t')
        namesStart = 1;
    else if (!columnLine.empty() && columnLine[0] == ' ')
        namesStart = std::min(table.Titles[0].size(), columnLine.size());
    for (std::string &title : NamedTitles(columnLine.substr(namesStart)))
        table.Titles.push_back(std::move(title));

    // Cells 1 to n - 1 are tokens; the last cell takes the rest of the line.
    const std::size_t columnCount = table.Titles.size();
    CTOKEN token;
    for (; next < lines.size(); ++next) {
        if (IsBlankLine(lines[next]))
            continue;
        std::string line = lines[next];
        std::replace(line.begin(), line.end(), '\t', ' ');
        token.SetText(line);
        std::vector<std::string> cells;
        cells.reserve(columnCount);
        for (std::size_t column = 1; column < columnCount; ++column)
            cells.push_back(token.Next());
        cells.push_back(token.Rest());
        table.Rows.push_back(std::move(cells));
    }
    return table;
}

int ColumnWidthOf(const std::string &title)
{
    constexpr std::size_t PixelsPerCharacter = 8;
    constexpr std::size_t MinWidth = 40;
    constexpr std::size_t MaxWidth = kMaxColumnWidth;
    const std::size_t characters = std::min(title.size(), MaxWidth / PixelsPerCharacter + 1);
    return static_cast<int>(std::clamp(characters * PixelsPerCharacter, MinWidth, MaxWidth));
}
