#include "formats/UCUT.h"

#include "app/UFileIO.h"
#include "app/UMemoryBudget.h"
#include "app/UUtil.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t StructSize = 12;
constexpr std::size_t FieldSize = 12;
constexpr std::size_t LabelSize = 16;
// The struct array is taken to follow the header, whatever its offset field says.
constexpr std::uint64_t StructArrayOffset = CUT::HeaderSize;

enum TGffType : std::uint32_t {
    gffUINT8 = 0,
    gffINT8 = 1,
    gffUINT16 = 2,
    gffINT16 = 3,
    gffUINT32 = 4,
    gffINT32 = 5,
    gffUINT64 = 6,
    gffINT64 = 7,
    gffFLOAT = 8,
    gffDOUBLE = 9,
    gffSTRING = 10,
    gffRESREF = 11,
    gffSTRREF = 12,
    gffUNK0xD = 13,
    gffCAPREF = 14,
    gffLIST = 15,
    gffTypeCount = 16,
};

const char *const TypeNames[gffTypeCount] = {"UINT8",  "INT8",   "UINT16", "INT16", "UINT32", "INT32",
                                             "UINT64", "INT64",  "FLOAT",  "DOUBLE", "STRING", "RESREF",
                                             "STRREF", "UNK0xD", "CAPREF", "LIST"};

struct TGffField {
    std::uint32_t Type = 0;
    std::uint32_t LabelIndex = 0;
    std::uint32_t DataOrDataOffset = 0;
};

struct TGffStruct {
    std::uint32_t StructType = 0;
    std::uint32_t DataOrDataOffset = 0;
    std::uint32_t FieldCount = 0;
};

