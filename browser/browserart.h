// The grid's background tile (64 × 64, 24 bits per pixel) and its drag cursor.
#pragma once

#include <QCursor>
#include <QImage>

const QImage &GridBackgroundTile();
const QCursor &ThumbDragCursor();
