#include "packer/UFrm_ModEdit.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UDialogs.h"
#include "app/UFileIO.h"
#include "app/UFrm_Progress.h"
#include "app/UUtil.h"

#include <QCloseEvent>
#include <QDir>
#include <QDrag>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kDesignWidth = 651;
constexpr int kDesignHeight = 539;
constexpr int kListWidth = 294;
constexpr int kFolderTreeHeight = 136;
constexpr int kDescriptionHeight = 63;

const QString kYourTitle = QStringLiteral("Your Title goes here");
const QString kYourDescription = QStringLiteral("Your Description goes here");
const QString kNoUrl = QStringLiteral("http://");

// Packer windows alive, by the number their drag data carries.
QList<QPointer<TFrm_MODEdit>> &PackerWindows()
{
    static QList<QPointer<TFrm_MODEdit>> windows;
    return windows;
}

const char *KindExtension(int kind)
{
    switch (kind) {
    case akMOD: return ".mod";
    case akHAK: return ".hak";
    case akERF: return ".erf";
    }
    return "";
}

// ---------------------------------------------------------------- tool bar pictures

enum class TToolPicture { New, Open, Save, Close };

// The tool bar's pictures, drawn at every size the bar may ask for.
QIcon ToolIcon(TToolPicture picture)
{
    QIcon icon;
    for (int side : {24, 48}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(side / 24.0, side / 24.0);
        const QColor navy(0, 0, 128);
        switch (picture) {
        case TToolPicture::New: {
            QPainterPath sheet;
            sheet.moveTo(5, 2);
            sheet.lineTo(14, 2);
            sheet.lineTo(19, 7);
            sheet.lineTo(19, 22);
            sheet.lineTo(5, 22);
            sheet.closeSubpath();
            painter.setPen(QPen(navy, 1.2));
            painter.setBrush(Qt::white);
            painter.drawPath(sheet);
            painter.drawLine(QPointF(14, 2), QPointF(14, 7));
            painter.drawLine(QPointF(14, 7), QPointF(19, 7));
            painter.setPen(QPen(QColor(230, 160, 0), 2));
            painter.drawLine(QPointF(12, 11), QPointF(12, 19));
            painter.drawLine(QPointF(8, 15), QPointF(16, 15));
            break;
        }
        case TToolPicture::Open: {
            painter.setPen(QPen(QColor(150, 100, 0), 1.2));
            painter.setBrush(QColor(250, 210, 90));
            painter.drawRect(QRectF(2, 6, 18, 14));
            painter.drawRect(QRectF(2, 4, 8, 3));
            painter.setBrush(QColor(255, 230, 140));
            QPainterPath flap;
            flap.moveTo(5, 10);
            flap.lineTo(22, 10);
            flap.lineTo(19, 20);
            flap.lineTo(2, 20);
            flap.closeSubpath();
            painter.drawPath(flap);
            break;
        }
        case TToolPicture::Save:
            painter.setPen(QPen(navy, 1.2));
            painter.setBrush(QColor(70, 90, 170));
            painter.drawRoundedRect(QRectF(3, 3, 18, 18), 2, 2);
            painter.setBrush(Qt::white);
            painter.drawRect(QRectF(7, 3, 10, 7));
            painter.setBrush(QColor(200, 200, 210));
            painter.drawRect(QRectF(6, 13, 12, 8));
            break;
        case TToolPicture::Close:
            painter.setPen(QPen(QColor(190, 30, 30), 3, Qt::SolidLine, Qt::RoundCap));
            painter.drawLine(QPointF(6, 6), QPointF(18, 18));
            painter.drawLine(QPointF(18, 6), QPointF(6, 18));
            break;
        }
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// ---------------------------------------------------------------- drag data

// The files of a packer's file list carry a marker beside their URLs, so that
// the resource lists take files from there and nowhere else.
class TPackerFileModel : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;
    QMimeData *mimeData(const QModelIndexList &indexes) const override
    {
        QMimeData *data = QFileSystemModel::mimeData(indexes);
        if (data)
            data->setData(QString::fromLatin1(TFrm_MODEdit::kFilesMimeType), QByteArray("1"));
        return data;
    }
};

// The resource list: its rows can be dragged to another packer window, and it
// takes what AcceptsDrop allows.
class TPackerList : public TResourceView {
public:
    TPackerList(TFrm_MODEdit *owner, std::vector<TListColumn> columns, TListModel::TCellText cellText)
        : TResourceView(QStringLiteral("ListRes"), std::move(columns), std::move(cellText)), m_owner(owner)
    {
        setDragEnabled(true);
        setAcceptDrops(true);
        viewport()->setAcceptDrops(true);
        setDragDropMode(QAbstractItemView::DragDrop);
        setDropIndicatorShown(false);
    }

protected:
    void startDrag(Qt::DropActions) override
    {
        const std::vector<int> rows = SelectedRows();
        if (rows.empty())
            return;
        auto *drag = new QDrag(this);
        drag->setMimeData(m_owner->RowsMimeData(rows));
        drag->exec(Qt::CopyAction);
    }
    void dragEnterEvent(QDragEnterEvent *event) override { Answer(event); }
    void dragMoveEvent(QDragMoveEvent *event) override { Answer(event); }
    void dropEvent(QDropEvent *event) override
    {
        if (!m_owner->AcceptsDrop(event->mimeData())) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::CopyAction);
        event->accept();
        m_owner->ListResDragDrop(event->mimeData());
    }

private:
    TFrm_MODEdit *m_owner;

    void Answer(QDropEvent *event)
    {
        if (m_owner->AcceptsDrop(event->mimeData())) {
            event->setDropAction(Qt::CopyAction);
            event->accept();
        } else {
            event->ignore();
        }
    }
};

} // namespace

