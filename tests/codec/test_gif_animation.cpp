// Animated GIFs built here with giflib: every page compared with a reference compositor written
// in the test (disposal none / background / previous, transparency, several images making up one
// frame, images partly or wholly outside the canvas, no global colour table), and the timing the
// player reads (delays, loop count).
#include "codec/animation.h"
#include "codec_test_util.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

namespace codexa::test
{
namespace
{

struct Frame {
    int left, top, width, height;
    int disposal; // 0...3
    int transparent; // index, or -1
    int delayCs;
    bool localMap;
    std::vector<std::uint8_t> indices; // width × height
};

// Four colours: red, green, blue, yellow (the local table: cyan, magenta, grey, black).
const GifColorType kGlobal[4] = { { 255, 0, 0 }, { 0, 255, 0 }, { 0, 0, 255 }, { 255, 255, 0 } };
const GifColorType kLocal[4] = { { 0, 255, 255 }, { 255, 0, 255 }, { 128, 128, 128 }, { 0, 0, 0 } };

int WriteFn(GifFileType *gif, const GifByteType *data, int n)
{
    auto *out = static_cast<std::vector<std::uint8_t> *>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

std::vector<std::uint8_t> BuildGif(
    int width, int height, bool globalMap, const std::vector<Frame> &frames, int loop)
{
    std::vector<std::uint8_t> out;
    int err = 0;
    GifFileType *gif = EGifOpen(&out, WriteFn, &err);
    EXPECT_NE(gif, nullptr);
    EGifSetGifVersion(gif, true);
    ColorMapObject *global = globalMap ? GifMakeMapObject(4, kGlobal) : nullptr;
    EGifPutScreenDesc(gif, width, height, 2, 0, global);
    if (loop >= 0) {
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        const unsigned char sub[3]
            = { 1, static_cast<unsigned char>(loop & 255), static_cast<unsigned char>(loop >> 8) };
        EGifPutExtensionBlock(gif, 3, sub);
        EGifPutExtensionTrailer(gif);
    }
    for (const Frame &f : frames) {
        const unsigned char gce[4]
            = { static_cast<unsigned char>((f.disposal << 2) | (f.transparent >= 0 ? 1 : 0)),
                  static_cast<unsigned char>(f.delayCs & 255), static_cast<unsigned char>(f.delayCs >> 8),
                  static_cast<unsigned char>(f.transparent >= 0 ? f.transparent : 0) };
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, gce);
        ColorMapObject *local = f.localMap ? GifMakeMapObject(4, kLocal) : nullptr;
        EGifPutImageDesc(gif, f.left, f.top, f.width, f.height, false, local);
        for (int y = 0; y < f.height; ++y)
            EGifPutLine(gif, const_cast<GifPixelType *>(f.indices.data()) + y * f.width, f.width);
        GifFreeMapObject(local);
    }
    GifFreeMapObject(global);
    EGifCloseFile(gif, &err);
    return out;
}

// The reference: a canvas of RGBA (alpha 0 = transparent), shown over white after every image.
std::vector<Rgb> Composite(int width, int height, bool globalMap, const std::vector<Frame> &frames)
{
    std::vector<std::uint32_t> canvas(static_cast<std::size_t>(width) * height, 0);
    std::vector<Rgb> pages;
    for (const Frame &f : frames) {
        const std::vector<std::uint32_t> before = canvas;
        const GifColorType *map = f.localMap ? kLocal : (globalMap ? kGlobal : nullptr);
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                const int cx = f.left + x, cy = f.top + y;
                const int index = f.indices[static_cast<std::size_t>(y * f.width + x)];
                if (cx >= width || cy >= height || index == f.transparent)
                    continue;
                const GifColorType c = map != nullptr
                    ? map[index]
                    : GifColorType { std::uint8_t(index), std::uint8_t(index), std::uint8_t(index) };
                canvas[static_cast<std::size_t>(cy * width + cx)]
                    = 0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue;
            }
        Rgb page { width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height * 3) };
        for (std::size_t i = 0; i < canvas.size(); ++i) {
            const std::uint32_t c = canvas[i] ? canvas[i] : 0xFFFFFFFFu;
            page.px[3 * i] = static_cast<std::uint8_t>(c >> 16);
            page.px[3 * i + 1] = static_cast<std::uint8_t>(c >> 8);
            page.px[3 * i + 2] = static_cast<std::uint8_t>(c);
        }
        pages.push_back(page);
        if (f.disposal == 2) {
            for (int y = f.top; y < f.top + f.height && y < height; ++y)
                for (int x = f.left; x < f.left + f.width && x < width; ++x)
                    canvas[static_cast<std::size_t>(y * width + x)] = 0;
        } else if (f.disposal == 3) {
            canvas = before;
        }
    }
    return pages;
}

