// The parts as built of one load: the winding options, and a block of lines
// per network under the table.
#include "cli.h"

#include <cmath>

namespace {

const TRange FormRange{ValidFormMm, "2 to 300 mm"};
const TRange WireRange{ValidWireMm, "0.05 to 10 mm"};
const TRange PitchRange{ValidPitchMm, "from the wire's diameter to 50 mm"};

std::string FormFaultEn(TFormFault fault, const TAirCoilForm& form) {
    switch (fault) {
    case TFormFault::WireAbovePitch:
        return "--wire: a wire of " + FormatSignificant(form.WireMm, 2) +
               " mm is thicker than the pitch of " + FormatSignificant(form.PitchMm, 2) + " mm";
    case TFormFault::FormBelowWire:
        return "--coil-form: a form of " + FormatSignificant(form.FormMm, 2) +
               " mm is thinner than the wire of " + FormatSignificant(form.WireMm, 2) + " mm";
    case TFormFault::WireOutOfRange:
        return "--wire: must be " + std::string(WireRange.Text);
    case TFormFault::FormOutOfRange:
        return "--coil-form: must be " + std::string(FormRange.Text);
    case TFormFault::PitchOutOfRange:
        return "--pitch: must be " + std::string(PitchRange.Text);
    case TFormFault::NotPositive:
        break;
    }
    return "--coil-form: the form, the wire and the pitch must be above 0";
}

std::string PairText(const TPartPair& pair) {
    if (pair.Parts.empty()) return "-";
    std::string text;
    for (size_t i = 0; i < pair.Parts.size(); ++i)
        text += (i ? pair.Connection == TConnection::Parallel ? " || " : " + " : "") +
                ElementText({pair.Kind, pair.Parts[i]});
    if (pair.Connection != TConnection::Single)
        text += std::string(" in ") +
                (pair.Connection == TConnection::Parallel ? "parallel" : "series") + " = " +
                ElementText({pair.Kind, pair.Value});
    const double percent = 100.0 * (pair.Value - pair.Target) / pair.Target;
    return text + " (" + (percent >= 0 ? "+" : "") + FormatFixed(percent, 2) + " %)";
}

std::string PartLine(const char* role, const TElement& e, const TElementParts& p, bool formGiven) {
    std::string line = std::string("  ") + role + " " + ElementText(e) + ": ";
    if (e.Kind == TElementKind::Capacitor)
        return line + FormatFixed(p.PeakV, 1) + " V peak, rating " +
               (p.RatingV ? FormatFixed(*p.RatingV, 0) + " V" : std::string("above 10000 V")) +
               "\n";
    line += FormatFixed(p.RmsA, 3) + " A rms";
    if (!p.Winding && formGiven) line += "; air coil: less than one turn, or more than 100000";
    if (p.Winding)
        line += "; air coil " + FormatFixed(p.Winding->Turns, 1) + " turns, " +
                FormatFixed(p.Winding->LengthMm, 1) + " mm long, " +
                FormatSignificant(p.Winding->InductanceUh, 3) + " uH" +
                (p.Winding->Shape == TCoilShape::Long    ? " (longer than 10 form diameters)"
                 : p.Winding->Shape == TCoilShape::Short ? " (shorter than 0.1 form diameter)"
                                                         : "");
    if (p.Toroid)
        line += std::string("; ") + p.Toroid->Core + " " + std::to_string(p.Toroid->Turns) +
                " turns, " + FormatSignificant(p.Toroid->InductanceUh, 3) + " uH";
    return line + "\n";
}

} // namespace

bool WantsParts(const TCliArgs& args) {
    return args.Has("--parts") || args.Has("--coil-form") || args.Has("--toroid");
}

TWindingOptions WindingOptionsFrom(const TCliArgs& args) {
    TWindingOptions w;
    if (args.Has("--coil-form") != args.Has("--wire"))
        throw ECliError(args.Has("--wire") ? "--wire: needs --coil-form"
                                           : "--coil-form: needs --wire");
    if (args.Has("--pitch") && !args.Has("--wire"))
        throw ECliError("--pitch: needs --coil-form and --wire");
    if (args.Has("--coil-form")) {
        TAirCoilForm form;
        form.FormMm = args.Ranged("--coil-form", FormRange);
        form.WireMm = args.Ranged("--wire", WireRange);
        form.PitchMm = args.Ranged("--pitch", PitchRange, form.WireMm);
        if (const auto fault = FormFault(form)) throw ECliError(FormFaultEn(*fault, form));
        w.Form = form;
    }
    if (args.Has("--toroid")) {
        w.Core = FindToroidCore(args.Text("--toroid"));
        if (!w.Core)
            throw ECliError("--toroid: '" + args.Text("--toroid") +
                            "' is not one of T-37, T-50, T-68, T-80, T-94, T-106, T-130, T-157, "
                            "T-200 in mix -2 or -6 (e.g. T-130-2)");
    }
    return w;
}

void WritePartsBlocks(std::ostream& out, const std::vector<TNetworkReport>& reports,
                      const std::vector<TPartsReport>& parts, TESeries series,
                      const TWindingOptions& winding) {
    for (size_t i = 0; i < reports.size(); ++i) {
        const TLNetwork& n = reports[i].Network;
        const TPartsReport& p = parts[i];
        out << "\nnetwork " << i + 1 << ", "
            << (n.Arrangement == TArrangement::SeriesAtLoad ? "series-at-load" : "shunt-at-load")
            << " " << KindNameEn(n) << (n.Chart ? " (the chart's)" : "") << "\n";
        if (p.HasAsBuilt)
            out << "  as built (" << SeriesName(series) << "): SWR(Q) "
                << SwrText(p.AsBuilt.SwrWithLosses) << ", eff "
                << FormatFixed(100.0 * p.AsBuilt.Efficiency, 2) << " %, loss "
                << FormatFixed(p.AsBuilt.LossDb, 3) << " dB, shunt V pk "
                << FormatFixed(p.AsBuilt.ShuntPeakV, 1) << ", series A "
                << FormatFixed(p.AsBuilt.SeriesRmsA, 3) << "\n";
        out << "  for lossy parts: "
            << (p.HasLossyExact ? "series " + ElementText(p.LossyExact.Series) + ", shunt " +
                                      ElementText(p.LossyExact.Shunt)
                                : std::string("none (the losses make an exact match impossible)"))
            << "\n";
        if (p.HasAsBuilt) {
            if (!p.Series.Pair.Parts.empty())
                out << "  pair series: " << PairText(p.Series.Pair) << "\n";
            if (!p.Shunt.Pair.Parts.empty())
                out << "  pair shunt: " << PairText(p.Shunt.Pair) << "\n";
            out << "  pairs' SWR(Q): " << SwrText(p.PairSwr) << "\n";
        }
        if (n.Series.Present()) out << PartLine("series", n.Series, p.Series, bool(winding.Form));
        if (n.Shunt.Present()) out << PartLine("shunt", n.Shunt, p.Shunt, bool(winding.Form));
    }
}
