#include "station.h"

#include <cmath>

TComplex TLTuner::InputImpedance(const TLoad& load, double fMHz) const {
    return ::InputImpedance(FNetwork, load, fMHz, FQ);
}

TTunerDrive TLTuner::Drive(const TLoad& load, double fMHz, double powerW) const {
    TTunerDrive d;
    d.InputZ = InputImpedance(load, fMHz);
    // Nothing reaches it (all lost on a very long line): no output, no stress.
    if (!(powerW > 0)) return d;
    // The reference only sets the stress's SWR, which the chain does not use.
    const TStress s = NetworkStress(FNetwork, load, fMHz, FQ, powerW, DefaultZ0);
    d.OutputW = s.Efficiency * powerW;
    d.SeriesRmsA = s.SeriesRmsA;
    d.ShuntPeakV = s.ShuntPeakV;
    return d;
}

namespace {

TJunction JunctionOf(const TLoad& z, double reference, double powerW) {
    return {z, reference, Swr(z.Z(), reference), powerW};
}

TTunerDrive Drive(const TStation& station, const TLoad& load, double fMHz, double powerW) {
    if (station.Tuner) return station.Tuner->Drive(load, fMHz, powerW);
    TTunerDrive through;
    through.InputZ = load.Z();
    through.OutputW = powerW;
    return through;
}

TComplex TunerInput(const TStation& station, const TLoad& load, double fMHz) {
    return station.Tuner ? station.Tuner->InputImpedance(load, fMHz) : load.Z();
}

} // namespace

TLoad StationTunerLoad(const TStation& station, const TLoad& given, double fMHz) {
    return station.Feed ? TunerLoadOf(*station.Feed, given, fMHz) : given;
}

TStationResult EvaluateStation(const TStation& station, const TLoad& given, double fMHz) {
    TStationResult r;
    const double z0 = station.Z0, p = station.PowerW;
    r.TransmitterW = p;
    if (!station.Feed) {
        r.Tuner = Drive(station, given, fMHz, p);
        r.TunerInput = JunctionOf(LoadOf(r.Tuner.InputZ), z0, p);
        r.Transmitter = r.TunerInput;
        r.TunerOutput = JunctionOf(given, z0, r.Tuner.OutputW);
        r.Antenna = r.TunerOutput;
        r.AntennaW = r.Tuner.OutputW;
        r.TunerLossW = p - r.AntennaW;
        return r;
    }
    const TFeed& feed = *station.Feed;
    const TLine& line = feed.Line;
    r.HasLine = true;
    const TLoad antenna = feed.Point == TPointAt::Antenna
                              ? given
                              : LoadOf(MoveBackThroughLine(line, fMHz, feed.LengthM, given.Z()));
    // The line's figures for 1 W: its power transfer is linear in the power.
    if (feed.Tuner == TTunerAt::Shack) {
        r.Line = LineFigures(line, fMHz, feed.LengthM, antenna, 1.0);
        // What was measured at the shack is the tuner's load as it was read,
        // not as it comes back from the round trip.
        const TLoad tunerLoad = feed.Point == TPointAt::Shack ? given : r.Line.Near;
        r.Tuner = Drive(station, tunerLoad, fMHz, p);
        const double lineIn = r.Tuner.OutputW;
        const std::optional<double> transfer = r.Line.PowerAtFarW;
        r.PowerKnown = bool(transfer);
        const double far = transfer ? lineIn * *transfer : 0.0;
        r.Line.PowerAtFarW = transfer ? std::optional<double>(far) : std::nullopt;
        r.TunerInput = JunctionOf(LoadOf(r.Tuner.InputZ), z0, p);
        r.Transmitter = r.TunerInput;
        r.TunerOutput = JunctionOf(tunerLoad, z0, lineIn);
        r.LineShack = JunctionOf(tunerLoad, line.Z0, lineIn);
        r.LineAntenna = JunctionOf(antenna, line.Z0, far);
        r.Antenna = JunctionOf(antenna, z0, far);
        r.AntennaW = far;
        r.TunerLossW = p - lineIn;
        r.LineLossW = lineIn - far;
    } else {
        const TComplex tunerIn = TunerInput(station, antenna, fMHz);
        r.Line = LineFigures(line, fMHz, feed.LengthM, LoadOf(tunerIn), 1.0);
        const std::optional<double> transfer = r.Line.PowerAtFarW;
        r.PowerKnown = bool(transfer);
        const double atTuner = transfer ? p * *transfer : 0.0;
        r.Line.PowerAtFarW = transfer ? std::optional<double>(atTuner) : std::nullopt;
        r.Tuner = Drive(station, antenna, fMHz, atTuner);
        r.Transmitter = JunctionOf(r.Line.Near, z0, p);
        r.LineShack = JunctionOf(r.Line.Near, line.Z0, p);
        r.LineAntenna = JunctionOf(LoadOf(tunerIn), line.Z0, atTuner);
        r.TunerInput = JunctionOf(LoadOf(tunerIn), z0, atTuner);
        r.TunerOutput = JunctionOf(antenna, z0, r.Tuner.OutputW);
        r.Antenna = r.TunerOutput;
        r.AntennaW = r.Tuner.OutputW;
        r.LineLossW = p - atTuner;
        r.TunerLossW = atTuner - r.AntennaW;
    }
    if (!r.PowerKnown) r.TunerLossW = r.LineLossW = r.AntennaW = 0.0;
    return r;
}

TStation StationOf(const TStationSetup& setup, const TLNetwork& net) {
    TStation s;
    s.PowerW = setup.PowerW;
    s.Z0 = setup.Z0;
    s.Feed = setup.Feed;
    s.Tuner = std::make_shared<TLTuner>(net, setup.Q);
    return s;
}

std::optional<TStationResult> DesignStation(const TStationSetup& setup, const TLoad& given,
                                            double fMHz, const TLNetwork* chosen) {
    TStation station = StationOf(setup, TLNetwork{});
    const TLoad tunerLoad = StationTunerLoad(station, given, fMHz);
    if (!IsMatchable(tunerLoad)) return std::nullopt;
    station.Tuner = std::make_shared<TLTuner>(
        chosen ? *chosen : ChartNetwork(tunerLoad, fMHz, setup.Z0), setup.Q);
    return EvaluateStation(station, given, fMHz);
}
