#include "model/UCMDLTOKEN.h"

#include "app/UFileIO.h"
#include "app/UMemoryBudget.h"
#include "model/UCMDL.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace {

bool IsSeparator(char c)
{
    return c == '\0' || c == '\t' || c == '\n' || c == '\r' || c == ' ';
}

} // namespace

CMDLTOKEN::CMDLTOKEN(std::string_view text) : m_text(text.substr(0, text.find('\0'))) {}

std::string_view CMDLTOKEN::NextToken()
{
    const std::size_t size = m_text.size();
    while (m_position < size && IsSeparator(m_text[m_position])) {
        // A line ends with LF, CR LF or a lone CR.
        if (m_text[m_position] == '\n' || (m_text[m_position] == '\r' && (m_position + 1 == size ||
                                                                          m_text[m_position + 1] != '\n')))
            ++m_line;
        ++m_position;
    }
    const std::size_t start = m_position;
    while (m_position < size && !IsSeparator(m_text[m_position]))
        ++m_position;
    m_tokenLine = m_line;
    return std::string_view(m_text).substr(start, m_position - start);
}

std::optional<float> ParseModelFloat(std::string_view token)
{
    const bool negative = !token.empty() && token[0] == '-';
    if (!token.empty() && (token[0] == '-' || token[0] == '+'))
        token.remove_prefix(1);
    // Only a digit or the decimal mark may start the number: no "inf" or "nan".
    if (token.empty() || !(std::isdigit(static_cast<unsigned char>(token[0])) || token[0] == '.' || token[0] == ','))
        return std::nullopt;
    std::string text(token);
    for (char &c : text)
        if (c == ',')
            c = '.';
    double value = 0;
    const char *end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max())
        return std::nullopt;
    return float(negative ? -value : value);
}

std::optional<std::int32_t> ParseModelInteger(std::string_view token)
{
    if (!token.empty() && token[0] == '+')
        token.remove_prefix(1);
    if (token.empty() || token[0] == '+')
        return std::nullopt;
    std::int32_t value = 0;
    const auto result = std::from_chars(token.data(), token.data() + token.size(), value);
    if (result.ec != std::errc() || result.ptr != token.data() + token.size())
        return std::nullopt;
    return value;
}

namespace {

// The text ended where a value was required: the record being read is
// dropped, everything completed before it is kept.
struct TEndOfText {};

// Shown in a message: the start of a word, its unprintable bytes as '?'.
std::string Printable(std::string_view word)
{
    constexpr std::size_t kShownBytes = 40;
    std::string shown(word.substr(0, kShownBytes));
    for (char &c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7f)
            c = '?';
    return word.size() > kShownBytes ? shown + "..." : shown;
}

bool IsComment(std::string_view token)
{
    return !token.empty() && token[0] == '#';
}

bool IsMesh(TNodeType kind)
{
    return kind == ntTrimesh || kind == ntDanglymesh || kind == ntAabb;
}

constexpr std::size_t kPositionKeyValues = 4;    // time, X, Y, Z
constexpr std::size_t kOrientationKeyValues = 5; // time, four values

// A few words make a whole node, so a text of short nodes could take many
// times its size: the records read count against this much memory per byte
// of text and an allowance far beyond any model of the game.
constexpr std::uint64_t kModelBytesPerTextByte = 12;
constexpr std::uint64_t kModelBytesAllowance = std::uint64_t(48) << 20;
// What a name takes in a table of names besides its characters.
constexpr std::uint64_t kNameEntryBytes = 64;

class CMdlAsciiReader {
public:
    CMdlAsciiReader(CMDL &model, const std::string &path, const std::string &bytes)
        : m_model(model), m_path(path), m_tokens(bytes),
          m_budget(path, bytes.size(), kModelBytesPerTextByte, kModelBytesAllowance, "its nodes, meshes and animations")
    {
    }

