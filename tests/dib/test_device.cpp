#include "dibtest.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <memory>

namespace
{

// Qt painting, the platform plugin and widgets (ChangeWindowRgn) need an application object.
struct GuiEnvironment : testing::Environment {
    void SetUp() override { app = std::make_unique<QApplication>(argc, argv); }
    void TearDown() override { app.reset(); }
    int argc = 1;
    char name[9] = "test_dib";
    char *argv[2] = { name, nullptr };
    std::unique_ptr<QApplication> app;
};
testing::Environment *const kGui = testing::AddGlobalTestEnvironment(new GuiEnvironment);

QImage Pattern(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(10 * x + 1, 20 * y + 2, (x * y) % 256));
    return image;
}

// The colours of a picture top-down, and of a rectangle of a bitmap.
std::vector<QRgb> TopDown(const Pic &p)
{
    return Grid(p.h().biWidth, p.h().biHeight, [&](int x, int y) {
        const auto c = p.bgr(x, p.h().biHeight - 1 - y);
        return qRgb(c[2], c[1], c[0]);
    });
}
std::vector<QRgb> Colours(const QImage &image, const QRect &r)
{
    return Grid(r.width(), r.height(), [&](int x, int y) { return image.pixel(r.x() + x, r.y() + y); });
}

} // namespace

// ---- Dib2Bitmap ----

TEST(Dib2Bitmap, ShowsEachDepthTopDown)
{
    for (int depth : { 1, 4, 8, 24 }) {
        SCOPED_TRACE(depth);
        Pic p;
        MakeRandom(p, 9, 4, depth, unsigned(depth));
        const std::unique_ptr<QImage> image(Dib2Bitmap(p.bits, p.info));
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(Colours(*image, image->rect()), TopDown(p));
    }

    Pic p16;
    ASSERT_TRUE(CreateDib(2, 1, 16, &p16.bits, &p16.info, 0));
    const WORD words[2] = { 0x7C00, 0x801F };
    std::memcpy(p16.bits, words, 4);
    const std::unique_ptr<QImage> image(Dib2Bitmap(p16.bits, p16.info));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(qRed(image->pixel(0, 0)), 255);
    EXPECT_EQ(qBlue(image->pixel(0, 0)), 0);
    EXPECT_EQ(qBlue(image->pixel(1, 0)), 255);

    EXPECT_EQ(Dib2Bitmap(nullptr, p16.info), nullptr);
    EXPECT_EQ(Dib2Bitmap(p16.bits, nullptr), nullptr);
    p16.h().biCompression = BI_RLE8;
    EXPECT_EQ(Dib2Bitmap(p16.bits, p16.info), nullptr);
}

// ---- Bitmap2Dib ----

TEST(Bitmap2Dib, DeepBitmapsBecomeBottomUpPictures)
{
    const QImage image = Pattern(7, 4);
    Pic p;
    MakeRandom(p, 2, 2, 8, 1);
    ASSERT_EQ(Bitmap2Dib(&p.bits, &p.info, &image, nullptr, 0), 1);
    EXPECT_TRUE(HasShape(p, 7, 4, 24));
    EXPECT_EQ(p.h().biXPelsPerMeter, 3780);
    EXPECT_EQ(TopDown(p), Colours(image, image.rect()));

    ASSERT_EQ(Bitmap2Dib(&p.bits, &p.info, &image, nullptr, 16), 1);
    const auto *words = static_cast<const WORD *>(p.bits);
    const QRgb c = image.pixel(3, 3); // bottom row comes first
    EXPECT_EQ(words[3], ((qRed(c) >> 3) << 10) | ((qGreen(c) >> 3) << 5) | (qBlue(c) >> 3));
}

TEST(Bitmap2Dib, IndexedBitmapsKeepTheirColoursAndIndices)
{
    QImage image(6, 3, QImage::Format_Indexed8);
    image.setColorTable(
        { qRgb(1, 2, 3), qRgb(40, 50, 60), qRgb(200, 100, 0), qRgb(9, 9, 9), qRgb(7, 7, 70) });
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            image.setPixel(x, y, uint((x + y) % 5));
    Pic p;
    ASSERT_EQ(Bitmap2Dib(&p.bits, &p.info, &image, nullptr, 0), 1);
    EXPECT_EQ(p.h().biBitCount, 8);
    EXPECT_EQ(p.colours()[2].rgbRed, 200);
    EXPECT_EQ(p.colours()[4].rgbBlue, 70);
    EXPECT_EQ(Grid(6, 3, [&](int x, int y) { return p.index(x, 2 - y); }),
        Grid(6, 3, [](int x, int y) { return (x + y) % 5; }));
}

