// Conversions between impedance, reflection coefficient, polar form and pixel.
#include "fpcheck.h"
#include "smithchart.h"

#include <climits>
#include <cmath>

TPolarOfImpedance ImpedanceToPolar(double r, double x, double z0) {
    const double d = Checked((r + z0) * (r + z0) + x * x);
    const double u = FDiv(Checked(r * r - z0 * z0 + x * x), d);
    const double v = FDiv(Checked(2 * x * z0), d);
    double theta = 0.0;
    if (u != 0.0)
        theta = FArcTanOf(v, u) / DegreeFactor;
    else if (v > 0)
        theta = 90.0; // on the vertical axis the point's own angle, not 0
    else if (v < 0)
        theta = -90.0;
    if (u < 0 && v >= 0)
        theta = theta + 180.0;
    else if (u < 0 && v < 0)
        theta = -(180.0 - theta);
    const double num = Checked((r - z0) * (r - z0) + x * x);
    double m = FSqrt(FDiv(num, d));
    // A purely reactive load would make the SWR divide by zero.
    if (m == 1.0) m = MagnitudeSubstitute;
    const double swr = FDiv(1.0 + m, 1.0 - m);
    return {u, v, theta, swr};
}

TPointD PolarToGamma(double swr, double theta) {
    Checked(theta);
    if (std::fabs(theta) > 180.0) {
        // Bring the angle into -180 < theta <= 180 (so -190 becomes 170).
        theta = std::fmod(theta, 360.0);
        if (theta > 180.0) theta -= 360.0;
        if (theta <= -180.0) theta += 360.0;
    }
    const double t = FDiv(1.0, Checked(swr + 1.0));
    const double g = Checked(1.0 - 2.0 * t);
    const double a = std::fabs(theta);
    double x = 0.0, y = 0.0;
    if (a == 0.0) {
        x = g;
        y = 0.0;
    } else if (a < 90.0) {
        y = g * std::sin(a / 180.0 * StoredPi);
        x = FSqrt(g * g - y * y);
    } else if (a == 90.0) {
        x = 0.0;
        y = g;
    } else if (a < 180.0) {
        y = g * std::sin((180.0 - a) / 180.0 * StoredPi);
        x = -FSqrt(g * g - y * y);
    } else {
        x = -g;
        y = 0.0;
    }
    if (a > 0.0 && a < 180.0 && theta < 0) y = -y;
    y = -y;
    return {x, y};
}

int RoundPixel(double value) {
    Checked(value);
    const double r = std::nearbyint(value); // default rounding mode: ties to even
    if (r > INT_MAX || r < INT_MIN) RaiseInvalidOp();
    return static_cast<int>(r);
}

TImpedance TSmithChart::GammaToImpedance(double theta, double m) {
    return ChartGammaToImpedance(theta, m);
}

TPointD TSmithChart::PolarToPixel(double theta, double swr) const {
    const TPointD g = PolarToGamma(swr, theta);
    return {Checked(FRadius * g.X + FCenterX), Checked(FRadius * g.Y + FCenterY)};
}

QPoint TSmithChart::GammaToPixel(double x, double y) const {
    return {RoundPixel(FRadius * x + FCenterX), RoundPixel(FRadius * y + FCenterY)};
}

TPointD TSmithChart::ImpedanceToPixel(double r, double x, double z0) const {
    const TPolarOfImpedance p = ImpedanceToPolar(r, x, z0);
    return PolarToPixel(p.Theta, p.Swr);
}