    void Read();

private:
    void Next() { m_token = m_tokens.NextToken(); }
    bool AtEnd() const { return m_token.empty(); }
    std::string NextName()
    {
        Next();
        if (AtEnd())
            throw TEndOfText{};
        return std::string(m_token);
    }
    [[noreturn]] void Damaged(const std::string &what) const
    {
        throw EFileError("\"" + m_path + "\" is damaged: line " + std::to_string(m_tokens.Line()) + ": " + what);
    }
    [[noreturn]] void NotANumber(std::string_view keyword) const
    {
        Damaged("\"" + Printable(m_token) + "\" stands where " + std::string(keyword) + " needs a number");
    }
    float NextFloat(std::string_view keyword)
    {
        Next();
        if (AtEnd())
            throw TEndOfText{};
        const std::optional<float> value = ParseModelFloat(m_token);
        if (!value)
            NotANumber(keyword);
        return *value;
    }
    std::int32_t NextInteger(std::string_view keyword)
    {
        Next();
        if (AtEnd())
            throw TEndOfText{};
        const std::optional<std::int32_t> value = ParseModelInteger(m_token);
        if (!value)
            NotANumber(keyword);
        return *value;
    }
    template <std::size_t N>
    void NextFloats(std::string_view keyword, std::array<float, N> &values, std::size_t count = N)
    {
        for (std::size_t i = 0; i < count; ++i)
            values[i] = NextFloat(keyword);
    }
    std::array<float, 3> NextTriple(std::string_view keyword)
    {
        std::array<float, 3> values;
        NextFloats(keyword, values);
        return values;
    }
    // A count, then that many entries, each read by readEntry(keyword). The
    // entries are read one by one: a count alone reserves nothing.
    template <typename TReadEntry>
    void ReadCounted(std::string_view keyword, TReadEntry readEntry)
    {
        for (std::int32_t i = 0, count = NextInteger(keyword); i < count; ++i)
            readEntry(keyword);
    }

    void ReadGeometry();
    void ReadNode(TNodeType kind);
    // True when the node's "endnode" has been read (it ends an aabb tree).
    bool ReadMeshValues(TNode &node, TMesh &mesh, TMaterial &material);
    void ReadAabbEntries(TMesh &mesh);
    void ReadLightValues(TLight &light);
    void ReadAnimation();
    void ReadAnimationNode(TAnim &animation, std::unordered_map<std::string, std::int32_t> &nodeByName);
    std::vector<float> ReadKeyValues(std::string_view keyword, std::size_t keyWidth);

    CMDL &m_model;
    const std::string &m_path;
    CMDLTOKEN m_tokens;
    std::string_view m_token; // the current token
    // The last node of each name, for "parent".
    std::unordered_map<std::string, std::int32_t> m_nodeByName;
    CMemoryBudget m_budget;

