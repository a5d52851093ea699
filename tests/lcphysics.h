#pragma once
// The tests' own model of an L network, written from the circuit alone and not
// from network/, so that it can judge the program: the L and C it shows, placed
// as its arrangement says in front of the load it read, and what the
// transmitter then sees.

#include "lnetwork.h"
#include "vSmith.h"

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
