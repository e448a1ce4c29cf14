#include "testdata/MdlBuilder.h"

#include "testdata/ByteBuilder.h"

#include <cstring>
#include <stdexcept>

namespace testdata {

namespace {

bool IsMesh(const MdlKind &kind)
{
    return kind.A == mdlkind::Trimesh.A || kind.A == mdlkind::Trimesh2.A || kind.A == mdlkind::Trimesh3.A ||
           kind.A == mdlkind::Danglymesh.A || kind.A == mdlkind::Aabb.A;
}

bool IsEmitter(const MdlKind &kind)
{
    return kind.A == mdlkind::Emitter.A && kind.B == mdlkind::Emitter.B;
}

// Where a node's parts were written.
struct NodePlace {
    std::uint32_t Header = 0;      // file positions
    std::uint32_t Children = 0;
    std::uint32_t Controllers = 0; // 0: none
    std::uint32_t FaceList = 0;
    std::uint32_t VertexData = 0;  // raw offsets
    std::uint32_t FaceData = 0;
    std::uint32_t TexCoordData = 0;
    std::uint32_t ExtraData = 0;   // 0: none
};

std::uint32_t ModelOffset(std::uint32_t filePosition)
{
    return filePosition - MdlBuilder::FileHeaderSize;
}

void F32s(ByteBuilder &out, const float *values, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i)
        out.F32(values[i]);
}

std::string NodeHeader(const MdlNode &node, const NodePlace &place)
{
    ByteBuilder h;
    h.U32(node.Kind.A).U32(node.Kind.B);
    h.PadTo(0x20).Fixed(node.Name, 32);
    h.PadTo(0x48).U32(ModelOffset(place.Children)).U32(static_cast<std::uint32_t>(node.Children.size()));
    h.PadTo(0x60).U32(place.Controllers ? ModelOffset(place.Controllers) : 0);
    if (IsMesh(node.Kind)) {
        h.PadTo(0x7C).U32(static_cast<std::uint32_t>(node.Faces.size()));
        h.PadTo(0xAC);
        F32s(h, node.Diffuse.data(), 3);  // 0xAC
        F32s(h, node.Ambient.data(), 3);  // 0xB8
        F32s(h, node.Specular.data(), 3); // 0xC4
        h.F32(node.Shininess);            // 0xD0
        h.PadTo(0xE8).Fixed(node.Texture, 16);
        h.PadTo(0x210).U32(ModelOffset(place.FaceList));
        h.PadTo(0x22C).U32(place.VertexData);
        h.U16(static_cast<std::uint16_t>(node.Vertices.size())); // 0x230
        h.U16(node.TextureSets);                                 // 0x232
        h.U32(place.TexCoordData);                               // 0x234
        h.PadTo(0x270).U32(place.ExtraData);
    } else if (IsEmitter(node.Kind)) {
        h.PadTo(0x7C).U32(node.XGrid).U32(node.YGrid);
        h.PadTo(0x88).Fixed(node.Update, 32);
        h.Fixed(node.Render, 32); // 0xA8
        h.Fixed(node.Blend, 32);  // 0xC8
        h.Fixed(node.Texture, 22); // 0xE8
    } else if (node.Kind.A == mdlkind::Light.A) {
        h.PadTo(0x124).F32(node.LightValues[0]);
        h.PadTo(0x12C).F32(node.LightValues[1]).F32(node.LightValues[2]).F32(node.LightValues[3]);
    }
    h.PadTo(MdlBuilder::NodeHeaderSize);
    for (const auto &[offset, value] : node.HeaderU32)
        h.PatchU32(offset, value);
    for (const auto &[offset, value] : node.HeaderU16)
        h.PatchU16(offset, value);
    return h.Data().substr(0, node.HeaderSize);
}

} // namespace

int MdlBuilder::Add(MdlNode node, int parent)
{
    Nodes.push_back(std::move(node));
    const int index = static_cast<int>(Nodes.size()) - 1;
    if (parent >= 0)
        Nodes.at(static_cast<std::size_t>(parent)).Children.push_back(index);
    return index;
}

