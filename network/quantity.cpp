#include "quantity.h"

#include "fpcheck.h"

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// sign? digits? ("." digits?)? (e sign? digits)? with at least one mantissa digit
bool IsPlainNumber(std::string_view s) {
    size_t i = 0;
    const size_t n = s.size();
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    int digits = 0;
    while (i < n && IsDigit(s[i]))
        ++i, ++digits;
    if (i < n && s[i] == '.') {
        ++i;
        while (i < n && IsDigit(s[i]))
            ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < n && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
        int expDigits = 0;
        while (i < n && IsDigit(s[i]))
            ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == n;
}

locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Fixed decimals of |value| with at least minIntDigits integer digits; the
// sign is the caller's. std::to_chars never looks at the C locale, which the
// toolkit sets from the environment (printf would write "2,274" under cs_CZ);
// its fixed form rounds exactly as printf's "%.*f" does.
std::string FixedDigits(double value, int decimals, int minIntDigits, bool& allZero) {
    static thread_local char buf[1200];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed, decimals);
    if (ec != std::errc()) throw std::length_error("number text too long");
    std::string digits(buf, end);
    allZero = digits.find_first_not_of("0.") == std::string::npos;
    const size_t point = digits.find('.');
    const int intLen = int(point == std::string::npos ? digits.size() : point);
    if (intLen < minIntDigits) digits.insert(0, size_t(minIntDigits - intLen), '0');
    return digits;
}

std::string SignedFixed(double value, int decimals, int minIntDigits) {
    bool allZero = true;
    std::string digits = FixedDigits(value, decimals, minIntDigits, allZero);
    if (value < 0 && !allZero) digits.insert(0, 1, '-');
    return digits;
}

} // namespace

std::optional<TTextFault> ParseNumberToken(std::string_view token, double& value) {
    if (!IsPlainNumber(token)) return TTextFault::NotANumber;
    // from_chars takes no "+", which the plain syntax allows.
    if (token.front() == '+') token.remove_prefix(1);
    double v = 0.0;
    const auto [ptr, ec] =
        std::from_chars(token.data(), token.data() + token.size(), v, std::chars_format::general);
    if (ec == std::errc::result_out_of_range) return TTextFault::OutOfRange;
    if (ec != std::errc() || ptr != token.data() + token.size() || !std::isfinite(v))
        return TTextFault::NotANumber;
    value = v;
    return std::nullopt;
}

bool TryParseNumber(std::string_view text, double& value) {
    const std::string s(Trimmed(text));
    if (!IsPlainNumber(s)) return false;
    const double v = strtod_l(s.c_str(), nullptr, CLocale());
    if (!std::isfinite(v)) return false;
    value = v;
    return true;
}

std::vector<double> ParseBandList(std::string_view text) {
    const std::string_view all = Trimmed(text);
    if (all.empty()) throw ETextError(TTextFault::EmptyList, std::string(text));
    auto isSeparator = [](char c) { return IsBlank(c) || c == ',' || c == ';'; };
    // Items run between separators: one comma or semicolon with any blanks
    // around it, or a run of blanks alone.
    struct TItem {
        size_t Begin, End;
    };
    std::vector<TItem> items;
    size_t i = 0;
    while (i < all.size()) {
        const size_t begin = i;
        while (i < all.size() && !isSeparator(all[i]))
            ++i;
        items.push_back({begin, i});
        int marks = 0;
        while (i < all.size() && isSeparator(all[i])) {
            if (all[i] == ',' || all[i] == ';') ++marks;
            ++i;
        }
        if (marks > 1 || (marks == 1 && i == all.size()))
            throw ETextError(TTextFault::EmptyItem, std::string(text));
    }
    std::vector<double> bands;
    for (size_t k = 0; k < items.size(); ++k) {
        const std::string_view item = all.substr(items[k].Begin, items[k].End - items[k].Begin);
        if (item.empty()) throw ETextError(TTextFault::EmptyItem, std::string(text));
        // "7,1": a comma right between two digits is a decimal comma, never
        // two bands.
        if (k + 1 < items.size() && items[k + 1].Begin == items[k].End + 1 &&
            all[items[k].End] == ',' && IsDigit(item.back()) && IsDigit(all[items[k + 1].Begin])) {
            const size_t end = items[k + 1].End;
            throw ETextError(TTextFault::DecimalComma,
                             std::string(all.substr(items[k].Begin, end - items[k].Begin)));
        }
        double f = 0.0;
        if (const auto fault = ParseNumberToken(item, f))
            throw ETextError(*fault, std::string(item));
        if (!(f > 0)) throw ETextError(TTextFault::NotPositive, std::string(item));
        bands.push_back(f);
    }
    return bands;
}

std::string FormatPattern(std::string_view pattern, double value) {
    Checked(value);
    const size_t point = pattern.find('.');
    const int decimals = point == std::string_view::npos ? 0 : int(pattern.size() - point - 1);
    const std::string_view head =
        point == std::string_view::npos ? pattern : pattern.substr(0, point);
    int minIntDigits = 0;
    for (const char c : head)
        minIntDigits += c == '0';
    return SignedFixed(value, decimals, minIntDigits);
}

std::string FormatFixed(double value, int decimals) {
    Checked(value);
    return SignedFixed(value, decimals, 1);
}

std::string FormatSignificant(double value, int decimals, int significant) {
    Checked(value);
    if (value != 0.0) {
        // The exponent after rounding to the significant digits: 0.0009996
        // becomes 1.00e-03, which needs one decimal fewer than 9.99e-04.
        char buf[64];
        const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::fabs(value),
                                             std::chars_format::scientific, significant - 1);
        if (ec == std::errc()) {
            const std::string_view s(buf, size_t(end - buf));
            int exponent = 0;
            const size_t e = s.find('e');
            std::from_chars(s.data() + e + (s[e + 1] == '+' ? 2 : 1), s.data() + s.size(),
                            exponent);
            decimals = std::max(decimals, significant - 1 - exponent);
        }
    }
    return SignedFixed(value, decimals, 1);
}

void AppendJsonNumber(std::string& out, double value) {
    char buf[64];
    const auto [ptr, ec] = std::isfinite(value)
                               ? std::to_chars(buf, buf + sizeof buf, value)
                               : std::to_chars_result{buf, std::errc::invalid_argument};
    if (ec == std::errc())
        out.append(buf, ptr);
    else
        out += "null";
}

void AppendJsonNumber(std::string& out, const std::optional<double>& value) {
    if (value)
        AppendJsonNumber(out, *value);
    else
        out += "null";
}

std::string JsonNumber(double value) {
    std::string s;
    AppendJsonNumber(s, value);
    return s;
}

std::string JsonNumber(const std::optional<double>& value) {
    std::string s;
    AppendJsonNumber(s, value);
    return s;
}

std::optional<double> ShownSwr(double swr) {
    if (!std::isfinite(swr) || swr >= SwrCap) return std::nullopt;
    return swr;
}

std::string SwrText(double swr) {
    const std::optional<double> shown = ShownSwr(swr);
    return shown ? FormatPattern("#0.000", *shown) : std::string();
}

std::string ElementValueText(const TElement& element) {
    return FormatSignificant(element.Value, element.Kind == TElementKind::Coil ? 3 : 1);
}

std::string ElementText(const TElement& element) {
    if (!element.Present()) return "-";
    if (element.Kind == TElementKind::Coil) return "L " + ElementValueText(element) + " uH";
    return "C " + ElementValueText(element) + " pF";
}
