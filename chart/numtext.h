#pragma once
// Text <-> number, independent of the system locale: "." is the only decimal
// separator for parsing and formatting.

#include <QString>
#include <stdexcept>

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Surrounding blanks are allowed. Empty text, "4,2", "abc", "inf", "nan", hex
// and out-of-range values throw "'<text>' is not a valid floating point value".
double StrToFloat(const QString& text);
bool TryStrToFloat(const QString& text, double& value);

// Patterns "#0.000", "#0.0", "#00.00", "#0": the count of 0s before the point
// is the minimum of integer digits, after it the exact number of decimals.
// A value that rounds to zero never shows a minus sign.
QString FormatFloat(const QString& pattern, double value);
