// The feed line on the command line: --line NAME|list|Z0,VF,DB@MHZ[,DB@MHZ...],
// --length, --at and --tuner, its JSON object and its lines of text.
#include "cli.h"
#include "fpcheck.h"
#include "ranges.h"

#include <cmath>

const TRange VelocityFactorRange{ValidVelocityFactor, "0.1 to 1"};
const TRange LineLossRange{ValidLineLoss, "0 to 1000 dB/100 m"};
const TRange LineLengthRange{ValidLineLength, "0 to 100000 m (100 km)"};

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t end = text.find(separator, begin);
        parts.push_back(text.substr(begin, end - begin));
        if (end == std::string::npos) return parts;
        begin = end + 1;
    }
}

// "4.6@10": dB/100 m at MHz.
TLossPoint LossPointOf(const std::string& text) {
    const std::vector<std::string> parts = Split(text, '@');
    if (parts.size() != 2)
        throw ECliError("--line: '" + text + "' is not a loss point DB@MHZ (e.g. 4.6@10)");
    TLossPoint p;
    p.Db = TypedRanged("--line", parts[0], LineLossRange);
    p.FrequencyMHz = TypedRanged("--line", parts[1], FrequencyRange);
    return p;
}

std::string CandidateNames(const std::vector<const TLine*>& lines) {
    std::string names;
    for (const TLine* line : lines)
        names += (names.empty() ? "" : ", ") + line->Name;
    return names;
}

TLine LineFrom(const std::string& text) {
    if (text.find(',') == std::string::npos) {
        const TLineLookup found = LookUpLine(text);
        if (found.Line) return *found.Line;
        if (found.Candidates.size() > 1)
            throw ECliError("--line: ambiguous line name '" + text +
                            "': " + CandidateNames(found.Candidates));
        throw ECliError("--line: '" + text +
                        "' is not in the catalogue (see --line list) nor Z0,VF,DB@MHZ[,DB@MHZ...]" +
                        (found.Candidates.empty()
                             ? std::string()
                             : "; did you mean " + CandidateNames(found.Candidates) + "?"));
    }
    const std::vector<std::string> parts = Split(text, ',');
    if (parts.size() < 3 || parts.size() > 2 + MaxLossPoints)
        throw ECliError("--line: '" + text + "': expected Z0,VF,DB@MHZ[,DB@MHZ...]");
    const double z0 = TypedRanged("--line", parts[0], Z0Range);
    const double vf = TypedRanged("--line", parts[1], VelocityFactorRange);
    std::vector<TLossPoint> points;
    for (std::size_t i = 2; i < parts.size(); ++i)
        points.push_back(LossPointOf(parts[i]));
    try {
        return LineOf(z0, vf, points);
    } catch (const ELineError&) {
        // Every value was checked above; only points at one frequency are left.
        throw ECliError("--line: '" + text +
                        "': the two loss points must be at different "
                        "frequencies");
    }
}

template <typename T>
T Choice(const TCliArgs& args, const std::string& name, const char* first, const char* second,
         T firstValue, T secondValue, T fallback) {
    if (!args.Has(name)) return fallback;
    const std::string& text = args.Text(name);
    if (text == first) return firstValue;
    if (text == second) return secondValue;
    throw ECliError(name + ": '" + text + "' is not one of " + first + ", " + second);
}

std::string Impedance(const TLoad& z) {
    return FormatFixed(z.R, 3) + (z.X < 0 ? " - j" : " + j") + FormatFixed(std::fabs(z.X), 3);
}

std::string LineName(const TLine& line) {
    return line.Name.empty() ? std::string("custom line") : line.Name;
}

void AppendEnd(std::string& s, const TLoad& z, double swr, double lineSwr) {
    s += "{\"r\": ";
    AppendJsonNumber(s, z.R);
    s += ", \"x\": ";
    AppendJsonNumber(s, z.X);
    s += ", \"swr\": ";
    AppendJsonNumber(s, ShownSwr(swr));
    s += ", \"swr_zc\": ";
    AppendJsonNumber(s, ShownSwr(lineSwr));
    s += "}";
}

} // namespace

