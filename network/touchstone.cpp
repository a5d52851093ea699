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
#include <optional>
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
} // namespace

namespace touchstone_detail {

std::string Escaped(std::string_view token, std::size_t maxShown) {
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

} // namespace touchstone_detail

namespace {

using namespace touchstone_detail;

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

} // namespace

namespace touchstone_detail {

// A leading "+" is allowed, as some analysers write one.
double ParseNumber(std::string_view token, int line) {
    double value = 0;
    if (const std::optional<TTextFault> fault = ParseNumberToken(token, value))
        Fail(*fault == TTextFault::OutOfRange ? TTouchstoneFault::NumberOutOfRange
                                              : TTouchstoneFault::BadNumber,
             line, Escaped(token));
    return value;
}

double CheckedFrequency(std::size_t count, double last, double f, int line) {
    // 0 Hz is kept (an analyser's sweep may start there): it can only be
    // the first point, and its consumers design no network for it.
    if (f < 0) Fail(TTouchstoneFault::NegativeFrequency, line);
    if (!std::isfinite(f)) Fail(TTouchstoneFault::FrequencyOutOfRange, line);
    if (f == 0) f = 0; // "-0" too
    if (count > 0 && f <= last) Fail(TTouchstoneFault::FrequenciesMustRise, line);
    if (count == TouchstoneMaxPoints) Fail(TTouchstoneFault::TooManyPoints, line);
    return f;
}

double CheckedFrequency(const std::vector<TTouchstonePoint>& points, double f, int line) {
    return CheckedFrequency(points.size(), points.empty() ? 0.0 : points.back().FrequencyMHz, f,
                            line);
}

} // namespace touchstone_detail

namespace {

// One frequency's numbers, which may continue over several lines but
// always start a line of their own.
class TRecordReader {
public:
    explicit TRecordReader(std::size_t perPoint) : FPerPoint(perPoint) {}
    bool Empty() const { return FCount == 0; }
    const double* Values() const { return FValues; }
    int Line() const { return FLine; }
    void Clear() { FCount = 0; }

    // Takes a line's numbers; true when the record is whole.
    bool AddLine(std::string_view rest, int line) {
        if (FCount == 0) FLine = line;
        const std::size_t before = FCount;
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
            if (FCount == FPerPoint) {
                const std::size_t count = FPerPoint - before + 1 + CountTokens(rest);
                if (before == 0) FailCount(line, FPerPoint, count);
                // A whole record on this line means the one before it was cut short.
                FailCount(FLine, FPerPoint, count == FPerPoint ? before : before + count);
            }
            FValues[FCount++] = ParseNumber(token, line);
        }
        return FCount == FPerPoint;
    }
    // A record the file left unfinished.
    void Finish() const {
        if (FCount > 0) FailCount(FLine, FPerPoint, FCount);
    }

private:
    std::size_t FPerPoint;
    double FValues[9];
    std::size_t FCount = 0;
    int FLine = 0;
};

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
    case TTouchstoneFault::UnsupportedVersion:
        return "unsupported-version";
    case TTouchstoneFault::MissingKeyword:
        return "missing-keyword";
    case TTouchstoneFault::UnknownKeyword:
        return "unknown-keyword";
    case TTouchstoneFault::BadKeywordValue:
        return "bad-keyword-value";
    case TTouchstoneFault::UnsupportedPorts:
        return "unsupported-ports";
    case TTouchstoneFault::FrequencyCount:
        return "frequency-count";
    case TTouchstoneFault::CsvColumns:
        return "csv-columns";
    case TTouchstoneFault::UnknownExtension:
        return "unknown-extension";
    case TTouchstoneFault::UnknownMeasurementExtension:
        return "unknown-measurement-extension";
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
    if (code == TTouchstoneFault::CountMismatch || code == TTouchstoneFault::FrequencyCount)
        s += " " + std::to_string(expected) + "/" + std::to_string(found);
    return s;
}

} // namespace

ETouchstoneError::ETouchstoneError(TTouchstoneFault code, int line, std::string text,
                                   std::size_t expected, std::size_t found, std::string file)
    : std::runtime_error(Summary(code, line, text, expected, found, file)), Code(code), Line(line),
      Text(std::move(text)), Expected(expected), Found(found), File(std::move(file)) {}

