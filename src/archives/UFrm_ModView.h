// The ERF viewer: the resources of one MOD, HAK, ERF or NWM archive, a preview
// of the chosen resource and a context menu that extracts selected resources
// or all of them to a folder.
#pragma once

#include "archives/UCMOD.h"

#include <QWidget>

#include <memory>

class QAction;
class QMenu;
class QSplitter;
class TCaptionStrip;
class TExportRun;
class TOpenDirDialog;
class TPreview;
class TPreviewPanel;
class TResourceView;

class TFrm_MODView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "MOD HAK ERF Preview";

    explicit TFrm_MODView(QWidget *parent = nullptr);
    ~TFrm_MODView() override;

    // Names the file in the caption and lists the archive at path; a file that
    // is missing or of another kind leaves the list empty (the reader reports
    // it). The window loads one archive in its life.
    void OpenFile(const QString &path);

    const CMOD &Reader() const { return *m_reader; }
    // The preview kind on show, -1 when none.
    int PreviewKind() const;
    QWidget *PreviewViewer() const;

    QString ListResGetText(int row, int column) const;

    void ListResClick();
    void ListResDblClick();
    void ExtractToClick();
    void ExtractAll1Click();

    void PreviewSelected();
    void ClosePreview();
    static void CleanSounds();

    // Components, by their names.
    QWidget *Panel2 = nullptr;
    TCaptionStrip *Panel_Filelist = nullptr;
    TResourceView *ListRes = nullptr;
    QSplitter *Splitter1 = nullptr;
    TPreviewPanel *Panel1 = nullptr;
    QMenu *PopupMenu2 = nullptr;
    QAction *ExtractTo = nullptr;
    QAction *ExtractAll1 = nullptr;
    TOpenDirDialog *OpenDirDialog = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<CMOD> m_reader;
    std::unique_ptr<TPreview> m_preview;
    bool m_opened = false;

    void CreateComponents();
    void FormCreate();
    // Handler of CMOD::OnExtract during "Extract All".
    void Onextractfile(CMOD &reader, TExportRun &run);
};
