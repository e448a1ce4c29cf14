// The program's one letter-case rule: names (ResRefs, file names, INI sections
// and keys) and searches match with the letters A to Z folded, every other
// byte exactly, whatever the user's locale. Bytes of other scripts are never
// folded, so a multi-byte character cannot be changed half-way.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

inline char FoldAsciiLetter(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

inline std::string LowerCaseAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), FoldAsciiLetter);
    return text;
}

inline std::string UpperCaseAscii(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

inline bool SameNameNoCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return FoldAsciiLetter(x) == FoldAsciiLetter(y); });
}

// True when haystack holds foldedNeedle, a text already passed through LowerCaseAscii.
inline bool ContainsNoCase(std::string_view haystack, std::string_view foldedNeedle)
{
    return std::search(haystack.begin(), haystack.end(), foldedNeedle.begin(), foldedNeedle.end(),
                       [](char a, char b) { return FoldAsciiLetter(a) == b; }) != haystack.end();
}
