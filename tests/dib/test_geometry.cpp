// Turns, mirrors, crops, rolls, the perspective turn and overlays, each checked against a naive
// reference on odd sizes (padded rows) and by identities over every depth.
#include "dib/dibcore.h"
#include "dibtest.h"

#include <climits>
#include <cmath>
#include <functional>

namespace
{

const int kDepths[] = { 1, 4, 8, 16, 24, 32 };
const int kTurnable[] = { 1, 4, 8, 24 }; // depths the quarter turn, mirror and roll move

// A pixel at any depth as one number: the index, the 16-bit word or blue | green | red.
int Value(const Pic &p, int x, int y)
{
    const int depth = p.h().biBitCount;
    if (depth <= 8)
        return p.index(x, y);
    if (depth == 16)
        return p.row(y)[2 * x] | p.row(y)[2 * x + 1] << 8;
    return p.at(x, y, 0) | p.at(x, y, 1) << 8 | p.at(x, y, 2) << 16;
}

std::vector<int> Values(const Pic &p)
{
    return Grid(p.h().biWidth, p.h().biHeight, [&](int x, int y) { return Value(p, x, y); });
}

void Copy(const Pic &from, Pic &to)
{
    ASSERT_TRUE(DuplicateDibData(&to.bits, &to.info, from.bits, from.info));
}

bool AllZero(const Pic &p)
{
    const auto *b = static_cast<const BYTE *>(p.bits);
    return std::all_of(b, b + p.h().biSizeImage, [](BYTE v) { return v == 0; });
}

// The bits of each row past the picture's last pixel are still zero.
bool PaddingClear(const Pic &p)
{
    const int used = p.h().biWidth * p.h().biBitCount;
    for (int y = 0; y < p.h().biHeight; ++y)
        for (int bit = used; bit < p.stride() * 8; ++bit)
            if ((p.row(y)[bit / 8] >> (7 - bit % 8)) & 1)
                return false;
    return true;
}

// Fails the first, second, ... allocation of `call` until it succeeds; each failure must leave p
// as it was.
template <class Call> void ExpectAllocationFailuresUntouched(Pic &p, Call call)
{
    const Snapshot before(p);
    int result = 0;
    for (long n = 1; n <= 20 && result == 0; ++n) {
        SCOPED_TRACE(n);
        GlobalSetFailAt(n);
        result = call();
        GlobalSetFailAt(0);
        if (result == 0)
            before.ExpectUnchanged(p);
    }
    EXPECT_NE(result, 0) << "never succeeded";
}

} // namespace

// ---- Quarter turns (RotateDib 90 and 270) ----

TEST(RotateDib, QuarterTurnsMoveEachPixelAsTheReferenceSays)
{
    for (int depth : kTurnable)
        for (int angle : { 90, 270 }) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << angle);
            Pic src, p;
            MakeRandom(src, 13, 6, depth, unsigned(depth + angle));
            Copy(src, p);
            ASSERT_EQ(RotateDib(&p.bits, &p.info, angle, 0), 1);
            ASSERT_TRUE(HasShape(p, 6, 13, depth));
            const int W = 13, H = 6;
            // Clockwise: (x, y) goes to row W - 1 - x, column y; counter-clockwise to row x,
            // column H - 1 - y.
            EXPECT_EQ(Values(p), Grid(H, W, [&](int c, int r) {
                return angle == 90 ? Value(src, W - 1 - r, c) : Value(src, r, H - 1 - c);
            }));
            EXPECT_TRUE(PaddingClear(p));
        }
}

TEST(RotateDib, FourQuarterTurnsAndHalfTurnsAreIdentities)
{
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        Pic src, p;
        MakeRandom(src, 11, 7, depth, unsigned(depth));
        Copy(src, p);
        if (depth == 16 || depth == 32) {
            // Quarter turns do not move these depths: the turned block comes out zero-filled.
            ASSERT_EQ(RotateDib(&p.bits, &p.info, 90, 0), 1);
            EXPECT_TRUE(HasShape(p, 7, 11, depth));
            EXPECT_TRUE(AllZero(p));
            continue;
        }
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(RotateDib(&p.bits, &p.info, -90, 0), 1);
        EXPECT_TRUE(HasShape(p, 11, 7, depth));
        EXPECT_EQ(Values(p), Values(src));
        // 180 = mirror then flip.
        Pic half, both;
        Copy(src, half);
        Copy(src, both);
        ASSERT_EQ(RotateDib(&half.bits, &half.info, 180, 0), 1);
        ASSERT_EQ(MirrorDib(&both.bits, &both.info, 0), 1);
        ASSERT_EQ(MirrorDib(&both.bits, &both.info, 1), 1);
        EXPECT_EQ(Values(half), Values(both));
        EXPECT_EQ(Values(half), Grid(11, 7, [&](int x, int y) { return Value(src, 10 - x, 6 - y); }));
    }
}

