// pentarix-match with a feed line, run as a process: the options in every
// mode that takes them, the refusals, and the JSON "line" object.
#include "clirun.h"
#include "feedline.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MatchLine, JsonLineObjectAndTunersLoad) {
    const TRun run = Match({"-f", "7.1", "-r", "60", "-x", "20", "--line", "rg-213/u", "--length",
                            "30", "--power", "200", "--json"});
    ASSERT_EQ(run.Status, 0) << run.Err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(run.Out.toUtf8()).object();
    const QJsonObject line = o["line"].toObject();
    EXPECT_EQ(line["name"].toString(), "RG-213/U");
    for (const char* key : {"z0", "vf", "length_m", "electrical_deg", "matched_loss_db",
                            "total_loss_db", "power_at_antenna_w"})
        EXPECT_TRUE(line[key].isDouble()) << key;
    EXPECT_EQ(line["loss_fit_clamped"].toBool(), false);
    EXPECT_NEAR(line["zc"].toObject()["x"].toDouble(), FindLine("RG-213/U")->Zc(7.1).imag(), 1e-12);
    EXPECT_TRUE(line["antenna"].toObject()["swr_zc"].isDouble());
    const TComplex shack = MoveThroughLine(*FindLine("RG-213/U"), 7.1, 30, TComplex(60, 20));
    EXPECT_EQ(line["antenna"].toObject()["r"].toDouble(), 60);
    EXPECT_NEAR(line["shack"].toObject()["x"].toDouble(), shack.imag(), 1e-12);
    // The tuner in the shack: its networks are for the shack end.
    EXPECT_EQ(o["load"].toObject()["r"].toDouble(), line["shack"].toObject()["r"].toDouble());
    // The line's loss on what the tuner in the shack passes on, not on the transmitter's power.
    const QJsonObject power = o["power"].toObject();
    EXPECT_NEAR(line["power_at_antenna_w"].toDouble(),
                (200 - power["tuner_loss_w"].toDouble()) *
                    std::pow(10, -line["total_loss_db"].toDouble() / 10),
                1e-9);
}

TEST(MatchLine, OptionsAndRefusals) {
    QTemporaryDir dir;
    const QString s1p = dir.filePath("dipole.s1p"), loads = dir.filePath("loads.txt");
    QFile a(s1p), b(loads);
    ASSERT_TRUE(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    a.write("# MHz Z RI R 1\n7.0 40 -15\n7.1 55 5\n7.2 60 15\n");
    b.write("7.1 25 -30\n14.2 80 40\n");
    a.close();
    b.close();
    const QStringList load{"-f", "7.1", "-r", "25", "-x", "-30"};
    const QStringList rg213{"--line", "RG-213/U", "--length", "30"};
    struct TCase {
        QStringList Args;
        int Status;
        const char* Text; // in stdout for status 0, in stderr otherwise
    } const cases[] = {
        {{"--line", "list"}, 0, "600-ohm open-wire line"},
        {load + rg213, 0, "networks for the tuner's end"},
        {load + rg213 + QStringList{"--at", "shack", "--tuner", "antenna"}, 0,
         "measured at the shack, the tuner is at the antenna"},
        {{"--touchstone", s1p, "--line", "ecoflex 10", "--length", "12", "--at", "shack"},
         0,
         "rows for the tuner's end"},
        {QStringList{"--bandwidth"} + load + rg213, 0, "for the tuner's end's load"},
        {{"--bandwidth", "-f", "7.1", "--touchstone", s1p, "--line", "50,0.66,4.6@10", "--length",
          "9"},
         0,
         "custom line"},
        {QStringList{"--batch", loads} + rg213, 0, "line RG-213/U"},
        {load + QStringList{"--line", "RG-999", "--length", "3"}, 2, "not in the catalogue"},
        {load + QStringList{"--line", "rg213", "--length", "3"}, 0, "line RG-213/U"},
        {load + QStringList{"--line", "ecoflex", "--length", "3"}, 2,
         "ambiguous line name 'ecoflex': Ecoflex 10, Ecoflex 15"},
        {load + QStringList{"--line", "50,0.66,2@10,3@100,3.5@400", "--length", "3"}, 0,
         "note: the line's loss points imply a negative dielectric loss term"},
        {{"-f", "28", "-r", "25", "-x", "0", "--line", "RG-58C/U", "--length", "100", "--at",
          "shack"},
         2,
         "cannot have been measured at the shack through this line"},
        {load + QStringList{"--line", "50,0.05,1@10", "--length", "3"}, 2,
         "--line: '0.05' must be 0.1 to 1"},
        {load + QStringList{"--line", "50,0.66,1200@10", "--length", "3"}, 2,
         "must be 0 to 1000 dB/100 m"},
        {load + QStringList{"--line", "50,0.66,1@10,2@10", "--length", "3"}, 2,
         "different frequencies"},
        {load + QStringList{"--line", "50,0.66,1", "--length", "3"}, 2, "DB@MHZ"},
        {load + QStringList{"--line", "rg-6", "--length", "1e5.1"}, 2, "--length"},
        {load + QStringList{"--line", "rg-6", "--length", "100001"}, 2,
         "--length: '100001' must be 0 to 100000 m"},
        {load + QStringList{"--line", "rg-6"}, 2, "--length is missing"},
        {load + QStringList{"--length", "3"}, 2, "--length needs --line"},
        {load + rg213 + QStringList{"--at", "mast"}, 2, "not one of antenna, shack"},
        {load + rg213 + QStringList{"--tuner", "roof"}, 2, "not one of shack, antenna"},
        {QStringList{"--envelope", "--swr", "2", "--at", "shack"} + rg213, 2,
         "--at does not apply to --envelope"},
        {{"--line", "list", "-f", "7"}, 2, "does not apply to --line list"},
    };
    for (const TCase& c : cases) {
        const TRun run = Match(c.Args);
        EXPECT_EQ(run.Status, c.Status) << c.Args.join(' ').toStdString();
        const QString& where = c.Status == 0 ? run.Out : run.Err;
        EXPECT_TRUE(where.contains(QLatin1String(c.Text))) << c.Args.join(' ').toStdString() << "\n"
                                                           << where.toStdString();
        if (c.Status != 0) {
            EXPECT_TRUE(run.Out.isEmpty());
            EXPECT_EQ(run.Err.count(u'\n'), 1) << run.Err.toStdString();
        }
    }
}
