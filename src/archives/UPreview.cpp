#include "archives/UPreview.h"

#include "app/UApplication.h"
#include "app/UFileIO.h"
#include "app/UUtil.h"
#include "archives/UArchiveBrowser.h"

#include <QCoreApplication>

#include <array>
#include <cstdlib>
#include <set>
#include <unistd.h>

#include "formats/UFrm_2DA.h"
#include "formats/UFrm_SSF.h"
#include "formats/UFrm_TXT.h"
#include "formats/UFrm_UTX.h"
#include "media/UFrm_IMG.h"
#include "media/UFrm_SND.h"
#include "model/UFrm_MDL.h"
#include "model/UFrm_PLT.h"

namespace {

// A viewer loaded with the path of the exported file.
template <class TViewer>
TPreviewViewerType FileViewer()
{
    TPreviewViewerType type;
    type.Create = [] { return new TViewer; };
    type.LoadFile = [](QWidget *viewer, const QString &path, const TPreviewResource &) {
        static_cast<TViewer *>(viewer)->OpenFile(path);
    };
    return type;
}

// A viewer loaded with the resource's bytes.
template <class TViewer>
TPreviewViewerType TextViewer()
{
    TPreviewViewerType type;
    type.Create = [] { return new TViewer; };
    type.LoadText = [](QWidget *viewer, const std::string &bytes) {
        static_cast<TViewer *>(viewer)->OpenText(bytes);
    };
    return type;
}

// The model view: its GL view is set up once it is embedded and shown, and
// it takes its textures from the browser's archive.
TPreviewViewerType ModelViewer()
{
    TPreviewViewerType type;
    type.Create = [] { return new TFrm_MDL; };
    type.Prepare = [](QWidget *viewer) { static_cast<TFrm_MDL *>(viewer)->InitView(); };
    type.LoadFile = [](QWidget *viewer, const QString &path, const TPreviewResource &resource) {
        TTextureSource source;
        if (resource.SourceKind == 1)
            source.Key = resource.KeyReader;
        else if (resource.SourceKind == 0)
            source.Erf = resource.ModReader;
        static_cast<TFrm_MDL *>(viewer)->OpenModel(path, source);
    };
    return type;
}

std::array<TPreviewViewerType, kPreviewKindCount> &PreviewViewerTypes()
{
    static std::array<TPreviewViewerType, kPreviewKindCount> types = [] {
        std::array<TPreviewViewerType, kPreviewKindCount> registered;
        // Each viewer joins the previews with one line here.
        registered[kPreview2DA] = TextViewer<TFrm_2DA>();
        registered[kPreviewText] = FileViewer<TFrm_TXT>();
        registered[kPreviewPicture] = FileViewer<TFrm_IMG>();
        registered[kPreviewPLT] = FileViewer<TFrm_PLT>();
        registered[kPreviewSoundSet] = FileViewer<TFrm_SSF>();
        registered[kPreviewModel] = ModelViewer();
        registered[kPreviewGFF] = FileViewer<TFrm_UTX>();
        registered[kPreviewSound] = FileViewer<TFrm_SND>();
        return registered;
    }();
    return types;
}

// The temporary file of a preview: deleted when the preview is built (or
// failed), unless the viewer goes on reading it; always by the very path it
// was written under.
class TTemporaryFile {
public:
    TTemporaryFile(std::string path, bool keep) : m_path(std::move(path)), m_keep(keep) {}
    ~TTemporaryFile()
    {
        if (!m_keep)
            ::unlink(m_path.c_str());
    }
    TTemporaryFile(const TTemporaryFile &) = delete;
    TTemporaryFile &operator=(const TTemporaryFile &) = delete;

private:
    std::string m_path;
    bool m_keep;
};

// The sound files that open previews have written and still play, by path.
std::set<std::string> &KeptSounds()
{
    static std::set<std::string> paths;
    return paths;
}

} // namespace

const TPreviewViewerType &PreviewViewerType(int kind)
{
    static const TPreviewViewerType none;
    if (kind < 0 || kind >= kPreviewKindCount)
        return none;
    return PreviewViewerTypes()[std::size_t(kind)];
}

