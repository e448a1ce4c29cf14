// Made-up models for the demo data, of the project's own making: binary ones
// built with the layout builder, an ASCII one written as text, and a small
// PLT texture they name.
#pragma once

#include <string>

namespace demo {

// A binary box textured with demo_stone on every side.
std::string CrateModel();
// A binary hierarchy: dummies, a danglymesh cloak textured demo_plt, an aabb
// walk mesh, a spark emitter and a light.
std::string RigModel();
// An ASCII lantern on a post, with the animations "sway" and "flicker".
std::string LanternModel();
// A binary chest whose textures exist only as DDS: planks (demo_wood, a
// short-header DXT1) and a rune with alpha on its side (demo_rune, a
// standard DXT5).
std::string ChestModel();

} // namespace demo
