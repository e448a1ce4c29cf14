#include "formats/UFrm_2DA.h"

#include "app/UApplication.h"
#include "app/UCTRAD.h"
#include "app/UFileIO.h"
#include "app/UGameText.h"
#include "app/UListModel.h"
#include "formats/UFrm_2DAPreview.h"

#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QHeaderView>
#include <QMouseEvent>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

namespace {

constexpr int kDesignedWidth = 510;
constexpr int kDesignedHeight = 317;

// Places window centred over the main window (over the screen without one).
void CentreOverMainForm(QWidget *window)
{
    QRect area;
    if (const QWidget *main = TApplication::MainForm())
        area = main->frameGeometry();
    else if (const QScreen *screen = window->screen())
        area = screen->availableGeometry();
    else
        return;
    window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

} // namespace

TFrm_2DA::TFrm_2DA(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Frm_2DA"));
    setWindowTitle(QString::fromLatin1(kCaption));
    resize(kDesignedWidth, kDesignedHeight);

    m_model = new TListModel({}, [this](int row, int column) { return Cell(row, column); }, this);
    ListRes = new TListView(this);
    ListRes->setObjectName(QStringLiteral("ListRes"));
    SetUpListGrid(ListRes, m_model);
    ListRes->viewport()->installEventFilter(this);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(ListRes);
}

void TFrm_2DA::OpenFile(const QString &path)
{
    SetCaptionFile(this, QFileInfo(path).fileName());
    Parse(ReadWholeFile(ToPath(path)));
}

void TFrm_2DA::OpenText(const std::string &text)
{
    Parse(text);
}

void TFrm_2DA::Parse(const std::string &text)
{
    m_codec = &GameTextCodec();
    m_table = Parse2DA(text);
    // A column is as wide as its title asks (ColumnWidthOf), and wider, up to
    // that rule's maximum, where the first rows' cells need it: short titles
    // over long values would otherwise cut every value off.
    constexpr int kRowsMeasured = 200;
    constexpr int kCellPadding = 10;
    const QFontMetrics metrics = ListRes->fontMetrics();
    std::vector<TListColumn> columns;
    columns.reserve(m_table.Titles.size());
    for (std::size_t column = 0; column < m_table.Titles.size(); ++column) {
        const std::string &title = m_table.Titles[column];
        int width = ColumnWidthOf(title);
        for (std::size_t row = 0; row < m_table.Rows.size() && row < kRowsMeasured && width < kMaxColumnWidth; ++row)
            width = std::min(kMaxColumnWidth,
                             std::max(width, metrics.horizontalAdvance(Cell(int(row), int(column))) + kCellPadding));
        columns.push_back({FromGameText(title, *m_codec), width});
    }
    // One reset for the whole table: the grid draws once, at the end.
    m_model->SetColumns(std::move(columns));
    m_model->Relist(int(m_table.Rows.size()));
    ApplyColumnWidths(ListRes, m_model);
}

QString TFrm_2DA::Cell(int row, int column) const
{
    if (row < 0 || std::size_t(row) >= m_table.Rows.size())
        return {};
    const std::vector<std::string> &cells = m_table.Rows[std::size_t(row)];
    if (column < 0 || std::size_t(column) >= cells.size())
        return {};
    return FromGameText(cells[std::size_t(column)], *m_codec);
}

void TFrm_2DA::ListResDblClick()
{
    const QModelIndex focused = ListRes->currentIndex();
    if (!focused.isValid())
        return;
    const int row = focused.row();
    auto preview = std::make_unique<TFrm_2DAPreview>(this);
    for (int column = 0; column < m_model->columnCount(); ++column) {
        preview->AddField(m_model->headerData(column, Qt::Horizontal).toString(), Cell(row, column));
    }
    CentreOverMainForm(preview.get());
    preview->exec();
}

bool TFrm_2DA::eventFilter(QObject *watched, QEvent *event)
{
    // A double click anywhere in the grid shows the focused row; the first
    // click of it has already focused the row under the pointer.
    if (event->type() == QEvent::MouseButtonDblClick && watched == ListRes->viewport() &&
        static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        ListResDblClick();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFrm_2DA::closeEvent(QCloseEvent *event)
{
    m_model->SetColumns({});
    m_table = {};
    event->accept();
}
