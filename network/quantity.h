#pragma once
// Numbers as text and text as numbers for every front end, independent of the
// system locale: "." is the only decimal separator both ways. Faults come back
// as data (a code and the text at fault); each front end words them.

#include "lnetwork.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// ---- Faults ----
enum class TTextFault {
    NotANumber,   // not a plain decimal number, or inf, nan, hex
    OutOfRange,   // beyond what a double holds
    EmptyList,    // a list with no item at all
    EmptyItem,    // two separators with nothing between them
    DecimalComma, // "7,1": a comma between two digits of a list
    NotPositive,  // a frequency at or below 0
};

class ETextError : public std::runtime_error {
public:
    ETextError(TTextFault code, std::string text)
        : std::runtime_error("text fault in '" + text + "'"), Code(code), Text(std::move(text)) {}
    TTextFault Code;
    std::string Text; // the offending item as typed, or the whole list
};

// ---- Text to number ----
// A plain decimal number: an optional sign, digits with at most one ".", an
// optional exponent; no blanks, no "inf", "nan" or hex. Out of range means
// the value overflows or underflows a double.
std::optional<TTextFault> ParseNumberToken(std::string_view token, double& value);
// The same with blanks (space, tab) allowed around it. Underflow reads as the
// nearest double (0 or subnormal), as the panel has always taken it.
bool TryParseNumber(std::string_view text, double& value);

// A list of frequencies: items separated by blanks or semicolons ("3.65 7.1",
// "3.65; 7.1"; a comma with a blank beside it separates too: "3.65, 7.1"). A
// comma between two digits is a decimal comma and refused, so that "7,1"
// never becomes two bands. Every item must be above 0.
std::vector<double> ParseBandList(std::string_view text);

// ---- Number to text ----
// Patterns "#0.000", "#0.0", "#00.00", "#0": the count of 0s before the point
// is the minimum of integer digits, after it the exact number of decimals. A
// value that rounds to zero never shows a minus sign. Throws the checked
// arithmetic's error for an infinity or NaN.
std::string FormatPattern(std::string_view pattern, double value);
// Fixed decimals, at least one integer digit, "-0" never shown.
std::string FormatFixed(double value, int decimals);
// `decimals` decimals, more where needed for `significant` significant digits
// (6.8e-3 at 3 decimals: "0.00680"). Every standard part prints as its member.
std::string FormatSignificant(double value, int decimals, int significant = 3);
// The shortest text that reads back as the same double; "null" for none.
std::string JsonNumber(double value);
std::string JsonNumber(const std::optional<double>& value);
// The same appended to `out`, for a document built without a string per number.
void AppendJsonNumber(std::string& out, double value);
void AppendJsonNumber(std::string& out, const std::optional<double>& value);

// An SWR that no load or network reaches (the capped value of an unmatched
// point) is not a number to show.
std::optional<double> ShownSwr(double swr);
// "#0.000", or empty for an SWR that is not shown.
std::string SwrText(double swr);

// A part's value in its unit (uH for a coil, pF for a capacitor): coils with
// three decimals, capacitors with one, more where a small part needs them.
std::string ElementValueText(const TElement& element);
// "L 0.791 uH", "C 636.6 pF"; "-" for a part the network lacks.
std::string ElementText(const TElement& element);
