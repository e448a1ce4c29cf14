#include "formats/UFrm_TLK.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UListModel.h"
#include "app/UMessage.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace {

constexpr int kDesignedWidth = 524;
constexpr int kDesignedHeight = 430;
constexpr int kDetailHeight = 140;
constexpr int kResRefLength = 16;

enum class TNavigation { First, Previous, Next, Last };

// The picture of a navigation button: a triangle pointing the way it moves,
// with a bar for the first and last row.
QIcon NavigationIcon(TNavigation kind)
{
    QIcon icon;
    for (int side : {16, 24, 32}) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 0, 128));
        const qreal unit = side / 16.0;
        const bool left = kind == TNavigation::First || kind == TNavigation::Previous;
        const bool bar = kind == TNavigation::First || kind == TNavigation::Last;
        // Drawn pointing left, mirrored for the right-hand buttons.
        if (!left) {
            painter.translate(side, 0);
            painter.scale(-1, 1);
        }
        const qreal tip = bar ? 5.5 : 4.0;
        QPainterPath triangle;
        triangle.moveTo(tip * unit, 8 * unit);
        triangle.lineTo((tip + 7) * unit, 2.5 * unit);
        triangle.lineTo((tip + 7) * unit, 13.5 * unit);
        triangle.closeSubpath();
        painter.drawPath(triangle);
        if (bar)
            painter.drawRect(QRectF(2.5 * unit, 2.5 * unit, 2 * unit, 11 * unit));
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QToolButton *AddNavigationButton(QToolBar *bar, const char *name, TNavigation kind,
                                 const QString &tip)
{
    auto *button = new QToolButton(bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(NavigationIcon(kind));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    bar->addWidget(button);
    return button;
}

QLabel *BoldLabel(const char *name, const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

} // namespace

TFrm_TLK::TFrm_TLK(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_TLK"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);

    m_listModel = new TListModel({{QStringLiteral("ID"), 60},
                                  {QStringLiteral("ResName"), 150},
                                  {QStringLiteral("Description"), 282}},
                                 [this](int row, int column) -> QString {
                                     const RTLK *entry = ListedEntry(row);
                                     if (!entry)
                                         return {};
                                     switch (column) {
                                     case 0: return QString::number(entry->Index);
                                     case 1: return FromGameText(entry->SoundResRef, m_talkTable.Codec());
                                     default: return FromGameText(entry->Text, m_talkTable.Codec());
                                     }
                                 },
                                 this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    CreateSearchStrip();

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setChildrenCollapsible(false);
    ListRes = new TListView(Splitter1);
    ListRes->setObjectName(QStringLiteral("ListRes"));
    SetUpListGrid(ListRes, m_listModel);
    ListRes->installEventFilter(this);
    connect(ListRes->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { ListResFocusChanged(current); });
    auto *details = new QWidget(Splitter1);
    details->setObjectName(QStringLiteral("Panel_Detail"));
    CreateDetailArea(details);
    Splitter1->addWidget(ListRes);
    Splitter1->addWidget(details);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setStretchFactor(1, 0);
    Splitter1->setSizes({kDesignedHeight - kDetailHeight, kDetailHeight});

    layout->addWidget(Splitter1, 1);
    Translator().Translate(this);
}

TFrm_TLK::~TFrm_TLK() = default;

void TFrm_TLK::CreateSearchStrip()
{
    auto *strip = new QHBoxLayout;
    strip->setSpacing(6);

    RadioGroup1 = new QGroupBox(QStringLiteral("Search by"), this);
    RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
    RadioGroup1_ResRef = new QRadioButton(QStringLiteral("ResRef"), RadioGroup1);
    RadioGroup1_ResRef->setObjectName(QStringLiteral("RadioGroup1_ResRef"));
    RadioGroup1_Text = new QRadioButton(QStringLiteral("Text"), RadioGroup1);
    RadioGroup1_Text->setObjectName(QStringLiteral("RadioGroup1_Text"));
    m_searchBy = new QButtonGroup(RadioGroup1);
    m_searchBy->addButton(RadioGroup1_ResRef, kSearchByResRef);
    m_searchBy->addButton(RadioGroup1_Text, kSearchByText);
    RadioGroup1_ResRef->setChecked(true);
    connect(m_searchBy, &QButtonGroup::idToggled, this, [this](int, bool checked) {
        if (checked)
            RadioGroup1Click();
    });
    auto *options = new QHBoxLayout(RadioGroup1);
    options->addWidget(RadioGroup1_ResRef);
    options->addWidget(RadioGroup1_Text);
    strip->addWidget(RadioGroup1);

    Grp_SearchValue = new QGroupBox(QStringLiteral("Search value"), this);
    Grp_SearchValue->setObjectName(QStringLiteral("Grp_SearchValue"));
    SearchID = new QSpinBox(Grp_SearchValue);
    SearchID->setObjectName(QStringLiteral("SearchID"));
    SearchID->setRange(0, 0);
    SearchID->setMinimumWidth(90);
    SearchID->installEventFilter(this);
    SearchText = new QLineEdit(Grp_SearchValue);
    SearchText->setObjectName(QStringLiteral("SearchText"));
    SearchText->setMinimumWidth(120);
    SearchText->hide();
    SearchText->installEventFilter(this);
    Btn_Search = new QPushButton(QStringLiteral("Search"), Grp_SearchValue);
    Btn_Search->setObjectName(QStringLiteral("Btn_Search"));
    Btn_Search->setAutoDefault(false);
    connect(Btn_Search, &QPushButton::clicked, this, &TFrm_TLK::Btn_SearchClick);
    auto *value = new QHBoxLayout(Grp_SearchValue);
    value->addWidget(SearchID, 1);
    value->addWidget(SearchText, 1);
    value->addWidget(Btn_Search);
    strip->addWidget(Grp_SearchValue, 1);

    GroupBox2 = new QGroupBox(this);
    GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
    Btn_ViewAll = new QPushButton(QStringLiteral("View All"), GroupBox2);
    Btn_ViewAll->setObjectName(QStringLiteral("Btn_ViewAll"));
    Btn_ViewAll->setAutoDefault(false);
    connect(Btn_ViewAll, &QPushButton::clicked, this, &TFrm_TLK::Btn_ViewAllClick);
    auto *viewAll = new QHBoxLayout(GroupBox2);
    viewAll->addWidget(Btn_ViewAll);
    strip->addWidget(GroupBox2);

    static_cast<QVBoxLayout *>(layout())->addLayout(strip);
}

void TFrm_TLK::CreateDetailArea(QWidget *area)
{
    StaticText1 = new QLabel(QStringLiteral("0"), area);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    KeepUntranslated(StaticText1);
    StaticText1->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StaticText1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StaticText1->setMinimumWidth(70);
    StaticText1->setTextInteractionFlags(Qt::TextSelectableByMouse);

    Edit_ResName = new QLineEdit(area);
    Edit_ResName->setObjectName(QStringLiteral("Edit_ResName"));
    Edit_ResName->setReadOnly(true);
    Edit_ResName->setMaxLength(kResRefLength);
    Edit_ResName->setMinimumWidth(150);

    ToolBar1 = new QToolBar(area);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(16, 16));
    ToolButton1 = AddNavigationButton(ToolBar1, "ToolButton1", TNavigation::First, QStringLiteral("First"));
    ToolButton2 = AddNavigationButton(ToolBar1, "ToolButton2", TNavigation::Previous, QStringLiteral("Previous"));
    ToolButton3 = AddNavigationButton(ToolBar1, "ToolButton3", TNavigation::Next, QStringLiteral("Next"));
    ToolButton4 = AddNavigationButton(ToolBar1, "ToolButton4", TNavigation::Last, QStringLiteral("Last"));
    connect(ToolButton1, &QToolButton::clicked, this, &TFrm_TLK::ToolButton1Click);
    connect(ToolButton2, &QToolButton::clicked, this, &TFrm_TLK::ToolButton2Click);
    connect(ToolButton3, &QToolButton::clicked, this, &TFrm_TLK::ToolButton3Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TFrm_TLK::ToolButton4Click);

    Mmo_Description = new QPlainTextEdit(area);
    Mmo_Description->setObjectName(QStringLiteral("Mmo_Description"));
    Mmo_Description->setReadOnly(true);
    Mmo_Description->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Mmo_Description->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto *line = new QHBoxLayout;
    line->addWidget(BoldLabel("Label_ID", QStringLiteral("ID : "), area));
    line->addWidget(StaticText1);
    line->addSpacing(8);
    line->addWidget(BoldLabel("Label_ResName", QStringLiteral("Resource Name :"), area));
    line->addWidget(Edit_ResName);
    line->addStretch(1);
    line->addWidget(ToolBar1);

    auto *layout = new QVBoxLayout(area);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(4);
    layout->addLayout(line);
    layout->addWidget(BoldLabel("Label_Description", QStringLiteral("Description :"), area));
    layout->addWidget(Mmo_Description, 1);
}

void TFrm_TLK::OpenFile(const QString &path)
{
    Translator().Translate(this);
    SetCaptionFile(this, QFileInfo(path).fileName());
    ShowEntries({});
    ClearDetails();
    m_talkTable.Load(ToPath(path));
    if (!m_talkTable.Damage().empty())
        ShowErrorMessage(m_talkTable.Damage());
    // An empty table has no number to offer: the box keeps 0, and a search
    // for it lists nothing.
    SearchID->setRange(0, std::max(int(std::min<std::size_t>(m_talkTable.Count(), INT_MAX)) - 1, 0));
}

void TFrm_TLK::ClearDetails()
{
    Edit_ResName->clear();
    Mmo_Description->clear();
}

void TFrm_TLK::ShowEntries(std::vector<std::size_t> entries)
{
    m_listModel->Relist(int(entries.size()), [&] { m_listed = std::move(entries); });
}

const RTLK *TFrm_TLK::ListedEntry(int row) const
{
    const std::vector<RTLK> &entries = m_talkTable.Entries();
    if (row < 0 || std::size_t(row) >= m_listed.size() || m_listed[std::size_t(row)] >= entries.size())
        return nullptr;
    return &entries[m_listed[std::size_t(row)]];
}

void TFrm_TLK::Btn_ViewAllClick()
{
    ClearDetails();
    std::vector<std::size_t> every(m_talkTable.Count());
    for (std::size_t i = 0; i < every.size(); ++i)
        every[i] = i;
    ShowEntries(std::move(every));
}

long long TFrm_TLK::TypedSearchID() const
{
    bool isNumber = false;
    const long long id = SearchID->cleanText().trimmed().toLongLong(&isNumber);
    return isNumber ? id : 0;
}

void TFrm_TLK::Btn_SearchClick()
{
    ShowEntries({});
    ClearDetails();
    if (m_searchBy->checkedId() == kSearchByResRef) {
        const long long id = TypedSearchID();
        if (id >= 0 && std::size_t(id) < m_talkTable.Count())
            ShowEntries({std::size_t(id)});
        return;
    }
    ShowEntries(m_talkTable.Search(SearchText->text().toStdString()));
}

void TFrm_TLK::RadioGroup1Click()
{
    const bool byText = m_searchBy->checkedId() == kSearchByText;
    SearchID->setVisible(!byText);
    SearchText->setVisible(byText);
}

void TFrm_TLK::ListResFocusChanged(const QModelIndex &current)
{
    const RTLK *entry = current.isValid() ? ListedEntry(current.row()) : nullptr;
    if (!entry)
        return;
    StaticText1->setText(QString::number(entry->Index));
    Edit_ResName->setText(FromGameText(entry->SoundResRef, m_talkTable.Codec()));
    Mmo_Description->setPlainText(FromGameText(entry->Text, m_talkTable.Codec()));
}

void TFrm_TLK::ToolButton1Click()
{
    if (m_listModel->rowCount() > 0)
        FocusRow(ListRes, 0);
}

void TFrm_TLK::ToolButton2Click()
{
    if (m_listModel->rowCount() == 0)
        return;
    const QModelIndex current = ListRes->currentIndex();
    FocusRow(ListRes, current.isValid() && current.row() > 0 ? current.row() - 1 : 0);
}

void TFrm_TLK::ToolButton3Click()
{
    const QModelIndex current = ListRes->currentIndex();
    if (current.isValid() && current.row() + 1 < m_listModel->rowCount())
        FocusRow(ListRes, current.row() + 1);
}

void TFrm_TLK::ToolButton4Click()
{
    if (m_listModel->rowCount() > 0)
        FocusRow(ListRes, m_listModel->rowCount() - 1);
}

void TFrm_TLK::ListResResize()
{
    FillLastColumn(ListRes);
}

bool TFrm_TLK::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ListRes && event->type() == QEvent::Resize) {
        ListResResize();
    } else if ((watched == SearchID || watched == SearchText) && event->type() == QEvent::KeyPress) {
        // SearchIDKeyDown, SearchTextKeyDown: Enter searches.
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Btn_SearchClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFrm_TLK::closeEvent(QCloseEvent *event)
{
    ShowEntries({});
    m_talkTable = CTLK();
    event->accept();
}
