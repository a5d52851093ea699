// pentarix-match as a script meets it: options, JSON, errors and exit codes.
#include "clirun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QJsonObject Json(const QStringList& args) {
    const TRun run = Match(args + QStringList{"--json"});
    EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.Out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.Out.toStdString();
    return doc.object();
}

} // namespace

TEST(MatchCommand, JsonForOneLoad) {
    const QJsonObject o = Json({"-f", "7", "-r", "25", "-x", "-30"});
    EXPECT_EQ(o["frequency_mhz"].toDouble(), 7.0);
    EXPECT_EQ(o["load"].toObject()["x"].toDouble(), -30.0);
    const QJsonArray nets = o["networks"].toArray();
    ASSERT_EQ(nets.size(), 4);
    const QJsonObject chart = nets[0].toObject();
    EXPECT_TRUE(chart["chart"].toBool());
    EXPECT_EQ(chart["arrangement"].toString(), "series-at-load");
    // The chart's network: X' = 25, so the coil makes up 55 ohms, the capacitor 0.02 S.
    EXPECT_NEAR(chart["series"].toObject()["value"].toDouble(), 55 / (2 * M_PI * 7), 1e-12);
    EXPECT_NEAR(chart["shunt"].toObject()["value"].toDouble(), 0.02 / (2 * M_PI * 7) * 1e6, 1e-9);
    for (const QJsonValue& v : nets) {
        const QJsonObject n = v.toObject();
        EXPECT_GT(n["efficiency"].toDouble(), 0.9);
        EXPECT_LE(n["efficiency"].toDouble(), 1.0);
        EXPECT_TRUE(n["standard"].toObject().contains("worst_swr"));
    }
    // A standard part prints as the member it is, not as its nearest binary fraction.
    EXPECT_TRUE(Match({"-f", "14", "-r", "25", "-x", "-30", "--json"})
                    .Out.contains(QLatin1String("\"value\": 0.68,")));
    const QJsonObject matched = Json({"-f", "7", "-r", "50", "-x", "0", "--series", "none"});
    ASSERT_EQ(matched["networks"].toArray().size(), 1);
    const QJsonObject none = matched["networks"].toArray()[0].toObject();
    EXPECT_TRUE(none["series"].isNull() && none["shunt"].isNull() && none["standard"].isNull());
}

TEST(MatchCommand, TableAndHelp) {
    const TRun table = Match({"-f", "7", "-r", "25", "-x", "-30", "--z0", "50"});
    EXPECT_EQ(table.Status, 0);
    EXPECT_EQ(table.Out.count(u'\n'), 2 + 4); // the load, the header, four networks
    const QStringList lines = table.Out.split(u'\n', Qt::SkipEmptyParts);
    for (const QString& line : lines.mid(2))
        EXPECT_FALSE(line.contains(u',')) << "a decimal comma: " << line.toStdString();
    const TRun help = Match({"--help"});
    EXPECT_EQ(help.Status, 0);
    for (const char* option : {"-f", "--z0", "--series", "--ql", "--qc", "--power", "--json"})
        EXPECT_TRUE(help.Out.contains(QLatin1String(option))) << option;
    // An example per mode, and the two SWR columns explained.
    for (const char* text :
         {"pentarix-match -f 7 ", "pentarix-match --envelope --swr 2.5",
          "pentarix-match --touchstone dipole", "pentarix-match --bandwidth -f 7.1 -r",
          "pentarix-match --bandwidth -f 7.1 --touchstone", "\"worst SWR\" is", "\"SWR(Q)\" is"})
        EXPECT_TRUE(help.Out.contains(QLatin1String(text))) << text;
}

