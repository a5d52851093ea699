#include "coils.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

constexpr double Mu0 = 4e-7 * M_PI; // H/m

// Below one turn Rosa's series for the mutual term no longer holds, and above
// this many nobody winds a single layer.
constexpr double MinTurns = 1.0, MaxTurns = 1e5;

} // namespace

std::optional<TFormFault> FormFault(const TAirCoilForm& form) {
    for (const double v : {form.FormMm, form.WireMm, form.PitchMm})
        if (!(v > 0) || !std::isfinite(v)) return TFormFault::NotPositive;
    if (form.WireMm > form.PitchMm) return TFormFault::WireAbovePitch;
    if (form.FormMm < form.WireMm) return TFormFault::FormBelowWire;
    if (!ValidWireMm(form.WireMm)) return TFormFault::WireOutOfRange;
    if (!ValidFormMm(form.FormMm)) return TFormFault::FormOutOfRange;
    if (!ValidPitchMm(form.PitchMm)) return TFormFault::PitchOutOfRange;
    return std::nullopt;
}

// The arithmetic-geometric mean gives both integrals at once in five or six
// square roots (Abramowitz & Stegun 17.6): K = π/(2·AGM(1, k')) and
// E = K·(1 − Σ 2^(n−1) c_n²), c_0 = k, c_(n+1) = (a_n − b_n)/2. The
// library's comp_ellint_1/2 agree but cost a microsecond each.
TCompleteElliptic CompleteElliptic(double k) {
    double a = 1.0, b = std::sqrt((1.0 - k) * (1.0 + k)), c = k;
    double sum = 0.5 * c * c, weight = 0.5;
    for (int i = 0; i < 40 && std::fabs(c) > 1e-17 * a; ++i) {
        c = 0.5 * (a - b);
        const double mean = 0.5 * (a + b);
        b = std::sqrt(a * b);
        a = mean;
        weight *= 2.0;
        sum += weight * c * c;
    }
    const double bigK = M_PI / (2.0 * a);
    return {bigK, bigK * (1.0 - sum)};
}

// Nagaoka (1909), with k² = D²/(D² + l²) and k' = √(1 − k²):
// K = 4/(3π k') · [(k'²/k²)(K(k) − E(k)) + E(k) − k], K and E the complete
// elliptic integrals of the modulus k.
double NagaokaCoefficient(double diameterOverLength) {
    if (!(diameterOverLength > 0)) return 1.0; // the infinitely long coil
    const double x2 = diameterOverLength * diameterOverLength;
    const double k2 = x2 / (1.0 + x2), k = std::sqrt(k2);
    const double kp2 = 1.0 / (1.0 + x2), kp = std::sqrt(kp2);
    const TCompleteElliptic e = CompleteElliptic(k);
    return 4.0 / (3.0 * M_PI * kp) * (kp2 / k2 * (e.K - e.E) + e.E - k);
}

// L = μ0 π a² N² K / l, the current-sheet inductance.
double CurrentSheetUh(double diameterMm, double lengthMm, double turns) {
    const double a = diameterMm * 0.5e-3, l = lengthMm * 1e-3;
    return 1e6 * Mu0 * M_PI * a * a * turns * turns * NagaokaCoefficient(diameterMm / lengthMm) / l;
}

// Rosa (1906), as Grover gives it ("Inductance Calculations", ch. 16): round
// wire lowers the current sheet's inductance by μ0 a N (A + B), A for each
// turn's own field, B the mutual term, which depends on the number of turns.
// The current flows at the wire's centre: the diameter is the form's plus the wire's.
double AirCoilUh(const TAirCoilForm& form, double turns) {
    const double d = form.FormMm + form.WireMm;
    const double n = turns;
    const double selfTerm = 1.25 - std::log(2.0 * form.PitchMm / form.WireMm);
    const double mutualTerm = std::log(2.0 * M_PI) - 1.5 - std::log(n) / (6.0 * n) -
                              0.33084236 / n - 1.0 / (120.0 * n * n * n) +
                              1.0 / (504.0 * n * n * n * n * n);
    return CurrentSheetUh(d, n * form.PitchMm, n) -
           1e6 * Mu0 * d * 0.5e-3 * n * (selfTerm + mutualTerm);
}

