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

TComplex TanhGammaL(const TLine& line, double fMHz, double lengthM) {
    return CheckedComplex(std::tanh(line.Gamma(fMHz) * lengthM));
}

} // namespace

double TLine::LossDbPer100m(double fMHz) const {
    // A fit whose dielectric term came out negative would turn to gain far
    // above its points; no line amplifies.
    return std::max(0.0, K1 * std::sqrt(fMHz) + K2 * fMHz);
}

double TLine::Alpha(double fMHz) const {
    return LossDbPer100m(fMHz) / (100.0 * DbPerNeper);
}

double TLine::Beta(double fMHz) const {
    return 2.0 * M_PI * fMHz * 1e6 / (VF * SpeedOfLight);
}

TLine LineOf(double z0, double vf, const std::vector<TLossPoint>& points, const std::string& name) {
    if (!ValidZ0(z0)) throw ELineError(TLineFault::Z0Range);
    if (!ValidVelocityFactor(vf)) throw ELineError(TLineFault::VfRange);
    if (points.empty() || points.size() > 2) throw ELineError(TLineFault::PointCount);
    for (const TLossPoint& p : points) {
        if (!ValidFrequencyMHz(p.FrequencyMHz)) throw ELineError(TLineFault::FrequencyRange);
        if (!ValidLineLoss(p.DbPer100m())) throw ELineError(TLineFault::LossRange);
    }
    TLine line;
    line.Name = name;
    line.Z0 = z0;
    line.VF = vf;
    line.Points = points;
    const double f1 = points[0].FrequencyMHz, a1 = points[0].DbPer100m();
    if (points.size() == 1) {
        line.K1 = a1 / std::sqrt(f1);
        return line;
    }
    const double f2 = points[1].FrequencyMHz, a2 = points[1].DbPer100m();
    if (f1 == f2) throw ELineError(TLineFault::SameFrequency);
    // a = k1·√f + k2·f through both points (Cramer's rule).
    const double s1 = std::sqrt(f1), s2 = std::sqrt(f2);
    const double det = s1 * f2 - s2 * f1;
    line.K1 = FDiv(a1 * f2 - a2 * f1, det);
    line.K2 = FDiv(a2 * s1 - a1 * s2, det);
    return line;
}

TComplex MoveThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zLoad) {
    const TComplex t = TanhGammaL(line, fMHz, lengthM);
    const double z0 = line.Z0;
    return CheckedComplex(z0 * CDiv(zLoad + z0 * t, z0 + zLoad * t));
}

TComplex MoveBackThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zIn) {
    const TComplex t = TanhGammaL(line, fMHz, lengthM);
    const double z0 = line.Z0;
    return CheckedComplex(z0 * CDiv(zIn - z0 * t, z0 - zIn * t));
}

TAbcd LineAbcd(const TLine& line, double fMHz, double lengthM) {
    const TComplex gl = line.Gamma(fMHz) * lengthM;
    const TComplex ch = CheckedComplex(std::cosh(gl)), sh = CheckedComplex(std::sinh(gl));
    return {ch, CheckedComplex(line.Z0 * sh), CheckedComplex(sh / line.Z0), ch};
}

TLineFigures LineFigures(const TLine& line, double fMHz, double lengthM, const TLoad& far,
                         double powerW) {
    TLineFigures fig;
    fig.Far = far;
    fig.Near = LoadOf(MoveThroughLine(line, fMHz, lengthM, far.Z()));
    fig.FarSwr = Swr(far.Z(), line.Z0);
    fig.NearSwr = Swr(fig.Near.Z(), line.Z0);
    fig.Wavelengths = lengthM * line.Beta(fMHz) / (2.0 * M_PI);
    fig.Degrees = 360.0 * fig.Wavelengths;
    const double alphaL = line.Alpha(fMHz) * lengthM;
    fig.MatchedLossDb = alphaL * DbPerNeper;
    if (!(far.R > 0)) return fig;
    // The ABCD matrix with e^γℓ taken out of every element: cosh and sinh of
    // a long lossy line overflow, while their ratio to e^γℓ stays near 1/2.
    // Then P_in/P_far = e^2αℓ·Re(V'·I'*)/Re(V_far·I_far*), exactly.
    const TComplex e = std::exp(-2.0 * line.Gamma(fMHz) * lengthM);
    const TComplex ch = 0.5 * (1.0 + e), sh = 0.5 * (1.0 - e);
    const TComplex zFar = far.Z(); // driven by 1 A at the far end
    const TComplex v = ch * zFar + line.Z0 * sh;
    const TComplex i = sh * zFar / line.Z0 + ch;
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
    const double turns = 2.0 * lengthM * line.Beta(fMHz) / (2.0 * M_PI);
    const int n =
        int(std::clamp(std::ceil(turns * PointsPerTurn), 16.0, double(std::max(maxPoints, 16))));
    std::vector<TLoad> path;
    path.reserve(std::size_t(n) + 1);
    for (int i = 0; i <= n; ++i) {
        try {
            path.push_back(LoadOf(MoveThroughLine(line, fMHz, lengthM * i / n, far.Z())));
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

const TLine* FindLine(const std::string& name) {
    auto lower = [](std::string s) {
        std::transform(s.begin(), s.end(), s.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        return s;
    };
    const std::string wanted = lower(name);
    for (const TLine& line : LineCatalogue())
        if (lower(line.Name) == wanted) return &line;
    return nullptr;
}
