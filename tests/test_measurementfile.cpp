// One synthetic measurement written in every form a measurement file takes
// (Touchstone 1 and 2 of one and two ports, CSV exports of every layout):
// each reads to the loads of the plain version 1 file. Then the refusals of
// the new forms, with their wording.

#include "clirun.h"
#include "measurementfile.h"
#include "touchstonetext.h"

#include <QDir>
#include <QTemporaryDir>
#include <charconv>
#include <cmath>
#include <complex>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace {

using TComplex = std::complex<double>;

std::string Num(double v) {
    char buffer[32];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, v).ptr);
}

// A dipole near resonance: the loads the forms below encode.
struct TSample {
    double MHz;
    TComplex Z;
};
const std::vector<TSample> Samples = {
    {6.9, {48, -31}}, {7.0, {55, -12}}, {7.1, {61, 2.5}}, {7.2, {68, 19}}, {7.3, {77, 38}}};

// The two-port that shows those loads at port 1, port 2 terminated in R2:
// a symmetric Z matrix [[a, b], [b, d]] with a = z + b²/(d + R2).
constexpr double R1 = 50, R2 = 75;
const TComplex B(20, 5), D(30, -10);
std::array<TComplex, 4> ZMatrix(TComplex z) { // 11, 12, 21, 22
    return {z + B * B / (D + R2), B, B, D};
}
std::array<TComplex, 4> Inverse(const std::array<TComplex, 4>& m) {
    const TComplex det = m[0] * m[3] - m[1] * m[2];
    return {m[3] / det, -m[1] / det, -m[2] / det, m[0] / det};
}
// S11 of that matrix at the references R1, R2: [(Z − R)(Z + R)⁻¹]₁₁; the
// power-wave scaling leaves S11 alone.
TComplex S11Of(const std::array<TComplex, 4>& z) {
    const std::array<TComplex, 4> plus = Inverse({z[0] + R1, z[1], z[2], z[3] + R2});
    return (z[0] - R1) * plus[0] + z[1] * plus[2];
}

std::string RI(TComplex v, const char* separator = " ") {
    return Num(v.real()) + separator + Num(v.imag());
}
std::string MA(TComplex v, bool db = false) {
    const double magnitude = db ? 20 * std::log10(std::abs(v)) : std::abs(v);
    return Num(magnitude) + " " + Num(std::arg(v) * 180 / std::numbers::pi);
}
TComplex Gamma(TComplex z, double r0 = 50) {
    return (z - r0) / (z + r0);
}

// A file of one line per sample after `head`.
std::string Lines(const std::string& head, const std::function<std::string(const TSample&)>& row) {
    std::string text = head;
    for (const TSample& s : Samples)
        text += row(s) + "\n";
    return text;
}

std::string Version2(const std::string& keywords, const std::string& options,
                     const std::function<std::string(const TSample&)>& row) {
    return Lines("! written by the test\n[Version] 2.0\n" + options + "\n" + keywords +
                     "[Number of Frequencies] " + std::to_string(Samples.size()) +
                     "\n[Network Data]\n",
                 row) +
           "[End]\n";
}

