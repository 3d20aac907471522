// The dial's geometry: hit test, angle of a point, normalising, knob and preview outline.
#include "dialogs/angledial.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(AngleDial, AngleOfAPointGrowsClockwiseFromTheTop)
{
    EXPECT_EQ(DialAngleAt(50, 130), -90);
    EXPECT_EQ(DialAngleAt(200, 200), 135);
    // Rounded to whole degrees: atan(1/10) = 5.71°.
    EXPECT_EQ(DialAngleAt(131, 120), 6);
    EXPECT_EQ(DialAngleAt(129, 140), -174);
    EXPECT_FALSE(DialAngleAt(130, 130).has_value());
}

TEST(AngleDial, TypedAnglesComeIntoOneTurn)
{
    EXPECT_EQ(NormaliseAngle(360), 0);
    EXPECT_EQ(NormaliseAngle(-360), 0);
    EXPECT_EQ(NormaliseAngle(359.5), 359.5);
    EXPECT_EQ(NormaliseAngle(360e6 + 10), 10);
    const double tiny = NormaliseAngle(-1e-30); // -1e-30 + 360 rounds to 360
    EXPECT_GE(tiny, 0.0);
    EXPECT_LT(tiny, 360.0);
}

TEST(AngleDial, QuarterTurnsAreExactAndTheKnobRunsOnRadiusNinetyFour)
{
    EXPECT_EQ(DialSineCosine(90).cosine, 0.0);
    EXPECT_EQ(DialSineCosine(180).sine, 0.0);
    EXPECT_EQ(DialSineCosine(270).cosine, 0.0);
    // Elsewhere from the dial's own degree constant, a hair below pi / 180.
    EXPECT_EQ(DialSineCosine(30).sine, std::sin(30 * 0.017453292519444445));
    EXPECT_NE(DialSineCosine(30).sine, 0.5);
    const RECT at45 = KnobRect(45); // centre (130.5 + 66.47, 130.5 − 66.47) truncated
    EXPECT_EQ(at45.left + 5, 196);
    EXPECT_EQ(at45.top + 5, 64);
    const RECT at180 = KnobRect(180);
    EXPECT_EQ(at180.top + 5, 224);
}

TEST(AngleDial, OutlineIsThePictureTurnedClockwise)
{
    auto outline = RotatedOutline(100, 50, 0);
    EXPECT_EQ(outline[0].x, 180);
    EXPECT_EQ(outline[0].y, 155);
    EXPECT_EQ(outline[2].x, 80);
    EXPECT_EQ(outline[2].y, 105);
    // Turned clockwise by 30°: the top-left corner (−50, −25) goes to (−30.8, −46.7).
    outline = RotatedOutline(100, 50, 30);
    EXPECT_EQ(outline[2].x, 130 - 30); // trunc(12.5 − 43.3) = −30
    EXPECT_EQ(outline[2].y, 130 - 46); // 130 − trunc(21.65 + 25)
}
