// The browser's drawn resources: the 64 × 64 background tile of the grid and the 32 × 32 drag
// cursor with its hot spot at (16, 8).
#pragma once

#include <QCursor>
#include <QImage>

const QImage &GridBackgroundTile();
const QCursor &ThumbDragCursor();
