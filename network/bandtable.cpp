#include "bandtable.h"

#include "quantity.h"
#include "ranges.h"

#include <algorithm>
#include <iterator>

const TBandCells BandColumnTitles = {"f [MHz]", "R", "X", "PSV", "L [uH]", "C [pF]", "LC=0 / CL=1"};
const std::string BandTableHeader = JoinBandCells(BandColumnTitles, "; ");

TBandRow BandRow(double fMHz, const TLoad& load, double z0) {
    TBandRow row{fMHz, load, std::nullopt, std::nullopt};
    // A simulator's 0 Hz point has a load but no network to design; beyond
    // the ranges the parts overflow or underflow and mean nothing.
    if (!IsMatchable(load) || !ValidLoadR(load.R) || !ValidLoadX(load.X) || !(fMHz > 0)) return row;
    row.Swr = ShownSwr(Swr({load.R, load.X}, z0));
    row.Network = ChartNetwork(load, fMHz, z0);
    return row;
}

TBandRow BandRowOf(const TTouchstonePoint& point, double z0) {
    if (point.Open) return {point.FrequencyMHz, std::nullopt, std::nullopt, std::nullopt};
    return BandRow(point.FrequencyMHz, {point.R, point.X}, z0);
}

TTouchstonePoint PointAtTuner(const TTouchstonePoint& point, const TFeed& feed) {
    // Through MoveTrace itself, so that a row never differs from the chart's trace.
    TTouchstone one;
    one.Points.push_back(point);
    return MoveTrace(one, feed).Points.front();
}

TBandCells BandRowCells(const TBandRow& row) {
    TBandCells cells;
    cells[0] = FormatPattern("#0.000", row.FrequencyMHz);
    // An open circuit has no R and X to print.
    if (!row.Load) return cells;
    cells[1] = FormatPattern("#0.000", row.Load->R);
    cells[2] = FormatPattern("#0.000", row.Load->X);
    if (row.Swr) cells[3] = FormatPattern("#0.000", *row.Swr);
    if (!row.Network) return cells;
    const TLNetwork& n = *row.Network;
    const double l = n.Series.Kind == TElementKind::Coil ? n.Series.Value : 0.0;
    const double c = n.Shunt.Kind == TElementKind::Capacitor ? n.Shunt.Value : 0.0;
    cells[4] = FormatPattern("#0.000", l);
    cells[5] = FormatPattern("#0.0", c);
    cells[6] = std::string(1, n.Arrangement == TArrangement::ShuntAtLoad ? '1' : '0');
    return cells;
}

std::string JoinBandCells(const TBandCells& cells, const std::string& separator) {
    std::string line = cells[0];
    for (std::size_t i = 1; i < cells.size(); ++i)
        line += separator + cells[i];
    return line;
}

std::string BandRowText(const TBandRow& row) {
    return JoinBandCells(BandRowCells(row), ";");
}

std::string BandCsvLine(const TBandCells& cells) {
    return JoinBandCells(cells, ",");
}

TTunerBandCells TunerBandCells(const TTouchstonePoint& point, const TTuner& tuner,
                               const TDesignOptions& options) {
    const TBandRow row = BandRowOf(point, options.Z0);
    const TBandCells band = BandRowCells(row);
    TTunerBandCells cells;
    std::copy_n(band.begin(), 4, cells.begin());
    // Where the band table designs no network, the tuner has no load either.
    if (!row.Swr) return cells;
    const TTunerProblem problem{tuner, point.FrequencyMHz, options.Z0, options.Q};
    const TTunerReport r = TuneLoad(problem, *row.Load, options.PowerW);
    cells[4] = std::string(1, r.Reachable ? '1' : '0');
    if (!r.Reachable) {
        cells[13] = SwrText(r.NearestSwr);
        return cells;
    }
    const TTunerSetting& s = r.LeastLoss;
    const double values[] = {s.CInPf,   s.LUh,      s.COutPf, s.LossDb, 100.0 * s.Efficiency,
                             s.PeakVIn, s.PeakVOut, s.RmsA};
    const char* const patterns[] = {"#0.0",  "#0.000", "#0.0", "#0.000",
                                    "#0.00", "#0",     "#0",   "#0.000"};
    for (std::size_t i = 0; i < std::size(values); ++i)
        cells[5 + i] = FormatPattern(patterns[i], values[i]);
    return cells;
}

std::vector<TLoad> UnmatchedPoints(const TTunerProblem& problem,
                                   const std::vector<TTouchstonePoint>& points,
                                   const std::atomic<bool>* cancel) {
    std::vector<TLoad> unmatched;
    TTunerProblem atPoint = problem;
    for (const TTouchstonePoint& p : points) {
        if (cancel && *cancel) break;
        const TBandRow row = BandRowOf(p, problem.Z0);
        if (!row.Swr) continue;
        atPoint.FrequencyMHz = p.FrequencyMHz;
        const TComplex z = row.Load->Z();
        if (!CoverageAt(atPoint, (z - problem.Z0) / (z + problem.Z0)).Reachable)
            unmatched.push_back(*row.Load);
    }
    return unmatched;
}
