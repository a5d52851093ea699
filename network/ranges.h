#pragma once
// The physical range of a frequency and of a load that a typed value must lie
// in: beyond it the designed parts overflow or underflow a double and the
// results stop meaning anything (a load of 1e154 ohm "needs no parts").

constexpr double MinFrequencyMHz = 1e-3; // 1 kHz
constexpr double MaxFrequencyMHz = 1e5;  // 100 GHz
constexpr double MaxLoadOhm = 1e9;       // R and |X|
// The smallest resistance but 0, which is in range and then refused as a
// load no L network can match.
constexpr double MinLoadR = 1e-6;

// The points an analyser's sweep may be asked for; the device may allow fewer.
constexpr int MinSweepPoints = 2, MaxSweepPoints = 100000;

// False for NaN too.
constexpr bool ValidFrequencyMHz(double f) {
    return f >= MinFrequencyMHz && f <= MaxFrequencyMHz;
}
constexpr bool ValidLoadR(double r) {
    return r == 0 || (r >= MinLoadR && r <= MaxLoadOhm);
}
constexpr bool ValidLoadX(double x) {
    return x >= -MaxLoadOhm && x <= MaxLoadOhm;
}

// The parts' quality factors, the power, the reference impedance and the
// span of an SWR curve: what the details window and the command line accept;
// a stored or typed value outside is refused. Only a power above 0 is
// accepted.
constexpr double MinQ = 1, MaxQ = 1e6;
constexpr double MaxPowerW = 1e7;
constexpr double MinZ0 = 1, MaxZ0 = 1e4;
// A span of the whole frequency or more would reach 0 Hz.
constexpr double MaxSpan = 0.99;
// The SWR of a circle of loads: 1 (the centre) or more; whether the circle
// still lies inside the rim is the envelope's own check.
constexpr double MinSwr = 1;
// A tuner's knob, in pF or µH: above this it is no tuner's (a microfarad, a
// millihenry and more).
constexpr double MaxTunerPart = 1e6;
// A coil form, its wire and its pitch, in millimetres.

constexpr bool ValidTunerPart(double v) {
    return v > 0 && v <= MaxTunerPart;
}
constexpr bool ValidQ(double q) {
    return q >= MinQ && q <= MaxQ;
}
constexpr bool ValidPowerW(double w) {
    return w > 0 && w <= MaxPowerW;
}
constexpr bool ValidZ0(double z0) {
    return z0 >= MinZ0 && z0 <= MaxZ0;
}
constexpr bool ValidSpan(double span) {
    return span > 0 && span <= MaxSpan;
}
constexpr bool ValidSwr(double swr) {
    return swr >= MinSwr;
}
