#include "archives/UFrm_ModView.h"

#include "app/UApplication.h"
#include "app/USettings.h"
#include "app/UUtil.h"
#include "archives/UArchiveBrowser.h"
#include "archives/UPreview.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QSplitter>
#include <QVBoxLayout>


namespace {

constexpr int kDesignWidth = 748;
constexpr int kDesignHeight = 426;
constexpr int kListWidth = 306;
constexpr int kSplitterWidth = 3;

} // namespace

TFrm_MODView::TFrm_MODView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_MODView"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignWidth, kDesignHeight);
    CreateComponents();
    FormCreate();
}

TFrm_MODView::~TFrm_MODView()
{
    // The preview goes first, with its sound files, while the reader still exists.
    m_preview.reset();
}

void TFrm_MODView::CreateComponents()
{
    ListRes = new TResourceView(QStringLiteral("ListRes"),
                                {{QStringLiteral("ID"), 40, Qt::AlignLeft},
                                 {QStringLiteral("Name"), 135, Qt::AlignLeft},
                                 {QStringLiteral("Type"), 50, Qt::AlignHCenter},
                                 {QStringLiteral("File Size"), 60, Qt::AlignRight}},
                                [this](int row, int column) { return ListResGetText(row, column); });
    Panel_Filelist = new TCaptionStrip(QStringLiteral("Panel_Filelist"), QStringLiteral("FILE LIST"));

    Panel2 = new QWidget;
    Panel2->setObjectName(QStringLiteral("Panel2"));
    auto *leftLayout = new QVBoxLayout(Panel2);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->setSpacing(0);
    leftLayout->addWidget(Panel_Filelist);
    leftLayout->addWidget(ListRes, 1);

    Panel1 = new TPreviewPanel(QStringLiteral("Panel1"));

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

    PopupMenu2 = new QMenu(this);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    ExtractTo = AddMenuItem(PopupMenu2, "ExtractTo", "Extract file(s) to ..");
    ExtractAll1 = AddMenuItem(PopupMenu2, "ExtractAll1", "Extract All");
    ListRes->SetPopupMenu(PopupMenu2);

    OpenDirDialog = new TOpenDirDialog(this);

    ListRes->OnClick = [this] { ListResClick(); };
    ListRes->OnDblClick = [this] { ListResDblClick(); };
    connect(ExtractTo, &QAction::triggered, this, &TFrm_MODView::ExtractToClick);
    connect(ExtractAll1, &QAction::triggered, this, &TFrm_MODView::ExtractAll1Click);
}

void TFrm_MODView::FormCreate()
{
    // The translator gives the window its texts in the chosen language here.
    OpenDirDialog->SetDirectory(FromCoreString(Settings().ModDefaultDir));
    m_preview = std::make_unique<TPreview>(Panel1, true);
    m_preview->SetLists({ListRes});
    m_reader = std::make_unique<CMOD>();
}

void TFrm_MODView::OpenFile(const QString &path)
{
    if (m_opened)
        return;
    m_opened = true;
    setWindowTitle(windowTitle() + QStringLiteral(" - ") + FromCoreString(ExtractFileName(ToCoreString(path))));
    m_reader->Open(ToCoreString(path)); // its messages are the only report
    ListRes->Relist(int(m_reader->Entries.size()));
    if (ListRes->RowCount() > 0)
        ListRes->SetFocusedRow(0);
    ListResClick();
}

int TFrm_MODView::PreviewKind() const
{
    return m_preview->Kind();
}

QWidget *TFrm_MODView::PreviewViewer() const
{
    return m_preview->Viewer();
}

QString TFrm_MODView::ListResGetText(int row, int column) const
{
    const RMOD_ENTRY &entry = m_reader->Entries[std::size_t(row)];
    switch (column) {
    case 0:
        return QString::number(entry.ResID);
    case 1:
        return FromCoreString(entry.ResRef);
    case 2:
        return QString::fromLatin1(CMOD::TypeToExt(entry.ResType));
    case 3:
        return QString::number(entry.Size);
    default:
        return {};
    }
}

void TFrm_MODView::ListResClick()
{
    ClosePreview();
    if (Settings().ModAutoPreview && ListRes->SelectedRowCount(2) <= 1)
        PreviewSelected();
}

void TFrm_MODView::ListResDblClick()
{
    ClosePreview();
    PreviewSelected();
}

void TFrm_MODView::PreviewSelected()
{
    const int row = ListRes->FocusedRow();
    if (row < 0)
        return;
    const RMOD_ENTRY &entry = m_reader->Entries[std::size_t(row)];
    // The row's ResID names the entry the preview reads.
    const int index = entry.ResID;
    const bool indexInside = index >= 0 && std::size_t(index) < m_reader->Entries.size();
    auto requireEntry = [this, index, indexInside] {
        if (!indexInside)
            throw EFileError("No resource " + std::to_string(index) + " in \"" + m_reader->FileName + "\"");
    };
    TPreviewResource resource;
    resource.ResType = entry.ResType;
    resource.ResRef = entry.ResRef;
    resource.FileName = CMOD::OutputName(indexInside ? m_reader->Entries[std::size_t(index)] : entry);
    resource.ExportToFolder = [this, index, requireEntry](const std::string &folder) {
        requireEntry();
        m_reader->ExtractToFile(index, folder);
    };
    resource.ExportToBytes = [this, index, requireEntry] {
        requireEntry();
        return m_reader->ExtractToString(index);
    };
    resource.ModReader = m_reader.get();
    resource.SourceKind = 0;
    m_preview->Show(resource);
}

void TFrm_MODView::ClosePreview()
{
    m_preview->Close();
}

void TFrm_MODView::CleanSounds()
{
    TPreview::CleanSounds();
}

void TFrm_MODView::ExtractToClick()
{
    const std::vector<int> rows = ListRes->SelectedRows();
    if (rows.empty() || !OpenDirDialog->Execute(this))
        return;
    const std::string folder = ToCoreString(OpenDirDialog->Directory());
    TExportRun run(this, QStringLiteral("Exporting resources"), qint64(rows.size()));
    for (int row : rows) {
        const RMOD_ENTRY &entry = m_reader->Entries[std::size_t(row)];
        run.Step(QStringLiteral("Exporting : ") + FromCoreString(entry.ResRef) + u'.' +
                 QString::fromLatin1(CMOD::TypeToExt(entry.ResType)));
        // Rows of the same name and type are all written from the first of them.
        m_reader->ExtractToFile(m_reader->Find(entry.ResRef, entry.ResType), folder);
    }
    run.Finish();
}

void TFrm_MODView::Onextractfile(CMOD &reader, TExportRun &run)
{
    run.Step(QStringLiteral("Exporting : ") + FromCoreString(reader.CurrentName));
}

void TFrm_MODView::ExtractAll1Click()
{
    if (ListRes->RowCount() == 0 || !OpenDirDialog->Execute(this))
        return;
    const std::string folder = ToCoreString(OpenDirDialog->Directory());
    TExportRun run(this, QStringLiteral("Exporting resources"), m_reader->EntryCount);
    TScopedExtractHandler<CMOD> handler(*m_reader, [this, &run](CMOD &reader) { Onextractfile(reader, run); });
    m_reader->ExtractAll(folder);
    run.Finish();
}

void TFrm_MODView::closeEvent(QCloseEvent *event)
{
    // Not while an export or a preview is under way.
    if (!isEnabled() || m_preview->Building()) {
        event->ignore();
        return;
    }
    // The preview closes first, so a sound preview's file goes with it.
    ClosePreview();
    ListRes->Relist(0);
    event->accept();
}
