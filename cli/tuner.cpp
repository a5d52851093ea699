// The T and Pi tuners on the command line: --network, the parts' ranges, the
// three settings of a load as JSON or text, and the coverage map (--coverage).
#include "cli.h"
#include "fpcheck.h"
#include "ranges.h"

#include <cmath>

namespace {

const char* NetworkName(TTunerKind kind) {
    return kind == TTunerKind::Tee ? "tee" : "pi";
}

const char* NetworkTitle(TTunerKind kind) {
    return kind == TTunerKind::Tee ? "high-pass T" : "low-pass Pi";
}

// "MIN-MAX"; the '-' between is the first one that is no exponent's sign.
TPartRange RangeOf(const std::string& name, const std::string& text, const char* unit) {
    const std::string example = std::string(" (e.g. 10-250, in ") + unit + ")";
    if (!text.empty() && text[0] == '-')
        throw ECliError(name + ": '" + text + "' must not be negative");
    std::size_t dash = std::string::npos;
    for (std::size_t i = 1; i < text.size(); ++i)
        if (text[i] == '-' && text[i - 1] != 'e' && text[i - 1] != 'E') {
            dash = i;
            break;
        }
    if (dash == std::string::npos)
        throw ECliError(name + ": '" + text + "' is not a range MIN-MAX" + example);
    TPartRange r;
    const std::string lo = text.substr(0, dash), hi = text.substr(dash + 1);
    double* ends[] = {&r.Min, &r.Max};
    const std::string* texts[] = {&lo, &hi};
    for (int i = 0; i < 2; ++i) {
        double value = 0.0;
        if (!TryParseNumber(*texts[i], value))
            throw ECliError(name + ": '" + text + "' is not a range MIN-MAX" + example);
        *ends[i] = value;
    }
    if (r.Min < 0 || r.Max < 0) throw ECliError(name + ": '" + text + "' must not be negative");
    switch (RangeFault(r)) {
    case TTunerFault::NotPositive:
        throw ECliError(name + ": '" + text + "': both ends must be above 0");
    case TTunerFault::MinAboveMax:
        throw ECliError(name + ": '" + text + "': the minimum is above the maximum");
    case TTunerFault::None:
        break;
    }
    if (!ValidTunerPart(r.Max))
        throw ECliError(name + ": '" + text + "' must be at most 1e6 " + unit);
    return r;
}

void AppendField(std::string& s, const char* key, double value) {
    s += key;
    AppendJsonNumber(s, value);
}

void AppendSetting(std::string& s, const char* key, bool present, const TTunerSetting& t,
                   bool penalty) {
    s += key;
    if (!present) {
        s += "null";
        return;
    }
    AppendField(s, "{\"c_in_pf\": ", t.CInPf);
    AppendField(s, ", \"l_uh\": ", t.LUh);
    AppendField(s, ", \"c_out_pf\": ", t.COutPf);
    AppendField(s, ", \"loss_db\": ", t.LossDb);
    AppendField(s, ", \"efficiency\": ", t.Efficiency);
    AppendField(s, ", \"peak_v_in\": ", t.PeakVIn);
    AppendField(s, ", \"peak_v_out\": ", t.PeakVOut);
    AppendField(s, ", \"rms_a\": ", t.RmsA);
    if (penalty) AppendField(s, ", \"penalty_db\": ", t.PenaltyDb);
    s += "}";
}

void AppendRange(std::string& s, const char* key, const TPartRange& r) {
    AppendField(s, key, r.Min);
    AppendField(s, ", ", r.Max);
    s += "]";
}

TTunerProblem ProblemOf(const TTuner& tuner, double fMHz, const TDesignOptions& options) {
    TTunerProblem p;
    p.Tuner = tuner;
    p.FrequencyMHz = fMHz;
    p.Z0 = options.Z0;
    p.Q = options.Q;
    return p;
}

// The tuner's load and, with a line, the chain through the least-loss
// setting (the line alone where no setting matches), with the options at the
// power the tuner carries.
struct TTunerChain {
    TLoad Load;
    std::optional<TStationResult> Chain;
    TDesignOptions Carried;
};

TTunerChain TunerChain(const TTuner& tuner, const TLoad& given, double fMHz,
                       const TDesignOptions& options, const TFeed* feed) {
    TTunerChain c;
    c.Carried = options;
    c.Load = feed ? TunerLoadChecked(*feed, given, fMHz, "the load") : given;
    if (!feed) return c;
    const TTunerProblem pr = ProblemOf(tuner, fMHz, options);
    const TTunerReport r = TuneLoad(pr, c.Load, options.PowerW);
    TStation station;
    station.PowerW = options.PowerW;
    station.Z0 = options.Z0;
    station.Feed = *feed;
    if (r.Reachable)
        station.Tuner = std::make_shared<TSettingTuner>(pr, r.LeastLoss, options.PowerW);
    c.Chain = StationChecked(station, given, fMHz, "the load");
    if (r.Reachable && c.Chain->TunerInput.PowerW > 0)
        c.Carried.PowerW = c.Chain->TunerInput.PowerW;
    return c;
}

std::string Impedance(const TLoad& z) {
    return FormatFixed(z.R, 3) + (z.X < 0 ? " - j" : " + j") + FormatFixed(std::fabs(z.X), 3);
}

std::string RangeText(const TPartRange& r, int decimals) {
    return FormatSignificant(r.Min, decimals) + "-" + FormatSignificant(r.Max, decimals);
}

} // namespace