// printf-style formatting into a std::string. Numbers go through the C library,
// so the decimal point is the one of the program's LC_NUMERIC locale.
template <typename... Args>
std::string Format(const char *format, Args... args)
{
    char buffer[128];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0)
        return {};
    if (std::size_t(length) < sizeof buffer)
        return std::string(buffer, std::size_t(length));
    std::string text(std::size_t(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(std::size_t(length));
    return text;
}

// Floating-point values as the value column shows them: general format with up
// to 15 significant digits (a stored 0.1f shows as 0.100000001490116).
std::string GeneralFloat(double value)
{
    return Format("%.15g", value);
}

// The text of a type-and-label dump line: "TYPE: \tLabel\t= value".
std::string ValueLine(const std::string &indent, const char *typeName, const std::string &label,
                      const std::string &value)
{
    std::string line;
    line.reserve(indent.size() + std::strlen(typeName) + label.size() + value.size() + 6);
    line += indent;
    line += typeName;
    line += ": \t";
    line += label;
    line += "\t= ";
    line += value;
    return line;
}

// Reads one GFF file held in memory into a CUT's entries and dump lines. Every
// read is checked against the buffer: what lies outside it makes the file damaged.
class CGffReader {
public:
    CGffReader(CUT &target, const std::string &path, std::string bytes)
        : m_target(target), m_path(path), m_bytes(std::move(bytes)),
          m_data(reinterpret_cast<const unsigned char *>(m_bytes.data())), m_gameCodec(*target.Codec),
          m_budget(path, m_bytes.size(), CUT::LoadedBytesPerFileByte, CUT::LoadedBytesAllowance,
                   "its labels, entries and dump")
    {
    }

    void Read();

private:
    [[noreturn]] void Damaged(const std::string &what) const
    {
        throw EFileError("\"" + m_path + "\" is damaged: " + what);
    }
    [[noreturn]] void TooLarge(const std::string &what) const
    {
        throw EFileError("\"" + m_path + "\" is too large to show: " + what);
    }
    bool Holds(std::uint64_t offset, std::uint64_t count) const
    {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    std::uint32_t U32At(std::uint64_t offset) const { return ReadU32LE(m_data + offset); }
    std::uint32_t Header(std::size_t offset) const { return ReadU32LE(m_target.Header.data() + offset); }

    TGffStruct StructAt(std::uint64_t number) const;
    TGffField FieldAt(std::uint64_t number) const;
    // The field numbers of a struct, in order.
    std::vector<std::uint32_t> FieldsOf(const TGffStruct &gffStruct, std::uint64_t number) const;
    const std::string &LabelOf(const TGffField &field) const;
    // Count bytes of the field data block at the field's offset + skip.
    std::uint64_t DataAt(const TGffField &field, std::uint64_t skip, std::uint64_t count) const;
    std::string TextAt(std::uint64_t offset, std::uint64_t length);
    void ReadFieldOf(const TGffField &field, std::uint32_t number, const std::string &path, int depth);
    void ReadField(const TGffField &field, std::uint32_t number, const std::string &path);
    void ReadLocString(const TGffField &field, std::uint32_t number, const std::string &path);
    void ReadList(const TGffField &field, std::uint32_t number, const std::string &path, int depth);
    void AddEntry(std::string id, std::string type, std::string name, std::string value,
                  const CGameTextCodec &codec);
    void AddLine(std::string line, const CGameTextCodec &codec);
    void AddLine(std::string line) { AddLine(std::move(line), m_gameCodec); }

    CUT &m_target;
    const std::string &m_path;
    const std::string m_bytes;
    const unsigned char *m_data;
    const CGameTextCodec &m_gameCodec;
    // Lists that share structs can multiply a small file's entries without end.
    CMemoryBudget m_budget;
    // The structs being read, from the top-level struct down: an element naming
    // one of them would contain itself.
    std::vector<std::uint64_t> m_structChain{0};
    std::uint32_t m_fieldOffset = 0;
    std::uint32_t m_fieldDataOffset = 0;
    std::uint32_t m_fieldIndicesOffset = 0;
    std::uint32_t m_listIndicesOffset = 0;
    bool m_strRefNumbers = false; // UINT32 values are talk-table references
};

TGffStruct CGffReader::StructAt(std::uint64_t number) const
{
    const std::uint64_t offset = StructArrayOffset + StructSize * number;
    if (!Holds(offset, StructSize))
        Damaged("struct " + std::to_string(number) + " lies past its end");
    return {U32At(offset), U32At(offset + 4), U32At(offset + 8)};
}

TGffField CGffReader::FieldAt(std::uint64_t number) const
{
    const std::uint64_t offset = m_fieldOffset + FieldSize * number;
    if (!Holds(offset, FieldSize))
        Damaged("field " + std::to_string(number) + " lies past its end");
    return {U32At(offset), U32At(offset + 4), U32At(offset + 8)};
}

std::vector<std::uint32_t> CGffReader::FieldsOf(const TGffStruct &gffStruct, std::uint64_t number) const
{
    if (gffStruct.FieldCount == 0)
        return {};
    if (gffStruct.FieldCount == 1)
        return {gffStruct.DataOrDataOffset};
    const std::uint64_t offset = std::uint64_t(m_fieldIndicesOffset) + gffStruct.DataOrDataOffset;
    if (!Holds(offset, 4 * std::uint64_t(gffStruct.FieldCount)))
        Damaged("the field list of struct " + std::to_string(number) + " (" +
                std::to_string(gffStruct.FieldCount) + " fields) lies past its end");
    std::vector<std::uint32_t> fields(gffStruct.FieldCount);
    for (std::uint32_t i = 0; i < gffStruct.FieldCount; ++i)
        fields[i] = U32At(offset + 4 * std::uint64_t(i));
    return fields;
}

const std::string &CGffReader::LabelOf(const TGffField &field) const
{
    if (field.LabelIndex >= m_target.Labels.size())
        Damaged("a field names label " + std::to_string(field.LabelIndex) + ", but there are only " +
                std::to_string(m_target.Labels.size()) + " labels");
    return m_target.Labels[field.LabelIndex];
}

std::uint64_t CGffReader::DataAt(const TGffField &field, std::uint64_t skip, std::uint64_t count) const
{
    const std::uint64_t offset = std::uint64_t(m_fieldDataOffset) + field.DataOrDataOffset + skip;
    if (!Holds(offset, count))
        Damaged("the value of field " + LabelOf(field) + " lies past its end");
    return offset;
}

std::string CGffReader::TextAt(std::uint64_t offset, std::uint64_t length)
{
    // Checked before the copy is made: one long text shared by many fields
    // would otherwise be copied in full before the count refused it.
    m_budget.Take(length);
    m_budget.Give(length);
    return m_bytes.substr(std::size_t(offset), std::size_t(length));
}

void CGffReader::AddEntry(std::string id, std::string type, std::string name, std::string value,
                          const CGameTextCodec &codec)
{
    m_budget.Grow(m_target.Entries);
    for (const std::string *text : {&id, &type, &name, &value})
        m_budget.TakeString(*text);
    m_target.Entries.push_back({std::move(id), std::move(type), std::move(name), std::move(value), &codec});
}

void CGffReader::AddLine(std::string line, const CGameTextCodec &codec)
{
    m_budget.Grow(m_target.Lines);
    m_budget.Grow(m_target.LineCodecs);
    m_budget.TakeString(line);
    m_target.Lines.push_back(std::move(line));
    m_target.LineCodecs.push_back(&codec);
}

void CGffReader::Read()
{
    m_budget.Take(m_target.Entries.capacity() * sizeof(RUT) + m_target.Lines.capacity() * sizeof(std::string) +
                  m_target.LineCodecs.capacity() * sizeof(const CGameTextCodec *));
    const std::size_t headerBytes = m_target.Header.size();
    if (m_bytes.size() < headerBytes)
        Damaged("it is shorter than a header and its top-level struct (" + std::to_string(headerBytes) +
                " bytes)");
    std::memcpy(m_target.Header.data(), m_data, headerBytes);
    const std::string fileType = FixedName(m_target.Header.data(), 4);
    const std::string fileVersion = FixedName(m_target.Header.data() + 4, 4);
    m_strRefNumbers = std::memcmp(m_data, "ITP ", 4) == 0 || std::memcmp(m_data, "GFF ", 4) == 0;
    m_fieldOffset = Header(16);
    m_fieldDataOffset = Header(32);
    m_fieldIndicesOffset = Header(40);
    m_listIndicesOffset = Header(48);
    const TGffStruct top{Header(56), Header(60), Header(64)};

    if (m_target.MakeText) {
        // The dump is game text: the file's name goes into it in the game's encoding.
        const std::string fileName = ExtractFileName(m_path);
        AddLine(Format("BEGIN FILE: \"%s\" \"%s\" 0x%.8X", m_gameCodec.Encode(fileName).value_or(fileName).c_str(),
                       (fileType + fileVersion).c_str(), top.StructType));
    }

    m_target.Indent.clear();
    const std::uint32_t labelOffset = Header(24);
    const std::uint32_t labelCount = Header(28);
    if (!Holds(labelOffset, LabelSize * std::uint64_t(labelCount)))
        Damaged("its " + std::to_string(labelCount) + " labels lie past its end");
    m_target.Labels.clear();
    m_budget.Take(labelCount * sizeof(std::string));
    m_target.Labels.reserve(labelCount);
    for (std::uint32_t i = 0; i < labelCount; ++i) {
        m_target.Labels.push_back(FixedName(m_data + labelOffset + LabelSize * std::uint64_t(i), LabelSize));
        m_budget.TakeString(m_target.Labels.back());
    }

    const std::vector<std::uint32_t> fields = FieldsOf(top, 0);
    for (std::uint32_t p = 0; p < fields.size(); ++p)
        ReadFieldOf(FieldAt(fields[p]), p, std::string(), 0);

    if (m_target.MakeText)
        AddLine("END FILE");
}

// Reads one field of a struct, whatever its type; depth counts the enclosing lists.
void CGffReader::ReadFieldOf(const TGffField &field, std::uint32_t number, const std::string &path, int depth)
{
    if (field.Type == gffSTRREF)
        ReadLocString(field, number, path);
    else if (field.Type == gffLIST)
        ReadList(field, number, path, depth);
    else
        ReadField(field, number, path);
}

void CGffReader::ReadField(const TGffField &field, std::uint32_t number, const std::string &path)
{
    const std::string &label = LabelOf(field);
    const std::uint32_t word = field.DataOrDataOffset;
    std::string value;   // the value column
    std::string dumped;  // the value in the dump line; none when the type has no line
    const CGameTextCodec *valueCodec = &m_gameCodec;
    bool hasLine = true;
    switch (field.Type) {
    case gffUINT8:
        value = dumped = std::to_string(word & 0xFF);
        break;
    case gffINT8:
        value = dumped = std::to_string(static_cast<std::int8_t>(word & 0xFF));
        break;
    case gffUINT16:
        value = dumped = std::to_string(word & 0xFFFF);
        break;
    case gffINT16:
        value = dumped = std::to_string(static_cast<std::int16_t>(word & 0xFFFF));
        break;
    case gffUINT32:
        dumped = std::to_string(word);
        if (m_strRefNumbers) {
            value = m_target.LookupStrRef(word);
            valueCodec = &m_target.TalkTable.Codec();
        } else {
            value = dumped;
        }
        break;
    case gffINT32:
        value = dumped = std::to_string(static_cast<std::int32_t>(word));
        break;
    case gffUINT64:
    case gffINT64: {
        const std::uint64_t at = DataAt(field, 0, 8);
        const std::uint64_t bits = std::uint64_t(U32At(at)) | (std::uint64_t(U32At(at + 4)) << 32);
        value = dumped = field.Type == gffUINT64 ? std::to_string(bits) : std::to_string(static_cast<std::int64_t>(bits));
        break;
    }
    case gffFLOAT: {
        float stored;
        std::memcpy(&stored, &word, sizeof stored);
        value = GeneralFloat(double(stored));
        dumped = Format("%.6f", double(stored));
        break;
    }
    case gffDOUBLE: {
        const std::uint64_t at = DataAt(field, 0, 8);
        const std::uint64_t bits = std::uint64_t(U32At(at)) | (std::uint64_t(U32At(at + 4)) << 32);
        double stored;
        std::memcpy(&stored, &bits, sizeof stored);
        value = GeneralFloat(stored);
        dumped = Format("%.6f", stored);
        break;
    }
    case gffSTRING: {
        const std::uint64_t at = DataAt(field, 0, 4);
        const std::uint32_t length = U32At(at);
        value = TextAt(DataAt(field, 4, length), length);
        dumped = "\"" + value + "\"";
        break;
    }
    case gffRESREF: {
        const std::uint64_t at = DataAt(field, 0, 1);
        const std::uint32_t length = m_data[at];
        value = TextAt(DataAt(field, 1, length), length);
        dumped = "\"" + value + "\"";
        break;
    }
    case gffUNK0xD:
        value = std::to_string(word);
        dumped = Format("0x%.8X", word);
        break;
    case gffCAPREF:
        value = std::to_string(word);
        dumped = std::to_string(static_cast<std::int32_t>(word));
        break;
    case gffLIST: // the word holds the element count here
        value = "Count: " + std::to_string(word);
        hasLine = false;
        if (m_target.MakeText)
            AddLine(m_target.Indent + "LIST:\t" + label);
        break;
    default: // unknown types: an entry without type and value, no dump line
        hasLine = false;
        break;
    }
    const char *typeName = field.Type < gffTypeCount ? TypeNames[field.Type] : "";
    if (hasLine && m_target.MakeText)
        AddLine(ValueLine(m_target.Indent, typeName, label, dumped));
    AddEntry(path.empty() ? std::to_string(number) : std::string(), typeName, path + label, std::move(value),
             *valueCodec);
}

void CGffReader::ReadLocString(const TGffField &field, std::uint32_t number, const std::string &path)
{
    const std::string &label = LabelOf(field);
    AddEntry(std::to_string(number), "STRREF", path + label, std::string(), m_gameCodec);
    if (m_target.MakeText)
        AddLine(m_target.Indent + "STRREF:\t" + label + "\t");

    const std::uint64_t at = DataAt(field, 0, 12);
    const std::uint32_t stringRef = U32At(at + 4);
    const std::uint32_t stringCount = U32At(at + 8);
    if (stringCount != 0) {
        std::uint64_t skip = 12;
        for (std::uint32_t i = 0; i < stringCount; ++i) {
            const std::uint64_t sub = DataAt(field, skip, 8);
            const std::uint32_t stringId = U32At(sub);
            const std::uint32_t length = U32At(sub + 4);
            std::string text = TextAt(DataAt(field, skip + 8, length), length);
            skip += 8 + std::uint64_t(length);
            const CGameTextCodec &codec = LanguageTextCodec(LanguageOfSubstring(stringId), m_gameCodec);
            if (m_target.MakeText)
                AddLine(m_target.Indent + "     \tLANG: " + std::to_string(stringId) + " = \"" + text + "\"", codec);
            AddEntry(std::string(), std::string(), path + "LANG " + std::to_string(stringId), std::move(text), codec);
        }
        return;
    }
    std::string text = m_target.LookupStrRef(stringRef);
    // The one dump line that never carries the indentation.
    if (m_target.MakeText)
        AddLine(ValueLine(std::string(), "STRREF", label, std::to_string(stringRef)));
    AddEntry(std::to_string(number), "STRREF", path + label, std::move(text), m_target.TalkTable.Codec());
}

void CGffReader::ReadList(const TGffField &field, std::uint32_t number, const std::string &path, int depth)
{
    const std::uint64_t position = std::uint64_t(m_listIndicesOffset) + field.DataOrDataOffset;
    if (!Holds(position, 4)) {
        AddEntry(std::string(), "ERROR", "ERROR", "List Error", m_gameCodec);
        return;
    }
    const std::string &label = LabelOf(field);
    if (depth >= CUT::MaxListDepth)
        TooLarge("its lists are nested more than " + std::to_string(CUT::MaxListDepth) + " deep");
    const std::uint32_t count = U32At(position);
    if (!Holds(position + 4, 4 * std::uint64_t(count)))
        Damaged("the " + std::to_string(count) + " elements of list " + label + " lie past its end");

    TGffField counted = field;
    counted.DataOrDataOffset = count;
    ReadField(counted, number, path);
    if (m_target.MakeText)
        m_target.Indent += '\t';
    const std::string listPath = path + label;
    for (std::uint32_t e = 0; e < count; ++e) {
        const std::uint32_t structNumber = U32At(position + 4 + 4 * std::uint64_t(e));
        const std::string elementPath = listPath + "[" + std::to_string(e) + "]";
        if (std::find(m_structChain.begin(), m_structChain.end(), structNumber) != m_structChain.end()) {
            // The element would contain itself: it is left out.
            AddEntry(std::string(), "ERROR", elementPath, "List Error", m_gameCodec);
            continue;
        }
        const TGffStruct element = StructAt(structNumber);
        const std::vector<std::uint32_t> fields = FieldsOf(element, structNumber);
        if (m_target.MakeText) {
            AddLine(m_target.Indent + Format("ELEMENT = 0x%.8X", element.StructType));
            m_target.Indent += ' ';
        }
        m_structChain.push_back(structNumber);
        for (std::uint32_t f : fields)
            ReadFieldOf(FieldAt(f), e, elementPath + ".", depth + 1);
        m_structChain.pop_back();
        if (m_target.MakeText) {
            m_target.Indent.pop_back();
            AddLine(m_target.Indent + "END ELEMENT");
        }
    }
    if (m_target.MakeText) {
        m_target.Indent.pop_back();
        AddLine(m_target.Indent + "END LIST");
    }
}

} // namespace

CUT::CUT() : Codec(&GameTextCodec())
{
    TalkTable.LoadGameTalkTable();
}

void CUT::Load(const std::string &path)
{
    if (!FileExists(path))
        return;
    Lines.clear();
    LineCodecs.clear();
    Codec = &GameTextCodec();
    struct TLabelRelease {
        std::vector<std::string> &Labels;
        ~TLabelRelease() { std::vector<std::string>().swap(Labels); }
    } release{Labels};
    CGffReader(*this, path, ReadWholeFile(path)).Read();
}

std::string CUT::LookupStrRef(std::uint32_t id) const
{
    const auto signedId = static_cast<std::int32_t>(id);
    const std::string_view sound = TalkTable.GetSound(signedId);
    return std::string(sound.empty() ? TalkTable.GetText(signedId) : sound);
}

std::string CUT::DumpLineText(std::size_t line) const
{
    const CGameTextCodec *codec = line < LineCodecs.size() ? LineCodecs[line] : Codec;
    return (codec ? *codec : GameTextCodec()).Decode(Lines.at(line));
}

std::string CUT::JoinDumpLines(const std::vector<std::string> &lines)
{
    std::string text;
    for (const std::string &line : lines)
        AppendDumpLine(text, line);
    return text;
}

void CUT::AppendDumpLine(std::string &text, std::string_view line)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] != '\r' && line[i] != '\n')
            continue;
        text.append(line.substr(start, i - start));
        text += "\r\n";
        if (line[i] == '\r' && i + 1 < line.size() && line[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    text.append(line.substr(start));
    text += "\r\n";
}
