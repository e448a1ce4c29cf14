// The ERF viewer: the resources of one MOD, HAK, ERF or NWM archive, a preview
// of the chosen resource and a context menu that extracts selected resources
// or all of them to a folder.
#pragma once

#include "archives/UArchiveBrowser.h"
#include "archives/UCMOD.h"

#include <memory>

class QSplitter;

class TFrm_MODView : public TArchiveBrowser {
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

    QString ListResGetText(int row, int column) const override;
    void ExtractAll1Click() override;

    // Components, by their names (ListRes, Panel1, PopupMenu2 and the folder
    // picker come with TArchiveBrowser).
    QWidget *Panel2 = nullptr;
    TCaptionStrip *Panel_Filelist = nullptr;
    QSplitter *Splitter1 = nullptr;

protected:
    bool AutoPreview() const override;
    bool RowResource(int row, TPreviewResource &resource) const override;
    QString RowFileText(int row) const override;
    void ExtractRows(const std::vector<int> &rows, const std::string &folder,
                     const std::function<void()> &beforeEach) override;
    void ClearLists() override;

private:
    std::unique_ptr<CMOD> m_reader;
    bool m_opened = false;

    void CreateComponents();
    // Handler of CMOD::OnExtract during "Extract All".
    void Onextractfile(CMOD &reader, TExportRun &run);
};
