#include "framework/ttabwnd.h"

#include "framework/tframewnd.h"
#include "framework/tsplitterwnd.h"
#include "framework/windowid.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace
{

constexpr UINT kTabPaneFirst = 13576;
constexpr int kStripTop = 30; // pane area starts here with tabs at the top
constexpr int kHitTop = 6;
constexpr int kHitBottom = 26;

void Draw3dRect(QPainter &p, int x, int y, int cx, int cy, const QColor &topLeft, const QColor &bottomRight)
{
    p.fillRect(x, y, cx - 1, 1, topLeft);
    p.fillRect(x, y, 1, cy - 1, topLeft);
    p.fillRect(x + cx - 1, y, 1, cy, bottomRight);
    p.fillRect(x, y + cy - 1, cx, 1, bottomRight);
}

TFrameWnd *EnclosingFrame(QWidget *window)
{
    for (QWidget *w = window; w; w = w->parentWidget())
        if (auto *frame = qobject_cast<TFrameWnd *>(w))
            return frame;
    return nullptr;
}

} // namespace

TTabItem::TTabItem(QWidget *tabWindow, QWidget *paneWindow, const QString &title)
    : pane(paneWindow)
    , label(new QLabel(title, tabWindow))
{
    label->setAlignment(Qt::AlignCenter);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    SetWindowId(label, 0xFFFF);
}

TTabItem::~TTabItem()
{
    delete label;
}

TTabWnd::TTabWnd(QWidget *parent)
    : QWidget(parent)
    , m_tabFont(QApplication::font("QStatusBar"))
{
    setAutoFillBackground(false);
}

TTabWnd::~TTabWnd()
{
    for (TTabItem *item : m_items)
        delete item;
    m_items.clear();
}

std::vector<TTabRange> TTabWnd::ComputeTabRanges(const std::vector<int> &labelWidths)
{
    std::vector<TTabRange> ranges;
    int x = 0;
    for (int labelWidth : labelWidths) {
        const int width = std::min(labelWidth + kTabPadding, kMaxTabWidth);
        ranges.push_back({ x, x + width });
        x += width + kTabGap;
    }
    return ranges;
}

TTabItem *TTabWnd::AppendItem(QWidget *paneWindow, const QString &title)
{
    auto *item = new TTabItem(this, paneWindow, title);
    item->label->setFont(m_tabFont);
    item->label->show();
    m_items.push_back(item);
    if (m_items.size() > 1) {
        paneWindow->setEnabled(false);
        paneWindow->hide();
    }
    Layout();
    return item;
}

TTabItem *TTabWnd::AddViewTab(const QString &title, const TRuntimeClass *viewClass, TCreateContext *context)
{
    if (!viewClass)
        return nullptr;
    QWidget *view = viewClass->CreateObject(this, context);
    if (!view)
        return nullptr;
    view->setParent(this);
    SetWindowId(view, kTabPaneFirst + static_cast<UINT>(m_items.size()));
    view->setGeometry(0, 32, width(), std::max(height() - 32, 0));
    view->show();
    return AppendItem(view, title);
}

TTabItem *TTabWnd::AddSplitterTab(
    const QString &title, int rows, int columns, TSplitterWnd *splitter, UINT id)
{
    if (!splitter || !splitter->CreateStatic(nullptr, rows, columns, id))
        return nullptr;
    splitter->setParent(this);
    splitter->show();
    return AppendItem(splitter, title);
}

void TTabWnd::Layout(int width, int height)
{
    if (m_inLayout)
        return;
    m_inLayout = true;
    const bool top = m_position == kTabsTop;
    const int x = 1;
    const int y = top ? 31 : 0;
    int w;
    int h;
    if (width < 0 || height < 0) {
        w = this->width() - 2;
        h = this->height() - (top ? 32 : 30);
    } else {
        w = width;
        h = height - (top ? 32 : 30);
    }
    for (TTabItem *item : m_items)
        if (item->pane)
            item->pane->setGeometry(x, y, std::max(w, 0), std::max(h, 0));
    LayoutTabs();
    m_inLayout = false;
}

void TTabWnd::LayoutTabs()
{
    const QFontMetrics metrics(m_tabFont);
    std::vector<int> widths;
    std::vector<TTabItem *> shown;
    for (TTabItem *item : m_items) {
        if (!item->mayShow) {
            item->label->hide();
            continue;
        }
        widths.push_back(metrics.horizontalAdvance(item->label->text()));
        shown.push_back(item);
    }
    const std::vector<TTabRange> ranges = ComputeTabRanges(widths);
    const int labelTop = m_position == kTabsTop ? kHitTop : height() - kHitBottom;
    for (size_t i = 0; i < shown.size(); ++i) {
        shown[i]->left = ranges[i].left;
        shown[i]->right = ranges[i].right;
        shown[i]->label->setGeometry(ranges[i].left + 3, labelTop, ranges[i].right - ranges[i].left - 6, 20);
        shown[i]->label->show();
    }
}

int TTabWnd::HitTest(QPoint point) const
{
    return HitTest(point.x(), point.y());
}

int TTabWnd::HitTest(int x, int y) const
{
    if (m_position == kTabsTop) {
        if (y < kHitTop || y > kHitBottom)
            return -1;
    } else if (y < height() - kHitBottom || y > height() - kHitTop) {
        return -1;
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        const TTabItem *item = m_items[i];
        if (item->mayShow && x >= item->left && x <= item->right)
            return static_cast<int>(i);
    }
    return -1;
}

bool TTabWnd::CanChangeTab(QWidget *, QWidget *)
{
    return true;
}

void TTabWnd::OnTabChanged(QWidget *, QWidget *) { }

