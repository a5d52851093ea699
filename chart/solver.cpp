// The L-network solver: LC or CL, the transition point and the first move.
#include "fpcheck.h"
#include "smithchart.h"

#include <cmath>

namespace {

struct TWorkingCircle {
    double U, V, K;
};

// The antenna point in the working plane (mirrored across the vertical axis
// for LC) and the radius k of its first-move circle.
TWorkingCircle WorkingCircle(double phi, double m, bool isCL) {
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
    alpha = alpha / DegreeFactor;
    alpha = alpha / 180.0 * StoredPi;
    const double k = FDiv(dist / 2.0, std::cos(alpha));
    return {u, v, k};
}

} // namespace

bool TSmithChart::SolveLNetwork(double phi, double swr, TMatch& match) {
    match.MatchAngle = 0.0;
    match.MatchSwr = 0.0;

    const double m = Checked(1.0 - 2.0 * FDiv(1.0, Checked(swr + 1.0)));
    const TImpedance z = GammaToImpedance(phi, m);
    const double t = FDiv(Checked(z.R * z.R + z.X * z.X), z.R);
    match.IsCL = true;
    if (t < 50) match.IsCL = false;
    if (z.R < 50 && z.X < 0) match.IsCL = false;

    AddPolarMarker(clBlue, phi, swr);

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
    if (match.IsCL)
        beta = SafeArcCos(FDiv(Checked(h * h + 0.25 - k * k), 1.0 * h));
    else
        beta = SafeArcCos(FDiv(Checked(k * k + h * h - 0.25), Checked(2.0 * k * h)));
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
        if (m == 0.0) return true;
    } else {
        match.MatchAngle = -(FArcTanOf(b, a) / DegreeFactor);
        if (!match.IsCL) match.MatchAngle = 180.0 + match.MatchAngle;
    }

    const double centre = match.IsCL ? k - 1.0 : 1.0 - k;
    AddArc(centre, 0.0, k, match.MatchAngle, match.MatchSwr, phi, swr);
    return true;
}

bool TSmithChart::SolveMatch(double phi, double swr, TMatch& match) {
    return SolveLNetwork(phi, swr, match);
}
