#pragma once
// The tuner-design envelope: the chart's own network for every load on one
// SWR circle, one degree apart, band by band, and the extremes a builder must
// cover: the largest and smallest coil and capacitor, the worst voltage,
// current and efficiency.

#include "feedline.h"
#include "lnetwork.h"

#include <vector>

// The circle's points: every whole degree with -180 < angle <= 180.
constexpr int EnvelopeFirstAngle = -179;
constexpr int EnvelopeLastAngle = 180;
constexpr int EnvelopeAngles = EnvelopeLastAngle - EnvelopeFirstAngle + 1;

// The amateur bands' centres, MHz: the window's and the command line's default.
const std::vector<double>& DefaultEnvelopeBands();

// One extreme and where it was met; ties keep the first angle from -179 up
// (and, over several bands, the first band).
struct TEnvelopeExtreme {
    double Value = 0.0;
    int Angle = 0; // degrees
    double FrequencyMHz = 0.0;
};

struct TBandEnvelope {
    double FrequencyMHz = 0.0; // 0 for the row over all bands
    // The coil (µH) and the capacitor (pF) of the chart's network; a network
    // without a coil counts as 0 µH, one without a capacitor as 0 pF, so a
    // circle that needs no coil somewhere shows L min 0.
    TEnvelopeExtreme LMin, LMax, CMin, CMax;
    TEnvelopeExtreme ShuntPeakVMax; // peak volts across the parallel element at the power
    TEnvelopeExtreme SeriesRmsAMax; // RMS amperes through the series element
    TEnvelopeExtreme EfficiencyMin; // fraction, with the parts' Qs
    int LcCount = 0;                // series element at the load (TArrangement::SeriesAtLoad)
    int ClCount = 0;                // parallel element at the load (TArrangement::ShuntAtLoad)
    int Unmatched = 0;              // points without any network, left out of the extremes
    // Points that gave a network; when 0 the extremes mean nothing.
    int Covered() const { return LcCount + ClCount; }
};

// The load of the circle's point at angle (degrees) against the chart's 50
// ohms, as the chart computes it.
TLoad EnvelopeLoad(double swr, int angle);

// Throws std::invalid_argument unless swr >= 1 and finite with its circle
// inside the rim, at least one frequency, every frequency finite and above 0,
// powerW above 0 and both Qs above 0 (infinity is lossless).
void CheckEnvelopeInputs(double swr, const std::vector<double>& bandsMHz, double powerW,
                         const TQuality& q);

// One band, inputs as above (checked). With a feed line the circle is the
// antenna's, moved through the line to where the tuner stands at the band's
// frequency (the feed's Point is ignored), and the stresses are at the power
// the tuner carries of powerW from the transmitter; a point the line takes to
// no finite load is unmatched.
TBandEnvelope BandEnvelope(double swr, double fMHz, double powerW, const TQuality& q,
                           const TFeed* feed = nullptr);
// Every band in the order given, inputs checked.
std::vector<TBandEnvelope> Envelope(double swr, const std::vector<double>& bandsMHz, double powerW,
                                    const TQuality& q, const TFeed* feed = nullptr);
// The extremes over all bands and the summed counts ("celkem"); bands
// without any network are left out of the extremes.
TBandEnvelope EnvelopeTotal(const std::vector<TBandEnvelope>& bands);

// The coil and the capacitor of a network, 0 when it has none. The chart's
// choice never has two of a kind (its LC puts the capacitor across, its CL
// the coil in series); for others the larger part is taken.
double NetworkCoil(const TLNetwork& net);
double NetworkCapacitor(const TLNetwork& net);