TEST(RotateDib, AnglesAreTakenModulo360)
{
    Pic src;
    MakeRandom(src, 5, 3, 8, 3);
    auto turned = [&](int angle) {
        Pic p;
        Copy(src, p);
        EXPECT_EQ(RotateDib(&p.bits, &p.info, angle, 0), 1) << angle;
        return std::make_pair(p.h().biWidth, Values(p));
    };
    const auto cw = turned(90), ccw = turned(270), same = turned(0);
    EXPECT_EQ(turned(-90), ccw);
    EXPECT_EQ(turned(450), cw);
    EXPECT_EQ(turned(-630), cw);
    EXPECT_EQ(turned(360), same);
    EXPECT_EQ(turned(-720), same);
    EXPECT_EQ(same.second, Values(src));
    EXPECT_NE(turned(INT_MIN).first, 0);
    EXPECT_EQ(turned(45).first, (5 * 724 + 3 * 724) >> 10); // other angles turn freely
    EXPECT_EQ(RotateDib(nullptr, nullptr, 0, 0), 1); // angle 0 answers before any check
    EXPECT_EQ(RotateDib(nullptr, nullptr, 90, 0), 0);
}

// ---- RotateFreeAngle ----

namespace
{

// The free turn written straight from its rules, one target pixel at a time.
void RefFreeTurn(const Pic &src, double angle, int bg, int &width, int &height, std::vector<int> &out)
{
    const int W = src.h().biWidth, H = src.h().biHeight, depth = src.h().biBitCount;
    const double rad = angle * 0.017453292519444445;
    const std::int64_t sn = std::int64_t(std::sin(rad) * 1024), cs = std::int64_t(std::cos(rad) * 1024);
    const std::int64_t as = std::abs(sn), ac = std::abs(cs);
    width = int((W * ac + H * as) >> 10);
    height = int((H * ac + W * as) >> 10);
    const std::int64_t hx = ((W * ac + H * as) >> 11) - 1, hy = ((H * ac + W * as) >> 11) - 1;
    out.clear();
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c) {
            const std::int64_t i = c - hx, j = r - hy;
            const std::int64_t sx = W / 2 * 1024 + i * cs - j * sn, sy = H / 2 * 1024 + i * sn + j * cs;
            if (depth != 24) {
                const std::int64_t x = W / 2 + ((i * cs - j * sn) >> 10),
                                   y = H / 2 + ((i * sn + j * cs) >> 10);
                const bool in = x >= 0 && x < W && y >= 0 && y < H;
                out.push_back(in ? src.index(int(x), int(y)) : depth == 1 ? 1 : depth == 4 ? 15 : bg);
                continue;
            }
            if (sx < -1023 || sx >= W * 1024 || sy < -1023 || sy >= H * 1024) {
                out.push_back(bg | bg << 8 | bg << 16);
                continue;
            }
            const std::int64_t ix = sx >> 10, iy = sy >> 10, fx = sx & 1023, fy = sy & 1023;
            const int x0 = int(std::max<std::int64_t>(ix, 0)), y0 = int(std::max<std::int64_t>(iy, 0));
            const int x1 = ix >= 0 && ix < W - 1 ? x0 + 1 : x0, y1 = iy >= 0 && iy < H - 1 ? y0 + 1 : y0;
            int v = 0;
            for (int ch = 0; ch < 3; ++ch) {
                const std::int64_t a = src.at(x0, y0, ch), b = src.at(x1, y0, ch), c0 = src.at(x0, y1, ch),
                                   d = src.at(x1, y1, ch);
                v |= int((((a * (1024 - fx) + b * fx) * (1024 - fy) + (c0 * (1024 - fx) + d * fx) * fy) >> 20)
                    << (8 * ch));
            }
            out.push_back(v);
        }
}

} // namespace

TEST(RotateFreeAngle, MatchesTheReferenceAtEveryTurnableDepth)
{
    for (int depth : { 1, 4, 8, 24 })
        for (double angle : { 30.0, -45.0, 123.4, 200.0, 271.0, 359.0, 0.6 }) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << angle << " degrees");
            Pic src, p;
            MakeRandom(src, 17, 9, depth, unsigned(depth * 7 + 1000 + angle));
            Copy(src, p);
            ASSERT_EQ(RotateFreeAngle(&p.bits, &p.info, angle, 77), 1);
            int w, h;
            std::vector<int> expected;
            RefFreeTurn(src, angle, 77, w, h, expected);
            ASSERT_TRUE(HasShape(p, w, h, depth));
            EXPECT_EQ(Values(p), expected);
            if (depth == 24 && w * 3 % 4 != 0) { // the background fills the padding too
                EXPECT_EQ(p.row(0)[p.stride() - 1], 77);
            }
        }
}

