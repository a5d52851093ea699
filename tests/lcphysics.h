#pragma once
// The tests' own model of an L network, written from the circuit alone and not
// from network/, so that it can judge the program: the L and C it shows, placed
// as its arrangement says in front of the load it read, and what the
// transmitter then sees. And a feed line as a ladder of lumped RLGC sections,
// nothing of γ, Zc, tanh or cosh in it.

#include "lnetwork.h"
#include "vSmith.h"

#include <cmath>
#include <complex>
#include <limits>

// What the transmitter sees through the network, and the point between the parts.
struct TLcCircuit {
    std::complex<double> Input, Transition;
};

inline double AngularFrequency(double fMHz) {
    return 2.0 * 3.14159265358979323846 * fMHz * 1e6;
}

inline TLcCircuit LcCircuit(std::complex<double> load, double lMicrohenry, double cPicofarad,
                            bool isCL, double fMHz) {
    const double w = AngularFrequency(fMHz);
    const std::complex<double> seriesZ(0.0, w * lMicrohenry * 1e-6);
    const std::complex<double> shuntY(0.0, w * cPicofarad * 1e-12);
    if (isCL) {
        // C across the antenna, then L in series towards the transmitter.
        const std::complex<double> zm = 1.0 / (1.0 / load + shuntY);
        return {zm + seriesZ, zm};
    }
    // L in series at the antenna, then C across the transmitter side.
    const std::complex<double> zm = load + seriesZ;
    return {1.0 / (1.0 / zm + shuntY), zm};
}

inline TLcCircuit LcCircuit(const TNetwork& n, double fMHz) {
    return LcCircuit({n.Load.R, n.Load.X}, n.L, n.C, n.IsCL, fMHz);
}

inline double ReflectionMagnitude(std::complex<double> z, double z0 = 50.0) {
    return std::abs((z - z0) / (z + z0));
}

// |reflection| at the transmitter: zero when the network matches its load to 50 ohms.
inline double InputReflection(const TNetwork& n, double fMHz) {
    return ReflectionMagnitude(LcCircuit(n, fMHz).Input);
}

// A feed line's input and losses from a ladder of 2^k identical symmetric T
// sections (series Z'Δ/2, shunt Y'Δ, series Z'Δ/2) built from the per-metre
// R', L', G', C' alone. The cascade is the section's ABCD matrix squared k
// times in long double; the ladder's error falls as Δ², so Richardson's step
// over 2^(k-1) and 2^k sections removes it.
struct TLadderLine {
    std::complex<double> Zin;
    double LossDb = 0.0;      // 10·log10(P_in/P_far)
    double FarFraction = 0.0; // P_far/P_in
};

inline TLadderLine LadderOfSections(double r, double l, double g, double c, double fMHz,
                                    double lengthM, std::complex<double> zl, int k) {
    using TC = std::complex<long double>;
    const long double w = AngularFrequency(fMHz), dx = lengthM / std::ldexp(1.0L, k);
    const TC z = TC(r, w * l) * dx, y = TC(g, w * c) * dx;
    TC a = 1.0L + z * y / 2.0L, b = z * (1.0L + z * y / 4.0L), cc = y, d = a;
    for (int i = 0; i < k; ++i) {
        const TC a2 = a * a + b * cc, b2 = a * b + b * d, c2 = cc * a + d * cc, d2 = cc * b + d * d;
        a = a2, b = b2, cc = c2, d = d2;
    }
    const TC load(zl.real(), zl.imag());
    const TC v = a * load + b, i = cc * load + d; // 1 A into the load
    const long double ratio = (v * std::conj(i)).real() / load.real();
    TLadderLine out;
    const TC zin = v / i;
    out.Zin = {double(zin.real()), double(zin.imag())};
    out.LossDb = double(10.0L * std::log10(ratio));
    out.FarFraction = double(1.0L / ratio);
    return out;
}

inline TLadderLine LadderLine(double r, double l, double g, double c, double fMHz, double lengthM,
                              std::complex<double> zl, int k = 24) {
    const TLadderLine coarse = LadderOfSections(r, l, g, c, fMHz, lengthM, zl, k - 1);
    const TLadderLine fine = LadderOfSections(r, l, g, c, fMHz, lengthM, zl, k);
    TLadderLine out;
    out.Zin = (4.0 * fine.Zin - coarse.Zin) / 3.0;
    out.LossDb = (4.0 * fine.LossDb - coarse.LossDb) / 3.0;
    out.FarFraction = std::pow(10.0, -out.LossDb / 10.0);
    return out;
}

