// What the image pane paints from: the picture's own rows, validated once, with a colour table
// for the palette depths. It is made ready after every edit, so a paint only samples the pixels
// it exposes at the current zoom; the cost follows the screen, not the picture.
#pragma once

#include "image/dibpixels.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>

// Where the zoomed picture lies in client coordinates.
struct ZoomView {
    POINT origin { 0, 0 }; // client position of the picture's top-left corner
    int zoomedWidth = 0;
    int zoomedHeight = 0;
};

class CDisplayForm
{
public:
    // Takes the picture (header and pixel block) as it now is. False, and nothing to paint, when
    // the pair is not a picture the pane can show.
    bool Prepare(const DibInfoBlock *info, const void *bits);
    void Clear();
    bool IsReady() const { return m_bits != nullptr; }
    // Still made from this very header and block, with the same geometry.
    bool Matches(const DibInfoBlock *info, const void *bits) const;
    int Width() const { return m_layout.width; }
    int Height() const { return m_layout.height; }

    // Writes the client rectangle (left, top, width, height), which must lie inside the zoomed
    // picture, as opaque 0xAARRGGBB pixels into dest (rows of destStride pixels). Nearest
    // neighbour; large rectangles are split over the cores.
    void Render(const ZoomView &view, int left, int top, int width, int height, std::uint32_t *dest,
        std::size_t destStride) const;

private:
    void RenderRows(const ZoomView &view, int left, int top, int width, const int *columns, int firstRow,
        int lastRow, std::uint32_t *dest, std::size_t destStride) const;

    DibLayout m_layout;
    const DibInfoBlock *m_info = nullptr;
    const void *m_bits = nullptr;
    std::uint32_t m_colours[256] = {};
};
