#pragma once
// Text <-> number, independent of the system locale: "." is the only decimal
// separator for parsing and formatting.

#include <QString>
#include <stdexcept>

// Carries its message as a QString too: the text it names may hold a NUL,
// which would cut what() short.
class EConvertError : public std::runtime_error {
public:
    explicit EConvertError(const QString& message)
        : std::runtime_error(message.toStdString()), Message(message) {}
    QString Message;
};

// Surrounding blanks are allowed. Empty text, "4,2", "abc", "inf", "nan", hex
// and out-of-range values throw "'<text>' is not a valid floating point value".
double StrToFloat(const QString& text);
bool TryStrToFloat(const QString& text, double& value);

// Patterns "#0.000", "#0.0", "#00.00", "#0": the count of 0s before the point
// is the minimum of integer digits, after it the exact number of decimals.
// A value that rounds to zero never shows a minus sign.
QString FormatFloat(const QString& pattern, double value);

// The windows' numbers: an infinity or NaN, which no window should get, shows
// as 0 rather than ending the update.
QString Fmt(const char* pattern, double value);
// An SWR as "#0.000", empty where no load or network reaches it.
QString ShownSwrText(double swr);
