#include "feedline.h"
#include "fpcheck.h"
#include "lnetwork.h"
#include "ranges.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

// 20·log10(e): dB per neper of a voltage ratio.
constexpr double DbPerNeper = 8.685889638065035;

TComplex CheckedComplex(TComplex z) {
    Checked(z.real());
    Checked(z.imag());
    return z;
}

TComplex CDiv(TComplex a, TComplex b) {
    if (b == TComplex(0.0)) {
        if (a == TComplex(0.0)) RaiseInvalidOp();
        RaiseDivByZero();
    }
    return CheckedComplex(a / b);
}

// Γ = (Z − Zc)/(Z + Zc), SWR capped like every other SWR; |Γ| ≥ 1 can happen
// against a complex Zc with a passive load, and reads as the cap.
double SwrAgainst(TComplex z, TComplex zc) {
    const TComplex den = z + zc;
    if (den == TComplex(0.0)) return SwrCap;
    const double m = std::abs((z - zc) / den);
    if (!(m < 1.0)) return SwrCap;
    return std::min(SwrOfMagnitude(m), SwrCap);
}

TComplex MoveThrough(const TPropagation& p, double lengthM, TComplex zLoad) {
    const TComplex t = CheckedComplex(std::tanh(p.Gamma * lengthM));
    const TComplex zc = p.Zc;
    return CheckedComplex(zc * CDiv(zLoad + zc * t, zc + zLoad * t));
}

} // namespace

double TLine::LossDbPer100m(double fMHz) const {
    return K1 * std::sqrt(fMHz) + K2 * fMHz;
}

double TLine::Alpha(double fMHz) const {
    return LossDbPer100m(fMHz) / (100.0 * DbPerNeper);
}

TRlgc TLine::Rlgc(double fMHz) const {
    const double v = VF * SpeedOfLight;
    TRlgc c;
    c.L = Z0 / v;
    c.C = 1.0 / (Z0 * v);
    if (!(fMHz > 0)) return c;
    const double alphaC = K1 * std::sqrt(fMHz) / (100.0 * DbPerNeper);
    const double alphaD = K2 * fMHz / (100.0 * DbPerNeper);
    const double alpha = alphaC + alphaD;
    const double beta0 = 2.0 * M_PI * fMHz * 1e6 / v;
    // R' = 2·Z0·α_c and G' = 2·α_d/Z0 give Re γ ≈ α_c + α_d only while R' ≪ ωL';
    // one common factor s on both makes it exact: with γ² = (R'+jωL')(G'+jωC'),
    // Re γ = α solves to s² = (α² + β0²)/(4·α_c·α_d + β0²), β0 = ω/v.
    const double s =
        std::sqrt((alpha * alpha + beta0 * beta0) / (4.0 * alphaC * alphaD + beta0 * beta0));
    c.R = s * 2.0 * Z0 * alphaC;
    c.G = s * 2.0 * alphaD / Z0;
    return c;
}

TPropagation TLine::Propagation(double fMHz) const {
    const TRlgc c = Rlgc(fMHz);
    const double w = 2.0 * M_PI * fMHz * 1e6;
    const TComplex z(c.R, w * c.L), y(c.G, w * c.C);
    // γ = √(Z'Y') on the principal branch (Re γ ≥ 0); Zc = Z'/γ = √(Z'/Y'),
    // and at 0 Hz with no loss the ratio's limit √(L'/C') = Z0.
    const TComplex gamma = std::sqrt(z * y);
    if (gamma == TComplex(0.0)) return {gamma, TComplex(Z0, 0.0)};
    return {gamma, z / gamma};
}

