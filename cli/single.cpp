// One load at one frequency: every network, the chart's first.
#include "cli.h"

#include <cmath>

namespace {

TLoad LoadFrom(const TCliArgs& args) {
    const double r = args.Number("-r");
    if (r < 0) throw ECliError("-r: '" + args.Text("-r") + "' must not be negative");
    return {args.Ranged("-r", LoadRRange), args.Ranged("-x", LoadXRange)};
}

} // namespace

int RunSingle(const TCliArgs& args, std::ostream& out) {
    const double f = args.Ranged("-f", FrequencyRange);
    const TLoad load = LoadFrom(args);
    const TDesignOptions options = DesignOptionsFrom(args);
    if (!IsMatchable(load))
        throw ECliError("-r: '" + args.Text("-r") +
                        "': a load without resistance cannot be matched by an L network");
    if (args.Has("--json")) {
        out << LoadJson(load, f, options) << "\n";
        return 0;
    }
    const std::vector<TNetworkReport> reports = DesignNetworks(load, f, options);
    const double swr = Swr({load.R, load.X}, options.Z0);
    out << "load " << FormatFixed(load.R, 3) << (load.X < 0 ? " - j" : " + j")
        << FormatFixed(std::fabs(load.X), 3) << " ohm at " << FormatFixed(f, 6) << " MHz, Z0 "
        << FormatFixed(options.Z0, 1) << " ohm, SWR " << SwrText(swr) << "; series "
        << SeriesName(options.Series) << ", Q coil " << FormatFixed(options.Q.Coil, 0)
        << ", Q capacitor " << FormatFixed(options.Q.Capacitor, 0) << ", power "
        << FormatFixed(options.PowerW, 1) << " W\n";
    WriteNetworkTable(out, reports);
    return 0;
}
