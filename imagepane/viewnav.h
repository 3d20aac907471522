// Viewing keys and the wheel of the image pane, as arithmetic without widgets: which zoom a key
// or a wheel notch asks for, the zoom that shows the whole picture, and where to scroll so the
// picture point under the pointer stays under it when the zoom changes.
#pragma once

#include "platform/wintypes.h"

// What a key does in the image pane (Space/PageDown and Backspace/PageUp step through pictures).
enum class ViewKey { None, ZoomIn, ZoomOut, Zoom100, FitWhole, Next, Previous, FullScreen, Slideshow };
ViewKey ViewKeyFor(int qtKey, bool ctrl, bool alt);

// The largest zoom at which the whole picture fits the client (both axes), within 10 ... 800;
// 0 for an empty picture or client.
int WholePictureZoom(int clientWidth, int clientHeight, int pictureWidth, int pictureHeight);

// The zoom after wheel notches (positive: away from the user, zoom in), one step per notch,
// clamped to 10 ... 800.
int WheelZoom(int zoom, int notches);

// Scroll bar values after changing zoom from oldZoom to newZoom so that the picture point under
// pointer (client coordinates) stays there: oldOrigin is the picture's top-left corner before,
// newOffset the centring offset after. The caller's scroll bars clamp them.
POINT ScrollForZoomAbout(POINT pointer, POINT oldOrigin, int oldZoom, int newZoom, POINT newOffset);
