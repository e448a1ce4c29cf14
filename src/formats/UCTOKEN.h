// 2DA tables: the tokenizer of one line, and the parse of a whole table text
// into column titles and rows of cells as the 2DA viewer shows them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

class CTOKEN {
public:
    CTOKEN() = default;
    explicit CTOKEN(const std::string &line) { SetText(line); }
    void SetText(const std::string &line);
    // The next token: separators (blank, tab, CR, LF, zero byte) skipped first;
    // empty at the end of the line.
    std::string Next();
    // Everything after the separators at the position, trimmed; the position stays.
    std::string Rest() const;

private:
    std::string m_line;
    std::size_t m_position = 0; // 0-based
};

// A parsed table. Its text is kept once and each row is found in it when
// asked for: a row holds only the cells written on its line, and the cells of
// the columns after them read as empty. A table of many titles and short rows
// thus costs no more than its text.
class T2DATable {
public:
    std::vector<std::string> Titles; // "ID" first, then the named columns

    std::size_t RowCount() const { return m_rowStarts.size(); }
    // The cells written on the row's line, at most one per title: cells 1 to
    // n - 1 are tokens, cell n takes the rest of the line.
    std::vector<std::string_view> CellsOf(std::size_t row) const;
    // One cell; empty for a column after the row's last cell.
    std::string_view Cell(std::size_t row, std::size_t column) const;
    // The row's cells, exactly one per title.
    std::vector<std::string> Row(std::size_t row) const;

private:
    friend T2DATable Parse2DA(std::string text, const std::string &fileName);
    std::string m_text;                   // the rows' lines with their tabs made blanks
    std::vector<std::size_t> m_rowStarts; // where each row's line starts in m_text

    std::string_view LineOf(std::size_t row) const;
};

// Splits text into lines (CR, LF or both end a line).
std::vector<std::string> SplitLines(const std::string &text);
// Tables of the game have dozens of columns; a column line naming more than
// this many is refused.
constexpr std::size_t kMax2DAColumns = 65536;
// Parses 2DA text: version line, optional "DEFAULT:" line, column line, rows.
// Raises EFileError naming fileName (the table when it is empty) for a table
// of more than kMax2DAColumns columns.
T2DATable Parse2DA(std::string text, const std::string &fileName = {});
// Width in pixels the viewer gives a column with this title: 8 per character,
// 40 to kMaxColumnWidth.
constexpr int kMaxColumnWidth = 200;
int ColumnWidthOf(const std::string &title);
