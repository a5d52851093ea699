#include "cli.h"
#include "ranges.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

TCliArgs::TCliArgs(int argc, char** argv, const std::vector<std::string>& valued,
                   const std::vector<std::string>& flags,
                   const std::vector<std::string>& optional) {
    auto known = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        // The last of two would win silently, and a script's typo with it.
        if (Has(name)) throw ECliError(name + ": given more than once");
        if (known(flags, name)) {
            FValues[name] = std::string();
        } else if (known(valued, name)) {
            if (i + 1 >= argc) throw ECliError(name + ": a value is missing");
            FValues[name] = argv[++i];
        } else if (known(optional, name)) {
            const bool valueFollows =
                i + 1 < argc && (std::string(argv[i + 1]) == "-" || argv[i + 1][0] != '-');
            FValues[name] = valueFollows ? argv[++i] : std::string();
        } else {
            throw ECliError("unknown option '" + name + "' (see --help)");
        }
    }
}

const std::string& TCliArgs::Text(const std::string& name) const {
    const auto it = FValues.find(name);
    if (it == FValues.end()) throw ECliError(name + ": option missing");
    return it->second;
}

double TypedNumber(const std::string& name, const std::string& text) {
    double value = 0.0;
    if (!TryParseNumber(text, value)) throw ECliError(name + ": '" + text + "' is not a number");
    return value;
}

double TypedRanged(const std::string& name, const std::string& text, const TRange& range) {
    const double value = TypedNumber(name, text);
    if (!range.Valid(value)) throw ECliError(name + ": '" + text + "' must be " + range.Text);
    return value;
}

double TypedLoadR(const std::string& name, const std::string& text) {
    if (TypedNumber(name, text) < 0)
        throw ECliError(name + ": '" + text + "' must not be negative");
    return TypedRanged(name, text, LoadRRange);
}

void RequireMatchable(const TLoad& load, const std::string& name, const std::string& text) {
    if (!IsMatchable(load))
        throw ECliError(name + ": '" + text +
                        "': a load without resistance cannot be matched by an L network");
}

double TCliArgs::Number(const std::string& name) const {
    return TypedNumber(name, Text(name));
}

double TCliArgs::Number(const std::string& name, double fallback) const {
    return Has(name) ? Number(name) : fallback;
}

std::vector<std::string> TCliArgs::Names() const {
    std::vector<std::string> names;
    for (const auto& [name, value] : FValues)
        names.push_back(name);
    return names;
}

double TCliArgs::Ranged(const std::string& name, const TRange& range) const {
    return TypedRanged(name, Text(name), range);
}

double TCliArgs::Ranged(const std::string& name, const TRange& range, double fallback) const {
    return Has(name) ? Ranged(name, range) : fallback;
}

const TRange FrequencyRange{ValidFrequencyMHz, "0.001 to 100000 MHz (1 kHz to 100 GHz)"};
const TRange LoadRRange{ValidLoadR, "1e-6 to 1e9 ohm"};
const TRange LoadXRange{ValidLoadX, "-1e9 to 1e9 ohm"};
const TRange Z0Range{ValidZ0, "1 to 1e4 ohm"};
const TRange QRange{ValidQ, "1 to 1e6"};
const TRange PowerRange{ValidPowerW, "above 0 and at most 1e7 W"};
const TRange SwrRange{ValidSwr, "at least 1"};