TEST(RotateFreeAngle, VectorRowsMatchTheReference)
{
    for (int w : { 3, 4, 61, 200 })
        for (double angle : { 7.0, 30.0, 95.5, 181.0, -33.0 }) {
            SCOPED_TRACE(testing::Message() << w << " wide, " << angle << " degrees");
            Pic src, p;
            MakeRandom(src, w, 47, 24, unsigned(w + 1000 + angle));
            Copy(src, p);
            ASSERT_EQ(RotateFreeAngle(&p.bits, &p.info, angle, 3), 1);
            int tw, th;
            std::vector<int> expected;
            RefFreeTurn(src, angle, 3, tw, th, expected);
            ASSERT_TRUE(HasShape(p, tw, th, 24));
            EXPECT_EQ(Values(p), expected);
        }
}

TEST(RotateFreeAngle, LargePicturesSplitOverThreadsGiveTheSameResult)
{
    Pic src, one, many;
    MakeRandom(src, 1201, 601, 24, 5);
    Copy(src, one);
    Copy(src, many);
    dib::SetMaxThreads(1);
    ASSERT_EQ(RotateFreeAngle(&one.bits, &one.info, 33.3, 9), 1);
    dib::SetMaxThreads(0);
    ASSERT_EQ(RotateFreeAngle(&many.bits, &many.info, 33.3, 9), 1);
    ASSERT_EQ(one.h().biSizeImage, many.h().biSizeImage);
    EXPECT_EQ(std::memcmp(one.bits, many.bits, one.h().biSizeImage), 0);
}

TEST(RotateFreeAngle, CanvasSizesAndUnchangedCases)
{
    Pic p;
    MakeRandom(p, 100, 50, 24, 1);
    ASSERT_EQ(RotateFreeAngle(&p.bits, &p.info, 30, 0), 1);
    EXPECT_TRUE(HasShape(p, 111, 93, 24)); // sn 511, cs 886

    for (double angle : { 0.4, -0.4, 359.6, 720.0, -360.6 }) {
        SCOPED_TRACE(angle);
        Pic q;
        MakeRandom(q, 9, 5, 8, 2);
        const Snapshot before(q);
        EXPECT_EQ(RotateFreeAngle(&q.bits, &q.info, angle, 0), 1);
        before.ExpectUnchanged(q);
    }
    for (int depth : { 16, 32 }) { // resized, not drawn
        Pic q;
        MakeRandom(q, 9, 5, depth, 2);
        ASSERT_EQ(RotateFreeAngle(&q.bits, &q.info, 90, 0), 1);
        EXPECT_TRUE(HasShape(q, 5, 9, depth));
        EXPECT_TRUE(AllZero(q));
    }
    Pic q;
    MakeRandom(q, 9, 5, 24, 2);
    EXPECT_EQ(RotateFreeAngle(&q.bits, &q.info, std::nan(""), 0), 0);
    EXPECT_EQ(RotateFreeAngle(&q.bits, &q.info, 1e300, 0), 1); // a huge angle still turns
}

// ---- MirrorDib ----

TEST(MirrorDib, ReversesPixelsOrRowsAndTwiceIsIdentity)
{
    for (int depth : kDepths)
        for (int direction : { 0, 1 }) {
            SCOPED_TRACE(testing::Message() << depth << " bits, direction " << direction);
            Pic src, p;
            MakeRandom(src, 13, 5, depth, unsigned(depth + direction));
            Copy(src, p);
            ASSERT_EQ(MirrorDib(&p.bits, &p.info, direction), 1);
            const bool moves = direction == 1 || depth == 1 || depth == 4 || depth == 8 || depth == 24;
            if (!moves) {
                EXPECT_TRUE(AllZero(p));
                continue;
            }
            EXPECT_EQ(Values(p), Grid(13, 5, [&](int x, int y) {
                return direction == 0 ? Value(src, 12 - x, y) : Value(src, x, 4 - y);
            }));
            EXPECT_TRUE(PaddingClear(p)); // padding bits never move into the picture
            ASSERT_EQ(MirrorDib(&p.bits, &p.info, direction), 1);
            EXPECT_EQ(Values(p), Values(src));
        }
    Pic p;
    MakeRandom(p, 3, 3, 8, 1);
    ASSERT_EQ(MirrorDib(&p.bits, &p.info, 2), 1);
    EXPECT_TRUE(AllZero(p));
}

TEST(MirrorDib, VectorAndPortableRowsAgreeOnEveryWidth)
{
    for (int w : { 1, 2, 5, 6, 7, 11, 16, 31, 64, 99 }) {
        SCOPED_TRACE(w);
        Pic src, vec, plain;
        MakeRandom(src, w, 3, 24, unsigned(w));
        Copy(src, vec);
        Copy(src, plain);
        ASSERT_EQ(MirrorDib(&vec.bits, &vec.info, 0), 1);
        dib::SetVectorKernels(false);
        ASSERT_EQ(MirrorDib(&plain.bits, &plain.info, 0), 1);
        dib::SetVectorKernels(true);
        EXPECT_EQ(Values(vec), Values(plain));
        EXPECT_EQ(Values(vec), Grid(w, 3, [&](int x, int y) { return Value(src, w - 1 - x, y); }));
    }
}

