#include "archives/UFrm_BIF.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "archives/UPreview.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int kDesignWidth = 748;
constexpr int kDesignHeight = 447;
constexpr int kListsWidth = 337;
constexpr int kBifListHeight = 173;
constexpr int kSplitterWidth = 3;

// A strip above a list, the two together as one pane of a splitter.
QWidget *ListPane(TCaptionStrip *strip, QWidget *list)
{
    auto *pane = new QWidget;
    auto *layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    layout->addWidget(list, 1);
    return pane;
}

} // namespace

TFrm_BIF::TFrm_BIF(QWidget *parent)
    : TArchiveBrowser(QStringLiteral("Frm_BIF"), QString::fromLatin1(kCaption),
                      {{QStringLiteral("ID"), 40, Qt::AlignLeft},
                       {QStringLiteral("Name"), 155, Qt::AlignLeft},
                       {QStringLiteral("Type"), 50, Qt::AlignHCenter},
                       {QStringLiteral("File Size"), 70, Qt::AlignRight}},
                      Settings().BifDefaultDir, false, parent),
      m_reader(std::make_unique<CKEY_FILE>())
{
    resize(kDesignWidth, kDesignHeight);
    CreateComponents();
    SetPreviewLists({ListRes, ListBif});
    Translator().Translate(this);
}

TFrm_BIF::~TFrm_BIF()
{
    ReleasePreview();
}

void TFrm_BIF::CreateComponents()
{
    ListBif = new TResourceView(QStringLiteral("ListBif"),
                                {{QStringLiteral("ID"), 40, Qt::AlignLeft},
                                 {QStringLiteral("Name"), 135, Qt::AlignLeft},
                                 {QStringLiteral("File Size"), 70, Qt::AlignRight},
                                 {QStringLiteral("Num Res"), 70, Qt::AlignRight}},
                                [this](int row, int column) { return ListBifGetText(row, column); });
    Panel_BifList = new TCaptionStrip(QStringLiteral("Panel_BifList"), QStringLiteral("BIF LIST"));
    Panel_FileList = new TCaptionStrip(QStringLiteral("Panel_FileList"), QStringLiteral("FILE LIST"));

    Splitter2 = new QSplitter(Qt::Vertical);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(kSplitterWidth);
    Splitter2->setChildrenCollapsible(false);
    Splitter2->addWidget(ListPane(Panel_BifList, ListBif));
    Splitter2->addWidget(ListPane(Panel_FileList, ListRes));
    Splitter2->setStretchFactor(0, 0);
    Splitter2->setStretchFactor(1, 1);
    const int bifPaneHeight = Panel_BifList->sizeHint().height() + kBifListHeight;
    Splitter2->setSizes({bifPaneHeight, kDesignHeight - bifPaneHeight - kSplitterWidth});

    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto *leftLayout = new QVBoxLayout(Panel2);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(Splitter2);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kListsWidth, kDesignWidth - kListsWidth - kSplitterWidth});
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Menu_ExtractBif = AddMenuItem(PopupMenu1, "Menu_ExtractBif", "Extract Bif file(s) to ..");
    Menu_ExtractAllBif = AddMenuItem(PopupMenu1, "Menu_ExtractAllBif", "Extract all Bif files");
    ListBif->SetPopupMenu(PopupMenu1);

    ListBif->OnClick = [this] { ListBifClick(); };
    // Moving through the BIFs with the keys lists each BIF the user stops on.
    new TRowFollower(ListBif, [this] {
        if (ListBif->FocusedRow() != m_listedBif)
            ListBifClick();
    });
    connect(Menu_ExtractBif, &QAction::triggered, this, &TFrm_BIF::Menu_ExtractBifClick);
    connect(Menu_ExtractAllBif, &QAction::triggered, this, &TFrm_BIF::Menu_ExtractAllBifClick);
}

void TFrm_BIF::OpenFile(const QString &path)
{
    if (m_opened)
        return;
    const std::string keyPath = ToPath(path);
    if (!FileExists(keyPath))
        return;
    m_opened = true;
    m_reader->Open(keyPath); // its messages are the only report

    ListBif->setEnabled(false);
    ListRes->setEnabled(false);
    ListBif->Relist(int(m_reader->Bifs.size()));
    ListBif->setEnabled(true);
    ListRes->setEnabled(true);
    if (ListBif->RowCount() > 0)
        ListBif->SetFocusedRow(0);
    ListBifClick();
}

QString TFrm_BIF::ListBifGetText(int row, int column) const
{
    const RKEY_BIF &bif = m_reader->Bifs[std::size_t(row)];
    switch (column) {
    case 0:
        return QString::number(row);
    case 1:
        return FromGameText(bif.Name, m_reader->Codec());
    case 2:
        return QString::number(bif.FileSize);
    case 3:
        return QString::number(bif.ResCount);
    default:
        return {};
    }
}

const RKEY_RESSOURCE &TFrm_BIF::ListedResource(int row) const
{
    return m_reader->Bifs[std::size_t(m_listedBif)].Resources[std::size_t(row)];
}