std::string TextFaultEn(const ETextError& e) {
    const std::string quoted = "'" + e.Text + "'";
    switch (e.Code) {
    case TTextFault::NotANumber:
        return quoted + " is not a number";
    case TTextFault::OutOfRange:
        return quoted + " is out of range";
    case TTextFault::EmptyList:
        return "the list of frequencies is empty";
    case TTextFault::EmptyItem:
        return "an empty item in " + quoted;
    case TTextFault::DecimalComma:
        return quoted +
               ": write decimals with '.', separate the frequencies with spaces or semicolons";
    case TTextFault::NotPositive:
        return quoted + " must be above 0";
    }
    return quoted + " is not valid";
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

namespace {

TESeries SeriesFrom(const std::string& text) {
    std::string t = text;
    std::transform(t.begin(), t.end(), t.begin(), [](unsigned char c) { return std::toupper(c); });
    for (const TESeries s :
         {TESeries::None, TESeries::E6, TESeries::E12, TESeries::E24, TESeries::E48, TESeries::E96})
        if (t == SeriesName(s) || (s == TESeries::None && t == "NONE")) return s;
    throw ECliError("--series: '" + text + "' is not one of E6, E12, E24, E48, E96, none");
}

// A key and its number, after a comma unless it opens an object.
void AppendField(std::string& s, const char* key, double value) {
    s += key;
    AppendJsonNumber(s, value);
}
void AppendField(std::string& s, const char* key, const std::optional<double>& value) {
    s += key;
    AppendJsonNumber(s, value);
}

// What the bench needs of a designed part: the voltage or current it must
// stand, and how a coil is wound.
void AppendPartFields(std::string& s, const TElement& e, const TElementParts& p) {
    if (e.Kind == TElementKind::Capacitor) {
        AppendField(s, ", \"peak_v\": ", p.PeakV);
        AppendField(s, ", \"rating_v\": ", p.RatingV);
        return;
    }
    AppendField(s, ", \"rms_a\": ", p.RmsA);
    if (p.Winding) {
        AppendField(s, ", \"winding\": {\"turns\": ", p.Winding->Turns);
        AppendField(s, ", \"length_mm\": ", p.Winding->LengthMm);
        AppendField(s, ", \"inductance_uh\": ", p.Winding->InductanceUh);
        s += p.Winding->Shape == TCoilShape::Long    ? ", \"shape\": \"long\"}"
             : p.Winding->Shape == TCoilShape::Short ? ", \"shape\": \"short\"}"
                                                     : ", \"shape\": \"usual\"}";
    }
    if (p.Toroid) {
        s += ", \"toroid\": {\"core\": ";
        s += JsonString(p.Toroid->Core);
        AppendField(s, ", \"turns\": ", double(p.Toroid->Turns));
        AppendField(s, ", \"inductance_uh\": ", p.Toroid->InductanceUh);
        s += "}";
    }
}

void AppendElementJson(std::string& s, const TElement& e, const TElementParts* parts = nullptr) {
    if (!e.Present()) {
        s += "null";
        return;
    }
    const bool coil = e.Kind == TElementKind::Coil;
    s += coil ? "{\"kind\": \"L\", \"value\": " : "{\"kind\": \"C\", \"value\": ";
    AppendJsonNumber(s, e.Value);
    s += coil ? ", \"unit\": \"uH\"" : ", \"unit\": \"pF\"";
    if (parts) AppendPartFields(s, e, *parts);
    s += "}";
}

// The stress fields of designed or as-built parts, without braces.
void AppendStressFields(std::string& s, const TStress& stress) {
    AppendField(s, "\"swr_with_losses\": ", ShownSwr(stress.SwrWithLosses));
    AppendField(s, ", \"efficiency\": ", stress.Efficiency);
    AppendField(s, ", \"loss_db\": ", stress.LossDb);
    AppendField(s, ", \"shunt_peak_v\": ", stress.ShuntPeakV);
    AppendField(s, ", \"series_rms_a\": ", stress.SeriesRmsA);
}

const char* ConnectionName(TConnection c) {
    switch (c) {
    case TConnection::Parallel:
        return "parallel";
    case TConnection::Series:
        return "series";
    case TConnection::Single:
        break;
    }
    return "single";
}

void AppendPairJson(std::string& s, const TPartPair& pair) {
    if (pair.Parts.empty()) {
        s += "null";
        return;
    }
    s += "{\"parts\": [";
    for (size_t i = 0; i < pair.Parts.size(); ++i) {
        s += i ? ", " : "";
        AppendElementJson(s, {pair.Kind, pair.Parts[i]});
    }
    s += "], \"connection\": \"";
    s += ConnectionName(pair.Connection);
    AppendField(s, "\", \"value\": ", pair.Value);
    AppendField(s, ", \"error\": ", pair.Error());
    s += "}";
}

// key, then the object body() writes between braces, or null when absent.
template <class TBody>
void AppendObjectOrNull(std::string& s, const char* key, bool present, TBody body) {
    s += key;
    if (!present) {
        s += "null";
        return;
    }
    s += "{";
    body();
    s += "}";
}

void AppendSeriesShunt(std::string& s, const TElement& series, const TElement& shunt) {
    s += "\"series\": ";
    AppendElementJson(s, series);
    s += ", \"shunt\": ";
    AppendElementJson(s, shunt);
}

void AppendPartsJson(std::string& s, const TPartsReport& p) {
    AppendObjectOrNull(s, ", \"as_built\": ", p.HasAsBuilt,
                       [&] { AppendStressFields(s, p.AsBuilt); });
    AppendObjectOrNull(s, ", \"lossy_exact\": ", p.HasLossyExact,
                       [&] { AppendSeriesShunt(s, p.LossyExact.Series, p.LossyExact.Shunt); });
    AppendObjectOrNull(s, ", \"pair\": ", p.HasAsBuilt, [&] {
        s += "\"series\": ";
        AppendPairJson(s, p.Series.Pair);
        s += ", \"shunt\": ";
        AppendPairJson(s, p.Shunt.Pair);
        AppendField(s, ", \"swr\": ", ShownSwr(p.PairSwr));
    });
}

} // namespace

TDesignOptions DesignOptionsFrom(const TCliArgs& args) {
    TDesignOptions o;
    o.Z0 = args.Ranged("--z0", Z0Range, DefaultZ0);
    if (args.Has("--series")) o.Series = SeriesFrom(args.Text("--series"));
    o.Q.Coil = args.Ranged("--ql", QRange, DefaultQCoil);
    o.Q.Capacitor = args.Ranged("--qc", QRange, DefaultQCapacitor);
    o.PowerW = args.Ranged("--power", PowerRange, DefaultPowerW);
    return o;
}

// Appended to one string: a stream per object, and a string per number,
// cost more than the design itself, which a batch pays for every line.
void AppendNetworkJson(std::string& s, const TNetworkReport& rep, const TPartsReport* parts) {
    const TLNetwork& n = rep.Network;
    s += n.Arrangement == TArrangement::SeriesAtLoad ? "\"arrangement\": \"series-at-load\""
                                                     : "\"arrangement\": \"shunt-at-load\"";
    s += ", \"series\": ";
    AppendElementJson(s, n.Series, parts ? &parts->Series : nullptr);
    s += ", \"shunt\": ";
    AppendElementJson(s, n.Shunt, parts ? &parts->Shunt : nullptr);
    s += n.LowPass() ? ", \"lowpass\": true" : ", \"lowpass\": false";
    s += n.Chart ? ", \"chart\": true" : ", \"chart\": false";
    AppendObjectOrNull(s, ", \"standard\": ", rep.HasStandard, [&] {
        AppendSeriesShunt(s, rep.Standard.Series, rep.Standard.Shunt);
        AppendField(s, ", \"swr\": ", ShownSwr(rep.StandardSwr));
        AppendField(s, ", \"worst_swr\": ", ShownSwr(rep.WorstSwr));
    });
    s += ", ";
    AppendStressFields(s, rep.Stress);
    if (parts) AppendPartsJson(s, *parts);
}

std::string LoadJson(const TLoad& load, double fMHz, const TDesignOptions& options,
                     const TFeed* feed, const TWindingOptions* winding, bool lenient) {
    std::string s;
    AppendLoadJson(s, load, fMHz, options, feed, winding, lenient);
    return s;
}

TStation StationFrom(const TDesignOptions& options, const TFeed* feed, const TLNetwork& net) {
    TStationSetup setup;
    setup.PowerW = options.PowerW;
    setup.Z0 = options.Z0;
    setup.Q = options.Q;
    if (feed) setup.Feed = *feed;
    return StationOf(setup, net);
}

TLoadDesign DesignLoad(const TLoad& given, double fMHz, const TDesignOptions& options,
                       const TFeed* feed, bool chartOnly, const std::string& where, bool lenient) {
    TLoadDesign d;
    d.TunerLoad = feed ? TunerLoadChecked(*feed, given, fMHz, where) : given;
    const std::vector<TLNetwork> nets =
        chartOnly ? std::vector<TLNetwork>{ChartNetwork(d.TunerLoad, fMHz, options.Z0)}
                  : MatchingNetworks(d.TunerLoad, fMHz, options.Z0);
    for (const TLNetwork& net : nets) {
        TDesignOptions carried = options;
        if (feed) {
            // Each network carries what reaches it, and its input sets what the
            // line before it loses; the chart's network (the first) gives the chain.
            std::optional<TStationResult> chain;
            try {
                chain = StationChecked(StationFrom(options, feed, net), given, fMHz, where);
            } catch (const ECliError&) {
                if (!lenient) throw;
            }
            if (chain) {
                if (!d.Chain) d.Chain = chain;
                carried.PowerW = chain->TunerInput.PowerW;
            }
        }
        const bool carries = carried.PowerW > 0;
        if (!carries) carried.PowerW = options.PowerW;
        d.Reports.push_back(DesignNetwork(net, d.TunerLoad, fMHz, carried));
        if (!carries) d.Reports.back().Stress.ShuntPeakV = d.Reports.back().Stress.SeriesRmsA = 0;
        d.Carried.push_back(carried);
    }
    return d;
}

void AppendLoadJson(std::string& s, const TLoad& given, double fMHz, const TDesignOptions& options,
                    const TFeed* feed, const TWindingOptions* winding, bool lenient) {
    const TLoadDesign d = DesignLoad(given, fMHz, options, feed, false, "the load", lenient);
    const TLoad& load = d.TunerLoad;
    AppendField(s, "{\"frequency_mhz\": ", fMHz);
    AppendField(s, ", \"z0\": ", options.Z0);
    AppendField(s, ", \"load\": {\"r\": ", load.R);
    AppendField(s, ", \"x\": ", load.X);
    AppendField(s, ", \"swr\": ", ShownSwr(Swr({load.R, load.X}, options.Z0)));
    s += "}";
    if (feed && (d.Chain || lenient)) {
        s += ", \"line\": ";
        if (d.Chain)
            AppendLineJson(s, *feed, *d.Chain);
        else
            s += "null";
        s += ", \"power\": ";
        if (d.Chain)
            AppendPowerJson(s, *d.Chain);
        else
            s += "null";
    }
    s += ", \"networks\": [";
    for (size_t i = 0; i < d.Reports.size(); ++i) {
        s += i ? ", {" : "{";
        if (winding) {
            const TPartsReport parts = BuildParts(d.Reports[i], load, fMHz, d.Carried[i], *winding);
            AppendNetworkJson(s, d.Reports[i], &parts);
        } else {
            AppendNetworkJson(s, d.Reports[i]);
        }
        s += "}";
    }
    s += "]}";
}

std::string Cell(const std::string& text, size_t width) {
    return text + std::string(text.size() < width ? width - text.size() : 1, ' ');
}

std::string CellRight(const std::string& text, size_t width) {
    return std::string(text.size() < width ? width - text.size() : 1, ' ') + text;
}

std::string NetworkHeaderCells() {
    return Cell("arrangement", 16) + Cell("kind", 16) + Cell("series", 16) + Cell("shunt", 16) +
           Cell("std series", 16) + Cell("std shunt", 16) + Cell("std SWR", 9) +
           Cell("worst SWR", 11) + Cell("SWR(Q)", 9) + Cell("eff %", 8) + Cell("loss dB", 9) +
           Cell("shunt V pk", 12) + "series A";
}

std::string NetworkCells(const TNetworkReport& rep) {
    const TLNetwork& n = rep.Network;
    const bool std = rep.HasStandard;
    return Cell(n.Arrangement == TArrangement::SeriesAtLoad ? "series-at-load" : "shunt-at-load",
                16) +
           Cell(KindNameEn(n), 16) + Cell(ElementText(n.Series), 16) +
           Cell(ElementText(n.Shunt), 16) + Cell(std ? ElementText(rep.Standard.Series) : "-", 16) +
           Cell(std ? ElementText(rep.Standard.Shunt) : "-", 16) +
           Cell(std ? SwrText(rep.StandardSwr) : "-", 9) +
           Cell(std ? SwrText(rep.WorstSwr) : "-", 11) +
           Cell(SwrText(rep.Stress.SwrWithLosses), 9) +
           Cell(FormatFixed(100.0 * rep.Stress.Efficiency, 2), 8) +
           Cell(FormatFixed(rep.Stress.LossDb, 3), 9) +
           Cell(FormatFixed(rep.Stress.ShuntPeakV, 1), 12) + FormatFixed(rep.Stress.SeriesRmsA, 3);
}

void WriteNetworkTable(std::ostream& out, const std::vector<TNetworkReport>& reports) {
    out << Cell("chart", 7) << NetworkHeaderCells() << "\n";
    for (const TNetworkReport& rep : reports)
        out << Cell(rep.Network.Chart ? "*" : "", 7) << NetworkCells(rep) << "\n";
}

std::string DesignOptionsText(const TDesignOptions& options) {
    return std::string("series ") + SeriesName(options.Series) + ", Q coil " +
           FormatFixed(options.Q.Coil, 0) + ", Q capacitor " + FormatFixed(options.Q.Capacitor, 0) +
           ", power " + FormatFixed(options.PowerW, 1) + " W";
}