// ---- DibCrop and DibCrop2Dib ----

TEST(DibCrop, KeepsTheRectangleCountedFromTheTopAtEveryDepth)
{
    struct Case {
        RECT r;
        int left, top, right, bottom; // after clipping to 19 × 9
    };
    const Case cases[] = {
        { { 3, 2, 14, 7 }, 3, 2, 14, 7 },
        { { 5, 0, 19, 9 }, 5, 0, 19, 9 }, // 1 bit: k = 5, the row's last byte reached
        { { -4, -2, 8, 4 }, 0, 0, 8, 4 },
        { { 8, 1, 40, 30 }, 8, 1, 19, 9 },
        { { 1, 8, 2, 9 }, 1, 8, 2, 9 },
    };
    for (int depth : kDepths)
        for (const Case &c : cases) {
            SCOPED_TRACE(testing::Message() << depth << " bits, left " << c.r.left << ", top " << c.r.top);
            Pic src, p, q;
            MakeRandom(src, 19, 9, depth, unsigned(depth + c.r.left));
            Copy(src, p);
            ASSERT_EQ(DibCrop(&p.bits, &p.info, c.r.left, c.r.top, c.r.right, c.r.bottom), 1);
            const int w = c.right - c.left, h = c.bottom - c.top;
            ASSERT_TRUE(HasShape(p, w, h, depth));
            // Top-down row t of the picture is memory row 9 - 1 - t.
            const auto expected
                = Grid(w, h, [&](int x, int y) { return Value(src, c.left + x, 9 - c.bottom + y); });
            if (depth == 16 || depth == 32) {
                EXPECT_TRUE(AllZero(p));
            } else {
                EXPECT_EQ(Values(p), expected);
            }

            ASSERT_EQ(
                DibCrop2Dib(&q.bits, &q.info, src.bits, src.info, c.r.left, c.r.top, c.r.right, c.r.bottom),
                1);
            ASSERT_TRUE(HasShape(q, w, h, depth));
            if (depth == 16) {
                EXPECT_TRUE(AllZero(q));
            } else {
                EXPECT_EQ(Values(q), expected);
            }
            if (depth <= 8) {
                EXPECT_EQ(std::memcmp(q.colours(), src.colours(), 4u << depth), 0);
            }
        }
}

TEST(DibCrop, WholePictureEmptyAndOutsideRectangles)
{
    for (int depth : kDepths) {
        Pic p;
        MakeRandom(p, 9, 7, depth, 3);
        const Snapshot before(p);
        EXPECT_EQ(DibCrop(&p.bits, &p.info, 0, 0, 9, 7), 1);
        EXPECT_EQ(DibCrop(&p.bits, &p.info, -5, -5, 90, 70), 1); // clips to the whole picture
        EXPECT_EQ(DibCrop(&p.bits, &p.info, INT_MIN, INT_MIN, INT_MAX, INT_MAX), 1);
        before.ExpectUnchanged(p);
        EXPECT_EQ(DibCrop(&p.bits, &p.info, 20, 20, 30, 30), 0);
        EXPECT_EQ(DibCrop(&p.bits, &p.info, 3, 3, 3, 5), 0);
        EXPECT_EQ(DibCrop(&p.bits, &p.info, 5, 3, 2, 5), 0);
        before.ExpectUnchanged(p);

        Pic q; // nothing produced for the whole picture
        EXPECT_EQ(DibCrop2Dib(&q.bits, &q.info, p.bits, p.info, 0, 0, 9, 7), 1);
        EXPECT_EQ(q.bits, nullptr);
        EXPECT_EQ(q.info, nullptr);
    }
    Pic src, p; // 1 bit, left 3: each row shifted by three bits
    MakeRandom(src, 16, 2, 1, 3);
    Copy(src, p);
    ASSERT_EQ(DibCrop(&p.bits, &p.info, 3, 0, 16, 2), 1);
    const BYTE *s = src.row(1);
    EXPECT_EQ(p.row(1)[0], BYTE(s[0] << 3 | s[1] >> 5));
}

// ---- DibRoll ----

