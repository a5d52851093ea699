#include "touchstone.h"

#include "impedance.h"
#include "quantity.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <complex>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <system_error>

namespace {


enum class TParameter { S, Y, Z };
enum class TFormat { RI, MA, DB };

// The option line's defaults: GHz, S, MA, R 50.
struct TOptions {
    double UnitToMHz = 1e3;
    TParameter Parameter = TParameter::S;
    TFormat Format = TFormat::MA;
    double Reference = 50;
};

[[noreturn]] void Fail(TTouchstoneFault code, int line, std::string text = {}) {
    throw ETouchstoneError(code, line, std::move(text));
}

[[noreturn]] void FailCount(int line, std::size_t expected, std::size_t found) {
    throw ETouchstoneError(TTouchstoneFault::CountMismatch, line, {}, expected, found);
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character at the start of s, 0 when
// its bytes are not one.
std::size_t Utf8Length(std::string_view s) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;  // no overlong forms
        if (lead == 0xED) high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F; // nothing above U+10FFFF
    } else
        return 0;
    if (s.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t i = 2; i < length; ++i)
        if (!IsContinuation(byte(i))) return 0;
    return length;
}

// A token as a message quotes it: short (a fuzzed line may be megabytes
// long), cut on a character boundary, and never a raw byte: a byte outside
// well-formed UTF-8, and a control character, is shown as \xHH.
std::string Escaped(std::string_view token, std::size_t maxShown = 24) {
    std::string text;
    std::size_t i = 0;
    while (i < token.size()) {
        const std::size_t length = Utf8Length(token.substr(i));
        const std::size_t taken = std::max<std::size_t>(length, 1);
        if (i + taken > maxShown) break;
        const auto lead = static_cast<unsigned char>(token[i]);
        // C1 controls (U+0080 to U+009F) can break a line in a message box.
        const bool control =
            lead < 0x20 || lead == 0x7F ||
            (length == 2 && lead == 0xC2 && static_cast<unsigned char>(token[i + 1]) < 0xA0);
        if (length == 0 || control) {
            static const char hex[] = "0123456789ABCDEF";
            for (std::size_t k = i; k < i + taken; ++k) {
                const auto c = static_cast<unsigned char>(token[k]);
                text += {'\\', 'x', hex[c >> 4], hex[c & 0xF]};
            }
        } else
            text.append(token.substr(i, taken));
        i += taken;
    }
    if (i < token.size()) text += "…";
    return text;
}

// The length of the blank at s[i], 0 when none is there. A no-break space
// (UTF-8) is a blank: spreadsheets and word processors put them in numbers' columns.
std::size_t BlankLength(std::string_view s, std::size_t i) {
    if (i >= s.size()) return 0;
    const char c = s[i];
    if (c == ' ' || c == '\t' || c == '\v' || c == '\f') return 1;
    if (c == '\xC2' && i + 1 < s.size() && s[i + 1] == '\xA0') return 2;
    return 0;
}

// Splits the next blank-separated token off `rest`; empty when none is left.
std::string_view NextToken(std::string_view& rest) {
    std::size_t begin = 0;
    while (const std::size_t n = BlankLength(rest, begin))
        begin += n;
    std::size_t end = begin;
    while (end < rest.size() && BlankLength(rest, end) == 0)
        ++end;
    const std::string_view token = rest.substr(begin, end - begin);
    rest.remove_prefix(end);
    return token;
}

std::size_t CountTokens(std::string_view rest) {
    std::size_t count = 0;
    while (!NextToken(rest).empty())
        ++count;
    return count;
}

// ASCII only: the option words must not depend on the system locale.
std::string Upper(std::string_view token) {
    std::string word(token);
    for (char& c : word)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return word;
}

// A leading "+" is allowed, as some analysers write one.
double ParseNumber(std::string_view token, int line) {
    double value = 0;
    if (const std::optional<TTextFault> fault = ParseNumberToken(token, value))
        Fail(*fault == TTextFault::OutOfRange ? TTouchstoneFault::NumberOutOfRange
                                              : TTouchstoneFault::BadNumber,
             line, Escaped(token));
    return value;
}

