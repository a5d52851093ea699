#include "cli.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <sstream>

TCliArgs::TCliArgs(int argc, char** argv, const std::vector<std::string>& valued,
                   const std::vector<std::string>& flags) {
    auto known = [](const std::vector<std::string>& list, const std::string& name) {
        return std::find(list.begin(), list.end(), name) != list.end();
    };
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (known(flags, name)) {
            FValues[name] = std::string();
        } else if (known(valued, name)) {
            if (i + 1 >= argc) throw ECliError(name + ": a value is missing");
            FValues[name] = argv[++i];
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

double TCliArgs::Number(const std::string& name) const {
    const std::string& text = Text(name);
    double value = 0.0;
    if (!ParseNumber(text, value)) throw ECliError(name + ": '" + text + "' is not a number");
    return value;
}

double TCliArgs::Number(const std::string& name, double fallback) const {
    return Has(name) ? Number(name) : fallback;
}

double TCliArgs::Positive(const std::string& name) const {
    const double value = Number(name);
    if (!(value > 0)) throw ECliError(name + ": '" + Text(name) + "' must be above 0");
    return value;
}

double TCliArgs::Positive(const std::string& name, double fallback) const {
    return Has(name) ? Positive(name) : fallback;
}

bool ParseNumber(const std::string& text, double& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    double v = 0.0;
    const auto [ptr, ec] = std::from_chars(begin, end, v, std::chars_format::general);
    if (ec != std::errc() || ptr != end || begin == end || !std::isfinite(v)) return false;
    value = v;
    return true;
}

std::string JsonNumber(double value) {
    if (!std::isfinite(value)) return "null";
    char buf[64];
    const auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? std::string(buf, ptr) : "null";
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

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "-";
    char buf[400];
    const auto [ptr, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    std::string s = ec == std::errc() ? std::string(buf, ptr) : "-";
    if (s[0] == '-' && s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    return s;
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

std::string ElementJson(const TElement& e) {
    if (!e.Present()) return "null";
    const bool coil = e.Kind == TElementKind::Coil;
    return std::string("{\"kind\": ") + (coil ? "\"L\"" : "\"C\"") +
           ", \"value\": " + JsonNumber(e.Value) + ", \"unit\": " + (coil ? "\"uH\"" : "\"pF\"") +
           "}";
}

std::string ElementText(const TElement& e) {
    if (!e.Present()) return "-";
    if (e.Kind == TElementKind::Coil) return "L " + Fixed(e.Value, 3) + " uH";
    return "C " + Fixed(e.Value, 1) + " pF";
}

} // namespace

TDesignOptions DesignOptionsFrom(const TCliArgs& args) {
    TDesignOptions o;
    o.Z0 = args.Positive("--z0", 50.0);
    if (args.Has("--series")) o.Series = SeriesFrom(args.Text("--series"));
    o.Q.Coil = args.Positive("--ql", 200.0);
    o.Q.Capacitor = args.Positive("--qc", 1000.0);
    o.PowerW = args.Positive("--power", 100.0);
    return o;
}

std::string NetworkJson(const TNetworkReport& rep) {
    const TLNetwork& n = rep.Network;
    std::ostringstream s;
    s << "\"arrangement\": "
      << (n.Arrangement == TArrangement::SeriesAtLoad ? "\"series-at-load\"" : "\"shunt-at-load\"")
      << ", \"series\": " << ElementJson(n.Series) << ", \"shunt\": " << ElementJson(n.Shunt)
      << ", \"lowpass\": " << (n.LowPass() ? "true" : "false")
      << ", \"chart\": " << (n.Chart ? "true" : "false") << ", \"standard\": ";
    if (rep.HasStandard)
        s << "{\"series\": " << ElementJson(rep.Standard.Series)
          << ", \"shunt\": " << ElementJson(rep.Standard.Shunt)
          << ", \"swr\": " << JsonNumber(rep.StandardSwr)
          << ", \"worst_swr\": " << JsonNumber(rep.WorstSwr) << "}";
    else
        s << "null";
    s << ", \"swr_with_losses\": " << JsonNumber(rep.Stress.SwrWithLosses)
      << ", \"efficiency\": " << JsonNumber(rep.Stress.Efficiency)
      << ", \"loss_db\": " << JsonNumber(rep.Stress.LossDb)
      << ", \"shunt_peak_v\": " << JsonNumber(rep.Stress.ShuntPeakV)
      << ", \"series_rms_a\": " << JsonNumber(rep.Stress.SeriesRmsA);
    return s.str();
}

std::string LoadJson(const TLoad& load, double fMHz, const TDesignOptions& options) {
    const std::vector<TNetworkReport> reports = DesignNetworks(load, fMHz, options);
    std::ostringstream s;
    s << "{\"frequency_mhz\": " << JsonNumber(fMHz) << ", \"z0\": " << JsonNumber(options.Z0)
      << ", \"load\": {\"r\": " << JsonNumber(load.R) << ", \"x\": " << JsonNumber(load.X)
      << ", \"swr\": " << JsonNumber(Swr({load.R, load.X}, options.Z0)) << "}, \"networks\": [";
    for (size_t i = 0; i < reports.size(); ++i)
        s << (i ? ", " : "") << "{" << NetworkJson(reports[i]) << "}";
    s << "]}";
    return s.str();
}

void WriteNetworkTable(std::ostream& out, const std::vector<TNetworkReport>& reports) {
    out << std::left << std::setw(7) << "chart" << std::setw(16) << "arrangement"
        << std::setw(16) << "kind" << std::setw(16) << "series" << std::setw(16) << "shunt"
        << std::setw(16) << "std series" << std::setw(16) << "std shunt" << std::setw(9)
        << "std SWR" << std::setw(11) << "worst SWR" << std::setw(9) << "SWR(Q)"
        << std::setw(8) << "eff %" << std::setw(9) << "loss dB" << std::setw(12)
        << "shunt V pk" << "series A\n";
    for (const TNetworkReport& rep : reports) {
        const TLNetwork& n = rep.Network;
        out << std::setw(7) << (n.Chart ? "*" : "") << std::setw(16)
            << (n.Arrangement == TArrangement::SeriesAtLoad ? "series-at-load" : "shunt-at-load")
            << std::setw(16) << KindNameEn(n) << std::setw(16) << ElementText(n.Series)
            << std::setw(16) << ElementText(n.Shunt) << std::setw(16)
            << (rep.HasStandard ? ElementText(rep.Standard.Series) : "-") << std::setw(16)
            << (rep.HasStandard ? ElementText(rep.Standard.Shunt) : "-") << std::setw(9)
            << (rep.HasStandard ? Fixed(rep.StandardSwr, 3) : "-") << std::setw(11)
            << (rep.HasStandard ? Fixed(rep.WorstSwr, 3) : "-") << std::setw(9)
            << Fixed(rep.Stress.SwrWithLosses, 3) << std::setw(8)
            << Fixed(100.0 * rep.Stress.Efficiency, 2) << std::setw(9)
            << Fixed(rep.Stress.LossDb, 3) << std::setw(12) << Fixed(rep.Stress.ShuntPeakV, 1)
            << Fixed(rep.Stress.SeriesRmsA, 3) << "\n";
    }
}