TEST(DibRoll, ShiftsCyclicallyByPercentages)
{
    struct Case {
        int h, v;
    };
    for (int depth : kDepths)
        for (Case c :
            { Case { 30, 0 }, Case { -25, 40 }, Case { 0, -90 }, Case { 100, 100 }, Case { 250, -350 } }) {
            SCOPED_TRACE(testing::Message() << depth << " bits, " << c.h << " %, " << c.v << " %");
            Pic src, p;
            MakeRandom(src, 13, 7, depth, unsigned(depth + c.h));
            Copy(src, p);
            ASSERT_EQ(DibRoll(&p.bits, &p.info, c.h, c.v), 1);
            if (depth == 16 || depth == 32) {
                EXPECT_TRUE(AllZero(p));
                continue;
            }
            auto shift = [](int size, int percent) {
                const long long pc = percent < 0 ? percent + 100 : percent;
                return int(((size * pc / 100) % size + size) % size);
            };
            const int dx = shift(13, c.h), dy = shift(7, c.v);
            EXPECT_EQ(Values(p),
                Grid(13, 7, [&](int x, int y) { return Value(src, (x - dx + 13) % 13, (y - dy + 7) % 7); }));
            EXPECT_TRUE(PaddingClear(p));
        }
    Pic p;
    MakeRandom(p, 10, 2, 8, 4);
    const int column0 = p.index(0, 1);
    for (int percent : { 50, -50 }) {
        Pic q;
        Copy(p, q);
        ASSERT_EQ(DibRoll(&q.bits, &q.info, percent, 0), 1);
        EXPECT_EQ(q.index(5, 1), column0);
    }
}

// ---- GetMaskRect ----

TEST(GetMaskRect, PlacesCentresAndClipsBothRectangles)
{
    struct Case {
        int iw, ih, ow, oh, x, y;
        RECT rect, image, overlay;
        int result;
    };
    const Case cases[] = {
        { 200, 100, 50, 40, 0, 0, { -1, -1, 0, 0 }, { 75, 30, 125, 70 }, { 0, 0, 50, 40 }, 1 },
        { 20, 10, 50, 40, 0, 0, { -1, -1, 0, 0 }, { 0, 0, 20, 10 }, { 15, 15, 35, 25 }, 1 },
        { 100, 80, 30, 20, 10, 5, { 0, 0, 0, 0 }, { 10, 5, 40, 25 }, { 0, 0, 30, 20 }, 1 },
        { 100, 80, 30, 20, 10, 5, { 20, 15, 5, 2 }, { 10, 5, 25, 18 }, { 5, 2, 20, 15 }, 1 },
        // Past the left and top edges: cut from the left and the top.
        { 100, 80, 30, 20, -10, -4, { 0, 0, 0, 0 }, { 0, 0, 20, 16 }, { 10, 4, 30, 20 }, 1 },
        // Past the right and bottom edges: cut from the right and the bottom.
        { 100, 80, 30, 20, 90, 70, { 0, 0, 0, 0 }, { 90, 70, 100, 80 }, { 0, 0, 10, 10 }, 1 },
        // Overlay part outside the overlay: clipped before it is placed.
        { 100, 80, 30, 20, 10, 10, { 20, 10, 40, 30 }, { 10, 10, 20, 20 }, { 20, 10, 30, 20 }, 1 },
        { 100, 80, 30, 20, 100, 5, { 0, 0, 0, 0 }, { 100, 5, 100, 25 }, { 0, 0, 0, 20 }, 0 },
        { 100, 80, 30, 20, INT_MAX, INT_MIN, { 0, 0, 0, 0 }, {}, {}, 0 },
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.iw << "x" << c.ih << " at " << c.x << ", " << c.y);
        RECT image {}, overlay {};
        EXPECT_EQ(
            GetMaskRect(c.iw, c.ih, c.ow, c.oh, c.x, c.y, c.rect, &image, &overlay) != 0, c.result != 0);
        if (!c.result)
            continue;
        EXPECT_EQ(std::memcmp(&image, &c.image, sizeof image), 0)
            << image.left << " " << image.top << " " << image.right << " " << image.bottom;
        EXPECT_EQ(std::memcmp(&overlay, &c.overlay, sizeof overlay), 0)
            << overlay.left << " " << overlay.top << " " << overlay.right << " " << overlay.bottom;
    }
    RECT r;
    EXPECT_EQ(GetMaskRect(10, 10, 5, 5, 0, 0, RECT {}, nullptr, &r), 0);
}

// ---- DibMask ----

namespace
{

// The per-byte modes written out, for one image byte d, overlay byte o and strength p.
int RefByteMode(int mode, int d, int o, int p)
{
    const int q = 100 - p;
    switch (mode) {
    case 0:
        return (d * p + o * q) / 100;
    case 1:
        return (d * p + std::max(d - o, 0) * q) / 100;
    case 2:
        return ((o * d * q) / 255 + d * p) / 100;
    case 3:
        return (d * p + std::abs(d - o) * q) / 100;
    default:
        return (d * p + (d + o - d * o / 255) * q) / 100;
    }
}

} // namespace

