// pentarix-match --batch: many loads in one process give what one process a
// load gives, and a bad line costs only itself.
#include "clirun.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString WriteFile(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath("loads.txt");
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
}

// As Match, with the text on standard input.
TRun MatchWithInput(const QStringList& args, const QByteArray& input) {
    QProcess p;
    p.start(QStringLiteral(PENTARIX_MATCH), args);
    p.write(input);
    p.closeWriteChannel();
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

} // namespace

TEST(MatchBatch, EachLineIsWhatTheSingleLoadGives) {
    const QStringList options{"--series", "E24", "--z0", "75", "--ql", "150", "--power", "500"};
    QRandomGenerator rng(19);
    QByteArray input;
    QList<QStringList> loads;
    for (int i = 0; i < 12; ++i) {
        // Short enough texts that the load's columns keep their widths.
        const QStringList load{QString::number(1.8 + rng.bounded(52.0), 'f', 4),
                               QString::number(1.0 + rng.bounded(899.0), 'f', 3),
                               QString::number(-900.0 + rng.bounded(1800.0), 'f', 3)};
        loads.append(load);
        input += load.join(u' ').toUtf8() + '\n';
    }
    QTemporaryDir dir;
    const QString file = WriteFile(dir, input);
    const TRun json = Match(QStringList{"--batch", file, "--json"} + options);
    const TRun table = Match(QStringList{"--batch", file} + options);
    ASSERT_EQ(json.Status, 0) << json.Err.toStdString();
    ASSERT_EQ(table.Status, 0) << table.Err.toStdString();
    const QStringList jsonLines = json.Out.split(u'\n', Qt::SkipEmptyParts);
    const QStringList rows = table.Out.split(u'\n', Qt::SkipEmptyParts).mid(2);
    ASSERT_EQ(jsonLines.size(), loads.size());
    ASSERT_EQ(rows.size(), loads.size());
    const int batchNetwork = table.Out.split(u'\n')[1].indexOf(QLatin1String("arrangement"));
    const QRegularExpression loadLine(
        QStringLiteral("^load (\\S+) ([-+]) j(\\S+) ohm at (\\S+) MHz, .*SWR (\\S+);"));
    for (int i = 0; i < loads.size(); ++i) {
        const QStringList single{"-f", loads[i][0], "-r", loads[i][1], "-x", loads[i][2]};
        SCOPED_TRACE(single.join(u' ').toStdString());
        EXPECT_EQ(jsonLines[i] + u'\n', Match(single + options + QStringList{"--json"}).Out);
        // The row: the load as the single table's first line gives it, then the chart's network.
        const QStringList lines = Match(single + options).Out.split(u'\n');
        const QRegularExpressionMatch m = loadLine.match(lines[0]);
        ASSERT_TRUE(m.hasMatch()) << lines[0].toStdString();
        const QString x = (m.captured(2) == u'-' ? QStringLiteral("-") : QString()) + m.captured(3);
        EXPECT_EQ(rows[i].left(batchNetwork).simplified(),
                  QStringList({m.captured(4), m.captured(1), x, m.captured(5)}).join(u' '));
        ASSERT_TRUE(lines[2].startsWith(u'*'));
        const int singleNetwork = lines[1].indexOf(QLatin1String("arrangement"));
        EXPECT_EQ(rows[i].mid(batchNetwork), lines[2].mid(singleNetwork));
    }
}