Frame Block(int left, int top, int w, int h, int disposal, int transparent, int seed, bool localMap = false,
    int delayCs = 10)
{
    Frame f { left, top, w, h, disposal, transparent, delayCs, localMap, {} };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            f.indices.push_back(static_cast<std::uint8_t>((x + 2 * y + seed) & 3));
    return f;
}

TEST(GifAnimation, PagesMatchTheReferenceCompositor)
{
    const struct {
        const char *name;
        bool globalMap;
        std::vector<Frame> frames;
    } kCases[] = {
        { "disposal none", true,
            { Block(0, 0, 12, 10, 1, -1, 0), Block(3, 2, 5, 4, 1, 2, 1), Block(6, 5, 6, 5, 0, 0, 2) } },
        { "disposal background", true,
            { Block(0, 0, 12, 10, 1, -1, 0), Block(2, 2, 6, 6, 2, 1, 3), Block(5, 1, 4, 4, 1, -1, 1) } },
        { "disposal previous", true,
            { Block(0, 0, 12, 10, 1, 3, 0), Block(1, 1, 8, 7, 3, -1, 2), Block(4, 4, 5, 5, 3, 0, 1),
                Block(0, 8, 12, 2, 1, -1, 3) } },
        { "transparent first image", true, { Block(0, 0, 12, 10, 2, 0, 0), Block(0, 0, 12, 10, 1, 1, 1) } },
        { "several images make one frame", true,
            { Block(0, 0, 6, 10, 1, -1, 0, false, 0), Block(6, 0, 6, 10, 1, -1, 2) } },
        { "outside the canvas", true,
            { Block(0, 0, 12, 10, 1, -1, 1), Block(9, 7, 8, 8, 2, -1, 2), Block(40, 40, 3, 3, 1, -1, 0),
                Block(2, 2, 2, 2, 1, -1, 3) } },
        { "no global colour table", false,
            { Block(0, 0, 12, 10, 1, -1, 0, true), Block(4, 3, 5, 5, 1, 1, 1, true) } },
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.name);
        const std::vector<std::uint8_t> gif = BuildGif(12, 10, c.globalMap, c.frames, 0);
        const std::vector<Rgb> want = Composite(12, 10, c.globalMap, c.frames);
        ASSERT_EQ(PageCountFromMemory(AsBytes(gif), ".gif"), static_cast<int>(want.size()));
        for (std::size_t page = 0; page < want.size(); ++page) {
            Picture pic;
            ASSERT_EQ(LoadFromMemory(AsBytes(gif), ".gif", static_cast<int>(page), pic), Status::Ok) << page;
            EXPECT_EQ(CompareRgb(Flatten(pic), want[page]), "") << "page " << page;
        }
    }
}

TEST(GifAnimation, DelaysAndLoopCount)
{
    std::vector<Frame> frames
        = { Block(0, 0, 4, 4, 1, -1, 0, false, 25), Block(0, 0, 4, 4, 1, -1, 1, false, 0),
              Block(0, 0, 4, 4, 1, -1, 2, false, 1), Block(0, 0, 4, 4, 1, -1, 3, false, 200) };
    const struct {
        int loop; // -1: no loop extension
        int loops;
    } kLoops[] = { { -1, 1 }, { 0, 0 }, { 2, 3 } };
    for (const auto &l : kLoops) {
        Animation a;
        ASSERT_TRUE(AnimationFromMemory(AsBytes(BuildGif(4, 4, true, frames, l.loop)), ".gif", a));
        EXPECT_EQ(a.loops, l.loops) << l.loop;
        // Delays of 10 ms or less play at 100 ms.
        EXPECT_EQ(a.delaysMs, (std::vector<int> { 250, 100, 100, 2000 }));
    }
    Animation single;
    EXPECT_FALSE(AnimationFromMemory(AsBytes(BuildGif(4, 4, true, { frames[0] }, 0)), ".gif", single));
    // Cut files give the frames they hold and never read past the end.
    const std::vector<std::uint8_t> whole = BuildGif(4, 4, true, frames, 0);
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        Animation part;
        GifAnimation(Bytes { whole.data(), cut }, part);
        EXPECT_LE(part.delaysMs.size(), frames.size());
    }
}

} // namespace
} // namespace codexa::test
