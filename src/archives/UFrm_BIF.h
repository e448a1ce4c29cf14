// The BIF browser: the BIF archives named by the game's KEY index, the
// resources of the chosen BIF, a preview of the chosen resource and context
// menus that extract resources, whole BIFs or everything to a folder.
#pragma once

#include "archives/UCKEYV1.h"

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

class TFrm_BIF : public QWidget {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "BIF Preview";

    explicit TFrm_BIF(QWidget *parent = nullptr);
    ~TFrm_BIF() override;

    // Loads the KEY file at path and lists its BIFs; a missing file leaves the
    // window empty. The window loads one KEY file in its life.
    void OpenFile(const QString &path);

    const CKEY_FILE &Reader() const { return *m_reader; }
    // The preview kind on show, -1 when none.
    int PreviewKind() const;
    QWidget *PreviewViewer() const;

    QString ListBifGetText(int row, int column) const;
    QString ListResGetText(int row, int column) const;

    void ListBifClick();
    void ListResClick();
    void ListResDblClick();
    void ExtractToClick();
    void ExtractAll1Click();
    void Menu_ExtractBifClick();
    void Menu_ExtractAllBifClick();

    void PreviewSelected();
    void ClosePreview();
    static void CleanSounds();

    // Components, by their names.
    QWidget *Panel2 = nullptr;
    TCaptionStrip *Panel_BifList = nullptr;
    TResourceView *ListBif = nullptr;
    QSplitter *Splitter2 = nullptr;
    TCaptionStrip *Panel_FileList = nullptr;
    TResourceView *ListRes = nullptr;
    QSplitter *Splitter1 = nullptr;
    TPreviewPanel *Panel1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Menu_ExtractBif = nullptr;
    QAction *Menu_ExtractAllBif = nullptr;
    QMenu *PopupMenu2 = nullptr;
    QAction *ExtractTo = nullptr;
    QAction *ExtractAll1 = nullptr;
    TOpenDirDialog *OpenDirDialog = nullptr;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    std::unique_ptr<CKEY_FILE> m_reader;
    std::unique_ptr<TPreview> m_preview;
    bool m_opened = false;
    int m_listedBif = -1; // the BIF whose resources ListRes shows

    void CreateComponents();
    void FormCreate();
    const RKEY_RESSOURCE &ListedResource(int row) const;
    void ExtractBifs(const std::vector<int> &bifs);
    // Handler of CKEY_FILE::OnExtract during the BIF-wide exports.
    void Onextractfile(CKEY_FILE &reader, TExportRun &run);
};