std::optional<TTuner> TunerFrom(const TCliArgs& args) {
    const std::string network = args.Has("--network") ? args.Text("--network") : "l";
    if (network != "l" && network != "tee" && network != "pi")
        throw ECliError("--network: '" + network + "' is not one of l, tee, pi");
    if (network == "l") {
        for (const char* name : {"--c-in", "--l", "--c-out", "--coverage", "--grid"})
            if (args.Has(name)) throw ECliError(std::string(name) + " needs --network tee or pi");
        return std::nullopt;
    }
    // A tuner's capacitors are variable: no standard values, no parts to wind.
    for (const char* name : {"--series", "--parts", "--coil-form", "--wire", "--pitch", "--toroid"})
        if (args.Has(name))
            throw ECliError(std::string(name) + " does not apply to --network " + network);
    TTuner t;
    t.Kind = network == "tee" ? TTunerKind::Tee : TTunerKind::Pi;
    if (args.Has("--c-in")) t.CIn = RangeOf("--c-in", args.Text("--c-in"), "pF");
    if (args.Has("--l")) t.L = RangeOf("--l", args.Text("--l"), "uH");
    if (args.Has("--c-out")) t.COut = RangeOf("--c-out", args.Text("--c-out"), "pF");
    return t;
}

void AppendTunerJson(std::string& s, const TTuner& tuner, const TLoad& load, double fMHz,
                     const TDesignOptions& options) {
    const TTunerReport r = TuneLoad(ProblemOf(tuner, fMHz, options), load, options.PowerW);
    s += "{\"network\": \"";
    s += NetworkName(tuner.Kind);
    AppendRange(s, "\", \"c_in_pf_range\": [", tuner.CIn);
    AppendRange(s, ", \"l_uh_range\": [", tuner.L);
    AppendRange(s, ", \"c_out_pf_range\": [", tuner.COut);
    s += r.Reachable ? ", \"reachable\": true" : ", \"reachable\": false";
    s += ", \"nearest_swr\": ";
    AppendJsonNumber(s, ShownSwr(r.NearestSwr));
    AppendSetting(s, ", \"least_loss\": ", r.Reachable, r.LeastLoss, false);
    AppendSetting(s, ", \"largest_c\": ", r.Reachable, r.LargestC, true);
    AppendSetting(s, ", \"least_l\": ", r.Reachable, r.LeastL, true);
    s += "}";
}

