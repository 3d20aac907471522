#include "frame/mainstatusbar.h"

#include "res/strings.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <qdrawutil.h>

namespace
{
constexpr int kLeftBorder = 2;
constexpr int kTopBorder = 3;
constexpr int kBottomBorder = 2;
} // namespace

CMainStatusBar::CMainStatusBar(QWidget *parent)
    : QStatusBar(parent)
{
    setSizeGripEnabled(true);
}

CMainStatusBar::~CMainStatusBar() = default;

bool CMainStatusBar::SetIndicators(const UINT *ids, int count)
{
    m_panes.clear();
    const QFontMetrics metrics(font());
    for (int i = 0; i < count; ++i) {
        Pane pane;
        pane.id = ids[i];
        if (pane.id != 0) {
            if (!HasResString(pane.id)) {
                m_panes.clear();
                return false;
            }
            pane.text = LoadResString(pane.id);
            pane.width = metrics.horizontalAdvance(pane.text) + kPanePadding;
        } else {
            const QScreen *screen = QGuiApplication::primaryScreen();
            pane.width = (screen ? screen->geometry().width() : 1024) / 4;
        }
        m_panes.push_back(pane);
    }
    updateGeometry();
    update();
    return true;
}

UINT CMainStatusBar::GetItemId(int index) const
{
    return index >= 0 && index < GetPaneCount() ? m_panes[static_cast<size_t>(index)].id : 0;
}

QRect CMainStatusBar::GetItemRect(int index) const
{
    if (index < 0 || index >= GetPaneCount())
        return {};
    int x = kLeftBorder;
    for (int i = 0; i < index; ++i)
        x += m_panes[static_cast<size_t>(i)].width + kPaneGap;
    return QRect(
        x, kTopBorder, m_panes[static_cast<size_t>(index)].width, height() - kTopBorder - kBottomBorder);
}

QString CMainStatusBar::GetPaneText(int index) const
{
    return index >= 0 && index < GetPaneCount() ? m_panes[static_cast<size_t>(index)].text : QString();
}

int CMainStatusBar::MessagePane() const
{
    for (int i = 0; i < GetPaneCount(); ++i)
        if (m_panes[static_cast<size_t>(i)].id == 0)
            return i;
    return -1;
}

void CMainStatusBar::SetMessageText(const QString &text)
{
    const int index = MessagePane();
    if (index < 0 || m_panes[static_cast<size_t>(index)].text == text)
        return;
    m_panes[static_cast<size_t>(index)].text = text;
    update(GetItemRect(index));
}

QString CMainStatusBar::GetMessageText() const
{
    return GetPaneText(MessagePane());
}

QPoint CMainStatusBar::OverlayIconPos(int index) const
{
    const QRect pane = GetItemRect(index);
    return { pane.left() + 1, pane.top() + 1 };
}

QRect CMainStatusBar::OverlayTextRect(int index, int iconWidth) const
{
    const QRect pane = GetItemRect(index);
    // (left + icon width + 1, top + 1) to (right - 1, bottom - 1), right and bottom exclusive.
    const int left = pane.left() + iconWidth + 1;
    const int top = pane.top() + 1;
    const int right = pane.left() + pane.width() - 1;
    const int bottom = pane.top() + pane.height() - 1;
    return QRect(left, top, std::max(right - left, 0), std::max(bottom - top, 0));
}

void CMainStatusBar::DrawPaneOverlay(int index, const QImage &icon, const QString &text)
{
    if (index < 0 || index >= GetPaneCount())
        return;
    Pane &pane = m_panes[static_cast<size_t>(index)];
    pane.hasOverlay = true;
    pane.overlayIcon = icon;
    pane.overlayText = text;
    update(GetItemRect(index));
}

QSize CMainStatusBar::sizeHint() const
{
    const int height = std::max(fontMetrics().height() + 4, 16) + kTopBorder + kBottomBorder;
    int width = kLeftBorder;
    for (const Pane &pane : m_panes)
        width += pane.width + kPaneGap;
    return { width, height };
}

QSize CMainStatusBar::minimumSizeHint() const
{
    return { 0, sizeHint().height() };
}

void CMainStatusBar::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    const QPalette &pal = palette();
    const QColor face = pal.color(QPalette::Button);
    p.fillRect(rect(), pal.color(QPalette::Window));
    p.fillRect(0, 0, width(), 1, pal.color(QPalette::Dark));
    p.fillRect(0, 1, width(), 1, pal.color(QPalette::Light));
    const int message = MessagePane();
    const QRect messageRect = GetItemRect(message);
    for (int i = 0; i < GetPaneCount(); ++i) {
        const Pane &pane = m_panes[static_cast<size_t>(i)];
        const QRect r = GetItemRect(i);
        qDrawShadePanel(&p, r, pal, true, 1);
        // Every pane shows its own text: the indicators their initial strings, the message pane
        // its message.
        p.setPen(pal.color(QPalette::WindowText));
        p.drawText(r.adjusted(4, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter, pane.text);
        if (!pane.hasOverlay)
            continue;
        if (message >= 0 && r.left() + r.width() > messageRect.left())
            continue;
        int iconWidth = 0;
        if (!pane.overlayIcon.isNull()) {
            p.drawImage(OverlayIconPos(i), pane.overlayIcon);
            iconWidth = pane.overlayIcon.width();
        }
        const QRect textRect = OverlayTextRect(i, iconWidth);
        p.fillRect(textRect, face);
        p.save();
        p.setClipRect(textRect);
        p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, pane.overlayText);
        p.restore();
    }
}
