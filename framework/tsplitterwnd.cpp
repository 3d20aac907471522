#include "framework/tsplitterwnd.h"

#include "framework/windowid.h"

#include <QEvent>
#include <QLayout>
#include <algorithm>

namespace
{

constexpr UINT kPaneFirst = 59648;
constexpr int kHandleWidth = 6;

QWidget *EmptyCell()
{
    auto *cell = new QWidget;
    cell->setMinimumSize(0, 0);
    return cell;
}

} // namespace

TSplitterWnd::TSplitterWnd(QWidget *parent)
    : QSplitter(parent)
{
}

TSplitterWnd::~TSplitterWnd() = default;

// The border flag is accepted for nested splitters; the panes draw their own edges here.
bool TSplitterWnd::CreateStatic(QWidget *parent, int rows, int columns, UINT id, bool /*border*/)
{
    if (rows < 1 || columns < 1 || m_rows != 0)
        return false;
    m_rows = rows;
    m_columns = columns;
    m_columnIdeal.assign(static_cast<size_t>(columns), -1);
    m_rowIdeal.assign(static_cast<size_t>(rows), -1);
    setChildrenCollapsible(false);
    setHandleWidth(kHandleWidth);
    setOrientation(columns > 1 && rows == 1 ? Qt::Horizontal : Qt::Vertical);
    if (rows > 1 && columns > 1) {
        for (int r = 0; r < rows; ++r) {
            auto *line = new QSplitter(Qt::Horizontal);
            line->setChildrenCollapsible(false);
            line->setHandleWidth(kHandleWidth);
            for (int c = 0; c < columns; ++c)
                line->addWidget(EmptyCell());
            line->installEventFilter(this);
            connect(line, &QSplitter::splitterMoved, this, [this, line] { RememberDraggedSizes(line); });
            m_rowLines.push_back(line);
            addWidget(line);
        }
    } else {
        for (int i = 0; i < rows * columns; ++i)
            addWidget(EmptyCell());
    }
    connect(this, &QSplitter::splitterMoved, this, [this] { RememberDraggedSizes(this); });
    SetWindowId(this, id);
    if (parent) {
        setParent(parent);
        if (parent->layout())
            parent->layout()->addWidget(this);
    }
    show();
    return true;
}

UINT TSplitterWnd::IdFromRowCol(int row, int column) const
{
    return kPaneFirst + static_cast<UINT>(row * 16 + column);
}

QSplitter *TSplitterWnd::LineOf(int row) const
{
    if (m_rowLines.empty())
        return const_cast<TSplitterWnd *>(this);
    return m_rowLines[static_cast<size_t>(row)];
}

int TSplitterWnd::IndexInLine(int row, int column) const
{
    if (!m_rowLines.empty())
        return column;
    return m_rows == 1 ? column : row;
}

bool TSplitterWnd::SetPane(int row, int column, QWidget *window)
{
    if (!window || row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return false;
    QSplitter *line = LineOf(row);
    const int index = IndexInLine(row, column);
    QWidget *old = line->replaceWidget(index, window);
    if (old && old != window)
        old->deleteLater();
    SetWindowId(window, IdFromRowCol(row, column));
    window->show();
    ApplyIdealSizes(line);
    if (line != this)
        ApplyIdealSizes(this);
    return true;
}

bool TSplitterWnd::CreateView(
    int row, int column, const TRuntimeClass *viewClass, QSize initialSize, TCreateContext *context)
{
    if (!viewClass || row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return false;
    QWidget *view = viewClass->CreateObject(nullptr, context);
    if (!view)
        return false;
    m_columnIdeal[static_cast<size_t>(column)] = initialSize.width();
    m_rowIdeal[static_cast<size_t>(row)] = initialSize.height();
    return SetPane(row, column, view);
}

QWidget *TSplitterWnd::GetPane(int row, int column) const
{
    if (row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return nullptr;
    return LineOf(row)->widget(IndexInLine(row, column));
}

bool TSplitterWnd::IsChildPane(const QWidget *window, int *row, int *column) const
{
    for (int r = 0; r < m_rows; ++r) {
        for (int c = 0; c < m_columns; ++c) {
            if (window && GetPane(r, c) == window) {
                if (row)
                    *row = r;
                if (column)
                    *column = c;
                return true;
            }
        }
    }
    return false;
}

void TSplitterWnd::SetColumnIdeal(int column, int width)
{
    if (column >= 0 && column < m_columns)
        m_columnIdeal[static_cast<size_t>(column)] = width;
}

void TSplitterWnd::SetRowIdeal(int row, int height)
{
    if (row >= 0 && row < m_rows)
        m_rowIdeal[static_cast<size_t>(row)] = height;
}

int TSplitterWnd::GetColumnIdeal(int column) const
{
    return column >= 0 && column < m_columns ? m_columnIdeal[static_cast<size_t>(column)] : -1;
}

int TSplitterWnd::GetRowIdeal(int row) const
{
    return row >= 0 && row < m_rows ? m_rowIdeal[static_cast<size_t>(row)] : -1;
}

std::vector<int> TSplitterWnd::DistributeSizes(const std::vector<int> &ideal, int available)
{
    std::vector<int> sizes(ideal.size(), 0);
    if (ideal.empty())
        return sizes;
    available = std::max(available, 0);
    int unset = 0;
    for (size_t i = 0; i + 1 < ideal.size(); ++i)
        if (ideal[i] < 0)
            ++unset;
    int fixed = 0;
    for (size_t i = 0; i + 1 < ideal.size(); ++i)
        if (ideal[i] >= 0)
            fixed += ideal[i];
    const int share = unset > 0 ? std::max(available - fixed, 0) / (unset + 1) : 0;
    int remaining = available;
    for (size_t i = 0; i + 1 < ideal.size(); ++i) {
        const int want = ideal[i] >= 0 ? ideal[i] : share;
        sizes[i] = std::min(want, remaining);
        remaining -= sizes[i];
    }
    sizes.back() = remaining;
    return sizes;
}

void TSplitterWnd::ApplyIdealSizes(QSplitter *line)
{
    const int count = line->count();
    if (count < 2 || m_applying)
        return;
    const bool horizontal = line->orientation() == Qt::Horizontal;
    const int extent = horizontal ? line->width() : line->height();
    const int available = extent - line->handleWidth() * (count - 1);
    if (available <= 0)
        return;
    const std::vector<int> &ideal = horizontal ? m_columnIdeal : m_rowIdeal;
    const std::vector<int> sizes = DistributeSizes(ideal, available);
    m_applying = true;
    line->setSizes(QList<int>(sizes.begin(), sizes.end()));
    m_applying = false;
}

void TSplitterWnd::RememberDraggedSizes(QSplitter *line)
{
    if (m_applying)
        return;
    const QList<int> sizes = line->sizes();
    std::vector<int> &ideal = line->orientation() == Qt::Horizontal ? m_columnIdeal : m_rowIdeal;
    for (int i = 0; i + 1 < sizes.size() && i < static_cast<int>(ideal.size()); ++i)
        ideal[static_cast<size_t>(i)] = sizes[i];
}

void TSplitterWnd::resizeEvent(QResizeEvent *event)
{
    QSplitter::resizeEvent(event);
    ApplyIdealSizes(this);
}

bool TSplitterWnd::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        for (QSplitter *line : m_rowLines) {
            if (line == watched) {
                ApplyIdealSizes(line);
                break;
            }
        }
    }
    return QSplitter::eventFilter(watched, event);
}
