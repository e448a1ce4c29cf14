// A model (MDL file, binary or ASCII): its header, its node tree with mesh,
// light and emitter data, its materials and (ASCII only) its animations, read
// and prepared by CMDL::Open. Names stay the bytes the file holds (game text);
// they are decoded only to be shown. A damaged file raises EFileError naming
// it and leaves the model empty: nothing it says is trusted before it has been
// checked against the file.
#pragma once

#include "model/UCMatrix.h"
#include "model/UGeometry.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

class CKEY_FILE;
class CMOD;
class CGameTextCodec;

enum TNodeType : std::uint8_t {
    ntDummy = 0,
    ntTrimesh = 1,
    ntEmitter = 2,
    ntLight = 3,
    ntAabb = 4,
    ntDanglymesh = 5,
    ntOther = 6,
};

struct TFace {
    std::int32_t V0 = 0, V1 = 0, V2 = 0; // indices into Vertices
    std::int32_t Group = 0;
    std::int32_t T0 = 0, T1 = 0, T2 = 0; // indices into TexVertices
    std::int32_t Tag = 1;
};

struct TTexVertex {
    float U = 0, V = 0, W = 0;
};

// One entry of an aabb node's tree: the box, then what follows it. Binary
// models keep the four 32-bit values after the box as read; ASCII models give
// one integer, kept in Links[0].
struct TAabbEntry {
    std::array<float, 6> Box{};
    std::array<std::uint32_t, 4> Links{};
};

struct TMesh {
    std::vector<TFace> Faces;
    std::vector<TVector3D> Vertices;
    std::vector<TTexVertex> TexVertices;
    std::vector<float> Constraints;     // danglymesh: one per vertex
    std::vector<TAabbEntry> AabbTree;   // aabb

    // A face whose indices all name entries of the lists. Faces that do not
    // stay in the records but are never drawn; texture indices count only
    // when the mesh has texture vertices.
    bool FaceIsDrawable(const TFace &face) const;
};

struct TLight {
    float Radius = 0;
    std::array<float, 3> Values{}; // the three values after the radius
    std::int32_t AmbientOnly = 0;
    std::int32_t IsDynamic = 0;
    std::int32_t AffectDynamic = 0;
    std::int32_t Shadow = 0;
    std::int32_t LightPriority = 0;
};

struct TEmitter {
    std::array<float, 3> Triple1{};
    std::array<float, 3> Triple2{};
    std::array<float, 23> Values{};
    std::string Update;
    std::string Render;
    std::string Blend;
    std::int32_t MaterialIndex = -1; // into Materials
    std::uint32_t XGrid = 0;
    std::uint32_t YGrid = 0;
    float LastValue = 0;
};

struct TMaterial {
    std::string Name; // the texture name as the model writes it; "NULL" for none
};

struct TNode {
    std::string Name;
    std::int32_t Parent = -1; // index into Nodes, always below the node's own
    TNodeType NodeType = ntOther;
    std::int32_t MaterialIndex = -1; // into Materials
    bool RenderFlag = true;          // the mesh's faces may be drawn
    std::array<float, 4> Ambient{};  // R, G, B, A
    std::array<float, 4> Diffuse{};
    std::array<float, 4> Specular{};
    float Shininess = 1;
    std::array<float, 3> WireColor{};
    std::array<float, 3> Position{};    // relative to the parent
    std::array<float, 4> Orientation{}; // angle in degrees, then the axis X, Y, Z
    TMatrix Matrix{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // world transform
    std::variant<std::monostate, TMesh, TEmitter, TLight> Data;

    TMesh *Mesh() { return std::get_if<TMesh>(&Data); }
    const TMesh *Mesh() const { return std::get_if<TMesh>(&Data); }
    const TEmitter *Emitter() const { return std::get_if<TEmitter>(&Data); }
    const TLight *Light() const { return std::get_if<TLight>(&Data); }
};

struct TPositionKey {
    float Time = 0;
    float X = 0, Y = 0, Z = 0;
};

struct TOrientationKey {
    float Time = 0;
    std::array<float, 4> Values{}; // the four values as written
};

struct TAnimNode {
    std::string Name;
    std::int32_t Parent = -1; // index into the animation's Nodes
    std::vector<TPositionKey> PositionKeys;
    std::vector<TOrientationKey> OrientationKeys;
};

struct TAnim {
    std::string Name;
    float Length = 0;
    float TransTime = 0;
    std::vector<TAnimNode> Nodes;
};

struct TModel {
    std::string Name;
    std::string SuperModel;
    std::string FileDependency; // ASCII only
    std::string Classification; // ASCII only
    float AnimationScale = 1;
    std::vector<TNode> Nodes;      // parents before their children
    std::vector<TAnim> Animations; // ASCII only
    std::vector<TMaterial> Materials;
};

class CMDL : public TModel {
public:
    bool ShowSkeleton = false;
    std::int32_t SelectedNode = -1; // index into Nodes of the highlighted node
    bool Blending = true;
    bool Loaded = false;
    std::string ModelPath;

    // Reads the model at path and prepares it: node world matrices, materials
    // reduced to one per name. False when there is no such file. A damaged
    // file raises EFileError naming it; the model is then empty.
    bool Open(const std::string &path);
    void Clear();

    // Whether node i is drawn with its material: a mesh kind with a material
    // that is not the selected node. The others are drawn flat purple.
    bool TakesMaterial(std::size_t node) const;

    // Where the parent's origin lies in node i's own frame: the end of the
    // node's skeleton line. Zero for a top node.
    TVector3D ParentOriginInFrame(std::size_t node) const;

    std::vector<std::string> AnimationNames() const;
    std::vector<std::string> NodeNames() const;

    // The preparation steps Open runs after reading.
    void ComputeNodeMatrices();
    void DeduplicateMaterials();

private:
    // The readers fill the records from the file's bytes; path names the file
    // in their messages. LoadAscii lives with the tokenizer (UCMDLTOKEN).
    void LoadBinary(const std::string &path, const std::string &bytes);
    void LoadAscii(const std::string &path, const std::string &bytes);
};

// A trimesh or danglymesh whose faces may be drawn: the nodes whose faces
// are compiled for drawing. Other kinds show only in the skeleton.
bool HasDrawnFaces(const TNode &node);
// The normal of a drawable face, (P2 - P1) x (P0 - P1) made unit length
// (zero for a face without area).
TVector3D FaceNormal(const TMesh &mesh, const TFace &face);
// Whether a textured material is drawn blended: its name holds "water" or
// "alpha" (any letter case) or its texture has alpha, and blending is allowed.
bool MaterialBlends(const std::string &name, bool textureHasAlpha, bool blendingAllowed);

// A material's picture and its type: "TGA", "PLT" or "DDS".
struct TMaterialPicture {
    std::string Bytes;
    std::string Type;
};

// Looks a material's picture up in the first source given: the game's KEY/BIF
// archives, an ERF-family archive, or else the folder of the model file
// (name + ".tga", then ".plt", then ".dds", in any letter case; the name
// decoded with the game's codec, or codec when given). In archives too a TGA
// is looked for first, then a PLT, then a DDS of the same name. The name
// "NULL" has no picture.
std::optional<TMaterialPicture> FindMaterialPicture(const std::string &name, const CKEY_FILE *key,
                                                    const CMOD *erf, const std::string &modelPath,
                                                    const CGameTextCodec *codec = nullptr);
