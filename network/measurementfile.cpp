#include "measurementfile.h"

#include "impedance.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <istream>
#include <numbers>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using namespace touchstone_detail;

namespace {

// Lines without their ends ("\r\n", "\n" or a lone "\r"), numbered from 1.
class TLines {
public:
    explicit TLines(std::string_view text) : FText(text) {}
    bool Next(std::string_view& line) {
        if (FPos >= FText.size()) return false;
        std::size_t end = FPos;
        while (end < FText.size() && FText[end] != '\n' && FText[end] != '\r')
            ++end;
        line = FText.substr(FPos, end - FPos);
        FPos = end;
        if (FPos < FText.size())
            FPos +=
                FText[FPos] == '\r' && FPos + 1 < FText.size() && FText[FPos + 1] == '\n' ? 2 : 1;
        ++FNumber;
        return true;
    }
    int Number() const { return FNumber; }

private:
    std::string_view FText;
    std::size_t FPos = 0;
    int FNumber = 0;
};

// The lines of a file read a piece at a time, ended as TLines ends them.
class TFileLines {
public:
    explicit TFileLines(std::istream& in) : FIn(in) {}
    bool Next(std::string& line) {
        if (FAt == FPieces.size()) {
            FPieces.clear();
            FAt = 0;
            if (!std::getline(FIn, FChunk, '\n')) return false;
            // A lone "\r" ends a line too; one before the "\n" (or the file's
            // end) ends the last piece.
            std::size_t begin = 0;
            for (std::size_t r; (r = FChunk.find('\r', begin)) != std::string::npos; begin = r + 1)
                FPieces.push_back(FChunk.substr(begin, r - begin));
            if (begin < FChunk.size() || FPieces.empty() || !FChunk.ends_with('\r'))
                FPieces.push_back(FChunk.substr(begin));
        }
        line = std::move(FPieces[FAt++]);
        return true;
    }

private:
    std::istream& FIn;
    std::string FChunk;
    std::vector<std::string> FPieces;
    std::size_t FAt = 0;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A line that carries something: neither blank nor a "!" comment.
bool IsContent(std::string_view line) {
    line = Trimmed(line);
    return !line.empty() && line.front() != '!';
}

std::string_view FirstContentLine(std::string_view text) {
    TLines lines(text);
    std::string_view line;
    while (lines.Next(line))
        if (IsContent(line)) return Trimmed(line);
    return {};
}

std::string_view FirstBlankToken(std::string_view line) {
    std::size_t end = 0;
    while (end < line.size() && !IsBlank(line[end]))
        ++end;
    return line.substr(0, end);
}

bool IsNumber(std::string_view token) {
    try {
        ParseNumber(token, 0);
        return true;
    } catch (const ETouchstoneError&) {
        return false;
    }
}

// What a CSV column holds.
enum class TRole { None, Frequency, R, X, SRe, SIm, SDb, SMag, SAngle };

struct TColumn {
    TRole Role = TRole::None;
    double UnitToMHz = 0; // the frequency's unit when the header names it
    bool Radians = false;
};

// The header's words, in lower case: "Re(S11)" → re, s11.
std::vector<std::string> Words(std::string_view name) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : name) {
        const bool alnum =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (alnum)
            word += c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
        else if (!word.empty())
            words.push_back(std::exchange(word, {}));
    }
    if (!word.empty()) words.push_back(word);
    return words;
}

