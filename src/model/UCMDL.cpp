#include "model/UCMDL.h"

#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "app/UText.h"
#include "app/UUtil.h"
#include "archives/UCKEYV1.h"
#include "archives/UCMOD.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <numbers>
#include <unordered_map>
#include <unordered_set>

namespace {

// Binary models: a 12-byte file header (0, raw-data offset, raw-data size),
// then the model data, addressed by "model offsets" counted from byte 12,
// then the raw data (vertices, face indices ...), addressed by "raw offsets"
// counted from the raw-data start.
constexpr std::uint64_t kFileHeaderSize = 12;
constexpr std::uint64_t kRawDataOffsetField = 4;

// Model header, at model offset 0.
constexpr std::size_t kModelName = 0x08;
constexpr std::size_t kModelNameWidth = 32;
constexpr std::size_t kRootNode = 0x48;
constexpr std::size_t kSuperModel = 0xA8;
constexpr std::size_t kSuperModelWidth = 50;
constexpr std::size_t kModelHeaderUsed = kSuperModel + kSuperModelWidth;

// Node header fields.
constexpr std::size_t kSignatureA = 0x00;
constexpr std::size_t kSignatureB = 0x04;
constexpr std::size_t kNodeName = 0x20;
constexpr std::size_t kNodeNameWidth = 32;
constexpr std::size_t kChildArray = 0x48;
constexpr std::size_t kChildCount = 0x4C;
constexpr std::size_t kControllerData = 0x60;
constexpr std::size_t kFaceCount = 0x7C;
constexpr std::size_t kXGrid = 0x7C;
constexpr std::size_t kYGrid = 0x80;
constexpr std::size_t kUpdate = 0x88;
constexpr std::size_t kRender = 0xA8;
constexpr std::size_t kBlend = 0xC8;
constexpr std::size_t kEmitterTextWidth = 32;
constexpr std::size_t kDiffuse = 0xAC;
constexpr std::size_t kAmbient = 0xB8;
constexpr std::size_t kSpecular = 0xC4;
constexpr std::size_t kShininess = 0xD0;
constexpr std::size_t kTexture = 0xE8;
constexpr std::size_t kMeshTextureWidth = 16;
constexpr std::size_t kEmitterTextureWidth = 22;
constexpr std::size_t kLightRadius = 0x124;
constexpr std::size_t kLightValues = 0x12C; // three floats
constexpr std::size_t kFaceArray = 0x210;   // model offset of an array whose first value is the face data's raw offset
constexpr std::size_t kVertexArray = 0x22C;
constexpr std::size_t kVertexCount = 0x230; // signed 16-bit
constexpr std::size_t kTextureSets = 0x232;
constexpr std::size_t kTexCoords = 0x234;
constexpr std::size_t kExtraData = 0x270; // danglymesh constraints, aabb tree; 0 none

// The part of a node header each kind reads. Nodes may lie closer than a
// whole header to the end of the file; only the fields used must be there.
constexpr std::size_t kBaseFieldsEnd = kControllerData + 4;
constexpr std::size_t kMeshFieldsEnd = kExtraData + 4;
constexpr std::size_t kEmitterFieldsEnd = kTexture + kEmitterTextureWidth;
constexpr std::size_t kLightFieldsEnd = kLightValues + 12;

// Controller data: a one-row position, then a one-row orientation quaternion.
constexpr std::uint64_t kPositionInControllers = 4;
constexpr std::uint64_t kQuaternionInControllers = 20;
constexpr std::size_t kEmitterControllerValues = 66;

constexpr std::uint64_t kVertexBytes = 12;
constexpr std::uint64_t kFaceIndexBytes = 6;
constexpr std::uint64_t kTexCoordBytes = 8;
constexpr std::uint64_t kAabbEntryBytes = 40;

// Kind signatures: the routine addresses at the start of a node header.
constexpr std::uint32_t kPlainNodeA = 0x0040CB70;
constexpr std::uint32_t kDummyB = 0x0040CBD0;
constexpr std::uint32_t kEmitterB = 0x0040D9B0;
constexpr std::uint32_t kTrimeshA[] = {0x0040D460, 0x0040D710, 0x0040E2E0};
constexpr std::uint32_t kLightA = 0x0040DB70;
constexpr std::uint32_t kDanglymeshA = 0x0040E040;
constexpr std::uint32_t kAabbA = 0x0040E660;

// Deeper trees are refused: real models nest a few dozen levels at most.
constexpr int kMaxNodeDepth = 256;

TNodeType KindOf(std::uint32_t a, std::uint32_t b)
{
    if (a == kPlainNodeA)
        return b == kDummyB ? ntDummy : b == kEmitterB ? ntEmitter : ntOther;
    for (std::uint32_t trimesh : kTrimeshA)
        if (a == trimesh)
            return ntTrimesh;
    switch (a) {
    case kLightA: return ntLight;
    case kDanglymeshA: return ntDanglymesh;
    case kAabbA: return ntAabb;
    default: return ntOther;
    }
}

std::size_t FieldsEnd(TNodeType kind)
{
    switch (kind) {
    case ntTrimesh:
    case ntDanglymesh:
    case ntAabb: return kMeshFieldsEnd;
    case ntEmitter: return kEmitterFieldsEnd;
    case ntLight: return kLightFieldsEnd;
    default: return kBaseFieldsEnd;
    }
}

std::string Offset(std::uint64_t offset)
{
    return "offset " + std::to_string(offset);
}

// Reads a binary model held in memory. Every offset and count is checked
// against the file before it is used: a count is trusted only once its data
// fits in the file.
class CMdlBinaryReader {
public:
    CMdlBinaryReader(CMDL &model, const std::string &path, const std::string &bytes)
        : m_model(model), m_path(path), m_bytes(bytes), m_arrayBudget(bytes.size())
    {
    }