// ---------------------------------------------------------------- creation

TFrm_MODEdit::TFrm_MODEdit(QWidget *parent) : QWidget(parent)
{
    static int lastNumber = 0;
    m_number = ++lastNumber;
    PackerWindows().append(this);
    setObjectName(QStringLiteral("Frm_MODEdit"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignWidth, kDesignHeight);
    CreateComponents();
    Translator().Translate(this);
    SetEditing(false);
}

TFrm_MODEdit::~TFrm_MODEdit()
{
    PackerWindows().removeAll(this);
}

void TFrm_MODEdit::CreateComponents()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(24, 24));
    ToolBar1->setMovable(false);
    auto addButton = [this](const char *name, TToolPicture picture, const QString &hint, QMenu *menu) {
        auto *button = new QToolButton(ToolBar1);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(ToolIcon(picture));
        button->setToolTip(hint);
        button->setAutoRaise(true);
        if (menu) {
            button->setMenu(menu);
            button->setPopupMode(QToolButton::MenuButtonPopup);
        }
        ToolBar1->addWidget(button);
        return button;
    };
    auto addMenu = [this](const char *name) {
        auto *menu = new QMenu(this);
        menu->setObjectName(QString::fromLatin1(name));
        return menu;
    };

    PopupMenu_New = addMenu("PopupMenu_New");
    NewErf1 = AddMenuItem(PopupMenu_New, "NewErf1", "New ERF");
    NewHAK1 = AddMenuItem(PopupMenu_New, "NewHAK1", "New HAK");
    NewMOD1 = AddMenuItem(PopupMenu_New, "NewMOD1", "New MOD");
    PopupMenu_Open = addMenu("PopupMenu_Open");
    Open = AddMenuItem(PopupMenu_Open, "Open", "Open");
    PopupMenu_Open->addSeparator()->setObjectName(QStringLiteral("N2"));
    PopupMenu_Saveas = addMenu("PopupMenu_Saveas");
    Save = AddMenuItem(PopupMenu_Saveas, "Save", "Save");
    Saveas1 = AddMenuItem(PopupMenu_Saveas, "Saveas1", "Save as");
    PopupMenu_Saveas->addSeparator()->setObjectName(QStringLiteral("N1"));
    SaveasERF1 = AddMenuItem(PopupMenu_Saveas, "SaveasERF1", "Save as ERF");
    SaveasHAK1 = AddMenuItem(PopupMenu_Saveas, "SaveasHAK1", "Save as HAK");
    SaveasMOD1 = AddMenuItem(PopupMenu_Saveas, "SaveasMOD1", "Save as MOD");

    New1 = addButton("New1", TToolPicture::New, QStringLiteral("New"), PopupMenu_New);
    Open1 = addButton("Open1", TToolPicture::Open, QString(), PopupMenu_Open);
    Save1 = addButton("Save1", TToolPicture::Save, QStringLiteral("Save"), PopupMenu_Saveas);
    Close2 = addButton("Close2", TToolPicture::Close, QStringLiteral("Close"), nullptr);

    connect(NewErf1, &QAction::triggered, this, &TFrm_MODEdit::NewErf1Click);
    connect(NewHAK1, &QAction::triggered, this, &TFrm_MODEdit::NewHAK1Click);
    connect(NewMOD1, &QAction::triggered, this, &TFrm_MODEdit::NewMOD1Click);
    connect(Open1, &QToolButton::clicked, this, &TFrm_MODEdit::OpenClick);
    connect(Open, &QAction::triggered, this, &TFrm_MODEdit::OpenClick);
    connect(Save1, &QToolButton::clicked, this, &TFrm_MODEdit::SaveClick);
    connect(Save, &QAction::triggered, this, &TFrm_MODEdit::SaveClick);
    connect(Saveas1, &QAction::triggered, this, &TFrm_MODEdit::Saveas1Click);
    connect(SaveasERF1, &QAction::triggered, this, &TFrm_MODEdit::SaveasERF1Click);
    connect(SaveasHAK1, &QAction::triggered, this, &TFrm_MODEdit::SaveasHAK1Click);
    connect(SaveasMOD1, &QAction::triggered, this, &TFrm_MODEdit::SaveasMOD1Click);
    connect(Close2, &QToolButton::clicked, this, &TFrm_MODEdit::Close2Click);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Lbl_Title = new QLabel(QStringLiteral("Title : "), Panel1);
    Lbl_Title->setObjectName(QStringLiteral("Lbl_Title"));
    Edit1 = new QLineEdit(Panel1);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Lbl_URL = new QLabel(QStringLiteral("URL : "), Panel1);
    Lbl_URL->setObjectName(QStringLiteral("Lbl_URL"));
    Edit2 = new QLineEdit(kNoUrl, Panel1);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Lbl_Description = new QLabel(QStringLiteral("Description : "), Panel1);
    Lbl_Description->setObjectName(QStringLiteral("Lbl_Description"));
    Memo1 = new QPlainTextEdit(Panel1);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFixedHeight(kDescriptionHeight);
    for (QWidget *field : std::initializer_list<QWidget *>{Edit1, Edit2, Memo1})
        field->setEnabled(false);
    auto *fields = new QGridLayout(Panel1);
    fields->setContentsMargins(6, 4, 6, 4);
    fields->setVerticalSpacing(3);
    fields->addWidget(Lbl_Title, 0, 0);
    fields->addWidget(Edit1, 0, 1);
    fields->addWidget(Lbl_URL, 1, 0);
    fields->addWidget(Edit2, 1, 1);
    fields->addWidget(Lbl_Description, 2, 0, 1, 2);
    fields->addWidget(Memo1, 3, 0, 1, 2);
    fields->setColumnStretch(1, 1);
    connect(Edit1, &QLineEdit::textChanged, this, [this] { UpdateStatus(); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { UpdateStatus(); });
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] { UpdateStatus(); });

    ListRes = new TPackerList(this,
                              {{QStringLiteral("Name"), 155, Qt::AlignLeft},
                               {QStringLiteral("Type"), 50, Qt::AlignHCenter},
                               {QStringLiteral("File Size"), 70, Qt::AlignRight}},
                              [this](int row, int column) { return ListResGetText(row, column); });
    ListRes->setToolTip(QStringLiteral("You can Drag Drop Resources from another Quorlin Packer window"));
    ListRes->installEventFilter(this);
    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Remove1 = AddMenuItem(PopupMenu1, "Remove1", "Remove");
    PopupMenu1->addSeparator()->setObjectName(QStringLiteral("N3"));
    Export1 = AddMenuItem(PopupMenu1, "Export1", "Export");
    ExportAll1 = AddMenuItem(PopupMenu1, "ExportAll1", "Export All");
    ListRes->SetPopupMenu(PopupMenu1);
    connect(Remove1, &QAction::triggered, this, &TFrm_MODEdit::Remove1Click);
    connect(Export1, &QAction::triggered, this, &TFrm_MODEdit::Export1Click);
    connect(ExportAll1, &QAction::triggered, this, &TFrm_MODEdit::ExportAll1Click);

    CreateFolderBrowser();

    Splitter2 = new QSplitter(Qt::Vertical);
    Splitter2->setObjectName(QStringLiteral("Splitter2"));
    Splitter2->setHandleWidth(3);
    Splitter2->setChildrenCollapsible(false);
    Splitter2->addWidget(ShellTreeView1);
    Splitter2->addWidget(ShellListView1);
    Splitter2->setStretchFactor(1, 1);
    Splitter2->setSizes({kFolderTreeHeight, kDesignHeight});

    Splitter1 = new QSplitter(Qt::Horizontal);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setHandleWidth(4);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->addWidget(ListRes);
    Splitter1->addWidget(Splitter2);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kListWidth, kDesignWidth - kListWidth});

    StatusBar1 = new QLabel(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    KeepUntranslated(StatusBar1);
    StatusBar1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusBar1->setIndent(4);

    OpenDialog1 = new TOpenDialog(QStringLiteral("OpenDialog1"), QStringLiteral("*.ERF *.MOD *.HAK|*.ERF;*.MOD;*.HAK"), this);
    SaveDialog1 = new TSaveDialog(QStringLiteral("SaveDialog1"), QStringLiteral("*.erf|*.erf"), this);
    opendirdialog = new TOpenDirDialog(this);
    opendirdialog->setObjectName(QStringLiteral("opendirdialog"));
    opendirdialog->SetCaption(QStringLiteral("Export to"));
    opendirdialog->SetTitle(QStringLiteral("Export to"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ToolBar1);
    layout->addWidget(Panel1);
    layout->addWidget(Splitter1, 1);
    layout->addWidget(StatusBar1);
}

void TFrm_MODEdit::CreateFolderBrowser()
{
    // The folders of the local disk on top, the files of the chosen one below.
    m_folders = new QFileSystemModel(this);
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setRootPath(QDir::rootPath());
    ShellTreeView1 = new QTreeView;
    ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
    ShellTreeView1->setModel(m_folders);
    ShellTreeView1->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        ShellTreeView1->hideColumn(column);

    m_files = new TPackerFileModel(this);
    m_files->setFilter(QDir::Files | QDir::NoDotAndDotDot);
    ShellListView1 = new QTreeView;
    ShellListView1->setObjectName(QStringLiteral("ShellListView1"));
    ShellListView1->setModel(m_files);
    ShellListView1->setRootIsDecorated(false);
    ShellListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ShellListView1->setDragEnabled(true);
    ShellListView1->setDragDropMode(QAbstractItemView::DragOnly);
    ShellListView1->setSortingEnabled(true);
    ShellListView1->sortByColumn(0, Qt::AscendingOrder);
    ShellListView1->setColumnWidth(0, 220); // room for a resource's name of 16 characters and its extension

    auto showFolder = [this](const QString &folder) {
        ShellListView1->setRootIndex(m_files->setRootPath(folder));
    };
    connect(ShellTreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, showFolder](const QModelIndex &current) { showFolder(m_folders->filePath(current)); });
    // The tree starts at the user's home folder (shown once the window is on screen).
    const QString home = QDir::homePath();
    ShellTreeView1->setCurrentIndex(m_folders->index(home));
    showFolder(home);
}

