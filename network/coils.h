#pragma once
// Coils to wind: a single-layer air coil on a round form, and turns on an
// iron-powder toroid. Lengths in millimetres, inductances in microhenries.

#include <optional>
#include <string_view>
#include <vector>

// Form and wire diameters and the distance from one turn to the next.
struct TAirCoilForm {
    double FormMm = 0.0;
    double WireMm = 0.0;
    double PitchMm = 0.0;
};
// What a single-layer coil is wound of: beyond these the winding formulas
// leave their ground (a wire of 1e-300 mm gives a negative inductance) or
// overflow. The pitch runs from the wire's diameter (close-wound) up.
constexpr double MinWireMm = 0.05, MaxWireMm = 10.0;
constexpr double MinFormMm = 2.0, MaxFormMm = 300.0;
constexpr double MaxPitchMm = 50.0;
// False for NaN too.
constexpr bool ValidWireMm(double mm) {
    return mm >= MinWireMm && mm <= MaxWireMm;
}
constexpr bool ValidFormMm(double mm) {
    return mm >= MinFormMm && mm <= MaxFormMm;
}
// The pitch alone; below the wire's diameter is WireAbovePitch.
constexpr bool ValidPitchMm(double mm) {
    return mm > 0 && mm <= MaxPitchMm;
}

enum class TFormFault {
    NotPositive,
    WireAbovePitch,
    FormBelowWire,
    WireOutOfRange,
    FormOutOfRange,
    PitchOutOfRange
};
// Why a form cannot be wound; none when it can.
std::optional<TFormFault> FormFault(const TAirCoilForm& form);

// The complete elliptic integrals of the first and second kind of modulus k
// (0 <= k < 1).
struct TCompleteElliptic {
    double K, E;
};
TCompleteElliptic CompleteElliptic(double k);
// Nagaoka's coefficient of a current sheet of diameter D and length l.
double NagaokaCoefficient(double diameterOverLength);
// A current sheet of N turns, diameter and length in mm.
double CurrentSheetUh(double diameterMm, double lengthMm, double turns);
// N turns of round wire on the form, Rosa's correction included.
double AirCoilUh(const TAirCoilForm& form, double turns);

enum class TCoilShape { Usual, Long, Short }; // Long: > 10 form diameters, Short: < 0.1
struct TAirCoil {
    double Turns = 0.0; // to a tenth
    double LengthMm = 0.0;
    double InductanceUh = 0.0; // of those turns
    TCoilShape Shape = TCoilShape::Usual;
};
// The turns that come nearest the inductance; none below one turn's worth or
// above what 100000 turns give.
std::optional<TAirCoil> WindAirCoil(double uH, const TAirCoilForm& form);

struct TToroidCore {
    const char* Name; // "T-130-2"
    double AlNh;      // nH per turn squared
};
const std::vector<TToroidCore>& ToroidCores();
// The core of that name (case and the dashes as typed: "T-130-2"), or null.
const TToroidCore* FindToroidCore(std::string_view name);
struct TToroidWinding {
    const char* Core = "";
    int Turns = 0;
    double InductanceUh = 0.0;
};
TToroidWinding WindToroid(double uH, const TToroidCore& core);
