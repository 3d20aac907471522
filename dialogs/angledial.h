// Geometry of the Rotate Free dialog's angle dial: a round dial of radius 100 around (130, 130)
// in the dialog's client coordinates, 0 degrees at the top, angles growing clockwise.
#pragma once

#include "platform/wintypes.h"

#include <array>
#include <optional>

constexpr int kDialCentreX = 130;
constexpr int kDialCentreY = 130;
constexpr int kDialHitLimit = 10001; // on the dial: dx² + dy² < 10001
constexpr int kKnobRadius = 94; // the circle the knob runs on
constexpr double kDegreesToRadians = 0.017453292519444445;
constexpr double kRadiansToDegrees = 57.29577951471995;

// Whether the client point (x, y) lies on the dial.
bool IsOnDial(int x, int y);

// The angle of the point: 0 at the top, 90 at the right, 180 at the bottom, -90 at the left
// (-179 ... 180 in whole degrees). The centre itself has no direction: no angle.
std::optional<int> DialAngleAt(int x, int y);

// The angle brought into [0, 360) by whole turns.
double NormaliseAngle(double angle);

struct SineCosine {
    double sine;
    double cosine;
};
// Sine and cosine of an angle in degrees, exact at 90, 180 and 270.
SineCosine DialSineCosine(double angle);

// Where the knob (a circle of radius 5) is drawn for the angle.
RECT KnobRect(double angle);

// The outline of a width x height picture rotated by the angle about the dial's centre, in
// client coordinates (corners in drawing order).
std::array<POINT, 4> RotatedOutline(int width, int height, double angle);
