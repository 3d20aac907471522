// The private messages between the panes and the main frame, as posted Qt events. A message
// WM_USER + n travels as an event of type QEvent::User + n carrying its two values; it is always
// posted, never sent.
#pragma once

#include "platform/wintypes.h"

#include <QEvent>
#include <cstdint>

class QObject;

constexpr UINT kWmUser = 0x0400;
constexpr UINT WMU_THUMB_CHOSEN = kWmUser + 2; // grid → frame: a thumbnail was chosen
constexpr UINT WMU_IMAGE_OPERATION = kWmUser + 4; // frame → image pane: operation code, command id
constexpr UINT WMU_SELECT_START_FOLDER = kWmUser + 7; // folder tree → itself: select the start folder
constexpr UINT WMU_FOLDER_CHANGED = kWmUser + 8; // folder tree → frame: the selected folder changed
constexpr UINT WMU_TOOLS_COMMAND = kWmUser + 9; // frame → image pane: Tools menu command id
constexpr UINT WMU_EFFECT_COMMAND = kWmUser + 10; // frame → image pane: Effect command id
constexpr UINT WMU_NEXT_PICTURE = kWmUser + 11; // image pane → frame: step to the next page or picture
constexpr UINT WMU_PREVIOUS_PICTURE = kWmUser + 12; // image pane → frame: step back

// Operation code of WMU_IMAGE_OPERATION whose lParam is a View-menu command id.
constexpr int kOperationViewZoom = 22;

class PaneMessageEvent : public QEvent
{
public:
    PaneMessageEvent(UINT message, WPARAM wParam, LPARAM lParam);
    ~PaneMessageEvent() override;

    UINT Message() const { return m_message; }
    WPARAM WParam() const { return m_wParam; }
    LPARAM LParam() const { return m_lParam; }

    // The event type of message (QEvent::User + the offset from WM_USER).
    static QEvent::Type TypeOf(UINT message);
    // The pane message carried by event, or null when it is some other event.
    static const PaneMessageEvent *From(const QEvent *event);

private:
    UINT m_message;
    WPARAM m_wParam;
    LPARAM m_lParam;
};

// Posts message to target (nothing when target is null); returns whether it was posted.
bool PostPaneMessage(QObject *target, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
