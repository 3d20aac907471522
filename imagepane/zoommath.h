// Zoom, fit and scroll arithmetic of the image pane, kept apart from the widget so that every rule
// can be checked on plain numbers.
#pragma once

#include "platform/wintypes.h"

constexpr int kMinZoom = 10;
constexpr int kMaxZoom = 800;
// The zoom of a pane that has not shown a picture yet.
constexpr int kInitialZoom = 99;
// Zoom in and zoom out step, in percent.
constexpr int kZoomStep = 10;

// Percents the pane accepts: 10 ... 800.
bool IsZoomAllowed(int percent);

// trunc(client width / picture width × 100) in floating point, at most 100. 100 for an empty
// picture.
int OpeningZoom(int clientWidth, int pictureWidth);

// trunc(client extent / picture extent × 100) in floating point; may fall outside 10 ... 800 (the
// caller then ignores it). 0 for an empty picture.
int FitZoom(int clientExtent, int pictureExtent);

// zoom × extent / 100, truncated toward zero.
int ZoomedExtent(int zoom, int extent);

// The percent of a View-menu zoom command (31787 ... 31793 → 300, 200, 150, 100, 75, 50, 25);
// 0 for any other id.
int ViewMenuZoom(UINT commandId);

// Scroll sizes and centring for a picture at a zoom in a client area.
struct ScrollLayout {
    SIZE zoomed { 0, 0 }; // total size of the scrolled area
    POINT offset { 0, 0 }; // centring offset in device pixels
    SIZE page { 0, 0 }; // page step: the client size
    SIZE line { 0, 0 }; // line step: a tenth of the page, at least 1
};

// Zoomed size; the centring offset becomes (0, 0) on reset; an axis on which the zoomed picture is
// smaller than the client is centred, the other keeps its previous offset.
ScrollLayout ComputeScrollLayout(
    int zoom, int width, int height, int clientWidth, int clientHeight, POINT previousOffset, bool reset);

// Largest scroll position on an axis: the part of the zoomed extent the client does not show.
int ScrollRange(int zoomedExtent, int clientExtent);

// The picture's top-left corner in client coordinates: centring offset minus scroll position.
POINT ViewportOrigin(POINT offset, int scrollX, int scrollY);

// The picture pixel shown at device distance d from the picture's edge along one axis, when
// `extent` pixels are shown over `zoomedExtent` device pixels (nearest neighbour, sampled at the
// device pixel's centre). Clamped to 0 ... extent − 1.
int SourceIndex(long long d, int extent, int zoomedExtent);

// The picture pixel under a client point (top-down coordinates; outside the picture the values
// run past 0 ... size − 1 the same way).
POINT ClientToPicture(POINT client, POINT origin, int width, int height, int zoomedWidth, int zoomedHeight);
