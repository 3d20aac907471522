// Bitmaps, cursors and icons of the program, found by identifier in the Qt resources:
// ":/bitmaps/<id>.bmp", ":/cursors/<id>.png", ":/icons/<id>-<size>.png".
#pragma once

#include "platform/wintypes.h"

#include <QCursor>
#include <QIcon>
#include <QImage>
#include <QPalette>
#include <QString>

QString BitmapResourcePath(UINT id);

// The bitmap id as stored (indexed bitmaps stay indexed); null when missing.
QImage LoadBitmapResource(UINT id);

// Bits per pixel from the header of bitmap id; 0 when missing or unreadable.
int BitmapResourceBitCount(UINT id);

// Bitmap id with its standard button colours replaced by the palette's: black → button text,
// dark grey → shadow, light grey → button face, white → highlight. Null when missing.
QImage LoadMappedBitmap(UINT id, const QPalette &palette);

// Cursor id with its hot spot; the arrow cursor when missing.
QCursor LoadCursorResource(UINT id);

// Icon id in all stored sizes; null when missing.
QIcon LoadIconResource(UINT id);