// ---------------------------------------------------------------- states

void TFrm_MODEdit::SetEditing(bool editing)
{
    for (QWidget *widget : std::initializer_list<QWidget *>{ListRes, ShellListView1, ShellTreeView1, Close2, Save1})
        widget->setEnabled(editing);
    for (QWidget *widget : std::initializer_list<QWidget *>{New1, Open1})
        widget->setEnabled(!editing);
    for (QAction *action : {Remove1, Export1, ExportAll1})
        action->setEnabled(editing);
}

void TFrm_MODEdit::SetCaptionFromFileName()
{
    SetCaptionFile(this, FromPath(ExtractFileName(ToPath(m_fileName))));
}

void TFrm_MODEdit::SetupFieldsForKind(int kind, bool newArchive)
{
    Edit1->setEnabled(kind == akHAK);
    Edit2->setEnabled(kind == akHAK);
    Memo1->setEnabled(kind == akHAK || kind == akMOD);
    if (kind == akHAK) {
        Edit1->setText(kYourTitle);
        Edit2->setText(kNoUrl);
        Memo1->setPlainText(kYourDescription);
        return;
    }
    Edit1->clear();
    Edit2->clear();
    if (kind == akERF)
        Memo1->clear();
    else if (newArchive)
        Memo1->setPlainText(kYourDescription);
}

