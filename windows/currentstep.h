#pragma once
// "The current step": the load and the frequency of the last standing click,
// sweep point or measured point, with the panel's fields as that step left
// them. The panel, the undo history and every window that follows it read this
// one value, so that every result on the screen belongs to one load at one
// frequency.

#include "lnetwork.h"

#include <QString>
#include <optional>

struct TCurrentStep {
    std::optional<TLoad> Load; // none before the first solve
    double FrequencyMHz = 0.0; // the frequency the load was solved at
    QString L, C;              // edL, edC
    bool LC = false, CL = false;
    QString FrequencyText; // edFR as the step left it
};

// The one line a following window shows while the panel's frequency field
// holds another valid frequency than the one its numbers are for; empty
// when the field holds the same frequency or none.
QString FrequencyNotice(double shownMHz, const QString& fieldText);
