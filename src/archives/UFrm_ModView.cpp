#include "archives/UFrm_ModView.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "archives/UPreview.h"

#include <QHBoxLayout>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

constexpr int kDesignWidth = 748;
constexpr int kDesignHeight = 426;
constexpr int kListWidth = 306;
constexpr int kSplitterWidth = 3;

} // namespace

TFrm_MODView::TFrm_MODView(QWidget *parent)
    : TArchiveBrowser(QStringLiteral("Frm_MODView"), QString::fromLatin1(kCaption),
                      {{QStringLiteral("ID"), 40, Qt::AlignLeft},
                       {QStringLiteral("Name"), 135, Qt::AlignLeft},
                       {QStringLiteral("Type"), 50, Qt::AlignHCenter},
                       {QStringLiteral("File Size"), 60, Qt::AlignRight}},
                      Settings().ModDefaultDir, true, parent),
      m_reader(std::make_unique<CMOD>())
{
    resize(kDesignWidth, kDesignHeight);
    CreateComponents();
    Translator().Translate(this);
}

TFrm_MODView::~TFrm_MODView()
{
    ReleasePreview();
}

void TFrm_MODView::CreateComponents()
{
    Panel_Filelist = new TCaptionStrip(QStringLiteral("Panel_Filelist"), QStringLiteral("FILE LIST"));

    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto *leftLayout = new QVBoxLayout(Panel2);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    leftLayout->addWidget(Panel_Filelist);
    leftLayout->addWidget(ListRes, 1);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(Panel2);
    Splitter1->addWidget(Panel1);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kListWidth, kDesignWidth - kListWidth - kSplitterWidth});
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Splitter1);
}

void TFrm_MODView::OpenFile(const QString &path)
{
    if (m_opened)
        return;
    m_opened = true;
    const std::string archivePath = ToPath(path);
    SetCaptionFile(this, FromPath(ExtractFileName(archivePath)));
    m_reader->Open(archivePath); // its messages are the only report
    ListRes->Relist(int(m_reader->Entries.size()));
    if (ListRes->RowCount() > 0)
        ListRes->SetFocusedRow(0);
    ListResClick();
}

QString TFrm_MODView::ListResGetText(int row, int column) const
{
    const RMOD_ENTRY &entry = m_reader->Entries[std::size_t(row)];
    switch (column) {
    case 0:
        return QString::number(entry.ResID);
    case 1:
        return FromGameText(entry.ResRef, m_reader->Codec());
    case 2:
        return QString::fromLatin1(CMOD::TypeToExt(entry.ResType));
    case 3:
        return QString::number(entry.Size);
    default:
        return {};
    }
}

bool TFrm_MODView::AutoPreview() const
{
    return Settings().ModAutoPreview;
}

bool TFrm_MODView::RowResource(int row, TPreviewResource &resource) const
{
    // The key and resource lists are parallel: a row shows its own entry,
    // whatever its stored ResID says.
    const RMOD_ENTRY &entry = m_reader->Entries[std::size_t(row)];
    CMOD *reader = m_reader.get();
    resource.ResType = entry.ResType;
    resource.ResRef = entry.ResRef;
    resource.FileName = reader->OutputName(entry);
    resource.ExportToFolder = [reader, row](const std::string &folder) { reader->ExtractToFile(row, folder); };
    resource.ExportToBytes = [reader, row] { return reader->ExtractToString(row); };
    resource.ModReader = reader;
    resource.SourceKind = 0;
    return true;
}

QString TFrm_MODView::RowFileText(int row) const
{
    const RMOD_ENTRY &entry = m_reader->Entries[std::size_t(row)];
    return FromGameText(entry.ResRef, m_reader->Codec()) + u'.' + QString::fromLatin1(CMOD::TypeToExt(entry.ResType));
}

void TFrm_MODView::ExtractRows(const std::vector<int> &rows, const std::string &folder,
                               const std::function<void()> &beforeEach)
{
    TScopedExtractHandler<CMOD> handler(*m_reader, [&beforeEach](CMOD &) { beforeEach(); });
    m_reader->ExtractEntries(rows, folder);
}

void TFrm_MODView::Onextractfile(CMOD &reader, TExportRun &run)
{
    run.Step(QStringLiteral("Exporting : ") + QString::fromStdString(reader.CurrentName));
}

void TFrm_MODView::ExtractAll1Click()
{
    if (ListRes->RowCount() == 0 || !OpenDirDialog->Execute(this))
        return;
    const std::string folder = ChosenFolder();
    RunExport(this, QString::fromLatin1(kExporting), m_reader->EntryCount, [&](TExportRun &run) {
        TScopedExtractHandler<CMOD> handler(*m_reader, [this, &run](CMOD &reader) { Onextractfile(reader, run); });
        m_reader->ExtractAll(folder);
    });
}

void TFrm_MODView::ClearLists()
{
    ListRes->Relist(0);
}
