// 2DA tables: the tokenizer of one line, and the parse of a whole table text
// into column titles and rows of cells as the 2DA viewer shows them.
#pragma once

#include <string>
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

struct T2DATable {
    std::vector<std::string> Titles;              // "ID" first, then the named columns
    std::vector<std::vector<std::string>> Rows;   // each exactly Titles.size() cells
};

// Splits text into lines (CR, LF or both end a line).
std::vector<std::string> SplitLines(const std::string &text);
// Parses 2DA text: version line, optional "DEFAULT:" line, column line, rows.
T2DATable Parse2DA(const std::string &text);
// Width in pixels the viewer gives a column with this title: 8 per character,
// 40 to kMaxColumnWidth.
constexpr int kMaxColumnWidth = 200;
int ColumnWidthOf(const std::string &title);
