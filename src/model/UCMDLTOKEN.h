// ASCII models: the tokenizer, and the reader that fills a CMDL from the
// tokens (CMDL::LoadAscii, defined beside the tokenizer). The reader is
// keyword driven: values are the tokens that follow a keyword, and keywords
// match exactly, letter case included.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class CMDLTOKEN {
public:
    // The text ends at its first zero byte, if any.
    explicit CMDLTOKEN(std::string_view text);

    // The next run of characters other than the separators (zero byte, tab,
    // line feed, carriage return, blank); empty at the end of the text, and
    // again on every further call. The view lives as long as the tokenizer.
    std::string_view NextToken();
    // The line, counted from 1, of the token NextToken returned last.
    int Line() const { return m_tokenLine; }

private:
    std::string m_text;
    std::size_t m_position = 0; // 0-based
    int m_line = 1;
    int m_tokenLine = 1;
};

// A float as models write it: a comma is taken as the decimal mark when the
// token holds one ("0,5" and "0.5" are both one half); exponents are allowed.
// Nothing for a token that is not a finite number of single precision.
std::optional<float> ParseModelFloat(std::string_view token);
// A decimal integer with an optional sign; nothing for anything else.
std::optional<std::int32_t> ParseModelInteger(std::string_view token);