std::vector<float> MdlBuilder::Placement(std::array<float, 3> position, std::array<float, 4> quaternion)
{
    // A one-row position controller's value at +4, an orientation's at +20.
    return {0, position[0], position[1], position[2], 0, quaternion[0], quaternion[1], quaternion[2], quaternion[3]};
}

std::string MdlBuilder::Build() const
{
    std::vector<NodePlace> places(Nodes.size());
    ByteBuilder out;
    out.Zeros(FileHeaderSize);
    out.Fixed({}, ModelHeaderSize); // filled in below

    // Model data: each node's header (filled in once the raw data is placed),
    // child list, controller data and face list.
    for (std::size_t i = 0; i < Nodes.size(); ++i) {
        const MdlNode &node = Nodes[i];
        NodePlace &place = places[i];
        place.Header = static_cast<std::uint32_t>(out.Size());
        out.Zeros(node.HeaderSize);
        place.Children = static_cast<std::uint32_t>(out.Size());
        out.Zeros(4 * node.Children.size());
        if (!node.Controllers.empty()) {
            place.Controllers = static_cast<std::uint32_t>(out.Size());
            F32s(out, node.Controllers.data(), node.Controllers.size());
        }
        place.FaceList = static_cast<std::uint32_t>(out.Size());
        if (!node.Faces.empty())
            out.Zeros(4);
    }

    const auto rawStart = static_cast<std::uint32_t>(out.Size());
    auto rawOffset = [&] { return static_cast<std::uint32_t>(out.Size()) - rawStart; };
    for (std::size_t i = 0; i < Nodes.size(); ++i) {
        const MdlNode &node = Nodes[i];
        NodePlace &place = places[i];
        place.VertexData = rawOffset();
        for (const auto &vertex : node.Vertices)
            F32s(out, vertex.data(), 3);
        place.FaceData = rawOffset();
        for (const auto &face : node.Faces)
            out.U16(face[0]).U16(face[1]).U16(face[2]);
        place.TexCoordData = rawOffset();
        for (const auto &uv : node.TexCoords)
            F32s(out, uv.data(), 2);
        if (!node.Constraints.empty() || !node.AabbEntries.empty())
            place.ExtraData = rawOffset();
        F32s(out, node.Constraints.data(), node.Constraints.size());
        for (const auto &entry : node.AabbEntries)
            for (std::uint32_t value : entry)
                out.U32(value);
    }

    std::string bytes = out.Take();
    auto put = [&bytes](std::uint32_t position, std::string_view data) {
        if (position + data.size() > bytes.size())
            throw std::logic_error("MdlBuilder: a patch lies past the end of the file");
        std::memcpy(bytes.data() + position, data.data(), data.size());
    };
    auto u32 = [](std::uint32_t value) { return ByteBuilder().U32(value).Take(); };

    put(4, u32(rawStart - FileHeaderSize));
    put(8, u32(static_cast<std::uint32_t>(bytes.size()) - rawStart));
    put(FileHeaderSize + 0x08, ByteBuilder().Fixed(Name, 32).Data());
    if (!Nodes.empty())
        put(FileHeaderSize + 0x48, u32(ModelOffset(places.at(static_cast<std::size_t>(Root)).Header)));
    put(FileHeaderSize + 0xA8, ByteBuilder().Fixed(SuperModel, 50).Data());
    for (std::size_t i = 0; i < Nodes.size(); ++i) {
        const MdlNode &node = Nodes[i];
        const NodePlace &place = places[i];
        put(place.Header, NodeHeader(node, place));
        for (std::size_t c = 0; c < node.Children.size(); ++c)
            put(place.Children + static_cast<std::uint32_t>(4 * c),
                u32(ModelOffset(places.at(static_cast<std::size_t>(node.Children[c])).Header)));
        if (!node.Faces.empty())
            put(place.FaceList, u32(place.FaceData));
    }
    return bytes;
}

std::string MdlText(std::initializer_list<std::string_view> lines)
{
    std::string text;
    for (std::string_view line : lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace testdata
