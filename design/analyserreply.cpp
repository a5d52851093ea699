#include "analyserreply.h"

#include "impedance.h"
#include "quantity.h"

#include <cmath>
#include <vector>

namespace {

std::string Summary(TAnalyserFault code, const std::string& detail) {
    return std::string(AnalyserFaultName(code)) + (detail.empty() ? "" : " '" + detail + "'");
}

[[noreturn]] void Fail(TAnalyserFault code, std::string_view shown = {}) {
    throw EAnalyserError(code, touchstone_detail::Escaped(shown, 60));
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// A line's blank-separated fields (at most `most`; one more means too many),
// a decimal comma read as a point.
std::size_t Fields(std::string_view line, std::string* fields, std::size_t most) {
    std::size_t count = 0, i = 0;
    while (true) {
        while (i < line.size() && IsBlank(line[i]))
            ++i;
        if (i == line.size()) return count;
        if (count == most) return most + 1;
        std::string& field = fields[count++];
        field.clear();
        for (; i < line.size() && !IsBlank(line[i]); ++i)
            field += line[i] == ',' ? '.' : line[i];
    }
}

// The shell's lines, without their ends; printable ASCII only, else garbage.
std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t begin = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\n' && text[i] != '\r') {
            const auto c = static_cast<unsigned char>(text[i]);
            if ((c < 0x20 && c != '\t') || c >= 0x7F) {
                std::size_t end = text.find_first_of("\r\n", i);
                if (end == std::string_view::npos) end = text.size();
                Fail(TAnalyserFault::Garbage, text.substr(begin, end - begin));
            }
            continue;
        }
        if (i > begin) lines.push_back(text.substr(begin, i - begin));
        begin = i + 1;
    }
    return lines;
}

// A word (two letters in a row: an exponent's "e" is none) means the device
// said something instead of numbers: it refuses the command.
bool HasWord(std::string_view line) {
    const auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        if (letter(line[i]) && letter(line[i + 1])) return true;
    return false;
}

double Number(const std::string& field, std::string_view line) {
    double value = 0;
    if (ParseNumberToken(field, value)) Fail(TAnalyserFault::Garbage, line);
    return value;
}

// One point of S11 at 50 ohms; a frequency that does not rise is garbage.
void Append(TTouchstone& sweep, double hz, TComplex gamma, std::string_view line) {
    double f = 0;
    try {
        f = touchstone_detail::CheckedFrequency(sweep.Points, hz * 1e-6, 0);
    } catch (const ETouchstoneError&) {
        Fail(TAnalyserFault::Garbage, line);
    }
    TTouchstonePoint point{f, 0, 0};
    point.Open = gamma == 1.0;
    if (!point.Open) {
        const TLoad load = LoadOfGamma(gamma, sweep.Reference);
        point.R = load.R;
        point.X = load.X;
    }
    if (!std::isfinite(point.R) || !std::isfinite(point.X)) Fail(TAnalyserFault::Garbage, line);
    sweep.Points.push_back(point);
}

// The lines of a reply with `columns` numbers each, `points` of them.
std::vector<std::string_view> DataLines(std::string_view text, int points) {
    std::vector<std::string_view> lines = Lines(text);
    for (const std::string_view line : lines)
        if (HasWord(line)) Fail(TAnalyserFault::RangeRefused, line);
    if (lines.size() < std::size_t(points))
        Fail(TAnalyserFault::CutLine, lines.empty() ? std::string_view() : lines.back());
    if (lines.size() > std::size_t(points))
        Fail(TAnalyserFault::Garbage, lines[std::size_t(points)]);
    return lines;
}

} // namespace

EAnalyserError::EAnalyserError(TAnalyserFault code, std::string detail, int limit)
    : std::runtime_error(Summary(code, detail)), Code(code), Detail(std::move(detail)),
      Limit(limit) {}

