#include "formats/UFrm_UTX.h"

#include "app/UApplication.h"
#include "app/UDialogs.h"
#include "app/UFileIO.h"
#include "app/USettings.h"
#include "formats/UFrm_UTXPreview.h"
#include "formats/URecordTable.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int kDesignedWidth = 549;
constexpr int kDesignedHeight = 433;

} // namespace

TFrm_UTX::TFrm_UTX(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_UTX"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);
    // The translator, once the program has one, translates the captions here.

    const bool makeText = Settings().UTXMakeText;
    m_reader = std::make_unique<CUT>();
    m_reader->MakeText = makeText;

    m_gridModel = new TRecordTableModel(
        {QStringLiteral("ID"), QStringLiteral("Type"), QStringLiteral("Name"), QStringLiteral("Value")},
        [this](std::size_t record, int column) -> std::string {
            const RUT *entry = EntryAt(record);
            if (!entry)
                return {};
            switch (column) {
            case 0: return entry->ID;
            case 1: return entry->Type;
            case 2: return entry->Name;
            default: return entry->Value;
            }
        },
        this);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    Tab_Grid = new QWidget;
    Tab_Grid->setObjectName(QStringLiteral("Tab_Grid"));
    ListRes = new QTableView(Tab_Grid);
    ListRes->setObjectName(QStringLiteral("ListRes"));
    SetUpRecordView(ListRes, m_gridModel, {40, 80, 200, 200});
    ListRes->installEventFilter(this);
    ListRes->viewport()->installEventFilter(this);
    auto *gridLayout = new QVBoxLayout(Tab_Grid);
    gridLayout->setContentsMargins(0, 0, 0, 0);
    gridLayout->addWidget(ListRes);
    PageControl1->addTab(Tab_Grid, QStringLiteral("Grid"));

    Tab_Text = new QWidget;
    Tab_Text->setObjectName(QStringLiteral("Tab_Text"));
    Memo1 = new QPlainTextEdit(Tab_Text);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setWordWrapMode(QTextOption::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    BtnSave = new QPushButton(QStringLiteral("Save"), Tab_Text);
    BtnSave->setObjectName(QStringLiteral("BtnSave"));
    BtnSave->setAutoDefault(false);
    connect(BtnSave, &QPushButton::clicked, this, &TFrm_UTX::BtnSaveClick);
    Lbl_Info = new QLabel(QString::fromLatin1(kInfoText), Tab_Text);
    Lbl_Info->setObjectName(QStringLiteral("Lbl_Info"));
    auto *strip = new QHBoxLayout;
    strip->setContentsMargins(4, 2, 4, 4);
    strip->addWidget(BtnSave);
    strip->addSpacing(8);
    strip->addWidget(Lbl_Info, 1);
    auto *textLayout = new QVBoxLayout(Tab_Text);
    textLayout->setContentsMargins(0, 0, 0, 0);
    textLayout->setSpacing(2);
    textLayout->addWidget(Memo1, 1);
    textLayout->addLayout(strip);
    const int textPage = PageControl1->addTab(Tab_Text, QStringLiteral("Text"));

    // Without the dump the page and everything on it stay out of use.
    PageControl1->setTabEnabled(textPage, makeText);
    Tab_Text->setEnabled(makeText);

    SaveDialog1 = new TSaveDialog(QStringLiteral("SaveDialog1"), QStringLiteral("*.TXT|*.TXT"), this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(PageControl1);
}

TFrm_UTX::~TFrm_UTX() = default;

const RUT *TFrm_UTX::EntryAt(std::size_t record) const
{
    if (!m_reader || record >= m_reader->Entries.size())
        return nullptr;
    return &m_reader->Entries[record];
}

void TFrm_UTX::OpenFile(const QString &path)
{
    setWindowTitle(windowTitle() + " - " + QFileInfo(path).fileName());
    m_gridModel->Clear();
    Memo1->clear();
    m_reader->Entries.clear();
    try {
        m_reader->Load(QFile::encodeName(path).toStdString());
    } catch (...) {
        // What a damaged file gave before the error is not shown.
        m_reader->Entries.clear();
        m_reader->Lines.clear();
        throw;
    }
    m_gridModel->ShowAll(m_reader->Entries.size());

    std::string text;
    for (const std::string &line : m_reader->Lines) {
        if (&line != &m_reader->Lines.front())
            text += '\n';
        text += line;
    }
    // One call for the whole dump: large files load at once.
    Memo1->setPlainText(FromCoreString(text));
}

void TFrm_UTX::BtnSaveClick()
{
    if (!SaveDialog1->Execute(this))
        return;
    CAtomicFile file(QFile::encodeName(SaveDialog1->FileName()).toStdString());
    file.File().Write(m_reader->DumpText());
    file.Commit();
}

void TFrm_UTX::ListResDblClick()
{
    const QModelIndex current = ListRes->currentIndex();
    if (!current.isValid())
        return;
    const RUT *entry = EntryAt(m_gridModel->Record(current.row()));
    if (!entry)
        return;
    TFrm_UTxPreview preview(this);
    preview.ShowEntry(FromCoreString(entry->ID), FromCoreString(entry->Type),
                      FromCoreString(entry->Name), FromCoreString(entry->Value));
    QWidget *over = TApplication::MainForm() ? TApplication::MainForm() : window();
    preview.move(over->frameGeometry().center() - QPoint(preview.width() / 2, preview.height() / 2));
    preview.exec();
}

void TFrm_UTX::ListResResize()
{
    FillLastColumn(ListRes);
}

bool TFrm_UTX::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListRes && event->type() == QEvent::Resize) {
        ListResResize();
    } else if (watched == ListRes->viewport() && event->type() == QEvent::MouseButtonDblClick &&
               static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        ListResDblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFrm_UTX::closeEvent(QCloseEvent *event)
{
    m_gridModel->Clear();
    m_reader->Entries.clear();
    m_reader->Lines.clear();
    event->accept();
}
