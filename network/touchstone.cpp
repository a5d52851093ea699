#include "touchstone.h"

#include <algorithm>
#include <charconv>
#include <cmath>
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

[[noreturn]] void Fail(int line, const std::string& message) {
    throw ETouchstoneError("řádek " + std::to_string(line) + ": " + message, line);
}

// A token as a message quotes it: short (a fuzzed line may be megabytes
// long), cut on a UTF-8 boundary, with control characters made visible.
std::string Quoted(std::string_view token) {
    constexpr std::size_t maxShown = 24;
    std::size_t shown = std::min(token.size(), maxShown);
    while (shown < token.size() && shown > 0 &&
           (static_cast<unsigned char>(token[shown]) & 0xC0) == 0x80)
        --shown;
    std::string text = "'";
    for (char c : token.substr(0, shown))
        text += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) ? '?' : c;
    if (shown < token.size()) text += "…";
    return text + "'";
}

// "očekávám 3 čísla, nalezeno 2", with the Czech plural of the expected count.
std::string CountMismatch(std::size_t expected, std::size_t found) {
    const char* noun = expected == 1 ? "číslo" : expected <= 4 ? "čísla" : "čísel";
    return "očekávám " + std::to_string(expected) + " " + noun + ", nalezeno " +
           std::to_string(found);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Splits the next blank-separated token off `rest`; empty when none is left.
std::string_view NextToken(std::string_view& rest) {
    std::size_t begin = 0;
    while (begin < rest.size() && IsBlank(rest[begin]))
        ++begin;
    std::size_t end = begin;
    while (end < rest.size() && !IsBlank(rest[end]))
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

// Locale-independent; a leading "+" is allowed, as some analysers write one.
double ParseNumber(std::string_view token, int line) {
    std::string_view digits = token;
    if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-') digits.remove_prefix(1);
    double value = 0;
    const char* last = digits.data() + digits.size();
    const auto [end, ec] = std::from_chars(digits.data(), last, value);
    if (end != last) Fail(line, "neplatné číslo " + Quoted(token));
    if (ec == std::errc::result_out_of_range) Fail(line, "číslo mimo rozsah " + Quoted(token));
    // from_chars reads "nan" and "inf" happily; a measurement never holds them.
    if (ec != std::errc() || !std::isfinite(value)) Fail(line, "neplatné číslo " + Quoted(token));
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
            Fail(line, "parametry " + Quoted(token) + " nejsou podporovány");
        else if (word == "RI")
            options.Format = TFormat::RI;
        else if (word == "MA")
            options.Format = TFormat::MA;
        else if (word == "DB")
            options.Format = TFormat::DB;
        else if (word == "R") {
            const std::string_view value = NextToken(rest);
            if (value.empty()) Fail(line, "za R chybí referenční odpor");
            options.Reference = ParseNumber(value, line);
            if (options.Reference <= 0) Fail(line, "referenční odpor musí být kladný");
        } else
            Fail(line, "neznámá volba " + Quoted(token));
    }
}

// The load impedance of one pair of numbers in the file's format and
// parameter. Version 1 gives Z and Y normalised to the reference.
TTouchstonePoint LoadImpedance(double a, double b, const TOptions& options, int line) {
    double re = a, im = b;
    if (options.Format != TFormat::RI) {
        // Measured data takes the exact pi: the chart's stored constant
        // belongs to the chart's own printed numbers, not to a file.
        const double magnitude = options.Format == TFormat::DB ? std::pow(10.0, a / 20) : a;
        const double angle = b * (std::numbers::pi / 180);
        re = magnitude * std::cos(angle);
        im = magnitude * std::sin(angle);
    }
    const double r0 = options.Reference;
    TTouchstonePoint z{0, 0, 0};
    if (options.Parameter == TParameter::Z) {
        z.R = r0 * re;
        z.X = r0 * im;
    } else if (options.Parameter == TParameter::Y) {
        const double d = re * re + im * im;
        if (d == 0) Fail(line, "admitance je nulová, impedance by byla nekonečná");
        z.R = r0 * re / d;
        z.X = -r0 * im / d;
    } else {
        // Z = R0 (1 + Γ) / (1 − Γ), written out so that Γ = 1 is caught here.
        const double d = (1 - re) * (1 - re) + im * im;
        if (d == 0) Fail(line, "S11 = 1, impedance by byla nekonečná");
        z.R = r0 * (1 - re * re - im * im) / d;
        z.X = r0 * 2 * im / d;
    }
    if (!std::isfinite(z.R) || !std::isfinite(z.X)) Fail(line, "impedance mimo rozsah");
    return z;
}

[[noreturn]] void FailFile(const std::string& name, const std::string& message, int line = 0) {
    throw ETouchstoneError(name + ": " + message, line);
}

} // namespace

