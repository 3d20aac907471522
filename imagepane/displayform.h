// What the image pane paints from: the picture's own rows, validated once, with a colour table
// for the palette depths. It is made ready after every edit, so a paint only samples the pixels
// it exposes at the current zoom; the cost follows the screen, not the picture.
//
// Zoomed-out views of big pictures paint from reduced copies instead (see displayform.cpp): a copy
// is the zoomed picture itself, built on a background worker, so a paint copies rows instead of
// gathering a few bytes from each of thousands of picture rows, and shows exactly the same pixels.
#pragma once

#include "image/dibpixels.h"
#include "platform/wintypes.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// Where the zoomed picture lies in client coordinates.
struct ZoomView {
    POINT origin { 0, 0 }; // client position of the picture's top-left corner
    int zoomedWidth = 0;
    int zoomedHeight = 0;
};

class CDisplayForm
{
public:
    CDisplayForm() = default;
    CDisplayForm(const CDisplayForm &) = delete;
    CDisplayForm &operator=(const CDisplayForm &) = delete;
    ~CDisplayForm();

    // Takes the picture (header and pixel block) as it now is. False, and nothing to paint, when
    // the pair is not a picture the pane can show.
    bool Prepare(const DibInfoBlock *info, const void *bits);
    // Forgets the picture and its reduced copies. A copy being built stops reading the pixels
    // before this returns (within a few rows), so call it before the pixels change or go.
    void Clear();
    bool IsReady() const { return m_source.bits != nullptr; }
    // Still made from this very header and block, with the same geometry.
    bool Matches(const DibInfoBlock *info, const void *bits) const;
    int Width() const { return m_source.layout.width; }
    int Height() const { return m_source.layout.height; }

    // Writes the client rectangle (left, top, width, height), which must lie inside the zoomed
    // picture, as opaque 0xAARRGGBB pixels into dest (rows of destStride pixels). Nearest
    // neighbour; large rectangles are split over the cores. For a big picture zoomed out, from the
    // reduced copy of this zoomed size when it is ready, else directly, asking for the copy.
    void Render(const ZoomView &view, int left, int top, int width, int height, std::uint32_t *dest,
        std::size_t destStride) const;

    // The client rectangle (as for Render) straight from a ready reduced copy, without copying:
    // its first pixel and the row stride in pixels; `keep` holds the copy. False when no copy
    // serves the view yet (Render then samples the picture).
    struct Rows {
        std::shared_ptr<const void> keep;
        const std::uint32_t *pixels = nullptr;
        std::size_t stride = 0;
    };
    bool ReducedRows(const ZoomView &view, int left, int top, int width, int height, Rows &rows) const;

    // --- reduced copies ---
    // Pictures with more pixels than this get reduced copies: 50 megapixels; tests lower it (0
    // restores the default). Read by Prepare.
    static void SetReducedThreshold(std::int64_t pixels);
    static std::int64_t ReducedThreshold();
    // The zoomed size has a reduced copy ready.
    bool HasReducedCopy(int zoomedWidth, int zoomedHeight) const;
    // Bytes the ready copies take.
    std::size_t ReducedBytes() const;
    // Tests and benchmarks: returns when no copy is queued or being built.
    void WaitForCopies() const;

    // Picture pixels and colour table as the renderer reads them (a build keeps its own).
    struct Source {
        DibLayout layout;
        const void *bits = nullptr;
        std::uint32_t colours[256] = {};
    };
    struct Reduced;

private:
    Source m_source;
    const DibInfoBlock *m_info = nullptr;
    // The copies of this picture; null when the picture is not big enough for them.
    std::shared_ptr<Reduced> m_reduced;
};
