// Drawing helpers on a device context over a QImage: band and tile colours pixel by pixel, the
// alpha blends by their formula, and the rounded window mask.
#include "dibtest.h"

#include <QImage>
#include <QPainter>
#include <QWidget>
#include <climits>
#include <cstdint>

namespace
{

QImage Canvas(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(qRgb(1, 2, 3));
    return image;
}

// A w × h 24-bit picture whose top-down pixel (x, y) is Colour(x, y).
QRgb Colour(int x, int y)
{
    return qRgb(20 * x + 5, 30 * y + 7, 100 + x * y);
}
void MakeTile(Pic &p, int w, int h)
{
    ASSERT_TRUE(CreateDib(w, h, 24, &p.bits, &p.info, 0));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb c = Colour(x, y);
            BYTE *d = p.row(h - 1 - y) + 3 * x;
            d[0] = BYTE(qBlue(c));
            d[1] = BYTE(qGreen(c));
            d[2] = BYTE(qRed(c));
        }
}

QRgb Gradient(COLORREF c1, COLORREF c2, int pos, int size)
{
    auto channel = [&](int a, int b) { return b + (a - b) * pos / size; };
    return qRgb(channel(GetRValue(c1), GetRValue(c2)), channel(GetGValue(c1), GetGValue(c2)),
        channel(GetBValue(c1), GetBValue(c2)));
}

} // namespace

// ---- GradientFillRect ----

TEST(GradientFillRect, BandsFollowTheIntegerSteps)
{
    const COLORREF c1 = RGB(250, 10, 100), c2 = RGB(5, 200, 100);
    struct Case {
        int size, band, horizontal, reverse;
    };
    for (Case c : { Case { 100, 1, 0, 0 }, Case { 512, 4, 0, 0 }, Case { 300, 2, 0, 1 },
             Case { 260, 2, 1, 0 }, Case { 515, 4, 1, 1 } }) {
        SCOPED_TRACE(
            testing::Message() << c.size << (c.horizontal ? " wide" : " high") << ", reverse " << c.reverse);
        const int across = 7;
        QImage image = c.horizontal ? Canvas(c.size + 20, across + 4) : Canvas(across + 4, c.size + 20);
        CDC dc { &image, nullptr };
        const RECT r
            = c.horizontal ? RECT { 3, 2, 3 + c.size, 2 + across } : RECT { 2, 3, 2 + across, 3 + c.size };
        GradientFillRect(&dc, &r, c1, c2, c.horizontal, c.reverse);
        // Painted band by band: band k at k · band, or reversed at size - (k + 1) · band; later
        // bands cover earlier ones and the last may reach past either end.
        std::vector<QRgb> line(std::size_t(c.size) + 40, qRgb(1, 2, 3)); // index t + 20
        for (int k = 0; k * c.band < c.size; ++k) {
            const int pos = (k + 1) * c.band, at = c.reverse ? c.size - pos : k * c.band;
            for (int t = at; t < at + c.band; ++t)
                line[std::size_t(t + 20)] = Gradient(c1, c2, pos, c.size);
        }
        for (int t = -2; t < c.size + 15; ++t) {
            const QPoint inside = c.horizontal ? QPoint(3 + t, 4) : QPoint(4, 3 + t);
            if (image.rect().contains(inside)) {
                ASSERT_EQ(image.pixel(inside), line[std::size_t(t + 20)]) << t;
            }
        }
        // Nothing outside across the bands.
        EXPECT_EQ(image.pixel(c.horizontal ? QPoint(5, 1) : QPoint(1, 5)), qRgb(1, 2, 3));
        EXPECT_EQ(image.pixel(c.horizontal ? QPoint(5, 9) : QPoint(9, 5)), qRgb(1, 2, 3));
    }
    QImage image = Canvas(10, 10);
    CDC dc { &image, nullptr };
    const RECT r { 0, 0, 10, 10 };
    GradientFillRect(&dc, &r, RGB(9, 99, 199), RGB(9, 99, 199), 0, 0);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(image.pixel(5, y), qRgb(9, 99, 199));
    GradientFillRect(&dc, nullptr, 0, 0, 0, 0);
    GradientFillRect(nullptr, &r, 0, 0, 0, 0);
    const RECT huge { INT_MIN, INT_MIN, INT_MAX, INT_MAX };
    GradientFillRect(&dc, &huge, RGB(0, 0, 0), RGB(255, 255, 255), 1, 1); // covers, does not hang
}

