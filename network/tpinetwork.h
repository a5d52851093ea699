#pragma once
// Three-element tuners: the high-pass T (series C at the transmitter, shunt
// coil, series C at the antenna) and the low-pass Pi (shunt C at the
// transmitter, series coil, shunt C at the antenna), each part with its Q.
// For a load the settings that present exactly Z0 form a one-parameter
// family (pick C_out; the coil and C_in that match follow, up to two ways);
// here are its least-loss member, the published rules of thumb, and the
// loads a tuner with given ranges can match at all.
// Frequencies in MHz, inductances in microhenries, capacitances in
// picofarads, impedances in ohms.

#include "impedance.h"
#include "lnetwork.h"
#include "station.h"

#include <atomic>
#include <cstddef>
#include <optional>
#include <vector>

enum class TTunerKind { Tee, Pi };

// A knob's travel, min <= max.
struct TPartRange {
    double Min = 0.0;
    double Max = 0.0;
    bool Holds(double v) const { return v >= Min && v <= Max; }
    bool operator==(const TPartRange&) const = default;
};

// A tuner as built: its kind and the travel of each part. The defaults are a
// common 250 pF / 30 µH tuner.
struct TTuner {
    TTunerKind Kind = TTunerKind::Tee;
    TPartRange CIn{10.0, 250.0};
    TPartRange L{0.1, 30.0};
    TPartRange COut{10.0, 250.0};
    bool operator==(const TTuner&) const = default;
};

// Ranges a tuner's parts may be given: positive, finite, min <= max.
enum class TTunerFault { None, NotPositive, MinAboveMax };
TTunerFault RangeFault(const TPartRange& range);

// The problem the tuner solves: what it is, where, against what, with which Qs.
// A Q of infinity is a lossless part. Each series part of reactance X has
// resistance |X|/Q, as in the L networks.
struct TTunerProblem {
    TTuner Tuner;
    double FrequencyMHz = 3.7;
    double Z0 = 50.0;
    TQuality Q;
};

// One setting of the knobs and what it does at a power into the tuner.
struct TTunerSetting {
    double CInPf = 0.0, LUh = 0.0, COutPf = 0.0;
    double Efficiency = 1.0; // power into the load / power into the tuner
    double LossDb = 0.0;
    double PeakVIn = 0.0, PeakVOut = 0.0; // across each capacitor, its ESR included
    double RmsA = 0.0;                    // through the coil
    double PenaltyDb = 0.0;               // loss above the least-loss setting's
};

// What the tuner can do for one load.
struct TTunerReport {
    bool Reachable = false;
    double NearestSwr = 1.0; // the lowest SWR any setting inside the ranges gives
    TTunerSetting LeastLoss;
    TTunerSetting LargestC;        // the capacitor on the low-impedance side as large as it goes
    bool LargestCAtOutput = false; // that capacitor is C_out (else C_in)
    TTunerSetting LeastL;          // the smallest coil that still matches
};

// The three settings of a load at a power; when no setting inside the
// ranges matches, Reachable is false and NearestSwr says how near one comes.
TTunerReport TuneLoad(const TTunerProblem& problem, const TLoad& load, double powerW);

// The family across C_out's travel, for a plot: at `steps` + 1 values of
// C_out evenly on a logarithmic scale, the loss of each member (two at most)
// whose C_in and coil lie inside their ranges.
struct TFamilyPoint {
    double COutPf = 0.0;
    std::optional<double> LossDb[2];
};
std::vector<TFamilyPoint> TunerFamily(const TTunerProblem& problem, const TLoad& load, int steps);

// What the tuner presents at its input for a setting and a load (the parts
// with their Qs): the reference cascade, also for the SWR of a setting.
TComplex TunerInputImpedance(const TTunerProblem& problem, double cInPf, double lUh, double cOutPf,
                             const TLoad& load);

// ---- Coverage: the loads the tuner can match, on the reflection plane ----

struct TCoverageCell {
    bool Known = false; // computed (a coarse pass leaves the others unknown)
    bool Reachable = false;
    double LeastLossDb = 0.0; // when reachable
};

// The least loss of one load given by its reflection against Z0; unreachable
// for |Γ| >= 1. Cheap (a few µs) and pure: call it from any thread.
TCoverageCell CoverageAt(const TTunerProblem& problem, TComplex gamma);

// An N×N grid over Γ in [-1, 1]², edges included: cell (i, j) is
// Γ = (-1 + 2i/(N-1)) + j(-1 + 2j/(N-1)), i the column (real part), j the row
// (imaginary part, rising). N = 661 puts a cell on every pixel of a chart of
// radius 330.
constexpr int MinCoverageGrid = 2, MaxCoverageGrid = 4096;
TComplex CoverageGamma(int n, int i, int j);

struct TCoverageGrid {
    int N = 0;
    std::vector<TCoverageCell> Cells; // row-major: Cells[j * N + i]
    const TCoverageCell& At(int i, int j) const { return Cells[std::size_t(j) * N + i]; }
};
TCoverageGrid EmptyCoverageGrid(int n);

// Fills the cells of the grid whose indices are multiples of `stride` and
// are not yet known: stride 8, then 4, 2, 1 goes coarse to fine without
// computing a cell twice. Stops early, returning false, once `cancel` is set.
bool FillCoverage(const TTunerProblem& problem, TCoverageGrid& grid, int stride = 1,
                  const std::atomic<bool>* cancel = nullptr);

// A setting of a T or Pi as the station's tuner: its input impedance with
// the load behind it, and at a power its output and its parts' stress, which
// grow with the square root of the power.
class TSettingTuner final : public TChainTuner {
public:
    TSettingTuner(const TTunerProblem& problem, const TTunerSetting& setting, double settingPowerW)
        : FProblem(problem), FSetting(setting), FPowerW(settingPowerW) {}
    TComplex InputImpedance(const TLoad& load, double fMHz) const override;
    TTunerDrive Drive(const TLoad& load, double fMHz, double powerW) const override;

private:
    TTunerProblem FProblem;
    TTunerSetting FSetting;
    double FPowerW;
};