    void Read();

private:
    struct TListedNode {
        std::uint32_t Offset; // model offset
        std::int32_t Parent;
        int Depth;
    };

    [[noreturn]] void Damaged(const std::string &what) const
    {
        throw EFileError("\"" + m_path + "\" is damaged: " + what);
    }
    bool Holds(std::uint64_t position, std::uint64_t count) const
    {
        return position <= m_bytes.size() && count <= m_bytes.size() - position;
    }
    const unsigned char *At(std::uint64_t position) const
    {
        return reinterpret_cast<const unsigned char *>(m_bytes.data()) + position;
    }
    std::uint32_t U32(std::uint64_t position) const { return ReadU32LE(At(position)); }
    float F32(std::uint64_t position) const { return std::bit_cast<float>(U32(position)); }
    // The float at position, 0 past the end of the file.
    float F32OrZero(std::uint64_t position) const { return Holds(position, 4) ? F32(position) : 0.0f; }
    // Where an array of count entries of width bytes starts in the file; the
    // whole array must lie inside it. Arrays add up to no more than the file:
    // nodes that share their data cannot multiply a small file's contents.
    std::uint64_t Array(std::uint64_t position, std::uint64_t count, std::uint64_t width, const char *what,
                        std::uint32_t node)
    {
        if (count > m_bytes.size() / width || !Holds(position, count * width))
            Damaged("the " + std::string(what) + " of the node at " + Offset(node) + " (" +
                    std::to_string(count) + " entries) lie past its end");
        if (count * width > m_arrayBudget)
            Damaged("the nodes use more data than the file holds (the node at " + Offset(node) +
                    " shares its " + what + ")");
        m_arrayBudget -= count * width;
        return position;
    }
    std::uint64_t RawPosition(std::uint32_t rawOffset) const { return m_rawStart + rawOffset; }

    TNode ReadNode(std::uint32_t offset, std::int32_t parent);
    void ReadPlacement(TNode &node, std::uint64_t header, std::uint32_t offset);
    void ReadMesh(TNode &node, std::uint64_t header, std::uint32_t offset);
    void ReadEmitter(TNode &node, std::uint64_t header);
    void ReadLight(TNode &node, std::uint64_t header);
    void ListChildren(std::uint64_t header, std::uint32_t offset, std::int32_t index, int depth);