TLine LineOf(double z0, double vf, const std::vector<TLossPoint>& points, const std::string& name) {
    if (!ValidZ0(z0)) throw ELineError(TLineFault::Z0Range);
    if (!ValidVelocityFactor(vf)) throw ELineError(TLineFault::VfRange);
    if (points.empty() || points.size() > MaxLossPoints) throw ELineError(TLineFault::PointCount);
    for (const TLossPoint& p : points) {
        if (!ValidFrequencyMHz(p.FrequencyMHz)) throw ELineError(TLineFault::FrequencyRange);
        if (!ValidLineLoss(p.DbPer100m())) throw ELineError(TLineFault::LossRange);
    }
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t j = i + 1; j < points.size(); ++j)
            if (points[i].FrequencyMHz == points[j].FrequencyMHz)
                throw ELineError(TLineFault::SameFrequency);
    TLine line;
    line.Name = name;
    line.Z0 = z0;
    line.VF = vf;
    line.Points = points;
    if (points.size() == 1) {
        line.K1 = points[0].DbPer100m() / std::sqrt(points[0].FrequencyMHz);
        return line;
    }
    // Least squares on the relative error, so that a 1 dB point at HF counts
    // as much as a 30 dB one at UHF; a point of no loss weighs like the
    // smallest loss given.
    double smallest = 0.0, largest = 0.0;
    for (const TLossPoint& p : points) {
        const double a = p.DbPer100m();
        if (a > 0 && (smallest == 0.0 || a < smallest)) smallest = a;
        largest = std::max(largest, a);
    }
    if (largest == 0.0) return line;
    double s11 = 0, s12 = 0, s22 = 0, b1 = 0, b2 = 0;
    for (const TLossPoint& p : points) {
        const double a = p.DbPer100m(), w = 1.0 / std::max(a, smallest), w2 = w * w;
        const double r = std::sqrt(p.FrequencyMHz), f = p.FrequencyMHz;
        s11 += w2 * r * r;
        s12 += w2 * r * f;
        s22 += w2 * f * f;
        b1 += w2 * r * a;
        b2 += w2 * f * a;
    }
    auto residual = [&](double k1, double k2) {
        double sum = 0;
        for (const TLossPoint& p : points) {
            const double a = p.DbPer100m(), w = 1.0 / std::max(a, smallest);
            const double e = w * (k1 * std::sqrt(p.FrequencyMHz) + k2 * p.FrequencyMHz - a);
            sum += e * e;
        }
        return sum;
    };
    // √f and f are independent over two distinct frequencies: det > 0.
    const double det = s11 * s22 - s12 * s12;
    double k1 = FDiv(b1 * s22 - b2 * s12, det), k2 = FDiv(s11 * b2 - s12 * b1, det);
    // A negative term that is only rounding (points on √f or f alone) is 0.
    double fMax = 0.0;
    for (const TLossPoint& p : points)
        fMax = std::max(fMax, p.FrequencyMHz);
    auto negligible = [&](double term) { return std::fabs(term) <= 1e-9 * largest; };
    if (k1 < 0 && negligible(k1 * std::sqrt(fMax))) k1 = 0;
    if (k2 < 0 && negligible(k2 * fMax)) k2 = 0;
    if (k1 < 0 || k2 < 0) {
        // The convex problem's optimum then lies on an edge: one term alone.
        line.ClampedTerm = true;
        const double onlyK1 = b1 / s11, onlyK2 = b2 / s22;
        if (residual(onlyK1, 0) <= residual(0, onlyK2)) {
            k1 = onlyK1;
            k2 = 0;
        } else {
            k1 = 0;
            k2 = onlyK2;
        }
    }
    line.K1 = k1;
    line.K2 = k2;
    return line;
}

TComplex MoveThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zLoad) {
    return MoveThrough(line.Propagation(fMHz), lengthM, zLoad);
}

TComplex MoveBackThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zIn) {
    const TPropagation p = line.Propagation(fMHz);
    const TComplex t = CheckedComplex(std::tanh(p.Gamma * lengthM));
    const TComplex zc = p.Zc;
    const TComplex zl = CheckedComplex(zc * CDiv(zIn - zc * t, zc - zIn * t));
    // A passive antenna has R ≥ 0; less (beyond rounding) means the reading
    // did not come through this line as described.
    if (zl.real() < -1e-9 * std::abs(zl)) throw ELineError(TLineFault::NotFromLine);
    return zl;
}

TAbcd LineAbcd(const TLine& line, double fMHz, double lengthM) {
    const TPropagation p = line.Propagation(fMHz);
    const TComplex gl = p.Gamma * lengthM;
    const TComplex ch = CheckedComplex(std::cosh(gl)), sh = CheckedComplex(std::sinh(gl));
    return {ch, CheckedComplex(p.Zc * sh), CheckedComplex(sh / p.Zc), ch};
}

