// A band of loads: the networks for a measured antenna (--touchstone), and
// how wide one network's match is (--bandwidth).
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

// The columns of the band table window: L of the series coil and C of the
// parallel capacitor (0 for a part the network lacks), then its arrangement.
std::string BandLine(const TTouchstonePoint& p, double z0) {
    // An open circuit has no R and X to print.
    if (p.Open) return Fixed(p.FrequencyMHz, 3) + ";;;;;;";
    const TLoad load{p.R, p.X};
    std::string line = Fixed(p.FrequencyMHz, 3) + ";" + Fixed(p.R, 3) + ";" + Fixed(p.X, 3) + ";";
    // Without resistance, or at 0 Hz, there is no SWR to print and no network,
    // as in the window.
    if (!IsMatchable(load) || !(p.FrequencyMHz > 0)) return line + ";;;";
    line += Fixed(Swr({p.R, p.X}, z0), 3) + ";";
    const TLNetwork n = ChartNetwork(load, p.FrequencyMHz, z0);
    const double l = n.Series.Kind == TElementKind::Coil ? n.Series.Value : 0.0;
    const double c = n.Shunt.Kind == TElementKind::Capacitor ? n.Shunt.Value : 0.0;
    return line + Fixed(l, 3) + ";" + Fixed(c, 1) + ";" +
           (n.Arrangement == TArrangement::ShuntAtLoad ? "1" : "0");
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
    return f ? Fixed(*f, 6) : "-";
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
    out << "f [MHz]; R; X; PSV; L [uH]; C [pF]; LC=0 / CL=1\n";
    for (const TTouchstonePoint& p : trace.Points)
        out << BandLine(p, options.Z0) << "\n";
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
        out << "chart network designed at " << Fixed(f, 6) << " MHz for " << Fixed(load.R, 3)
            << (load.X < 0 ? " - j" : " + j") << Fixed(std::fabs(load.X), 3) << " ohm, Z0 "
            << Fixed(z0, 1) << " ohm; edges searched within +-50 %\n"
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
                    << (e.Complete() ? Fixed(e.WidthKHz(), 1) : "-")
                    << (e.Complete() ? Fixed(e.WidthPercent(f), 2) : "-") << "\n";
            }
            firstLimit = false;
        }
        if (json) out << "}";
    }
    if (json) out << "}\n";
    return 0;
}
