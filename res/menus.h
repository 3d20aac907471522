// Menu and accelerator resources.
#pragma once

#include "platform/wintypes.h"

#include <QKeySequence>
#include <QString>
#include <vector>

// One menu entry; a separator has id 0 and no text.
struct MenuItemResource {
    UINT id = 0;
    const char *text = nullptr; // as it stands in the menu, a tab before the shortcut hint

    bool IsSeparator() const { return id == 0; }
};

struct PopupResource {
    const char *title;
    std::vector<MenuItemResource> items;
};

// The popups of menu id in menu order; empty for an unknown menu.
const std::vector<PopupResource> &LoadMenuResource(UINT id);

struct AcceleratorResource {
    QKeySequence keys;
    UINT id;
};

// The entries of accelerator table id in table order; empty for an unknown table.
const std::vector<AcceleratorResource> &LoadAcceleratorResource(UINT id);
