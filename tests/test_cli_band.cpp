// pentarix-match over a band: --touchstone on files written here, and --bandwidth.
#include "clirun.h"
#include "lcphysics.h"
#include "response.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

namespace {

struct TPoint {
    double f, r, x;
};
// R 0 cannot be matched: its line keeps empty network fields.
const TPoint MeasuredPoints[] = {
    {6.9, 25, -30}, {7.0, 40, -5}, {7.1, 120, 60}, {7.2, 0, 15}, {7.3, 30, 200}};

// Impedance parameters against 1 ohm: the file's numbers are R and X in ohms.
QByteArray MeasuredFile() {
    QByteArray text = "! a dipole\n# MHz Z RI R 1\n";
    for (const TPoint& p : MeasuredPoints)
        text += QByteArray::number(p.f) + ' ' + QByteArray::number(p.r) + ' ' +
                QByteArray::number(p.x) + '\n';
    return text;
}

QString WriteFile(const QTemporaryDir& dir, const QString& name, const QByteArray& text) {
    const QString path = dir.filePath(name);
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
}

QJsonDocument JsonOf(const TRun& run) {
    EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.Out.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << run.Out.toStdString();
    return doc;
}

} // namespace

TEST(MatchBand, TouchstoneTableIsTheChartNetworkPerFrequency) {
    QTemporaryDir dir;
    const TRun run = Match({"--touchstone", WriteFile(dir, "dipole.s1p", MeasuredFile())});
    ASSERT_EQ(run.Status, 0) << run.Err.toStdString();
    const QStringList lines = run.Out.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + int(std::size(MeasuredPoints)));
    EXPECT_EQ(lines[0], "f [MHz]; R; X; PSV; L [uH]; C [pF]; LC=0 / CL=1");
    for (int i = 0; i < int(std::size(MeasuredPoints)); ++i) {
        const TPoint& p = MeasuredPoints[i];
        const QStringList f = lines[i + 1].split(u';');
        SCOPED_TRACE(lines[i + 1].toStdString());
        ASSERT_EQ(f.size(), 7);
        EXPECT_EQ(f[0], QString::number(p.f, 'f', 3));
        EXPECT_EQ(f[1].toDouble(), p.r);
        EXPECT_EQ(f[2].toDouble(), p.x);
        if (p.r <= 0) {
            EXPECT_TRUE(f[3].isEmpty() && f[4].isEmpty() && f[5].isEmpty() && f[6].isEmpty());
            continue;
        }
        EXPECT_NEAR(f[3].toDouble(), Swr({p.r, p.x}, 50), 5e-4);
        const TLNetwork n = ChartNetwork({p.r, p.x}, p.f);
        EXPECT_NEAR(f[4].toDouble(), n.Series.Kind == TElementKind::Coil ? n.Series.Value : 0,
                    5e-4);
        EXPECT_NEAR(f[5].toDouble(), n.Shunt.Kind == TElementKind::Capacitor ? n.Shunt.Value : 0,
                    0.05);
        EXPECT_EQ(f[6], n.Arrangement == TArrangement::ShuntAtLoad ? "1" : "0");
    }

    const QJsonArray a =
        JsonOf(Match({"--touchstone", dir.filePath("dipole.s1p"), "--json"})).array();
    ASSERT_EQ(a.size(), int(std::size(MeasuredPoints)));
    for (int i = 0; i < a.size(); ++i) {
        const QJsonObject o = a[i].toObject();
        const TPoint& p = MeasuredPoints[i];
        EXPECT_EQ(o["frequency_mhz"].toDouble(), p.f);
        EXPECT_EQ(o["load"].toObject()["x"].toDouble(), p.x);
        const QJsonArray nets = o["networks"].toArray();
        ASSERT_EQ(nets.isEmpty(), p.r <= 0);
        if (nets.isEmpty()) continue;
        EXPECT_TRUE(nets[0].toObject()["chart"].toBool());
        EXPECT_NEAR(nets[0].toObject()["series"].toObject()["value"].toDouble(),
                    ChartNetwork({p.r, p.x}, p.f).Series.Value, 1e-9);
    }
}

