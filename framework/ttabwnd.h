// A self-drawn tab window: a strip of tabs at the top or bottom and one pane window per tab, of
// which only the active one is shown.
#pragma once

#include "framework/truntimeclass.h"
#include "platform/wintypes.h"

#include <QPointer>
#include <QWidget>
#include <vector>

class QLabel;
class TSplitterWnd;

class TTabItem
{
public:
    TTabItem(QWidget *tabWindow, QWidget *pane, const QString &title);
    virtual ~TTabItem();

    TTabItem(const TTabItem &) = delete;
    TTabItem &operator=(const TTabItem &) = delete;

    QPointer<QWidget> pane;
    QLabel *label;
    bool enabled = true;
    bool mayShow = true;
    bool visible = true;
    int left = 0; // x range of the tab as last laid out
    int right = 0;
};

// The x range of one tab in the strip.
struct TTabRange {
    int left;
    int right;
};

class TTabWnd : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kTabsTop = 0;
    static constexpr int kTabsBottom = 1;
    static constexpr int kMaxTabWidth = 200;
    static constexpr int kTabPadding = 10; // added to the label width
    static constexpr int kTabGap = 6; // strip space after each tab

    explicit TTabWnd(QWidget *parent = nullptr);
    ~TTabWnd() override;

    // Moves the pane windows into the pane area; (-1, -1) takes the size from the window itself.
    virtual void Layout(int width = -1, int height = -1);
    virtual TTabItem *AddSplitterTab(
        const QString &title, int rows, int columns, TSplitterWnd *splitter, UINT id);
    virtual TTabItem *AddViewTab(
        const QString &title, const TRuntimeClass *viewClass, TCreateContext *context);
    virtual int HitTest(QPoint point) const;
    virtual int HitTest(int x, int y) const;
    virtual bool SetActiveTab(int index, bool activateView);
    // Asked before the active tab changes; false keeps the old tab.
    virtual bool CanChangeTab(QWidget *oldWindow, QWidget *newWindow);
    virtual void OnTabChanged(QWidget *oldWindow, QWidget *newWindow);

    int GetActiveTab() const { return m_active; }
    int GetTabCount() const { return static_cast<int>(m_items.size()); }
    int GetTabIndex(const QWidget *window) const;
    // The pane window of tab index; null when it no longer exists.
    QWidget *GetTabWnd(int index) const;
    void SetTabPos(int position);
    int GetTabPos() const { return m_position; }
    void InvalidateTabs();
    const TTabItem *GetTabItem(int index) const;

    // The tab ranges for labels of the given pixel widths, left to right from x = 0.
    static std::vector<TTabRange> ComputeTabRanges(const std::vector<int> &labelWidths);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    TTabItem *AppendItem(QWidget *pane, const QString &title);
    void LayoutTabs();
    void ActivateViewIn(QWidget *window);

    QFont m_tabFont;
    int m_active = 0;
    bool m_inLayout = false;
    std::vector<TTabItem *> m_items;
    int m_position = kTabsBottom;
};
