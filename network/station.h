#pragma once
// The whole station: transmitter -> tuner -> feed line -> antenna, with the
// tuner in the shack, or transmitter -> feed line -> tuner -> antenna with it
// at the antenna. One call gives, for a load at a frequency, the impedance,
// SWR and power at every junction, what each part dissipates and the stress
// of the tuner's parts at the power the tuner actually carries.

#include "defaults.h"
#include "feedline.h"
#include "lnetwork.h"

#include <memory>
#include <optional>

// What a tuner does with a power into its input and a load behind it.
struct TTunerDrive {
    TComplex InputZ;         // what it presents at its input
    double OutputW = 0.0;    // into the load
    double SeriesRmsA = 0.0; // the highest RMS current through a series part (0: none)
    double ShuntPeakV = 0.0; // the highest peak voltage across a parallel part (0: none)
};

// A matching network of fixed parts; an L network today, a T or a Pi later.
class TChainTuner {
public:
    virtual ~TChainTuner() = default;
    virtual TComplex InputImpedance(const TLoad& load, double fMHz) const = 0;
    // powerW delivered into the input.
    virtual TTunerDrive Drive(const TLoad& load, double fMHz, double powerW) const = 0;
};

class TLTuner final : public TChainTuner {
public:
    TLTuner(const TLNetwork& net, const TQuality& q) : FNetwork(net), FQ(q) {}
    const TLNetwork& Network() const { return FNetwork; }
    const TQuality& Quality() const { return FQ; }
    TComplex InputImpedance(const TLoad& load, double fMHz) const override;
    TTunerDrive Drive(const TLoad& load, double fMHz, double powerW) const override;

private:
    TLNetwork FNetwork;
    TQuality FQ;
};

struct TStation {
    double PowerW = DefaultPowerW; // what the transmitter delivers into the chain
    double Z0 = DefaultZ0;         // the system's reference: the transmitter's, the tuner's input
    std::optional<TFeed> Feed;     // none: the tuner straight at the antenna
    // None: no tuner, the transmitter works into what follows.
    std::shared_ptr<const TChainTuner> Tuner;
};

// One point of the chain, looking towards the antenna.
struct TJunction {
    TLoad Z;
    double Reference = DefaultZ0; // what the SWR is against
    double Swr = 1.0;
    double PowerW = 0.0; // flowing towards the antenna
};

struct TStationResult {
    TJunction Transmitter; // what the transmitter sees, against Z0
    TJunction TunerInput;  // against Z0
    TJunction TunerOutput; // the tuner's load, against Z0 (what it is asked to match)
    // The line's ends against the line's Z0; only with a feed line.
    bool HasLine = false;
    TJunction LineShack, LineAntenna;
    TJunction Antenna; // against Z0
    // Power in = power at the antenna + the tuner's loss + the line's loss.
    // Unknown (all 0) when no power can reach the antenna: a line ending in
    // a load without resistance.
    bool PowerKnown = true;
    double TransmitterW = 0.0, TunerLossW = 0.0, LineLossW = 0.0, AntennaW = 0.0;
    TTunerDrive Tuner; // at the power the tuner carries (TunerInput.PowerW)
    TLineFigures Line; // the line's figures, PowerAtFarW what reaches its far end
};

// The load the tuner works into at f: `given` (where the feed says it was
// taken) moved to where the tuner stands. Throws the checked arithmetic's
// error where the line makes it infinite.
TLoad StationTunerLoad(const TStation& station, const TLoad& given, double fMHz);

// The chain for `given` at f. The tuner's load must have resistance (see
// IsMatchable); throws the checked arithmetic's error where the line fails.
TStationResult EvaluateStation(const TStation& station, const TLoad& given, double fMHz);

// The usual station in one call: an L tuner with the Qs, the chart's network
// for the tuner's load at f unless `chosen` is given. Empty when the tuner's
// load cannot be matched.
struct TStationSetup {
    double PowerW = DefaultPowerW;
    double Z0 = DefaultZ0;
    TQuality Q;
    std::optional<TFeed> Feed;
};
std::optional<TStationResult> DesignStation(const TStationSetup& setup, const TLoad& given,
                                            double fMHz, const TLNetwork* chosen = nullptr);
// The station of a setup with the tuner `net`.
TStation StationOf(const TStationSetup& setup, const TLNetwork& net);
