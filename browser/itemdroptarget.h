// The grid's drop target: it takes a drag only when it offers local files (the file-drop
// format) and the grid's source mode is not 2; the effect is always copy.
#pragma once

#include <string>
#include <vector>

class QMimeData;

class ItemDropTarget
{
public:
    static bool Accepts(const QMimeData *mime, short sourceMode);
    // The dropped local paths, in the order offered.
    static std::vector<std::string> DroppedPaths(const QMimeData *mime);
};
