#include "parts.h"

#include <algorithm>
#include <cmath>

namespace {

// The part a signed reactance (or susceptance) is, for its Q.
double SeriesQ(double x, const TQuality& q) {
    return x > 0 ? q.Coil : q.Capacitor;
}
double ShuntQ(double b, const TQuality& q) {
    return b > 0 ? q.Capacitor : q.Coil;
}

// With the first part's value fixed, the second part's reactance follows:
// it cancels what remains. What is left to solve is one real equation, the
// input's resistance (or conductance) against z0, in the first part alone.
struct TLossyEquation {
    TArrangement Arrangement;
    TComplex Zl;
    TQuality Q;
    double Z0;
    // The first part's signed reactance (series at the load) or susceptance
    // (parallel at the load), and the second's that cancels.
    double Second(double first) const {
        if (Arrangement == TArrangement::SeriesAtLoad) {
            const TComplex zs(std::fabs(first) / SeriesQ(first, Q), first);
            return -(1.0 / (Zl + zs)).imag();
        }
        const TComplex yp(std::fabs(first) / ShuntQ(first, Q), first);
        return -(1.0 / (1.0 / Zl + yp)).imag();
    }
    double Residual(double first) const {
        if (Arrangement == TArrangement::SeriesAtLoad) {
            const TComplex zs(std::fabs(first) / SeriesQ(first, Q), first);
            const TComplex y1 = 1.0 / (Zl + zs);
            return (y1.real() + std::fabs(y1.imag()) / ShuntQ(-y1.imag(), Q)) * Z0 - 1.0;
        }
        const TComplex yp(std::fabs(first) / ShuntQ(first, Q), first);
        const TComplex z1 = 1.0 / (1.0 / Zl + yp);
        return (z1.real() + std::fabs(z1.imag()) / SeriesQ(-z1.imag(), Q)) / Z0 - 1.0;
    }
};

constexpr double ExactGamma = 1e-10;

} // namespace

std::optional<TLNetwork> LossyExactNetwork(const TLNetwork& ideal, const TLoad& load, double fMHz,
                                           const TQuality& q, double z0) {
    const TLossyEquation eq{ideal.Arrangement, load.Z(), q, z0};
    const bool seriesFirst = ideal.Arrangement == TArrangement::SeriesAtLoad;
    const TElement& firstPart = seriesFirst ? ideal.Series : ideal.Shunt;
    double x =
        seriesFirst ? ElementReactance(firstPart, fMHz) : ElementSusceptance(firstPart, fMHz);
    const double scale =
        seriesFirst ? std::abs(load.Z()) + z0 : 1.0 / std::abs(load.Z()) + 1.0 / z0;
    // Newton from the ideal value, the slope by a central difference (the
    // losses' |X| has a kink at 0 that an analytic slope would not make
    // easier), each step halved until the residual falls.
    double r = eq.Residual(x);
    for (int i = 0; i < 60 && std::fabs(r) > 1e-14; ++i) {
        const double h = 1e-7 * std::max(std::fabs(x), 1e-6 * scale);
        const double slope = (eq.Residual(x + h) - eq.Residual(x - h)) / (2.0 * h);
        if (!(std::fabs(slope) > 0) || !std::isfinite(slope)) break;
        double step = -r / slope;
        for (int halving = 0; halving < 40; ++halving, step *= 0.5) {
            const double next = eq.Residual(x + step);
            if (std::fabs(next) < std::fabs(r)) {
                x += step;
                r = next;
                break;
            }
        }
        if (std::fabs(step) <= 1e-16 * std::max(std::fabs(x), scale)) break;
    }
    if (!std::isfinite(x)) return std::nullopt;
    const double second = eq.Second(x);
    TLNetwork net;
    net.Arrangement = ideal.Arrangement;
    net.Chart = ideal.Chart;
    net.Series = SeriesElementFor(seriesFirst ? x : second, fMHz);
    net.Shunt = ShuntElementFor(seriesFirst ? second : x, fMHz);
    const TComplex zin = InputImpedance(net, load, fMHz, q);
    const double gamma = std::abs(GammaOf(LoadOf(zin), z0));
    if (!(gamma <= ExactGamma)) return std::nullopt;
    return net;
}

