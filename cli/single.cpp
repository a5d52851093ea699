// One load at one frequency: every network, the chart's first.
#include "cli.h"

#include <cmath>

namespace {

TLoad LoadFrom(const TCliArgs& args) {
    TLoad load{args.Number("-r"), args.Number("-x")};
    if (load.R < 0) throw ECliError("-r: '" + args.Text("-r") + "' must not be negative");
    return load;
}

} // namespace

int RunSingle(const TCliArgs& args, std::ostream& out) {
    const double f = args.Positive("-f");
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
    out << "load " << Fixed(load.R, 3) << (load.X < 0 ? " - j" : " + j")
        << Fixed(std::fabs(load.X), 3) << " ohm at " << Fixed(f, 6) << " MHz, Z0 "
        << Fixed(options.Z0, 1) << " ohm, SWR " << Fixed(swr, 3) << "; series "
        << SeriesName(options.Series) << ", Q coil " << Fixed(options.Q.Coil, 0)
        << ", Q capacitor " << Fixed(options.Q.Capacitor, 0) << ", power "
        << Fixed(options.PowerW, 1) << " W\n";
    WriteNetworkTable(out, reports);
    return 0;
}