std::optional<TAirCoil> WindAirCoil(double uH, const TAirCoilForm& form) {
    if (FormFault(form) || !(uH > 0) || !std::isfinite(uH)) return std::nullopt;
    auto excess = [&](double n) { return AirCoilUh(form, n) - uH; };
    if (excess(MinTurns) > 0) return std::nullopt;
    // Wheeler's formula, L = r²N²/(9r + 10l) µH in inches with l = N·pitch,
    // solved for N, is within a few per cent: a bracket around it is found
    // in a step or two, where doubling from one turn took several.
    const double r = (form.FormMm + form.WireMm) / 2.0 / 25.4, p = form.PitchMm / 25.4;
    const double guess =
        (10.0 * p * uH + std::sqrt(100.0 * p * p * uH * uH + 36.0 * r * r * r * uH)) /
        (2.0 * r * r);
    double lo = std::max(MinTurns, 0.9 * guess), hi = std::max(lo * 1.1, 1.1 * guess);
    double flo = excess(lo);
    while (flo > 0) {
        hi = lo;
        lo = std::max(MinTurns, lo / 1.5);
        flo = excess(lo);
    }
    double fhi = excess(hi);
    while (fhi < 0) {
        lo = hi;
        flo = fhi;
        hi *= 1.5;
        if (hi > 2.0 * MaxTurns) return std::nullopt;
        fhi = excess(hi);
    }
    // Regula falsi with the Illinois halving: the inductance is smooth and
    // rising in the turns, so a few steps reach a thousandth of a turn.
    int side = 0;
    for (int i = 0; i < 100 && hi - lo > 1e-3; ++i) {
        const double n = (lo * fhi - hi * flo) / (fhi - flo);
        const double fn = excess(n);
        if (fn == 0) {
            lo = hi = n;
            break;
        }
        if (fn < 0) {
            lo = n;
            flo = fn;
            if (side == -1) fhi *= 0.5;
            side = -1;
        } else {
            hi = n;
            fhi = fn;
            if (side == 1) flo *= 0.5;
            side = 1;
        }
    }
    TAirCoil coil;
    coil.Turns = std::max(MinTurns, std::round((lo + hi) * 5.0) / 10.0);
    if (coil.Turns > MaxTurns) return std::nullopt;
    coil.LengthMm = coil.Turns * form.PitchMm;
    coil.InductanceUh = AirCoilUh(form, coil.Turns);
    // Rosa's correction can outweigh the current sheet of one fat turn: such
    // a coil is not one to wind, and no inductance <= 0 is ever shown.
    if (!(coil.InductanceUh > 0)) return std::nullopt;
    if (coil.LengthMm > 10.0 * form.FormMm) coil.Shape = TCoilShape::Long;
    if (coil.LengthMm < 0.1 * form.FormMm) coil.Shape = TCoilShape::Short;
    return coil;
}

// Micrometals' iron-powder toroids as Amidon lists them (A_L in µH per 100
// turns, here divided by 10: nH per turn²), mixes -2 (red) and -6 (yellow).
const std::vector<TToroidCore>& ToroidCores() {
    static const std::vector<TToroidCore> cores{
        {"T-37-2", 4.0},   {"T-50-2", 4.9},   {"T-68-2", 5.7},   {"T-80-2", 5.5},
        {"T-94-2", 8.4},   {"T-106-2", 13.5}, {"T-130-2", 11.0}, {"T-157-2", 14.0},
        {"T-200-2", 12.0}, {"T-37-6", 3.0},   {"T-50-6", 4.0},   {"T-68-6", 4.7},
        {"T-80-6", 4.5},   {"T-94-6", 7.0},   {"T-106-6", 11.6}, {"T-130-6", 9.6},
        {"T-157-6", 11.5}, {"T-200-6", 10.0},
    };
    return cores;
}

const TToroidCore* FindToroidCore(std::string_view name) {
    for (const TToroidCore& core : ToroidCores()) {
        const std::string_view known = core.Name;
        if (known.size() != name.size()) continue;
        bool same = true;
        for (size_t i = 0; i < known.size() && same; ++i)
            same = std::toupper(static_cast<unsigned char>(name[i])) == known[i];
        if (same) return &core;
    }
    return nullptr;
}

// L = A_L · N², to whole turns.
TToroidWinding WindToroid(double uH, const TToroidCore& core) {
    TToroidWinding w;
    w.Core = core.Name;
    const double exact = std::sqrt(std::max(0.0, uH) * 1000.0 / core.AlNh);
    w.Turns = std::max(1, int(std::lround(std::min(exact, 1e6))));
    w.InductanceUh = core.AlNh * w.Turns * w.Turns * 1e-3;
    return w;
}
