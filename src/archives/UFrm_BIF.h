// The BIF browser: the BIF archives named by the game's KEY index, the
// resources of the chosen BIF, a preview of the chosen resource and context
// menus that extract resources, whole BIFs or everything to a folder.
#pragma once

#include "archives/UArchiveBrowser.h"
#include "archives/UCKEYV1.h"

#include <memory>

class QSplitter;

class TFrm_BIF : public TArchiveBrowser {
    Q_OBJECT
public:
    static constexpr const char *kCaption = "BIF Preview";

    explicit TFrm_BIF(QWidget *parent = nullptr);
    ~TFrm_BIF() override;

    // Loads the KEY file at path and lists its BIFs; a missing file leaves the
    // window empty. The window loads one KEY file in its life.
    void OpenFile(const QString &path);

    const CKEY_FILE &Reader() const { return *m_reader; }

    QString ListBifGetText(int row, int column) const;
    QString ListResGetText(int row, int column) const override;

    void ListBifClick();
    // Extracts every resource of the BIF whose files ListRes lists.
    void ExtractAll1Click() override;
    void Menu_ExtractBifClick();
    void Menu_ExtractAllBifClick();

    // Components, by their names (ListRes, Panel1, PopupMenu2 and the folder
    // picker come with TArchiveBrowser).
    QWidget *Panel2 = nullptr;
    TCaptionStrip *Panel_BifList = nullptr;
    TResourceView *ListBif = nullptr;
    QSplitter *Splitter2 = nullptr;
    TCaptionStrip *Panel_FileList = nullptr;
    QSplitter *Splitter1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Menu_ExtractBif = nullptr;
    QAction *Menu_ExtractAllBif = nullptr;

protected:
    bool AutoPreview() const override;
    bool RowResource(int row, TPreviewResource &resource) const override;
    QString RowFileText(int row) const override;
    void ExtractRows(const std::vector<int> &rows, const std::string &folder,
                     const std::function<void()> &beforeEach) override;
    void ClearLists() override;

private:
    std::unique_ptr<CKEY_FILE> m_reader;
    bool m_opened = false;
    int m_listedBif = -1; // the BIF whose resources ListRes shows

    void CreateComponents();
    const RKEY_RESSOURCE &ListedResource(int row) const;
    void ExtractBifs(const std::vector<int> &bifs);
    // Handler of CKEY_FILE::OnExtract during the BIF-wide exports.
    void Onextractfile(CKEY_FILE &reader, TExportRun &run);
};
