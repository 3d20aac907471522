// The main frame's status bar: panes laid out left to right from an indicator list, each as wide
// as its indicator string; the separator pane is the message pane, a quarter of the screen wide.
// Indicator panes have no update handler, so they are shown disabled, without text, until the
// image pane draws into them (SetStatusPaneText).
#pragma once

#include "platform/wintypes.h"

#include <QImage>
#include <QStatusBar>
#include <vector>

class CMainStatusBar : public QStatusBar
{
    Q_OBJECT
public:
    static constexpr int kPaneGap = 2;
    static constexpr int kPanePadding = 8; // added to the indicator string's width

    explicit CMainStatusBar(QWidget *parent = nullptr);
    ~CMainStatusBar() override;

    // One pane per id; the strings of the ids give the widths. False when an id has no string.
    bool SetIndicators(const UINT *ids, int count);

    int GetPaneCount() const { return static_cast<int>(m_panes.size()); }
    UINT GetItemId(int index) const;
    QRect GetItemRect(int index) const;
    QString GetPaneText(int index) const;
    // Text of the message pane (the separator): "Ready" or a command prompt.
    void SetMessageText(const QString &text);
    QString GetMessageText() const;

    // Paints icon (may be null) and text over pane index; lasts until the next call for the pane.
    void DrawPaneOverlay(int index, const QImage &icon, const QString &text);
    // Where the overlay of pane index goes: the icon's top-left corner and the text rectangle.
    QPoint OverlayIconPos(int index) const;
    QRect OverlayTextRect(int index, int iconWidth) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    struct Pane {
        UINT id = 0;
        int width = 0;
        QString text;
        bool hasOverlay = false;
        QImage overlayIcon;
        QString overlayText;
    };

    int MessagePane() const;

    std::vector<Pane> m_panes;
};