    CMDL &m_model;
    const std::string &m_path;
    const std::string &m_bytes;
    std::uint64_t m_rawStart = 0;
    std::uint64_t m_arrayBudget;
    std::vector<TListedNode> m_pending; // listed, not yet read; the next one last
    std::unordered_set<std::uint32_t> m_listed;
};

void CMdlBinaryReader::Read()
{
    if (m_bytes.size() < kFileHeaderSize)
        Damaged("it is shorter than the " + std::to_string(kFileHeaderSize) + "-byte header of a model");
    m_rawStart = kFileHeaderSize + U32(kRawDataOffsetField);
    if (!Holds(kFileHeaderSize, kModelHeaderUsed))
        Damaged("the model header lies past its end");
    const unsigned char *header = At(kFileHeaderSize);
    m_model.Name = FixedName(header + kModelName, kModelNameWidth);
    m_model.SuperModel = FixedName(header + kSuperModel, kSuperModelWidth);

    // Depth first, children in the order of their parent's array; a node
    // listed twice would make the tree loop back on itself.
    const std::uint32_t root = ReadU32LE(header + kRootNode);
    m_listed.insert(root);
    m_pending.push_back({root, -1, 1});
    while (!m_pending.empty()) {
        const TListedNode next = m_pending.back();
        m_pending.pop_back();
        m_model.Nodes.push_back(ReadNode(next.Offset, next.Parent));
        ListChildren(kFileHeaderSize + next.Offset, next.Offset, std::int32_t(m_model.Nodes.size() - 1),
                     next.Depth);
    }
}

void CMdlBinaryReader::ListChildren(std::uint64_t header, std::uint32_t offset, std::int32_t index, int depth)
{
    const std::uint32_t count = U32(header + kChildCount);
    if (count == 0)
        return;
    if (depth >= kMaxNodeDepth)
        Damaged("its nodes are nested more than " + std::to_string(kMaxNodeDepth) + " levels deep");
    const std::uint64_t array = kFileHeaderSize + U32(header + kChildArray);
    if (!Holds(array, 4 * std::uint64_t(count)))
        Damaged("the child list of the node at " + Offset(offset) + " (" + std::to_string(count) +
                " children) lies past its end");
    // Nodes cannot overlap in a whole file, so there are at most this many.
    const std::size_t maxNodes = (m_bytes.size() - kFileHeaderSize) / kBaseFieldsEnd;
    const std::size_t firstChild = m_pending.size();
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t child = U32(array + 4 * std::uint64_t(i));
        if (!m_listed.insert(child).second)
            Damaged("the node at " + Offset(child) + " is listed twice: the node tree loops back on itself");
        if (m_listed.size() > maxNodes)
            Damaged("it lists more nodes than it can hold");
        m_pending.push_back({child, index, depth + 1});
    }
    std::reverse(m_pending.begin() + std::ptrdiff_t(firstChild), m_pending.end());
}

TNode CMdlBinaryReader::ReadNode(std::uint32_t offset, std::int32_t parent)
{
    const std::uint64_t header = kFileHeaderSize + offset;
    if (!Holds(header, kBaseFieldsEnd))
        Damaged("the node at " + Offset(offset) + " lies past its end");
    TNode node;
    node.Parent = parent;
    node.Name = FixedName(At(header + kNodeName), kNodeNameWidth);
    node.NodeType = KindOf(U32(header + kSignatureA), U32(header + kSignatureB));
    if (!Holds(header, FieldsEnd(node.NodeType)))
        Damaged("the node at " + Offset(offset) + " is cut short by the end of the file");
    ReadPlacement(node, header, offset);
    switch (node.NodeType) {
    case ntTrimesh:
    case ntDanglymesh:
    case ntAabb: ReadMesh(node, header, offset); break;
    case ntEmitter: ReadEmitter(node, header); break;
    case ntLight: ReadLight(node, header); break;
    default: break;
    }
    return node;
}

void CMdlBinaryReader::ReadPlacement(TNode &node, std::uint64_t header, std::uint32_t offset)
{
    const std::uint32_t controllers = U32(header + kControllerData);
    if (controllers == 0)
        return;
    // The data may end early when it is the last thing in the file: values
    // past the end count as 0.
    const std::uint64_t data = kFileHeaderSize + controllers;
    if (!Holds(data, 1))
        Damaged("the position of the node at " + Offset(offset) + " lies past its end");
    for (std::size_t i = 0; i < 3; ++i)
        node.Position[i] = F32OrZero(data + kPositionInControllers + 4 * i);
    TQuaternion quaternion;
    for (std::size_t i = 0; i < 4; ++i)
        quaternion[i] = F32OrZero(data + kQuaternionInControllers + 4 * i);
    TAxisAngle axisAngle;
    QuaternionToAxisAngle(quaternion, axisAngle);
    node.Orientation = {float(axisAngle[3] * 180.0 / std::numbers::pi), axisAngle[0], axisAngle[1], axisAngle[2]};
}