TEST(DibMask, ByteModesMatchTheirFormulasInTheCoveredAreaOnly)
{
    Pic image, overlay;
    MakeRandom(image, 21, 13, 24, 1);
    MakeRandom(overlay, 7, 5, 24, 2);
    const int x = 4, y = 3; // top-down placement
    for (int mode : { 0, 1, 2, 3, 6 })
        for (int p : { 0, 37, 100 }) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << ", strength " << p);
            Pic q;
            Copy(image, q);
            ASSERT_EQ(DibMask(&q.bits, &q.info, overlay.bits, overlay.info, mode, p, x, y, RECT {}), 1);
            for (int yy = 0; yy < 13; ++yy)
                for (int xx = 0; xx < 21; ++xx)
                    for (int c = 0; c < 3; ++c) {
                        const int top = 12 - yy; // picture row of memory row yy
                        const bool covered = xx >= x && xx < x + 7 && top >= y && top < y + 5;
                        const int d = image.at(xx, yy, c);
                        const int expected
                            = covered ? RefByteMode(mode, d, overlay.at(xx - x, 4 - (top - y), c), p) : d;
                        ASSERT_EQ(q.at(xx, yy, c), expected) << xx << ", " << yy << ", " << c;
                    }
        }
}

TEST(DibMask, LuminanceHslEllipseAndWrappedModes)
{
    Pic image, overlay;
    ASSERT_TRUE(CreateDib(5, 5, 24, &image.bits, &image.info, 100)); // grey 100
    ASSERT_TRUE(CreateDib(5, 5, 24, &overlay.bits, &overlay.info, 200));
    auto run = [&](int mode, int p, Pic &out) {
        Copy(image, out);
        ASSERT_EQ(DibMask(&out.bits, &out.info, overlay.bits, overlay.info, mode, p, 0, 0, RECT {}), 1);
    };
    Pic a, b, c, d;
    run(4, 50, a); // k = 100: 100 · 100 < 200 · 100: the darker image takes the overlay
    EXPECT_EQ(a.at(2, 2), 200);
    run(5, 50, b);
    EXPECT_EQ(b.at(2, 2), 100);
    run(4, 0, c); // k = 10: 100 · 100 < 200 · 100 · 10 / 100 is false
    EXPECT_EQ(c.at(2, 2), 100);

    // HSL: the overlay's lightness on the image (both grey), strength 0.
    run(7, 0, d);
    EXPECT_EQ(d.at(0, 0), 200);
    // Hue from a red overlay onto a blue image keeps the image's lightness and saturation.
    Pic blue, red, mixed;
    ASSERT_TRUE(CreateDib(2, 1, 24, &blue.bits, &blue.info, 0));
    ASSERT_TRUE(CreateDib(2, 1, 24, &red.bits, &red.info, 0));
    blue.at(0, 0, 0) = blue.at(1, 0, 0) = 200;
    red.at(0, 0, 2) = red.at(1, 0, 2) = 50;
    Copy(blue, mixed);
    ASSERT_EQ(DibMask(&mixed.bits, &mixed.info, red.bits, red.info, 8, 0, 0, 0, RECT {}), 1);
    EXPECT_EQ(mixed.bgr(0, 0), (std::array<BYTE, 3> { 0, 0, 200 }));
    // The same colour through every HSL mode at strength 0 comes back as it was.
    Pic colours;
    MakeRandom(colours, 16, 16, 24, 9);
    for (int mode = 7; mode <= 10; ++mode) {
        Pic same;
        Copy(colours, same);
        ASSERT_EQ(DibMask(&same.bits, &same.info, colours.bits, colours.info, mode, 0, 0, 0, RECT {}), 1);
        EXPECT_EQ(Values(same), Values(colours)) << mode;
    }

    // Ellipse: full overlay at the centre, nothing at the corners.
    Pic big, ov, e;
    ASSERT_TRUE(CreateDib(9, 9, 24, &big.bits, &big.info, 10));
    ASSERT_TRUE(CreateDib(9, 9, 24, &ov.bits, &ov.info, 250));
    Copy(big, e);
    ASSERT_EQ(DibMask(&e.bits, &e.info, ov.bits, ov.info, 11, 50, 0, 0, RECT {}), 1);
    EXPECT_EQ(e.at(4, 4), 250);
    EXPECT_EQ(e.at(0, 0), 10);
    EXPECT_GT(e.at(4, 1), 10); // fading between
    EXPECT_LT(e.at(4, 1), 250);

    // Wrapped: a 2-row overlay repeats over the rows of a 5-row picture only once, by stride.
    Pic w;
    Copy(image, w);
    Pic small;
    ASSERT_TRUE(CreateDib(5, 2, 24, &small.bits, &small.info, 200));
    ASSERT_EQ(DibMask(&w.bits, &w.info, small.bits, small.info, 12, 25, 0, 0, RECT {}), 1);
    EXPECT_EQ(w.at(0, 0), 125); // 100 · 0.75 + 200 · 0.25
    EXPECT_EQ(w.at(0, 1), 125);
    EXPECT_EQ(w.at(0, 2), 100);
}