std::optional<TFeed> FeedFrom(const TCliArgs& args) {
    if (!args.Has("--line")) {
        for (const char* name : {"--length", "--at", "--tuner"})
            if (args.Has(name)) throw ECliError(std::string(name) + " needs --line");
        return std::nullopt;
    }
    TFeed feed;
    feed.Line = LineFrom(args.Text("--line"));
    if (!args.Has("--length")) throw ECliError("--line: --length is missing");
    feed.LengthM = args.Ranged("--length", LineLengthRange);
    feed.Point = Choice(args, "--at", "antenna", "shack", TPointAt::Antenna, TPointAt::Shack,
                        TPointAt::Antenna);
    feed.Tuner = Choice(args, "--tuner", "shack", "antenna", TTunerAt::Shack, TTunerAt::Antenna,
                        TTunerAt::Shack);
    return feed;
}

namespace {

ECliError MoveFailure(const TLoad& given, double fMHz, const std::string& where,
                      const EMathError& e) {
    return ECliError("--line: " + where + " " + Impedance(given) + " ohm cannot be moved " +
                     "through the line at " + FormatFixed(fMHz, 6) + " MHz (" + e.what() + ")");
}

// Only the way back from the shack refuses a point; any other line fault is a
// failure to move the load.
ECliError NotFromLine(const TLoad& given, double fMHz, const std::string& where,
                      const ELineError& e) {
    if (e.Code != TLineFault::NotFromLine) return MoveFailure(given, fMHz, where, e);
    return ECliError("--line: " + where + " " + Impedance(given) + " ohm at " +
                     FormatFixed(fMHz, 6) +
                     " MHz cannot have been measured at the shack through this line: the "
                     "antenna would need a negative resistance");
}

} // namespace

TLoad TunerLoadChecked(const TFeed& feed, const TLoad& given, double fMHz,
                       const std::string& where) {
    TLoad t;
    try {
        t = TunerLoadOf(feed, given, fMHz);
    } catch (const ELineError& e) {
        throw NotFromLine(given, fMHz, where, e);
    } catch (const EMathError& e) {
        throw MoveFailure(given, fMHz, where, e);
    }
    if (!IsMatchable(t) || !ValidLoadR(t.R) || !ValidLoadX(t.X))
        throw ECliError("--line: at the tuner's end " + where + " is " + Impedance(t) +
                        " ohm, which no L network can match (R must be " + LoadRRange.Text +
                        ", X " + LoadXRange.Text + ")");
    return t;
}

TStationResult StationChecked(const TStation& station, const TLoad& given, double fMHz,
                              const std::string& where) {
    try {
        return EvaluateStation(station, given, fMHz);
    } catch (const ELineError& e) {
        throw NotFromLine(given, fMHz, where, e);
    } catch (const EMathError& e) {
        throw MoveFailure(given, fMHz, where, e);
    }
}

void AppendLineJson(std::string& s, const TFeed& feed, const TStationResult& r) {
    const TLineFigures& fig = r.Line;
    s += "{\"name\": ";
    s += feed.Line.Name.empty() ? std::string("null") : JsonString(feed.Line.Name);
    s += ", \"z0\": ";
    AppendJsonNumber(s, feed.Line.Z0);
    s += ", \"vf\": ";
    AppendJsonNumber(s, feed.Line.VF);
    s += ", \"loss_fit_clamped\": ";
    s += feed.Line.ClampedTerm ? "true" : "false";
    s += ", \"zc\": {\"r\": ";
    AppendJsonNumber(s, fig.Zc.R);
    s += ", \"x\": ";
    AppendJsonNumber(s, fig.Zc.X);
    s += "}";
    s += ", \"length_m\": ";
    AppendJsonNumber(s, feed.LengthM);
    s += ", \"electrical_deg\": ";
    AppendJsonNumber(s, fig.Degrees);
    s += ", \"matched_loss_db\": ";
    AppendJsonNumber(s, fig.MatchedLossDb);
    s += ", \"total_loss_db\": ";
    AppendJsonNumber(s, fig.TotalLossDb);
    s += ", \"antenna\": ";
    AppendEnd(s, fig.Far, fig.FarSwr, fig.FarLineSwr);
    s += ", \"shack\": ";
    AppendEnd(s, fig.Near, fig.NearSwr, fig.NearLineSwr);
    s += ", \"power_at_antenna_w\": ";
    AppendJsonNumber(s, r.PowerKnown ? std::optional<double>(r.AntennaW) : std::nullopt);
    s += "}";
}