namespace touchstone_detail {

void CheckText(std::string_view& text) {
    if (text.size() > TouchstoneMaxBytes) Fail(TTouchstoneFault::TooBig, 0);
    // Windows tools save "Unicode" text as UTF-16: with its byte order mark,
    // or without one, when the first character's other byte is zero.
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF") ||
        (text.size() >= 2 && (text[0] == '\0') != (text[1] == '\0')))
        Fail(TTouchstoneFault::Utf16, 0);

    // Some Windows tools start their files with a UTF-8 byte order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
}

std::string NameForMessages(const std::string& path) {
    const std::filesystem::path file(path);
    // A name's bytes may be anything; the message shows them escaped.
    return Escaped(file.has_filename() ? file.filename().string() : path, std::string::npos);
}

std::ifstream OpenFileChecked(const std::string& path, const std::string& name,
                              std::uintmax_t& size) {
    namespace fs = std::filesystem;
    const fs::path file(path);
    // The size is checked before a byte is read.
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) FailFile(name, TTouchstoneFault::NotFound);
    if (error) FailFile(name, TTouchstoneFault::CannotOpen);
    if (!fs::is_regular_file(status)) FailFile(name, TTouchstoneFault::NotAFile);
    size = fs::file_size(file, error);
    if (error) FailFile(name, TTouchstoneFault::CannotOpen);
    if (size > TouchstoneMaxBytes) FailFile(name, TTouchstoneFault::TooBig);
    std::ifstream in(file, std::ios::binary);
    if (!in) FailFile(name, TTouchstoneFault::CannotOpen);
    return in;
}

std::string ReadFileText(const std::string& path, const std::string& name) {
    std::uintmax_t size = 0;
    std::ifstream in = OpenFileChecked(path, name, size);
    std::string text(size, '\0');
    in.read(text.data(), std::streamsize(size));
    if (in.bad()) FailFile(name, TTouchstoneFault::ReadFailed);
    text.resize(std::size_t(in.gcount()));
    return text;
}

} // namespace touchstone_detail

namespace touchstone_detail {

struct TVersion1Lines::TState {
    explicit TState(int ports) : Record(ports == 1 ? 3 : 9), Ports(ports) {}
    TOptions Options;
    bool OptionsSeen = false;
    TRecordReader Record;
    int Ports;
    int Line = 0;
    std::size_t Count = 0;
    double Last = 0;
};

TVersion1Lines::TVersion1Lines(int ports) : FState(std::make_unique<TState>(ports)) {
    if (ports != 1 && ports != 2)
        throw std::invalid_argument("TVersion1Lines: ports must be 1 or 2");
}

TVersion1Lines::~TVersion1Lines() = default;

double TVersion1Lines::Reference() const {
    return FState->Options.Reference;
}

bool TVersion1Lines::Line(std::string_view rest, const TPointSink& point) {
    TState& s = *FState;
    const int line = ++s.Line;
    rest = rest.substr(0, rest.find('!'));
    while (const std::size_t n = BlankLength(rest, 0))
        rest.remove_prefix(n);
    if (rest.empty()) return true;
    if (rest.front() == '#') {
        // Only the first option line counts, and it must come before the data.
        if (s.OptionsSeen) return true;
        if (s.Count > 0 || !s.Record.Empty()) Fail(TTouchstoneFault::OptionsAfterData, line);
        ParseOptions(rest.substr(1), line, s.Options);
        s.OptionsSeen = true;
        return true;
    }
    if (rest.front() == '[') Fail(TTouchstoneFault::Version2, line);

    if (s.Record.Empty() && s.Ports == 2 && s.Count > 0) {
        // In a two-port file the first frequency that falls starts the
        // noise parameters; the network data ends there.
        std::string_view probe = rest;
        const double f = ParseNumber(NextToken(probe), line) * s.Options.UnitToMHz;
        if (f < s.Last) return false;
    }
    if (!s.Record.AddLine(rest, line)) return true;

    const double f = CheckedFrequency(s.Count, s.Last, s.Record.Values()[0] * s.Options.UnitToMHz,
                                      s.Record.Line());
    TTouchstonePoint p = LoadImpedance(s.Record.Values() + 1, s.Ports, s.Options, s.Record.Line());
    p.FrequencyMHz = f;
    s.Record.Clear();
    ++s.Count;
    s.Last = f;
    point(p);
    return true;
}

void TVersion1Lines::Finish() const {
    FState->Record.Finish();
    if (FState->Count == 0) Fail(TTouchstoneFault::NoData, 0);
}

} // namespace touchstone_detail