QString TFrm_BIF::ListResGetText(int row, int column) const
{
    const RKEY_RESSOURCE &res = ListedResource(row);
    switch (column) {
    case 0:
        return QString::number(res.Index);
    case 1:
        return FromGameText(res.ResRef, m_reader->Codec());
    case 2:
        return QString::fromLatin1(ResTypeToExt(res.ResType));
    case 3:
        return QString::number(res.Size);
    default:
        return {};
    }
}

void TFrm_BIF::ListBifClick()
{
    // Several BIFs selected: the file list keeps what it shows.
    if (ListBif->SelectedRowCount(2) > 1)
        return;
    ClosePreview();
    const int bif = ListBif->FocusedRow();
    if (bif < 0)
        return;
    ListBif->setEnabled(false);
    ListRes->setEnabled(false);
    const int resCount = int(m_reader->Bifs[std::size_t(bif)].Resources.size());
    ListRes->Relist(resCount, [this, bif] { m_listedBif = bif; });
    ListBif->setEnabled(true);
    ListRes->setEnabled(true);
    ListRes->SetFocusedRow(0);
    ListResClick();
}

bool TFrm_BIF::AutoPreview() const
{
    return Settings().BifAutoPreview;
}

bool TFrm_BIF::RowResource(int row, TPreviewResource &resource) const
{
    if (m_listedBif < 0)
        return false;
    const RKEY_RESSOURCE &res = ListedResource(row);
    const int bif = res.Bif;
    const int index = res.Index;
    CKEY_FILE *reader = m_reader.get();
    resource.ResType = res.ResType;
    resource.ResRef = res.ResRef;
    resource.FileName = reader->OutputName(res);
    resource.ExportToFolder = [reader, bif, index](const std::string &folder) {
        reader->ExtractToFile(bif, index, folder);
    };
    resource.ExportToBytes = [reader, bif, index] { return reader->ExtractToString(bif, index); };
    resource.KeyReader = reader;
    resource.SourceKind = 1;
    return true;
}

QString TFrm_BIF::RowFileText(int row) const
{
    const RKEY_RESSOURCE &res = ListedResource(row);
    return FromGameText(res.ResRef, m_reader->Codec()) + u'.' + QString::fromLatin1(ResTypeToExt(res.ResType));
}

void TFrm_BIF::ExtractRows(const std::vector<int> &rows, const std::string &folder,
                           const std::function<void()> &beforeEach)
{
    if (m_listedBif < 0)
        return;
    std::vector<int> indices;
    indices.reserve(rows.size());
    for (int row : rows)
        indices.push_back(ListedResource(row).Index);
    TScopedExtractHandler<CKEY_FILE> handler(*m_reader, [&beforeEach](CKEY_FILE &) { beforeEach(); });
    m_reader->ExtractResources(m_listedBif, indices, folder);
}

void TFrm_BIF::Onextractfile(CKEY_FILE &reader, TExportRun &run)
{
    run.Step(QStringLiteral("Exporting : ") + QString::fromStdString(reader.CurrentName));
}

void TFrm_BIF::ExtractAll1Click()
{
    // The BIF whose files are listed, whichever BIF row a right click focused since.
    const int bif = m_listedBif;
    if (ListRes->RowCount() == 0 || bif < 0 || !OpenDirDialog->Execute(this))
        return;
    const std::string folder = ChosenFolder();
    RunExport(this, QString::fromLatin1(kExporting), m_reader->Bifs[std::size_t(bif)].ResCount, [&](TExportRun &run) {
        TScopedExtractHandler<CKEY_FILE> handler(*m_reader,
                                                 [this, &run](CKEY_FILE &reader) { Onextractfile(reader, run); });
        m_reader->ExtractBif(bif, folder);
    });
}

void TFrm_BIF::Menu_ExtractBifClick()
{
    if (ListRes->RowCount() == 0 || !OpenDirDialog->Execute(this))
        return;
    ExtractBifs(ListBif->SelectedRows());
}

void TFrm_BIF::Menu_ExtractAllBifClick()
{
    if (ListRes->RowCount() == 0 || !OpenDirDialog->Execute(this))
        return;
    std::vector<int> every(m_reader->Bifs.size());
    for (std::size_t bif = 0; bif < every.size(); ++bif)
        every[bif] = int(bif);
    ExtractBifs(every);
}

void TFrm_BIF::ExtractBifs(const std::vector<int> &bifs)
{
    // Every BIF's files go straight into the chosen folder.
    const std::string folder = ChosenFolder();
    RunExport(this, {}, 0, [&](TExportRun &run) {
        TScopedExtractHandler<CKEY_FILE> handler(*m_reader,
                                                 [this, &run](CKEY_FILE &reader) { Onextractfile(reader, run); });
        for (int bif : bifs) {
            const RKEY_BIF &entry = m_reader->Bifs[std::size_t(bif)];
            run.Begin(QString::fromLatin1(kExporting) + QStringLiteral(" - ") +
                          FromGameText(entry.Name, m_reader->Codec()),
                      entry.ResCount);
            m_reader->ExtractBif(bif, folder);
        }
    });
}

void TFrm_BIF::ClearLists()
{
    ListRes->Relist(0, [this] { m_listedBif = -1; });
    ListBif->Relist(0);
}
