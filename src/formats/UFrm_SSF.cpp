#include "formats/UFrm_SSF.h"

#include "formats/UCSSF.h"
#include "formats/URecordTable.h"
#include "formats/UTableModel.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kDesignedWidth = 530;
constexpr int kDesignedHeight = 316;

} // namespace

TFrm_SSF::TFrm_SSF(QWidget *parent) : QWidget(parent), m_soundSet(std::make_unique<CSSF>())
{
    setObjectName(QStringLiteral("Frm_SSF"));
    setWindowTitle(QString::fromLatin1(kCaption));

    m_model = new TStringTableModel(this);
    m_model->SetTable({"ID", "ResName", "TLKREF"}, {});
    ListRes = new QTableView(this);
    ListRes->setObjectName(QStringLiteral("ListRes"));
    ListRes->setModel(m_model);
    SetUpListGrid(ListRes);
    QHeaderView *header = ListRes->horizontalHeader();
    header->resizeSection(0, kIdWidth);
    header->resizeSection(1, kResNameWidth);
    header->resizeSection(2, kTlkRefWidth);
    ListRes->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListRes);
    resize(kDesignedWidth, kDesignedHeight);
}

TFrm_SSF::~TFrm_SSF() = default;

void TFrm_SSF::OpenFile(const QString &path)
{
    setWindowTitle(windowTitle() + " - " + QFileInfo(path).fileName());
    m_soundSet->Load(QFile::encodeName(path).toStdString());
    std::vector<TStringTableModel::TRow> rows;
    rows.reserve(m_soundSet->Entries.size());
    for (const RSSF &slot : m_soundSet->Entries)
        rows.push_back({slot.ID, slot.ResRef, slot.Text});
    m_model->SetRows(std::move(rows));
}

void TFrm_SSF::ListResResize()
{
    FillLastColumn(ListRes);
}

bool TFrm_SSF::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize && watched == ListRes)
        ListResResize();
    return QWidget::eventFilter(watched, event);
}

void TFrm_SSF::closeEvent(QCloseEvent *event)
{
    m_model->SetRows({});
    event->accept();
}
