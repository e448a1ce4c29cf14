// The preview both archive browsers share: the selected resource's type
// chooses a viewer (UPreviewKinds), the resource is exported into the
// temporary folder (2DA tables into memory), the viewer is embedded without
// border in the browser's preview panel and loads it, and the temporary file
// is deleted again, except for sounds: the player reads its file while it
// plays, so a sound preview deletes the file it wrote when it closes, after its
// player has let go of it. A sound file another preview still plays is never
// written over or deleted. A browser holds at most one preview.
#pragma once

#include "archives/UPreviewKinds.h"

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CKEY_FILE;
class CMOD;
class TPreviewPanel;

// The focused row of a browser, with the ways its reader exports it.
struct TPreviewResource {
    std::int32_t ResType = 0;
    std::string ResRef;
    // The name the reader's file export gives it (ResRef + "." + lower-case extension).
    std::string FileName;
    // Writes the resource into a folder under FileName.
    std::function<void(const std::string &folder)> ExportToFolder;
    // The resource's bytes (2DA tables).
    std::function<std::string()> ExportToBytes;
    // The archive the resource comes from, for the model view's textures:
    // the game's KEY/BIF reader (source kind 1) or an ERF reader (source kind 0).
    CKEY_FILE *KeyReader = nullptr;
    CMOD *ModReader = nullptr;
    int SourceKind = -1;
};

// How the viewer of one preview kind is made and loaded. A kind without
// Create has no viewer yet: its resources show no preview.
struct TPreviewViewerType {
    // Creates the viewer, not yet embedded.
    std::function<QWidget *()> Create;
    // Runs once the viewer is embedded and shown (the model view sets up its GL view here).
    std::function<void(QWidget *viewer)> Prepare;
    // Loads the exported file (every kind but 2DA).
    std::function<void(QWidget *viewer, const QString &path, const TPreviewResource &resource)> LoadFile;
    // Loads the resource's bytes (2DA).
    std::function<void(QWidget *viewer, const std::string &bytes)> LoadText;
};

// The viewer type registered for a kind (an empty one for kinds without viewer).
const TPreviewViewerType &PreviewViewerType(int kind);
// Registers the viewer type of a kind and returns the one it replaces.
TPreviewViewerType SetPreviewViewerType(int kind, TPreviewViewerType type);

class TPreview {
public:
    // fromErf: the browser shows an ERF archive (the dispatch's ERF column).
    TPreview(TPreviewPanel *panel, bool fromErf);
    // Closes the preview, its sound file included.
    ~TPreview();
    TPreview(const TPreview &) = delete;
    TPreview &operator=(const TPreview &) = delete;

    // The lists disabled while a preview is built.
    void SetLists(std::vector<QWidget *> lists);

    // The current preview kind, kPreviewNone when none is embedded.
    int Kind() const { return m_kind; }
    QWidget *Viewer() const { return m_viewer; }
    // True while a preview is being built.
    bool Building() const { return m_building; }

    // Previews resource (closing the current preview first). Errors of the
    // export or the load propagate after the lists are enabled again; the
    // viewer then stays as far as it was built.
    void Show(const TPreviewResource &resource);
    // Closes and frees the viewer, deletes the sound file this preview wrote
    // and sets the kind to kPreviewNone.
    void Close();

    // The sound file this preview wrote and its player reads; empty when none.
    const std::string &SoundFile() const { return m_soundFile; }

private:
    QPointer<TPreviewPanel> m_panel;
    bool m_fromErf = false;
    std::vector<QPointer<QWidget>> m_lists;
    int m_kind = kPreviewNone;
    QPointer<QWidget> m_viewer;
    bool m_building = false;
    std::string m_soundFile;
    std::string m_soundFolder; // a folder of its own, when another preview plays a file of the same name

    // The folder a sound preview writes fileName into, taken as this preview's.
    std::string KeepSoundFolder(const std::string &fileName);
    void ReleaseSound();
};
