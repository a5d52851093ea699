// Mutated Touchstone files: whatever comes in, the reader either refuses it
// with its own error, naming a line that exists in words without a raw byte,
// or returns finite points with strictly rising frequencies. A fixed seed
// keeps failures reproducible.

#include "cli.h"
#include "measurementfile.h"
#include "touchstone.h"
#include "touchstonetext.h"

#include <QByteArray>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr int kInputs = 2000; // the sanitized build runs about ten times slower
#else
constexpr int kInputs = 6000;
#endif

struct TSeed {
    int Ports;
    std::string Text;
};

std::vector<TSeed> Seeds() {
    std::string sweep = "# MHz S RI R 50\n";
    for (int i = 1; i <= 20; ++i)
        // Hundredths written by hand: std::to_string follows the locale.
        sweep += std::to_string(i) + ".5 " + (i < 10 ? "-0." : "0.") +
                 std::to_string(std::abs(4 * i - 40) / 10) + std::to_string(std::abs(4 * i - 40) % 10) +
                 " -0.3\n";
    return {
        {1, sweep},
        {1, "! analyser export\r\n# ghz ma s\r\n0.0070 0.5 45\r\n0.0071 0.52 40 ! peak\r\n"
            "\r\n0.0072 0.55 35\r\n"},
        {1, "# kHz Z RI R 75\n1800 0.9 -0.2\n1900 1.1\n0.1\n2000 1.3 0.4\n"},
        {1, "# Hz Y MA\n14000000 1.2 30\n14100000 1.0 0\n14200000 0.8 -30\n"},
        {2, "# GHz S DB R 50\n0.1 -6 90 -1 10\n -20 20 -3 30\n0.2 -10 45 -1 10 -20 20 -3 30\n"
            "! noise\n0.15 1.2 0.3 40 0.2\n"},
    };
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end; (end = text.find('\n', begin)) != std::string::npos; begin = end + 1)
        lines.push_back(text.substr(begin, end - begin + 1));
    if (begin < text.size()) lines.push_back(text.substr(begin));
    return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line;
    return text;
}

// One random change of the kinds a damaged or hostile file shows.
void Mutate(std::string& text, std::mt19937& rng) {
    static const char* const hostile[] = {"1e308", "1e999", "-1e999", "1e-320",    "1e-400",
                                          "nan",   "NaN",   "inf",    "-inf",      "Infinity",
                                          "0x1p3", "0",     "-0",     "1e30",      "+",
                                          "--1",   "1e",    ".",      "[Version]", "#"};
    const auto pick = [&](std::size_t n) {
        return std::size_t(rng() % std::max<std::size_t>(n, 1));
    };
    std::vector<std::string> lines = Lines(text);
    switch (rng() % 6) {
    case 0: // a flipped byte
        if (!text.empty()) text[pick(text.size())] = char(rng() & 0xFF);
        return;
    case 1: { // a line cut short
        std::string& line = lines[pick(lines.size())];
        line.resize(pick(line.size()));
        break;
    }
    case 2: { // a number replaced by a hostile text
        std::string& line = lines[pick(lines.size())];
        const std::size_t at = line.find_first_of("0123456789", pick(line.size()));
        if (at == std::string::npos) return;
        const std::size_t end = std::min(line.find_first_of(" \t\r\n", at), line.size());
        line.replace(at, end - at, hostile[pick(std::size(hostile))]);
        break;
    }
    case 3: { // a line repeated
        const std::size_t at = pick(lines.size());
        lines.insert(lines.begin() + at, 1 + pick(3), lines[at]);
        break;
    }
    case 4: // a line lost
        lines.erase(lines.begin() + pick(lines.size()));
        break;
    default: { // a character that means something to the reader
        const char special[] = {'\r', '\n', '!', '#', '[', ' ', '-', '.', 'e', '\0'};
        text.insert(pick(text.size() + 1), 1, special[pick(sizeof special)]);
        return;
    }
    }
    text = Joined(lines);
}

