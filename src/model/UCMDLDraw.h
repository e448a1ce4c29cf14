// The GL side of a model view's model: one display list per drawable mesh,
// one texture per material, the environment picture, and the drawing of the
// nodes with their material's state, the selected node flat purple and the
// skeleton. Every call needs the GL context of the view that owns it
// current: the names it makes belong to that context, so they are deleted
// there too. The material pictures found by Open are kept (as the file
// bytes), so that a new context gets the same textures without asking the
// archive again: by then the archive may be gone.
#pragma once

#include "model/UCMDL.h"
#include "model/UCTexture.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CKEY_FILE;
class CMOD;

// Where a model's textures are looked up: the game's KEY/BIF archives, an
// ERF-family archive, or (neither given) the folder of the model file.
struct TTextureSource {
    const CKEY_FILE *Key = nullptr;
    const CMOD *Erf = nullptr;
};

class CMDLDraw {
public:
    CMDLDraw() = default;
    ~CMDLDraw(); // Release: the owner's context must be current
    CMDLDraw(const CMDLDraw &) = delete;
    CMDLDraw &operator=(const CMDLDraw &) = delete;

    CMDL Model;

    // Reads the model and looks up its pictures: one per material name (TGA,
    // then PLT, then DDS; "NULL" has none). beforeMaterial runs before each look-up
    // and may let pending events through. No GL is needed. False when the
    // file does not exist. An error (a damaged model, an unreadable archive)
    // leaves the model empty and goes on to the caller.
    bool Read(const std::string &path, const TTextureSource &source,
              const std::function<void()> &beforeMaterial = {});
    // Read, then Prepare in the current context (which beforeMaterial must
    // leave current). An error of either (a missing MDL.PAL) leaves the
    // model empty and frees what was made.
    bool Open(const std::string &path, const TTextureSource &source,
              const std::function<void()> &beforeMaterial = {});
    // Makes the display lists, the textures and the environment picture in
    // the current context (again, after the old one went away), from the
    // model and the kept pictures.
    void Prepare();
    // Deletes every display list and texture; the model stays read.
    void Release();
    // True from Prepare (or a successful Open) until Release.
    bool Prepared() const { return m_prepared; }

    // Draws every node with its world matrix (the camera already set).
    void Draw() const;

    // The display list of a node, 0 for none.
    std::uint32_t DisplayList(std::size_t node) const;
    // The texture of a material (without GL name when its picture was not found).
    const CTexture *MaterialTexture(std::size_t material) const;
    const CTexture *EnvironmentTexture() const { return m_environment.get(); }

private:
    std::vector<std::optional<TMaterialPicture>> m_pictures; // one per material
    std::vector<std::uint32_t> m_lists;                        // one per node
    std::vector<std::unique_ptr<CTexture>> m_textures;         // one per material
    std::unique_ptr<CTexture> m_environment;
    bool m_read = false; // the model and all its pictures
    bool m_prepared = false;

    void BuildDisplayLists();
    void LoadMaterials();
    void ApplyMaterial(const TNode &node) const;
    void DrawSkeleton(std::size_t node) const;
};