TColumn ClassifyColumn(std::string_view name) {
    const std::vector<std::string> words = Words(name);
    const auto has = [&](std::initializer_list<const char*> any) {
        return std::any_of(words.begin(), words.end(), [&](const std::string& w) {
            return std::any_of(any.begin(), any.end(), [&](const char* a) { return w == a; });
        });
    };
    TColumn column;
    const bool real = has({"re", "real"}), imaginary = has({"im", "imag", "imaginary"});
    if (has({"freq", "frequency", "f", "hz", "khz", "mhz", "ghz"})) {
        column.Role = TRole::Frequency;
        column.UnitToMHz = has({"hz"})    ? 1e-6
                           : has({"khz"}) ? 1e-3
                           : has({"mhz"}) ? 1
                           : has({"ghz"}) ? 1e3
                                          : 0;
    } else if (has({"s11"})) {
        column.Radians = has({"rad", "radian", "radians"});
        column.Role = real                                                  ? TRole::SRe
                      : imaginary                                           ? TRole::SIm
                      : has({"db", "logmag"})                               ? TRole::SDb
                      : has({"mag", "magnitude", "lin", "linear", "abs"})   ? TRole::SMag
                      : has({"ang", "angle", "phase", "arg", "deg", "rad"}) ? TRole::SAngle
                                                                            : TRole::None;
    } else if (has({"r", "rs", "resistance"}) || (has({"z"}) && real))
        column.Role = TRole::R;
    else if (has({"x", "xs", "reactance"}) || (has({"z"}) && imaginary))
        column.Role = TRole::X;
    return column;
}

// The fields of a line; quotes around a field are dropped.
std::vector<std::string_view> Fields(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    if (separator == ' ') {
        for (std::string_view rest = Trimmed(line); !rest.empty(); rest = Trimmed(rest)) {
            const std::string_view token = FirstBlankToken(rest);
            fields.push_back(token);
            rest.remove_prefix(token.size());
        }
    } else {
        std::size_t begin = 0;
        while (true) {
            const std::size_t end = std::min(line.find(separator, begin), line.size());
            fields.push_back(Trimmed(line.substr(begin, end - begin)));
            if (end == line.size()) break;
            begin = end + 1;
        }
    }
    for (std::string_view& field : fields)
        if (field.size() >= 2 && field.front() == '"' && field.back() == '"')
            field = Trimmed(field.substr(1, field.size() - 2));
    return fields;
}

// The header's columns as a fault quotes them: "'Freq', 'Foo'".
std::string ColumnList(const std::vector<std::string_view>& header) {
    std::string list;
    for (const std::string_view name : header) {
        if (list.size() > 120) {
            list += ", …";
            break;
        }
        list += (list.empty() ? "'" : ", '") + Escaped(name) + "'";
    }
    return list;
}

} // namespace

namespace {

// A line of numbers or other data: neither blank, a comment nor the options.
bool IsDataLine(std::string_view line) {
    const std::string_view rest = Trimmed(line.substr(0, line.find('!')));
    return !rest.empty() && rest.front() != '#';
}

// A version 1 file named otherwise: two ports write nine numbers a
// frequency, usually on one line.
int PortsOfFirstData(std::string_view text) {
    TLines lines(text);
    std::string_view line;
    while (lines.Next(line)) {
        if (!IsDataLine(line)) continue;
        std::string_view rest = Trimmed(line.substr(0, line.find('!')));
        std::size_t count = 0;
        for (; !rest.empty(); rest = Trimmed(rest)) {
            rest.remove_prefix(FirstBlankToken(rest).size());
            ++count;
        }
        return count >= 9 ? 2 : 1;
    }
    return 1;
}

// 1 or 2 for .s1p and .s2p (any case), 0 for the extensions whose content
// tells the format; any other is refused.
int PortsOfExtension(const std::string& path, const std::string& name) {
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    const int ports = extension == ".s1p" ? 1 : extension == ".s2p" ? 2 : 0;
    // The extensions analysers write; the content then tells the format.
    if (ports == 0 && extension != ".ts" && extension != ".csv")
        throw ETouchstoneError(TTouchstoneFault::UnknownMeasurementExtension, 0, {}, 0, 0, name);
    return ports;
}

} // namespace

