#include "imagepane/measureruler.h"
#include "tests/common/qtapp.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

struct AngleCase {
    int dx, dy;
    const char *text;
};

class RulerAngleTest : public ::testing::TestWithParam<AngleCase>
{
protected:
    void SetUp() override { TestApp(); }
};

TEST_P(RulerAngleTest, AngleTextByDirection)
{
    const AngleCase c = GetParam();
    CMeasureRuler ruler;
    ruler.Begin(100, 100, 100, 96, 96);
    ruler.Move(100 + c.dx, 100 + c.dy);
    EXPECT_EQ(ruler.AngleText(), QString::fromLatin1(c.text));
}

INSTANTIATE_TEST_SUITE_P(Directions, RulerAngleTest,
    ::testing::Values(AngleCase { 50, 0, "Angle: +0.0 " }, AngleCase { 0, 50, "Angle: +90.0 " },
        AngleCase { 0, -50, "Angle: -90.0 " }, AngleCase { -50, 0, "Angle: +180.0 " },
        AngleCase { 30, -30, "Angle: -45.0 " }));

TEST(MeasureRuler, ClickWithoutMovementShowsZeroLabelAndNoLine)
{
    TestApp();
    CMeasureRuler ruler;
    ruler.Begin(40, 50, 100, 96, 96);
    EXPECT_TRUE(ruler.IsActive());
    EXPECT_EQ(ruler.LabelText(), QStringLiteral("Angle: +0.0 ; 0.00 inch "));
    EXPECT_TRUE(ruler.Ticks().empty());
    EXPECT_FALSE(ruler.Move(40, 50)); // the same point is no move
    EXPECT_TRUE(ruler.End(40, 50));
    EXPECT_FALSE(ruler.IsActive());
    EXPECT_FALSE(ruler.End(40, 50));
    EXPECT_TRUE(ruler.Bounds().isNull());
}

TEST(MeasureRuler, LengthInInchesAtTheZoom)
{
    TestApp();
    CMeasureRuler ruler;
    ruler.Begin(0, 0, 200, 96, 96);
    ruler.Move(192, 0); // 192 device pixels at 200 % = 96 picture pixels = 1 inch
    EXPECT_EQ(ruler.LabelText(), QStringLiteral("Angle: +0.0 ; 1.00 inch "));
    ruler.SetUnit(0);
    ruler.Begin(0, 0, 100, 96, 96);
    EXPECT_EQ(ruler.PixelsPerUnitAcross(), 37); // 96 × 0.3937… truncated
    ruler.Move(0, 74);
    EXPECT_EQ(ruler.LabelText(), QStringLiteral("Angle: +90.0 ; 2.00 cm "));
    ruler.Move(74, 0);
    EXPECT_EQ(ruler.LabelText(), QStringLiteral("Angle: +0.0 ; 2.00 cm "));
}

TEST(MeasureRuler, TicksEveryTwentiethInchAtHundredPercent)
{
    TestApp();
    CMeasureRuler ruler;
    ruler.Begin(10, 20, 100, 96, 96);
    ruler.Move(10 + 192, 20); // two inches to the right
    const std::vector<QLine> ticks = ruler.Ticks();
    // 4.8 pixels apart, every one shown at 100 %: i = 0 … 40.
    ASSERT_EQ(ticks.size(), 41u);
    EXPECT_EQ(ticks[1].p1().x(), 10 + 4);
    EXPECT_EQ(ticks[20].p1().x(), 10 + 96);
    EXPECT_EQ(ticks[40].p1().x(), 10 + 192);
    // Horizontal to the right: the ticks hang below the line, 1 … 8 pixels.
    EXPECT_EQ(ticks[0].p1(), QPoint(10, 21));
    EXPECT_EQ(ticks[0].p2(), QPoint(10, 28));
    // To the left they still hang below.
    ruler.Begin(300, 20, 100, 96, 96);
    ruler.Move(100, 20);
    EXPECT_EQ(ruler.Ticks()[0].p1(), QPoint(300, 21));
}

TEST(MeasureRuler, TickRulesByZoom)
{
    // Inch.
    EXPECT_TRUE(CMeasureRuler::TickShown(20, 10, 1));
    EXPECT_TRUE(CMeasureRuler::TickShown(10, 10, 1));
    EXPECT_FALSE(CMeasureRuler::TickShown(2, 39, 1));
    EXPECT_TRUE(CMeasureRuler::TickShown(2, 40, 1));
    EXPECT_TRUE(CMeasureRuler::TickShown(5, 16, 1));
    EXPECT_TRUE(CMeasureRuler::TickShown(5, 39, 1));
    EXPECT_FALSE(CMeasureRuler::TickShown(5, 40, 1));
    EXPECT_FALSE(CMeasureRuler::TickShown(5, 70, 1));
    EXPECT_TRUE(CMeasureRuler::TickShown(5, 71, 1));
    EXPECT_FALSE(CMeasureRuler::TickShown(3, 70, 1));
    EXPECT_TRUE(CMeasureRuler::TickShown(3, 71, 1));
    // Centimetre.
    EXPECT_FALSE(CMeasureRuler::TickShown(10, 24, 0));
    EXPECT_TRUE(CMeasureRuler::TickShown(10, 25, 0));
    EXPECT_FALSE(CMeasureRuler::TickShown(4, 149, 0));
    EXPECT_TRUE(CMeasureRuler::TickShown(4, 150, 0));
    EXPECT_TRUE(CMeasureRuler::TickShown(15, 50, 0));
    EXPECT_FALSE(CMeasureRuler::TickShown(15, 150, 0));
    EXPECT_TRUE(CMeasureRuler::TickShown(15, 400, 0));
    EXPECT_FALSE(CMeasureRuler::TickShown(7, 399, 0));
    EXPECT_TRUE(CMeasureRuler::TickShown(7, 400, 0));
}

TEST(MeasureRuler, LineIsInvertedAndDrawingTwiceRestores)
{
    TestApp();
    QImage canvas(300, 120, QImage::Format_RGB32);
    canvas.fill(QColor(194, 194, 194));
    CMeasureRuler ruler;
    ruler.Begin(10, 10, 100, 96, 96);
    ruler.Move(200, 10);
    {
        QPainter p(&canvas);
        ruler.Paint(p);
    }
    // The line is the inverse of the grey; the label box is drawn below the end point.
    EXPECT_EQ(canvas.pixel(100, 10) & 0xFFFFFF, 0x3D3D3Du);
    EXPECT_EQ(canvas.pixel(10, 15) & 0xFFFFFF, 0x3D3D3Du); // the first tick, below the line
    EXPECT_NE(canvas.pixel(201, 31) & 0xFFFFFF, 0xC2C2C2u);
    EXPECT_TRUE(ruler.Bounds().contains(ruler.LabelRect()));
}

} // namespace