TEST(DibMask, StatedCasesConversionAndRefusals)
{
    Pic image, overlay8;
    MakeRandom(image, 11, 9, 24, 3);
    MakeRandom(overlay8, 5, 4, 8, 4);
    Pic same;
    Copy(image, same);
    ASSERT_EQ(DibMask(&same.bits, &same.info, overlay8.bits, overlay8.info, 0, 100, 2, 2, RECT {}), 1);
    EXPECT_EQ(Values(same), Values(image)); // p = 100 keeps the picture
    EXPECT_EQ(overlay8.h().biBitCount, 8); // the caller's overlay is not converted

    Pic copied;
    Copy(image, copied);
    ASSERT_EQ(DibMask(&copied.bits, &copied.info, overlay8.bits, overlay8.info, 0, 0, 2, 2, RECT {}), 1);
    for (int x = 0; x < 5; ++x) // top-down row 2 of the picture is memory row 6; overlay row 3
        EXPECT_EQ(copied.bgr(2 + x, 6), overlay8.bgr(x, 3)) << x;

    Pic p8; // mode above 12: converted only
    MakeRandom(p8, 6, 6, 8, 5);
    const auto colours = Grid(6, 6, [&](int x, int y) { return p8.bgr(x, y); });
    ASSERT_EQ(DibMask(&p8.bits, &p8.info, overlay8.bits, overlay8.info, 13, 50, 0, 0, RECT {}), 1);
    EXPECT_TRUE(HasShape(p8, 6, 6, 24));
    EXPECT_EQ(Grid(6, 6, [&](int x, int y) { return p8.bgr(x, y); }), colours);

    Pic q;
    MakeRandom(q, 6, 6, 8, 5);
    const Snapshot before(q);
    EXPECT_EQ(DibMask(&q.bits, &q.info, overlay8.bits, overlay8.info, 0, -1, 0, 0, RECT {}), 0);
    EXPECT_EQ(
        DibMask(&q.bits, &q.info, overlay8.bits, overlay8.info, 0, 50, 60, 0, RECT {}), 0); // off the picture
    EXPECT_EQ(DibMask(&q.bits, &q.info, nullptr, overlay8.info, 0, 50, 0, 0, RECT {}), 0);
    EXPECT_EQ(DibMask(&q.bits, &q.info, overlay8.bits, nullptr, 0, 50, 0, 0, RECT {}), 0);
    before.ExpectUnchanged(q); // and not converted either
}

// ---- DibRotate3D ----

TEST(DibRotate3D, SizesWhiteBackgroundAndHalfTurns)
{
    Pic src;
    MakeRandom(src, 40, 30, 24, 6);
    struct Case {
        double angle;
        int depth, axis;
    };
    for (Case c : { Case { 30, 40, 0 }, Case { 30, 40, 1 }, Case { 120, 100, 0 }, Case { -70, 250, 1 },
             Case { 89.9999999, 0, 0 } }) {
        SCOPED_TRACE(testing::Message() << c.angle << " degrees, depth " << c.depth << ", axis " << c.axis);
        Pic p;
        Copy(src, p);
        ASSERT_EQ(DibRotate3D(&p.bits, &p.info, c.angle, c.depth, c.axis), 1);
        const double rad = c.angle * 0.017453292519444445, sn = std::sin(rad);
        const double acs = std::max(std::abs(std::cos(rad)), 1e-8);
        const int depth = std::clamp(c.depth, 0, 100);
        const double along = c.axis ? 30 : 40, across = c.axis ? 40 : 30;
        const int d = int(across * depth * sn * 0.01);
        const int na = int((std::abs(sn) * 0.25 + 1) * along),
                  nb = std::max(1, int(across * acs) + std::abs(d));
        EXPECT_TRUE(HasShape(p, c.axis ? nb : na, c.axis ? na : nb, 24));
        // The far edge is shorter: its two corners are white background.
        const int w = p.h().biWidth, h = p.h().biHeight;
        const std::array<BYTE, 3> white { 255, 255, 255 };
        const int whiteCorners = (p.bgr(0, 0) == white) + (p.bgr(w - 1, 0) == white)
            + (p.bgr(0, h - 1) == white) + (p.bgr(w - 1, h - 1) == white);
        EXPECT_EQ(whiteCorners, d != 0 ? 2 : 0);
    }
    // No turn copies the picture; a half turn flips it about the axis.
    for (int axis : { 0, 1 }) {
        Pic same, half;
        Copy(src, same);
        Copy(src, half);
        ASSERT_EQ(DibRotate3D(&same.bits, &same.info, 0, 50, axis), 1);
        EXPECT_EQ(Values(same), Values(src));
        ASSERT_EQ(DibRotate3D(&half.bits, &half.info, 180, 50, axis), 1);
        ASSERT_TRUE(HasShape(half, 40, 30, 24));
        EXPECT_EQ(Values(half),
            Grid(40, 30, [&](int x, int y) { return axis ? Value(src, 39 - x, y) : Value(src, x, 29 - y); }));
    }
    Pic p1; // palette pictures are brought to 24 bits first
    MakeRandom(p1, 9, 9, 1, 2);
    ASSERT_EQ(DibRotate3D(&p1.bits, &p1.info, 0, 0, 0), 1);
    EXPECT_TRUE(HasShape(p1, 9, 9, 24));
}

