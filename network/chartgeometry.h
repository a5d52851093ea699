#pragma once
// The chart's own matching geometry, free of any drawing: the stored constants,
// reflection coefficient to impedance, the LC/CL decision, the transition point
// and the component arithmetic of a click. The chart draws around these; the
// windows and the command line use them without a chart.

#include "impedance.h"

// ---- Stored constants of the chart math (not the exact values) ----
// The chart's printed numbers were settled with these inexact values; exact
// ones would move the last digit of some results.
constexpr double StoredPi = 3.141592654;
constexpr double DegreeFactor = StoredPi / 180.0;
constexpr double HalfPi = 1.570796327;
constexpr double NearZero = 1e-37;
constexpr double MagnitudeSubstitute = 1.0000001;
constexpr double TwoPi = 6.283185307179586477;
constexpr double ChartReference = 50.0; // reference resistance of GammaToImpedance and the solver

double SafeArcCos(double c);

// Impedance of the point at angle theta (degrees) and reflection magnitude m,
// against ChartReference.
TImpedance ChartGammaToImpedance(double theta, double m);

// Reflection magnitude of an SWR, as the solver computes it.
double ChartMagnitude(double swr);

struct TMatch {
    double MatchAngle = 0.0;
    double MatchSwr = 0.0;
    double MatchMagnitude = 0.0;
    bool IsCL = false;
};

// The arrangement the chart chooses for the point (phi, magnitude m): CL, a
// parallel capacitor at the antenna, unless the load lies inside g = 1 or is
// capacitive below 50 ohms.
bool ChartDecidesCL(double phi, double m);

// The first move's circle in reflection-coefficient units: centre (CentreU, 0)
// and radius; Drawn is false for a matched load, which has no move.
struct TFirstMove {
    bool Drawn = false;
    double CentreU = 0.0;
    double Radius = 0.0;
};

// Finds the transition point of the decided arrangement (match.IsCL on entry)
// and writes it into match; may turn a rounding-borne LC into CL. Throws the
// checked-arithmetic errors at the step that fails, leaving match as far as
// it got.
TFirstMove ChartTransition(double phi, double m, TMatch& match);

// The click's component values from the load and the transition point at f
// MHz: the series inductance in microhenries and the parallel capacitance in
// picofarads, by the arrangement.
double ChartSeriesL(bool isCL, const TImpedance& load, const TImpedance& transition, double f);
double ChartShuntC(bool isCL, const TImpedance& load, const TImpedance& transition, double f);
