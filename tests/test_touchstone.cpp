// The Touchstone reader on files written here: hand-computed points, every
// unit, parameter and format against impedances encoded the forward way
// (Z to S, Y or Z in the test, the file's numbers back to Z in the reader),
// layouts that must not change the result, and every refusal with its line.

#include "cli.h"
#include "response.h"
#include "touchstone.h"
#include "touchstonetext.h"

#include <QDir>
#include <QTemporaryDir>
#include <array>
#include <charconv>
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace {

using TComplex = std::complex<double>;
using namespace std::string_view_literals;

std::string Num(double v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

// The file's pair for load z: the parameter from z the forward way, then
// written in the format.
std::string Pair(TComplex z, char parameter, const std::string& format, double r0) {
    const TComplex v = parameter == 'S' ? (z - r0) / (z + r0) : parameter == 'Z' ? z / r0 : r0 / z;
    if (format == "RI") return Num(v.real()) + " " + Num(v.imag());
    const double magnitude = format == "DB" ? 20 * std::log10(std::abs(v)) : std::abs(v);
    return Num(magnitude) + " " + Num(std::arg(v) * 180 / std::numbers::pi);
}

void ExpectPoints(const TTouchstone& t, const std::vector<TTouchstonePoint>& expected,
                  double tolerance = 1e-9) {
    ASSERT_EQ(t.Points.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const TTouchstonePoint& got = t.Points[i];
        const TTouchstonePoint& want = expected[i];
        const double scale = std::max(1.0, std::hypot(want.R, want.X));
        EXPECT_NEAR(got.FrequencyMHz, want.FrequencyMHz, want.FrequencyMHz * 1e-12)
            << "point " << i;
        EXPECT_NEAR(got.R, want.R, scale * tolerance) << "point " << i;
        EXPECT_NEAR(got.X, want.X, scale * tolerance) << "point " << i;
    }
}

// The refusal as the GUI words it, and as the command line does.
std::string ErrorOf(std::string_view text, int ports, int* line = nullptr,
                    std::string* english = nullptr) {
    try {
        ParseTouchstone(text, ports);
    } catch (const ETouchstoneError& e) {
        if (line) *line = e.Line;
        if (english) *english = TouchstoneErrorEnglish(e);
        return TouchstoneErrorText(e).toStdString();
    }
    if (line) *line = 0;
    if (english) *english = "<accepted>";
    return "<accepted>";
}

TEST(Touchstone, HandComputedPoints) {
    struct TCase {
        const char* Text;
        int Ports;
        TTouchstonePoint Want;
    };
    const TCase cases[] = {
        {"# MHz S RI R 50\n10 0.2 0\n", 1, {10, 75, 0}},
        {"# Hz Z RI R 75\n1000000 1 1\n", 1, {1, 75, 75}},
        {"# kHz Y RI R 50\n1000 0.5 0\n", 1, {1, 100, 0}},
        {"# kHz Y RI R 50\n1000 0 0.5\n", 1, {1, 0, -100}},
        {"# GHz S MA R 50\n0.001 0.5 90\n", 1, {1, 30, 40}},
        {"# MHz S DB R 50\n7 -6.020599913279624 180\n", 1, {7, 50.0 / 3, 0}},
        {"0.0141 0 0\n", 1, {14.1, 50, 0}}, // no option line: GHz S MA R 50
        {"#\n0.0141 0.5 0\n", 1, {14.1, 150, 0}},
        {"# r 25 ri mhz\n3.5 0.2 0\n", 1, {3.5, 37.5, 0}},
        {"# MHz S RI\n5 0.2 0 0.9 0.1 0.8 -0.2 0.3 0.3\n", 2, {5, 75, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        ExpectPoints(ParseTouchstone(c.Text, c.Ports), {c.Want}, 1e-9);
    }
}

TEST(Touchstone, EveryUnitParameterAndFormatGivesTheLoadBack) {
    const std::pair<const char*, double> units[] = {
        {"Hz", 1e-6}, {"kHz", 1e-3}, {"MHz", 1}, {"GHz", 1e3}};
    const std::vector<TTouchstonePoint> loads = {
        {1.8, 12.5, -340}, {7.05, 49.5, 0.25}, {14.2, 300, 85}, {28.5, 3.2, 7.7}, {144, 1e4, -2e3}};
    for (const auto& [unit, toMHz] : units)
        for (char parameter : {'S', 'Y', 'Z'})
            for (const std::string format : {"RI", "MA", "DB"})
                for (double r0 : {50.0, 75.0}) {
                    // The tokens in another order and case than the usual line.
                    std::string text = "! written by the test\n# R " + Num(r0) + " " + format +
                                       " " + std::string(1, char(std::tolower(parameter))) + " " +
                                       unit + "\n";
                    for (const TTouchstonePoint& p : loads)
                        text += Num(p.FrequencyMHz / toMHz) + " " +
                                Pair({p.R, p.X}, parameter, format, r0) + "\n";
                    SCOPED_TRACE(text);
                    const TTouchstone t = ParseTouchstone(text, 1);
                    EXPECT_EQ(t.Reference, r0);
                    ExpectPoints(t, loads, 1e-9);
                }
}

TEST(Touchstone, LayoutDoesNotChangeThePoints) {
    const std::string plain = "# MHz S RI R 50\n1 0.1 0.2\n2 0.3 -0.4\n3 -0.5 0.25\n";
    const std::vector<TTouchstonePoint> want = ParseTouchstone(plain, 1).Points;
    const std::string variants[] = {
        "# MHz S RI R 50\r\n1 0.1 0.2\r\n2 0.3 -0.4\r\n3 -0.5 0.25\r\n",
        "\xEF\xBB\xBF# MHz S RI R 50\r1 0.1 0.2\r2 0.3 -0.4\r3 -0.5 0.25",
        "! comment\n\n   # MHz S RI R 50 ! trailing\n\t1\t0.1 0.2!x\n\n2 +0.3 -0.4\n3 -5e-1 .25\n",
        "# MHz S RI R 50\n1 0.1\n0.2\n2\n0.3\n-0.4\n3 -0.5 0.25\n# GHz ignored\n",
    };
    for (const std::string& v : variants) {
        SCOPED_TRACE(v);
        ExpectPoints(ParseTouchstone(v, 1), want, 0);
    }
}

TEST(Touchstone, TwoPortUsesS11AndEndsAtTheNoiseBlock) {
    const std::string text = "# GHz S MA R 50\n"
                             "! freq S11 S21 S12 S22, continued over lines\n"
                             "0.1 0.5 90 0.9 10\n 0.1 20 0.3 30\n"
                             "0.2 0 0 0.9 10 0.1 20 0.3 30\n"
                             "! noise: freq Fmin Gopt angle Rn\n"
                             "0.15 1.2 0.3 40 0.2\n0.25 1.3 0.3 45 0.2\n";
    const TTouchstone t = ParseTouchstone(text, 2);
    EXPECT_EQ(t.Ports, 2);
    ExpectPoints(t, {{100, 30, 40}, {200, 50, 0}});
}

// A 2×2 complex matrix, rows first: just enough to turn Z into Y and S.
using TMatrix = std::array<TComplex, 4>;

TMatrix Inverse(const TMatrix& m) {
    const TComplex det = m[0] * m[3] - m[1] * m[2];
    return {m[3] / det, -m[1] / det, -m[2] / det, m[0] / det};
}

TMatrix Product(const TMatrix& a, const TMatrix& b) {
    return {a[0] * b[0] + a[1] * b[2], a[0] * b[1] + a[1] * b[3], a[2] * b[0] + a[3] * b[2],
            a[2] * b[1] + a[3] * b[3]};
}

TEST(Touchstone, TwoPortZAndYGiveTheLoadWithPortTwoTerminated) {
    // A T network: series a at port 1, shunt c, series b at port 2.
    const double r0 = 50;
    const TComplex a{20, 35}, b{30, -10}, c{15, -60};
    const TMatrix z = {a + c, c, c, b + c};
    const TMatrix y = Inverse(z);
    const TMatrix s =
        Product({z[0] - r0, z[1], z[2], z[3] - r0}, Inverse({z[0] + r0, z[1], z[2], z[3] + r0}));
    // Port 2 in r0, seen through the circuit itself rather than a matrix.
    const TComplex want = a + c * (b + r0) / (c + b + r0);
    const std::pair<char, TMatrix> files[] = {
        {'S', s},
        {'Z', {z[0] / r0, z[1] / r0, z[2] / r0, z[3] / r0}},
        {'Y', {y[0] * r0, y[1] * r0, y[2] * r0, y[3] * r0}},
    };
    for (const auto& [parameter, m] : files) {
        std::string text = "# MHz " + std::string(1, parameter) + " RI R 50\n7";
        // Version 1 order: 11, 21, 12, 22.
        for (int i : {0, 2, 1, 3})
            text += " " + Num(m[std::size_t(i)].real()) + " " + Num(m[std::size_t(i)].imag());
        SCOPED_TRACE(text);
        ExpectPoints(ParseTouchstone(text + "\n", 2), {{7, want.real(), want.imag()}}, 1e-12);
    }
}

TEST(Touchstone, UnmatchablePointsAreKept) {
    // 0 Hz, S11 = 1 (an open), |S11| = 1 (R = 0), |S11| > 1 (R < 0), and a
    // two-port whose port 2 resonates against the reference (an open too).
    const TTouchstone t = ParseTouchstone("# MHz S RI R 50\n0 0.2 0\n1 1 0\n2 0.6 0.8\n3 1.2 0\n"
                                          "4 0 0.5\n",
                                          1);
    const TTouchstone y = ParseTouchstone("# MHz Y RI\n0 0.5 0\n1 0 0\n", 1);
    const TTouchstone z = ParseTouchstone("# MHz Z RI\n1 1 0 1 0 1 0 -1 0\n", 2);
    ExpectPoints(t, {{0, 75, 0}, {1, 0, 0}, {2, 0, 100}, {3, -550, 0}, {4, 30, 40}});
    ExpectPoints(y, {{0, 100, 0}, {1, 0, 0}});
    ExpectPoints(z, {{1, 0, 0}});
    std::vector<bool> open;
    for (const TTouchstone* u : {&t, &y, &z})
        for (const TTouchstonePoint& p : u->Points)
            open.push_back(p.Open);
    EXPECT_EQ(open, std::vector<bool>({false, true, false, false, false, false, true, true}));
    // No load is known at an open or between it and its neighbours.
    EXPECT_FALSE(InterpolateTrace(t, 0.5));
    EXPECT_FALSE(InterpolateTrace(t, 1));
    EXPECT_FALSE(InterpolateTrace(t, 1.5));
    EXPECT_NEAR(InterpolateTrace(t, 2.5)->R, -275, 1e-9);
    // Nothing is designed at 0 Hz, and a model on the trace has no load there.
    EXPECT_FALSE(TBandResponse({75, 0}, 0, TLoadModel::Measured, &t).SwrAt(0));
}

TEST(Touchstone, RefusalsNameTheirLine) {
    struct TCase {
        std::string_view Text;
        int Ports;
        int Line;
        const char* Message;
        const char* English;
    };
    const TCase cases[] = {
        {"", 1, 0, "soubor neobsahuje žádná data", "the file holds no data"},
        {"! only\n# MHz\n\n", 1, 0, "soubor neobsahuje žádná data", "the file holds no data"},
        {"# MHz\n1 0 0\n2 0.5\n", 1, 3, "řádek 3: očekávám 3 čísla, nalezeno 2",
         "line 3: expected 3 numbers, found 2"},
        {"# MHz\n1 0 0 7\n", 1, 2, "řádek 2: očekávám 3 čísla, nalezeno 4",
         "line 2: expected 3 numbers, found 4"},
        {"# MHz\n1 0\n2 0 0\n", 1, 2, "řádek 2: očekávám 3 čísla, nalezeno 2",
         "line 2: expected 3 numbers, found 2"},
        {"1 0 0 0 0 0 0 0\n", 2, 1, "řádek 1: očekávám 9 čísel, nalezeno 8",
         "line 1: expected 9 numbers, found 8"},
        {"1 0 0 0 0\n0 0 0 0 0\n", 2, 1, "řádek 1: očekávám 9 čísel, nalezeno 10",
         "line 1: expected 9 numbers, found 10"},
        {"# MHz\n1 0 0\n2 abc 0\n", 1, 3, "řádek 3: neplatné číslo 'abc'",
         "line 3: invalid number 'abc'"},
        {"# MHz\n1 0 nan\n", 1, 2, "řádek 2: neplatné číslo 'nan'", "line 2: invalid number 'nan'"},
        {"# MHz\n1 -inf 0\n", 1, 2, "řádek 2: neplatné číslo '-inf'",
         "line 2: invalid number '-inf'"},
        {"# MHz\n1 0x10 0\n", 1, 2, "řádek 2: neplatné číslo '0x10'",
         "line 2: invalid number '0x10'"},
        {"# MHz\n1 0,5 0\n", 1, 2, "řádek 2: neplatné číslo '0,5'", "line 2: invalid number '0,5'"},
        {"# MHz\n1 1e999 0\n", 1, 2, "řádek 2: číslo mimo rozsah '1e999'",
         "line 2: number out of range '1e999'"},
        {"# MHz\n1 0 0\n\n1 0 0\n", 1, 4, "řádek 4: kmitočty musí stoupat",
         "line 4: frequencies must rise"},
        {"# MHz\n2 0 0\n1 0 0\n", 1, 3, "řádek 3: kmitočty musí stoupat",
         "line 3: frequencies must rise"},
        {"# MHz\n1 0 0 0 0 0 0 0 0\n1 0 0 0 0 0 0 0 0\n", 2, 3, "řádek 3: kmitočty musí stoupat",
         "line 3: frequencies must rise"},
        // 0 Hz, S11 = 1 and a zero admittance are kept (see UnmatchablePointsAreKept).
        {"# MHz\n0 0 0\n", 1, 0, "<accepted>", "<accepted>"},
        {"# MHz\n-1 0 0\n", 1, 2, "řádek 2: kmitočet musí být kladný",
         "line 2: negative frequency"},
        {"# GHz\n1e306 0 0\n", 1, 2, "řádek 2: kmitočet mimo rozsah",
         "line 2: frequency out of range"},
        {"# MHz RI\n1 1 0\n", 1, 0, "<accepted>", "<accepted>"},
        {"# MHz MA\n1 1 0\n", 1, 0, "<accepted>", "<accepted>"},
        {"# MHz Y RI\n1 0 0\n", 1, 0, "<accepted>", "<accepted>"},
        {"# MHz Z RI\n1 1e307 0\n", 1, 2, "řádek 2: impedance mimo rozsah",
         "line 2: impedance out of range"},
        {"# MHz DB\n1 7000 0\n", 1, 2, "řádek 2: impedance mimo rozsah",
         "line 2: impedance out of range"},
        {"! x\n# MHz X RI\n", 1, 2, "řádek 2: neznámá volba 'X'", "line 2: unknown option 'X'"},
        {"# MHz H RI\n", 2, 1, "řádek 1: parametry 'H' nejsou podporovány",
         "line 1: parameters 'H' are not supported"},
        {"# g\n", 2, 1, "řádek 1: parametry 'g' nejsou podporovány",
         "line 1: parameters 'g' are not supported"},
        {"# MHz R\n", 1, 1, "řádek 1: za R chybí referenční odpor",
         "line 1: R without a reference resistance"},
        {"# MHz R -50\n", 1, 1, "řádek 1: referenční odpor musí být kladný",
         "line 1: the reference resistance must be positive"},
        {"# MHz R 0\n", 1, 1, "řádek 1: referenční odpor musí být kladný",
         "line 1: the reference resistance must be positive"},
        {"# MHz R fifty\n", 1, 1, "řádek 1: neplatné číslo 'fifty'",
         "line 1: invalid number 'fifty'"},
        {"1 0 0\n# MHz\n", 1, 2, "řádek 2: řádek voleb musí být před daty",
         "line 2: the option line must come before the data"},
        {"! v2\n[Version] 2.0\n# MHz\n", 1, 2, "řádek 2: Touchstone verze 2 není podporován",
         "line 2: Touchstone version 2 is not supported"},
        {"# MHz\n[Number of Ports] 1\n", 1, 2, "řádek 2: Touchstone verze 2 není podporován",
         "line 2: Touchstone version 2 is not supported"},
        // Never a raw byte in a message: control bytes and broken UTF-8 are escaped.
        {"# MHz\r\n\r\n1 0 0\r\n2 a\x01\r\n", 1, 4, "řádek 4: neplatné číslo 'a\\x01'",
         "line 4: invalid number 'a\\x01'"},
        {"# MHz\n1 µ\xFF\xC2 0\n", 1, 2, "řádek 2: neplatné číslo 'µ\\xFF\\xC2'",
         "line 2: invalid number 'µ\\xFF\\xC2'"},
        {"\xEF\xBB\xBF# MHz X\n", 1, 1, "řádek 1: neznámá volba 'X'", "line 1: unknown option 'X'"},
        {"#\xC2\xA0MHz\xC2\xA0X\n", 1, 1, "řádek 1: neznámá volba 'X'",
         "line 1: unknown option 'X'"},
        {"\xFF\xFE#\0 \0M\0H\0z\0\n\0"sv, 1, 0, "soubor je v kódování UTF-16; uložte ho jako UTF-8",
         "the file is in UTF-16; save it as UTF-8"},
        {"#\0 \0M\0H\0z\0"sv, 1, 0, "soubor je v kódování UTF-16; uložte ho jako UTF-8",
         "the file is in UTF-16; save it as UTF-8"},
    };
    for (const TCase& c : cases) {
        int line = -1;
        std::string english;
        EXPECT_EQ(ErrorOf(c.Text, c.Ports, &line, &english), c.Message) << c.Text;
        EXPECT_EQ(english, c.English) << c.Text;
        EXPECT_EQ(line, c.Line) << c.Text;
    }
}

TEST(Touchstone, SizeAndPointCountAreLimited) {
    int line = -1;
    EXPECT_EQ(ErrorOf(std::string(TouchstoneMaxBytes + 1, ' '), 1, &line),
              "soubor je větší než 64 MiB");
    EXPECT_EQ(line, 0);

    std::string text = "# Hz S RI\n";
    text.reserve(16 * TouchstoneMaxPoints);
    for (std::size_t i = 1; i <= TouchstoneMaxPoints; ++i)
        text += std::to_string(i) + " 0 0\n";
    text += "2000000 0 0\n";
    // Refused only at the point after the millionth, so the million were read.
    EXPECT_EQ(ErrorOf(text, 1, &line), "řádek 1000002: soubor má více než milion bodů");
    EXPECT_EQ(line, 1000002);
}

TEST(Touchstone, ReadsFilesAndNamesThemInMessages) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const std::string& name, const std::string& text) {
        const std::string path =
            QDir(dir.path()).filePath(QString::fromStdString(name)).toStdString();
        std::ofstream(path, std::ios::binary) << text;
        return path;
    };
    const TTouchstone one = ReadTouchstoneFile(write("ant.S1P", "# MHz S RI R 50\r\n10 0.2 0\r\n"));
    EXPECT_EQ(one.Ports, 1);
    ExpectPoints(one, {{10, 75, 0}});
    const TTouchstone two =
        ReadTouchstoneFile(write("amp.s2p", "# MHz RI\n10 0.2 0 1 0\n0 0 0 0\n5 1 0.1 0.1 1\n"));
    EXPECT_EQ(two.Ports, 2);
    ExpectPoints(two, {{10, 75, 0}});

    const std::string big = write("big.s1p", "");
    std::filesystem::resize_file(big, TouchstoneMaxBytes + 1); // sparse: nothing is read
    struct TCase {
        std::string Path;
        int Line;
        std::string Message;
    };
    const TCase cases[] = {
        {write("bad.s1p", "# MHz\n1 0 0\n\n2 0\n"), 4,
         "bad.s1p: řádek 4: očekávám 3 čísla, nalezeno 2"},
        {write("empty.s1p", ""), 0, "empty.s1p: soubor neobsahuje žádná data"},
        {write("ant.txt", "1 0 0\n"), 0, "ant.txt: neznámá přípona, čtu jen soubory .s1p a .s2p"},
        {write("ant.s3p", "1 0 0\n"), 0, "ant.s3p: neznámá přípona, čtu jen soubory .s1p a .s2p"},
        {QDir(dir.path()).filePath("missing.s1p").toStdString(), 0,
         "missing.s1p: soubor neexistuje"},
        {big, 0, "big.s1p: soubor je větší než 64 MiB"},
    };
    for (const TCase& c : cases) {
        try {
            ReadTouchstoneFile(c.Path);
            ADD_FAILURE() << c.Path << " accepted";
        } catch (const ETouchstoneError& e) {
            EXPECT_EQ(TouchstoneErrorText(e).toStdString(), c.Message);
            EXPECT_EQ(e.Line, c.Line) << c.Message;
        }
    }
}

} // namespace