void TFrm_MODEdit::StartNew(int kind, const QString &fileName)
{
    SetupFieldsForKind(kind, true);
    m_fileName = fileName;
    m_kind = kind;
    m_untitled = true;
    m_writer = std::make_unique<CMODPAK>();
    m_writer->Kind = kind;
    m_pendingKind = akNone;
    RelistRows();
    SetEditing(true);
    SetCaptionFromFileName();
    UpdateStatus();
}

void TFrm_MODEdit::NewErf1Click()
{
    StartNew(akERF, QStringLiteral("NewErf.erf"));
}

void TFrm_MODEdit::NewHAK1Click()
{
    StartNew(akHAK, QStringLiteral("NewHak.hak"));
}

void TFrm_MODEdit::NewMOD1Click()
{
    StartNew(akMOD, QStringLiteral("NewMod.mod"));
}

void TFrm_MODEdit::OpenClick()
{
    if (m_writer)
        return;
    OpenDialog1->SetFileName(QString());
    if (!OpenDialog1->Execute(this))
        return;
    auto writer = std::make_unique<CMODPAK>();
    // A file that is not an archive of the family leaves the window closed:
    // there is no kind to save anything as.
    if (!writer->Open(ToPath(OpenDialog1->FileName())))
        return;
    m_writer = std::move(writer);
    m_untitled = false;
    m_fileName = OpenDialog1->FileName();
    m_kind = m_writer->Kind;
    m_pendingKind = akNone;

    m_rows.clear();
    TEventPump pump;
    const int count = int(m_writer->Entries().size());
    const QString of = QStringLiteral("/") + QString::number(count);
    for (int i = 0; i < count; ++i) {
        AddRow(m_writer->Entries()[std::size_t(i)]);
        StatusBar1->setText(QStringLiteral("Please Wait : ") + QString::number(i + 1) + of);
        pump.Pump();
    }
    RelistRows();

    const CGameTextCodec &codec = m_writer->Codec();
    Edit1->setEnabled(m_kind == akHAK);
    Edit2->setEnabled(m_kind == akHAK);
    Memo1->setEnabled(m_kind != akERF);
    Edit1->setText(m_kind == akHAK ? FromGameText(m_writer->Title, codec) : QString());
    Edit2->setText(m_kind == akHAK ? FromGameText(m_writer->Url, codec) : QString());
    Memo1->setPlainText(m_kind != akERF ? FromGameText(m_writer->Description, codec) : QString());
    SetEditing(true);
    SetCaptionFromFileName();
    UpdateStatus();

    // The archive's bytes are held once; a save writes each resource whole.
    if (m_writer->OverlappingEntries > 0) {
        TMessageBoxRequest warning;
        warning.Parent = this;
        warning.Icon = QMessageBox::Warning;
        warning.Caption = TApplication::Title();
        warning.Text = QStringLiteral("%1 resources of \"%2\" overlap the bytes of others. Saving writes each of "
                                      "them whole, so the saved archive may be much larger.")
                           .arg(m_writer->OverlappingEntries)
                           .arg(m_fileName);
        ShowMessageBox(warning);
    }
}

