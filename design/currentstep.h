#pragma once
// "The current step": the load and the frequency of the last standing click,
// sweep point or measured point, with the panel's fields as that step left
// them. The panel, the undo history and every window read this one value, so
// that every result on the screen belongs to one load at one frequency.

#include "impedance.h"

#include <QString>
#include <optional>

struct TCurrentStep {
    std::optional<TLoad> Load; // none before the first solve
    double FrequencyMHz = 0.0; // the frequency the load was solved at
    QString L, C;              // edL, edC
    bool LC = false, CL = false;
    QString FrequencyText; // edFR as the step left it
    // Set when the load is the tuner's end of the feed line ("Použít jako
    // zátěž"): the antenna's own impedance it was moved from. The line is
    // then behind the load already and is never applied to it again.
    std::optional<TLoad> Antenna;
};
