// pentarix-match with a T or Pi tuner, run as a process: the refusals, the
// JSON keys of one load, every mode that takes a tuner, and the coverage map.
#include "clirun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MatchTuner, JsonOfOneLoad) {
    const TRun run =
        Match({"-f", "3.7", "-r", "5", "-x", "0", "--network", "tee", "--c-in", "1-250", "--c-out",
               "1-250", "--l", "0.01-1000", "--ql", "100", "--qc", "1e6", "--json"});
    ASSERT_EQ(run.Status, 0) << run.Err.toStdString();
    const QJsonObject t = QJsonDocument::fromJson(run.Out.toUtf8()).object()["tuner"].toObject();
    EXPECT_EQ(t["network"].toString(), "tee");
    EXPECT_TRUE(t["reachable"].toBool());
    EXPECT_EQ(t["nearest_swr"].toDouble(), 1.0);
    for (const char* setting : {"least_loss", "largest_c", "least_l"}) {
        const QJsonObject s = t[setting].toObject();
        for (const char* key : {"c_in_pf", "l_uh", "c_out_pf", "loss_db", "efficiency", "peak_v_in",
                                "peak_v_out", "rms_a"})
            EXPECT_TRUE(s[key].isDouble()) << setting << " " << key;
        EXPECT_EQ(s.contains("penalty_db"), std::string(setting) != "least_loss") << setting;
    }
    // W9CF's 5-ohm row at Q 100.
    EXPECT_NEAR(t["least_loss"].toObject()["loss_db"].toDouble(), 1.69, 0.02);
}

TEST(MatchTuner, ModesAndRefusals) {
    QTemporaryDir dir;
    const QString s1p = dir.filePath("dipole.s1p"), loads = dir.filePath("loads.txt");
    QFile a(s1p), b(loads);
    ASSERT_TRUE(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    a.write("# MHz Z RI R 50\n3.5 40 -15\n3.7 55 5\n3.9 60 15\n");
    b.write("3.7 25 -30\n14.2 80 40\n");
    a.close();
    b.close();
    const QStringList load{"-f", "3.7", "-r", "25", "-x", "-30"};
    const QStringList tee{"--network", "tee"};
    struct TCase {
        QStringList Args;
        int Status;
        const char* Text; // in stdout for status 0, in stderr otherwise
    } const cases[] = {
        {load + tee, 0, "least loss"},
        {load + QStringList{"--network", "pi", "--c-in", "10-20"}, 0,
         "no setting inside the ranges matches this load"},
        {load + tee + QStringList{"--line", "RG-213/U", "--length", "30"}, 0, "high-pass T"},
        {QStringList{"--touchstone", s1p} + tee, 0, "largest C +dB"},
        {QStringList{"--batch", loads, "--network", "pi"}, 0, "low-pass Pi"},
        {load + QStringList{"--network", "t"}, 2, "--network: 't' is not one of l, tee, pi"},
        {load + tee + QStringList{"--c-in", "250-10"}, 2, "the minimum is above the maximum"},
        {load + tee + QStringList{"--l", "-1-30"}, 2, "must not be negative"},
        {load + tee + QStringList{"--c-out", "0-250"}, 2, "both ends must be above 0"},
        {load + tee + QStringList{"--l", "30"}, 2, "is not a range MIN-MAX"},
        {load + QStringList{"--c-in", "10-250"}, 2, "--c-in needs --network tee or pi"},
        {load + tee + QStringList{"--series", "E12"}, 2,
         "--series does not apply to --network tee"},
        {QStringList{"--bandwidth"} + load + tee, 2, "--network does not apply"},
        {{"--coverage", "-f", "3.7"}, 2, "--coverage needs --network tee or pi"},
        {QStringList{"--coverage", "-f", "3.7", "--grid", "1"} + tee, 2, "2 to 4096"},
        {QStringList{"--coverage", "-f", "3.7", "--grid", "4097"} + tee, 2, "2 to 4096"},
        {QStringList{"--coverage", "-f", "3.7", "--grid", "2.5"} + tee, 2, "2 to 4096"},
    };
    for (const TCase& c : cases) {
        const TRun run = Match(c.Args);
        const QString what = c.Args.join(' ');
        EXPECT_EQ(run.Status, c.Status) << what.toStdString() << "\n" << run.Err.toStdString();
        EXPECT_TRUE((c.Status ? run.Err : run.Out).contains(c.Text)) << what.toStdString();
        if (c.Status) {
            EXPECT_TRUE(run.Out.isEmpty()) << what.toStdString();
            EXPECT_EQ(run.Err.count('\n'), 1) << what.toStdString();
        }
    }
    // The L networks as before, named or not.
    EXPECT_EQ(Match(load + QStringList{"--network", "l"}).Out, Match(load).Out);
}

TEST(MatchTuner, CoverageGrid) {
    const TRun csv = Match({"--coverage", "-f", "3.7", "--network", "tee", "--grid", "5"});
    ASSERT_EQ(csv.Status, 0) << csv.Err.toStdString();
    const QStringList lines = csv.Out.trimmed().split('\n');
    ASSERT_EQ(lines.size(), 1 + 25);
    EXPECT_EQ(lines[0], "gamma_re,gamma_im,reachable,least_loss_db");
    // The grid's corner is no load; its centre, Z0 itself, is matched.
    EXPECT_EQ(lines[1], "-1.000000,-1.000000,0,");
    EXPECT_TRUE(lines[13].startsWith("0.000000,0.000000,1,")) << lines[13].toStdString();
    const TRun json =
        Match({"--coverage", "-f", "3.7", "--network", "pi", "--grid", "3", "--json"});
    ASSERT_EQ(json.Status, 0);
    const QStringList objects = json.Out.trimmed().split('\n');
    ASSERT_EQ(objects.size(), 9);
    const QJsonObject centre = QJsonDocument::fromJson(objects[4].toUtf8()).object();
    EXPECT_TRUE(centre["reachable"].toBool());
    EXPECT_TRUE(centre["least_loss_db"].isDouble());
}