TEST(MeasurementFile, EveryFormReadsAsTheVersion1File) {
    const TTouchstone expected =
        ParseTouchstone(Lines("# MHz S RI R 50\n",
                              [](const TSample& s) { return Num(s.MHz) + " " + RI(Gamma(s.Z)); }),
                        1);
    const auto two = [](const char* order, const char* parameter) {
        return [=](const TSample& s) {
            std::array<TComplex, 4> m = ZMatrix(s.Z);
            if (parameter[0] == 'Y') m = Inverse(m);
            if (parameter[0] == 'S') m[0] = S11Of(m); // the rest is not the load's
            const bool first12 = std::string(order) == "12_21";
            return Num(s.MHz) + " " + RI(m[0]) + " " + RI(first12 ? m[1] : m[2]) + "\n  " +
                   RI(first12 ? m[2] : m[1]) + " " + RI(m[3]);
        };
    };
    const std::string ports2 = "[Number of Ports] 2\n[Reference] 50\n 75\n";
    struct TForm {
        const char* Name;
        std::string Text;
        TMeasurementFormat Format;
    };
    const std::vector<TForm> forms = {
        {"v1 MA in Hz",
         Lines("# Hz S MA R 50\n",
               [](const TSample& s) { return Num(s.MHz * 1e6) + " " + MA(Gamma(s.Z)); }),
         TMeasurementFormat::Touchstone1},
        {"v1 defaults (GHz, MA)",
         Lines("! no option line\n",
               [](const TSample& s) { return Num(s.MHz / 1e3) + " " + MA(Gamma(s.Z)); }),
         TMeasurementFormat::Touchstone1},
        {"v2 S RI",
         Version2("[Number of Ports] 1\n[Reference] 50\n", "# MHz S RI",
                  [](const TSample& s) { return Num(s.MHz) + " " + RI(Gamma(s.Z)); }),
         TMeasurementFormat::Touchstone2},
        {"v2 S DB, R 75 on the option line",
         Version2(
             "[Number of Ports] 1\n", "# kHz S DB R 75",
             [](const TSample& s) { return Num(s.MHz * 1e3) + " " + MA(Gamma(s.Z, 75), true); }),
         TMeasurementFormat::Touchstone2},
        // Version 2 Z and Y are in ohms and siemens, whatever R says.
        {"v2 Z MA in ohms",
         Version2("[Number of Ports] 1\n", "# MHz Z MA R 75",
                  [](const TSample& s) { return Num(s.MHz) + " " + MA(s.Z); }),
         TMeasurementFormat::Touchstone2},
        {"v2 Y RI in siemens",
         Version2("[Number of Ports] 1\n", "# MHz Y RI R 10",
                  [](const TSample& s) { return Num(s.MHz) + " " + RI(1.0 / s.Z); }),
         TMeasurementFormat::Touchstone2},
        {"v2 two-port S 21_12",
         Version2(ports2 + "[Two-Port Data Order] 21_12\n", "# MHz S RI", two("21_12", "S")),
         TMeasurementFormat::Touchstone2},
        {"v2 two-port Z 12_21",
         Version2(ports2 + "[Two-Port Data Order] 12_21\n", "# MHz Z RI", two("12_21", "Z")),
         TMeasurementFormat::Touchstone2},
        {"v2 two-port Y 21_12",
         Version2(ports2 + "[Two-Port Data Order] 21_12\n", "# MHz Y RI", two("21_12", "Y")),
         TMeasurementFormat::Touchstone2},
        {"v2 two-port Z, lower triangle",
         Version2(ports2 + "[Two-Port Data Order] 12_21\n[Matrix Format] Lower\n", "# MHz Z RI",
                  [](const TSample& s) {
                      const std::array<TComplex, 4> m = ZMatrix(s.Z);
                      return Num(s.MHz) + " " + RI(m[0]) + "\n " + RI(m[2]) + " " + RI(m[3]);
                  }),
         TMeasurementFormat::Touchstone2},
        {"CSV R X, commas, Hz",
         Lines("Frequency (Hz),R,X\n",
               [](const TSample& s) { return Num(s.MHz * 1e6) + "," + RI(s.Z, ","); }),
         TMeasurementFormat::Csv},
        {"CSV R X, semicolons and decimal commas",
         Lines("Freq [MHz];R (Ω);X (Ω);SWR\n",
               [](const TSample& s) {
                   std::string row = Num(s.MHz) + ";" + RI(s.Z, ";") + ";1,5";
                   for (char& c : row)
                       if (c == '.') c = ',';
                   return row;
               }),
         TMeasurementFormat::Csv},
        {"CSV S11 real/imaginary, tabs, kHz",
         Lines("frequency_khz\tS11 Real\tS11 Imag\n",
               [](const TSample& s) { return Num(s.MHz * 1e3) + "\t" + RI(Gamma(s.Z), "\t"); }),
         TMeasurementFormat::Csv},
        {"CSV S11 dB/angle, Hz from the values",
         Lines("\"Freq\",\"S11 dB\",\"S11 Phase (deg)\"\n",
               [](const TSample& s) {
                   const std::string ma = MA(Gamma(s.Z), true);
                   return Num(s.MHz * 1e6) + "," + ma.substr(0, ma.find(' ')) + "," +
                          ma.substr(ma.find(' ') + 1);
               }),
         TMeasurementFormat::Csv},
        {"CSV S11 magnitude/radians, GHz",
         Lines("f (GHz), S11 Mag, S11 Angle (rad)\n",
               [](const TSample& s) {
                   const TComplex g = Gamma(s.Z);
                   return Num(s.MHz / 1e3) + ", " + Num(std::abs(g)) + ", " + Num(std::arg(g));
               }),
         TMeasurementFormat::Csv},
        {"CSV Re(Z)/Im(Z), MHz from the values",
         Lines("Frequency,Re(Z),Im(Z)\n",
               [](const TSample& s) { return Num(s.MHz) + "," + RI(s.Z, ","); }),
         TMeasurementFormat::Csv},
    };
    for (const TForm& form : forms) {
        SCOPED_TRACE(form.Name);
        EXPECT_EQ(DetectMeasurementFormat(form.Text), form.Format);
        const TTouchstone read = ParseMeasurement(form.Text);
        ASSERT_EQ(read.Points.size(), expected.Points.size());
        for (std::size_t i = 0; i < read.Points.size(); ++i) {
            const TTouchstonePoint &p = read.Points[i], &q = expected.Points[i];
            EXPECT_NEAR(p.FrequencyMHz, q.FrequencyMHz, 1e-12 * q.FrequencyMHz);
            EXPECT_NEAR(p.R, q.R, 1e-9 * std::abs(TComplex(q.R, q.X)));
            EXPECT_NEAR(p.X, q.X, 1e-9 * std::abs(TComplex(q.R, q.X)));
            EXPECT_FALSE(p.Open);
        }
    }
}