TMeasurementFormat DetectMeasurementFormat(std::string_view text) {
    const std::string_view first = FirstContentLine(text);
    if (first.empty()) return TMeasurementFormat::Touchstone1; // no data, as version 1 says it
    if (first.front() == '[') {
        std::string head(first.substr(0, 9));
        for (char& c : head)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        // Any other keyword first is a version 1 reader's fault to report.
        return head == "[VERSION]" ? TMeasurementFormat::Touchstone2
                                   : TMeasurementFormat::Touchstone1;
    }
    if (first.front() == '#' || IsNumber(FirstBlankToken(first)))
        return TMeasurementFormat::Touchstone1;
    return TMeasurementFormat::Csv;
}

TTouchstone ParseCsvMeasurement(std::string_view text) {
    CheckText(text);
    TLines lines(text);
    std::string_view line;
    while (lines.Next(line) && !IsContent(line)) {
    }
    if (!IsContent(line)) throw ETouchstoneError(TTouchstoneFault::NoData, 0);
    const int headerLine = lines.Number();
    const char separator = line.find(';') != std::string_view::npos    ? ';'
                           : line.find('\t') != std::string_view::npos ? '\t'
                           : line.find(',') != std::string_view::npos  ? ','
                                                                       : ' ';
    const std::vector<std::string_view> header = Fields(line, separator);

    // The first column of each role counts.
    std::optional<std::size_t> at[9];
    std::vector<TColumn> columns;
    for (std::size_t i = 0; i < header.size(); ++i) {
        columns.push_back(ClassifyColumn(header[i]));
        std::optional<std::size_t>& slot = at[std::size_t(columns.back().Role)];
        if (columns.back().Role != TRole::None && !slot) slot = i;
    }
    const auto column = [&](TRole role) { return at[std::size_t(role)]; };
    enum class TKind { RX, RI, DbAngle, MagAngle } kind;
    std::size_t first = 0, second = 0;
    if (column(TRole::Frequency) && column(TRole::R) && column(TRole::X)) {
        kind = TKind::RX;
        first = *column(TRole::R), second = *column(TRole::X);
    } else if (column(TRole::Frequency) && column(TRole::SRe) && column(TRole::SIm)) {
        kind = TKind::RI;
        first = *column(TRole::SRe), second = *column(TRole::SIm);
    } else if (column(TRole::Frequency) && column(TRole::SAngle) &&
               (column(TRole::SDb) || column(TRole::SMag))) {
        kind = column(TRole::SDb) ? TKind::DbAngle : TKind::MagAngle;
        first = column(TRole::SDb) ? *column(TRole::SDb) : *column(TRole::SMag);
        second = *column(TRole::SAngle);
    } else
        throw ETouchstoneError(TTouchstoneFault::CsvColumns, headerLine, ColumnList(header));
    const std::size_t frequencyAt = *column(TRole::Frequency);
    const std::size_t needed = std::max({frequencyAt, first, second}) + 1;

    struct TRow {
        double F, A, B;
        int Line;
    };
    std::vector<TRow> rows;
    rows.reserve(
        std::min<std::size_t>(std::count(text.begin(), text.end(), '\n'), TouchstoneMaxPoints));
    std::string number;
    const auto value = [&](std::string_view field, int lineNumber) {
        // With semicolons or tabs between fields, a comma is a decimal comma.
        number.assign(field);
        if (separator != ',') std::replace(number.begin(), number.end(), ',', '.');
        return ParseNumber(number, lineNumber);
    };
    bool inHz = false;
    while (lines.Next(line)) {
        if (!IsContent(line) || Trimmed(line).front() == '#') continue;
        const std::vector<std::string_view> fields = Fields(line, separator);
        if (fields.size() < needed)
            throw ETouchstoneError(TTouchstoneFault::CountMismatch, lines.Number(), {},
                                   header.size(), fields.size());
        const TRow row{value(fields[frequencyAt], lines.Number()),
                       value(fields[first], lines.Number()), value(fields[second], lines.Number()),
                       lines.Number()};
        inHz = inHz || row.F > 1e5;
        rows.push_back(row);
    }
    const double fromHeader = columns[frequencyAt].UnitToMHz;
    const double unitToMHz = fromHeader > 0 ? fromHeader : inHz ? 1e-6 : 1;
    const double angleUnit = columns[second].Radians ? 1 : std::numbers::pi / 180;

    TTouchstone result;
    for (const TRow& row : rows) {
        const double f = CheckedFrequency(result.Points, row.F * unitToMHz, row.Line);
        TTouchstonePoint point{f, row.A, row.B};
        if (kind != TKind::RX) {
            const double magnitude = kind == TKind::DbAngle    ? std::pow(10.0, row.A / 20)
                                     : kind == TKind::MagAngle ? row.A
                                                               : 0;
            const TComplex gamma = kind == TKind::RI ? TComplex(row.A, row.B)
                                                     : std::polar(magnitude, row.B * angleUnit);
            point.Open = gamma == 1.0;
            point.R = point.X = 0;
            if (!point.Open) {
                const TLoad load = LoadOfGamma(gamma, result.Reference);
                point.R = load.R;
                point.X = load.X;
            }
        }
        if (!std::isfinite(point.R) || !std::isfinite(point.X))
            throw ETouchstoneError(TTouchstoneFault::ImpedanceOutOfRange, row.Line);
        result.Points.push_back(point);
    }
    if (result.Points.empty()) throw ETouchstoneError(TTouchstoneFault::NoData, 0);
    return result;
}