// ---------------------------------------------------------------- rows

QString TFrm_MODEdit::ListResGetText(int row, int column) const
{
    if (row < 0 || std::size_t(row) >= m_rows.size())
        return {};
    const TRow &entry = m_rows[std::size_t(row)];
    switch (column) {
    case 0:
        return m_writer ? FromGameText(entry.ResRef, m_writer->Codec()) : QString();
    case 1:
        return QString::fromLatin1(CMODPAK::TypeToExt(entry.ResType));
    case 2:
        return QString::number(entry.Size);
    default:
        return {};
    }
}

void TFrm_MODEdit::AddRow(const RMOD_FILE &entry)
{
    m_rows.push_back({entry.ResRef, entry.ResType, entry.Size});
}

void TFrm_MODEdit::RelistRows()
{
    ListRes->Relist(int(m_rows.size()));
}

int TFrm_MODEdit::EntryOf(int row) const
{
    if (!m_writer || row < 0 || std::size_t(row) >= m_rows.size())
        return -1;
    const TRow &entry = m_rows[std::size_t(row)];
    return m_writer->Find(entry.ResRef, entry.ResType);
}

void TFrm_MODEdit::UpdateStatus()
{
    // An estimate of the archive's size: the lists are not counted.
    qint64 size = 0;
    if (m_writer && !m_writer->Entries().empty()) {
        for (const RMOD_FILE &entry : m_writer->Entries())
            size += entry.Size;
        const CGameTextCodec &codec = m_writer->Codec();
        for (const QString &text : {Edit1->text(), Edit2->text(), Memo1->toPlainText()})
            size += qint64(codec.Encode(text.toStdString()).value_or(text.toStdString()).size());
        size += CMODPAK::HeaderSize;
    }
    StatusBar1->setText(QStringLiteral("File Count: ") + QString::number(m_rows.size()) +
                        QStringLiteral("  File Size: ") + QString::number(size) + QStringLiteral(" bytes"));
}

