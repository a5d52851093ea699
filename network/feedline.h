#pragma once
// The feed line between the antenna and the shack: a load moved along a real
// (lossy) line built from its per-metre constants R', L', G', C', the line's
// losses with that load, and the load the networks are designed for where the
// tuner stands. Lengths in metres, frequencies in MHz, impedances in ohms.

#include "fpcheck.h"
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
// A datasheet gives a handful of loss points; a line takes up to this many.
constexpr std::size_t MaxLossPoints = 32;
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
    PointCount,     // no loss point, or more than MaxLossPoints
    SameFrequency,  // two loss points at one frequency
    NotFromLine,    // a shack reading no passive antenna can give through this line
};

// A math error too, so that whoever treats a failed point as an open (a
// sweep, a moved measurement) drops a refused one with the others.
class ELineError : public EMathError {
public:
    explicit ELineError(TLineFault code) : EMathError("line fault"), Code(code) {}
    TLineFault Code;
};

// The line's constants per metre at one frequency: ohm/m, H/m, S/m, F/m.
struct TRlgc {
    double R = 0.0, L = 0.0, G = 0.0, C = 0.0;
};

// γ = α + jβ per metre and the complex characteristic impedance Zc.
struct TPropagation {
    TComplex Gamma;
    TComplex Zc;
};

struct TLine {
    std::string Name; // the catalogue's name; empty for a line of one's own
    double Z0 = 50.0; // nominal (high-frequency) Z0, as typed and shown
    double VF = 0.66;
    // Matched loss A(f) = K1·√f + K2·f dB/100 m with f in MHz, K1, K2 ≥ 0:
    // conductor loss grows with √f (skin effect), dielectric loss with f.
    double K1 = 0.0;
    double K2 = 0.0;
    // The points implied a negative term, which the fit holds at 0.
    bool ClampedTerm = false;
    std::vector<TLossPoint> Points; // as given, for showing and saving

    double LossDbPer100m(double fMHz) const;
    // L' and C' from Z0 and VF; R' ∝ √f and G' ∝ f from the loss fit, scaled
    // so that Re γ is exactly the fitted matched loss.
    TRlgc Rlgc(double fMHz) const;
    TPropagation Propagation(double fMHz) const;
    TComplex Gamma(double fMHz) const { return Propagation(fMHz).Gamma; }
    TComplex Zc(double fMHz) const { return Propagation(fMHz).Zc; }
    // α = Re γ in Np/m (the fitted matched loss), β = Im γ in rad/m.
    double Alpha(double fMHz) const;
    double Beta(double fMHz) const { return Gamma(fMHz).imag(); }
};

// A line from Z0, VF and one or more loss points (one point: all conductor
// loss; more: a least-squares fit on the relative error with both terms
// ≥ 0). Throws ELineError for values out of range.
TLine LineOf(double z0, double vf, const std::vector<TLossPoint>& points,
             const std::string& name = {});

// Z_in = Zc (Z_L + Zc tanh γℓ)/(Zc + Z_L tanh γℓ) and back,
// Z_L = Zc (Z_in − Zc tanh γℓ)/(Zc − Z_in tanh γℓ): the lossy line's input
// impedance (any textbook's, e.g. Pozar, Microwave Engineering, ch. 2).
// Throws the checked arithmetic's error where the result would be infinite
// (a lossless line opening a reactance); moving back, ELineError NotFromLine
// where the far end would need R < 0 (a reading this line cannot give).
TComplex MoveThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zLoad);
TComplex MoveBackThroughLine(const TLine& line, double fMHz, double lengthM, TComplex zIn);

// [[cosh γℓ, Zc sinh γℓ], [sinh γℓ / Zc, cosh γℓ]].
struct TAbcd {
    TComplex A, B, C, D;
};
TAbcd LineAbcd(const TLine& line, double fMHz, double lengthM);

struct TLineFigures {
    TLoad Far;           // what terminates the line at the antenna's end
    TLoad Near;          // the line's input at the shack's end
    double FarSwr = 1.0; // against the line's nominal Z0, as a meter reads it
    double NearSwr = 1.0;
    TLoad Zc;                // the line's characteristic impedance at f
    double FarLineSwr = 1.0; // on the line: Γ = (Z − Zc)/(Z + Zc)
    double NearLineSwr = 1.0;
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
// takes to no finite load, one it refuses (NotFromLine) or one at 0 Hz is an
// open, which has none.
TTouchstone MoveTrace(const TTouchstone& trace, const TFeed& feed);

// ---- The catalogue ----
const std::vector<TLine>& LineCatalogue();
// A name as hams type it: case, blanks, hyphens and a "/U" suffix do not
// count ("rg213" is "RG-213/U"), and a few aliases ("RG-58", "LMR400") name
// a row. Without such a match, the rows whose names begin with the name are
// the candidates ("ecoflex": Ecoflex 10, Ecoflex 15) and Line is none.
struct TLineLookup {
    const TLine* Line = nullptr;
    std::vector<const TLine*> Candidates;
};
TLineLookup LookUpLine(const std::string& name);
// The line a name finds; none when it finds no one row.
const TLine* FindLine(const std::string& name);