TTouchstone ParseMeasurement(std::string_view text, int ports) {
    CheckText(text);
    switch (DetectMeasurementFormat(text)) {
    case TMeasurementFormat::Touchstone2:
        return ParseTouchstone2(text);
    case TMeasurementFormat::Csv:
        return ParseCsvMeasurement(text);
    case TMeasurementFormat::Touchstone1:
        break;
    }
    return ParseTouchstone(text, ports ? ports : PortsOfFirstData(text));
}

TTouchstone ReadMeasurementFile(const std::string& path) {
    const std::string name = NameForMessages(path);
    const int ports = PortsOfExtension(path, name);
    const std::string text = ReadFileText(path, name);
    try {
        return ParseMeasurement(text, ports);
    } catch (const ETouchstoneError& e) {
        throw ETouchstoneError(e.Code, e.Line, e.Text, e.Expected, e.Found, name);
    }
}

std::size_t ForEachMeasurementPoint(const std::string& path, const TPointSink& point) {
    const std::string name = NameForMessages(path);
    int ports = PortsOfExtension(path, name);
    std::size_t count = 0;
    const TPointSink counted = [&](const TTouchstonePoint& p) {
        ++count;
        point(p);
    };
    bool whole = false;
    try {
        std::uintmax_t size = 0;
        std::ifstream in = OpenFileChecked(path, name, size);
        char head[3] = {};
        in.read(head, 3);
        std::string_view start(head, std::size_t(in.gcount()));
        CheckText(start); // UTF-16, and a byte order mark passed over
        in.clear();
        in.seekg(std::streamoff(3 - start.size()));
        // The lines up to the first of data tell the format and the ports.
        TFileLines lines(in);
        std::vector<std::string> first;
        std::string line;
        while ((first.empty() || !IsDataLine(first.back())) && lines.Next(line))
            first.push_back(line);
        std::string prefix;
        for (const std::string& l : first)
            prefix += l + '\n';
        whole = DetectMeasurementFormat(prefix) != TMeasurementFormat::Touchstone1;
        if (!whole) {
            TVersion1Lines reader(ports ? ports : PortsOfFirstData(prefix));
            bool more = true;
            for (std::size_t i = 0; more && i < first.size(); ++i)
                more = reader.Line(first[i], counted);
            while (more && lines.Next(line))
                more = reader.Line(line, counted);
            if (in.bad()) throw ETouchstoneError(TTouchstoneFault::ReadFailed, 0);
            reader.Finish();
        }
    } catch (const ETouchstoneError& e) {
        throw ETouchstoneError(e.Code, e.Line, e.Text, e.Expected, e.Found, name);
    }
    if (whole)
        for (const TTouchstonePoint& p : ReadMeasurementFile(path).Points)
            counted(p);
    return count;
}