// ---- Three-part tuners, from the circuit alone ----
// A part as a series impedance with its loss resistance |X|/Q (Q infinite:
// lossless); the T and the Pi built from them, with the currents and
// voltages the transmitter's power drives through each part.
struct TTunerCircuit {
    std::complex<double> Input;     // what the transmitter sees
    double Efficiency = 0.0;        // power into the load / power into the tuner
    double PeakVIn = 0.0, PeakVOut = 0.0, CoilRmsA = 0.0;
};

inline std::complex<double> LossyPart(double x, double q) {
    return {std::isfinite(q) ? std::fabs(x) / q : 0.0, x};
}

inline TTunerCircuit TunerCircuit(bool tee, std::complex<double> load, double cInPf, double lUh,
                                  double cOutPf, double qCoil, double qCap, double fMHz,
                                  double powerW) {
    const double w = AngularFrequency(fMHz);
    const std::complex<double> zIn = LossyPart(-1.0 / (w * cInPf * 1e-12), qCap);
    const std::complex<double> zOut = LossyPart(-1.0 / (w * cOutPf * 1e-12), qCap);
    const std::complex<double> zL = LossyPart(w * lUh * 1e-6, qCoil);
    TTunerCircuit c;
    if (tee) {
        const std::complex<double> branch = load + zOut;
        const std::complex<double> mid = 1.0 / (1.0 / branch + 1.0 / zL);
        c.Input = mid + zIn;
        const double i = std::sqrt(powerW / c.Input.real());
        const std::complex<double> v = i * mid;
        const std::complex<double> iLoad = v / branch;
        c.Efficiency = std::norm(iLoad) * load.real() / powerW;
        c.PeakVIn = std::sqrt(2.0) * i * std::abs(zIn);
        c.PeakVOut = std::sqrt(2.0) * std::abs(iLoad * zOut);
        c.CoilRmsA = std::abs(v / zL);
        return c;
    }
    const std::complex<double> out = 1.0 / (1.0 / load + 1.0 / zOut);
    const std::complex<double> series = out + zL;
    c.Input = 1.0 / (1.0 / series + 1.0 / zIn);
    // A voltage v across the input puts v²·Re(1/Zin) into the tuner.
    const double vin = std::sqrt(powerW / (1.0 / c.Input).real());
    const std::complex<double> iCoil = vin / series;
    const std::complex<double> vOut = iCoil * out;
    c.Efficiency = std::norm(vOut) * (1.0 / load).real() / powerW;
    c.PeakVIn = std::sqrt(2.0) * vin;
    c.PeakVOut = std::sqrt(2.0) * std::abs(vOut);
    c.CoilRmsA = std::abs(iCoil);
    return c;
}

// Any network of the core's kinds (each part a coil or a capacitor, or none),
// with the parts' losses: a series part of reactance X has resistance |X|/Q, a
// parallel part of susceptance B conductance |B|/Q. Infinite Q: lossless.
inline std::complex<double>
LNetworkInput(const TLNetwork& n, std::complex<double> load, double fMHz,
              double coilQ = std::numeric_limits<double>::infinity(),
              double capacitorQ = std::numeric_limits<double>::infinity()) {
    const double w = AngularFrequency(fMHz);
    // µH and pF; a coil's reactance is positive, a capacitor's negative.
    auto reactance = [&](const TElement& e) {
        return e.Kind == TElementKind::Coil ? w * e.Value * 1e-6 : -1.0 / (w * e.Value * 1e-12);
    };
    auto q = [&](const TElement& e) { return e.Kind == TElementKind::Coil ? coilQ : capacitorQ; };
    std::complex<double> zs = 0.0, yp = 0.0;
    if (n.Series.Present()) {
        const double x = reactance(n.Series);
        zs = {std::abs(x) / q(n.Series), x};
    }
    if (n.Shunt.Present()) {
        const double b = -1.0 / reactance(n.Shunt);
        yp = {std::abs(b) / q(n.Shunt), b};
    }
    if (n.Arrangement == TArrangement::SeriesAtLoad) return 1.0 / (1.0 / (load + zs) + yp);
    return 1.0 / (1.0 / load + yp) + zs;
}

inline double InputSwr(std::complex<double> z, double z0 = 50.0) {
    const double g = ReflectionMagnitude(z, z0);
    return (1 + g) / (1 - g);
}
