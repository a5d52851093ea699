// pentarix-match as a script meets it: options, JSON, errors and exit codes.
#include "clirun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
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
}

TEST(MatchCommand, BadInputIsOneLineAndStatusTwo) {
    const QStringList load{"-f", "7", "-r", "25", "-x", "-30"};
    struct Case {
        QStringList args;
        const char* names;
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
    };
    for (const Case& c : cases) {
        const TRun run = Match(c.args);
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_EQ(run.Err.count(u'\n'), 1) << run.Err.toStdString();
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