TEST(MatchBand, BadFilesAreOneLineNamingTheLine) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        const char* text;
        const char* names; // what the message must contain
    };
    const Case cases[] = {
        {"short.s1p", "# MHz S RI R 50\n7.0 0.1 0.2\n7.1 0.1\n", "line 3"},
        {"falling.s1p", "# MHz S RI R 50\n7.1 0.1 0.2\n7.0 0.1 0.2\n", "line 3"},
        {"empty.s1p", "! nothing\n", "empty.s1p"},
        {"wrong.txt", "# MHz S RI R 50\n7.0 0.1 0.2\n", "wrong.txt"},
    };
    for (const Case& c : cases) {
        const QString path = WriteFile(dir, c.name, c.text);
        SCOPED_TRACE(c.name);
        for (const QStringList& extra : {QStringList{}, QStringList{"--json"}}) {
            const TRun run = Match(QStringList{"--touchstone", path} + extra);
            EXPECT_EQ(run.Status, 2);
            EXPECT_TRUE(run.Out.isEmpty());
            EXPECT_EQ(run.Err.count(u'\n'), 1) << run.Err.toStdString();
            EXPECT_TRUE(run.Err.contains(QLatin1String(c.names))) << run.Err.toStdString();
            EXPECT_TRUE(run.Err.contains(path)) << run.Err.toStdString();
        }
    }
    const TRun missing = Match({"--touchstone", dir.filePath("none.s1p")});
    EXPECT_EQ(missing.Status, 2);
    EXPECT_TRUE(missing.Out.isEmpty());
}

TEST(MatchBand, BandwidthEdgesBracketTheDesignFrequency) {
    struct Case {
        double f, r, x;
        bool reached; // both edges within ±50 %
    };
    const Case cases[] = {
        {7.1, 25, -30, true}, {14.2, 5, 80, true}, {3.6, 200, 100, true}, {7.1, 50, 0, false}};
    const std::pair<const char*, TLoadModel> models[] = {{"constant", TLoadModel::Constant},
                                                         {"reactance", TLoadModel::Reactance}};
    const std::pair<const char*, double> limits[] = {{"swr_1_5", SwrLimitTight},
                                                     {"swr_2", SwrLimitLoose}};
    for (const Case& c : cases) {
        const QStringList args{"--bandwidth",        "-f", QString::number(c.f), "-r",
                               QString::number(c.r), "-x", QString::number(c.x)};
        SCOPED_TRACE(args.join(u' ').toStdString());
        const QJsonObject o = JsonOf(Match(args + QStringList{"--json"})).object();
        for (const auto& [model, kind] : models) {
            const TBandResponse response({c.r, c.x}, c.f, kind);
            for (const auto& [limit, value] : limits) {
                const QJsonObject e = o[model].toObject()[limit].toObject();
                ASSERT_TRUE(e.contains("low_mhz") && e.contains("high_mhz"));
                if (!c.reached) {
                    EXPECT_TRUE(e["low_mhz"].isNull() && e["high_mhz"].isNull());
                    continue;
                }
                const double low = e["low_mhz"].toDouble(), high = e["high_mhz"].toDouble();
                EXPECT_LT(low, c.f);
                EXPECT_GT(high, c.f);
                EXPECT_NEAR(*response.SwrAt(low), value, 1e-6);
                EXPECT_NEAR(*response.SwrAt(high), value, 1e-6);
            }
        }
        const TRun text = Match(args);
        EXPECT_EQ(text.Status, 0);
        EXPECT_EQ(text.Out.count(u'\n'), 2 + 4) << text.Out.toStdString();
    }
    const TRun bad = Match({"--bandwidth", "-f", "7", "-r", "0", "-x", "5"});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_TRUE(bad.Out.isEmpty());
}

TEST(MatchBand, PointsWithoutANetworkKeepTheirLine) {
    QTemporaryDir dir;
    // 0 Hz, an open (S11 = 1), R = 0 and R < 0.
    const QString path =
        WriteFile(dir, "odd.s1p", "# MHz S RI R 50\n0 0.2 0\n1 1 0\n2 0.6 0.8\n3 1.2 0\n");
    const TRun run = Match({"--touchstone", path});
    ASSERT_EQ(run.Status, 0) << run.Err.toStdString();
    EXPECT_EQ(run.Out.split(u'\n', Qt::SkipEmptyParts).mid(1),
              QStringList({"0.000;75.000;0.000;;;;", "1.000;;;;;;", "2.000;0.000;100.000;;;;",
                           "3.000;-550.000;0.000;;;;"}));
    const QJsonArray a = JsonOf(Match({"--touchstone", path, "--json"})).array();
    ASSERT_EQ(a.size(), 4);
    for (int i = 0; i < a.size(); ++i) {
        const QJsonObject o = a[i].toObject();
        EXPECT_EQ(o["frequency_mhz"].toDouble(), i);
        EXPECT_TRUE(o["networks"].toArray().isEmpty());
        EXPECT_EQ(o["load"].isNull(), i == 1);
        if (i != 1) {
            EXPECT_TRUE(o["load"].toObject()["swr"].isNull());
        }
    }
}