// ---- TileDibOnRect and TileBmpOnRect ----

TEST(TileDibOnRect, TilesFromTheCornerAndPastTheEdges)
{
    Pic tile;
    MakeTile(tile, 7, 5);
    QImage image = Canvas(60, 40);
    CDC dc { &image, nullptr };
    TileDibOnRect(&dc, 3, 2, 40, 30, tile.info, tile.bits, 0, 0, 2);
    // Tiles start at x = 3, 10, ..., 38 and y = 2, 7, ..., 27: the last reach x 44 and y 31.
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 60; ++x) {
            const bool in = x >= 3 && x < 45 && y >= 2 && y < 32;
            ASSERT_EQ(image.pixel(x, y), in ? Colour((x - 3) % 7, (y - 2) % 5) : qRgb(1, 2, 3))
                << x << ", " << y;
        }
    // A picture larger than the rectangle: one tile at (left, top).
    QImage small = Canvas(20, 20);
    CDC smallDc { &small, nullptr };
    TileDibOnRect(&smallDc, 2, 1, 4, 3, tile.info, tile.bits, 0, 0, 2);
    EXPECT_EQ(small.pixel(8, 5), Colour(6, 4));
    EXPECT_EQ(small.pixel(9, 5), qRgb(1, 2, 3));
    // Huge rectangles draw only what the device shows.
    TileDibOnRect(&smallDc, INT_MIN, INT_MIN, INT_MAX, INT_MAX, tile.info, tile.bits, 0, 0, 2);
    EXPECT_EQ(small.pixel(0, 0),
        Colour(int((0 - std::int64_t(INT_MIN)) % 7), int((0 - std::int64_t(INT_MIN)) % 5)));
}

TEST(TileDibOnRect, NineSliceAndStretch)
{
    Pic tile;
    MakeTile(tile, 9, 7); // borders 2 × 3, middle 5 × 1
    QImage image = Canvas(40, 30);
    CDC dc { &image, nullptr };
    TileDibOnRect(&dc, 1, 1, 21, 15, tile.info, tile.bits, 2, 3, 1);
    // Corners are copied last.
    EXPECT_EQ(image.pixel(1, 1), Colour(0, 0));
    EXPECT_EQ(image.pixel(20, 1), Colour(8, 0));
    EXPECT_EQ(image.pixel(1, 14), Colour(0, 6));
    EXPECT_EQ(image.pixel(20, 14), Colour(8, 6));
    // Top strip along the top edge, left strip down the left edge, middle inside.
    for (int x = 3; x < 19; ++x) {
        EXPECT_EQ(image.pixel(x, 2), Colour(2 + (x - 3) % 5, 1)) << x;
        EXPECT_EQ(image.pixel(x, 8), Colour(2 + (x - 3) % 5, 3)) << x;
        EXPECT_EQ(image.pixel(x, 13), Colour(2 + (x - 3) % 5, 5)) << x;
    }
    for (int y = 4; y < 12; ++y)
        EXPECT_EQ(image.pixel(2, y), Colour(1, 3)) << y;

    QImage stretched = Canvas(30, 30);
    CDC sdc { &stretched, nullptr };
    Pic two;
    MakeTile(two, 2, 2);
    TileDibOnRect(&sdc, 0, 0, 20, 20, two.info, two.bits, 0, 0, 0);
    EXPECT_EQ(stretched.pixel(3, 3), Colour(0, 0));
    EXPECT_EQ(stretched.pixel(15, 4), Colour(1, 0));
    EXPECT_EQ(stretched.pixel(15, 15), Colour(1, 1));
    EXPECT_EQ(stretched.pixel(20, 20), qRgb(1, 2, 3));
    TileDibOnRect(&sdc, 0, 0, 20, 20, nullptr, two.bits, 0, 0, 0);
    TileDibOnRect(nullptr, 0, 0, 20, 20, two.info, two.bits, 0, 0, 0);
    TileDibOnRect(&sdc, 0, 0, 20, 20, two.info, two.bits, 50, -50, 1);
}

