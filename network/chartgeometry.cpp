#include "chartgeometry.h"

#include "fpcheck.h"

#include <cmath>

double SafeArcCos(double c) {
    if (std::fabs(c) < NearZero) return HalfPi;
    double t = std::atan(FDiv(FSqrt(Checked(1.0 - c * c)), c));
    if (c < 0) t = t + StoredPi;
    return t;
}

TImpedance ChartGammaToImpedance(double theta, double m) {
    const double r = theta / 180.0 * StoredPi;
    const double u = Checked(std::cos(r) * m);
    const double v = Checked(std::sin(r) * m);
    const double d = Checked((1.0 - u) * (1.0 - u) + v * v);
    const double rr = FDiv(Checked(ChartReference * (1.0 - u * u - v * v)), d);
    const double xx = FDiv(Checked(ChartReference * 2.0 * v), d);
    return {rr, xx};
}

double ChartMagnitude(double swr) {
    return Checked(1.0 - 2.0 * FDiv(1.0, Checked(swr + 1.0)));
}

namespace {

struct TWorkingCircle {
    double U, V, K;
};

// The antenna point in the working plane (mirrored across the vertical axis
// for LC) and the radius k of its first-move circle.
TWorkingCircle WorkingCircle(double phi, double m, bool isCL) {
    // Quadrant code of the angle; the angle is folded into the right half-plane
    // and the quadrant restores the sign of u.
    int q = 1;
    double d = phi;
    if (phi > 90) {
        d = 180.0 - phi;
        q = 2;
    }
    if (d >= -90 && d < 0) {
        d = phi;
        q = 4;
    } else if (d < -90) {
        d = -180.0 - d;
        q = 3;
    }
    const double theta = d / 180.0 * StoredPi;
    double u = Checked(std::cos(theta) * m);
    if (q == 2 || q == 3) u = -u;
    const double v = Checked(std::sin(theta) * m);
    if (!isCL) u = -u;

    const double dist = FSqrt(Checked((1.0 + u) * (1.0 + u) + v * v));
    double alpha = FArcTanOf(v, 1.0 + u);
    // Kept: the round trip through degrees with the stored pi rounds alpha
    // the way the chart's published numbers were computed.
    alpha = alpha / DegreeFactor;
    alpha = alpha / 180.0 * StoredPi;
    const double k = FDiv(dist / 2.0, std::cos(alpha));
    return {u, v, k};
}

} // namespace

bool ChartDecidesCL(double phi, double m) {
    const TImpedance z = ChartGammaToImpedance(phi, m);
    const double t = FDiv(Checked(z.R * z.R + z.X * z.X), z.R);
    bool isCL = true;
    if (t < ChartReference) isCL = false;
    if (z.R < ChartReference && z.X < 0) isCL = false;
    return isCL;
}

TFirstMove ChartTransition(double phi, double m, TMatch& match) {
    TWorkingCircle w = WorkingCircle(phi, m, match.IsCL);
    if (w.K < 0.5 && !match.IsCL) {
        // Rounding put a point of r = 1 on the LC side, where no transition
        // point exists; as CL the capacitor's move is zero and L alone matches.
        match.IsCL = true;
        w = WorkingCircle(phi, m, true);
    }
    // Only rounding can leave k a hair under 0.5 now: the point sits on g = 1.
    const double k = w.K < 0.5 ? 0.5 : w.K;
    const double h = 1.5 - k;

    double beta = 0.0;
    // Kept: "1.0 * h" is the divisor as the formula was first written; it
    // changes nothing but documents that the CL form has no factor 2.
    if (match.IsCL)
        beta = SafeArcCos(FDiv(Checked(h * h + 0.25 - k * k), 1.0 * h));
    else
        beta = SafeArcCos(FDiv(Checked(k * k + h * h - 0.25), Checked(2.0 * k * h)));
    // Kept: the same degree round trip as alpha, for the same digits.
    beta = beta / DegreeFactor;
    beta = beta / 180.0 * StoredPi;

    double a = 0.0, b = 0.0;
    if (match.IsCL) {
        b = std::sin(beta) * 0.5;
        const double wq = std::cos(beta) * 0.5;
        a = 0.5 - wq;
    } else {
        b = std::sin(beta) * k;
        const double wq = h - FSqrt(Checked(k * k - b * b));
        a = 0.5 - wq;
    }

    match.MatchMagnitude = FSqrt(a * a + b * b);
    match.MatchSwr = FDiv(1.0 + match.MatchMagnitude, 1.0 - match.MatchMagnitude);
    if (a == 0.0 && b == 0.0) {
        // The transition point is the centre: a matched load needs no parts
        // and has no first move to draw.
        match.MatchAngle = 0.0;
        if (m == 0.0) return {};
    } else {
        match.MatchAngle = -(FArcTanOf(b, a) / DegreeFactor);
        if (!match.IsCL) match.MatchAngle = 180.0 + match.MatchAngle;
    }
    return {true, match.IsCL ? k - 1.0 : 1.0 - k, k};
}

namespace {
double Susceptance(double r, double x) {
    return FDiv(-x, Checked(r * r + x * x));
}
} // namespace

double ChartSeriesL(bool isCL, const TImpedance& load, const TImpedance& transition, double f) {
    const double w = Checked(TwoPi * f);
    if (isCL) return FDiv(std::fabs(transition.X), w);
    return FDiv(std::fabs(Checked(transition.X - load.X)), w);
}

double ChartShuntC(bool isCL, const TImpedance& load, const TImpedance& transition, double f) {
    const double w = Checked(TwoPi * f);
    if (isCL) {
        const double change =
            Checked(Susceptance(transition.R, transition.X) - Susceptance(load.R, load.X));
        return std::fabs(Checked(FDiv(change, w) * 1000000.0));
    }
    // The test looks at R alone: a transition point on the rim has no conductance.
    if (std::fabs(transition.R) <= 1e-10) return 0.0;
    return std::fabs(Checked(FDiv(Susceptance(transition.R, transition.X), w) * 1000000.0));
}
