#include "formats/UCTOKEN.h"

#include "app/UFileIO.h"

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

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsTrimmed(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsTrimmed(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsBlankLine(std::string_view line)
{
    return std::all_of(line.begin(), line.end(), IsTrimmed);
}

// A line giving the value of empty cells; some tables carry one right after
// the version line. It names no column.
bool IsDefaultLine(std::string_view line)
{
    return line.substr(0, 8) == "DEFAULT:";
}

// The next token of line from position: separators skipped first; position
// ends on the separator after it. Empty at the end of the line.
std::string_view NextToken(std::string_view line, std::size_t &position)
{
    while (position < line.size() && IsSeparator(line[position]))
        ++position;
    const std::size_t start = position;
    while (position < line.size() && !IsSeparator(line[position]))
        ++position;
    return line.substr(start, position - start);
}

// Everything of line after the separators at position, trimmed.
std::string_view RestOfLine(std::string_view line, std::size_t position)
{
    while (position < line.size() && IsSeparator(line[position]))
        ++position;
    return Trim(line.substr(std::min(position, line.size())));
}

// The line of text starting at position, without its end; position moves to
// the next line (CR, LF or CR LF end a line).
std::string_view NextLine(std::string_view text, std::size_t &position)
{
    const std::size_t start = position;
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    position = end + 1;
    if (end + 1 < text.size() && text[end] == '\r' && text[end + 1] == '\n')
        ++position;
    return text.substr(start, end - start);
}

// The first column's title from the column line's leading blanks and tabs:
// one blank per blank and two per tab, its first two characters then replaced
// by "ID" ("I" when there is a single blank). A line without leading
// whitespace still gets its ID column.
std::string FirstTitle(std::string_view columnLine)
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
// so the titles keep the spacing of the column line. With titles null, only
// counts them.
std::size_t NamedTitles(std::string_view names, std::vector<std::string> *titles)
{
    std::size_t count = 0;
    std::size_t position = 0;
    while (position < names.size()) {
        std::size_t end = position;
        while (end < names.size() && !IsBlankOrTab(names[end]))
            ++end;
        const std::size_t nameEnd = end;
        while (end < names.size() && IsBlankOrTab(names[end]))
            ++end;
        if (titles) {
            std::string title(names.substr(position, nameEnd - position));
            title.append(end - nameEnd, ' ');
            titles->push_back(std::move(title));
        }
        ++count;
        position = end;
    }
    return count;
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
    return std::string(NextToken(m_line, m_position));
}

std::string CTOKEN::Rest() const
{
    return std::string(RestOfLine(m_line, m_position));
}

// ---------------------------------------------------------------- table

std::string_view T2DATable::LineOf(std::size_t row) const
{
    std::size_t position = m_rowStarts.at(row);
    return NextLine(m_text, position);
}

std::vector<std::string_view> T2DATable::CellsOf(std::size_t row) const
{
    const std::string_view line = LineOf(row);
    std::vector<std::string_view> cells;
    std::size_t position = 0;
    for (std::size_t column = 1; column < Titles.size(); ++column) {
        const std::string_view token = NextToken(line, position);
        if (token.empty())
            return cells; // the line has ended: so does every later cell
        cells.push_back(token);
    }
    const std::string_view rest = RestOfLine(line, position);
    if (!rest.empty())
        cells.push_back(rest);
    return cells;
}

std::string_view T2DATable::Cell(std::size_t row, std::size_t column) const
{
    if (column >= Titles.size())
        return {};
    const std::string_view line = LineOf(row);
    std::size_t position = 0;
    for (std::size_t c = 0; c + 1 < Titles.size(); ++c) {
        const std::string_view token = NextToken(line, position);
        if (c == column || token.empty())
            return token;
    }
    return RestOfLine(line, position);
}

std::vector<std::string> T2DATable::Row(std::size_t row) const
{
    std::vector<std::string> cells;
    cells.reserve(Titles.size());
    for (std::string_view cell : CellsOf(row))
        cells.emplace_back(cell);
    cells.resize(Titles.size());
    return cells;
}

// ---------------------------------------------------------------- table parse

std::vector<std::string> SplitLines(const std::string &text)
{
    std::vector<std::string> lines;
    for (std::size_t position = 0; position < text.size();)
        lines.emplace_back(NextLine(text, position));
    return lines;
}

T2DATable Parse2DA(std::string text, const std::string &fileName)
{
    T2DATable table;
    table.m_text = std::move(text);
    const std::string_view all = table.m_text;

    // The version line is passed over unread, then blank lines and a default-value line.
    std::size_t position = 0;
    NextLine(all, position);
    auto nextNonBlank = [&](std::string_view &line) {
        while (position < all.size()) {
            line = NextLine(all, position);
            if (!IsBlankLine(line))
                return true;
        }
        return false;
    };
    std::string_view columnLine;
    if (!nextNonBlank(columnLine) || (IsDefaultLine(columnLine) && !nextNonBlank(columnLine))) {
        std::string().swap(table.m_text);
        return table;
    }

    // The leading whitespace goes: one tab when the line starts with a tab,
    // otherwise as many characters as the first title has.
    std::string first = FirstTitle(columnLine);
    std::size_t namesStart = 0;
    if (!columnLine.empty() && columnLine[0] == '\t')
        namesStart = 1;
    else if (!columnLine.empty() && columnLine[0] == ' ')
        namesStart = std::min(first.size(), columnLine.size());
    const std::string_view names = columnLine.substr(namesStart);
    const std::size_t columnCount = 1 + NamedTitles(names, nullptr);
    if (columnCount > kMax2DAColumns)
        throw EFileError((fileName.empty() ? std::string("The table") : "\"" + fileName + "\"") + " has " +
                         std::to_string(columnCount) + " columns, more than the " + std::to_string(kMax2DAColumns) +
                         " a table may have.");
    table.Titles.reserve(columnCount);
    table.Titles.push_back(std::move(first));
    NamedTitles(names, &table.Titles);

    // Every line that is not blank is a row; they are counted first so that
    // the list of rows takes no more room than it needs.
    const std::size_t rowsStart = position;
    std::size_t rowCount = 0;
    while (position < all.size())
        rowCount += IsBlankLine(NextLine(all, position)) ? 0 : 1;
    table.m_rowStarts.reserve(rowCount);
    for (position = rowsStart; position < all.size();) {
        const std::size_t start = position;
        if (!IsBlankLine(NextLine(all, position)))
            table.m_rowStarts.push_back(start);
    }
    // Tabs in rows count as blanks: the last cell keeps them as blanks.
    std::replace(table.m_text.begin() + std::ptrdiff_t(std::min(rowsStart, all.size())), table.m_text.end(), '\t',
                 ' ');
    if (table.m_rowStarts.empty())
        std::string().swap(table.m_text);
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