TEST(Bitmap2Dib, FewerBitsPickTheNearestPaletteColour)
{
    QImage image(4, 1, QImage::Format_RGB32);
    const QRgb pixels[4] = { qRgb(0, 0, 0), qRgb(250, 240, 255), qRgb(120, 10, 10), qRgb(10, 10, 240) };
    for (int x = 0; x < 4; ++x)
        image.setPixel(x, 0, pixels[x]);
    Pic p;
    ASSERT_EQ(Bitmap2Dib(&p.bits, &p.info, &image, nullptr, 1), 1);
    EXPECT_EQ(p.index(0, 0), 0);
    EXPECT_EQ(p.index(1, 0), 1);
    EXPECT_EQ(p.colours()[1].rgbGreen, 255);
    // The 16 standard colours: dark red, blue, white.
    ASSERT_EQ(Bitmap2Dib(&p.bits, &p.info, &image, nullptr, 4), 1);
    EXPECT_EQ(Grid(3, 1, [&](int x, int) { return p.index(x + 1, 0); }), (std::vector<int> { 15, 1, 12 }));
    // A given palette of blue and red.
    const DibPalette palette { 2, { RGBQUAD { 255, 0, 0, 0 }, RGBQUAD { 0, 0, 255, 0 } } };
    ASSERT_EQ(Bitmap2Dib(&p.bits, &p.info, &image, &palette, 8), 1);
    EXPECT_EQ(p.index(2, 0), 1);
    EXPECT_EQ(p.index(3, 0), 0);
    EXPECT_EQ(p.colours()[1].rgbRed, 255);
}

// ---- GetDibFromDC ----

TEST(GetDibFromDC, GrabsARectangleInLogicalCoordinatesWithBlackOutside)
{
    QImage device = Pattern(12, 9);
    CDC dc { &device, nullptr };
    Pic p;
    ASSERT_EQ(GetDibFromDC(&dc, 2, 3, 5, 4, &p.bits, &p.info), 1);
    EXPECT_TRUE(HasShape(p, 5, 4, 24)); // no header given
    EXPECT_EQ(TopDown(p), Colours(device, QRect(2, 3, 5, 4)));

    QPainter painter(&device); // logical (6, 5) is device (10, 6)
    painter.translate(4, 1);
    CDC painted { &device, &painter };
    ASSERT_EQ(GetDibFromDC(&painted, 6, 5, 4, 4, &p.bits, &p.info), 1);
    EXPECT_EQ(TopDown(p), Grid(4, 4, [&](int x, int y) {
        return x < 2 && y < 3 ? device.pixel(x + 10, y + 6) : qRgb(0, 0, 0);
    }));
}

// ---- ReadRes2Data (resources of this test program, :/bitmaps/<id>.bmp) ----

TEST(ReadRes2Data, LoadsBitmapResourcesBottomUp)
{
    Pic p;
    ASSERT_EQ(ReadRes2Data(101, &p.bits, &p.info), 1);
    EXPECT_TRUE(HasShape(p, 3, 2, 24));
    EXPECT_EQ(p.h().biXPelsPerMeter, 11141);
    EXPECT_EQ(p.h().biYPelsPerMeter, 11141);
    EXPECT_EQ(p.at(0, 0, 0), 1);
    EXPECT_EQ(p.at(2, 1, 2), 18);

    ASSERT_EQ(ReadRes2Data(105, &p.bits, &p.info), 1); // stored top-down in the file
    EXPECT_EQ(p.at(0, 0, 0), 3);
    EXPECT_EQ(p.at(1, 1, 0), 2);

    ASSERT_EQ(ReadRes2Data(103, &p.bits, &p.info), 1);
    EXPECT_EQ(p.h().biBitCount, 8);
    EXPECT_EQ(p.index(2, 0), 2);
    EXPECT_EQ(p.colours()[1].rgbBlue, 40);

    ASSERT_EQ(ReadRes2Data(104, &p.bits, &p.info), 1);
    EXPECT_EQ(p.h().biBitCount, 24);
    EXPECT_EQ(p.h().biClrUsed, 0u);
    EXPECT_EQ(p.at(1, 1, 2), 12);
}
