#pragma once
// The band table: for each measured frequency the load, its SWR and the
// network the chart draws there, as the window and the command line list it.

#include "lnetwork.h"
#include "touchstone.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>

struct TBandRow {
    double FrequencyMHz = 0.0;
    std::optional<TLoad> Load; // none for an open circuit
    // Both empty where no network matches: no resistance, or no frequency.
    std::optional<double> Swr;
    std::optional<TLNetwork> Network;
};

TBandRow BandRow(double fMHz, const TLoad& load, double z0);
TBandRow BandRowOf(const TTouchstonePoint& point, double z0);

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
