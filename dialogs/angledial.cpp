#include "dialogs/angledial.h"

#include <cmath>
#include <cstdlib>

bool IsOnDial(int x, int y)
{
    const int dx = x - kDialCentreX;
    const int dy = y - kDialCentreY;
    return dx * dx + dy * dy < kDialHitLimit;
}

std::optional<int> DialAngleAt(int x, int y)
{
    const int dx = x - kDialCentreX;
    const int dy = y - kDialCentreY;
    const double r = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    if (r == 0.0)
        return std::nullopt;
    const int a = static_cast<int>(std::asin(std::abs(dx) / r) * kRadiansToDegrees + 0.5);
    if (x < kDialCentreX)
        return y <= kDialCentreY ? -a : a - 180;
    return y > kDialCentreY ? 180 - a : a;
}

double NormaliseAngle(double angle)
{
    if (!std::isfinite(angle))
        return 0.0;
    // Whole turns first, so a huge typed value does not loop for long.
    if (std::abs(angle) >= 720.0)
        angle = std::fmod(angle, 360.0);
    while (angle < 0.0)
        angle += 360.0;
    while (angle >= 360.0)
        angle -= 360.0;
    return angle;
}

SineCosine DialSineCosine(double angle)
{
    if (angle == 90.0)
        return { 1.0, 0.0 };
    if (angle == 180.0)
        return { 0.0, -1.0 };
    if (angle == 270.0)
        return { -1.0, 0.0 };
    const double radians = angle * kDegreesToRadians;
    return { std::sin(radians), std::cos(radians) };
}

RECT KnobRect(double angle)
{
    const SineCosine sc = DialSineCosine(angle);
    const int x = static_cast<int>(sc.sine * kKnobRadius + 130.5);
    const int y = static_cast<int>(kDialCentreY - sc.cosine * kKnobRadius + 0.5);
    return { x - 5, y - 5, x + 5, y + 5 };
}

std::array<POINT, 4> RotatedOutline(int width, int height, double angle)
{
    const SineCosine sc = DialSineCosine(angle);
    const double a = width * sc.sine / 2;
    const double b = width * sc.cosine / 2;
    const double c = height * sc.sine / 2;
    const double d = height * sc.cosine / 2;
    auto t = [](double v) { return static_cast<LONG>(v); }; // toward zero
    const LONG cx = kDialCentreX, cy = kDialCentreY;
    return { POINT { t(b - c) + cx, t(d + a) + cy }, POINT { t(c + b) + cx, t(a - d) + cy },
        POINT { t(c - b) + cx, cy - t(d + a) }, POINT { cx - t(c + b), t(d - a) + cy } };
}
