#include "lnetwork.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <cmath>
#include <optional>

namespace {

// z / w as the compiler's own complex division (libgcc's __divdc3) gives it,
// bit for bit: its common path written out here so that it is inlined, the
// call kept for operands near the ends of the range, zeros and infinities.
TComplex Divide(TComplex z, TComplex w) {
    constexpr double Big = DBL_MAX / 2, Min = DBL_MIN, Eps = DBL_EPSILON, Max2 = Big * Eps;
    double a = z.real(), b = z.imag(), c = w.real(), d = w.imag();
    const double ac = std::fabs(c), ad = std::fabs(d), aa = std::fabs(a), ab = std::fabs(b);
    const double big = ac < ad ? ad : ac;
    if (big < Big && big >= Eps) {
        // A tiny part beside a moderate one is scaled up first (by a power of
        // two, exactly), as there: 1 / w takes this way.
        if ((aa < Min && ab < Max2 && big < Max2) || (ab < Min && aa < Max2 && big < Max2)) {
            constexpr double Scale = 1.0 / DBL_EPSILON;
            a *= Scale;
            b *= Scale;
            c *= Scale;
            d *= Scale;
        }
        double x, y;
        bool done = false;
        if (ac < ad) {
            const double ratio = c / d;
            if (std::fabs(ratio) > Min) {
                const double denom = c * ratio + d;
                x = (a * ratio + b) / denom;
                y = (b * ratio - a) / denom;
                done = true;
            }
        } else {
            const double ratio = d / c;
            if (std::fabs(ratio) > Min) {
                const double denom = d * ratio + c;
                x = (b * ratio + a) / denom;
                y = (b - a * ratio) / denom;
                done = true;
            }
        }
        if (done && !(std::isnan(x) && std::isnan(y))) return {x, y};
    }
    return z / w;
}

TComplex Reciprocal(TComplex w) {
    return Divide({1.0, 0.0}, w);
}

// Angular frequency in radians per microsecond: with µH it gives ohms.
double Omega(double fMHz) {
    return 2.0 * M_PI * fMHz;
}

// Closed forms leave an element that should vanish as rounding noise; a
// reactance this small beside the load is no part at all.
constexpr double AbsentShare = 1e-12;

double Quality(const TElement& e, const TQuality& q) {
    return e.Kind == TElementKind::Coil ? q.Coil : q.Capacitor;
}

// A series part as a complex impedance, its loss resistance |X|/Q included.
TComplex SeriesImpedance(const TElement& e, double fMHz, const TQuality& q) {
    if (!e.Present()) return 0.0;
    const double x = ElementReactance(e, fMHz);
    return {std::fabs(x) / Quality(e, q), x};
}

TComplex ShuntAdmittance(const TElement& e, double fMHz, const TQuality& q) {
    if (!e.Present()) return 0.0;
    const double b = ElementSusceptance(e, fMHz);
    return {std::fabs(b) / Quality(e, q), b};
}

bool SameValue(double a, double b) {
    return std::fabs(a - b) <= 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

bool SameElement(const TElement& a, const TElement& b) {
    return a.Kind == b.Kind && SameValue(a.Value, b.Value);
}

// Two designs are one circuit when their parts agree; with a single part (or
// none) the arrangement makes no difference.
bool SameCircuit(const TLNetwork& a, const TLNetwork& b) {
    if (a.Series.Present() && a.Shunt.Present() && a.Arrangement != b.Arrangement) return false;
    return SameElement(a.Series, b.Series) && SameElement(a.Shunt, b.Shunt);
}

TLNetwork MakeNetwork(TArrangement arrangement, double xs, double bp, double fMHz, double xScale,
                      double bScale) {
    TLNetwork net;
    net.Arrangement = arrangement;
    if (std::fabs(xs) > AbsentShare * xScale) net.Series = SeriesElementFor(xs, fMHz);
    if (std::fabs(bp) > AbsentShare * bScale) net.Shunt = ShuntElementFor(bp, fMHz);
    return net;
}

} // namespace

double ElementReactance(const TElement& e, double fMHz) {
    switch (e.Kind) {
    case TElementKind::Coil:
        return Omega(fMHz) * e.Value;
    case TElementKind::Capacitor:
        return -1e6 / (Omega(fMHz) * e.Value);
    case TElementKind::None:
        break;
    }
    return 0.0;
}

double ElementSusceptance(const TElement& e, double fMHz) {
    switch (e.Kind) {
    case TElementKind::Coil:
        return -1.0 / (Omega(fMHz) * e.Value);
    case TElementKind::Capacitor:
        return Omega(fMHz) * e.Value * 1e-6;
    case TElementKind::None:
        break;
    }
    return 0.0;
}

TElement SeriesElementFor(double x, double fMHz) {
    if (x > 0) return {TElementKind::Coil, x / Omega(fMHz)};
    if (x < 0) return {TElementKind::Capacitor, -1e6 / (Omega(fMHz) * x)};
    return {};
}

TElement ShuntElementFor(double b, double fMHz) {
    if (b > 0) return {TElementKind::Capacitor, b / Omega(fMHz) * 1e6};
    if (b < 0) return {TElementKind::Coil, -1.0 / (Omega(fMHz) * b)};
    return {};
}

bool IsMatchable(const TLoad& load) {
    return std::isfinite(load.R) && std::isfinite(load.X) && load.R > 0;
}

bool ChartChoosesShuntAtLoad(const TLoad& load, double z0) {
    // (R² + X²)/R < z0 means G > 1/z0: inside the circle g = 1.
    if (load.R * load.R + load.X * load.X < z0 * load.R) return false;
    if (load.R < z0 && load.X < 0) return false;
    return true;
}

namespace {

// At most four networks, without the heap: DesignNetworks runs this per load.
struct TNetworkSet {
    std::array<TLNetwork, 4> Nets;
    size_t Count = 0;
    void Add(const TLNetwork& net) { Nets[Count++] = net; }
};

TNetworkSet MatchingSet(const TLoad& load, double fMHz, double z0) {
    TNetworkSet nets;
    if (!IsMatchable(load) || !(z0 > 0) || !(fMHz > 0) || !std::isfinite(fMHz)) return nets;
    const double r = load.R, x = load.X;
    const double zz = r * r + x * x;
    const double xScale = std::sqrt(zz) + z0;
    const double bScale = 1.0 / std::sqrt(zz) + 1.0 / z0;
    const bool chartShunt = ChartChoosesShuntAtLoad(load, z0);

    if (r <= z0) {
        // The series part moves the load along its resistance circle to the
        // point R + jX' whose conductance is 1/z0; the parallel part cancels.
        const double root = std::sqrt(r * (z0 - r));
        for (const double sign : {1.0, -1.0}) {
            const double xp = sign * root;
            TLNetwork net = MakeNetwork(TArrangement::SeriesAtLoad, xp - x, xp / (r * r + xp * xp),
                                        fMHz, xScale, bScale);
            net.Chart = !chartShunt && sign > 0;
            nets.Add(net);
            if (root == 0.0) break;
        }
    }
    if (r * z0 <= zz) {
        // The parallel part moves the load along its conductance circle to
        // G + jB' whose resistance is z0; the series part cancels.
        const double g = r / zz, b = -x / zz;
        // G/z0 - G² written over one denominator: near R = z0 the difference
        // of the two small terms would be all rounding.
        const double root = std::sqrt(std::max(0.0, r * (r * (r - z0) + x * x) / z0)) / zz;
        for (const double sign : {1.0, -1.0}) {
            const double bq = sign * root;
            TLNetwork net = MakeNetwork(TArrangement::ShuntAtLoad, bq / (g * g + bq * bq), bq - b,
                                        fMHz, xScale, bScale);
            net.Chart = chartShunt && sign > 0;
            nets.Add(net);
            if (root == 0.0) break;
        }
    }
    // The chart's own first, the rest in order; a circuit met again is left out.
    TNetworkSet unique;
    for (const bool chart : {true, false})
        for (size_t i = 0; i < nets.Count; ++i) {
            const TLNetwork& net = nets.Nets[i];
            if (net.Chart != chart) continue;
            if (std::none_of(unique.Nets.begin(),
                             unique.Nets.begin() + std::ptrdiff_t(unique.Count),
                             [&](const TLNetwork& u) { return SameCircuit(u, net); }))
                unique.Add(net);
        }
    return unique;
}

} // namespace

std::vector<TLNetwork> MatchingNetworks(const TLoad& load, double fMHz, double z0) {
    const TNetworkSet set = MatchingSet(load, fMHz, z0);
    return {set.Nets.begin(), set.Nets.begin() + std::ptrdiff_t(set.Count)};
}

TLNetwork ChartNetwork(const TLoad& load, double fMHz, double z0) {
    const TNetworkSet nets = MatchingSet(load, fMHz, z0);
    return nets.Count == 0 ? TLNetwork{} : nets.Nets[0];
}

TComplex InputImpedance(const TLNetwork& net, const TLoad& load, double fMHz, const TQuality& q) {
    const TComplex zl(load.R, load.X);
    const TComplex zs = SeriesImpedance(net.Series, fMHz, q);
    const TComplex yp = ShuntAdmittance(net.Shunt, fMHz, q);
    if (net.Arrangement == TArrangement::SeriesAtLoad) return Reciprocal(Reciprocal(zl + zs) + yp);
    return Reciprocal(Reciprocal(zl) + yp) + zs;
}

double Swr(TComplex z, double z0) {
    // GammaOf(LoadOf(z), z0), with the division inlined.
    // |Γ| as the root of its norm: hypot's guard against overflow costs a
    // quarter of a design, and a norm that overflows is past the cap anyway.
    const double m =
        std::sqrt(std::norm(Divide({z.real() - z0, z.imag()}, {z.real() + z0, z.imag()})));
    if (!(m < 1.0)) return SwrCap;
    return std::min(SwrOfMagnitude(m), SwrCap);
}

// ---- Standard values ----

const std::vector<double>& SeriesMembers(TESeries series) {
    static const std::vector<double> none;
    static const std::vector<double> e6{1.0, 1.5, 2.2, 3.3, 4.7, 6.8};
    static const std::vector<double> e12{1.0, 1.2, 1.5, 1.8, 2.2, 2.7,
                                         3.3, 3.9, 4.7, 5.6, 6.8, 8.2};
    static const std::vector<double> e24{1.0, 1.1, 1.2, 1.3, 1.5, 1.6, 1.8, 2.0,
                                         2.2, 2.4, 2.7, 3.0, 3.3, 3.6, 3.9, 4.3,
                                         4.7, 5.1, 5.6, 6.2, 6.8, 7.5, 8.2, 9.1};
    // The two fine series are the geometric series rounded to two decimals.
    auto geometric = [](int n) {
        std::vector<double> v;
        for (int i = 0; i < n; ++i)
            v.push_back(std::round(std::pow(10.0, double(i) / n) * 100.0) / 100.0);
        return v;
    };
    static const std::vector<double> e48 = geometric(48);
    static const std::vector<double> e96 = geometric(96);
    switch (series) {
    case TESeries::E6:
        return e6;
    case TESeries::E12:
        return e12;
    case TESeries::E24:
        return e24;
    case TESeries::E48:
        return e48;
    case TESeries::E96:
        return e96;
    case TESeries::None:
        break;
    }
    return none;
}

double SeriesTolerance(TESeries series) {
    switch (series) {
    case TESeries::E6:
        return 0.20;
    case TESeries::E12:
        return 0.10;
    case TESeries::E24:
        return 0.05;
    case TESeries::E48:
        return 0.02;
    case TESeries::E96:
        return 0.01;
    case TESeries::None:
        break;
    }
    return 0.0;
}

const char* SeriesName(TESeries series) {
    switch (series) {
    case TESeries::E6:
        return "E6";
    case TESeries::E12:
        return "E12";
    case TESeries::E24:
        return "E24";
    case TESeries::E48:
        return "E48";
    case TESeries::E96:
        return "E96";
    case TESeries::None:
        break;
    }
    return "none";
}

double StandardValue(double member, int decade) {
    // From the member in hundredths, an exact integer, with one rounding:
    // the candidate is the double nearest the decimal value (0.56, never
    // 0.5599999999999999).
    // Every power of ten up to 1e22 is exact as a double: a table, as pow
    // per member would cost more than the search it serves.
    static constexpr double Exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                       1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                       1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const int power = std::abs(decade - 2);
    const double scale = power < 23 ? Exact[power] : std::pow(10.0, power);
    const double hundredths = std::round(member * 100.0);
    return decade < 2 ? hundredths / scale : hundredths * scale;
}

namespace {

// Every series' standard values over the decades parts are made in, rising,
// as StandardValue makes them: a search instead of a value made per step.
constexpr int FirstTableDecade = -24, LastTableDecade = 24;

const std::vector<double>& StandardTable(TESeries series) {
    static const std::array<std::vector<double>, 6> tables = [] {
        std::array<std::vector<double>, 6> t;
        for (const TESeries s :
             {TESeries::E6, TESeries::E12, TESeries::E24, TESeries::E48, TESeries::E96})
            for (int d = FirstTableDecade; d <= LastTableDecade; ++d)
                for (const double m : SeriesMembers(s))
                    t[size_t(s)].push_back(StandardValue(m, d));
        return t;
    }();
    return tables[size_t(series)];
}

} // namespace

double NearestStandard(double value, TESeries series) {
    // Inside the table the two values around the one given are those the
    // walk below would find in the three decades around it.
    if (value >= 1e-23 && value < 1e23) {
        const std::vector<double>& table = StandardTable(series);
        if (table.empty()) return value;
        // c < value is c / value < 1.0 for such values, without the division.
        const auto above =
            std::partition_point(table.begin(), table.end(), [&](double c) { return c < value; });
        const double a = *above, b = *(above - 1);
        // |log(a/value)| < |log(b/value)| exactly when a b < value²; only near
        // a tie can rounding tell otherwise, and there the logarithms decide.
        const double ab = a * b, vv = value * value;
        if (ab < vv * (1 - 1e-12)) return a;
        if (ab > vv * (1 + 1e-12)) return b;
        return std::fabs(std::log(a / value)) < std::fabs(std::log(b / value)) ? a : b;
    }
    const std::vector<double>& members = SeriesMembers(series);
    if (members.empty() || !(value > 0) || !std::isfinite(value)) return value;
    const int decade = int(std::floor(std::log10(value)));
    double best = value, bestDistance = HUGE_VAL;
    auto consider = [&](double candidate) {
        const double distance = std::fabs(std::log(candidate / value));
        if (distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    };
    // The candidates rise, so the nearest is one of the two around the value:
    // only those two pay for a logarithm (with E96, 576 of them a part cost
    // more than the whole design).
    std::optional<double> below;
    // The neighbouring decades too: 9.6 lies nearer to 10 than to 8.2.
    for (int d = decade - 1; d <= decade + 1; ++d) {
        for (const double m : members) {
            const double candidate = StandardValue(m, d);
            if (candidate / value < 1.0) {
                below = candidate;
                continue;
            }
            if (below) consider(*below);
            consider(candidate);
            return best;
        }
    }
    if (below) consider(*below);
    return best;
}

TLNetwork SnapToSeries(const TLNetwork& net, TESeries series) {
    TLNetwork snapped = net;
    if (snapped.Series.Present()) snapped.Series.Value = NearestStandard(net.Series.Value, series);
    if (snapped.Shunt.Present()) snapped.Shunt.Value = NearestStandard(net.Shunt.Value, series);
    return snapped;
}

namespace {

double WorstCornerSwr(const TLNetwork& net, const TLoad& load, double fMHz, double tol, double z0) {
    // As InputImpedance of each corner, lossless; the terms one part's
    // corner shares with the other's are worked out once.
    const TComplex zl(load.R, load.X);
    std::array<TComplex, 2> zs, yp;
    for (int k = 0; k < 2; ++k) {
        const double f = 1.0 + (k == 0 ? -1.0 : 1.0) * tol;
        TElement series = net.Series, shunt = net.Shunt;
        series.Value *= f;
        shunt.Value *= f;
        zs[size_t(k)] = SeriesImpedance(series, fMHz, Lossless);
        yp[size_t(k)] = ShuntAdmittance(shunt, fMHz, Lossless);
    }
    std::array<TComplex, 4> zin; // [series corner * 2 + shunt corner]
    if (net.Arrangement == TArrangement::SeriesAtLoad) {
        for (size_t s = 0; s < 2; ++s) {
            const TComplex inner = Reciprocal(zl + zs[s]);
            for (size_t p = 0; p < 2; ++p)
                zin[s * 2 + p] = Reciprocal(inner + yp[p]);
        }
    } else {
        const TComplex yl = Reciprocal(zl);
        for (size_t p = 0; p < 2; ++p) {
            const TComplex node = Reciprocal(yl + yp[p]);
            for (size_t s = 0; s < 2; ++s)
                zin[s * 2 + p] = node + zs[s];
        }
    }
    // The SWR rises with |Γ|: the corner with the largest |Γ|² is the worst,
    // and only its SWR is worked out (a modulus costs more than the rest).
    const TComplex* worst = &zin[0];
    double largest = -1.0;
    for (const TComplex& z : zin) {
        const double m2 = std::norm(Divide({z.real() - z0, z.imag()}, {z.real() + z0, z.imag()}));
        if (!(m2 <= largest)) {
            largest = m2;
            worst = &z;
            if (std::isnan(m2)) break;
        }
    }
    return std::max(1.0, Swr(*worst, z0));
}

} // namespace

TStress NetworkStress(const TLNetwork& net, const TLoad& load, double fMHz, const TQuality& q,
                      double powerW, double z0) {
    TStress s;
    const TComplex zl(load.R, load.X);
    const TComplex zs = SeriesImpedance(net.Series, fMHz, q);
    const TComplex zin = InputImpedance(net, load, fMHz, q);
    s.SwrWithLosses = Swr(zin, z0);
    if (!(zin.real() > 0) || !std::isfinite(zin.real()) || !std::isfinite(zin.imag())) return s;
    // A real input current that puts powerW into the network.
    const double iin = std::sqrt(powerW / zin.real());
    const TComplex vin = iin * zin;
    double loadPower = 0.0;
    if (net.Arrangement == TArrangement::SeriesAtLoad) {
        const TComplex is = Divide(vin, zl + zs);
        loadPower = std::norm(is) * load.R;
        s.ShuntPeakV = net.Shunt.Present() ? std::sqrt(2.0 * std::norm(vin)) : 0.0;
        s.SeriesRmsA = net.Series.Present() ? std::sqrt(std::norm(is)) : 0.0;
    } else {
        const TComplex node = vin - iin * zs;
        loadPower = std::norm(node) * Reciprocal(zl).real();
        s.ShuntPeakV = net.Shunt.Present() ? std::sqrt(2.0 * std::norm(node)) : 0.0;
        s.SeriesRmsA = net.Series.Present() ? iin : 0.0;
    }
    s.Efficiency = std::clamp(loadPower / powerW, 0.0, 1.0);
    s.LossDb = s.Efficiency > 0 ? -10.0 * std::log10(s.Efficiency) : 0.0;
    if (s.LossDb < 0) s.LossDb = 0.0;
    return s;
}

TNetworkReport DesignNetwork(const TLNetwork& net, const TLoad& load, double fMHz,
                             const TDesignOptions& options) {
    TNetworkReport rep;
    rep.Network = net;
    rep.Stress = NetworkStress(net, load, fMHz, options.Q, options.PowerW, options.Z0);
    if (options.Series != TESeries::None) {
        rep.HasStandard = true;
        rep.Standard = SnapToSeries(net, options.Series);
        rep.StandardSwr = Swr(InputImpedance(rep.Standard, load, fMHz), options.Z0);
        rep.WorstSwr =
            WorstCornerSwr(rep.Standard, load, fMHz, SeriesTolerance(options.Series), options.Z0);
    }
    return rep;
}

std::vector<TNetworkReport> DesignNetworks(const TLoad& load, double fMHz,
                                           const TDesignOptions& options) {
    const TNetworkSet nets = MatchingSet(load, fMHz, options.Z0);
    std::vector<TNetworkReport> reports;
    reports.reserve(nets.Count);
    for (size_t i = 0; i < nets.Count; ++i)
        reports.push_back(DesignNetwork(nets.Nets[i], load, fMHz, options));
    return reports;
}

namespace {
enum class TKind { LowPass, HighPass, TwoCoils, TwoCapacitors, NoParts };

TKind KindOf(const TLNetwork& net) {
    if (!net.Series.Present() && !net.Shunt.Present()) return TKind::NoParts;
    if (net.Series.Present() && net.Shunt.Present() && net.Series.Kind == net.Shunt.Kind)
        return net.Series.Kind == TElementKind::Coil ? TKind::TwoCoils : TKind::TwoCapacitors;
    return net.LowPass() ? TKind::LowPass : TKind::HighPass;
}
} // namespace

const char* KindNameCs(const TLNetwork& net) {
    switch (KindOf(net)) {
    case TKind::LowPass:
        return "dolní propust";
    case TKind::HighPass:
        return "horní propust";
    case TKind::TwoCoils:
        return "dvě cívky";
    case TKind::TwoCapacitors:
        return "dva kondenzátory";
    case TKind::NoParts:
        break;
    }
    return "bez součástek";
}

const char* KindNameEn(const TLNetwork& net) {
    switch (KindOf(net)) {
    case TKind::LowPass:
        return "low-pass";
    case TKind::HighPass:
        return "high-pass";
    case TKind::TwoCoils:
        return "two coils";
    case TKind::TwoCapacitors:
        return "two capacitors";
    case TKind::NoParts:
        break;
    }
    return "no parts";
}
