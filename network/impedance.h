#pragma once
// One impedance type for every front end, and the conversions between
// impedance, reflection coefficient and SWR at a real reference.

#include <complex>

using TComplex = std::complex<double>;

// R + jX in ohms.
struct TLoad {
    double R = 0.0;
    double X = 0.0;
    TComplex Z() const { return {R, X}; }
};
// The chart's points are impedances like any other.
using TImpedance = TLoad;

inline TLoad LoadOf(TComplex z) {
    return {z.real(), z.imag()};
}

// Γ = (Z − Z0)/(Z + Z0); Z = Z0 (1 + Γ)/(1 − Γ) (infinite at Γ = 1: the
// caller decides what an open means).
inline TComplex GammaOf(const TLoad& load, double z0) {
    return (load.Z() - z0) / (load.Z() + z0);
}
inline TLoad LoadOfGamma(TComplex gamma, double z0) {
    return LoadOf(z0 * (1.0 + gamma) / (1.0 - gamma));
}

// SWR of a reflection magnitude below 1.
inline double SwrOfMagnitude(double m) {
    return (1.0 + m) / (1.0 - m);
}
