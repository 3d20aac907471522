#include "imagepane/measureruler.h"
#include "tests/common/qtapp.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace
{

TEST(MeasureRuler, LabelGivesTheAngleAndTheLengthAtTheZoom)
{
    TestApp();
    CMeasureRuler ruler;
    ruler.Begin(40, 50, 100, 96, 96);
    EXPECT_EQ(ruler.LabelText(), QStringLiteral("Angle: +0.0 ; 0.00 inch "));
    EXPECT_TRUE(ruler.Ticks().empty());
    EXPECT_FALSE(ruler.Move(40, 50)); // the same point is no move
    EXPECT_TRUE(ruler.End(40, 50));
    EXPECT_FALSE(ruler.End(40, 50));
    EXPECT_TRUE(ruler.Bounds().isNull());
    const struct {
        int dx, dy;
        const char *angle;
    } directions[] = { { 50, 0, "Angle: +0.0 " }, { 0, 50, "Angle: +90.0 " }, { 0, -50, "Angle: -90.0 " },
        { -50, 0, "Angle: +180.0 " }, { 30, -30, "Angle: -45.0 " } };
    for (const auto &d : directions) {
        ruler.Begin(100, 100, 100, 96, 96);
        ruler.Move(100 + d.dx, 100 + d.dy);
        EXPECT_EQ(ruler.AngleText(), QString::fromLatin1(d.angle));
    }
    ruler.Begin(0, 0, 200, 96, 96);
    ruler.Move(192, 0); // 192 device pixels at 200 % = 96 picture pixels = 1 inch
    EXPECT_EQ(ruler.LabelText(), QStringLiteral("Angle: +0.0 ; 1.00 inch "));
    ruler.SetUnit(0);
    ruler.Begin(0, 0, 100, 96, 96);
    EXPECT_EQ(ruler.PixelsPerUnitAcross(), 37); // 96 × 0.3937… truncated
    ruler.Move(0, 74);
    EXPECT_EQ(ruler.LabelText(), QStringLiteral("Angle: +90.0 ; 2.00 cm "));
}

// A click draws only the label box: label width × (label height + 4), 20 pixels below the point.
TEST(MeasureRuler, LabelBoxIsTheLabelsWidthAndFourMoreThanItsHeight)
{
    TestApp();
    CMeasureRuler ruler;
    ruler.Begin(30, 10, 100, 96, 96);
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(8);
    const QFontMetrics metrics(font);
    const QRect expected(30, 30, metrics.horizontalAdvance(ruler.LabelText()), metrics.height() + 4);
    EXPECT_EQ(ruler.LabelRect(), expected);

    QImage img(300, 100, QImage::Format_RGB32);
    const QRgb background = qRgb(1, 2, 3);
    img.fill(background);
    {
        QPainter painter(&img);
        ruler.Paint(painter);
    }
    QRect painted;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (img.pixel(x, y) != background)
                painted |= QRect(x, y, 1, 1);
    EXPECT_EQ(painted, expected);
}

TEST(MeasureRuler, TicksEveryTwentiethInchHangBelowTheLine)
{
    TestApp();
    CMeasureRuler ruler;
    ruler.Begin(10, 20, 100, 96, 96);
    ruler.Move(10 + 192, 20); // two inches to the right
    const std::vector<QLine> ticks = ruler.Ticks();
    // 4.8 pixels apart, every one shown at 100 %: i = 0 … 40, 1 … 8 pixels below the line.
    ASSERT_EQ(ticks.size(), 41u);
    EXPECT_EQ(ticks[1].p1().x(), 10 + 4);
    EXPECT_EQ(ticks[40].p1().x(), 10 + 192);
    EXPECT_EQ(ticks[0].p1(), QPoint(10, 21));
    EXPECT_EQ(ticks[0].p2(), QPoint(10, 28));
    ruler.Begin(300, 20, 100, 96, 96);
    ruler.Move(100, 20); // to the left they still hang below
    EXPECT_EQ(ruler.Ticks()[0].p1(), QPoint(300, 21));
}

TEST(MeasureRuler, TickRulesByZoom)
{
    const struct {
        int index, zoom, unit;
        bool shown;
    } cases[] = { { 20, 10, 1, true }, { 10, 10, 1, true }, { 2, 39, 1, false }, { 2, 40, 1, true },
        { 5, 16, 1, true }, { 5, 39, 1, true }, { 5, 40, 1, false }, { 5, 70, 1, false }, { 5, 71, 1, true },
        { 3, 70, 1, false }, { 3, 71, 1, true }, // inch
        { 10, 24, 0, false }, { 10, 25, 0, true }, { 4, 149, 0, false }, { 4, 150, 0, true },
        { 15, 50, 0, true }, { 15, 150, 0, false }, { 15, 400, 0, true }, { 7, 399, 0, false },
        { 7, 400, 0, true } }; // centimetre
    for (const auto &c : cases)
        EXPECT_EQ(CMeasureRuler::TickShown(c.index, c.zoom, c.unit), c.shown) << c.index << " at " << c.zoom;
}

} // namespace
