// The model commands of the quorlin tool: mdl info prints what CMDL::Open
// reads from a model, binary or ASCII: its header, its nodes and its
// animations, one record per line.

#include "app/UGameText.h"
#include "cli/CliSupport.h"
#include "model/UCMDL.h"

#include <cstdio>

namespace cli {

namespace {

const char *const MdlHelp =
    "usage: quorlin mdl info FILE\n"
    "\n"
    "Reads MDL models, binary (compiled) or ASCII.\n";

const char *const MdlInfoHelp =
    "usage: quorlin mdl info FILE\n"
    "\n"
    "Prints the model as the model view reads it, one record per line, tab-separated:\n"
    "  model NAME\n"
    "  supermodel NAME\n"
    "  node INDEX NAME KIND PARENT MATERIAL VERTICES FACES X Y Z ANGLE AX AY AZ\n"
    "    one line per node, every parent before its children. KIND is dummy,\n"
    "    trimesh, emitter, light, aabb, danglymesh or other; PARENT the parent's\n"
    "    INDEX, -1 for a top node; MATERIAL the texture name of a mesh or an emitter\n"
    "    (of names that differ only in letter case, the first one the model gives),\n"
    "    empty for none; VERTICES and FACES the sizes of a mesh's lists, 0 for other\n"
    "    kinds; X Y Z the position relative to the parent; ANGLE AX AY AZ the\n"
    "    orientation: an angle in degrees about the axis.\n"
    "  animation NAME LENGTH NODES\n"
    "    one line per animation (ASCII models only): its length in seconds and the\n"
    "    number of its nodes.\n"
    "Names are written in UTF-8, decoded from the game's text encoding; control\n"
    "characters are shown as '?', bytes the encoding lacks as \\xHH. Numbers are\n"
    "written in the shortest of fixed and exponent notation, with 6 digits at most.\n"
    "A damaged file prints nothing, reports what is wrong with it and exits with\n"
    "status 1.\n";

const char *KindName(TNodeType kind)
{
    switch (kind) {
    case ntDummy: return "dummy";
    case ntTrimesh: return "trimesh";
    case ntEmitter: return "emitter";
    case ntLight: return "light";
    case ntAabb: return "aabb";
    case ntDanglymesh: return "danglymesh";
    default: return "other";
    }
}

// Room a float takes at most with %g.
constexpr std::size_t MaxFloatChars = 16;

char *PutFloat(char *p, float value)
{
    // Adding 0 turns a negative zero (an axis component of a turn about
    // another axis) into 0.
    return p + std::snprintf(p, MaxFloatChars, "%g", double(value) + 0.0);
}

char *PutTab(char *p)
{
    *p++ = '\t';
    return p;
}

void PutNamed(OutputBuffer &out, const char *record, const std::string &name, const CGameTextCodec &codec)
{
    char *p = out.Begin(16 + MaxBytesPerTextByte * name.size());
    p = PutTab(PutText(p, record));
    p = PutName(p, name, codec);
    *p++ = '\n';
    out.End(p);
}

// The texture name of a mesh or an emitter, empty for none.
const std::string &MaterialOf(const CMDL &model, const TNode &node)
{
    static const std::string none;
    std::int32_t index = node.MaterialIndex;
    if (const TEmitter *emitter = node.Emitter())
        index = emitter->MaterialIndex;
    return index >= 0 && std::size_t(index) < model.Materials.size() ? model.Materials[std::size_t(index)].Name
                                                                     : none;
}

int MdlInfo(const std::vector<std::string> &argv)
{
    const Arguments args = ParseArguments(argv, {});
    ExpectPositional(args, 1, "FILE");
    const std::string &path = args.Positional[0];
    RequireFile(path, "model file");
    CMDL model;
    if (!model.Open(path))
        OpenFailed(path);
    const CGameTextCodec &codec = GameTextCodec();

    OutputBuffer out;
    PutNamed(out, "model", model.Name, codec);
    PutNamed(out, "supermodel", model.SuperModel, codec);
    for (std::size_t i = 0; i < model.Nodes.size(); ++i) {
        const TNode &node = model.Nodes[i];
        const std::string &material = MaterialOf(model, node);
        const TMesh *mesh = node.Mesh();
        char *p = out.Begin(64 + 4 * MaxDigits + 7 * MaxFloatChars +
                            MaxBytesPerTextByte * (node.Name.size() + material.size()));
        p = PutTab(PutText(p, "node"));
        p = PutTab(PutNumber(p, i));
        p = PutTab(PutName(p, node.Name, codec));
        p = PutTab(PutText(p, KindName(node.NodeType)));
        p = PutTab(PutNumber(p, node.Parent));
        p = PutTab(PutName(p, material, codec));
        p = PutTab(PutNumber(p, mesh ? mesh->Vertices.size() : 0));
        p = PutNumber(p, mesh ? mesh->Faces.size() : 0);
        for (float value : node.Position)
            p = PutFloat(PutTab(p), value);
        for (float value : node.Orientation)
            p = PutFloat(PutTab(p), value);
        *p++ = '\n';
        out.End(p);
    }
    for (const TAnim &animation : model.Animations) {
        char *p = out.Begin(32 + MaxDigits + MaxFloatChars + MaxBytesPerTextByte * animation.Name.size());
        p = PutTab(PutText(p, "animation"));
        p = PutTab(PutName(p, animation.Name, codec));
        p = PutTab(PutFloat(p, animation.Length));
        p = PutNumber(p, animation.Nodes.size());
        *p++ = '\n';
        out.End(p);
    }
    out.Flush();
    return ExitOk;
}

} // namespace

const std::vector<TCommand> &ModelCommands()
{
    static const std::vector<TCommand> commands = {
        {"mdl", "info", MdlInfo, MdlInfoHelp},
    };
    return commands;
}

const std::vector<TCommandGroup> &ModelCommandGroups()
{
    static const std::vector<TCommandGroup> groups = {{"mdl", MdlHelp}};
    return groups;
}

} // namespace cli
