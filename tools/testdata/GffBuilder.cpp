#include "testdata/GffBuilder.h"

#include "testdata/ByteBuilder.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

namespace testdata {

GffBuilder::GffBuilder(std::string fileType, std::string version, std::uint32_t topStructId)
    : FileType(std::move(fileType)), Version(std::move(version))
{
    AddStruct(topStructId);
}

int GffBuilder::AddStruct(std::uint32_t id)
{
    GffStruct added;
    added.Id = id;
    m_structs.push_back(std::move(added));
    return static_cast<int>(m_structs.size()) - 1;
}

int GffBuilder::Add(int s, GffField field)
{
    m_fields.push_back(std::move(field));
    const int number = static_cast<int>(m_fields.size()) - 1;
    Struct(s).Fields.push_back(number);
    return number;
}

namespace {
GffField InPlace(const std::string &label, std::uint32_t type, std::uint32_t word)
{
    GffField field;
    field.Label = label;
    field.Type = type;
    field.Word = word;
    return field;
}

GffField WithData(const std::string &label, std::uint32_t type, std::string data)
{
    GffField field;
    field.Label = label;
    field.Type = type;
    field.Data = std::move(data);
    field.InData = true;
    return field;
}
} // namespace

int GffBuilder::Byte(int s, const std::string &label, std::uint8_t value)
{
    return Add(s, InPlace(label, gfftype::UINT8, value));
}

int GffBuilder::Char(int s, const std::string &label, std::int8_t value)
{
    return Add(s, InPlace(label, gfftype::INT8, static_cast<std::uint8_t>(value)));
}

int GffBuilder::Word(int s, const std::string &label, std::uint16_t value)
{
    return Add(s, InPlace(label, gfftype::UINT16, value));
}

int GffBuilder::Short(int s, const std::string &label, std::int16_t value)
{
    return Add(s, InPlace(label, gfftype::INT16, static_cast<std::uint16_t>(value)));
}

int GffBuilder::DWord(int s, const std::string &label, std::uint32_t value)
{
    return Add(s, InPlace(label, gfftype::UINT32, value));
}

int GffBuilder::Int(int s, const std::string &label, std::int32_t value)
{
    return Add(s, InPlace(label, gfftype::INT32, static_cast<std::uint32_t>(value)));
}

int GffBuilder::DWord64(int s, const std::string &label, std::uint64_t value)
{
    ByteBuilder data;
    data.U64(value);
    return Add(s, WithData(label, gfftype::UINT64, data.Take()));
}

int GffBuilder::Int64(int s, const std::string &label, std::int64_t value)
{
    ByteBuilder data;
    data.U64(static_cast<std::uint64_t>(value));
    return Add(s, WithData(label, gfftype::INT64, data.Take()));
}

int GffBuilder::Float(int s, const std::string &label, float value)
{
    return Add(s, InPlace(label, gfftype::FLOAT, std::bit_cast<std::uint32_t>(value)));
}

int GffBuilder::Double(int s, const std::string &label, double value)
{
    ByteBuilder data;
    data.U64(std::bit_cast<std::uint64_t>(value));
    return Add(s, WithData(label, gfftype::DOUBLE, data.Take()));
}

int GffBuilder::String(int s, const std::string &label, const std::string &value)
{
    ByteBuilder data;
    data.U32(static_cast<std::uint32_t>(value.size())).Bytes(value);
    return Add(s, WithData(label, gfftype::STRING, data.Take()));
}

int GffBuilder::ResRef(int s, const std::string &label, const std::string &value)
{
    if (value.size() > 255)
        throw std::length_error("GffBuilder::ResRef: more than 255 bytes");
    ByteBuilder data;
    data.U8(static_cast<std::uint8_t>(value.size())).Bytes(value);
    return Add(s, WithData(label, gfftype::RESREF, data.Take()));
}

int GffBuilder::LocString(int s, const std::string &label, std::uint32_t strRef,
                          const std::vector<GffSubstring> &substrings)
{
    ByteBuilder body;
    body.U32(strRef).U32(static_cast<std::uint32_t>(substrings.size()));
    for (const auto &sub : substrings)
        body.U32(sub.Id).U32(static_cast<std::uint32_t>(sub.Text.size())).Bytes(sub.Text);
    ByteBuilder data;
    data.U32(static_cast<std::uint32_t>(body.Size())).Bytes(body.Data());
    return Add(s, WithData(label, gfftype::LOCSTRING, data.Take()));
}

int GffBuilder::List(int s, const std::string &label, const std::vector<int> &elements)
{
    GffField field = InPlace(label, gfftype::LIST, 0);
    field.Elements = elements;
    return Add(s, std::move(field));
}

int GffBuilder::Raw(int s, const std::string &label, std::uint32_t type, std::uint32_t word)
{
    return Add(s, InPlace(label, type, word));
}

std::vector<std::string> GffBuilder::Labels() const
{
    std::vector<std::string> labels;
    for (const auto &field : m_fields)
        if (std::find(labels.begin(), labels.end(), field.Label) == labels.end())
            labels.push_back(field.Label);
    return labels;
}

GffBuilder::Layout GffBuilder::ComputeLayout() const
{
    Layout layout{};
    std::uint32_t dataSize = 0, listSize = 0, indicesSize = 0;
    for (const auto &field : m_fields) {
        layout.DataOffsets.push_back(dataSize);
        layout.ListOffsets.push_back(listSize);
        if (field.InData)
            dataSize += static_cast<std::uint32_t>(field.Data.size());
        if (field.Type == gfftype::LIST)
            listSize += 4 * (1 + static_cast<std::uint32_t>(field.Elements.size()));
    }
    for (const auto &st : m_structs)
        if (st.Fields.size() > 1)
            indicesSize += 4 * static_cast<std::uint32_t>(st.Fields.size());
    layout.StructOffset = HeaderSize;
    layout.FieldOffset = layout.StructOffset + StructSize * static_cast<std::uint32_t>(m_structs.size());
    layout.LabelOffset = layout.FieldOffset + FieldSize * static_cast<std::uint32_t>(m_fields.size());
    layout.FieldDataOffset = layout.LabelOffset + LabelSize * static_cast<std::uint32_t>(Labels().size());
    layout.FieldIndicesOffset = layout.FieldDataOffset + dataSize;
    layout.ListIndicesOffset = layout.FieldIndicesOffset + indicesSize;
    layout.End = layout.ListIndicesOffset + listSize;
    return layout;
}

std::string GffBuilder::Build() const
{
    const Layout layout = ComputeLayout();
    const std::vector<std::string> labels = Labels();

    ByteBuilder structs, fields, labelBytes, data, indices, lists;
    for (const auto &st : m_structs) {
        std::uint32_t word = 0;
        if (st.Fields.size() == 1) {
            word = static_cast<std::uint32_t>(st.Fields.front());
        } else if (st.Fields.size() > 1) {
            word = static_cast<std::uint32_t>(indices.Size());
            for (int f : st.Fields)
                indices.U32(static_cast<std::uint32_t>(f));
        }
        structs.U32(st.Id).U32(st.DataOrDataOffsetField.value_or(word));
        structs.U32(st.FieldCountField.value_or(static_cast<std::uint32_t>(st.Fields.size())));
    }
    for (std::size_t f = 0; f < m_fields.size(); ++f) {
        const GffField &field = m_fields[f];
        std::uint32_t word = field.Word;
        if (field.InData) {
            word = layout.DataOffsets[f];
            data.Bytes(field.Data);
        } else if (field.Type == gfftype::LIST) {
            word = layout.ListOffsets[f];
            lists.U32(static_cast<std::uint32_t>(field.Elements.size()));
            for (int element : field.Elements)
                lists.U32(static_cast<std::uint32_t>(element));
        }
        const auto label = static_cast<std::uint32_t>(
            std::find(labels.begin(), labels.end(), field.Label) - labels.begin());
        fields.U32(field.Type).U32(field.LabelIndexField.value_or(label)).U32(field.WordField.value_or(word));
    }
    for (const auto &label : labels)
        labelBytes.Fixed(label, LabelSize);

    ByteBuilder out;
    out.Fixed(FileType, 4).Fixed(Version, 4);
    out.U32(layout.StructOffset).U32(static_cast<std::uint32_t>(m_structs.size()));
    out.U32(FieldOffsetField.value_or(layout.FieldOffset)).U32(static_cast<std::uint32_t>(m_fields.size()));
    out.U32(LabelOffsetField.value_or(layout.LabelOffset));
    out.U32(LabelCountField.value_or(static_cast<std::uint32_t>(labels.size())));
    out.U32(FieldDataOffsetField.value_or(layout.FieldDataOffset)).U32(static_cast<std::uint32_t>(data.Size()));
    out.U32(FieldIndicesOffsetField.value_or(layout.FieldIndicesOffset))
        .U32(static_cast<std::uint32_t>(indices.Size()));
    out.U32(ListIndicesOffsetField.value_or(layout.ListIndicesOffset)).U32(static_cast<std::uint32_t>(lists.Size()));
    out.Bytes(structs.Data()).Bytes(fields.Data()).Bytes(labelBytes.Data());
    out.Bytes(data.Data()).Bytes(indices.Data()).Bytes(lists.Data()).Bytes(Trailer);
    return out.Take();
}

void GffBuilder::WriteTo(const std::filesystem::path &path) const
{
    WriteFile(path, Build());
}

} // namespace testdata