// ---- Pairs ----

double TPartPair::Error() const {
    return Target > 0 ? std::fabs(Value - Target) / Target : 0.0;
}

namespace {

// Every member of a series from 1e-6 to below 1e13, rising, built once: the
// pairs look through a few decades of it for every part of every network.
const std::vector<double>& SeriesLadder(TESeries series) {
    static const auto build = [](TESeries s) {
        std::vector<double> values;
        for (int d = -6; d <= 12; ++d)
            for (const double m : SeriesMembers(s))
                values.push_back(StandardValue(m, d));
        return values;
    };
    static const std::vector<double> ladders[] = {{},
                                                  build(TESeries::E6),
                                                  build(TESeries::E12),
                                                  build(TESeries::E24),
                                                  build(TESeries::E48),
                                                  build(TESeries::E96)};
    return ladders[int(series)];
}

} // namespace

TPartPair BestPair(const TElement& target, TESeries series) {
    // A smaller part in a sum (or a larger one in a reciprocal sum) than a
    // twentieth of the value would trim less than its partner's tolerance
    // and the leads' own reactance.
    constexpr double PairSpan = 20.0;
    TPartPair best;
    best.Kind = target.Kind;
    best.Target = target.Value;
    const std::vector<double>& ladder = SeriesLadder(series);
    const double v = target.Value;
    if (!target.Present() || ladder.empty() || !(v > 0) || !std::isfinite(v)) return best;
    const auto first = std::lower_bound(ladder.begin(), ladder.end(), v / PairSpan);
    const auto last = std::upper_bound(first, ladder.end(), v * PairSpan);
    if (first == last) return best;
    const bool capacitor = target.Kind == TElementKind::Capacitor;
    // Kept as numbers while searching: a vector per better candidate would
    // cost more than the search.
    double bestError = HUGE_VAL, bestA = 0.0, bestB = 0.0, bestValue = 0.0;
    TConnection bestConnection = TConnection::Single;
    auto consider = [&](double a, double b, TConnection c) {
        const double combined = c == TConnection::Single                    ? a
                                : (c == TConnection::Parallel) == capacitor ? a + b
                                                                            : a * b / (a + b);
        const double error = std::fabs(combined - v) / v;
        // Strictly better only: the single part, tried first, stays when a pair ties.
        if (error < bestError * (1.0 - 1e-12)) {
            bestError = error;
            bestA = std::max(a, b);
            bestB = std::min(a, b);
            bestValue = combined;
            bestConnection = c;
        }
    };
    // The member nearest the value and the one below it, then for each first
    // part the second that would make the value exactly, and the two members
    // around that.
    auto around = [&](double value, auto&& use) {
        const auto it = std::lower_bound(first, last, value);
        if (it != first) use(*(it - 1));
        if (it != last) use(*it);
    };
    around(v, [&](double s) { consider(s, 0.0, TConnection::Single); });
    const TConnection sum = capacitor ? TConnection::Parallel : TConnection::Series;
    const TConnection reciprocal = capacitor ? TConnection::Series : TConnection::Parallel;
    for (auto a = std::lower_bound(first, last, v / 2.2); a != last && *a < v; ++a)
        around(v - *a, [&](double b) { consider(*a, b, sum); });
    for (auto a = std::upper_bound(first, last, v); a != last && *a <= 2.2 * v; ++a)
        around(*a * v / (*a - v), [&](double b) { consider(*a, b, reciprocal); });
    best.Connection = bestConnection;
    best.Value = bestValue;
    best.Parts = bestConnection == TConnection::Single ? std::vector<double>{bestA}
                                                       : std::vector<double>{bestA, bestB};
    return best;
}

