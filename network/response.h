#pragma once
// How the chart's network, designed at one frequency for one load, matches
// over a band: the load's behaviour off the design frequency (a model), the
// SWR curve and the band edges where the SWR stays under a limit.

#include "feedline.h"
#include "lnetwork.h"
#include "touchstone.h"

#include <optional>
#include <vector>

enum class TLoadModel {
    Constant,  // the load does not change with frequency
    Reactance, // R stays; X is one series coil (X > 0) or one series capacitor (X < 0)
    Measured,  // a measured trace, interpolated linearly in R and X inside its range
};

struct TSwrPoint {
    double FrequencyMHz = 0.0;
    std::optional<double> Swr; // none where the model has no load (outside a measurement)
};

struct TBandEdges {
    std::optional<double> LowMHz; // none when not reached within the searched span
    std::optional<double> HighMHz;
    bool Complete() const { return LowMHz && HighMHz; }
    // Only for complete edges.
    double WidthKHz() const { return (*HighMHz - *LowMHz) * 1000.0; }
    double WidthPercent(double f0MHz) const { return (*HighMHz - *LowMHz) / f0MHz * 100.0; }
};

// The limits the plot and the command line report. "At or below 1.5" and
// "below 2" differ only on a set of measure zero of a continuous curve, so
// both are searched as "at or below".
constexpr double SwrLimitTight = 1.5;
constexpr double SwrLimitLoose = 2.0;

class TBandResponse {
public:
    // The network is the chart's own for load at f0; trace is used by the
    // measured model only and must outlive this object. With a feed line the
    // model is the antenna's (a reading at the shack taken back once, at f0;
    // a measurement point by point) and moves through the line at every
    // frequency, the network designed for the tuner's end; it is copied.
    TBandResponse(const TLoad& load, double f0MHz, TLoadModel model,
                  const TTouchstone* trace = nullptr, double z0 = 50.0,
                  const TFeed* feed = nullptr);

    // Another of the load's networks (designed for the same z0) in place of the chart's.
    void UseNetwork(const TLNetwork& net) {
        FNetwork = net;
        FHasNetwork = true;
    }
    // The design load could be matched; without a network there is no curve.
    bool HasNetwork() const { return FHasNetwork; }
    const TLNetwork& Network() const { return FNetwork; }
    double DesignMHz() const { return FF0; }
    TLoadModel Model() const { return FModel; }

    // The load the model puts behind the network at f (at the tuner's end).
    std::optional<TLoad> LoadAt(double fMHz) const;
    // The lossless network's SWR against z0 at f, capped at SwrCap.
    std::optional<double> SwrAt(double fMHz) const;
    // n points (at least 2) evenly over [fLow, fHigh], both ends included.
    std::vector<TSwrPoint> Sweep(double fLowMHz, double fHighMHz, int n) const;
    // The nearest frequencies on either side of f0, inside [fLow, fHigh],
    // where the SWR rises above limit. An edge beyond the span, or beyond
    // the model's range, is absent; both are when the SWR at f0 is above it.
    // A measurement's edges come from its points: the first point beyond the
    // limit, the crossing found between it and the point before.
    TBandEdges Edges(double limit, double fLowMHz, double fHighMHz) const;

private:
    std::optional<double> EdgeTowards(double limit, double fEnd) const;
    std::optional<double> MeasuredEdgeTowards(double limit, double fEnd) const;
    // Where the SWR passes the limit between a frequency within it and one beyond.
    std::optional<double> Crossing(double limit, double fInside, double fOutside) const;
    std::optional<TLoad> ModelLoadAt(double fMHz) const;

    TLoad FLoad;
    double FF0;
    TLoadModel FModel;
    const TTouchstone* FTrace;
    double FZ0;
    std::optional<TFeed> FFeed;
    TLNetwork FNetwork;
    bool FHasNetwork = false;
};

// The load of a measured trace at f, linear in R and X between its points;
// none outside the trace's first and last frequency, nor next to an open circuit.
std::optional<TLoad> InterpolateTrace(const TTouchstone& trace, double fMHz);