TEST(TileBmpOnRect, TilesTheResourceInsideTheRectangleOnly)
{
    QImage image = Canvas(20, 20);
    CDC dc { &image, nullptr };
    TileBmpOnRect(&dc, RECT { 2, 3, 10, 8 }, 101, 0, 0, 2); // 3 × 2; top row 12,11,10 / 15,14,13 / 18,17,16
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool in = x >= 2 && x < 10 && y >= 3 && y < 8;
            const int i = (x - 2) % 3, top = (y - 3) % 2 == 0;
            const QRgb expected
                = top ? qRgb(12 + 3 * i, 11 + 3 * i, 10 + 3 * i) : qRgb(3 + 3 * i, 2 + 3 * i, 1 + 3 * i);
            ASSERT_EQ(image.pixel(x, y), in ? expected : qRgb(1, 2, 3)) << x << ", " << y;
        }
    TileBmpOnRect(&dc, RECT { 0, 0, 20, 20 }, 999, 0, 0, 2); // no such resource
    EXPECT_EQ(image.pixel(0, 0), qRgb(1, 2, 3));
}

// ---- Dib2DibAlphaBlend and AlphaBlendDib2DC ----

namespace
{

DWORD Blend(int constant, int format = 0)
{
    return DWORD(constant) << 16 | DWORD(format) << 24;
}

} // namespace

TEST(Dib2DibAlphaBlend, ConstantPlaneAndMask)
{
    Pic dst, src;
    MakeRandom(dst, 9, 7, 24, 1);
    MakeRandom(src, 5, 3, 24, 2);
    for (int alpha : { 0, 255, 77 }) {
        Pic p;
        ASSERT_TRUE(DuplicateDibData(&p.bits, &p.info, dst.bits, dst.info));
        ASSERT_EQ(Dib2DibAlphaBlend(
                      &p.bits, &p.info, src.bits, src.info, 2, 1, RECT {}, Blend(alpha), nullptr, nullptr),
            1);
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 9; ++x)
                for (int c = 0; c < 3; ++c) {
                    const int top = 6 - y;
                    const bool in = x >= 2 && x < 7 && top >= 1 && top < 4;
                    const int d = dst.at(x, y, c);
                    const int s = in ? src.at(x - 2, 2 - (top - 1), c) : 0;
                    ASSERT_EQ(p.at(x, y, c), in ? (s * alpha + (256 - alpha) * d) >> 8 : d) << alpha;
                }
    }
    // Per-pixel alpha scaled by the constant; where the mask is 0 and the alpha is not, a copy.
    std::vector<BYTE> plane(8 * 3), mask(12 * 7, 1);
    for (std::size_t i = 0; i < plane.size(); ++i)
        plane[i] = BYTE(40 * i);
    mask[std::size_t(4) * 12 + 3] = 0; // memory row 4, column 3: source pixel (1, 1)
    BYTE *maskPtr = mask.data();
    Pic p;
    ASSERT_TRUE(DuplicateDibData(&p.bits, &p.info, dst.bits, dst.info));
    ASSERT_EQ(Dib2DibAlphaBlend(
                  &p.bits, &p.info, src.bits, src.info, 2, 1, RECT {}, Blend(200), plane.data(), &maskPtr),
        1);
    EXPECT_EQ(p.at(3, 4, 0), src.at(1, 1, 0));
    const int a = (plane[8 + 2] * 200) >> 8; // source pixel (2, 1)
    EXPECT_EQ(p.at(4, 4, 1), (src.at(2, 1, 1) * a + (256 - a) * dst.at(4, 4, 1)) >> 8);

    // Alpha format 1: only the depths change.
    Pic p8, s4;
    MakeRandom(p8, 6, 5, 8, 3);
    MakeRandom(s4, 3, 3, 4, 4);
    const auto colours = Grid(6, 5, [&](int x, int y) { return p8.bgr(x, y); });
    ASSERT_EQ(Dib2DibAlphaBlend(
                  &p8.bits, &p8.info, s4.bits, s4.info, 0, 0, RECT {}, Blend(128, 1), nullptr, nullptr),
        1);
    EXPECT_TRUE(HasShape(p8, 6, 5, 24));
    EXPECT_EQ(Grid(6, 5, [&](int x, int y) { return p8.bgr(x, y); }), colours);
    EXPECT_EQ(s4.h().biBitCount, 4); // the caller's source stays as it was

    const Snapshot before(dst);
    EXPECT_EQ(Dib2DibAlphaBlend(
                  &dst.bits, &dst.info, src.bits, src.info, 50, 50, RECT {}, Blend(9), nullptr, nullptr),
        0);
    EXPECT_EQ(
        Dib2DibAlphaBlend(&dst.bits, &dst.info, nullptr, src.info, 0, 0, RECT {}, Blend(9), nullptr, nullptr),
        0);
    before.ExpectUnchanged(dst);
}

