// Drawing of a thumbnail cell on a real painter: the chamfered outline, the sunken frames, the
// cross of a failed thumbnail, the pixels at 1:1 the right way up, and the label colours.
#include "browser/qtcanvas.h"
#include "browser/thumbobj.h"
#include "browser/thumbowner.h"
#include "platform/dibutil.h"
#include "tests/common/qtapp.h"

#include <QImage>
#include <QPainter>
#include <cstring>
#include <gtest/gtest.h>

namespace
{

class FakeOwner : public CThumbOwner
{
public:
    int ShowFileError(const std::string &, int, int, const std::string &) override { return 1; }
    short GetSourceMode() const override { return 0; }
    bool HasKeyboardFocus() const override { return focus; }
    bool IsPopup() const override { return false; }
    const ThumbCodec *GetCodec() const override { return nullptr; }
    bool focus = false;
};

constexpr QRgb kGrey = 0xFF808080, kWhiteRgb = 0xFFFFFFFF, kBlackRgb = 0xFF000000;
constexpr int kText = 15;

class DrawTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { TestApp(); }

    void SetUp() override
    {
        item.SetBoxSize(100, 100);
        item.SetNameFolder("x.bmp", "/f");
        item.SetCellRect(RECT { 7, 7, 121, 7 + 116 + 2 * kText }, kText);
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0, 200));
        palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor(150, 150, 150));
    }

    QImage Draw(int scrollY = 0)
    {
        QImage img(140, 200, QImage::Format_RGB32);
        img.fill(kGrey);
        QPainter p(&img);
        QtItemCanvas canvas(p, palette, GridCaptionFont());
        item.Draw(canvas, scrollY);
        return img;
    }

    FakeOwner owner;
    CThumbObj item { &owner };
    QPalette palette;
};

QRgb At(const QImage &img, int x, int y)
{
    return img.pixel(x, y) | 0xFF000000;
}

} // namespace

TEST_F(DrawTest, FrameCrossAndSunkenBox)
{
    QImage img = Draw();
    const int l = 7, t = 7, r = 121, b = 7 + kText + 100 + 7; // b: box bottom + 7
    // No thumbnail: the picture rectangle is the box, a sunken frame with the cross about its centre.
    const int px = 14, py = 7 + kText, cx = px + 50, cy = py + 50;
    struct Pixel {
        int x, y;
        QRgb colour;
    };
    // Chamfered outline: cut corners stay clear, light top-left edges, dark bottom-right edges, no
    // fill. The sunken frame is dark left and top, light right and bottom; the cross leaves its
    // end points out.
    const Pixel expected[] = { { l, t, kGrey }, { l, t + 3, kWhiteRgb }, { l + 3, t, kWhiteRgb },
        { l + 1, t + 2, kWhiteRgb }, { r - 3, t, kBlackRgb }, { r, t + 3, kBlackRgb }, { r, t + 2, kGrey },
        { r, b - 3, kBlackRgb }, { l + 50, b, kBlackRgb }, { l + 3, b, kWhiteRgb }, { l, b - 3, kWhiteRgb },
        { l + 50, t + 50, kGrey }, { px - 1, py + 50, kBlackRgb }, { px + 50, py - 1, kBlackRgb },
        { px + 100, py + 50, kWhiteRgb }, { px + 50, py + 100, kWhiteRgb }, { cx, cy, kBlackRgb },
        { cx + 20, cy - 20, kBlackRgb }, { cx - 19, cy + 19, kBlackRgb }, { cx - 20, cy + 20, kGrey },
        { cx + 10, cy, kGrey } };
    for (const Pixel &p : expected)
        EXPECT_EQ(At(img, p.x, p.y), p.colour) << p.x << "," << p.y;

    // The index number is written in the band above the box.
    item.SetIndex(8);
    QImage numbered = Draw();
    bool ink = false;
    for (int y = t; y < py; ++y)
        for (int x = px; x < px + 20; ++x)
            ink = ink || At(numbered, x, y) != At(img, x, y);
    EXPECT_TRUE(ink);

    // Scrolling moves everything up.
    QImage scrolled = Draw(5);
    EXPECT_EQ(At(scrolled, l, t + 3 - 5), kWhiteRgb);
}

