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
    Parse(ReadWholeFile(ToPath(path)), path.toStdString());
}

void TFrm_2DA::OpenText(const std::string &text)
{
    Parse(text, {});
}

void TFrm_2DA::Parse(std::string text, const std::string &fileName)
{
    m_codec = &GameTextCodec();
    m_table = Parse2DA(std::move(text), fileName);
    // A column is as wide as its title asks (ColumnWidthOf), and wider, up to
    // that rule's maximum, where the first rows' cells need it: short titles
    // over long values would otherwise cut every value off.
    constexpr std::size_t kRowsMeasured = 200;
    constexpr int kCellPadding = 10;
    const QFontMetrics metrics = ListRes->fontMetrics();
    std::vector<int> widths(m_table.Titles.size());
    for (std::size_t column = 0; column < widths.size(); ++column)
        widths[column] = ColumnWidthOf(m_table.Titles[column]);
    for (std::size_t row = 0; row < m_table.RowCount() && row < kRowsMeasured; ++row) {
        const std::vector<std::string_view> cells = m_table.CellsOf(row);
        for (std::size_t column = 0; column < cells.size(); ++column)
            if (widths[column] < kMaxColumnWidth)
                widths[column] = std::min(kMaxColumnWidth,
                                          std::max(widths[column], metrics.horizontalAdvance(FromGameText(
                                                                       cells[column], *m_codec)) + kCellPadding));
    }
    std::vector<TListColumn> columns;
    columns.reserve(m_table.Titles.size());
    for (std::size_t column = 0; column < m_table.Titles.size(); ++column)
        columns.push_back({FromGameText(m_table.Titles[column], *m_codec), widths[column]});
    // One reset for the whole table: the grid draws once, at the end.
    m_model->SetColumns(std::move(columns));
    m_model->Relist(int(m_table.RowCount()));
    ApplyColumnWidths(ListRes, m_model);
}

QString TFrm_2DA::Cell(int row, int column) const
{
    if (row < 0 || std::size_t(row) >= m_table.RowCount() || column < 0)
        return {};
    return FromGameText(m_table.Cell(std::size_t(row), std::size_t(column)), *m_codec);
}

void TFrm_2DA::ListResDblClick()
{
    const QModelIndex focused = ListRes->currentIndex();
    if (!focused.isValid() || std::size_t(focused.row()) >= m_table.RowCount())
        return;
    const std::vector<std::string> cells = m_table.Row(std::size_t(focused.row()));
    auto preview = std::make_unique<TFrm_2DAPreview>(this);
    for (int column = 0; column < m_model->columnCount(); ++column) {
        preview->AddField(m_model->headerData(column, Qt::Horizontal).toString(),
                          FromGameText(cells.at(std::size_t(column)), *m_codec));
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
