#include "envelope.h"

#include "chartgeometry.h"
#include "fpcheck.h"
#include "station.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

const std::vector<double>& DefaultEnvelopeBands() {
    static const std::vector<double> bands{1.85,   3.65,   7.1,   10.125, 14.175,
                                           18.118, 21.225, 24.94, 28.85,  50.15};
    return bands;
}

TLoad EnvelopeLoad(double swr, int angle) {
    const TImpedance z = ChartGammaToImpedance(angle, ChartMagnitude(swr));
    return {z.R, z.X};
}

void CheckEnvelopeInputs(double swr, const std::vector<double>& bandsMHz, double powerW,
                         const TQuality& q) {
    if (!std::isfinite(swr) || !(swr >= 1.0))
        throw std::invalid_argument("the SWR must be a finite number of at least 1");
    // Past about 1e16 the reflection rounds to 1: the circle is the rim, where
    // no load has resistance.
    if (!(ChartMagnitude(swr) < 1.0))
        throw std::invalid_argument(
            "the SWR is too large: its circle lies on the rim of the chart");
    if (bandsMHz.empty()) throw std::invalid_argument("at least one frequency is needed");
    for (const double f : bandsMHz)
        if (!std::isfinite(f) || !(f > 0))
            throw std::invalid_argument("every frequency must be a finite number above 0");
    if (!std::isfinite(powerW) || !(powerW > 0))
        throw std::invalid_argument("the power must be a finite number above 0");
    if (!(q.Coil > 0) || !(q.Capacitor > 0))
        throw std::invalid_argument("the quality factors must be above 0");
}

double NetworkCoil(const TLNetwork& net) {
    double l = 0.0;
    for (const TElement& e : {net.Series, net.Shunt})
        if (e.Kind == TElementKind::Coil) l = std::max(l, e.Value);
    return l;
}

double NetworkCapacitor(const TLNetwork& net) {
    double c = 0.0;
    for (const TElement& e : {net.Series, net.Shunt})
        if (e.Kind == TElementKind::Capacitor) c = std::max(c, e.Value);
    return c;
}

namespace {

// Strict comparisons: the first point met keeps a tie.
void KeepMin(TEnvelopeExtreme& e, const TEnvelopeExtreme& candidate, bool first) {
    if (first || candidate.Value < e.Value) e = candidate;
}

void KeepMax(TEnvelopeExtreme& e, const TEnvelopeExtreme& candidate, bool first) {
    if (first || candidate.Value > e.Value) e = candidate;
}

} // namespace

TBandEnvelope BandEnvelope(double swr, double fMHz, double powerW, const TQuality& q,
                           const TFeed* feed) {
    CheckEnvelopeInputs(swr, {fMHz}, powerW, q);
    TBandEnvelope band;
    band.FrequencyMHz = fMHz;
    TStationSetup setup{powerW, ChartReference, q, std::nullopt};
    if (feed) {
        setup.Feed = *feed;
        setup.Feed->Point = TPointAt::Antenna;
    }
    for (int angle = EnvelopeFirstAngle; angle <= EnvelopeLastAngle; ++angle) {
        const TLoad antenna = EnvelopeLoad(swr, angle);
        TLoad load = antenna;
        double carriedW = powerW;
        if (setup.Feed) {
            try {
                load = StationTunerLoad(StationOf(setup, {}), antenna, fMHz);
                if (IsMatchable(load)) {
                    const TLNetwork chart = ChartNetwork(load, fMHz, ChartReference);
                    carriedW =
                        EvaluateStation(StationOf(setup, chart), antenna, fMHz).TunerInput.PowerW;
                }
            } catch (const EMathError&) {
                ++band.Unmatched;
                continue;
            }
            // All lost on the way (a very long line): no stress to cover.
            if (!(carriedW > 0)) carriedW = 0;
        }
        const std::vector<TLNetwork> nets = MatchingNetworks(load, fMHz, ChartReference);
        if (nets.empty()) {
            ++band.Unmatched;
            continue;
        }
        // The first is the chart's own choice, as ChartNetwork takes it.
        const TLNetwork& net = nets.front();
        TStress stress =
            NetworkStress(net, load, fMHz, q, carriedW > 0 ? carriedW : powerW, ChartReference);
        if (!(carriedW > 0)) stress.ShuntPeakV = stress.SeriesRmsA = 0;
        const bool first = band.Covered() == 0;
        auto at = [&](double value) { return TEnvelopeExtreme{value, angle, fMHz}; };
        const double l = NetworkCoil(net), c = NetworkCapacitor(net);
        KeepMin(band.LMin, at(l), first);
        KeepMax(band.LMax, at(l), first);
        KeepMin(band.CMin, at(c), first);
        KeepMax(band.CMax, at(c), first);
        KeepMax(band.ShuntPeakVMax, at(stress.ShuntPeakV), first);
        KeepMax(band.SeriesRmsAMax, at(stress.SeriesRmsA), first);
        KeepMin(band.EfficiencyMin, at(stress.Efficiency), first);
        if (net.Arrangement == TArrangement::SeriesAtLoad)
            ++band.LcCount;
        else
            ++band.ClCount;
    }
    return band;
}

std::vector<TBandEnvelope> Envelope(double swr, const std::vector<double>& bandsMHz, double powerW,
                                    const TQuality& q, const TFeed* feed) {
    CheckEnvelopeInputs(swr, bandsMHz, powerW, q);
    std::vector<TBandEnvelope> bands;
    bands.reserve(bandsMHz.size());
    for (const double f : bandsMHz)
        bands.push_back(BandEnvelope(swr, f, powerW, q, feed));
    return bands;
}

TBandEnvelope EnvelopeTotal(const std::vector<TBandEnvelope>& bands) {
    TBandEnvelope total;
    for (const TBandEnvelope& b : bands) {
        total.Unmatched += b.Unmatched;
        if (b.Covered() == 0) continue;
        const bool first = total.Covered() == 0;
        KeepMin(total.LMin, b.LMin, first);
        KeepMax(total.LMax, b.LMax, first);
        KeepMin(total.CMin, b.CMin, first);
        KeepMax(total.CMax, b.CMax, first);
        KeepMax(total.ShuntPeakVMax, b.ShuntPeakVMax, first);
        KeepMax(total.SeriesRmsAMax, b.SeriesRmsAMax, first);
        KeepMin(total.EfficiencyMin, b.EfficiencyMin, first);
        total.LcCount += b.LcCount;
        total.ClCount += b.ClCount;
    }
    return total;
}
