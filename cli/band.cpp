// A band of loads: the networks for a measured antenna (--touchstone), and
// how wide one network's match is (--bandwidth).
#include "bandtable.h"
#include "cli.h"
#include "fpcheck.h"
#include "ranges.h"
#include "response.h"
#include "touchstone.h"

#include <cmath>
#include <iomanip>
#include <optional>

namespace {

// A point the band table designs no network for has a null SWR (and a null
// load when it is an open circuit) and no networks.
// With a feed line, the point as the tuner's end sees it; a point the line
// takes to no finite load has none.
TTouchstonePoint MovedPoint(const TTouchstonePoint& p, const TFeed* feed) {
    return feed ? PointAtTuner(p, *feed) : p;
}

// The table's row as JSON: a point the band table designs no network for has
// a null SWR (and a null load when it is an open circuit) and no networks; a
// line whose figures cannot be computed there has a null "line". With a
// tuner, its object in place of the networks.
std::string PointJson(const TTouchstonePoint& given, const TDesignOptions& options,
                      const TFeed* feed, const TWindingOptions* winding, const TTuner* tuner) {
    const TTouchstonePoint p = MovedPoint(given, feed);
    const TBandRow row = BandRowOf(p, options.Z0);
    if (row.Network) {
        if (!tuner)
            return LoadJson({given.R, given.X}, p.FrequencyMHz, options, feed, winding, true);
        std::string s;
        AppendTunerLoadJson(s, *tuner, {given.R, given.X}, p.FrequencyMHz, options, feed);
        return s;
    }
    const std::string loadJson =
        p.Open ? "null"
               : "{\"r\": " + JsonNumber(p.R) + ", \"x\": " + JsonNumber(p.X) + ", \"swr\": null}";
    return "{\"frequency_mhz\": " + JsonNumber(p.FrequencyMHz) +
           ", \"z0\": " + JsonNumber(options.Z0) + ", \"load\": " + loadJson +
           (tuner ? ", \"tuner\": null}" : ", \"networks\": []}");
}

// The tuner's least-loss setting at each frequency of the file.
void WriteTunerBand(std::ostream& out, const TMeasuredPoints& points, const TDesignOptions& options,
                    const TFeed* feed, const TTuner& tuner) {
    out << "Z0 " << FormatFixed(options.Z0, 1) << " ohm; " << TunerOptionsText(tuner, options)
        << "\n"
        << Cell("f MHz", 13) << Cell("R ohm", 12) << Cell("X ohm", 12) << Cell("SWR", 9)
        << TunerHeaderCells() << "\n";
    points.ForEach([&](const TTouchstonePoint& given) {
        const TTouchstonePoint p = MovedPoint(given, feed);
        const TLoad load{p.R, p.X};
        out << Cell(FormatFixed(p.FrequencyMHz, 6), 13);
        if (p.Open || !IsMatchable(load) || !ValidLoadR(load.R) || !ValidLoadX(load.X) ||
            !(p.FrequencyMHz > 0)) {
            out << Cell(p.Open ? "-" : FormatFixed(p.R, 3), 12)
                << Cell(p.Open ? "-" : FormatFixed(p.X, 3), 12) << "-\n";
            return;
        }
        out << Cell(FormatFixed(load.R, 3), 12) << Cell(FormatFixed(load.X, 3), 12)
            << Cell(SwrText(Swr(load.Z(), options.Z0)), 9)
            << TunerCells(tuner, load, p.FrequencyMHz, options) << "\n";
    });
}

struct TModelChoice {
    TLoadModel Model;
    const char* Name;
};
const TModelChoice BandwidthModels[] = {{TLoadModel::Measured, "measured"},
                                        {TLoadModel::Constant, "constant"},
                                        {TLoadModel::Reactance, "reactance"}};
struct TLimitChoice {
    double Limit;
    const char* JsonName;
    const char* TextName;
};
const TLimitChoice BandwidthLimits[] = {{SwrLimitTight, "swr_1_5", "<= 1.5"},
                                        {SwrLimitLoose, "swr_2", "< 2"}};
// The edges of the constant and reactance models are searched this far
// either side of the design frequency; the measured ones over the file's data.
constexpr double BandwidthSpan = 0.5;

struct TModelEdges {
    const char* Name;
    TBandEdges Edges[std::size(BandwidthLimits)];
};

std::string EdgeText(const std::optional<double>& f) {
    return f ? FormatFixed(*f, 6) : "-";
}

std::string LoadText(const TLoad& load) {
    return FormatFixed(load.R, 3) + (load.X < 0 ? " - j" : " + j") +
           FormatFixed(std::fabs(load.X), 3);
}

// The file's load at f, interpolated as the SWR plot window does.
TLoad TraceLoadAt(const TCliArgs& args, const TTouchstone& trace, double f) {
    const std::optional<TLoad> load = InterpolateTrace(trace, f);
    if (!load)
        throw ECliError("-f: '" + args.Text("-f") + "' lies outside the file's data, " +
                        FormatFixed(trace.Points.front().FrequencyMHz, 6) + " to " +
                        FormatFixed(trace.Points.back().FrequencyMHz, 6) + " MHz");
    if (!IsMatchable(*load) || !ValidLoadR(load->R) || !ValidLoadX(load->X))
        throw ECliError("--touchstone: the file's load at " + args.Text("-f") + " MHz, " +
                        LoadText(*load) + " ohm, cannot be matched (R must be " + LoadRRange.Text +
                        ", X " + LoadXRange.Text + ")");
    return *load;
}

} // namespace