void TFrm_MODEdit::Remove1Click()
{
    RemoveSelected();
}

void TFrm_MODEdit::RemoveSelected()
{
    const std::vector<int> rows = ListRes->SelectedRows();
    if (m_writer && !rows.empty()) {
        TMessageBoxRequest question;
        question.Parent = this;
        question.Icon = QMessageBox::Warning;
        question.Caption = TApplication::Title();
        question.Text = QStringLiteral("Remove the selected resources ?");
        question.Buttons = QMessageBox::Yes | QMessageBox::No;
        if (ShowMessageBox(question) == QMessageBox::Yes) {
            // From the last row up, so the rows still to remove keep their positions.
            for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
                const int entry = EntryOf(*row);
                if (entry >= 0)
                    m_writer->Delete(entry);
                m_rows.erase(m_rows.begin() + *row);
            }
            RelistRows();
        }
    }
    UpdateStatus();
}

bool TFrm_MODEdit::eventFilter(QObject *watched, QEvent *event)
{
    // ListResKeyDown: the Delete key removes, like the menu item.
    if (watched == ListRes && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
        RemoveSelected();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

// ---------------------------------------------------------------- drag and drop

QMimeData *TFrm_MODEdit::RowsMimeData(const std::vector<int> &rows) const
{
    // The window's number, then "type name" per row, the name's bytes in hex.
    QByteArray data = QByteArray::number(m_number) + '\n';
    for (int row : rows) {
        const TRow &entry = m_rows.at(std::size_t(row));
        data += QByteArray::number(entry.ResType) + ' ' + QByteArray::fromStdString(entry.ResRef).toHex() + '\n';
    }
    auto *mime = new QMimeData;
    mime->setData(QString::fromLatin1(kRowsMimeType), data);
    return mime;
}

namespace {

// The packer window a drag of rows comes from, with the rows it carries.
struct TDraggedRows {
    TFrm_MODEdit *Source = nullptr;
    std::vector<std::pair<std::string, std::int32_t>> Rows; // name, type
};

TDraggedRows ReadDraggedRows(const QMimeData *mime)
{
    TDraggedRows dragged;
    const QList<QByteArray> lines = mime->data(QString::fromLatin1(TFrm_MODEdit::kRowsMimeType)).split('\n');
    if (lines.isEmpty())
        return dragged;
    bool isNumber = false;
    const int number = lines[0].toInt(&isNumber);
    for (const QPointer<TFrm_MODEdit> &window : PackerWindows())
        if (isNumber && window && window->Number() == number)
            dragged.Source = window;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> parts = lines[i].split(' ');
        if (parts.size() == 2)
            dragged.Rows.emplace_back(QByteArray::fromHex(parts[1]).toStdString(), parts[0].toInt());
    }
    return dragged;
}

} // namespace

bool TFrm_MODEdit::AcceptsDrop(const QMimeData *mime) const
{
    if (!m_writer || !mime)
        return false;
    if (mime->hasFormat(QString::fromLatin1(kFilesMimeType)))
        return mime->hasUrls();
    if (mime->hasFormat(QString::fromLatin1(kRowsMimeType))) {
        const TDraggedRows dragged = ReadDraggedRows(mime);
        // Rows of this window's own list are refused.
        return dragged.Source && dragged.Source != this && dragged.Source->Writer();
    }
    return false;
}

void TFrm_MODEdit::ListResDragDrop(const QMimeData *mime)
{
    if (!AcceptsDrop(mime))
        return;
    if (mime->hasFormat(QString::fromLatin1(kFilesMimeType))) {
        QStringList paths;
        for (const QUrl &url : mime->urls())
            if (url.isLocalFile())
                paths << url.toLocalFile();
        DropFiles(paths);
    } else {
        TDraggedRows dragged = ReadDraggedRows(mime);
        DropRows(*dragged.Source, dragged.Rows);
    }
    UpdateStatus();
}

void TFrm_MODEdit::DropFiles(const QStringList &paths)
{
    const int before = int(m_rows.size());
    RunExport(this, QStringLiteral("Adding Resources"), paths.size(), [&](TExportRun &run) {
        for (const QString &path : paths) {
            run.Step(path);
            // Names too long, extensions without a type and resources already
            // present are passed over, as the writer's rules say.
            if (m_writer->AddFileIfAccepted(ToPath(path)).empty())
                AddRow(m_writer->Entries().back());
        }
    });
    ListRes->ListModel()->Append(int(m_rows.size()) - before);
}

void TFrm_MODEdit::DropRows(TFrm_MODEdit &source, const std::vector<std::pair<std::string, std::int32_t>> &rows)
{
    const int before = int(m_rows.size());
    RunExport(this, QStringLiteral("Adding Resources"), qint64(rows.size()), [&](TExportRun &run) {
        for (const auto &[resref, type] : rows) {
            run.Step(FromGameText(resref, m_writer->Codec()) + u'.' + QString::fromLatin1(CMODPAK::TypeToExt(type)));
            if (m_writer->Find(resref, type) >= 0)
                continue;
            const int entry = source.m_writer->Find(resref, type);
            if (entry < 0)
                continue;
            // The bytes are copied: the two archives stay independent.
            m_writer->AddEntry(source.m_writer->Entries()[std::size_t(entry)]);
            AddRow(m_writer->Entries().back());
        }
    });
    ListRes->ListModel()->Append(int(m_rows.size()) - before);
}

// ---------------------------------------------------------------- exports

void TFrm_MODEdit::Export1Click()
{
    const std::vector<int> rows = ListRes->SelectedRows();
    if (!m_writer || rows.empty() || !opendirdialog->Execute(this))
        return;
    const std::string folder = ToPath(opendirdialog->Directory());
    RunExport(this, QStringLiteral("Exporting resources"), qint64(rows.size()), [&](TExportRun &run) {
        for (int row : rows) {
            run.Step(QStringLiteral("Exporting : ") + ListResGetText(row, 0) + u'.' + ListResGetText(row, 1));
            const int entry = EntryOf(row);
            if (entry >= 0)
                m_writer->ExportToFile(entry, folder);
        }
    });
}

void TFrm_MODEdit::ExportProgress(CMODPAK &writer, TExportRun &run)
{
    run.Step(QStringLiteral("Exporting : ") + FromPath(writer.CurrentName));
}

void TFrm_MODEdit::ExportAll1Click()
{
    if (!m_writer || m_rows.empty() || !opendirdialog->Execute(this))
        return;
    const std::string folder = ToPath(opendirdialog->Directory());
    RunExport(this, QStringLiteral("Exporting resources"), qint64(m_writer->Entries().size()), [&](TExportRun &run) {
        struct TProgressHandler {
            CMODPAK &Writer;
            ~TProgressHandler() { Writer.OnExport = nullptr; }
        } handler{*m_writer};
        m_writer->OnExport = [this, &run](CMODPAK &writer) { ExportProgress(writer, run); };
        m_writer->ExportAll(folder);
    });
}

// ---------------------------------------------------------------- saving

void TFrm_MODEdit::CopyFieldsToWriter()
{
    const CGameTextCodec &codec = m_writer->Codec();
    auto encoded = [&codec](const QString &text, const char *field) {
        const std::optional<std::string> bytes = codec.Encode(text.toStdString());
        if (!bytes)
            throw EFileError(std::string("The ") + field + " has characters the game's text encoding (" +
                             codec.Name() + ") cannot hold.");
        return *bytes;
    };
    m_writer->Description = encoded(Memo1->toPlainText(), "description");
    m_writer->Url = encoded(Edit2->text(), "URL");
    m_writer->Title = encoded(Edit1->text(), "title");
}

void TFrm_MODEdit::SaveTo(const QString &path)
{
    m_writer->Save(ToPath(path));
}

void TFrm_MODEdit::SaveClick()
{
    if (!m_writer || m_rows.empty())
        return;
    if (m_untitled) {
        Saveas1Click();
        return;
    }
    CopyFieldsToWriter();
    SaveTo(m_fileName);
    SetCaptionFromFileName();
}

void TFrm_MODEdit::Saveas1Click()
{
    SaveAsWithProposal(m_fileName);
}

void TFrm_MODEdit::SaveasERF1Click()
{
    m_pendingKind = akERF;
    SaveAsWithProposal(m_fileName.left(m_fileName.size() - 4) + QString::fromLatin1(KindExtension(akERF)));
}

void TFrm_MODEdit::SaveasHAK1Click()
{
    m_pendingKind = akHAK;
    SaveAsWithProposal(m_fileName.left(m_fileName.size() - 4) + QString::fromLatin1(KindExtension(akHAK)));
}

void TFrm_MODEdit::SaveasMOD1Click()
{
    m_pendingKind = akMOD;
    SaveAsWithProposal(m_fileName.left(m_fileName.size() - 4) + QString::fromLatin1(KindExtension(akMOD)));
}

void TFrm_MODEdit::SaveAsWithProposal(const QString &proposal)
{
    if (!m_writer || m_rows.empty())
        return;
    const int kind = m_pendingKind != akNone ? m_pendingKind : m_kind;
    const QString extension = QString::fromLatin1(KindExtension(kind)).mid(1);
    SaveDialog1->SetFilter(QStringLiteral("*.") + extension + QStringLiteral("|*.") + extension);
    SaveDialog1->SetFileName(proposal);
    if (!SaveDialog1->Execute(this))
        return; // a pending kind stays for the next Save as
    const QString path = SaveDialog1->FileName();
    if (FileExists(ToPath(path))) {
        TMessageBoxRequest question;
        question.Parent = this;
        question.Icon = QMessageBox::Question;
        question.Caption = TApplication::Title();
        question.Text = QStringLiteral("Override existing file ?");
        question.Buttons = QMessageBox::Yes | QMessageBox::No;
        if (ShowMessageBox(question) != QMessageBox::Yes)
            return;
    }

    // The fields take the new kind's form before they are saved; a failed save
    // puts the window back as it was, so nothing the user typed is lost.
    const int oldKind = m_kind;
    const QString title = Edit1->text(), url = Edit2->text(), description = Memo1->toPlainText();
    if (kind != oldKind)
        SetupFieldsForKind(kind, false);
    try {
        CopyFieldsToWriter();
        m_writer->Kind = kind;
        SaveTo(path);
    } catch (...) {
        m_writer->Kind = oldKind;
        if (kind != oldKind) {
            SetupFieldsForKind(oldKind, false);
            Edit1->setText(title);
            Edit2->setText(url);
            Memo1->setPlainText(description);
        }
        throw;
    }
    m_kind = kind;
    m_pendingKind = akNone;
    m_untitled = false;
    m_fileName = path;
    SetCaptionFromFileName();
}

// ---------------------------------------------------------------- closing

void TFrm_MODEdit::Close2Click()
{
    if (m_fileName.isEmpty())
        return;
    if (!m_rows.empty()) {
        TMessageBoxRequest question;
        question.Parent = this;
        question.Icon = QMessageBox::Question;
        question.Caption = TApplication::Title();
        question.Text = QStringLiteral("Would you like to save before closing ?");
        question.Buttons = QMessageBox::Yes | QMessageBox::No;
        // A save that fails stops the closing: the archive stays open.
        if (ShowMessageBox(question) == QMessageBox::Yes)
            SaveClick();
    }
    for (QWidget *field : std::initializer_list<QWidget *>{Edit1, Edit2, Memo1})
        field->setEnabled(false);
    Edit1->clear();
    Edit2->clear();
    Memo1->clear();
    m_fileName.clear();
    m_untitled = true;
    m_writer.reset();
    m_kind = akNone;
    m_pendingKind = akNone;
    m_rows.clear();
    RelistRows();
    SetEditing(false);
    SetCaptionFile(this, QString());
    StatusBar1->clear();
}

void TFrm_MODEdit::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // Once the child window's layout has settled (a maximized window is laid
    // out more than once).
    constexpr int kSettleMs = 200;
    QTimer::singleShot(kSettleMs, this, [this] {
        const QModelIndex current = ShellTreeView1->currentIndex();
        for (QModelIndex folder = current.parent(); folder.isValid(); folder = folder.parent())
            ShellTreeView1->expand(folder);
        ShellTreeView1->scrollTo(current, QAbstractItemView::PositionAtCenter);
    });
}

void TFrm_MODEdit::closeEvent(QCloseEvent *event)
{
    if (!isEnabled()) { // a drop or an export is under way
        event->ignore();
        return;
    }
    if (Close2->isEnabled()) {
        try {
            Close2Click();
        } catch (...) {
            event->ignore();
            throw;
        }
    }
    event->accept();
}