TLineFigures LineFigures(const TLine& line, double fMHz, double lengthM, const TLoad& far,
                         double powerW) {
    const TPropagation p = line.Propagation(fMHz);
    TLineFigures fig;
    fig.Far = far;
    fig.Near = LoadOf(MoveThrough(p, lengthM, far.Z()));
    fig.FarSwr = Swr(far.Z(), line.Z0);
    fig.NearSwr = Swr(fig.Near.Z(), line.Z0);
    fig.Zc = LoadOf(p.Zc);
    fig.FarLineSwr = SwrAgainst(far.Z(), p.Zc);
    fig.NearLineSwr = SwrAgainst(fig.Near.Z(), p.Zc);
    fig.Wavelengths = lengthM * p.Gamma.imag() / (2.0 * M_PI);
    fig.Degrees = 360.0 * fig.Wavelengths;
    const double alphaL = p.Gamma.real() * lengthM;
    fig.MatchedLossDb = alphaL * DbPerNeper;
    if (!(far.R > 0)) return fig;
    // The ABCD matrix with e^γℓ taken out of every element: cosh and sinh of
    // a long lossy line overflow, while their ratio to e^γℓ stays near 1/2.
    // Then P_in/P_far = e^2αℓ·Re(V'·I'*)/Re(V_far·I_far*), exactly.
    const TComplex e = std::exp(-2.0 * p.Gamma * lengthM);
    const TComplex ch = 0.5 * (1.0 + e), sh = 0.5 * (1.0 - e);
    const TComplex zFar = far.Z(); // driven by 1 A at the far end
    const TComplex v = ch * zFar + p.Zc * sh;
    const TComplex i = sh * zFar / p.Zc + ch;
    const double ratio = (v * std::conj(i)).real() / far.R;
    if (!(ratio > 0) || !std::isfinite(ratio)) return fig;
    fig.TotalLossDb = fig.MatchedLossDb + 10.0 * std::log10(ratio);
    fig.PowerAtFarW = powerW * std::pow(10.0, -*fig.TotalLossDb / 10.0);
    return fig;
}

std::vector<TLoad> LinePath(const TLine& line, double fMHz, double lengthM, const TLoad& far,
                            int maxPoints) {
    // A turn around the chart is half a wavelength; 360 points a turn draw it
    // smooth on any screen.
    constexpr double PointsPerTurn = 360.0;
    const TPropagation p = line.Propagation(fMHz);
    const double turns = 2.0 * lengthM * p.Gamma.imag() / (2.0 * M_PI);
    const int n =
        int(std::clamp(std::ceil(turns * PointsPerTurn), 16.0, double(std::max(maxPoints, 16))));
    std::vector<TLoad> path;
    path.reserve(std::size_t(n) + 1);
    for (int i = 0; i <= n; ++i) {
        try {
            path.push_back(LoadOf(MoveThrough(p, lengthM * i / n, far.Z())));
        } catch (const EMathError&) {
        }
    }
    return path;
}

TFeedResult FeedThrough(const TFeed& feed, const TLoad& given, double fMHz, double z0Ref,
                        double powerW) {
    TFeedResult r;
    const TLine& line = feed.Line;
    const bool atAntenna = feed.Point == TPointAt::Antenna;
    r.Antenna =
        atAntenna ? given : LoadOf(MoveBackThroughLine(line, fMHz, feed.LengthM, given.Z()));
    if (feed.Tuner == TTunerAt::Antenna) {
        r.TunerLoad = r.Antenna;
        r.Line = LineFigures(line, fMHz, feed.LengthM, {z0Ref, 0.0}, powerW);
    } else {
        r.Line = LineFigures(line, fMHz, feed.LengthM, r.Antenna, powerW);
        // What was measured at the shack is the tuner's load as it was read,
        // not as it comes back from the round trip.
        r.TunerLoad = atAntenna ? r.Line.Near : given;
    }
    return r;
}

TLoad TunerLoadOf(const TFeed& feed, const TLoad& given, double fMHz) {
    const bool pointAtTuner =
        (feed.Point == TPointAt::Antenna) == (feed.Tuner == TTunerAt::Antenna);
    if (pointAtTuner) return given;
    if (feed.Tuner == TTunerAt::Shack)
        return LoadOf(MoveThroughLine(feed.Line, fMHz, feed.LengthM, given.Z()));
    return LoadOf(MoveBackThroughLine(feed.Line, fMHz, feed.LengthM, given.Z()));
}

TTouchstone MoveTrace(const TTouchstone& trace, const TFeed& feed) {
    TTouchstone moved = trace;
    for (TTouchstonePoint& p : moved.Points) {
        if (p.Open) continue;
        if (!(p.FrequencyMHz > 0)) {
            p.Open = true;
            continue;
        }
        try {
            const TLoad load = TunerLoadOf(feed, {p.R, p.X}, p.FrequencyMHz);
            p.R = load.R;
            p.X = load.X;
        } catch (const EMathError&) {
            p.Open = true;
        }
    }
    return moved;
}