void AppendTunerLoadJson(std::string& s, const TTuner& tuner, const TLoad& given, double fMHz,
                         const TDesignOptions& options, const TFeed* feed) {
    const TTunerChain c = TunerChain(tuner, given, fMHz, options, feed);
    const TLoad& load = c.Load;
    AppendField(s, "{\"frequency_mhz\": ", fMHz);
    AppendField(s, ", \"z0\": ", options.Z0);
    AppendField(s, ", \"load\": {\"r\": ", load.R);
    AppendField(s, ", \"x\": ", load.X);
    s += ", \"swr\": ";
    AppendJsonNumber(s, ShownSwr(Swr(load.Z(), options.Z0)));
    s += "}";
    if (c.Chain) {
        s += ", \"line\": ";
        AppendLineJson(s, *feed, *c.Chain);
        s += ", \"power\": ";
        AppendPowerJson(s, *c.Chain);
    }
    s += ", \"tuner\": ";
    AppendTunerJson(s, tuner, load, fMHz, c.Carried);
    s += "}";
}

std::string TunerOptionsText(const TTuner& t, const TDesignOptions& options) {
    return std::string(NetworkTitle(t.Kind)) + ", C in " + RangeText(t.CIn, 1) + " pF, L " +
           RangeText(t.L, 2) + " uH, C out " + RangeText(t.COut, 1) + " pF; Q coil " +
           FormatFixed(options.Q.Coil, 0) + ", Q capacitor " + FormatFixed(options.Q.Capacitor, 0) +
           ", power " + FormatFixed(options.PowerW, 1) + " W";
}

std::string TunerHeaderCells() {
    return Cell("C in pF", 10) + Cell("L uH", 10) + Cell("C out pF", 10) + Cell("loss dB", 9) +
           Cell("eff %", 8) + Cell("largest C +dB", 15) + Cell("least L +dB", 13) + "nearest SWR";
}

std::string TunerCells(const TTuner& tuner, const TLoad& load, double fMHz,
                       const TDesignOptions& options) {
    const TTunerReport r = TuneLoad(ProblemOf(tuner, fMHz, options), load, options.PowerW);
    if (!r.Reachable)
        return Cell("-", 10) + Cell("-", 10) + Cell("-", 10) + Cell("-", 9) + Cell("-", 8) +
               Cell("-", 15) + Cell("-", 13) + SwrText(r.NearestSwr);
    const TTunerSetting& s = r.LeastLoss;
    return Cell(FormatFixed(s.CInPf, 1), 10) + Cell(FormatFixed(s.LUh, 3), 10) +
           Cell(FormatFixed(s.COutPf, 1), 10) + Cell(FormatFixed(s.LossDb, 3), 9) +
           Cell(FormatFixed(100.0 * s.Efficiency, 2), 8) +
           Cell(FormatFixed(r.LargestC.PenaltyDb, 3), 15) +
           Cell(FormatFixed(r.LeastL.PenaltyDb, 3), 13) + SwrText(1.0);
}