namespace {

// A dipole as a series RLC: 60 ohm, resonant at 7.1 MHz, 600 ohm reactance of
// its inductance there; 201 points over 6.6 … 7.6 MHz.
std::vector<TPoint> DipolePoints() {
    const double r = 60, f0 = 7.1, x0 = 600;
    std::vector<TPoint> points;
    for (int i = 0; i <= 200; ++i) {
        const double f = 6.6 + i * 0.005;
        points.push_back({f, r, x0 * (f / f0 - f0 / f)});
    }
    return points;
}

// The test's own linear interpolation between the file's points.
std::complex<double> LoadBetween(const std::vector<TPoint>& p, double f) {
    std::size_t i = 1;
    while (i + 1 < p.size() && p[i].f < f)
        ++i;
    const double t = (f - p[i - 1].f) / (p[i].f - p[i - 1].f);
    return {p[i - 1].r + t * (p[i].r - p[i - 1].r), p[i - 1].x + t * (p[i].x - p[i - 1].x)};
}

} // namespace

TEST(MatchBand, MeasuredBandwidthAgreesWithADenseScanOfTheFile) {
    const std::vector<TPoint> points = DipolePoints();
    QByteArray text = "# MHz Z RI R 1\n";
    for (const TPoint& p : points)
        text += QByteArray::number(p.f, 'g', 17) + ' ' + QByteArray::number(p.r, 'g', 17) + ' ' +
                QByteArray::number(p.x, 'g', 17) + '\n';
    QTemporaryDir dir;
    const QString path = WriteFile(dir, "rlc.s1p", text);
    const double step = 1e-5; // MHz
    // At 6.65 MHz the SWR 2 edge below lies beyond the file's first point.
    for (const double f : {7.03, 6.65}) {
        SCOPED_TRACE(f);
        const QStringList args{"--bandwidth", "-f", QString::number(f), "--touchstone", path};
        const QJsonObject o = JsonOf(Match(args + QStringList{"--json"})).object();
        const std::complex<double> z = LoadBetween(points, f);
        const TLNetwork n = ChartNetwork({z.real(), z.imag()}, f);
        ASSERT_TRUE(n.Series.Kind == TElementKind::Coil && n.Shunt.Kind == TElementKind::Capacitor);
        auto swrAt = [&](double fs) {
            const double g = ReflectionMagnitude(
                LcCircuit(LoadBetween(points, fs), n.Series.Value, n.Shunt.Value,
                          n.Arrangement == TArrangement::ShuntAtLoad, fs)
                    .Input);
            return (1 + g) / (1 - g);
        };
        // Outward from f in fine steps until the SWR exceeds the limit; none at the data's end.
        auto scan = [&](double limit, double dir, double end) -> std::optional<double> {
            for (double fs = f; dir * (end - fs) >= 0; fs += dir * step)
                if (swrAt(fs) > limit) return fs;
            return std::nullopt;
        };
        for (const auto& [name, limit] :
             {std::pair{"swr_1_5", SwrLimitTight}, {"swr_2", SwrLimitLoose}}) {
            const QJsonObject e = o["measured"].toObject()[name].toObject();
            const std::pair<const char*, std::optional<double>> edges[] = {
                {"low_mhz", scan(limit, -1, points.front().f)},
                {"high_mhz", scan(limit, 1, points.back().f)}};
            for (const auto& [side, expected] : edges) {
                SCOPED_TRACE(std::string(name) + " " + side);
                ASSERT_EQ(e[side].isNull(), !expected);
                if (expected) {
                    EXPECT_NEAR(e[side].toDouble(), *expected, step);
                }
            }
            // The other models start from the file's load at f too.
            const QJsonObject c = o["constant"].toObject()[name].toObject();
            const TBandResponse constant({z.real(), z.imag()}, f, TLoadModel::Constant);
            if (!c["high_mhz"].isNull()) {
                EXPECT_NEAR(*constant.SwrAt(c["high_mhz"].toDouble()), limit, 1e-6);
            }
        }
        EXPECT_EQ(f == 6.65, o["measured"].toObject()["swr_2"].toObject()["low_mhz"].isNull());
        const TRun table = Match(args);
        EXPECT_EQ(table.Status, 0);
        EXPECT_EQ(table.Out.count(u'\n'), 2 + 6) << table.Out.toStdString();
    }
}