TTouchstone ParseTouchstone(std::string_view text, int ports) {
    if (ports != 1 && ports != 2)
        throw std::invalid_argument("ParseTouchstone: ports must be 1 or 2");
    if (text.size() > TouchstoneMaxBytes) throw ETouchstoneError("soubor je větší než 64 MiB");

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
        while (!rest.empty() && IsBlank(rest.front()))
            rest.remove_prefix(1);
        if (rest.empty()) continue;
        if (rest.front() == '#') {
            // Only the first option line counts, and it must come before the data.
            if (optionsSeen) continue;
            if (!points.empty() || pendingCount > 0) Fail(line, "řádek voleb musí být před daty");
            ParseOptions(rest.substr(1), line, options);
            optionsSeen = true;
            result.Reference = options.Reference;
            continue;
        }
        if (rest.front() == '[') Fail(line, "Touchstone verze 2 není podporován");

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
                if (before == 0) Fail(line, CountMismatch(perPoint, count));
                // A whole record on this line means the one before it was cut short.
                Fail(pendingLine,
                     CountMismatch(perPoint, count == perPoint ? before : before + count));
            }
            pending[pendingCount++] = ParseNumber(token, line);
        }
        if (pendingCount < perPoint) continue;

        pendingCount = 0;
        const double f = pending[0] * options.UnitToMHz;
        if (!(f > 0)) Fail(pendingLine, "kmitočet musí být kladný");
        if (!std::isfinite(f)) Fail(pendingLine, "kmitočet mimo rozsah");
        if (!points.empty() && f <= points.back().FrequencyMHz)
            Fail(pendingLine, "kmitočty musí stoupat");
        if (points.size() == TouchstoneMaxPoints)
            Fail(pendingLine, "soubor má více než milion bodů");
        TTouchstonePoint point = LoadImpedance(pending[1], pending[2], options, pendingLine);
        point.FrequencyMHz = f;
        points.push_back(point);
    }
    if (pendingCount > 0) Fail(pendingLine, CountMismatch(perPoint, pendingCount));
    if (points.empty()) throw ETouchstoneError("soubor neobsahuje žádná data");
    return result;
}

TTouchstone ReadTouchstoneFile(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path file(path);
    const std::string name = file.has_filename() ? file.filename().string() : path;

    const std::string extension = Upper(file.extension().string());
    const int ports = extension == ".S1P" ? 1 : extension == ".S2P" ? 2 : 0;
    if (ports == 0) FailFile(name, "neznámá přípona, čtu jen soubory .s1p a .s2p");

    // The size is checked before a byte is read, and the file is read once.
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (status.type() == fs::file_type::not_found) FailFile(name, "soubor neexistuje");
    if (error) FailFile(name, "soubor nelze otevřít");
    if (!fs::is_regular_file(status)) FailFile(name, "není to soubor s daty");
    const std::uintmax_t size = fs::file_size(file, error);
    if (error) FailFile(name, "soubor nelze otevřít");
    if (size > TouchstoneMaxBytes) FailFile(name, "soubor je větší než 64 MiB");

    std::string text(size, '\0');
    {
        std::ifstream in(file, std::ios::binary);
        if (!in) FailFile(name, "soubor nelze otevřít");
        in.read(text.data(), std::streamsize(size));
        if (in.bad()) FailFile(name, "chyba při čtení souboru");
        text.resize(std::size_t(in.gcount()));
    }
    try {
        return ParseTouchstone(text, ports);
    } catch (const ETouchstoneError& e) {
        FailFile(name, e.what(), e.Line);
    }
}