TEST(MatchCommand, BadInputIsOneLineAndStatusTwo) {
    const QStringList load{"-f", "7", "-r", "25", "-x", "-30"};
    // R 0 at 7.0 MHz: its load cannot be matched.
    QTemporaryDir dir;
    const QString file = dir.filePath("dipole.s1p");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("# MHz Z RI R 1\n7.0 0 5\n7.1 40 -5\n7.2 60 10\n");
    }
    const QStringList envelope{"--envelope", "--swr", "2"};
    const QStringList measured{"--bandwidth", "--touchstone", file};
    struct Case {
        QStringList args;
        const char* names;
        int lines = 1;
    };
    const Case cases[] = {
        {{"-r", "25", "-x", "-30"}, "-f"},
        {{"-f", "abc", "-r", "25", "-x", "-30"}, "abc"},
        {{"-f", "0", "-r", "25", "-x", "-30"}, "-f"},
        {{"-f", "-7", "-r", "25", "-x", "-30"}, "-7"},
        {{"-f", "7", "-r", "-1", "-x", "-30"}, "-r"},
        {{"-f", "7", "-r", "0", "-x", "-30"}, "-r"},
        {{"-f", "7", "-r", "25", "-x", "inf"}, "inf"},
        {{"-f", "7", "-r", "25", "-x", "nan"}, "-x"},
        {{"-f", "7", "-r", "25", "-x", "1e999"}, "-x"},
        {{"-f", "7,1", "-r", "25", "-x", "1"}, "7,1"},
        {load + QStringList{"--ql", "0"}, "--ql"},
        {load + QStringList{"--qc", "-5"}, "--qc"},
        {load + QStringList{"--power", "x"}, "--power"},
        {load + QStringList{"--z0", "0"}, "--z0"},
        {load + QStringList{"--series", "E7"}, "E7"},
        {load + QStringList{"--frobnicate"}, "--frobnicate"},
        {load + QStringList{"--power"}, "--power"},
        // No arguments: the usage line and where to read more.
        {{}, "--help", 2},
        // Given twice.
        {load + QStringList{"-f", "8"}, "-f: given more than once"},
        {load + QStringList{"--json", "--json"}, "--json: given more than once"},
        // Not for this mode.
        {load + QStringList{"--swr", "2"}, "--swr does not apply to one load"},
        {load + QStringList{"--bands", "7"}, "--bands does not apply"},
        {{"--bandwidth", "-f", "7", "-r", "25", "-x", "1", "--series", "E12"},
         "--series does not apply to --bandwidth"},
        {{"--bandwidth", "-f", "7", "-r", "25", "-x", "1", "--power", "5"}, "--power does not"},
        {{"--touchstone", file, "-f", "7"}, "-f does not apply to --touchstone"},
        {{"--touchstone", file, "--swr", "2"}, "--swr does not apply"},
        {envelope + QStringList{"-f", "7"}, "-f does not apply to --envelope"},
        {envelope + QStringList{"--z0", "75"}, "--z0 does not apply"},
        {envelope + QStringList{"--bandwidth"}, "--bandwidth does not apply"},
        {measured + QStringList{"-f", "7.1", "-r", "25"},
         "-r does not apply to --bandwidth --touchstone"},
        {measured + QStringList{"-f", "7.1", "--power", "5"}, "--power does not apply"},
        // Outside the physical range.
        {{"-f", "5e-324", "-r", "25", "-x", "1"}, "-f: '5e-324' must be 0.001 to 100000 MHz"},
        {{"-f", "0.0009", "-r", "25", "-x", "1"}, "-f: '0.0009' must be 0.001"},
        {{"-f", "100001", "-r", "25", "-x", "1"}, "(1 kHz to 100 GHz)"},
        {{"-f", "7", "-r", "1e154", "-x", "1"}, "-r: '1e154' must be 1e-6 to 1e9 ohm"},
        {{"-f", "7", "-r", "1e-154", "-x", "1e-154"}, "-r: '1e-154' must be 1e-6"},
        {{"-f", "7", "-r", "25", "-x", "-2e9"}, "-x: '-2e9' must be -1e9 to 1e9 ohm"},
        {load + QStringList{"--power", "1e308"},
         "--power: '1e308' must be above 0 and at most 1e7 W"},
        {load + QStringList{"--ql", "0.5"}, "--ql: '0.5' must be 1 to 1e6"},
        {load + QStringList{"--qc", "2e6"}, "--qc: '2e6' must be 1 to 1e6"},
        {load + QStringList{"--z0", "0.5"}, "--z0: '0.5' must be 1 to 1e4 ohm"},
        {load + QStringList{"--z0", "1e5"}, "--z0: '1e5' must be 1 to 1e4 ohm"},
        {{"--touchstone", file, "--qc", "0"}, "--qc: '0' must be 1 to 1e6"},
        {envelope + QStringList{"--bands", "7 2e5"}, "--bands: '2e+05' must be 0.001"},
        {envelope + QStringList{"--bands", "7,1"}, "--bands: '7,1': write decimals with '.'"},
        {envelope + QStringList{"--power", "2e7"}, "--power"},
        {envelope + QStringList{"--ql", "1e7"}, "--ql"},
        {{"--envelope", "--swr", "0.99"}, "--swr: '0.99' must be at least 1"},
        {{"--bandwidth", "-f", "1e6", "-r", "25", "-x", "1"}, "-f: '1e6' must be 0.001"},
        {{"--bandwidth", "-f", "7", "-r", "2e9", "-x", "1"}, "-r: '2e9' must be"},
        {{"--bandwidth", "-f", "7", "-r", "25", "-x", "1", "--z0", "0"}, "--z0: '0' must be"},
        // The measured bandwidth: -f inside the file, and a load there that can be matched.
        {measured + QStringList{"-f", "8"},
         "-f: '8' lies outside the file's data, 7.000000 to 7.200000 MHz"},
        {measured + QStringList{"-f", "7"},
         "the file's load at 7 MHz, 0.000 + j5.000 ohm, cannot be matched"},
    };
    for (const Case& c : cases) {
        const TRun run = Match(c.args);
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_EQ(run.Err.count(u'\n'), c.lines) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(QLatin1String(c.names))) << run.Err.toStdString();
    }
}

TEST(MatchCommand, EnvelopeOverTheDefaultBands) {
    const QJsonObject o = Json({"--envelope", "--swr", "3"});
    const QJsonArray bands = o["bands"].toArray();
    ASSERT_EQ(bands.size(), 10);
    for (const QJsonValue& v : bands) {
        const QJsonObject b = v.toObject();
        EXPECT_EQ(b["lc_count"].toInt() + b["cl_count"].toInt(), 360);
        EXPECT_LE(b["l_min_uh"].toDouble(), b["l_max_uh"].toDouble());
        EXPECT_GT(b["efficiency_min"].toDouble(), 0.0);
    }
    for (const QStringList& bad : {QStringList{"--envelope", "--swr", "0.5"},
                                   QStringList{"--envelope", "--swr", "3", "--bands", ""}}) {
        const TRun run = Match(bad);
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Out.isEmpty());
    }
}
