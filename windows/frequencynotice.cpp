#include "frequencynotice.h"

#include "numtext.h"
#include "smithchart.h"

QString FrequencyNotice(double shownMHz, const QString& fieldText) {
    double typed = 0.0;
    if (!TryStrToFloat(fieldText, typed) || !(typed > 0)) return {};
    // Compared as shown: a measured point's frequency is written with six
    // decimals, and the field then holds the same frequency for the user.
    const QString typedText = FrequencyText(typed), shownText = FrequencyText(shownMHz);
    if (typedText == shownText) return {};
    return QStringLiteral(
               "Kmitočet v poli je %1 MHz; hodnoty platí pro %2 MHz — klikněte do grafu.")
        .arg(typedText, shownText);
}