const char* AnalyserFaultName(TAnalyserFault code) {
    switch (code) {
    case TAnalyserFault::NoDevice:
        return "no-device";
    case TAnalyserFault::WrongDevice:
        return "wrong-device";
    case TAnalyserFault::Vanished:
        return "vanished";
    case TAnalyserFault::Timeout:
        return "timeout";
    case TAnalyserFault::Garbage:
        return "garbage";
    case TAnalyserFault::CutLine:
        return "cut-line";
    case TAnalyserFault::RangeRefused:
        return "range-refused";
    case TAnalyserFault::TooManyPoints:
        return "too-many-points";
    }
    return "unknown";
}

TTouchstone ParseNanoScan(std::string_view text, int points) {
    TTouchstone sweep;
    sweep.Points.reserve(std::size_t(points));
    std::string fields[3];
    for (const std::string_view line : DataLines(text, points)) {
        const std::size_t count = Fields(line, fields, 3);
        if (count < 3) Fail(TAnalyserFault::CutLine, line);
        if (count > 3) Fail(TAnalyserFault::Garbage, line);
        Append(sweep, Number(fields[0], line), {Number(fields[1], line), Number(fields[2], line)},
               line);
    }
    return sweep;
}

TTouchstone ParseNanoFrequenciesAndData(std::string_view frequencies, std::string_view data,
                                        int points) {
    const std::vector<std::string_view> fLines = DataLines(frequencies, points);
    const std::vector<std::string_view> dLines = DataLines(data, points);
    TTouchstone sweep;
    sweep.Points.reserve(std::size_t(points));
    std::string fields[2];
    for (std::size_t i = 0; i < fLines.size(); ++i) {
        if (Fields(fLines[i], fields, 1) != 1) Fail(TAnalyserFault::Garbage, fLines[i]);
        const double hz = Number(fields[0], fLines[i]);
        const std::size_t count = Fields(dLines[i], fields, 2);
        if (count < 2) Fail(TAnalyserFault::CutLine, dLines[i]);
        if (count > 2) Fail(TAnalyserFault::Garbage, dLines[i]);
        Append(sweep, hz, {Number(fields[0], dLines[i]), Number(fields[1], dLines[i])}, dLines[i]);
    }
    return sweep;
}

TTouchstone ParseLibreTrace(std::string_view line, int points) {
    TTouchstone sweep;
    sweep.Points.reserve(std::size_t(points));
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < line.size() && (IsBlank(line[i]) || line[i] == '\r' || line[i] == '\n'))
            ++i;
    };
    std::string number;
    while (true) {
        skipBlanks();
        if (i == line.size()) break;
        if (!sweep.Points.empty()) {
            if (line[i] != ',') Fail(TAnalyserFault::Garbage, line.substr(i));
            ++i;
            skipBlanks();
        }
        if (i == line.size()) Fail(TAnalyserFault::CutLine, line.substr(i));
        if (line[i] != '[') Fail(TAnalyserFault::Garbage, line.substr(i));
        const std::size_t close = line.find(']', i);
        if (close == std::string_view::npos) Fail(TAnalyserFault::CutLine, line.substr(i));
        const std::string_view triple = line.substr(i + 1, close - i - 1);
        double v[3];
        std::size_t begin = 0;
        for (int k = 0; k < 3; ++k) {
            const std::size_t end = k < 2 ? triple.find(',', begin) : triple.size();
            if (end == std::string_view::npos) Fail(TAnalyserFault::CutLine, triple);
            number.assign(triple.substr(begin, end - begin));
            while (!number.empty() && IsBlank(number.front()))
                number.erase(0, 1);
            while (!number.empty() && IsBlank(number.back()))
                number.pop_back();
            v[k] = Number(number, triple);
            begin = end + 1;
        }
        Append(sweep, v[0], {v[1], v[2]}, triple);
        i = close + 1;
    }
    if (sweep.Points.size() < std::size_t(points)) Fail(TAnalyserFault::CutLine, line.substr(0, 0));
    if (sweep.Points.size() > std::size_t(points)) Fail(TAnalyserFault::Garbage);
    return sweep;
}
