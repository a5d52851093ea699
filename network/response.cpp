#include "response.h"
#include "fpcheck.h"

#include <algorithm>
#include <cmath>

namespace {

// The edge search starts this close to f0 (relative) and widens its steps
// geometrically, so that a narrow band is found as surely as a wide one;
// far out the steps stay below a thousandth of the span.
constexpr double FirstStep = 1e-8;
constexpr double StepGrowth = 0.03;
constexpr int StepsPerSpan = 1000;
// Bisection stops when the edge is known to this fraction of f0.
constexpr double EdgeTolerance = 1e-10;

} // namespace

std::optional<TLoad> InterpolateTrace(const TTouchstone& trace, double fMHz) {
    const std::vector<TTouchstonePoint>& p = trace.Points;
    if (p.empty() || !(fMHz >= p.front().FrequencyMHz) || !(fMHz <= p.back().FrequencyMHz))
        return std::nullopt;
    const auto hi =
        std::lower_bound(p.begin(), p.end(), fMHz,
                         [](const TTouchstonePoint& a, double f) { return a.FrequencyMHz < f; });
    // At an open circuit, and between it and its neighbours, no load is known.
    if (hi->Open) return std::nullopt;
    if (hi->FrequencyMHz == fMHz) return TLoad{hi->R, hi->X};
    const auto lo = hi - 1;
    if (lo->Open) return std::nullopt;
    const double t = (fMHz - lo->FrequencyMHz) / (hi->FrequencyMHz - lo->FrequencyMHz);
    return TLoad{lo->R + t * (hi->R - lo->R), lo->X + t * (hi->X - lo->X)};
}

TBandResponse::TBandResponse(const TLoad& load, double f0MHz, TLoadModel model,
                             const TTouchstone* trace, double z0, const TFeed* feed)
    : FLoad(load), FF0(f0MHz), FModel(model), FTrace(trace), FZ0(z0) {
    if (feed) FFeed = *feed;
    bool known = true;
    if (FFeed && model != TLoadModel::Measured && FFeed->Point == TPointAt::Shack) {
        // The model is the antenna's: a reading at the shack is taken back to
        // the antenna once, at f0, and the model moves through the line from
        // there at every frequency. (A measurement has the shack's reading at
        // every frequency and moves point by point.)
        try {
            FLoad = LoadOf(MoveBackThroughLine(FFeed->Line, f0MHz, FFeed->LengthM, load.Z()));
        } catch (const EMathError&) {
            known = false;
        }
        FFeed->Point = TPointAt::Antenna;
    }
    const std::optional<TLoad> designLoad = !known  ? std::nullopt
                                            : FFeed ? LoadAt(f0MHz)
                                                    : std::optional<TLoad>(load);
    FHasNetwork =
        designLoad && IsMatchable(*designLoad) && f0MHz > 0 && std::isfinite(f0MHz) && z0 > 0;
    if (FHasNetwork) FNetwork = ChartNetwork(*designLoad, f0MHz, z0);
}

std::optional<TLoad> TBandResponse::LoadAt(double fMHz) const {
    const std::optional<TLoad> load = ModelLoadAt(fMHz);
    if (!load || !FFeed) return load;
    try {
        return TunerLoadOf(*FFeed, *load, fMHz);
    } catch (const EMathError&) {
        // A load the line opens or shorts exactly has no finite value there.
        return std::nullopt;
    }
}

std::optional<TLoad> TBandResponse::ModelLoadAt(double fMHz) const {
    if (!(fMHz > 0) || !std::isfinite(fMHz)) return std::nullopt;
    switch (FModel) {
    case TLoadModel::Constant:
        return FLoad;
    case TLoadModel::Reactance:
        // A coil's reactance grows with f, a capacitor's falls as 1/f.
        if (FLoad.X > 0) return TLoad{FLoad.R, FLoad.X * fMHz / FF0};
        if (FLoad.X < 0) return TLoad{FLoad.R, FLoad.X * FF0 / fMHz};
        return FLoad;
    case TLoadModel::Measured:
        if (!FTrace) return std::nullopt;
        return InterpolateTrace(*FTrace, fMHz);
    }
    return std::nullopt;
}

std::optional<double> TBandResponse::SwrAt(double fMHz) const {
    if (!FHasNetwork) return std::nullopt;
    const std::optional<TLoad> load = LoadAt(fMHz);
    if (!load) return std::nullopt;
    // Swr caps a non-finite impedance (a load that cancels a part) at SwrCap.
    return Swr(InputImpedance(FNetwork, *load, fMHz), FZ0);
}