void ParseOptions(std::string_view rest, int line, TOptions& options) {
    for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
        const std::string word = Upper(token);
        if (word == "HZ")
            options.UnitToMHz = 1e-6;
        else if (word == "KHZ")
            options.UnitToMHz = 1e-3;
        else if (word == "MHZ")
            options.UnitToMHz = 1;
        else if (word == "GHZ")
            options.UnitToMHz = 1e3;
        else if (word == "S")
            options.Parameter = TParameter::S;
        else if (word == "Y")
            options.Parameter = TParameter::Y;
        else if (word == "Z")
            options.Parameter = TParameter::Z;
        else if (word == "H" || word == "G")
            Fail(TTouchstoneFault::UnsupportedParameters, line, Escaped(token));
        else if (word == "RI")
            options.Format = TFormat::RI;
        else if (word == "MA")
            options.Format = TFormat::MA;
        else if (word == "DB")
            options.Format = TFormat::DB;
        else if (word == "R") {
            const std::string_view value = NextToken(rest);
            if (value.empty()) Fail(TTouchstoneFault::MissingReference, line);
            options.Reference = ParseNumber(value, line);
            if (options.Reference <= 0) Fail(TTouchstoneFault::ReferenceNotPositive, line);
        } else
            Fail(TTouchstoneFault::UnknownOption, line, Escaped(token));
    }
}

// One pair of numbers in the file's format.
TComplex PairValue(double a, double b, TFormat format) {
    if (format == TFormat::RI) return {a, b};
    // Measured data takes the exact pi: the chart's stored constant
    // belongs to the chart's own printed numbers, not to a file.
    const double magnitude = format == TFormat::DB ? std::pow(10.0, a / 20) : a;
    const double angle = b * (std::numbers::pi / 180);
    return {magnitude * std::cos(angle), magnitude * std::sin(angle)};
}

// The load impedance of one frequency's pairs (11, then 21, 12, 22 of a
// two-port) in the file's format and parameter. Version 1 gives Z and Y
// normalised to the reference.
TTouchstonePoint LoadImpedance(const double* pairs, int ports, const TOptions& options, int line) {
    TComplex v = PairValue(pairs[0], pairs[1], options.Format);
    // Port 2 terminated in the reference, a normalised 1 in z and y alike:
    // v11 − v12·v21/(v22 + 1). This is S11 of S = (z − I)(z + I)⁻¹ (or
    // (I − y)(I + y)⁻¹) turned back into a load; an S file's S11 already is it.
    bool infinite = false;
    if (ports == 2 && options.Parameter != TParameter::S) {
        const TComplex coupling = PairValue(pairs[2], pairs[3], options.Format) *
                                  PairValue(pairs[4], pairs[5], options.Format);
        const TComplex v22 = PairValue(pairs[6], pairs[7], options.Format);
        // Without coupling port 2 is no part of the load, whatever v22 is.
        if (coupling != 0.0) {
            if (v22 + 1.0 == 0.0)
                infinite = true;
            else
                v -= coupling / (v22 + 1.0);
        }
    }
    const double re = v.real(), im = v.imag();
    const double r0 = options.Reference;
    TTouchstonePoint z{0, 0, 0};
    if (options.Parameter == TParameter::Z) {
        z.Open = infinite;
        if (!infinite) {
            z.R = r0 * re;
            z.X = r0 * im;
        }
    } else if (options.Parameter == TParameter::Y) {
        // An infinite admittance is a short: R and X stay 0.
        const double d = re * re + im * im;
        if (!infinite) {
            z.Open = d == 0;
            if (!z.Open) {
                z.R = r0 * re / d;
                z.X = -r0 * im / d;
            }
        }
    } else {
        z.Open = v == 1.0;
        if (!z.Open) {
            const TLoad load = LoadOfGamma(v, r0);
            z.R = load.R;
            z.X = load.X;
        }
    }
    if (!std::isfinite(z.R) || !std::isfinite(z.X))
        Fail(TTouchstoneFault::ImpedanceOutOfRange, line);
    return z;
}

[[noreturn]] void FailFile(const std::string& name, TTouchstoneFault code) {
    throw ETouchstoneError(code, 0, {}, 0, 0, name);
}

} // namespace