void CMdlBinaryReader::ReadMesh(TNode &node, std::uint64_t header, std::uint32_t offset)
{
    TMesh mesh;
    m_model.Materials.push_back({FixedName(At(header + kTexture), kMeshTextureWidth)});
    node.MaterialIndex = std::int32_t(m_model.Materials.size() - 1);
    for (std::size_t i = 0; i < 3; ++i) {
        node.Ambient[i] = F32(header + kAmbient + 4 * i);
        node.Diffuse[i] = F32(header + kDiffuse + 4 * i);
        node.Specular[i] = F32(header + kSpecular + 4 * i);
    }
    node.Shininess = F32(header + kShininess);

    const std::int16_t signedVertexCount = std::int16_t(ReadU16LE(At(header + kVertexCount)));
    const std::uint64_t vertexCount = signedVertexCount > 0 ? std::uint64_t(signedVertexCount) : 0;
    if (vertexCount > 0) {
        const std::uint64_t at =
            Array(RawPosition(U32(header + kVertexArray)), vertexCount, kVertexBytes, "vertices", offset);
        mesh.Vertices.resize(vertexCount);
        for (std::uint64_t v = 0; v < vertexCount; ++v)
            mesh.Vertices[v] = {F32(at + kVertexBytes * v), F32(at + kVertexBytes * v + 4),
                                F32(at + kVertexBytes * v + 8)};
    }

    const std::uint16_t textureSets = ReadU16LE(At(header + kTextureSets));
    const std::uint32_t faceCount = U32(header + kFaceCount);
    const bool textured = textureSets == 1 && faceCount > 0;
    if (faceCount > 0) {
        const std::uint64_t faceArray = kFileHeaderSize + U32(header + kFaceArray);
        if (!Holds(faceArray, 4))
            Damaged("the face list of the node at " + Offset(offset) + " lies past its end");
        const std::uint64_t at =
            Array(RawPosition(U32(faceArray)), faceCount, kFaceIndexBytes, "faces", offset);
        mesh.Faces.resize(faceCount);
        for (std::uint64_t f = 0; f < faceCount; ++f) {
            const unsigned char *indices = At(at + kFaceIndexBytes * f);
            TFace &face = mesh.Faces[f];
            face.V0 = ReadU16LE(indices);
            face.V1 = ReadU16LE(indices + 2);
            face.V2 = ReadU16LE(indices + 4);
            face.Group = 1;
            if (textured) {
                face.T0 = face.V0;
                face.T1 = face.V1;
                face.T2 = face.V2;
            }
        }
    }
    if (!textured)
        node.RenderFlag = false;

    if (textureSets == 1 && vertexCount > 0) {
        const std::uint64_t at = Array(RawPosition(U32(header + kTexCoords)), vertexCount, kTexCoordBytes,
                                       "texture coordinates", offset);
        mesh.TexVertices.resize(vertexCount);
        for (std::uint64_t v = 0; v < vertexCount; ++v)
            mesh.TexVertices[v] = {F32(at + kTexCoordBytes * v), F32(at + kTexCoordBytes * v + 4), 0.0f};
    }

    const std::uint32_t extra = U32(header + kExtraData);
    if (extra != 0 && node.NodeType == ntDanglymesh && vertexCount > 0) {
        const std::uint64_t at = Array(RawPosition(extra), vertexCount, 4, "constraints", offset);
        mesh.Constraints.resize(vertexCount);
        for (std::uint64_t v = 0; v < vertexCount; ++v)
            mesh.Constraints[v] = F32(at + 4 * v);
    }
    if (extra != 0 && node.NodeType == ntAabb && faceCount > 0) {
        const std::uint64_t entries = 2 * std::uint64_t(faceCount) - 1;
        const std::uint64_t at = Array(RawPosition(extra), entries, kAabbEntryBytes, "aabb tree", offset);
        mesh.AabbTree.resize(entries);
        for (std::uint64_t e = 0; e < entries; ++e) {
            const std::uint64_t entry = at + kAabbEntryBytes * e;
            for (std::size_t i = 0; i < 6; ++i)
                mesh.AabbTree[e].Box[i] = F32(entry + 4 * i);
            for (std::size_t i = 0; i < 4; ++i)
                mesh.AabbTree[e].Links[i] = U32(entry + 24 + 4 * i);
        }
    }
    node.Data = std::move(mesh);
}

