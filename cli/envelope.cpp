// The tuner-design envelope: the parts and stresses that cover every load on
// one SWR circle, band by band.
#include "envelope.h"
#include "cli.h"

#include <algorithm>
#include <iterator>
#include <stdexcept>

namespace {

std::vector<double> BandsFrom(const TCliArgs& args) {
    if (!args.Has("--bands")) return DefaultEnvelopeBands();
    std::vector<double> bands;
    try {
        bands = ParseBandList(args.Text("--bands"));
    } catch (const ETextError& e) {
        throw ECliError("--bands: " + TextFaultEn(e));
    }
    // The list parser knows no physical range: the band is named as read.
    for (const double f : bands)
        if (!FrequencyRange.Valid(f))
            throw ECliError("--bands: '" + JsonNumber(f) + "' must be " + FrequencyRange.Text);
    return bands;
}

// "-" for a band where no point had a network.
std::string Cell(const TBandEnvelope& b, const TEnvelopeExtreme& e, double scale, int decimals) {
    return b.Covered() > 0 ? FormatFixed(e.Value * scale, decimals) : "-";
}

std::string JsonCell(const TBandEnvelope& b, const TEnvelopeExtreme& e) {
    return b.Covered() > 0 ? JsonNumber(e.Value) : "null";
}

// Right-aligned columns; the first needs no blank before it at the line's start.
void WriteCells(std::ostream& out, const std::vector<std::string>& cells) {
    static const size_t widths[] = {10, 11, 11, 11, 11, 12, 11, 11, 9};
    for (size_t i = 0; i < cells.size(); ++i) {
        const size_t width = widths[std::min(i, std::size(widths) - 1)];
        out << (i == 0 && cells[i].size() >= width ? cells[i] : CellRight(cells[i], width));
    }
    out << "\n";
}

void WriteRow(std::ostream& out, const std::string& label, const TBandEnvelope& b) {
    WriteCells(out, {label, Cell(b, b.LMin, 1, 3), Cell(b, b.LMax, 1, 3), Cell(b, b.CMin, 1, 1),
                     Cell(b, b.CMax, 1, 1), Cell(b, b.ShuntPeakVMax, 1, 0),
                     Cell(b, b.SeriesRmsAMax, 1, 2), Cell(b, b.EfficiencyMin, 100, 1),
                     std::to_string(b.LcCount) + "/" + std::to_string(b.ClCount)});
}

} // namespace

int RunEnvelope(const TCliArgs& args, std::ostream& out) {
    const double swr = args.Ranged("--swr", SwrRange);
    const std::vector<double> bands = BandsFrom(args);
    const double power = args.Ranged("--power", PowerRange, DefaultPowerW);
    const TQuality q{args.Ranged("--ql", QRange, DefaultQCoil),
                     args.Ranged("--qc", QRange, DefaultQCapacitor)};
    const std::optional<TFeed> feed = FeedFrom(args);
    std::vector<TBandEnvelope> rows;
    try {
        rows = Envelope(swr, bands, power, q, feed ? &*feed : nullptr);
    } catch (const std::invalid_argument& e) {
        throw ECliError(std::string("--envelope: ") + e.what());
    }
    const TBandEnvelope total = EnvelopeTotal(rows);

    if (args.Has("--json")) {
        out << "{\"swr\": " << JsonNumber(swr) << ", \"power_w\": " << JsonNumber(power);
        if (feed)
            out << ", \"line\": {\"name\": "
                << (feed->Line.Name.empty() ? std::string("null") : JsonString(feed->Line.Name))
                << ", \"z0\": " << JsonNumber(feed->Line.Z0)
                << ", \"vf\": " << JsonNumber(feed->Line.VF)
                << ", \"length_m\": " << JsonNumber(feed->LengthM)
                << ", \"tuner\": " << (feed->Tuner == TTunerAt::Shack ? "\"shack\"" : "\"antenna\"")
                << "}";
        out << ", \"bands\": [";
        for (size_t i = 0; i < rows.size(); ++i) {
            const TBandEnvelope& b = rows[i];
            out << (i ? ", " : "") << "{\"frequency_mhz\": " << JsonNumber(b.FrequencyMHz)
                << ", \"l_min_uh\": " << JsonCell(b, b.LMin)
                << ", \"l_max_uh\": " << JsonCell(b, b.LMax)
                << ", \"c_min_pf\": " << JsonCell(b, b.CMin)
                << ", \"c_max_pf\": " << JsonCell(b, b.CMax)
                << ", \"shunt_peak_v_max\": " << JsonCell(b, b.ShuntPeakVMax)
                << ", \"series_rms_a_max\": " << JsonCell(b, b.SeriesRmsAMax)
                << ", \"efficiency_min\": " << JsonCell(b, b.EfficiencyMin)
                << ", \"lc_count\": " << b.LcCount << ", \"cl_count\": " << b.ClCount << "}";
        }
        out << "]}\n";
        return 0;
    }
    if (feed)
        out << FeedText(*feed)
            << "; the circle is the antenna's, moved through the line at each band\n";
    out << "SWR " << JsonNumber(swr) << " circle against 50 ohm, " << EnvelopeAngles
        << " points a band; Q coil " << FormatFixed(q.Coil, 0) << ", Q capacitor "
        << FormatFixed(q.Capacitor, 0) << ", power " << FormatFixed(power, 1) << " W\n";
    WriteCells(out, {"f MHz", "L min uH", "L max uH", "C min pF", "C max pF", "shunt V pk",
                     "series A", "eff min %", "LC/CL"});
    for (const TBandEnvelope& b : rows)
        WriteRow(out, JsonNumber(b.FrequencyMHz), b);
    WriteRow(out, "total", total);
    if (total.Unmatched > 0) out << total.Unmatched << " points without a network left out\n";
    return 0;
}