void WriteTunerText(std::ostream& out, const TTuner& tuner, const TLoad& load, double fMHz,
                    const TDesignOptions& options) {
    const TTunerReport r = TuneLoad(ProblemOf(tuner, fMHz, options), load, options.PowerW);
    out << "load " << Impedance(load) << " ohm at " << FormatFixed(fMHz, 6) << " MHz, Z0 "
        << FormatFixed(options.Z0, 1) << " ohm, SWR " << SwrText(Swr(load.Z(), options.Z0)) << "; "
        << TunerOptionsText(tuner, options) << "\n";
    if (!r.Reachable) {
        out << "no setting inside the ranges matches this load; the lowest SWR they reach is "
            << SwrText(r.NearestSwr) << "\n";
        return;
    }
    out << Cell("setting", 12) << Cell("C in pF", 10) << Cell("L uH", 10) << Cell("C out pF", 10)
        << Cell("loss dB", 9) << Cell("eff %", 8) << Cell("+dB", 7) << Cell("C in V pk", 11)
        << Cell("C out V pk", 12) << "L A rms\n";
    const std::pair<const char*, const TTunerSetting*> rows[] = {
        {"least loss", &r.LeastLoss}, {"largest C", &r.LargestC}, {"least L", &r.LeastL}};
    for (const auto& [name, s] : rows)
        out << Cell(name, 12) << Cell(FormatFixed(s->CInPf, 1), 10)
            << Cell(FormatFixed(s->LUh, 3), 10) << Cell(FormatFixed(s->COutPf, 1), 10)
            << Cell(FormatFixed(s->LossDb, 3), 9) << Cell(FormatFixed(100.0 * s->Efficiency, 2), 8)
            << Cell(FormatFixed(s->PenaltyDb, 3), 7) << Cell(FormatFixed(s->PeakVIn, 1), 11)
            << Cell(FormatFixed(s->PeakVOut, 1), 12) << FormatFixed(s->RmsA, 3) << "\n";
    out << "largest C: the capacitor on the low-impedance side ("
        << (r.LargestCAtOutput ? "C out" : "C in")
        << ") as large as a match allows; +dB: the loss above the least\n";
}

int RunTunerSingle(const TCliArgs& args, const TTuner& tuner, std::ostream& out) {
    const double f = args.Ranged("-f", FrequencyRange);
    const TLoad given{TypedLoadR("-r", args.Text("-r")), args.Ranged("-x", LoadXRange)};
    const TDesignOptions options = DesignOptionsFrom(args);
    const std::optional<TFeed> feed = FeedFrom(args);
    RequireMatchable(given, "-r", args.Text("-r"));
    if (args.Has("--json")) {
        std::string s;
        AppendTunerLoadJson(s, tuner, given, f, options, feed ? &*feed : nullptr);
        out << s << "\n";
        return 0;
    }
    const TTunerChain c = TunerChain(tuner, given, f, options, feed ? &*feed : nullptr);
    if (c.Chain) WriteFeedFigures(out, *feed, *c.Chain, f);
    WriteTunerText(out, tuner, c.Load, f, c.Carried);
    return 0;
}

int RunCoverage(const TCliArgs& args, std::ostream& out) {
    const std::optional<TTuner> tuner = TunerFrom(args);
    if (!tuner) throw ECliError("--coverage needs --network tee or pi");
    const double f = args.Ranged("-f", FrequencyRange);
    const TDesignOptions options = DesignOptionsFrom(args);
    int n = 101;
    if (args.Has("--grid")) {
        const double g = args.Number("--grid");
        if (!(g >= MinCoverageGrid && g <= MaxCoverageGrid) || g != std::floor(g))
            throw ECliError("--grid: '" + args.Text("--grid") +
                            "' must be a whole number from 2 to 4096");
        n = int(g);
    }
    const TTunerProblem problem = ProblemOf(*tuner, f, options);
    const bool json = args.Has("--json");
    if (!json) out << "gamma_re,gamma_im,reachable,least_loss_db\n";
    std::string row;
    for (int j = 0; j < n; ++j) {
        row.clear();
        for (int i = 0; i < n; ++i) {
            const TComplex g = CoverageGamma(n, i, j);
            const TCoverageCell c = CoverageAt(problem, g);
            if (json) {
                AppendField(row, "{\"gamma_re\": ", g.real());
                AppendField(row, ", \"gamma_im\": ", g.imag());
                row += c.Reachable ? ", \"reachable\": true, \"least_loss_db\": "
                                   : ", \"reachable\": false, \"least_loss_db\": null}\n";
                if (c.Reachable) {
                    AppendJsonNumber(row, c.LeastLossDb);
                    row += "}\n";
                }
            } else {
                row += FormatFixed(g.real(), 6) + "," + FormatFixed(g.imag(), 6) +
                       (c.Reachable ? ",1," + FormatFixed(c.LeastLossDb, 4) : ",0,") + "\n";
            }
        }
        out.write(row.data(), std::streamsize(row.size()));
    }
    out.flush();
    return 0;
}