void AppendPowerJson(std::string& s, const TStationResult& r) {
    if (!r.PowerKnown) {
        s += "null";
        return;
    }
    s += "{\"transmitter_w\": ";
    AppendJsonNumber(s, r.TransmitterW);
    s += ", \"tuner_loss_w\": ";
    AppendJsonNumber(s, r.TunerLossW);
    s += ", \"line_loss_w\": ";
    AppendJsonNumber(s, r.LineLossW);
    s += ", \"antenna_w\": ";
    AppendJsonNumber(s, r.AntennaW);
    s += "}";
}

std::string FeedText(const TFeed& feed) {
    const TLine& l = feed.Line;
    return "line " + LineName(l) + ": Z0 " + FormatFixed(l.Z0, 1) + " ohm, VF " +
           FormatFixed(l.VF, 3) + ", " + FormatFixed(feed.LengthM, 3) + " m; the load is " +
           (feed.Point == TPointAt::Antenna ? "the antenna's" : "measured at the shack") +
           ", the tuner is " + (feed.Tuner == TTunerAt::Shack ? "in the shack" : "at the antenna");
}

void WriteFeedFigures(std::ostream& out, const TFeed& feed, const TStationResult& r, double fMHz) {
    const TLineFigures& fig = r.Line;
    auto watts = [&](double w) {
        return r.PowerKnown ? FormatFixed(w, 1) + " W" : std::string("-");
    };
    out << FeedText(feed) << "\n";
    if (feed.Line.ClampedTerm)
        out << "note: the line's loss points imply a negative "
            << (feed.Line.K1 == 0 ? "conductor" : "dielectric")
            << " loss term; it is fitted as 0, so loss never falls with frequency\n";
    out << "line loss " << FormatFixed(feed.Line.LossDbPer100m(fMHz), 3) << " dB/100 m at "
        << FormatFixed(fMHz, 6) << " MHz, electrical length " << FormatFixed(fig.Degrees, 1)
        << " deg (" << FormatFixed(fig.Wavelengths, 3) << " wavelengths)\n"
        << "characteristic impedance Zc " << Impedance(fig.Zc) << " ohm; SWR against Zc "
        << SwrText(fig.FarLineSwr) << " at the antenna end, " << SwrText(fig.NearLineSwr)
        << " at the shack end\n"
        << "antenna end " << Impedance(fig.Far) << " ohm, SWR " << SwrText(fig.FarSwr)
        << "; shack end " << Impedance(fig.Near) << " ohm, SWR " << SwrText(fig.NearSwr)
        << " (SWR against the line's Z0)\n"
        << "matched loss " << FormatFixed(fig.MatchedLossDb, 3) << " dB, total loss "
        << (fig.TotalLossDb ? FormatFixed(*fig.TotalLossDb, 3) + " dB" : std::string("-"))
        << "; of " << FormatFixed(r.LineShack.PowerW, 1) << " W into the shack end "
        << (fig.PowerAtFarW ? FormatFixed(*fig.PowerAtFarW, 1) + " W" : std::string("-"))
        << " reach the antenna end\n"
        << "power: transmitter " << FormatFixed(r.TransmitterW, 1) << " W, tuner loss "
        << watts(r.TunerLossW) << ", line loss " << watts(r.LineLossW) << ", antenna "
        << watts(r.AntennaW) << "\n"
        << "antenna " << Impedance(r.Antenna.Z) << " ohm; networks for the tuner's end, "
        << Impedance(r.TunerOutput.Z) << " ohm\n";
}

void WriteLineCatalogue(std::ostream& out) {
    struct TBand {
        double MHz;
        const char* Label;
    };
    static const TBand Bands[] = {{1.85, "1.85"},     {3.65, "3.65"},   {7.1, "7.1"},
                                  {14.175, "14.175"}, {28.85, "28.85"}, {50.15, "50.15"},
                                  {145, "145"}};
    out << "matched loss in dB/100 m at each frequency in MHz\n"
        << Cell("line", 24) << Cell("Z0 ohm", 8) << Cell("VF", 6);
    for (const TBand& b : Bands)
        out << CellRight(b.Label, 7);
    out << "\n";
    for (const TLine& line : LineCatalogue()) {
        out << Cell(line.Name, 24) << Cell(FormatFixed(line.Z0, 0), 8)
            << Cell(FormatFixed(line.VF, 2), 6);
        for (const TBand& b : Bands)
            out << CellRight(FormatFixed(line.LossDbPer100m(b.MHz), 2), 7);
        out << "\n";
    }
}
