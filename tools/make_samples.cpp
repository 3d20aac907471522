// Draws the bundled sample pictures: one small scene, saved once per format through Codexa.
// Usage: tarnis-make-samples OUTDIR
#include "codec/codexa.h"
#include "platform/dibutil.h"
#include "platform/globalmem.h"
#include "platform/paths.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace
{

struct Canvas {
    int width;
    int height;
    std::vector<std::uint8_t> bgr; // top-down, tightly packed

    Canvas(int w, int h)
        : width(w)
        , height(h)
        , bgr(static_cast<std::size_t>(w) * h * 3)
    {
    }
    std::uint8_t *At(int x, int y) { return &bgr[(static_cast<std::size_t>(y) * width + x) * 3]; }
    void Put(int x, int y, int r, int g, int b)
    {
        std::uint8_t *p = At(x, y);
        p[0] = static_cast<std::uint8_t>(b);
        p[1] = static_cast<std::uint8_t>(g);
        p[2] = static_cast<std::uint8_t>(r);
    }
};

// A sky gradient, a sun, two ranges of hills and a lake with the sun's reflection.
Canvas DrawScene(int w, int h)
{
    Canvas c(w, h);
    const double sunX = w * 0.68, sunY = h * 0.34, sunR = h * 0.11;
    for (int y = 0; y < h; ++y) {
        double t = static_cast<double>(y) / h;
        for (int x = 0; x < w; ++x) {
            double u = static_cast<double>(x) / w;
            int r = static_cast<int>(40 + 200 * t), g = static_cast<int>(90 + 90 * t),
                b = static_cast<int>(200 - 60 * t);
            double d = std::hypot(x - sunX, y - sunY);
            if (d < sunR) {
                r = 255, g = 220, b = 90;
            } else if (d < sunR * 2.2) {
                double glow = 1.0 - (d - sunR) / (sunR * 1.2);
                r = static_cast<int>(r + (255 - r) * glow * 0.6);
                g = static_cast<int>(g + (200 - g) * glow * 0.5);
            }
            double far = h * (0.55 + 0.06 * std::sin(u * 9.0) + 0.03 * std::sin(u * 23.0));
            double near = h * (0.68 + 0.05 * std::sin(u * 5.0 + 1.3) + 0.02 * std::sin(u * 31.0));
            if (y > far) {
                r = 70 + static_cast<int>(30 * u), g = 90, b = 120;
            }
            if (y > near) {
                int shade = static_cast<int>(40 * std::sin(u * 50.0 + y * 0.2) * 0.5);
                r = 40 + shade, g = 120 + shade, b = 50;
            }
            if (y > h * 0.82) {
                double ripple = std::sin(y * 0.9 + std::sin(u * 40.0)) * 0.5 + 0.5;
                bool reflection
                    = std::fabs(x - sunX) < sunR * (1.0 - (y - h * 0.82) / (h * 0.4)) && ripple > 0.4;
                r = reflection ? 240 : 30 + static_cast<int>(20 * ripple);
                g = reflection ? 200 : 80 + static_cast<int>(30 * ripple);
                b = reflection ? 100 : 150 + static_cast<int>(40 * ripple);
            }
            c.Put(x, y, std::min(r, 255), std::min(g, 255), std::min(b, 255));
        }
    }
    return c;
}

struct Dib {
    DibInfoBlock info {};
    HGLOBAL bits = nullptr;
    ~Dib() { GlobalFree(bits); }
};

// 24-bit, or 8-bit through a fixed 6×7×6 colour cube, or 1-bit by grey threshold with ordered
// dithering so the 1-bit formats still show the scene.
bool MakeDib(Canvas &c, int bitCount, Dib &out)
{
    DibInitHeader(out.info, c.width, c.height, bitCount);
    out.info.bmiHeader.biXPelsPerMeter = out.info.bmiHeader.biYPelsPerMeter = 3780;
    out.bits = GlobalAlloc(GPTR, out.info.bmiHeader.biSizeImage);
    if (out.bits == nullptr)
        return false;
    const std::size_t stride = static_cast<std::size_t>(DibStride(c.width, bitCount));
    static const int bayer[4][4] = { { 0, 8, 2, 10 }, { 12, 4, 14, 6 }, { 3, 11, 1, 9 }, { 15, 7, 13, 5 } };
    if (bitCount == 8)
        for (int i = 0; i < 252; ++i)
            out.info.bmiColors[i] = RGBQUAD { static_cast<BYTE>(i % 6 * 51),
                static_cast<BYTE>(i / 6 % 7 * 255 / 6), static_cast<BYTE>(i / 42 * 51), 0 };
    if (bitCount == 1)
        out.info.bmiColors[1] = RGBQUAD { 255, 255, 255, 0 };
    for (int y = 0; y < c.height; ++y) {
        auto *row
            = static_cast<std::uint8_t *>(out.bits) + static_cast<std::size_t>(c.height - 1 - y) * stride;
        for (int x = 0; x < c.width; ++x) {
            const std::uint8_t *p = c.At(x, y);
            if (bitCount == 24) {
                std::memcpy(row + 3 * x, p, 3);
            } else if (bitCount == 8) {
                int b = (p[0] + 25) / 51, g = (p[1] * 6 + 127) / 255, r = (p[2] + 25) / 51;
                row[x] = static_cast<std::uint8_t>(r * 42 + g * 6 + b);
            } else if (GreyValue(p[2], p[1], p[0]) > bayer[y & 3][x & 3] * 16 + 8) {
                row[x >> 3] |= static_cast<std::uint8_t>(0x80 >> (x & 7));
            }
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: tarnis-make-samples OUTDIR\n");
        return 1;
    }
    const std::string dir = argv[1];
    struct Item {
        const char *name;
        int width, height, bits;
    };
    const Item items[] = {
        { "lake-at-dusk.jpg", 480, 320, 24 },
        { "lake-at-dusk.png", 320, 240, 24 },
        { "lake-at-dusk.bmp", 240, 160, 24 },
        { "lake-at-dusk.tif", 240, 160, 24 },
        { "lake-at-dusk.tga", 200, 150, 24 },
        { "lake-at-dusk.gif", 240, 160, 8 },
        { "lake-at-dusk.pcx", 240, 160, 8 },
        { "lake-at-dusk.img", 320, 240, 1 },
        { "lake-at-dusk.mac", 576, 720, 1 },
    };
    int failures = 0;
    for (const Item &item : items) {
        Canvas canvas = DrawScene(item.width, item.height);
        Dib dib;
        std::string path = JoinFolderAndName(dir, item.name);
        if (!MakeDib(canvas, item.bits, dib)
            || !CodexaSave(path.c_str(), &dib.info, dib.bits, nullptr, nullptr)) {
            std::fprintf(stderr, "tarnis-make-samples: cannot write %s\n", path.c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