const char* TouchstoneFaultName(TTouchstoneFault code) {
    switch (code) {
    case TTouchstoneFault::TooBig:
        return "too-big";
    case TTouchstoneFault::NoData:
        return "no-data";
    case TTouchstoneFault::Utf16:
        return "utf-16";
    case TTouchstoneFault::CountMismatch:
        return "count-mismatch";
    case TTouchstoneFault::BadNumber:
        return "bad-number";
    case TTouchstoneFault::NumberOutOfRange:
        return "number-out-of-range";
    case TTouchstoneFault::NegativeFrequency:
        return "negative-frequency";
    case TTouchstoneFault::FrequencyOutOfRange:
        return "frequency-out-of-range";
    case TTouchstoneFault::FrequenciesMustRise:
        return "frequencies-must-rise";
    case TTouchstoneFault::TooManyPoints:
        return "too-many-points";
    case TTouchstoneFault::ImpedanceOutOfRange:
        return "impedance-out-of-range";
    case TTouchstoneFault::UnknownOption:
        return "unknown-option";
    case TTouchstoneFault::UnsupportedParameters:
        return "unsupported-parameters";
    case TTouchstoneFault::MissingReference:
        return "missing-reference";
    case TTouchstoneFault::ReferenceNotPositive:
        return "reference-not-positive";
    case TTouchstoneFault::OptionsAfterData:
        return "options-after-data";
    case TTouchstoneFault::Version2:
        return "version-2";
    case TTouchstoneFault::UnknownExtension:
        return "unknown-extension";
    case TTouchstoneFault::NotFound:
        return "not-found";
    case TTouchstoneFault::CannotOpen:
        return "cannot-open";
    case TTouchstoneFault::NotAFile:
        return "not-a-file";
    case TTouchstoneFault::ReadFailed:
        return "read-failed";
    }
    return "unknown";
}

namespace {

// "<file>: line N: count-mismatch 3/2": enough for a log, no sentence to word.
std::string Summary(TTouchstoneFault code, int line, const std::string& text, std::size_t expected,
                    std::size_t found, const std::string& file) {
    std::string s = file.empty() ? std::string() : file + ": ";
    if (line > 0) s += "line " + std::to_string(line) + ": ";
    s += TouchstoneFaultName(code);
    if (!text.empty()) s += " '" + text + "'";
    if (code == TTouchstoneFault::CountMismatch)
        s += " " + std::to_string(expected) + "/" + std::to_string(found);
    return s;
}

} // namespace

ETouchstoneError::ETouchstoneError(TTouchstoneFault code, int line, std::string text,
                                   std::size_t expected, std::size_t found, std::string file)
    : std::runtime_error(Summary(code, line, text, expected, found, file)), Code(code), Line(line),
      Text(std::move(text)), Expected(expected), Found(found), File(std::move(file)) {}

