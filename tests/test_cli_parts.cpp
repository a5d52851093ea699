// pentarix-match's parts as built: the JSON keys, the block under the table
// and the refusals of the winding options.
#include "clirun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

namespace {

const QStringList Load{"-f", "18.361", "-r", "21.989", "-x", "61.077"};

QJsonArray Networks(const QStringList& args) {
    const TRun run = Match(args + QStringList{"--json"});
    EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
    return QJsonDocument::fromJson(run.Out.toUtf8()).object()["networks"].toArray();
}

} // namespace

TEST(MatchParts, JsonCarriesThePartsAsBuilt) {
    const QJsonArray nets = Networks(Load + QStringList{"--coil-form", "20", "--wire", "1.5",
                                                        "--toroid", "T-106-2"});
    ASSERT_EQ(nets.size(), 4);
    // E12 parts at 100 W draw more current through the chart's series coil
    // than the designed values.
    const QJsonObject chart = nets[0].toObject();
    EXPECT_NEAR(chart["series_rms_a"].toDouble(), 1.41, 0.005);
    EXPECT_NEAR(chart["as_built"].toObject()["series_rms_a"].toDouble(), 1.66, 0.005);
    for (const QJsonValue& v : nets) {
        const QJsonObject n = v.toObject();
        EXPECT_TRUE(n["lossy_exact"].isObject());
        EXPECT_LE(n["pair"].toObject()["swr"].toDouble(),
                  n["standard"].toObject()["swr"].toDouble() + 1e-9);
        for (const char* role : {"series", "shunt"}) {
            const QJsonObject e = n[role].toObject();
            if (e["kind"] == "C") {
                EXPECT_GE(e["rating_v"].toDouble(), 2 * e["peak_v"].toDouble());
                continue;
            }
            const QJsonObject w = e["winding"].toObject(), t = e["toroid"].toObject();
            EXPECT_NEAR(w["length_mm"].toDouble(), w["turns"].toDouble() * 1.5, 1e-9);
            EXPECT_NEAR(w["turns"].toDouble() * 10, std::round(w["turns"].toDouble() * 10), 1e-9);
            EXPECT_EQ(t["core"].toString(), "T-106-2");
            EXPECT_NEAR(t["inductance_uh"].toDouble(), 0.0135 * std::pow(t["turns"].toInt(), 2),
                        1e-9);
        }
    }
    const QJsonObject plain = Networks(Load + QStringList{"--series", "none", "--parts"})[0].toObject();
    EXPECT_TRUE(plain["as_built"].isNull() && plain["pair"].isNull());
    EXPECT_FALSE(plain["series"].toObject().contains("winding"));
    // Without --parts the object is the one a batch line gives.
    EXPECT_FALSE(Networks(Load)[0].toObject().contains("as_built"));
}

TEST(MatchParts, TableKeepsItsLinesAndAddsABlockPerNetwork) {
    const TRun table = Match(Load);
    const TRun parts = Match(Load + QStringList{"--parts"});
    ASSERT_EQ(parts.Status, 0);
    EXPECT_TRUE(parts.Out.startsWith(table.Out));
    const QString block = parts.Out.mid(table.Out.size());
    EXPECT_EQ(block.count(QLatin1String("\nnetwork ")), 4);
    for (const char* text : {"as built (E12)", "series A 1.660", "for lossy parts:", "pair shunt:",
                             "rating "})
        EXPECT_TRUE(block.contains(QLatin1String(text))) << text;
}

TEST(MatchParts, WindingOptionsThatCannotBeWoundAreRefused) {
    const std::pair<QStringList, const char*> cases[] = {
        {{"--coil-form", "20", "--wire", "2", "--pitch", "1.5"}, "--wire"},
        {{"--coil-form", "0.5", "--wire", "1"}, "--coil-form"},
        {{"--coil-form", "20"}, "--coil-form"},
        {{"--wire", "1"}, "--wire"},
        {{"--coil-form", "0", "--wire", "1"}, "--coil-form"},
        {{"--toroid", "T-999-2"}, "T-999-2"},
    };
    for (const auto& [args, names] : cases) {
        const TRun run = Match(Load + args);
        EXPECT_EQ(run.Status, 2) << names;
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_EQ(run.Err.count(u'\n'), 1) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains(QLatin1String(names))) << run.Err.toStdString();
    }
    EXPECT_EQ(Match({"--envelope", "--swr", "2", "--toroid", "T-50-2"}).Status, 2);
}