TEST_F(DrawTest, PicturePixelsCentredAndUpright)
{
    // 4 × 2 picture: bottom row red, top row green (rows stored bottom-up).
    DibInfoBlock info;
    DibInitHeader(info, 4, 2, 24);
    std::vector<std::uint8_t> dib(40 + 2 * 12);
    std::memcpy(dib.data(), &info.bmiHeader, 40);
    for (int x = 0; x < 4; ++x) {
        dib[40 + 3 * x + 2] = 255; // row 0 (bottom): red
        dib[40 + 12 + 3 * x + 1] = 255; // row 1 (top): green
    }
    ASSERT_EQ(item.SetPicture(dib.data(), dib.size()), 1);
    QImage img = Draw();
    // Centred in the box: left = 64 − 2, top = 7 + 15 + 50 − 1.
    const int x0 = 62, y0 = 71;
    EXPECT_EQ(At(img, x0, y0), 0xFF00FF00u);
    EXPECT_EQ(At(img, x0 + 3, y0 + 1), 0xFFFF0000u);
    EXPECT_EQ(At(img, x0 - 1, y0), 0xFF000000u); // sunken frame, dark left
    EXPECT_EQ(At(img, x0 + 4, y0), 0xFFFFFFFFu); // light right
    EXPECT_EQ(At(img, x0 + 1, y0 + 2), 0xFFFFFFFFu); // light bottom
}

// Thumbnails read from another writer's cache come in any depth and without a colour table:
// indices show as an even grey ramp, 16-bit words as 5-5-5 colours.
TEST_F(DrawTest, PalettelessAndSixteenBitPicturesAreDrawn)
{
    const struct {
        int depth;
        std::vector<std::uint8_t> row; // 4 pixels padded to 4 bytes, used for both rows
        QRgb first, second, third;
    } cases[] = {
        { 1, { 0x50, 0, 0, 0 }, 0xFF000000u, 0xFFFFFFFFu, 0xFF000000u }, // 0 1 0 1
        { 4, { 0x0F, 0x50, 0, 0 }, 0xFF000000u, 0xFFFFFFFFu, 0xFF555555u }, // 0 15 5 0
        { 8, { 0, 255, 17, 0 }, 0xFF000000u, 0xFFFFFFFFu, 0xFF111111u },
        { 16, { 0x00, 0x7C, 0xE0, 0x03, 0x1F, 0x00, 0xFF, 0xFF }, 0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.depth);
        const BITMAPINFOHEADER h { 40, 4, 2, 1, WORD(c.depth), BI_RGB, DWORD(2 * c.row.size()), 0, 0, 0, 0 };
        std::vector<std::uint8_t> packed(40);
        std::memcpy(packed.data(), &h, 40);
        if (c.depth <= 8)
            packed.resize(40 + (std::size_t(4) << c.depth), 0xAA); // a colour table, not kept
        for (int y = 0; y < 2; ++y)
            packed.insert(packed.end(), c.row.begin(), c.row.end());
        ASSERT_EQ(item.SetPicture(packed.data(), packed.size()), 1);
        QImage img = Draw();
        const int x0 = 62, y0 = 71; // centred in the box, as for the 24-bit picture
        EXPECT_EQ(At(img, x0, y0), c.first);
        EXPECT_EQ(At(img, x0 + 1, y0 + 1), c.second);
        EXPECT_EQ(At(img, x0 + 2, y0), c.third);
    }
}

TEST_F(DrawTest, SelectedLabelColoursFollowFocus)
{
    const RECT &label = item.GetLabelRect();
    auto corner = [&](const QImage &img) { return At(img, label.left + 1, label.bottom - 1); };
    QImage plain = Draw();
    EXPECT_EQ(corner(plain), 0xFFFFFFFFu);
    item.SetSelected(1);
    owner.focus = true;
    QImage active = Draw();
    owner.focus = false;
    QImage inactive = Draw();
    EXPECT_EQ(corner(active), 0xFFFFFFFFu); // the rest of the label keeps the window colour
    bool blue = false, grey = false;
    for (int dx = -10; dx <= 10; ++dx) {
        blue = blue || (At(active, (label.left + label.right) / 2 + dx, label.top + 1) == 0xFF0000C8u);
        grey = grey || (At(inactive, (label.left + label.right) / 2 + dx, label.top + 1) == 0xFF969696u);
    }
    EXPECT_TRUE(blue);
    EXPECT_TRUE(grey);
}
