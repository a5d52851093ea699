#pragma once
// Every lossless L network that matches a load to a real reference, the
// parts as built (standard values, finite Q) and what they do at a power.
// Frequencies are in MHz, inductances in microhenries, capacitances in
// picofarads, impedances in ohms.

#include "defaults.h"
#include "impedance.h"
#include "ranges.h"

#include <complex>
#include <limits>
#include <vector>

enum class TArrangement {
    SeriesAtLoad, // series element at the load, parallel element on the transmitter side
    ShuntAtLoad,  // parallel element across the load, series element on the transmitter side
};

enum class TElementKind { None, Coil, Capacitor };

struct TElement {
    TElementKind Kind = TElementKind::None;
    double Value = 0.0; // µH for a coil, pF for a capacitor
    bool Present() const { return Kind != TElementKind::None; }
};

struct TLNetwork {
    TArrangement Arrangement = TArrangement::SeriesAtLoad;
    TElement Series;
    TElement Shunt;
    bool Chart = false; // the network the chart itself draws for this load
    // Series coil and parallel capacitor (or fewer parts): passes DC and lows.
    bool LowPass() const {
        return Series.Kind != TElementKind::Capacitor && Shunt.Kind != TElementKind::Coil;
    }
};

// Reactance of a series element, susceptance of a parallel one, at f.
double ElementReactance(const TElement& element, double fMHz);
double ElementSusceptance(const TElement& element, double fMHz);
// The part that has reactance x (or susceptance b) at f; none for zero.
TElement SeriesElementFor(double x, double fMHz);
TElement ShuntElementFor(double b, double fMHz);

// The load can be matched by an L network: R > 0 and both finite.
bool IsMatchable(const TLoad& load);

// The arrangement the chart picks: LC (series at the load) inside g = 1/z0 or
// for a capacitive load below z0, CL (parallel at the load) otherwise.
bool ChartChoosesShuntAtLoad(const TLoad& load, double z0);

// The two or four networks (one where two coincide) that match the load to
// z0 at f, the chart's own first and marked. Empty when not matchable.
std::vector<TLNetwork> MatchingNetworks(const TLoad& load, double fMHz, double z0 = 50.0);
// The chart's network alone.
TLNetwork ChartNetwork(const TLoad& load, double fMHz, double z0 = 50.0);

// Quality factors of the parts; infinity means lossless.
struct TQuality {
    double Coil = DefaultQCoil;
    double Capacitor = DefaultQCapacitor;
};
constexpr TQuality Lossless{std::numeric_limits<double>::infinity(),
                            std::numeric_limits<double>::infinity()};

// What the network presents at its input with the load behind it at f: a
// series part of reactance X has resistance |X|/Q, a parallel part of
// susceptance B conductance |B|/Q.
TComplex InputImpedance(const TLNetwork& net, const TLoad& load, double fMHz,
                        const TQuality& q = Lossless);

// Reflection magnitude and SWR of z against the real reference z0; the SWR
// is capped at SwrCap, so that no infinity reaches a table.
constexpr double SwrCap = 1e9;
double Swr(TComplex z, double z0);

// ---- Standard values (IEC 60063) ----
enum class TESeries { None, E6, E12, E24, E48, E96 };
// Members in one decade, 1.0 up to below 10.
const std::vector<double>& SeriesMembers(TESeries series);
double SeriesTolerance(TESeries series); // as a fraction
const char* SeriesName(TESeries series);
// The member nearest to value on a logarithmic scale, in any decade.
double NearestStandard(double value, TESeries series);
// A member (1.0 up to below 10) times 10^decade: the double nearest the
// decimal value, so that it prints as the member it is.
double StandardValue(double member, int decade);
TLNetwork SnapToSeries(const TLNetwork& net, TESeries series);

// ---- Power, losses and stress ----
struct TStress {
    double Efficiency = 1.0; // power into the load / power into the network
    double LossDb = 0.0;     // -10 log10(efficiency)
    double ShuntPeakV = 0.0; // peak voltage across the parallel element (0 when absent)
    double SeriesRmsA = 0.0; // RMS current through the series element (0 when absent)
    double SwrWithLosses = 1.0;
};
TStress NetworkStress(const TLNetwork& net, const TLoad& load, double fMHz, const TQuality& q,
                      double powerW, double z0);

// ---- Everything about one load, as the details window and the command line show it ----
struct TDesignOptions {
    double Z0 = DefaultZ0;
    TESeries Series = TESeries::E12;
    TQuality Q;
    double PowerW = DefaultPowerW;
};

struct TNetworkReport {
    TLNetwork Network;
    bool HasStandard = false; // a series was chosen
    TLNetwork Standard;       // the parts snapped to it
    double StandardSwr = 1.0; // what the snapped, lossless parts present
    double WorstSwr = 1.0;    // the worst corner of the snapped parts' tolerances
    TStress Stress;           // of the designed values with the given Qs
};

// The report of one network for the load; DesignNetworks, one per network.
TNetworkReport DesignNetwork(const TLNetwork& net, const TLoad& load, double fMHz,
                             const TDesignOptions& options);
std::vector<TNetworkReport> DesignNetworks(const TLoad& load, double fMHz,
                                           const TDesignOptions& options);

// Czech and English names of the network's kind.
const char* KindNameCs(const TLNetwork& net);
const char* KindNameEn(const TLNetwork& net);
