#include "bandtable.h"

#include "quantity.h"

const char* const BandTableHeader = "f [MHz]; R; X; PSV; L [uH]; C [pF]; LC=0 / CL=1";

TBandRow BandRow(double fMHz, const TLoad& load, double z0) {
    TBandRow row{fMHz, load, std::nullopt, std::nullopt};
    // A simulator's 0 Hz point has a load but no network to design.
    if (!IsMatchable(load) || !(fMHz > 0)) return row;
    row.Swr = ShownSwr(Swr({load.R, load.X}, z0));
    row.Network = ChartNetwork(load, fMHz, z0);
    return row;
}

TBandRow BandRowOf(const TTouchstonePoint& point, double z0) {
    if (point.Open) return {point.FrequencyMHz, std::nullopt, std::nullopt, std::nullopt};
    return BandRow(point.FrequencyMHz, {point.R, point.X}, z0);
}

std::string BandRowText(const TBandRow& row) {
    const std::string f = FormatPattern("#0.000", row.FrequencyMHz);
    // An open circuit has no R and X to print.
    if (!row.Load) return f + ";;;;;;";
    std::string line = f + ";" + FormatPattern("#0.000", row.Load->R) + ";" +
                       FormatPattern("#0.000", row.Load->X) + ";";
    if (!row.Network) return line + (row.Swr ? FormatPattern("#0.000", *row.Swr) : "") + ";;;";
    const TLNetwork& n = *row.Network;
    const double l = n.Series.Kind == TElementKind::Coil ? n.Series.Value : 0.0;
    const double c = n.Shunt.Kind == TElementKind::Capacitor ? n.Shunt.Value : 0.0;
    return line + (row.Swr ? FormatPattern("#0.000", *row.Swr) : "") + ";" +
           FormatPattern("#0.000", l) + ";" + FormatPattern("#0.0", c) + ";" +
           (n.Arrangement == TArrangement::ShuntAtLoad ? "1" : "0");
}