void CMdlBinaryReader::ReadEmitter(TNode &node, std::uint64_t header)
{
    // The emitter's values sit at fixed places of its controller data (of
    // the model header when it has none); values past the end count as 0.
    const std::uint64_t data = kFileHeaderSize + U32(header + kControllerData);
    std::array<float, kEmitterControllerValues> c{};
    for (std::size_t i = 0; i < c.size(); ++i)
        c[i] = F32OrZero(data + 4 * i);
    TEmitter emitter;
    emitter.Triple1 = {c[10], c[11], c[12]};
    emitter.Triple2 = {c[14], c[15], c[16]};
    for (std::size_t i = 0; i < 19; ++i)
        emitter.Values[i] = c[18 + 2 * i];
    for (std::size_t i = 0; i < 4; ++i)
        emitter.Values[19 + i] = c[58 + 2 * i];
    emitter.LastValue = c[56];
    emitter.Update = FixedName(At(header + kUpdate), kEmitterTextWidth);
    emitter.Render = FixedName(At(header + kRender), kEmitterTextWidth);
    emitter.Blend = FixedName(At(header + kBlend), kEmitterTextWidth);
    emitter.XGrid = U32(header + kXGrid);
    emitter.YGrid = U32(header + kYGrid);
    m_model.Materials.push_back({FixedName(At(header + kTexture), kEmitterTextureWidth)});
    emitter.MaterialIndex = std::int32_t(m_model.Materials.size() - 1);
    node.Data = std::move(emitter);
}

void CMdlBinaryReader::ReadLight(TNode &node, std::uint64_t header)
{
    TLight light;
    light.Radius = F32(header + kLightRadius);
    for (std::size_t i = 0; i < 3; ++i)
        light.Values[i] = F32(header + kLightValues + 4 * i);
    light.AmbientOnly = light.IsDynamic = light.AffectDynamic = light.Shadow = light.LightPriority = 1;
    node.Data = light;
}

bool IsInside(std::int32_t index, std::size_t size)
{
    return index >= 0 && std::size_t(index) < size;
}

} // namespace

bool TMesh::FaceIsDrawable(const TFace &face) const
{
    const std::size_t vertices = Vertices.size();
    if (!IsInside(face.V0, vertices) || !IsInside(face.V1, vertices) || !IsInside(face.V2, vertices))
        return false;
    const std::size_t texVertices = TexVertices.size();
    return texVertices == 0 ||
           (IsInside(face.T0, texVertices) && IsInside(face.T1, texVertices) && IsInside(face.T2, texVertices));
}

bool HasDrawnFaces(const TNode &node)
{
    return (node.NodeType == ntTrimesh || node.NodeType == ntDanglymesh) && node.RenderFlag && node.Mesh();
}

TVector3D FaceNormal(const TMesh &mesh, const TFace &face)
{
    const TVector3D &p1 = mesh.Vertices[std::size_t(face.V1)];
    TVector3D a = mesh.Vertices[std::size_t(face.V2)];
    TVector3D b = mesh.Vertices[std::size_t(face.V0)];
    a.Subtract(p1);
    b.Subtract(p1);
    TVector3D normal = Cross(a, b);
    normal.Normalize();
    return normal;
}

bool MaterialBlends(const std::string &name, bool textureHasAlpha, bool blendingAllowed)
{
    const std::string lower = LowerCaseAscii(name);
    const bool blended = lower.find("water") != std::string::npos || lower.find("alpha") != std::string::npos ||
                         textureHasAlpha;
    return blended && blendingAllowed;
}

bool CMDL::TakesMaterial(std::size_t node) const
{
    if (node >= Nodes.size() || std::int64_t(node) == SelectedNode)
        return false;
    const TNode &n = Nodes[node];
    return (n.NodeType == ntTrimesh || n.NodeType == ntDanglymesh) && n.MaterialIndex >= 0 &&
           std::size_t(n.MaterialIndex) < Materials.size();
}

TVector3D CMDL::ParentOriginInFrame(std::size_t node) const
{
    if (node >= Nodes.size() || Nodes[node].Parent < 0 || std::size_t(Nodes[node].Parent) >= Nodes.size())
        return {};
    // World matrices only turn and move, so the inverse turns back by the
    // transpose: R^T (p - t).
    const TMatrix &m = Nodes[node].Matrix;
    const TMatrix &parent = Nodes[std::size_t(Nodes[node].Parent)].Matrix;
    const float d[3] = {parent[12] - m[12], parent[13] - m[13], parent[14] - m[14]};
    auto column = [&](int c) { return m[c * 4] * d[0] + m[c * 4 + 1] * d[1] + m[c * 4 + 2] * d[2]; };
    return {column(0), column(1), column(2)};
}

void CMDL::Clear()
{
    static_cast<TModel &>(*this) = TModel();
    SelectedNode = -1;
    ShowSkeleton = false;
    Loaded = false;
    ModelPath.clear();
}