// Well-formed UTF-8 (it survives a round trip through Qt) without a control character.
bool Clean(const std::string& words) {
    const QByteArray bytes = QByteArray::fromStdString(words);
    return QString::fromUtf8(bytes).toUtf8() == bytes &&
           std::none_of(words.begin(), words.end(),
                        [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

// Empty when the outcome is acceptable, else what is wrong with it.
std::string Fault(const std::string& text, int ports, bool* accepted = nullptr) {
    try {
        const TTouchstone t = ParseTouchstone(text, ports);
        if (accepted) *accepted = true;
        if (t.Points.empty()) return "accepted without points";
        if (!(t.Reference > 0) || !std::isfinite(t.Reference)) return "bad reference";
        double previous = -1;
        for (const TTouchstonePoint& p : t.Points) {
            if (!std::isfinite(p.FrequencyMHz) || !std::isfinite(p.R) || !std::isfinite(p.X))
                return "a point is not finite";
            if (p.FrequencyMHz < 0) return "a negative frequency";
            if (!(p.FrequencyMHz > previous)) return "frequencies do not rise";
            if (p.Open && (p.R != 0 || p.X != 0)) return "an open circuit with an impedance";
            previous = p.FrequencyMHz;
        }
        return {};
    } catch (const ETouchstoneError& e) {
        const std::string message = TouchstoneErrorText(e).toStdString();
        const long lineCount = std::count(text.begin(), text.end(), '\n') +
                               std::count(text.begin(), text.end(), '\r') + 1;
        if (e.Line < 0 || e.Line > lineCount) return "line out of range: " + message;
        const std::string prefix = "řádek " + std::to_string(e.Line) + ": ";
        if (e.Line > 0 && message.rfind(prefix, 0) != 0)
            return "message without its line: " + message;
        if (message.size() <= (e.Line > 0 ? prefix.size() : 0)) return "empty message";
        for (const std::string& words : {message, TouchstoneErrorEnglish(e)})
            if (!Clean(words)) return "a raw byte in: " + words;
        return {};
    }
}

std::string Shown(const std::string& text) {
    return text.size() > 400 ? text.substr(0, 400) + "..." : text;
}

TEST(TouchstoneFuzz, MutatedFilesAreRefusedOrFinite) {
    const std::vector<TSeed> seeds = Seeds();
    std::mt19937 rng(20261208u);
    int accepted = 0;
    for (int i = 0; i < kInputs; ++i) {
        const TSeed& seed = seeds[std::size_t(i) % seeds.size()];
        std::string text = seed.Text;
        for (unsigned n = 1 + rng() % 4; n > 0; --n)
            Mutate(text, rng);
        bool read = false;
        ASSERT_EQ(Fault(text, seed.Ports, &read), "") << "input " << i << ":\n" << Shown(text);
        accepted += read;
    }
    // Mutations that keep the file usable must still be read, so a reader
    // that refused everything would not pass.
    EXPECT_GT(accepted, kInputs / 20);
    EXPECT_LT(accepted, kInputs * 19 / 20);
}

// What a file gives, exactly: its points, or its fault with all it carries
// (read a piece at a time, the points before it were handed on first).
template <class Read> std::string Outcome(Read&& read) {
    std::string out;
    char cell[128];
    try {
        read([&](const TTouchstonePoint& p) {
            std::snprintf(cell, sizeof cell, "%a %a %a %d\n", p.FrequencyMHz, p.R, p.X, p.Open);
            out += cell;
        });
    } catch (const ETouchstoneError& e) {
        out.clear();
        std::snprintf(cell, sizeof cell, "fault %d line %d expected %zu found %zu ", int(e.Code),
                      e.Line, e.Expected, e.Found);
        out += cell + e.Text + " in " + e.File;
    }
    return out;
}

TEST(TouchstoneFuzz, ReadAPieceAtATimeAsReadWhole) {
    const std::vector<TSeed> seeds = Seeds();
    const std::string folder = testing::TempDir();
    std::mt19937 rng(20261209u);
    for (int i = 0; i < kInputs / 4; ++i) {
        const TSeed& seed = seeds[std::size_t(i) % seeds.size()];
        std::string text = (i % 7 == 0 ? "\xEF\xBB\xBF" : "") + seed.Text;
        for (unsigned n = rng() % 4; n > 0; --n)
            Mutate(text, rng);
        // Named by its ports, or .ts and .csv, whose content tells the format.
        const char* const names[] = {"m.s1p", "m.s2p", "m.ts", "m.csv"};
        const std::string path = folder + (i % 3 ? names[seed.Ports - 1] : names[2 + i % 2]);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
        const std::string whole = Outcome([&](const auto& point) {
            for (const TTouchstonePoint& p : ReadMeasurementFile(path).Points)
                point(p);
        });
        const std::string pieces =
            Outcome([&](const auto& point) { ForEachMeasurementPoint(path, point); });
        ASSERT_EQ(pieces, whole) << "input " << i << ":\n" << Shown(text);
    }
}

TEST(TouchstoneFuzz, TenMegabyteLines) {
    const std::string head = "# MHz S RI\n1 0.1 0.1\n";
    const std::string tail = "\n3 0.2 0.2\n";
    const std::size_t size = 10u << 20;
    std::string repeatedNumbers;
    while (repeatedNumbers.size() < size)
        repeatedNumbers += "0.5 ";
    const std::string lines[] = {
        std::string(size, '7'),                 // one enormous number
        repeatedNumbers,                        // millions of numbers on one line
        "2 0 0 !" + std::string(size, 'x'),     // an enormous comment
        std::string(size, ' ') + "2 0 0",       // enormous indentation
        "2 0." + std::string(size, '1') + " 0", // an enormous mantissa
    };
    int ports = 1;
    for (const std::string& line : lines) {
        EXPECT_EQ(Fault(head + line + tail, ports), "") << Shown(line);
        ports = 3 - ports;
    }
}

} // namespace
