// INI files: option.ini, the game-folder file and the language files.
// Sections and keys match without regard to letter case; writing a key
// replaces its value in place and leaves every other line of the file as it was.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class CINIFILE {
public:
    CINIFILE() = default;

    // Reads the file; a missing or unreadable file gives an empty INI and false.
    bool Load(const std::string &path);
    void LoadFromString(const std::string &text);
    // Writes the file atomically; raises EFileError on failure.
    void Save(const std::string &path) const;
    std::string ToString() const;

    bool HasSection(const std::string &section) const;
    std::optional<std::string> Value(const std::string &section, const std::string &key) const;
    std::string ReadString(const std::string &section, const std::string &key,
                           const std::string &fallback) const;
    // A value that is not a decimal integer counts as missing.
    int ReadInteger(const std::string &section, const std::string &key, int fallback) const;
    // True for any integer other than 0; a value that is not an integer gives fallback.
    bool ReadBool(const std::string &section, const std::string &key, bool fallback) const;
    // A decimal number ("-100", "2.5", "2,5", "1e3"); a value that is no finite
    // number counts as missing.
    float ReadFloat(const std::string &section, const std::string &key, float fallback) const;

    void WriteString(const std::string &section, const std::string &key, const std::string &value);
    void WriteInteger(const std::string &section, const std::string &key, int value);
    void WriteBool(const std::string &section, const std::string &key, bool value);
    // The shortest decimal text that reads back as the same float.
    void WriteFloat(const std::string &section, const std::string &key, float value);

    std::vector<std::string> Sections() const;
    // Keys and values of a section, in file order.
    std::vector<std::pair<std::string, std::string>> SectionValues(const std::string &section) const;

private:
    struct Line {
        std::string text;      // the line as it stands in the file
        std::string section;   // the section the line belongs to
        bool isHeader = false; // "[name]"
        bool isValue = false;  // "key=value"
        std::string key;
        std::string value;
    };
    std::vector<Line> m_lines;
    std::string m_lineEnd = "\n";
    bool m_byteOrderMark = false; // a UTF-8 mark before the first line, kept on save

    int FindValueLine(const std::string &section, const std::string &key) const;
};

// Parses a decimal integer with optional sign and surrounding blanks.
std::optional<long long> ParseInteger(const std::string &text);
// Parses a finite decimal number with optional sign and surrounding blanks;
// a comma may stand for the decimal point (files written under a locale that uses one).
std::optional<float> ParseFloat(const std::string &text);
