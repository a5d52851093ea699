// A band of loads: the networks for a measured antenna (--touchstone), and
// how wide one network's match is (--bandwidth).
#include "bandtable.h"
#include "cli.h"
#include "response.h"
#include "touchstone.h"

#include <cmath>
#include <iomanip>

namespace {

// The file as the user named it, the fault in English.
ECliError TouchstoneFailure(const std::string& path, const ETouchstoneError& e) {
    return ECliError(path + ": " + TouchstoneErrorEnglish(e));
}

// A point the band table designs no network for has a null SWR (and a null
// load when it is an open circuit) and no networks.
std::string PointJson(const TTouchstonePoint& p, const TDesignOptions& options) {
    const TLoad load{p.R, p.X};
    if (!p.Open && IsMatchable(load) && p.FrequencyMHz > 0)
        return LoadJson(load, p.FrequencyMHz, options);
    const std::string loadJson =
        p.Open ? "null"
               : "{\"r\": " + JsonNumber(p.R) + ", \"x\": " + JsonNumber(p.X) + ", \"swr\": null}";
    return "{\"frequency_mhz\": " + JsonNumber(p.FrequencyMHz) +
           ", \"z0\": " + JsonNumber(options.Z0) + ", \"load\": " + loadJson +
           ", \"networks\": []}";
}

struct TModelChoice {
    TLoadModel Model;
    const char* Name;
};
const TModelChoice BandwidthModels[] = {{TLoadModel::Constant, "constant"},
                                        {TLoadModel::Reactance, "reactance"}};
struct TLimitChoice {
    double Limit;
    const char* JsonName;
    const char* TextName;
};
const TLimitChoice BandwidthLimits[] = {{SwrLimitTight, "swr_1_5", "<= 1.5"},
                                        {SwrLimitLoose, "swr_2", "< 2"}};
// The edges are searched this far either side of the design frequency.
constexpr double BandwidthSpan = 0.5;

std::string EdgeText(const std::optional<double>& f) {
    return f ? FormatFixed(*f, 6) : "-";
}

} // namespace

int RunTouchstone(const TCliArgs& args, std::ostream& out) {
    const std::string& path = args.Text("--touchstone");
    const TDesignOptions options = DesignOptionsFrom(args);
    TTouchstone trace;
    try {
        trace = ReadTouchstoneFile(path);
    } catch (const ETouchstoneError& e) {
        throw TouchstoneFailure(path, e);
    }
    if (args.Has("--json")) {
        out << "[";
        for (std::size_t i = 0; i < trace.Points.size(); ++i) {
            const TTouchstonePoint& p = trace.Points[i];
            out << (i ? ",\n " : "") << PointJson(p, options);
        }
        out << "]\n";
        return 0;
    }
    out << BandTableHeader << "\n";
    for (const TTouchstonePoint& p : trace.Points)
        out << BandRowText(BandRowOf(p, options.Z0)) << "\n";
    return 0;
}

int RunBandwidth(const TCliArgs& args, std::ostream& out) {
    const double f = args.Positive("-f");
    const TLoad load{args.Number("-r"), args.Number("-x")};
    const double z0 = args.Positive("--z0", 50.0);
    if (!IsMatchable(load))
        throw ECliError("-r: '" + args.Text("-r") +
                        "': a load without resistance cannot be matched by an L network");
    const double fLow = f * (1.0 - BandwidthSpan), fHigh = f * (1.0 + BandwidthSpan);
    const bool json = args.Has("--json");
    if (json)
        out << "{";
    else
        out << "chart network designed at " << FormatFixed(f, 6) << " MHz for " << FormatFixed(load.R, 3)
            << (load.X < 0 ? " - j" : " + j") << FormatFixed(std::fabs(load.X), 3) << " ohm, Z0 "
            << FormatFixed(z0, 1) << " ohm; edges searched within +-50 %\n"
            << std::left << std::setw(11) << "model" << std::setw(8) << "SWR" << std::setw(14)
            << "low MHz" << std::setw(14) << "high MHz" << std::setw(12) << "width kHz"
            << "width %\n";
    bool firstModel = true;
    for (const TModelChoice& m : BandwidthModels) {
        const TBandResponse response(load, f, m.Model, nullptr, z0);
        if (json) out << (firstModel ? "" : ", ") << JsonString(m.Name) << ": {";
        firstModel = false;
        bool firstLimit = true;
        for (const TLimitChoice& l : BandwidthLimits) {
            const TBandEdges e = response.Edges(l.Limit, fLow, fHigh);
            if (json) {
                out << (firstLimit ? "" : ", ") << JsonString(l.JsonName)
                    << ": {\"low_mhz\": " << (e.LowMHz ? JsonNumber(*e.LowMHz) : "null")
                    << ", \"high_mhz\": " << (e.HighMHz ? JsonNumber(*e.HighMHz) : "null") << "}";
            } else {
                out << std::setw(11) << m.Name << std::setw(8) << l.TextName << std::setw(14)
                    << EdgeText(e.LowMHz) << std::setw(14) << EdgeText(e.HighMHz) << std::setw(12)
                    << (e.Complete() ? FormatFixed(e.WidthKHz(), 1) : "-")
                    << (e.Complete() ? FormatFixed(e.WidthPercent(f), 2) : "-") << "\n";
            }
            firstLimit = false;
        }
        if (json) out << "}";
    }
    if (json) out << "}\n";
    return 0;
}
