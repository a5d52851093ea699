// pentarix-match and the station chain: the power object of one load adds
// up and agrees with the line's, in every tuner position and mode that gives
// it; and the option combinations that need no retyping are accepted.
#include "clirun.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Every object of one load in the output: the object itself, an array's
// members, or one a line.
std::vector<QJsonObject> LoadObjects(const QString& out) {
    std::vector<QJsonObject> objects;
    for (const QString& line : out.split('\n', Qt::SkipEmptyParts)) {
        const QJsonDocument doc = QJsonDocument::fromJson(line.toUtf8());
        if (doc.isObject()) objects.push_back(doc.object());
    }
    const QJsonDocument whole = QJsonDocument::fromJson(out.toUtf8());
    if (whole.isArray())
        for (const QJsonValue& v : whole.array())
            objects.push_back(v.toObject());
    return objects;
}

} // namespace

TEST(MatchStation, PowerObjectAddsUpAndAgreesWithTheLine) {
    QTemporaryDir dir;
    const QString s1p = dir.filePath("a.s1p"), loads = dir.filePath("loads.txt");
    QFile a(s1p), b(loads);
    ASSERT_TRUE(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    a.write("# MHz Z RI R 1\n7.0 40 -15\n7.1 55 5\n7.2 60 15\n");
    b.write("7.1 25 -30\n14.2 80 40\n3.6 30 -20\n");
    a.close();
    b.close();
    const QStringList load{"-f", "7.1", "-r", "25", "-x", "-30", "--power", "400"};
    const QStringList line{"--line", "RG-58C/U", "--length", "40", "--json", "--ql", "80"};
    const QStringList modes[] = {load, QStringList{"--touchstone", s1p},
                                 QStringList{"--batch", loads}};
    int seen = 0;
    for (const QStringList& mode : modes)
        for (const char* tuner : {"shack", "antenna"})
            for (const char* at : {"antenna", "shack"}) {
                const QStringList args = mode + line + QStringList{"--tuner", tuner, "--at", at};
                const TRun run = Match(args);
                ASSERT_EQ(run.Status, 0) << args.join(' ').toStdString() << run.Err.toStdString();
                for (const QJsonObject& o : LoadObjects(run.Out)) {
                    ASSERT_FALSE(o["networks"].toArray().isEmpty()) << args.join(' ').toStdString();
                    const QJsonObject p = o["power"].toObject();
                    const double in = p["transmitter_w"].toDouble();
                    EXPECT_EQ(in, mode == load ? 400 : 100);
                    EXPECT_NEAR(p["tuner_loss_w"].toDouble() + p["line_loss_w"].toDouble() +
                                    p["antenna_w"].toDouble(),
                                in, 1e-9 * in);
                    EXPECT_GT(p["tuner_loss_w"].toDouble(), 0);
                    EXPECT_GT(p["line_loss_w"].toDouble(), 0);
                    EXPECT_EQ(o["line"].toObject()["power_at_antenna_w"].toDouble(),
                              p["antenna_w"].toDouble());
                    // The tuner at the antenna carries what the line lets through: its
                    // current scales with the square root of that power.
                    if (QLatin1String(tuner) == QLatin1String("antenna")) {
                        const double carried = in - p["line_loss_w"].toDouble();
                        const QJsonObject chart = o["networks"].toArray()[0].toObject();
                        const TRun alone = Match(
                            {"-f", QString::number(o["frequency_mhz"].toDouble(), 'g', 17), "-r",
                             QString::number(o["load"].toObject()["r"].toDouble(), 'g', 17), "-x",
                             QString::number(o["load"].toObject()["x"].toDouble(), 'g', 17), "--ql",
                             "80", "--power", QString::number(carried, 'g', 17), "--json"});
                        const QJsonObject direct = QJsonDocument::fromJson(alone.Out.toUtf8())
                                                       .object()["networks"]
                                                       .toArray()[0]
                                                       .toObject();
                        EXPECT_NEAR(chart["series_rms_a"].toDouble(),
                                    direct["series_rms_a"].toDouble(),
                                    1e-9 * direct["series_rms_a"].toDouble());
                    }
                    ++seen;
                }
            }
    EXPECT_EQ(seen, 4 * (1 + 3 + 3));
}

TEST(MatchStation, OptionCombinations) {
    QTemporaryDir dir;
    const QString s1p = dir.filePath("a.s1p"), loads = dir.filePath("loads.txt");
    QFile a(s1p), b(loads);
    ASSERT_TRUE(a.open(QIODevice::WriteOnly) && b.open(QIODevice::WriteOnly));
    a.write("# MHz Z RI R 1\n7.0 40 -15\n7.1 55 5\n7.2 60 15\n");
    b.write("7.1 25 -30\n");
    a.close();
    b.close();
    const QStringList rg213{"--line", "RG-213/U", "--length", "30"};
    struct TCase {
        QStringList Args;
        const char* Text; // in stdout
    } const cases[] = {
        {{"--touchstone", s1p, "--parts", "--json"}, "\"lossy_exact\""},
        {{"--touchstone", s1p, "--toroid", "T-106-2", "--json"}, "\"toroid\""},
        {{"--touchstone", s1p, "--coil-form", "20", "--wire", "1.5"}, "air coil"},
        {{"--batch", loads, "--parts"}, "for lossy parts"},
        {{"--batch", loads, "--coil-form", "20", "--wire", "1", "--pitch", "2", "--json"},
         "\"winding\""},
        {QStringList{"--envelope", "--swr", "2", "--bands", "7.1"} + rg213,
         "moved through the line at each band"},
        {QStringList{"--envelope", "--swr", "2", "--json", "--tuner", "antenna"} + rg213,
         "\"tuner\": \"antenna\""},
        {{"-h"}, "Usage: pentarix-match"},
        {{"--version"}, "pentarix-match 1."},
    };
    for (const TCase& c : cases) {
        const TRun run = Match(c.Args);
        EXPECT_EQ(run.Status, 0) << c.Args.join(' ').toStdString() << run.Err.toStdString();
        EXPECT_TRUE(run.Out.contains(QLatin1String(c.Text)))
            << c.Args.join(' ').toStdString() << "\n"
            << run.Out.left(2000).toStdString();
    }
}
