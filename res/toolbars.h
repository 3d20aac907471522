// Toolbar resources: the command of every entry (0 for a separator) and the image size the
// resource declares; the bitmap with the same identifier holds the button images.
#pragma once

#include "platform/wintypes.h"

#include <vector>

struct ToolBarResource {
    WORD version = 1;
    WORD width = 0;
    WORD height = 0;
    std::vector<WORD> items; // command ids, 0 for a separator
};

// The toolbar resource id; null when there is none.
const ToolBarResource *FindToolBarResource(UINT id);