int RunTouchstone(const TCliArgs& args, std::ostream& out) {
    const TDesignOptions options = DesignOptionsFrom(args);
    const std::optional<TFeed> feed = FeedFrom(args);
    const TFeed* line = feed ? &*feed : nullptr;
    const TWindingOptions windingOptions = WindingOptionsFrom(args);
    const TWindingOptions* winding = WantsParts(args) ? &windingOptions : nullptr;
    const std::optional<TTuner> tuner = TunerFrom(args);
    const TTuner* tunerPtr = tuner ? &*tuner : nullptr;
    const TMeasuredPoints points(args);
    // Read and printed point by point as designed: a million points held as
    // text would take gigabytes. Everything that can be refused is refused above.
    if (args.Has("--json")) {
        out << "[";
        const char* separator = "";
        points.ForEach([&](const TTouchstonePoint& p) {
            out << separator << PointJson(p, options, line, winding, tunerPtr);
            separator = ",\n ";
        });
        out << "]\n";
        return 0;
    }
    if (feed) out << FeedText(*feed) << "; rows for the tuner's end\n";
    if (tuner) {
        WriteTunerBand(out, points, options, line, *tuner);
        return 0;
    }
    out << BandTableHeader << "\n";
    points.ForEach([&](const TTouchstonePoint& given) {
        const TTouchstonePoint p = MovedPoint(given, line);
        const TBandRow row = BandRowOf(p, options.Z0);
        out << BandRowText(row) << "\n";
        // The chart's network's parts as built under its row, when asked for.
        if (winding && row.Network && ValidLoadR(p.R) && ValidLoadX(p.X)) {
            const TLoadDesign d =
                DesignLoad({given.R, given.X}, p.FrequencyMHz, options, line, true);
            WritePartsBlocks(out, d.Reports,
                             {BuildParts(d.Reports.front(), d.TunerLoad, p.FrequencyMHz,
                                         d.Carried.front(), *winding)},
                             options.Series, *winding);
        }
    });
    return 0;
}

