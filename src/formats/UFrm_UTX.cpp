#include "formats/UFrm_UTX.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UDialogs.h"
#include "app/UFileIO.h"
#include "app/UListModel.h"
#include "app/USettings.h"
#include "formats/UFrm_UTXPreview.h"

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
    const bool makeText = Settings().UTXMakeText;
    m_reader = std::make_unique<CUT>();
    m_reader->MakeText = makeText;

    m_gridModel = new TListModel({{QStringLiteral("ID"), 40},
                                  {QStringLiteral("Type"), 80},
                                  {QStringLiteral("Name"), 200},
                                  {QStringLiteral("Value"), 200}},
                                 [this](int row, int column) -> QString {
                                     const RUT *entry = EntryAt(row);
                                     if (!entry)
                                         return {};
                                     switch (column) {
                                     case 0: return QString::fromStdString(entry->ID);
                                     case 1: return QString::fromStdString(entry->Type);
                                     case 2: return QString::fromStdString(m_reader->NameText(*entry));
                                     default: return QString::fromStdString(m_reader->ValueText(*entry));
                                     }
                                 },
                                 this);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));

    Tab_Grid = new QWidget;
    Tab_Grid->setObjectName(QStringLiteral("Tab_Grid"));
    ListRes = new TListView(Tab_Grid);
    ListRes->setObjectName(QStringLiteral("ListRes"));
    SetUpListGrid(ListRes, m_gridModel);
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
    Translator().Translate(this);
}

TFrm_UTX::~TFrm_UTX() = default;

const RUT *TFrm_UTX::EntryAt(int row) const
{
    if (!m_reader || row < 0 || std::size_t(row) >= m_reader->Entries.size())
        return nullptr;
    return &m_reader->Entries[std::size_t(row)];
}

void TFrm_UTX::OpenFile(const QString &path)
{
    SetCaptionFile(this, QFileInfo(path).fileName());
    m_gridModel->Clear();
    Memo1->clear();
    m_reader->Entries.clear();
    try {
        m_reader->Load(ToPath(path));
    } catch (...) {
        // What a damaged file gave before the error is not shown.
        m_reader->Entries.clear();
        m_reader->Lines.clear();
        throw;
    }
    m_gridModel->Relist(int(m_reader->Entries.size()));

    std::string text;
    for (std::size_t line = 0; line < m_reader->Lines.size(); ++line) {
        if (line > 0)
            text += '\n';
        text += m_reader->DumpLineText(line);
    }
    // One call for the whole dump: large files load at once.
    Memo1->setPlainText(QString::fromStdString(text));
}

void TFrm_UTX::BtnSaveClick()
{
    if (!SaveDialog1->Execute(this))
        return;
    CAtomicFile file(ToPath(SaveDialog1->FileName()));
    file.File().Write(m_reader->DumpText());
    file.Commit();
}

void TFrm_UTX::ListResDblClick()
{
    const QModelIndex current = ListRes->currentIndex();
    if (!current.isValid())
        return;
    const RUT *entry = EntryAt(current.row());
    if (!entry)
        return;
    TFrm_UTxPreview preview(this);
    preview.ShowEntry(QString::fromStdString(entry->ID), QString::fromStdString(entry->Type),
                      QString::fromStdString(m_reader->NameText(*entry)),
                      QString::fromStdString(m_reader->ValueText(*entry)));
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