    // Names the node at index in byName, counting a name not met before.
    void NameNode(std::unordered_map<std::string, std::int32_t> &byName, const std::string &name, std::int32_t index)
    {
        const auto [entry, added] = byName.insert_or_assign(name, index);
        if (added)
            m_budget.Take(kNameEntryBytes + CMemoryBudget::HeapBytes(entry->first));
    }
};

void CMdlAsciiReader::Read()
{
    try {
        Next();
        while (!AtEnd() && m_token != "endmodelgeom") {
            if (IsComment(m_token)) {
            } else if (m_token == "filedependancy") {
                m_model.FileDependency = NextName();
            } else if (m_token == "newmodel") {
                m_model.Name = NextName();
            } else if (m_token == "setsupermodel") {
                NextName(); // the model's own name
                m_model.SuperModel = NextName();
            } else if (m_token == "classification") {
                m_model.Classification = NextName();
            } else if (m_token == "setanimationscale") {
                m_model.AnimationScale = NextFloat(m_token);
            } else if (m_token == "beginmodelgeom") {
                ReadGeometry();
                break;
            }
            Next();
        }
        while (!AtEnd() && m_token != "donemodel") {
            if (m_token == "newanim")
                ReadAnimation();
            Next();
        }
    } catch (const TEndOfText &) {
    }
}

void CMdlAsciiReader::ReadGeometry()
{
    Next();
    while (!AtEnd() && m_token != "endmodelgeom") {
        if (!IsComment(m_token) && m_token == "node") {
            const std::string kind = NextName();
            // Emitters and unknown kinds add no node: their bodies are passed over.
            if (kind == "dummy")
                ReadNode(ntDummy);
            else if (kind == "trimesh")
                ReadNode(ntTrimesh);
            else if (kind == "danglymesh")
                ReadNode(ntDanglymesh);
            else if (kind == "aabb")
                ReadNode(ntAabb);
            else if (kind == "light")
                ReadNode(ntLight);
        }
        Next();
    }
}

// Keywords are tried one after another on the same token, in this order:
// after "parent" has taken its name, that name is compared with the keywords
// that follow. A node is added only once its "endnode" is read.
void CMdlAsciiReader::ReadNode(TNodeType kind)
{
    TNode node;
    node.NodeType = kind;
    node.WireColor = kind == ntAabb ? std::array<float, 3>{0, 0, 0} : std::array<float, 3>{1, 1, 1};
    node.RenderFlag = kind != ntAabb;
    TMaterial material;
    if (IsMesh(kind))
        node.Data = TMesh();
    else if (kind == ntLight)
        node.Data = TLight();
    node.Name = NextName();
    Next();
    while (m_token != "endnode") {
        if (AtEnd())
            throw TEndOfText{};
        if (m_token == "parent") {
            const std::string parent = NextName();
            const auto found = m_nodeByName.find(parent);
            node.Parent = parent == "NULL" || found == m_nodeByName.end() ? -1 : found->second;
        }
        if (m_token == "position")
            NextFloats(m_token, node.Position);
        if (m_token == "orientation") {
            // The axis, then the angle in radians; kept as degrees before the axis.
            std::array<float, 4> axisAngle;
            NextFloats(m_token, axisAngle);
            node.Orientation = {float(axisAngle[3] * 180.0 / std::numbers::pi), axisAngle[0], axisAngle[1],
                                axisAngle[2]};
        }
        if (m_token == "wirecolor")
            NextFloats(m_token, node.WireColor);
        if (TMesh *mesh = node.Mesh())
            if (ReadMeshValues(node, *mesh, material))
                break; // the aabb tree ended with the node
        if (auto *light = std::get_if<TLight>(&node.Data))
            ReadLightValues(*light);
        Next();
    }
    if (IsMesh(kind)) {
        m_budget.TakeString(material.Name);
        m_budget.Append(m_model.Materials, std::move(material));
        node.MaterialIndex = std::int32_t(m_model.Materials.size() - 1);
    }
    const auto index = std::int32_t(m_model.Nodes.size());
    NameNode(m_nodeByName, node.Name, index);
    m_budget.TakeString(node.Name);
    m_budget.Append(m_model.Nodes, std::move(node));
}

bool CMdlAsciiReader::ReadMeshValues(TNode &node, TMesh &mesh, TMaterial &material)
{
    if (m_token == "ambient")
        NextFloats(m_token, node.Ambient, 3);
    if (m_token == "diffuse")
        NextFloats(m_token, node.Diffuse, 3);
    if (m_token == "specular")
        NextFloats(m_token, node.Specular, 3);
    if (m_token == "shininess")
        node.Shininess = NextFloat(m_token);
    if (m_token == "bitmap")
        material.Name = NextName();
    if (m_token == "verts")
        ReadCounted(m_token, [&](std::string_view keyword) {
            const std::array<float, 3> v = NextTriple(keyword);
            m_budget.Append(mesh.Vertices, TVector3D{v[0], v[1], v[2]});
        });
    if (m_token == "tverts")
        ReadCounted(m_token, [&](std::string_view keyword) {
            const std::array<float, 3> t = NextTriple(keyword);
            m_budget.Append(mesh.TexVertices, TTexVertex{t[0], t[1], t[2]});
        });
    if (m_token == "faces")
        ReadCounted(m_token, [&](std::string_view keyword) {
            TFace face;
            for (std::int32_t *value : {&face.V0, &face.V1, &face.V2, &face.Group, &face.T0, &face.T1, &face.T2})
                *value = NextInteger(keyword);
            NextInteger(keyword); // read and dropped
            m_budget.Append(mesh.Faces, face);
        });
    if (m_token == "constraints" && node.NodeType == ntDanglymesh) {
        ReadCounted(m_token, [&](std::string_view keyword) { m_budget.Append(mesh.Constraints, NextFloat(keyword)); });
    } else if (m_token == "constraints" && node.NodeType == ntAabb) {
        ReadAabbEntries(mesh);
        return true;
    }
    return false;
}

// Entries of six floats and an integer, until "endnode" stands where an
// entry would begin.
void CMdlAsciiReader::ReadAabbEntries(TMesh &mesh)
{
    const std::string_view keyword = m_token;
    for (;;) {
        Next();
        if (AtEnd())
            throw TEndOfText{};
        if (m_token == "endnode")
            return;
        TAabbEntry entry;
        const std::optional<float> first = ParseModelFloat(m_token);
        if (!first)
            NotANumber(keyword);
        entry.Box[0] = *first;
        for (std::size_t i = 1; i < 6; ++i)
            entry.Box[i] = NextFloat(keyword);
        entry.Links[0] = std::uint32_t(NextInteger(keyword));
        m_budget.Append(mesh.AabbTree, entry);
    }
}

void CMdlAsciiReader::ReadLightValues(TLight &light)
{
    if (m_token == "radius")
        light.Radius = NextFloat(m_token);
    if (m_token == "ambientonly")
        light.AmbientOnly = NextInteger(m_token);
    if (m_token == "isDynamic")
        light.IsDynamic = NextInteger(m_token);
    if (m_token == "affectDynamic")
        light.AffectDynamic = NextInteger(m_token);
    if (m_token == "lightpriority")
        light.LightPriority = NextInteger(m_token);
    if (m_token == "shadow")
        light.Shadow = NextInteger(m_token);
}

// "newanim NAME MODEL length L transtime T", nodes, "doneanim". An animation
// the text ends inside keeps the nodes completed before the end.
void CMdlAsciiReader::ReadAnimation()
{
    TAnim animation;
    animation.Name = NextName();
    NextName(); // the model's name
    NextName(); // "length"
    animation.Length = NextFloat("length");
    NextName(); // "transtime"
    animation.TransTime = NextFloat("transtime");
    std::unordered_map<std::string, std::int32_t> nodeByName;
    try {
        Next();
        while (!AtEnd() && m_token != "doneanim") {
            if (!IsComment(m_token) && m_token == "node" && NextName() == "dummy")
                ReadAnimationNode(animation, nodeByName);
            Next();
        }
    } catch (const TEndOfText &) {
        m_budget.Append(m_model.Animations, std::move(animation));
        throw;
    }
    m_budget.TakeString(animation.Name);
    m_budget.Append(m_model.Animations, std::move(animation));
}

void CMdlAsciiReader::ReadAnimationNode(TAnim &animation, std::unordered_map<std::string, std::int32_t> &nodeByName)
{
    TAnimNode node;
    node.Name = NextName();
    Next();
    while (m_token != "endnode") {
        if (AtEnd())
            throw TEndOfText{};
        if (m_token == "parent") {
            const std::string parent = NextName();
            const auto found = nodeByName.find(parent);
            node.Parent = parent == "NULL" || found == nodeByName.end() ? -1 : found->second;
        }
        if (m_token == "positionkey") {
            const std::vector<float> values = ReadKeyValues(m_token, kPositionKeyValues);
            for (std::size_t v = 0; v < values.size(); v += kPositionKeyValues)
                m_budget.Append(node.PositionKeys, TPositionKey{values[v], values[v + 1], values[v + 2], values[v + 3]});
            m_budget.Give(values.capacity() * sizeof(float));
        }
        if (m_token == "orientationkey") {
            const std::vector<float> values = ReadKeyValues(m_token, kOrientationKeyValues);
            for (std::size_t v = 0; v < values.size(); v += kOrientationKeyValues)
                m_budget.Append(node.OrientationKeys,
                                TOrientationKey{values[v], {values[v + 1], values[v + 2], values[v + 3], values[v + 4]}});
            m_budget.Give(values.capacity() * sizeof(float));
        }
        Next();
    }
    const auto index = std::int32_t(animation.Nodes.size());
    NameNode(nodeByName, node.Name, index);
    m_budget.TakeString(node.Name);
    m_budget.Append(animation.Nodes, std::move(node));
}

// The values of the keys after "positionkey" or "orientationkey", up to
// "endlist" (the current token when this returns), keyWidth values per key.
// Keys follow the keyword directly, or after a count of keys. The two forms
// never fit the same list: with n numbers before "endlist", direct keys need
// n to be a multiple of keyWidth, a count c needs n = 1 + c × keyWidth, one
// more than a multiple. So a list whose first number is an integer c and that
// holds exactly 1 + c × keyWidth numbers has a count; any other list of whole
// keys has none; a list that fits neither is damaged.
std::vector<float> CMdlAsciiReader::ReadKeyValues(std::string_view keyword, std::size_t keyWidth)
{
    std::vector<float> values;
    std::optional<std::int32_t> count;
    for (;;) {
        Next();
        if (AtEnd())
            throw TEndOfText{};
        if (m_token == "endlist")
            break;
        const std::optional<float> value = ParseModelFloat(m_token);
        if (!value)
            NotANumber(keyword);
        if (values.empty())
            count = ParseModelInteger(m_token);
        m_budget.Append(values, *value);
    }
    if (values.size() % keyWidth == 0)
        return values;
    if (count && *count >= 0 && values.size() - 1 == std::uint64_t(*count) * keyWidth)
        return std::vector<float>(values.begin() + 1, values.end());
    Damaged("the " + std::string(keyword) + " list holds " + std::to_string(values.size()) +
            " numbers: neither whole keys of " + std::to_string(keyWidth) +
            " values nor a count followed by that many keys");
}

} // namespace

void CMDL::LoadAscii(const std::string &path, const std::string &bytes)
{
    CMdlAsciiReader(*this, path, bytes).Read();
}