int RunBandwidth(const TCliArgs& args, std::ostream& out) {
    const double f = args.Ranged("-f", FrequencyRange);
    const double z0 = args.Ranged("--z0", Z0Range, DefaultZ0);
    const std::optional<TFeed> feed = FeedFrom(args);
    std::optional<TTouchstone> trace;
    TLoad load;
    if (args.Has("--touchstone") || args.Has("--analyser")) {
        trace = MeasurementFrom(args);
        load = TraceLoadAt(args, *trace, f);
    } else {
        load = {args.Ranged("-r", LoadRRange), args.Ranged("-x", LoadXRange)};
        if (!IsMatchable(load))
            throw ECliError("-r: '" + args.Text("-r") +
                            "': a load without resistance cannot be matched by an L network");
    }
    TDesignOptions lineOptions;
    lineOptions.Z0 = z0;
    std::optional<TStationResult> fed;
    TLoad tunerLoad = load;
    if (feed) {
        const TLoadDesign d = DesignLoad(load, f, lineOptions, &*feed, true);
        fed = d.Chain;
        tunerLoad = d.TunerLoad;
    }

    std::vector<TModelEdges> models;
    for (const TModelChoice& m : BandwidthModels) {
        if (m.Model == TLoadModel::Measured && !trace) continue;
        const TBandResponse response(load, f, m.Model, trace ? &*trace : nullptr, z0,
                                     feed ? &*feed : nullptr);
        const bool measured = m.Model == TLoadModel::Measured;
        const double fLow =
            measured ? trace->Points.front().FrequencyMHz : f * (1.0 - BandwidthSpan);
        const double fHigh =
            measured ? trace->Points.back().FrequencyMHz : f * (1.0 + BandwidthSpan);
        TModelEdges edges{m.Name, {}};
        for (std::size_t i = 0; i < std::size(BandwidthLimits); ++i)
            edges.Edges[i] = response.Edges(BandwidthLimits[i].Limit, fLow, fHigh);
        models.push_back(edges);
    }

    if (args.Has("--json")) {
        out << "{";
        for (std::size_t m = 0; m < models.size(); ++m) {
            out << (m ? ", " : "") << JsonString(models[m].Name) << ": {";
            for (std::size_t i = 0; i < std::size(BandwidthLimits); ++i) {
                const TBandEdges& e = models[m].Edges[i];
                out << (i ? ", " : "") << JsonString(BandwidthLimits[i].JsonName)
                    << ": {\"low_mhz\": " << JsonNumber(e.LowMHz)
                    << ", \"high_mhz\": " << JsonNumber(e.HighMHz) << "}";
            }
            out << "}";
        }
        if (fed) {
            std::string line;
            AppendLineJson(line, *feed, *fed);
            out << ", \"line\": " << line;
        }
        out << "}\n";
        return 0;
    }
    if (fed) WriteFeedFigures(out, *feed, *fed, f);
    out << "chart network designed at " << FormatFixed(f, 6) << " MHz for "
        << (fed     ? "the tuner's end's load "
            : trace ? "the file's load "
                    : "")
        << LoadText(tunerLoad) << " ohm, Z0 " << FormatFixed(z0, 1) << " ohm; edges searched ";
    if (trace)
        out << "over the file's data (" << FormatFixed(trace->Points.front().FrequencyMHz, 6)
            << " to " << FormatFixed(trace->Points.back().FrequencyMHz, 6)
            << " MHz) when measured, else ";
    out << "within +-50 %\n"
        << Cell("model", 11) << Cell("SWR", 8) << Cell("low MHz", 14) << Cell("high MHz", 14)
        << Cell("width kHz", 12) << "width %\n";
    for (const TModelEdges& m : models)
        for (std::size_t i = 0; i < std::size(BandwidthLimits); ++i) {
            const TBandEdges& e = m.Edges[i];
            out << Cell(m.Name, 11) << Cell(BandwidthLimits[i].TextName, 8)
                << Cell(EdgeText(e.LowMHz), 14) << Cell(EdgeText(e.HighMHz), 14)
                << Cell(e.Complete() ? FormatFixed(e.WidthKHz(), 1) : "-", 12)
                << (e.Complete() ? FormatFixed(e.WidthPercent(f), 2) : "-") << "\n";
        }
    return 0;
}