// ---- Ratings ----

std::optional<double> RecommendedRatingV(double peakV) {
    static constexpr double Ratings[] = {50,   100,  200,  300,  500,  630,
                                         1000, 1500, 2000, 3000, 5000, 10000};
    for (const double r : Ratings)
        if (r >= 2.0 * peakV) return r;
    return std::nullopt;
}

namespace {

// Peak voltage across and RMS current through each part of the network as
// built, from the stress at the power.
void PartStress(const TLNetwork& net, double fMHz, const TQuality& q, const TStress& s,
                TElementParts& series, TElementParts& shunt) {
    if (net.Series.Present()) {
        const double x = ElementReactance(net.Series, fMHz);
        series.RmsA = s.SeriesRmsA;
        series.PeakV =
            std::sqrt(2.0) * s.SeriesRmsA * std::fabs(x) * std::hypot(1.0, 1.0 / SeriesQ(x, q));
    }
    if (net.Shunt.Present()) {
        const double b = ElementSusceptance(net.Shunt, fMHz);
        shunt.PeakV = s.ShuntPeakV;
        shunt.RmsA =
            s.ShuntPeakV / std::sqrt(2.0) * std::fabs(b) * std::hypot(1.0, 1.0 / ShuntQ(b, q));
    }
    for (TElementParts* p : {&series, &shunt})
        p->RatingV = std::nullopt;
    if (net.Series.Kind == TElementKind::Capacitor)
        series.RatingV = RecommendedRatingV(series.PeakV);
    if (net.Shunt.Kind == TElementKind::Capacitor) shunt.RatingV = RecommendedRatingV(shunt.PeakV);
}

void Wind(const TElement& e, const TWindingOptions& winding, TElementParts& parts) {
    if (e.Kind != TElementKind::Coil) return;
    if (winding.Form) parts.Winding = WindAirCoil(e.Value, *winding.Form);
    if (winding.Core) parts.Toroid = WindToroid(e.Value, *winding.Core);
}

} // namespace

TPartsReport BuildParts(const TNetworkReport& rep, const TLoad& load, double fMHz,
                        const TDesignOptions& options, const TWindingOptions& winding) {
    TPartsReport parts;
    const TLNetwork& ideal = rep.Network;
    if (const auto exact = LossyExactNetwork(ideal, load, fMHz, options.Q, options.Z0)) {
        parts.HasLossyExact = true;
        parts.LossyExact = *exact;
        if (exact->Series.Present()) parts.Series.LossyExact = exact->Series;
        if (exact->Shunt.Present()) parts.Shunt.LossyExact = exact->Shunt;
    }
    // What the bench aims for: the values that match with the losses when
    // there are such, the ideal ones otherwise.
    const TLNetwork& aim = parts.HasLossyExact ? parts.LossyExact : ideal;
    Wind(aim.Series, winding, parts.Series);
    Wind(aim.Shunt, winding, parts.Shunt);
    const TLNetwork& built = rep.HasStandard ? rep.Standard : ideal;
    if (rep.HasStandard) {
        parts.HasAsBuilt = true;
        parts.AsBuilt = NetworkStress(built, load, fMHz, options.Q, options.PowerW, options.Z0);
        parts.Series.Pair = BestPair(aim.Series, options.Series);
        parts.Shunt.Pair = BestPair(aim.Shunt, options.Series);
        TLNetwork paired = aim;
        if (paired.Series.Present()) paired.Series.Value = parts.Series.Pair.Value;
        if (paired.Shunt.Present()) paired.Shunt.Value = parts.Shunt.Pair.Value;
        parts.PairSwr = Swr(InputImpedance(paired, load, fMHz, options.Q), options.Z0);
    }
    PartStress(built, fMHz, options.Q, rep.HasStandard ? parts.AsBuilt : rep.Stress, parts.Series,
               parts.Shunt);
    return parts;
}