TEST(AlphaBlendDib2DC, BlendsOntoTheDeviceAndDrawsBack)
{
    QImage image = Canvas(20, 10);
    image.fill(qRgb(100, 50, 200));
    CDC dc { &image, nullptr };
    Pic src;
    ASSERT_TRUE(CreateDib(4, 3, 24, &src.bits, &src.info, 0));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            src.at(x, y, 2) = 250; // red 250, green and blue 0
    EXPECT_EQ(AlphaBlendDib2DC(&dc, 5, 2, 6, 5, src.bits, src.info, 0, 0, 0, 0, Blend(128), nullptr), 5);
    const QRgb blended = qRgb((250 * 128 + 128 * 100) >> 8, (128 * 50) >> 8, (128 * 200) >> 8);
    // Placed at the grab's top-left corner: device (5 ... 8, 2 ... 4).
    EXPECT_EQ(image.pixel(5, 2), blended);
    EXPECT_EQ(image.pixel(8, 4), blended);
    EXPECT_EQ(image.pixel(5, 5), qRgb(100, 50, 200));
    EXPECT_EQ(image.pixel(9, 3), qRgb(100, 50, 200));
    EXPECT_EQ(image.pixel(4, 3), qRgb(100, 50, 200));
    EXPECT_EQ(AlphaBlendDib2DC(nullptr, 5, 2, 6, 5, src.bits, src.info, 0, 0, 0, 0, Blend(128), nullptr), 0);
    EXPECT_EQ(AlphaBlendDib2DC(&dc, 5, 2, -6, 5, src.bits, src.info, 0, 0, 0, 0, Blend(128), nullptr), 0);
}

// ---- ChangeWindowRgn ----

TEST(ChangeWindowRgn, GivesTheWindowARoundedMask)
{
    QWidget window;
    window.resize(40, 30);
    ChangeWindowRgn(&window, 16, 12);
    const QRegion mask = window.mask();
    EXPECT_TRUE(mask.contains(QPoint(20, 15)));
    EXPECT_TRUE(mask.contains(QPoint(20, 1)));
    EXPECT_TRUE(mask.contains(QPoint(1, 15)));
    EXPECT_FALSE(mask.contains(QPoint(0, 0)));
    EXPECT_FALSE(mask.contains(QPoint(39, 29)));
    EXPECT_LE(mask.boundingRect().right(), 39);
    ChangeWindowRgn(nullptr, 16, 12);
}