TEST(MeasurementFile, RefusalsCarryWhatWasFound) {
    struct TCase {
        std::string Text;
        TTouchstoneFault Code;
        int Line;
        std::string Czech;
    };
    const std::string head = "[Version] 2.0\n# MHz S RI\n";
    const TCase cases[] = {
        {"Freq;Foo;\"Bar\"\n7;1;2\n", TTouchstoneFault::CsvColumns, 1,
         "řádek 1: nerozpoznané sloupce 'Freq', 'Foo', 'Bar'; čekám kmitočet a R a X, nebo S11 "
         "jako reálnou a imaginární část či amplitudu (dB nebo lineárně) a úhel"},
        {"Freq,R,X\n7,50,0\n8,50\n", TTouchstoneFault::CountMismatch, 3,
         "řádek 3: očekávám 3 čísla, nalezeno 2"},
        {"Freq,R,X\n7,50,abc\n", TTouchstoneFault::BadNumber, 2, "řádek 2: neplatné číslo 'abc'"},
        {"[Version] 3.0\n", TTouchstoneFault::UnsupportedVersion, 1,
         "řádek 1: Touchstone verze '3.0' není podporován, čtu jen 2.0 a 2.1"},
        {head + "[Number of Frequencies] 1\n[Network Data]\n7 0 0\n",
         TTouchstoneFault::MissingKeyword, 4, "řádek 4: chybí [Number of Ports]"},
        {head + "[Number of Ports] 2\n[Number of Frequencies] 1\n[Network Data]\n",
         TTouchstoneFault::MissingKeyword, 5, "řádek 5: chybí [Two-Port Data Order]"},
        {head + "[Number of Ports] 4\n", TTouchstoneFault::UnsupportedPorts, 3,
         "řádek 3: soubor má 4 bran, čtu jen jednu nebo dvě"},
        {head + "[Number of Ports] 1\n[Number of Frequencies] 2\n[Network Data]\n7 0 0\n[End]\n",
         TTouchstoneFault::FrequencyCount, 7,
         "řádek 7: [Number of Frequencies] udává 2, data mají 1"},
        {head + "[Number of Ports] 1\n[Number of Frequencies] 1\n[Network Data]\n7 0 0\n8 0 0\n",
         TTouchstoneFault::FrequencyCount, 7,
         "řádek 7: [Number of Frequencies] udává 1, data mají 2"},
        {head + "[Number of Ports] 1\n[Frobnicate] 1\n", TTouchstoneFault::UnknownKeyword, 4,
         "řádek 4: neznámé klíčové slovo '[FROBNICATE]'"},
        {head + "[Number of Ports] x\n", TTouchstoneFault::BadKeywordValue, 3,
         "řádek 3: neplatná hodnota [NUMBER OF PORTS]"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        try {
            ParseMeasurement(c.Text);
            ADD_FAILURE() << "accepted";
        } catch (const ETouchstoneError& e) {
            EXPECT_EQ(e.Code, c.Code) << TouchstoneFaultName(e.Code);
            EXPECT_EQ(e.Line, c.Line);
            EXPECT_EQ(TouchstoneErrorText(e).toStdString(), c.Czech);
        }
    }
}

// The content decides, whatever of the analysers' extensions the file has;
// the command line names the columns.
TEST(MeasurementFile, FilesOfAnyNameAndTheirWordingInEnglish) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const auto write = [&](const char* name, const std::string& text) {
        const QString path = QDir(dir.path()).filePath(QString::fromLatin1(name));
        std::ofstream(path.toStdString(), std::ios::binary) << text;
        return path;
    };
    const TTouchstone csv =
        ReadMeasurementFile(write("ant.csv", "Freq (MHz),R,X\n7,50,10\n").toStdString());
    ASSERT_EQ(csv.Points.size(), 1u);
    EXPECT_EQ(csv.Points[0].R, 50);
    EXPECT_EQ(csv.Points[0].X, 10);
    const TTouchstone csvNamedS1p =
        ReadMeasurementFile(write("ant.S1P", "Freq (MHz),R,X\n7,50,10\n").toStdString());
    EXPECT_EQ(csvNamedS1p.Points[0].R, 50);
    try {
        ReadMeasurementFile(write("ant.txt", "# MHz Z RI\n7 1 0.2\n").toStdString());
        ADD_FAILURE() << "ant.txt accepted";
    } catch (const ETouchstoneError& e) {
        EXPECT_EQ(TouchstoneErrorText(e).toStdString(),
                  "ant.txt: neznámá přípona, čtu jen soubory .s1p, .s2p, .ts a .csv");
    }

    const TRun run = Match({"--touchstone", write("bad.csv", "Freq,Foo,Bar\n7,1,2\n")});
    EXPECT_EQ(run.Status, 2);
    EXPECT_TRUE(run.Err.endsWith(
        "bad.csv: line 1: columns not recognised: 'Freq', 'Foo', 'Bar'; expected a frequency with "
        "R and X, or S11 as real and imaginary or as magnitude (dB or linear) and angle\n"))
        << run.Err.toStdString();
    const TRun ok = Match(
        {"--touchstone",
         write("ant.ts", Version2("[Number of Ports] 1\n", "# MHz Z RI",
                                  [](const TSample& s) { return Num(s.MHz) + " " + RI(s.Z); }))});
    EXPECT_EQ(ok.Status, 0) << ok.Err.toStdString();
    EXPECT_TRUE(ok.Out.contains("7.100;61.000;2.500;")) << ok.Out.toStdString();
}

} // namespace
