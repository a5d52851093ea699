#pragma once
// The band table: for each measured frequency the load, its SWR and the
// network the chart draws there, as the window and the command line list it.

#include "feedline.h"
#include "lnetwork.h"
#include "touchstone.h"
#include "tpinetwork.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct TBandRow {
    double FrequencyMHz = 0.0;
    std::optional<TLoad> Load; // none for an open circuit
    // Both empty where no network is designed: no frequency, or a load
    // outside the ranges a typed load must lie in (ranges.h), 0 ohm among them.
    std::optional<double> Swr;
    std::optional<TLNetwork> Network;
};

// The one rule for every list of loads (the band table, the command line's
// table and JSON): the network, or none, as said above.
TBandRow BandRow(double fMHz, const TLoad& load, double z0);
TBandRow BandRowOf(const TTouchstonePoint& point, double z0);
// The point as the tuner's end sees it, as the chart's moved trace has it:
// an open where the line takes it to no finite load, and at 0 Hz.
TTouchstonePoint PointAtTuner(const TTouchstonePoint& point, const TFeed& feed);

// One text per column: f, R, X, SWR, L of the series coil and C of the
// parallel capacitor (0 for a part the network lacks), then 0 for LC or 1 for
// CL. Cells the row has no value for are empty.
constexpr std::size_t BandColumnCount = 7;
using TBandCells = std::array<std::string, BandColumnCount>;
extern const TBandCells BandColumnTitles;
TBandCells BandRowCells(const TBandRow& row);
std::string JoinBandCells(const TBandCells& cells, const std::string& separator);

// The command line's header and ";"-separated lines.
extern const std::string BandTableHeader;
std::string BandRowText(const TBandRow& row);
// Cells as one CSV line: no cell holds a comma, a quote or a line break, so
// none needs quoting, and "." is the decimal separator.
std::string BandCsvLine(const TBandCells& cells);

// The tuner's table: for each measured frequency f, R, X and SWR against the
// options' Z0 as above, then 1 when a setting inside the ranges matches the
// point (else 0), the least-loss setting's C in, L, C out, loss in dB,
// efficiency in %, the capacitors' peak volts and the coil's RMS amperes at
// the options' power, and where nothing matches the lowest SWR reached.
constexpr std::size_t TunerBandColumnCount = 14;
using TTunerBandCells = std::array<std::string, TunerBandColumnCount>;
TTunerBandCells TunerBandCells(const TTouchstonePoint& point, const TTuner& tuner,
                               const TDesignOptions& options);

// The loads among the points that no setting inside the tuner's ranges
// matches at the point's own frequency (the problem's frequency is not
// used); points the tuner's table has no load for are left out. Stops early,
// with what it found, once `cancel` is set.
std::vector<TLoad> UnmatchedPoints(const TTunerProblem& problem,
                                   const std::vector<TTouchstonePoint>& points,
                                   const std::atomic<bool>* cancel = nullptr);
