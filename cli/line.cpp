// The feed line on the command line: --line NAME|list|Z0,VF,DB@MHZ[,DB@MHZ],
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

TLine LineFrom(const std::string& text) {
    if (text.find(',') == std::string::npos) {
        if (const TLine* line = FindLine(text)) return *line;
        throw ECliError("--line: '" + text +
                        "' is not in the catalogue (see --line list) nor Z0,VF,DB@MHZ[,DB@MHZ]");
    }
    const std::vector<std::string> parts = Split(text, ',');
    if (parts.size() != 3 && parts.size() != 4)
        throw ECliError("--line: '" + text + "': expected Z0,VF,DB@MHZ[,DB@MHZ]");
    const double z0 = TypedRanged("--line", parts[0], Z0Range);
    const double vf = TypedRanged("--line", parts[1], VelocityFactorRange);
    std::vector<TLossPoint> points{LossPointOf(parts[2])};
    if (parts.size() == 4) points.push_back(LossPointOf(parts[3]));
    try {
        return LineOf(z0, vf, points);
    } catch (const ELineError&) {
        // Every value was checked above; only the pair of points is left.
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

void AppendEnd(std::string& s, const TLoad& z, double swr) {
    s += "{\"r\": ";
    AppendJsonNumber(s, z.R);
    s += ", \"x\": ";
    AppendJsonNumber(s, z.X);
    s += ", \"swr\": ";
    AppendJsonNumber(s, ShownSwr(swr));
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

} // namespace

TLoad TunerLoadChecked(const TFeed& feed, const TLoad& given, double fMHz,
                       const std::string& where) {
    TLoad t;
    try {
        t = TunerLoadOf(feed, given, fMHz);
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
    s += ", \"length_m\": ";
    AppendJsonNumber(s, feed.LengthM);
    s += ", \"electrical_deg\": ";
    AppendJsonNumber(s, fig.Degrees);
    s += ", \"matched_loss_db\": ";
    AppendJsonNumber(s, fig.MatchedLossDb);
    s += ", \"total_loss_db\": ";
    AppendJsonNumber(s, fig.TotalLossDb);
    s += ", \"antenna\": ";
    AppendEnd(s, fig.Far, fig.FarSwr);
    s += ", \"shack\": ";
    AppendEnd(s, fig.Near, fig.NearSwr);
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

void WriteFeedFigures(std::ostream& out, const TFeed& feed, const TStationResult& r,
                      double fMHz) {
    const TLineFigures& fig = r.Line;
    auto watts = [&](double w) {
        return r.PowerKnown ? FormatFixed(w, 1) + " W" : std::string("-");
    };
    out << FeedText(feed) << "\n"
        << "line loss " << FormatFixed(feed.Line.LossDbPer100m(fMHz), 3) << " dB/100 m at "
        << FormatFixed(fMHz, 6) << " MHz, electrical length " << FormatFixed(fig.Degrees, 1)
        << " deg (" << FormatFixed(fig.Wavelengths, 3) << " wavelengths)\n"
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
