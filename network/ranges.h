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
