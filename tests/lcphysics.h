#pragma once
// The tests' own model of an L network, written from the circuit alone and not
// from network/, so that it can judge the program: the L and C it shows, placed
// as its arrangement says in front of the load it read, and what the
// transmitter then sees.

#include "vSmith.h"

#include <cmath>
#include <complex>

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