// ---- Refusals and allocation failures, every function ----

TEST(Geometry, RefusedArgumentsLeaveThePairUntouched)
{
    for (int depth : kDepths) {
        SCOPED_TRACE(depth);
        Pic p, tall;
        MakeRandom(p, 9, 7, depth, 1);
        MakeRandom(tall, 9, 7, depth, 1);
        tall.h().biHeight = 4000; // more rows than the block holds
        const Snapshot before(p), beforeTall(tall);
        EXPECT_EQ(RotateDib(&tall.bits, &tall.info, 90, 0), 0);
        EXPECT_EQ(RotateFreeAngle(&tall.bits, &tall.info, 30, 0), 0);
        EXPECT_EQ(MirrorDib(&tall.bits, &tall.info, 0), 0);
        EXPECT_EQ(DibCrop(&tall.bits, &tall.info, 1, 1, 3, 3), 0);
        EXPECT_EQ(DibCrop2Dib(&p.bits, &p.info, tall.bits, tall.info, 1, 1, 3, 3), 0);
        EXPECT_EQ(DibRoll(&tall.bits, &tall.info, 10, 10), 0);
        EXPECT_EQ(DibRotate3D(&tall.bits, &tall.info, 30, 50, 0), 0);
        EXPECT_EQ(DibMask(&tall.bits, &tall.info, p.bits, p.info, 0, 50, 0, 0, RECT {}), 0);
        EXPECT_EQ(DibMask(&p.bits, &p.info, tall.bits, tall.info, 0, 50, 0, 0, RECT {}), 0);
        p.h().biCompression = BI_RLE8;
        EXPECT_EQ(MirrorDib(&p.bits, &p.info, 1), 0);
        EXPECT_EQ(DibRotate3D(&p.bits, &p.info, 30, 50, 1), 0);
        p.h().biCompression = BI_RGB;
        before.ExpectUnchanged(p);
        beforeTall.ExpectUnchanged(tall);
    }
    HGLOBAL none = nullptr;
    BITMAPINFO *noInfo = nullptr;
    EXPECT_EQ(RotateFreeAngle(&none, &noInfo, 30, 0), 0);
    EXPECT_EQ(MirrorDib(nullptr, nullptr, 0), 0);
    EXPECT_EQ(DibRoll(&none, nullptr, 1, 1), 0);
    EXPECT_EQ(DibCrop2Dib(nullptr, &noInfo, nullptr, nullptr, 0, 0, 1, 1), 0);
    EXPECT_EQ(DibRotate3D(&none, &noInfo, 30, 10, 0), 0);
    // A turn whose canvas would not fit the 32-bit size field.
    Pic wide;
    ASSERT_TRUE(CreateDib(60000, 1, 24, &wide.bits, &wide.info, 0));
    wide.h().biHeight = 60000; // the block is small: refused before anything else
    EXPECT_EQ(RotateFreeAngle(&wide.bits, &wide.info, 45, 0), 0);
}

TEST(Geometry, EachFailingAllocationLeavesThePairUntouched)
{
    Pic overlay;
    MakeRandom(overlay, 5, 4, 8, 2);
    const std::function<int(Pic &)> calls[] = {
        [](Pic &p) { return RotateDib(&p.bits, &p.info, 90, 0); },
        [](Pic &p) { return RotateDib(&p.bits, &p.info, 180, 0); },
        [](Pic &p) { return RotateFreeAngle(&p.bits, &p.info, 30, 0); },
        [](Pic &p) { return MirrorDib(&p.bits, &p.info, 0); },
        [](Pic &p) { return DibCrop(&p.bits, &p.info, 1, 1, 5, 5); },
        [](Pic &p) { return DibRoll(&p.bits, &p.info, 30, 30); },
        [](Pic &p) { return DibRotate3D(&p.bits, &p.info, 30, 50, 1); },
        [&](Pic &p) { return DibMask(&p.bits, &p.info, overlay.bits, overlay.info, 0, 50, 1, 1, RECT {}); },
    };
    for (int depth : { 1, 8, 24 })
        for (std::size_t i = 0; i < std::size(calls); ++i) {
            SCOPED_TRACE(testing::Message() << depth << " bits, call " << i);
            Pic p;
            MakeRandom(p, 9, 7, depth, 1);
            ExpectAllocationFailuresUntouched(p, [&] { return calls[i](p); });
        }
    Pic src, dst;
    MakeRandom(src, 9, 7, 4, 1);
    MakeRandom(dst, 3, 3, 24, 1);
    ExpectAllocationFailuresUntouched(
        dst, [&] { return DibCrop2Dib(&dst.bits, &dst.info, src.bits, src.info, 1, 1, 5, 5); });
}