TTouchstone ParseTouchstone(std::string_view text, int ports) {
    if (ports != 1 && ports != 2)
        throw std::invalid_argument("ParseTouchstone: ports must be 1 or 2");
    CheckText(text);

    TTouchstone result;
    result.Ports = ports;
    std::vector<TTouchstonePoint>& points = result.Points;
    // About a point a line; reserving spares the copies of a growing vector.
    points.reserve(
        std::min<std::size_t>(std::count(text.begin(), text.end(), '\n'), TouchstoneMaxPoints));
    TVersion1Lines lines(ports);
    const TPointSink keep = [&](const TTouchstonePoint& p) { points.push_back(p); };
    std::size_t pos = 0;
    while (pos < text.size()) {
        // "\r\n", "\n" and a lone "\r" each end a line.
        std::size_t end = pos;
        while (end < text.size() && text[end] != '\n' && text[end] != '\r')
            ++end;
        const std::string_view line = text.substr(pos, end - pos);
        pos = end;
        if (pos < text.size())
            pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
        if (!lines.Line(line, keep)) break;
    }
    lines.Finish();
    result.Reference = lines.Reference();
    return result;
}

TTouchstone ReadTouchstoneFile(const std::string& path) {
    const std::string name = NameForMessages(path);
    const std::string extension = Upper(std::filesystem::path(path).extension().string());
    const int ports = extension == ".S1P" ? 1 : extension == ".S2P" ? 2 : 0;
    if (ports == 0) FailFile(name, TTouchstoneFault::UnknownExtension);
    const std::string text = ReadFileText(path, name);
    try {
        return ParseTouchstone(text, ports);
    } catch (const ETouchstoneError& e) {
        throw ETouchstoneError(e.Code, e.Line, e.Text, e.Expected, e.Found, name);
    }
}

namespace {

// Version 2.0 gives Z in ohms and Y in siemens, whatever R or [Reference]
// say; only S is relative to the references. Port 2, when there is one, is
// terminated in its own reference. `pairs` holds 11, 21, 12, 22.
TTouchstonePoint LoadImpedance2(const TComplex* v, int ports, TParameter parameter,
                                const double* reference, int line) {
    TTouchstonePoint z{0, 0, 0};
    if (parameter == TParameter::S) {
        // S11 already is the reflection with port 2 terminated in its reference.
        z.Open = v[0] == 1.0;
        if (!z.Open) {
            const TLoad load = LoadOfGamma(v[0], reference[0]);
            z.R = load.R;
            z.X = load.X;
        }
    } else {
        // z11 − z12·z21/(z22 + R2), or the same of y with 1/R2.
        TComplex in = v[0];
        bool infinite = false;
        if (ports == 2) {
            const TComplex coupling = v[1] * v[2];
            const TComplex termination =
                v[3] + (parameter == TParameter::Z ? reference[1] : 1 / reference[1]);
            if (coupling != 0.0) {
                if (termination == 0.0)
                    infinite = true;
                else
                    in -= coupling / termination;
            }
        }
        if (parameter == TParameter::Z) {
            z.Open = infinite;
            if (!infinite) {
                z.R = in.real();
                z.X = in.imag();
            }
        } else if (!infinite) { // an infinite admittance is a short
            const double d = std::norm(in);
            z.Open = d == 0;
            if (!z.Open) {
                z.R = in.real() / d;
                z.X = -in.imag() / d;
            }
        }
    }
    if (!std::isfinite(z.R) || !std::isfinite(z.X))
        Fail(TTouchstoneFault::ImpedanceOutOfRange, line);
    return z;
}

// "[Number of Ports] 2" → keyword "NUMBER OF PORTS", value "2".
struct TKeyword {
    std::string Name;
    std::string_view Value;
};

TKeyword SplitKeyword(std::string_view rest) {
    const std::size_t close = rest.find(']');
    if (close == std::string_view::npos) return {Upper(rest), {}};
    std::string name;
    // Blanks inside the brackets count as one space.
    for (std::string_view inside = rest.substr(1, close - 1), token = NextToken(inside);
         !token.empty(); token = NextToken(inside))
        name += (name.empty() ? "" : " ") + Upper(token);
    return {name, rest.substr(close + 1)};
}

int ParseCount(std::string_view value, const std::string& keyword, int line) {
    const std::string_view token = NextToken(value);
    int count = 0;
    const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), count);
    if (token.empty() || error != std::errc() || end != token.data() + token.size() || count <= 0 ||
        !NextToken(value).empty())
        Fail(TTouchstoneFault::BadKeywordValue, line, "[" + keyword + "]");
    return count;
}

} // namespace

