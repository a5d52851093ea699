// One load at one frequency: every network, the chart's first.
#include "cli.h"

#include <cmath>

int RunSingle(const TCliArgs& args, std::ostream& out) {
    if (const std::optional<TTuner> tuner = TunerFrom(args))
        return RunTunerSingle(args, *tuner, out);
    const double f = args.Ranged("-f", FrequencyRange);
    const TLoad given{TypedLoadR("-r", args.Text("-r")), args.Ranged("-x", LoadXRange)};
    const TDesignOptions options = DesignOptionsFrom(args);
    const std::optional<TFeed> feed = FeedFrom(args);
    const TWindingOptions winding = WindingOptionsFrom(args);
    RequireMatchable(given, "-r", args.Text("-r"));
    // The parts as built only when asked for: the table and the JSON stay
    // what scripts read, and what a batch line gives for the same load.
    const bool parts = WantsParts(args);
    if (args.Has("--json")) {
        out << LoadJson(given, f, options, feed ? &*feed : nullptr, parts ? &winding : nullptr)
            << "\n";
        return 0;
    }
    const TLoadDesign d = DesignLoad(given, f, options, feed ? &*feed : nullptr);
    if (feed && d.Chain) WriteFeedFigures(out, *feed, *d.Chain, f);
    const TLoad& load = d.TunerLoad;
    const std::vector<TNetworkReport>& reports = d.Reports;
    const double swr = Swr({load.R, load.X}, options.Z0);
    out << "load " << FormatFixed(load.R, 3) << (load.X < 0 ? " - j" : " + j")
        << FormatFixed(std::fabs(load.X), 3) << " ohm at " << FormatFixed(f, 6) << " MHz, Z0 "
        << FormatFixed(options.Z0, 1) << " ohm, SWR " << SwrText(swr) << "; "
        << DesignOptionsText(options) << "\n";
    WriteNetworkTable(out, reports);
    if (parts) {
        std::vector<TPartsReport> built;
        for (std::size_t i = 0; i < reports.size(); ++i)
            built.push_back(BuildParts(reports[i], load, f, d.Carried[i], winding));
        WritePartsBlocks(out, reports, built, options.Series, winding);
    }
    return 0;
}
