#include "formats/UFrm_SSF.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UListModel.h"
#include "formats/UCSSF.h"

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

    m_model = new TListModel({{QStringLiteral("ID"), kIdWidth},
                              {QStringLiteral("ResName"), kResNameWidth},
                              {QStringLiteral("TLKREF"), kTlkRefWidth}},
                             [this](int row, int column) -> QString {
                                 const RSSF &slot = m_soundSet->Entries[std::size_t(row)];
                                 switch (column) {
                                 case 0: return QString::fromStdString(slot.ID);
                                 case 1: return FromGameText(slot.ResRef, *m_soundSet->Codec);
                                 default: return FromGameText(slot.Text, m_soundSet->TalkTable.Codec());
                                 }
                             },
                             this);
    ListRes = new TListView(this);
    ListRes->setObjectName(QStringLiteral("ListRes"));
    SetUpListGrid(ListRes, m_model);
    ListRes->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListRes);
    resize(kDesignedWidth, kDesignedHeight);
}

TFrm_SSF::~TFrm_SSF() = default;

void TFrm_SSF::OpenFile(const QString &path)
{
    Translator().Translate(this);
    SetCaptionFile(this, QFileInfo(path).fileName());
    m_soundSet->Load(ToPath(path));
    m_model->Relist(int(m_soundSet->Entries.size()));
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
    m_model->Clear();
    event->accept();
}
