// Builds binary models byte by byte from the file layout: a 12-byte file
// header (0, raw-data offset, raw-data size), the model data (the model
// header, then for each node its header, child offset list, controller data
// and face list), then the raw data (vertices, face indices, texture
// coordinates, constraints, aabb trees). Model offsets count from byte 12,
// raw offsets from the start of the raw data. Also the text of ASCII models.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testdata {

// The two routine addresses at the start of a node header that give its kind.
struct MdlKind {
    std::uint32_t A = 0;
    std::uint32_t B = 0;
};

namespace mdlkind {
inline constexpr MdlKind Dummy{0x0040CB70, 0x0040CBD0};
inline constexpr MdlKind Emitter{0x0040CB70, 0x0040D9B0};
inline constexpr MdlKind Other{0x0040CB70, 0x00401000}; // a plain node with another second address
inline constexpr MdlKind Trimesh{0x0040D460, 0};
inline constexpr MdlKind Trimesh2{0x0040D710, 0};
inline constexpr MdlKind Trimesh3{0x0040E2E0, 0};
inline constexpr MdlKind Light{0x0040DB70, 0};
inline constexpr MdlKind Danglymesh{0x0040E040, 0};
inline constexpr MdlKind Aabb{0x0040E660, 0};
inline constexpr MdlKind Unknown{0x00400000, 0x0040CBD0};
} // namespace mdlkind

struct MdlNode {
    MdlKind Kind = mdlkind::Dummy;
    std::string Name;                  // 32-byte field
    std::vector<int> Children;         // positions in MdlBuilder::Nodes, in order
    std::vector<float> Controllers;    // controller data, written when not empty (see Placement)

    // Mesh kinds (trimesh, danglymesh, aabb).
    std::string Texture;               // 16-byte field; 22 bytes for emitters
    std::array<float, 3> Diffuse{};
    std::array<float, 3> Ambient{};
    std::array<float, 3> Specular{};
    float Shininess = 0;
    std::vector<std::array<float, 3>> Vertices;
    std::vector<std::array<std::uint16_t, 3>> Faces;
    std::uint16_t TextureSets = 1;
    std::vector<std::array<float, 2>> TexCoords; // written when not empty
    std::vector<float> Constraints;              // danglymesh, at the extra-data offset
    std::vector<std::array<std::uint32_t, 10>> AabbEntries; // aabb, at the extra-data offset

    // Emitters.
    std::string Update, Render, Blend; // 32-byte fields
    std::uint32_t XGrid = 0, YGrid = 0;

    // Lights: the values at 0x124, 0x12C, 0x130 and 0x134.
    std::array<float, 4> LightValues{};

    // Deliberately odd files: values written over the finished header (offset
    // inside the header, value), and a header cut to fewer bytes.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> HeaderU32;
    std::vector<std::pair<std::uint32_t, std::uint16_t>> HeaderU16;
    std::size_t HeaderSize = 628;
};

class MdlBuilder {
public:
    static constexpr std::uint32_t FileHeaderSize = 12;
    static constexpr std::uint32_t ModelHeaderSize = 220;
    static constexpr std::uint32_t NodeHeaderSize = 628;

    std::string Name;       // 32-byte field
    std::string SuperModel; // 50-byte field
    std::vector<MdlNode> Nodes;
    int Root = 0;

    // Appends a node, listed as the last child of parent (-1: none); returns its position.
    int Add(MdlNode node, int parent = -1);
    // Controller data holding a position and an orientation quaternion (x, y, z, w).
    static std::vector<float> Placement(std::array<float, 3> position, std::array<float, 4> quaternion);

    std::string Build() const;
};

// ASCII model text: the lines joined, each ended by CR LF.
std::string MdlText(std::initializer_list<std::string_view> lines);

} // namespace testdata