TTouchstone ParseTouchstone2(std::string_view text) {
    CheckText(text);
    TTouchstone result;
    std::vector<TTouchstonePoint>& points = result.Points;
    TOptions options;
    bool versionSeen = false, optionsSeen = false, inData = false, inInformation = false;
    int ports = 0, frequencies = 0;
    bool order12First = false, orderSeen = false;
    enum class TMatrix { Full, Lower, Upper } matrix = TMatrix::Full;
    double reference[2] = {0, 0};
    int referencesRead = -1; // -1: no [Reference]; else how many values it has given
    std::optional<TRecordReader> record;
    // One value a port, which may continue over the lines after the keyword.
    const auto readReferences = [&](std::string_view rest, int line) {
        for (std::string_view token = NextToken(rest); !token.empty(); token = NextToken(rest)) {
            if (referencesRead == ports)
                Fail(TTouchstoneFault::BadKeywordValue, line, "[Reference]");
            const double r = ParseNumber(token, line);
            if (r <= 0) Fail(TTouchstoneFault::ReferenceNotPositive, line);
            reference[referencesRead++] = r;
        }
    };

    int line = 0;
    std::size_t pos = 0;
    bool ended = false;
    while (pos < text.size() && !ended) {
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

        if (rest.front() == '[') {
            const TKeyword keyword = SplitKeyword(rest);
            const std::string shown = "[" + keyword.Name + "]";
            if (inInformation) {
                if (keyword.Name == "END INFORMATION") inInformation = false;
                continue;
            }
            if (!versionSeen) {
                if (keyword.Name != "VERSION")
                    Fail(TTouchstoneFault::MissingKeyword, line, "[Version]");
                std::string_view value = keyword.Value;
                const std::string_view version = NextToken(value);
                if (version != "2.0" && version != "2.1")
                    Fail(TTouchstoneFault::UnsupportedVersion, line, Escaped(version));
                versionSeen = true;
                continue;
            }
            if (referencesRead >= 0 && referencesRead < ports)
                Fail(TTouchstoneFault::BadKeywordValue, line, "[Reference]");
            if (keyword.Name == "NUMBER OF PORTS") {
                ports = ParseCount(keyword.Value, keyword.Name, line);
                if (ports > 2)
                    Fail(TTouchstoneFault::UnsupportedPorts, line, std::to_string(ports));
            } else if (keyword.Name == "TWO-PORT DATA ORDER") {
                std::string_view value = keyword.Value;
                const std::string order = Upper(NextToken(value));
                if (order != "12_21" && order != "21_12")
                    Fail(TTouchstoneFault::BadKeywordValue, line, "[Two-Port Data Order]");
                order12First = order == "12_21";
                orderSeen = true;
            } else if (keyword.Name == "NUMBER OF FREQUENCIES") {
                frequencies = ParseCount(keyword.Value, keyword.Name, line);
            } else if (keyword.Name == "NUMBER OF NOISE FREQUENCIES") {
                ParseCount(keyword.Value, keyword.Name, line);
            } else if (keyword.Name == "REFERENCE") {
                if (ports == 0) Fail(TTouchstoneFault::MissingKeyword, line, "[Number of Ports]");
                referencesRead = 0;
                readReferences(keyword.Value, line); // they may start on the keyword's line
            } else if (keyword.Name == "MATRIX FORMAT") {
                std::string_view value = keyword.Value;
                const std::string format = Upper(NextToken(value));
                if (format == "FULL")
                    matrix = TMatrix::Full;
                else if (format == "LOWER")
                    matrix = TMatrix::Lower;
                else if (format == "UPPER")
                    matrix = TMatrix::Upper;
                else
                    Fail(TTouchstoneFault::BadKeywordValue, line, "[Matrix Format]");
            } else if (keyword.Name == "MIXED-MODE ORDER") {
                Fail(TTouchstoneFault::UnknownKeyword, line, Escaped(shown));
            } else if (keyword.Name == "BEGIN INFORMATION") {
                inInformation = true;
            } else if (keyword.Name == "NETWORK DATA") {
                if (ports == 0) Fail(TTouchstoneFault::MissingKeyword, line, "[Number of Ports]");
                if (ports == 2 && !orderSeen)
                    Fail(TTouchstoneFault::MissingKeyword, line, "[Two-Port Data Order]");
                if (frequencies == 0)
                    Fail(TTouchstoneFault::MissingKeyword, line, "[Number of Frequencies]");
                if (referencesRead < 0) reference[0] = reference[1] = options.Reference;
                result.Reference = reference[0];
                result.Ports = ports;
                const std::size_t pairs = ports == 1 ? 1 : matrix == TMatrix::Full ? 4 : 3;
                record.emplace(1 + 2 * pairs);
                points.reserve(std::size_t(std::min(frequencies, int(TouchstoneMaxPoints))));
                inData = true;
            } else if (keyword.Name == "NOISE DATA" || keyword.Name == "END") {
                ended = true;
            } else
                Fail(TTouchstoneFault::UnknownKeyword, line, Escaped(shown));
            continue;
        }
        if (inInformation) continue;
        if (!versionSeen) Fail(TTouchstoneFault::MissingKeyword, line, "[Version]");
        if (rest.front() == '#') {
            if (optionsSeen) continue;
            if (inData) Fail(TTouchstoneFault::OptionsAfterData, line);
            ParseOptions(rest.substr(1), line, options);
            optionsSeen = true;
            continue;
        }
        if (referencesRead >= 0 && referencesRead < ports) {
            readReferences(rest, line);
            continue;
        }
        if (!inData) Fail(TTouchstoneFault::MissingKeyword, line, "[Network Data]");
        if (!record->AddLine(rest, line)) continue;

        const double* values = record->Values();
        const double f = CheckedFrequency(points, values[0] * options.UnitToMHz, record->Line());
        if (points.size() == std::size_t(frequencies))
            throw ETouchstoneError(TTouchstoneFault::FrequencyCount, record->Line(), {},
                                   std::size_t(frequencies), points.size() + 1);
        // Into 11, 21, 12, 22 whatever the file's order.
        TComplex v[4];
        for (int i = 0; i < (ports == 1 ? 1 : matrix == TMatrix::Full ? 4 : 3); ++i)
            v[i] = PairValue(values[1 + 2 * i], values[2 + 2 * i], options.Format);
        if (ports == 2) {
            if (matrix != TMatrix::Full) {
                // A triangle: 11, the off-diagonal term, 22; the network is reciprocal.
                v[3] = v[2];
                v[2] = v[1];
            } else if (order12First)
                std::swap(v[1], v[2]);
        }
        TTouchstonePoint point =
            LoadImpedance2(v, ports, options.Parameter, reference, record->Line());
        point.FrequencyMHz = f;
        points.push_back(point);
        record->Clear();
    }
    if (!versionSeen) Fail(TTouchstoneFault::NoData, 0);
    if (!inData) Fail(TTouchstoneFault::MissingKeyword, 0, "[Network Data]");
    record->Finish();
    if (points.size() != std::size_t(frequencies))
        throw ETouchstoneError(TTouchstoneFault::FrequencyCount, line, {}, std::size_t(frequencies),
                               points.size());
    return result;
}

std::string TouchstoneOnePortText(const TTouchstone& measurement) {
    const auto number = [](double v) {
        char text[32];
        const auto [end, error] =
            std::to_chars(text, text + sizeof text, v, std::chars_format::general, 17);
        return std::string(text, error == std::errc() ? end : text);
    };
    std::string text =
        "! Pentarix: S11 of a measured load\n# MHz S RI R " + number(measurement.Reference) + "\n";
    for (const TTouchstonePoint& p : measurement.Points) {
        const TComplex gamma = p.Open ? TComplex(1, 0) : GammaOf({p.R, p.X}, measurement.Reference);
        text +=
            number(p.FrequencyMHz) + " " + number(gamma.real()) + " " + number(gamma.imag()) + "\n";
    }
    return text;
}
