#pragma once
// The feed line between the antenna and the shack: a load moved along a real
// (lossy) line, the line's losses with that load, and the load the networks
// are designed for where the tuner stands. Lengths in metres, frequencies in
// MHz, impedances in ohms.

#include "impedance.h"
#include "touchstone.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

constexpr double SpeedOfLight = 299792458.0; // m/s

// What a typed or stored line must be; a value outside is refused. Loss is
// matched loss in dB per 100 m.
constexpr double MinVelocityFactor = 0.1, MaxVelocityFactor = 1.0;
constexpr double MaxLineLossDb = 1000.0;
constexpr double MaxLineLengthM = 100e3;
// False for NaN too.
constexpr bool ValidVelocityFactor(double vf) {
    return vf >= MinVelocityFactor && vf <= MaxVelocityFactor;
}
constexpr bool ValidLineLoss(double dbPer100m) {
    return dbPer100m >= 0 && dbPer100m <= MaxLineLossDb;
}
constexpr bool ValidLineLength(double m) {
    return m >= 0 && m <= MaxLineLengthM;
}

// A loss figure as a datasheet gives it: per 100 m, or per 100 ft.
struct TLossPoint {
    double FrequencyMHz = 0.0;
    double Db = 0.0;
    bool Per100Ft = false;
    double DbPer100m() const { return Per100Ft ? Db / 0.3048 : Db; }
};

enum class TLineFault {
    Z0Range,        // Z0 outside 1 ... 1e4 ohm
    VfRange,        // VF outside 0.1 ... 1
    LossRange,      // a loss outside 0 ... 1000 dB/100 m
    FrequencyRange, // a loss point's frequency outside the program's range
    PointCount,     // not one or two loss points
    SameFrequency,  // two loss points at one frequency fix no curve
};

class ELineError : public std::runtime_error {
public:
    explicit ELineError(TLineFault code) : std::runtime_error("line fault"), Code(code) {}
    TLineFault Code;
};

struct TLine {
    std::string Name; // the catalogue's name; empty for a line of one's own
    double Z0 = 50.0;
    double VF = 0.66;
    // Matched loss A(f) = K1·√f + K2·f dB/100 m with f in MHz: conductor
    // loss grows with √f (skin effect), dielectric loss with f.
    double K1 = 0.0;
    double K2 = 0.0;
    std::vector<TLossPoint> Points; // as given, for showing and saving

    double LossDbPer100m(double fMHz) const;
    // α in Np/m, β in rad/m.
    double Alpha(double fMHz) const;
    double Beta(double fMHz) const;
    TComplex Gamma(double fMHz) const { return {Alpha(fMHz), Beta(fMHz)}; }
};

// A line from Z0, VF and one or two loss points (one point: all conductor
// loss). Throws ELineError for values out of range.
TLine LineOf(double z0, double vf, const std::vector<TLossPoint>& points,
             const std::string& name = {});

// Z_in = Z0 (Z_L + Z0 tanh γℓ)/(Z0 + Z_L tanh γℓ) and back,
// Z_L = Z0 (Z_in − Z0 tanh γℓ)/(Z0 − Z_in tanh γℓ): the lossy line's input
// impedance (any textbook's, e.g. Pozar, Microwave Engineering, ch. 2).
// Throws the checked arithmetic's error where the result would be infinite
// (a lossless line opening a reactance).
TComplex MoveThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zLoad);
TComplex MoveBackThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zIn);

// [[cosh γℓ, Z0 sinh γℓ], [sinh γℓ / Z0, cosh γℓ]].
struct TAbcd {
    TComplex A, B, C, D;
};
TAbcd LineAbcd(const TLine& line, double fMHz, double lengthM);

struct TLineFigures {
    TLoad Far;           // what terminates the line at the antenna's end
    TLoad Near;          // the line's input at the shack's end
    double FarSwr = 1.0; // against the line's own Z0
    double NearSwr = 1.0;
    double Degrees = 0.0; // electrical length
    double Wavelengths = 0.0;
    double MatchedLossDb = 0.0;
    // From the powers at both ends; none when no power reaches the far end
    // (a load without resistance).
    std::optional<double> TotalLossDb;
    std::optional<double> PowerAtFarW;
};
// The line terminated by far at its far end, powerW into its near end.
TLineFigures LineFigures(const TLine& line, double fMHz, double lengthM, const TLoad& far,
                         double powerW);

// The impedances along the line from the far end (far) to the near end, for
// drawing: enough points for a smooth spiral, at most maxPoints; a point the
// arithmetic fails on is left out.
std::vector<TLoad> LinePath(const TLine& line, double fMHz, double lengthM, const TLoad& far,
                            int maxPoints = 4096);

// ---- Where the tuner stands ----
enum class TPointAt { Antenna, Shack }; // what the given load is
enum class TTunerAt { Shack, Antenna };

struct TFeed {
    TLine Line;
    double LengthM = 30.0;
    TPointAt Point = TPointAt::Antenna;
    TTunerAt Tuner = TTunerAt::Shack;
};

struct TFeedResult {
    TLoad Antenna;   // the antenna's own impedance
    TLoad TunerLoad; // what the networks are designed for
    TLineFigures Line;
};
// The given load seen from both ends. With the tuner in the shack the line
// ends in the antenna; with it at the antenna, in the tuner's matched input
// (z0Ref).
TFeedResult FeedThrough(const TFeed& feed, const TLoad& given, double fMHz, double z0Ref,
                        double powerW);
// The tuner's load alone, for a sweep.
TLoad TunerLoadOf(const TFeed& feed, const TLoad& given, double fMHz);
// Every point of a measurement as the tuner's end sees it; a point the line
// takes to no finite load (or at 0 Hz) is an open, which has none.
TTouchstone MoveTrace(const TTouchstone& trace, const TFeed& feed);

// ---- The catalogue ----
const std::vector<TLine>& LineCatalogue();
// Case-insensitive; none for an unknown name.
const TLine* FindLine(const std::string& name);