TTouchstone ParseTouchstone(std::string_view text, int ports) {
    if (ports != 1 && ports != 2)
        throw std::invalid_argument("ParseTouchstone: ports must be 1 or 2");
    if (text.size() > TouchstoneMaxBytes) Fail(TTouchstoneFault::TooBig, 0);
    // Windows tools save "Unicode" text as UTF-16: with its byte order mark,
    // or without one, when the first character's other byte is zero.
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
        (text.size() >= 2 && (text[0] == '\0') != (text[1] == '\0')))
        Fail(TTouchstoneFault::Utf16, 0);

    // Some Windows tools start their files with a UTF-8 byte order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);

    TTouchstone result;
    result.Ports = ports;
    std::vector<TTouchstonePoint>& points = result.Points;
    // About a point a line; reserving spares the copies of a growing vector.
    points.reserve(
        std::min<std::size_t>(std::count(text.begin(), text.end(), '\n'), TouchstoneMaxPoints));
    TOptions options;
    bool optionsSeen = false;

    // One frequency's numbers, which may continue over several lines but
    // always start a line of their own.
    const std::size_t perPoint = ports == 1 ? 3 : 9;
    double pending[9];
    std::size_t pendingCount = 0;
    int pendingLine = 0;

    int line = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // "\r\n", "\n" and a lone "\r" each end a line.
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        std::string_view rest = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size())
            pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
        ++line;

        rest = rest.substr(0, rest.find('!'));
        while (const std::size_t n = BlankLength(rest, 0))
            rest.remove_prefix(n);
        if (rest.empty()) continue;
        if (rest.front() == '#') {
            // Only the first option line counts, and it must come before the data.
            if (optionsSeen) continue;
            if (!points.empty() || pendingCount > 0) Fail(TTouchstoneFault::OptionsAfterData, line);
            ParseOptions(rest.substr(1), line, options);
            optionsSeen = true;
            result.Reference = options.Reference;
            continue;
        }
        if (rest.front() == '[') Fail(TTouchstoneFault::Version2, line);

        if (pendingCount == 0 && ports == 2 && !points.empty()) {
            // In a two-port file the first frequency that falls starts the
            // noise parameters; the network data ends there.
            std::string_view probe = rest;
            const double f = ParseNumber(NextToken(probe), line) * options.UnitToMHz;
            if (f < points.back().FrequencyMHz) break;
        }
        if (pendingCount == 0) pendingLine = line;
        const std::size_t before = pendingCount;
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
            if (pendingCount == perPoint) {
                const std::size_t count = perPoint - before + 1 + CountTokens(rest);
                if (before == 0) FailCount(line, perPoint, count);
                // A whole record on this line means the one before it was cut short.
                FailCount(pendingLine, perPoint, count == perPoint ? before : before + count);
            }
            pending[pendingCount++] = ParseNumber(token, line);
        }
        if (pendingCount < perPoint) continue;

        pendingCount = 0;
        double f = pending[0] * options.UnitToMHz;
        // 0 Hz is kept (an analyser's sweep may start there): it can only be
        // the first point, and its consumers design no network for it.
        if (f < 0) Fail(TTouchstoneFault::NegativeFrequency, pendingLine);
        if (!std::isfinite(f)) Fail(TTouchstoneFault::FrequencyOutOfRange, pendingLine);
        if (f == 0) f = 0; // "-0" too
        if (!points.empty() && f <= points.back().FrequencyMHz)
            Fail(TTouchstoneFault::FrequenciesMustRise, pendingLine);
        if (points.size() == TouchstoneMaxPoints)
            Fail(TTouchstoneFault::TooManyPoints, pendingLine);
        TTouchstonePoint point = LoadImpedance(pending + 1, ports, options, pendingLine);
        point.FrequencyMHz = f;
        points.push_back(point);
    }
    if (pendingCount > 0) FailCount(pendingLine, perPoint, pendingCount);
    if (points.empty()) Fail(TTouchstoneFault::NoData, 0);
    return result;
}

TTouchstone ReadTouchstoneFile(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path file(path);
    // A name's bytes may be anything; the message shows them escaped.
    const std::string name =
        Escaped(file.has_filename() ? file.filename().string() : path, std::string::npos);

    const std::string extension = Upper(file.extension().string());
    const int ports = extension == ".S1P" ? 1 : extension == ".S2P" ? 2 : 0;
    if (ports == 0) FailFile(name, TTouchstoneFault::UnknownExtension);

    // The size is checked before a byte is read, and the file is read once.
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) FailFile(name, TTouchstoneFault::NotFound);
    if (error) FailFile(name, TTouchstoneFault::CannotOpen);
    if (!fs::is_regular_file(status)) FailFile(name, TTouchstoneFault::NotAFile);
    const std::uintmax_t size = fs::file_size(file, error);
    if (error) FailFile(name, TTouchstoneFault::CannotOpen);
    if (size > TouchstoneMaxBytes) FailFile(name, TTouchstoneFault::TooBig);

    std::string text(size, '\0');
    {
        std::ifstream in(file, std::ios::binary);
        if (!in) FailFile(name, TTouchstoneFault::CannotOpen);
        in.read(text.data(), std::streamsize(size));
        if (in.bad()) FailFile(name, TTouchstoneFault::ReadFailed);
        text.resize(std::size_t(in.gcount()));
    }
    try {
        return ParseTouchstone(text, ports);
    } catch (const ETouchstoneError& e) {
        throw ETouchstoneError(e.Code, e.Line, e.Text, e.Expected, e.Found, name);
    }
}