TEST(MatchBatch, BadLinesAreNamedAndSkipped) {
    struct Line {
        QByteArray text;
        const char* fault = nullptr;
        double designedF = 0; // a good line's frequency; neither: nothing to design
    };
    const Line lines[] = {
        {"1.9 25 -30", nullptr, 1.9},
        {"3.6\t25\t-30", nullptr, 3.6},
        {"5.1,25,-30", nullptr, 5.1},
        {"7.1; 25 ;-30", nullptr, 7.1},
        {"  10.1 , 25 , -30  # a comment", nullptr, 10.1},
        {"# only a comment"},
        {""},
        {" \t\r"},
        {"7.1 25", "expected 3 numbers (f r x), found 2"},
        {"7.1 25 -30 4", "found 4"},
        {"7,1 25 -30", "found 4"},
        {"7.1,,25", "an empty field"},
        {"7.1 25 -30,", "an empty field"},
        {"7.1 abc -30", "r: 'abc' is not a number"},
        {"inf 25 -30", "f: 'inf' is not a number"},
        {"0 25 -30", "f: '0' must be 0.001 to 100000 MHz"},
        {"7.1 -1 -30", "r: '-1' must not be negative"},
        {"7.1 0 -30", "r: '0': a load without resistance cannot be matched"},
        {"7.1 2e9 -30", "r: '2e9' must be 1e-6 to 1e9 ohm"},
        {"7.1 25 -2e9", "x: '-2e9' must be -1e9 to 1e9 ohm"},
        {QByteArray(5000, '7'), "longer than 4095 characters"},
        {"14.2 25 -30", nullptr, 14.2},
        {"28.5 25 -30", nullptr, 28.5}, // the last line, without a line break
    };
    QByteArray input;
    QList<QPair<QString, QString>> faults; // the line's prefix, the fault
    QList<double> designed;
    for (int i = 0; i < int(std::size(lines)); ++i) {
        const Line& l = lines[i];
        input += l.text + (i + 1 < int(std::size(lines)) ? "\n" : "");
        if (l.fault)
            faults.append({QStringLiteral("pentarix-match: line %1: ").arg(i + 1), l.fault});
        if (l.designedF > 0) designed << l.designedF;
    }
    QTemporaryDir dir;
    const TRun run = Match({"--batch", WriteFile(dir, input), "--json"});
    EXPECT_EQ(run.Status, 2);
    const QStringList errors = run.Err.split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(errors.size(), faults.size()) << run.Err.toStdString();
    for (int i = 0; i < faults.size(); ++i)
        EXPECT_TRUE(errors[i].startsWith(faults[i].first) && errors[i].contains(faults[i].second))
            << errors[i].toStdString();
    QList<double> frequencies;
    for (const QString& line : run.Out.split(u'\n', Qt::SkipEmptyParts))
        frequencies << QJsonDocument::fromJson(line.toUtf8()).object()["frequency_mhz"].toDouble();
    EXPECT_EQ(frequencies, designed);
}

TEST(MatchBatch, InputFromStdinAndRefusals) {
    const QByteArray input = "7.1 25 -30\n14.2 80 40\n";
    QTemporaryDir dir;
    const QString file = WriteFile(dir, input);
    const TRun fromFile = Match({"--batch", file});
    ASSERT_EQ(fromFile.Status, 0) << fromFile.Err.toStdString();
    EXPECT_EQ(fromFile.Out.count(u'\n'), 2 + 2); // the options, the header, two loads
    for (const QStringList& args : {QStringList{"--batch"}, QStringList{"--batch", "-"}}) {
        const TRun run = MatchWithInput(args, input);
        EXPECT_EQ(run.Status, 0) << run.Err.toStdString();
        EXPECT_EQ(run.Out, fromFile.Out);
    }
    struct Case {
        QStringList args;
        const char* message;
    };
    const Case cases[] = {
        {{"--batch", dir.filePath("missing.txt")}, "missing.txt: no such file"},
        {{"--batch", dir.path()}, ": is a directory"},
        {{"--batch", file, "-f", "7"}, "-f does not apply to --batch"},
        {{"--batch", file, "--touchstone", file}, "--touchstone does not apply to --batch"},
        {{"--batch", "--envelope", "--swr", "2"}, "--envelope does not apply to --batch"},
        {{"--batch", file, "--series", "E7"}, "--series: 'E7' is not one of"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(u' ').toStdString());
        const TRun run = Match(c.args);
        EXPECT_EQ(run.Status, 2);
        EXPECT_TRUE(run.Out.isEmpty());
        EXPECT_EQ(run.Err.count(u'\n'), 1);
        EXPECT_TRUE(run.Err.contains(QLatin1String(c.message))) << run.Err.toStdString();
    }
}
