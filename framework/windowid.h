// Control identifiers on Qt widgets (kept as a dynamic property).
#pragma once

#include "platform/wintypes.h"

class QWidget;

void SetWindowId(QWidget *window, UINT id);

// The identifier given to window; 0 when none.
UINT GetWindowId(const QWidget *window);