bool CMDL::Open(const std::string &path)
{
    Clear();
    if (!FileExists(path))
        return false;
    ModelPath = path;
    try {
        const std::string bytes = ReadWholeFile(path);
        // A first 32-bit word of 0 marks a binary model; missing bytes count as 0.
        char first[4] = {};
        std::memcpy(first, bytes.data(), std::min<std::size_t>(bytes.size(), 4));
        if (ReadU32LE(reinterpret_cast<const unsigned char *>(first)) == 0)
            LoadBinary(path, bytes);
        else
            LoadAscii(path, bytes);
        ComputeNodeMatrices();
        DeduplicateMaterials();
    } catch (...) {
        Clear();
        throw;
    }
    Loaded = true;
    return true;
}

void CMDL::LoadBinary(const std::string &path, const std::string &bytes)
{
    CMdlBinaryReader(*this, path, bytes).Read();
}

namespace {
template <typename TRecord>
std::vector<std::string> NamesOf(const std::vector<TRecord> &records)
{
    std::vector<std::string> names;
    names.reserve(records.size());
    for (const TRecord &record : records)
        names.push_back(record.Name);
    return names;
}
} // namespace

std::vector<std::string> CMDL::AnimationNames() const
{
    return NamesOf(Animations);
}

std::vector<std::string> CMDL::NodeNames() const
{
    return NamesOf(Nodes);
}

void CMDL::ComputeNodeMatrices()
{
    // A node's world matrix is its parent's followed by its own position and
    // orientation; a top node's own placement is never applied, so the top
    // node and its children start from the identity. Parents come before
    // their children, so each parent's matrix is ready when a child needs it.
    for (std::size_t i = 0; i < Nodes.size(); ++i) {
        TNode &node = Nodes[i];
        MatrixIdentity(node.Matrix);
        if (node.Parent < 0 || std::size_t(node.Parent) >= i)
            continue;
        TMatrix matrix = Nodes[std::size_t(node.Parent)].Matrix;
        MatrixTranslate(matrix, node.Position[0], node.Position[1], node.Position[2], matrix);
        MatrixRotate(matrix, node.Orientation[0], node.Orientation[1], node.Orientation[2], node.Orientation[3],
                     matrix);
        node.Matrix = matrix;
    }
}

void CMDL::DeduplicateMaterials()
{
    // One material per name (letter case counts); every node then takes the
    // first of them whose name equals its own ignoring case.
    std::vector<TMaterial> unique;
    std::unordered_set<std::string> kept;
    std::unordered_map<std::string, std::int32_t> firstIgnoringCase;
    for (const TMaterial &material : Materials)
        if (kept.insert(material.Name).second) {
            firstIgnoringCase.emplace(LowerCaseAscii(material.Name), std::int32_t(unique.size()));
            unique.push_back(material);
        }
    auto reindex = [&](std::int32_t &index) {
        if (index < 0)
            return;
        index = std::size_t(index) < Materials.size()
                    ? firstIgnoringCase.at(LowerCaseAscii(Materials[std::size_t(index)].Name))
                    : -1;
    };
    for (TNode &node : Nodes) {
        reindex(node.MaterialIndex);
        if (auto *emitter = std::get_if<TEmitter>(&node.Data))
            reindex(emitter->MaterialIndex);
    }
    Materials = std::move(unique);
}

std::optional<TMaterialPicture> FindMaterialPicture(const std::string &name, const CKEY_FILE *key,
                                                    const CMOD *erf, const std::string &modelPath,
                                                    const CGameTextCodec *codec)
{
    struct TPictureType {
        std::int32_t ResType;
        const char *Type;
        const char *Extension;
    };
    static const TPictureType kTypes[] = {{3, "TGA", "tga"}, {6, "PLT", "plt"}, {2033, "DDS", "dds"}};
    if (name == "NULL")
        return std::nullopt;
    for (const TPictureType &type : kTypes) {
        if (key) {
            const RKEY_LOCATION found = key->Find(name, type.ResType);
            if (found.Bif >= 0)
                return TMaterialPicture{key->ExtractToString(found.Bif, found.Index), type.Type};
        } else if (erf) {
            const int found = erf->Find(name, type.ResType);
            if (found >= 0)
                return TMaterialPicture{erf->ExtractToString(found), type.Type};
        } else {
            const std::string file = FindPathNoCase(
                ExtractFilePath(modelPath), ResourceFileName(name, type.Extension, codec ? *codec : GameTextCodec()));
            if (FileExists(file))
                return TMaterialPicture{ReadWholeFile(file), type.Type};
        }
    }
    return std::nullopt;
}
