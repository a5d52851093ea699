#pragma once
// The band table: for each measured frequency the load, its SWR and the
// network the chart draws there, as the window and the command line list it.

#include "lnetwork.h"
#include "touchstone.h"

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

// The header line and one ";"-separated line per row: L of the series coil
// and C of the parallel capacitor (0 for a part the network lacks), then 0
// for LC or 1 for CL.
extern const char* const BandTableHeader;
std::string BandRowText(const TBandRow& row);