TPreviewViewerType SetPreviewViewerType(int kind, TPreviewViewerType type)
{
    if (kind < 0 || kind >= kPreviewKindCount)
        return {};
    TPreviewViewerType previous = std::move(PreviewViewerTypes()[std::size_t(kind)]);
    PreviewViewerTypes()[std::size_t(kind)] = std::move(type);
    return previous;
}

TPreview::TPreview(TPreviewPanel *panel, bool fromErf) : m_panel(panel), m_fromErf(fromErf)
{
}

TPreview::~TPreview()
{
    Close();
}

void TPreview::SetLists(std::vector<QWidget *> lists)
{
    m_lists.assign(lists.begin(), lists.end());
}

void TPreview::Show(const TPreviewResource &resource)
{
    if (m_building)
        return;
    Close();

    // The lists stay disabled while the preview is built and come back
    // however it ends, with the keyboard focus where it was: a list keeps it.
    struct TBuilding {
        TPreview &Preview;
        QPointer<QWidget> FocusedList;
        explicit TBuilding(TPreview &preview) : Preview(preview)
        {
            Preview.m_building = true;
            for (const QPointer<QWidget> &list : Preview.m_lists) {
                if (!list)
                    continue;
                if (list->hasFocus())
                    FocusedList = list;
                list->setEnabled(false);
            }
        }
        ~TBuilding()
        {
            for (const QPointer<QWidget> &list : Preview.m_lists)
                if (list)
                    list->setEnabled(true);
            if (FocusedList)
                FocusedList->setFocus();
            Preview.m_building = false;
        }
    } building(*this);

    const int kind = PreviewKindOf(resource.ResType, m_fromErf);
    // A copy: a viewer type registered meanwhile must not change this preview.
    const TPreviewViewerType type = PreviewViewerType(kind);
    if (kind == kPreviewNone || !type.Create || !m_panel)
        return;

    m_kind = kind;
    QWidget *viewer = type.Create();
    m_viewer = viewer;
    m_panel->Embed(viewer);
    viewer->show();
    if (type.Prepare)
        type.Prepare(viewer);
    // The embedded viewer paints itself before the export starts.
    QCoreApplication::processEvents();
    if (m_viewer != viewer)
        return;

    if (kind == kPreview2DA) {
        if (type.LoadText)
            type.LoadText(viewer, resource.ExportToBytes());
        return;
    }
    const std::string folder = kind == kPreviewSound ? KeepSoundFolder(resource.FileName) : GetTempFolder();
    const std::string path = folder + resource.FileName;
    TTemporaryFile temporary(path, kind == kPreviewSound);
    resource.ExportToFolder(folder);
    if (type.LoadFile)
        type.LoadFile(viewer, FromPath(path), resource);
}

void TPreview::Close()
{
    m_kind = kPreviewNone;
    if (QWidget *viewer = m_viewer) {
        m_viewer = nullptr;
        viewer->close();
        delete viewer; // a sound viewer stops playing and lets go of its file
    }
    ReleaseSound();
}

std::string TPreview::KeepSoundFolder(const std::string &fileName)
{
    std::string folder = GetTempFolder();
    if (KeptSounds().count(folder + fileName)) {
        // Another preview plays a file of this name: writing over it would
        // change what that preview plays, so this one gets a folder of its own.
        std::string pattern = folder + "sound-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            throw EFileError("Cannot create a folder in \"" + folder + "\"");
        m_soundFolder = pattern;
        folder = pattern + "/";
    }
    m_soundFile = folder + fileName;
    KeptSounds().insert(m_soundFile);
    return folder;
}

void TPreview::ReleaseSound()
{
    if (m_soundFile.empty())
        return;
    ::unlink(m_soundFile.c_str());
    KeptSounds().erase(m_soundFile);
    if (!m_soundFolder.empty())
        ::rmdir(m_soundFolder.c_str());
    m_soundFile.clear();
    m_soundFolder.clear();
}