std::vector<TSwrPoint> TBandResponse::Sweep(double fLowMHz, double fHighMHz, int n) const {
    n = std::max(n, 2);
    std::vector<TSwrPoint> points(std::size_t(n), TSwrPoint{});
    for (int i = 0; i < n; ++i) {
        // The last point is fHigh exactly, not a sum of rounded steps.
        const double f = i == n - 1 ? fHighMHz : fLowMHz + (fHighMHz - fLowMHz) * i / (n - 1);
        points[std::size_t(i)] = {f, SwrAt(f)};
    }
    return points;
}

std::optional<double> TBandResponse::Crossing(double limit, double fInside, double fOutside) const {
    double lo = fInside, hi = fOutside;
    while (std::fabs(hi - lo) > EdgeTolerance * FF0) {
        const double mid = 0.5 * (lo + hi);
        if (!(mid != lo && mid != hi)) break; // no double lies between them
        const std::optional<double> s = SwrAt(mid);
        (!s || *s > limit ? hi : lo) = mid;
    }
    // Bisection may have ended at the end of a measurement rather than at a
    // rise of the SWR: then the edge lies beyond what is known.
    if (!SwrAt(hi)) return std::nullopt;
    return 0.5 * (lo + hi);
}

std::optional<double> TBandResponse::MeasuredEdgeTowards(double limit, double fEnd) const {
    // The measured points themselves, outwards from f0: the first one above
    // the limit (or unknown) ends the band, the crossing lying between it and
    // the point before, however narrow its excursion.
    const std::vector<TTouchstonePoint>& p = FTrace->Points;
    const bool up = fEnd > FF0;
    auto outside = [&](double f) {
        const std::optional<double> s = SwrAt(f);
        return !s || *s > limit;
    };
    double inside = FF0;
    auto consider = [&](double f) -> std::optional<std::optional<double>> {
        if (!outside(f)) {
            inside = f;
            return std::nullopt;
        }
        return Crossing(limit, inside, f);
    };
    const auto first =
        std::upper_bound(p.begin(), p.end(), FF0,
                         [](double f, const TTouchstonePoint& a) { return f < a.FrequencyMHz; });
    if (up) {
        for (auto it = first; it != p.end() && it->FrequencyMHz < fEnd; ++it)
            if (const auto edge = consider(it->FrequencyMHz)) return *edge;
    } else {
        // The points below f0, nearest first; f0 itself may be a point.
        auto it =
            std::lower_bound(p.begin(), p.end(), FF0, [](const TTouchstonePoint& a, double f) {
                return a.FrequencyMHz < f;
            });
        while (it != p.begin()) {
            --it;
            if (!(it->FrequencyMHz > fEnd)) break;
            if (const auto edge = consider(it->FrequencyMHz)) return *edge;
        }
    }
    if (const auto edge = consider(fEnd)) return *edge;
    return std::nullopt;
}

std::optional<double> TBandResponse::EdgeTowards(double limit, double fEnd) const {
    const double span = std::fabs(fEnd - FF0);
    // An infinite span (an end that overflowed) would never end the search.
    if (!(span > 0) || !std::isfinite(span)) return std::nullopt;
    if (FModel == TLoadModel::Measured && FTrace) return MeasuredEdgeTowards(limit, fEnd);
    const double dir = fEnd > FF0 ? 1.0 : -1.0;
    const double maxStep = span / StepsPerSpan;
    auto outside = [&](double d) {
        const std::optional<double> s = SwrAt(FF0 + dir * d);
        return !s || *s > limit;
    };
    double inside = 0.0; // offset from f0 known to be within the limit
    double d = std::min(FF0 * FirstStep, span);
    for (;;) {
        if (outside(d)) {
            double lo = inside, hi = d;
            while (hi - lo > EdgeTolerance * FF0) {
                const double mid = 0.5 * (lo + hi);
                if (!(mid > lo && mid < hi)) break; // no double lies between them
                (outside(mid) ? hi : lo) = mid;
            }
            // Bisection may have ended at the end of a measurement rather than
            // at a rise of the SWR: then the edge lies beyond what is known.
            if (!SwrAt(FF0 + dir * hi)) return std::nullopt;
            return FF0 + dir * 0.5 * (lo + hi);
        }
        inside = d;
        if (d >= span) return std::nullopt;
        const double next =
            std::min(span, d + std::min(std::max(d * StepGrowth, FF0 * FirstStep), maxStep));
        // Steps lost in rounding (a denormal f0) cannot reach the span's end.
        if (!(next > d)) return std::nullopt;
        d = next;
    }
}

TBandEdges TBandResponse::Edges(double limit, double fLowMHz, double fHighMHz) const {
    const std::optional<double> centre = SwrAt(FF0);
    if (!centre || *centre > limit) return {};
    TBandEdges edges;
    if (fLowMHz < FF0) edges.LowMHz = EdgeTowards(limit, fLowMHz);
    if (fHighMHz > FF0) edges.HighMHz = EdgeTowards(limit, fHighMHz);
    return edges;
}
