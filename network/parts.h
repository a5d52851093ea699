#pragma once
// The parts a network is built from: values that match with the parts'
// losses, pairs of standard parts, what the standard parts do at the power,
// and the voltage and current each part must stand.

#include "coils.h"
#include "lnetwork.h"

#include <optional>
#include <vector>

// The values of the same arrangement that present exactly z0 once the coil's
// and the capacitor's Q are counted; none where the losses make it
// impossible. A part may appear (a tiny one) where the ideal network has none.
std::optional<TLNetwork> LossyExactNetwork(const TLNetwork& ideal, const TLoad& load, double fMHz,
                                           const TQuality& q, double z0);

// Two standard parts that together come nearest a value: a sum (capacitors
// in parallel, coils in series) or a reciprocal sum (capacitors in series,
// coils in parallel), or one part when that is as close. Both parts lie
// within a factor of 20 of the value.
enum class TConnection { Single, Parallel, Series };
struct TPartPair {
    TElementKind Kind = TElementKind::None;
    std::vector<double> Parts; // one or two values, largest first
    TConnection Connection = TConnection::Single;
    double Value = 0.0;   // what they make together
    double Error() const; // relative to Target
    double Target = 0.0;
};
TPartPair BestPair(const TElement& target, TESeries series);

// Everything the bench needs for one network; absent parts leave their
// optional fields empty.
struct TElementParts {
    std::optional<TElement> LossyExact; // when the network has one and the part exists
    TPartPair Pair;
    std::optional<TAirCoil> Winding; // a coil with a form given
    std::optional<TToroidWinding> Toroid;
    double PeakV = 0.0;            // across the part as built at the power
    double RmsA = 0.0;             // through it
    std::optional<double> RatingV; // a capacitor's recommended rated voltage
};
struct TPartsReport {
    bool HasLossyExact = false;
    TLNetwork LossyExact;
    bool HasAsBuilt = false; // a series was chosen
    TStress AsBuilt;         // of the standard parts with the Qs
    TElementParts Series, Shunt;
    double PairSwr = 1.0; // the pairs in place of both parts, with the Qs
};

// How the coils are to be wound; no form and no core leave them unwound.
struct TWindingOptions {
    std::optional<TAirCoilForm> Form;
    const TToroidCore* Core = nullptr;
};

TPartsReport BuildParts(const TNetworkReport& rep, const TLoad& load, double fMHz,
                        const TDesignOptions& options, const TWindingOptions& winding = {});

// The capacitor voltage rating to buy: at least twice the peak, up to the next
// of the usual ratings; none above the largest.
std::optional<double> RecommendedRatingV(double peakV);