bool TTabWnd::SetActiveTab(int index, bool activateView)
{
    if (index < 0 || index >= GetTabCount())
        return false;
    if (index == m_active)
        return true;
    TTabItem *next = m_items[static_cast<size_t>(index)];
    if (!next->mayShow || !next->visible)
        return false;
    QWidget *oldWindow
        = m_active < GetTabCount() ? m_items[static_cast<size_t>(m_active)]->pane.data() : nullptr;
    QWidget *newWindow = next->pane;
    if (!CanChangeTab(oldWindow, newWindow))
        return false;
    if (oldWindow) {
        oldWindow->setEnabled(false);
        oldWindow->hide();
    }
    if (newWindow) {
        if (next->enabled)
            newWindow->setEnabled(true);
        newWindow->show();
        newWindow->setFocus(Qt::OtherFocusReason);
    }
    m_active = index;
    InvalidateTabs();
    OnTabChanged(oldWindow, newWindow);
    if (activateView && newWindow)
        ActivateViewIn(newWindow);
    return true;
}

void TTabWnd::ActivateViewIn(QWidget *window)
{
    TFrameWnd *frame = EnclosingFrame(this);
    if (!frame)
        return;
    QWidget *view = window;
    while (view) {
        if (auto *tabs = qobject_cast<TTabWnd *>(view)) {
            view = tabs->GetTabWnd(tabs->GetActiveTab());
            continue;
        }
        auto *splitter = qobject_cast<TSplitterWnd *>(view);
        if (!splitter)
            break;
        QWidget *found = nullptr;
        QWidget *active = frame->GetActiveView();
        if (active && splitter->isAncestorOf(active))
            found = active;
        for (int r = 0; !found && r < splitter->GetRowCount(); ++r)
            for (int c = 0; !found && c < splitter->GetColumnCount(); ++c) {
                QWidget *pane = splitter->GetPane(r, c);
                if (pane && pane->isEnabled() && !qobject_cast<TSplitterWnd *>(pane)
                    && !qobject_cast<TTabWnd *>(pane))
                    found = pane;
            }
        view = found ? found : splitter->GetPane(0, 0);
        if (view == found)
            break;
    }
    if (view)
        frame->SetActiveView(view);
}

int TTabWnd::GetTabIndex(const QWidget *window) const
{
    for (size_t i = 0; i < m_items.size(); ++i)
        if (window && m_items[i]->pane == window)
            return static_cast<int>(i);
    return -1;
}

QWidget *TTabWnd::GetTabWnd(int index) const
{
    if (index < 0 || index >= GetTabCount())
        return nullptr;
    return m_items[static_cast<size_t>(index)]->pane;
}

const TTabItem *TTabWnd::GetTabItem(int index) const
{
    if (index < 0 || index >= GetTabCount())
        return nullptr;
    return m_items[static_cast<size_t>(index)];
}

void TTabWnd::SetTabPos(int position)
{
    m_position = position == kTabsTop ? kTabsTop : kTabsBottom;
    Layout();
    update();
}

void TTabWnd::InvalidateTabs()
{
    if (m_position == kTabsTop)
        update(0, 0, 32000, kStripTop);
    else
        update(0, height() - kStripTop, 32000, kStripTop);
}

void TTabWnd::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    Layout(width(), height()); // the panes take the given width
}

void TTabWnd::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        SetActiveTab(HitTest(event->position().toPoint()), true);
    QWidget::mouseReleaseEvent(event);
}

void TTabWnd::paintEvent(QPaintEvent *)
{
    LayoutTabs();
    QPainter p(this);
    const QPalette &pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor light = pal.color(QPalette::Light);
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor black(0, 0, 0);
    const QColor midlight = pal.color(QPalette::Midlight);
    const int w = width();
    const int h = height();
    const bool top = m_position == kTabsTop;
    if (top)
        p.fillRect(0, 0, w, kStripTop, face);
    else
        p.fillRect(0, h - 33, w, 33, face);
    // In a frame, an etched edge (a shadow line and a light line) along the strip's outer side.
    if (qobject_cast<TFrameWnd *>(parentWidget()) != nullptr) {
        p.fillRect(0, top ? 0 : h - 2, w, 1, shadow);
        p.fillRect(0, top ? 1 : h - 1, w, 1, light);
    }
    if (top) {
        Draw3dRect(p, 0, 30, w, h - 30, shadow, light);
        Draw3dRect(p, 1, 31, w - 2, h - 32, black, midlight);
    } else {
        Draw3dRect(p, 0, 0, w, h - 29, shadow, light);
        Draw3dRect(p, 1, 1, w - 2, h - 31, black, midlight);
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        const TTabItem *item = m_items[i];
        if (!item->mayShow)
            continue;
        const int x = item->left;
        const int tw = item->right - item->left;
        const bool active = static_cast<int>(i) == m_active;
        if (active) {
            const QRect tab = top ? QRect(x, 3, tw, 28) : QRect(x, h - 31, tw, 28);
            p.fillRect(tab, face);
            if (top) {
                p.fillRect(x, 3, 1, 28, light);
                p.fillRect(x, 3, tw, 1, light);
                p.fillRect(x + tw - 1, 3, 1, 28, shadow);
            } else {
                p.fillRect(x, h - 31, 1, 28, light);
                p.fillRect(x, h - 4, tw, 1, shadow);
                p.fillRect(x + tw - 1, h - 31, 1, 28, shadow);
            }
        } else {
            const QRect tab = top ? QRect(x, kHitTop, tw, 20) : QRect(x, h - kHitBottom, tw, 20);
            p.fillRect(tab, face);
            p.setPen(black);
            p.setBrush(Qt::NoBrush);
            p.drawRect(tab.adjusted(0, 0, -1, -1));
        }
    }
}
