// The "LC-PSV Points" sweep: the data window it opens and the table it writes.
#include "framefixture.h"
#include "lcphysics.h"
#include "testsupport.h"

#include <QApplication>
#include <QPointer>
#include <QRegularExpression>
#include <cmath>
#include <optional>
#include <vector>

namespace {

constexpr double kPi = 3.141592653589793238;
const QString kStars(33, u'*');
const QString kColumns = QStringLiteral("Úhel Ro; L [uH]; C [pF]; LC=0 / CL=1  ");

// The offscreen platform cannot raise windows and says so for every line.
QtMessageHandler gPreviousHandler = nullptr;
void QuietRaise(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message == QStringLiteral("This plugin does not support raise()")) return;
    if (gPreviousHandler) gPreviousHandler(type, context, message);
}

QStringList Lines(const TfrmData* window) {
    return window->meData->toPlainText().split(u'\n');
}

struct Row {
    int Angle;
    double L, C;
    bool IsCL;
    QString Text;
};

std::vector<Row> DataRows(const QStringList& lines, int first = 4) {
    static const QRegularExpression pattern(
        QStringLiteral("^(-?[0-9]+);([0-9]+\\.[0-9]{3});([0-9]+\\.[0-9]);([01])$"));
    std::vector<Row> rows;
    for (int i = first; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = pattern.match(lines[i]);
        EXPECT_TRUE(m.hasMatch()) << "line " << i << ": " << lines[i].toStdString();
        if (!m.hasMatch()) continue;
        rows.push_back({m.captured(1).toInt(), m.captured(2).toDouble(), m.captured(3).toDouble(),
                        m.captured(4) == u'1', lines[i]});
    }
    return rows;
}

std::vector<int> Angles(const std::vector<Row>& rows) {
    std::vector<int> angles;
    for (const Row& r : rows)
        angles.push_back(r.Angle);
    return angles;
}

std::vector<int> Range(int from, int to, int step) {
    std::vector<int> v;
    for (int a = from; step > 0 ? a <= to : a >= to; a += step)
        v.push_back(a);
    return v;
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A second, hidden frame with the main window's chart, to recompute lines in.
std::unique_ptr<TvSmithChart> ReferenceFrame(const QString& frequency) {
    auto frame = std::make_unique<TvSmithChart>();
    frame->resize(823, 772);
    frame->CreateChart();
    frame->Chart()->SetSize(32, 32);
    frame->edFR->setText(frequency);
    return frame;
}

// Every line holds the network of the pixel nearest to its polar point, to the
// printed digits, and that network matches the load.
void ExpectRowsMatchRecomputation(const std::vector<Row>& rows, const QString& frequency,
                                  double swr) {
    std::unique_ptr<TvSmithChart> ref = ReferenceFrame(frequency);
    TSmithChart& chart = *ref->Chart();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Text.toStdString());
        const TPointD p = chart.PolarToPixel(row.Angle, swr);
        const int x = int(std::nearbyint(p.X)), y = int(std::nearbyint(p.Y));
        TReading reading;
        ASSERT_TRUE(chart.ReadPointer(x, y, false, reading));
        // The nearest pixel is at most half a pixel diagonal from the point.
        const double g = (swr - 1) / (swr + 1), slack = 0.71 / chart.Radius();
        EXPECT_NEAR(reading.Swr, swr, 2 * slack / ((1 - g - slack) * (1 - g - slack)));
        const double turn = std::remainder(reading.Theta - row.Angle, 360.0);
        if (g > 0) {
            EXPECT_LT(std::fabs(turn), slack / g * 180 / kPi + 1e-6);
        }

        const std::optional<TNetwork> net = ref->SolveAtPixel(x, y);
        ASSERT_TRUE(net.has_value());
        EXPECT_EQ(net->Load.R, reading.R);
        EXPECT_EQ(net->Load.X, reading.X);
        EXPECT_NEAR(row.L, net->L, 0.0005 + 1e-9);
        EXPECT_NEAR(row.C, net->C, 0.05 + 1e-9);
        EXPECT_EQ(row.IsCL, net->IsCL);
        EXPECT_LT(InputReflection(*net, frequency.toDouble()), 1e-6);
        EXPECT_GE(net->L, 0.0);
        EXPECT_GE(net->C, 0.0);

        double l = -1, c = -1;
        bool isCL = !net->IsCL;
        ASSERT_TRUE(ref->SolveAtPolar(l, c, swr, row.Angle, isCL));
        EXPECT_EQ(l, net->L);
        EXPECT_EQ(c, net->C);
        EXPECT_EQ(isCL, net->IsCL);
        if (chart.Markers().size() > 60) {
            chart.ClearMarkers();
            chart.ClearArcs();
        }
    }
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

class SweepTest : public ::testing::Test {
protected:
    void SetUp() override {
        gPreviousHandler = qInstallMessageHandler(QuietRaise);
        TakeRecordedErrors();
        CloseAllDataWindows();
        form = ShowMainWindow();
        ASSERT_FALSE(HasFailure()) << "the main window never came on screen";
        frame = form->FTunerFrame;
        ASSERT_NE(frame, nullptr);
        // The tables are under test, not the pictures: small layers keep the
        // hundreds of redraws of each sweep quick.
        frame->Chart()->SetSize(32, 32);
    }
    void TearDown() override {
        CloseAllDataWindows();
        EXPECT_TRUE(AllDataWindows().isEmpty());
        EXPECT_TRUE(TakeRecordedErrors().isEmpty());
        qInstallMessageHandler(gPreviousHandler);
    }

    // Presses the button and returns the windows that appeared.
    QList<TfrmData*> Sweep() {
        const QList<TfrmData*> before = AllDataWindows();
        // Every line adds markers that each later redraw goes through again.
        frame->Chart()->ClearMarkers();
        frame->Chart()->ClearArcs();
        QTest::mouseClick(frame->Button1, Qt::LeftButton);
        QList<TfrmData*> added;
        for (TfrmData* w : AllDataWindows())
            if (!before.contains(w)) added.append(w);
        return added;
    }

    std::unique_ptr<TForm1> form;
    TvSmithChart* frame = nullptr;
};

void ExpectHeader(const QStringList& lines, const QString& settings) {
    ASSERT_GE(lines.size(), 4);
    EXPECT_EQ(lines[0], kStars);
    EXPECT_EQ(lines[1], settings);
    EXPECT_EQ(lines[2], kColumns);
    EXPECT_EQ(lines[3], kStars);
}

} // namespace

TEST_F(SweepTest, DefaultSweepOpensDataWindowWithRefinedTable) {
    const QList<TfrmData*> opened = Sweep();
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_EQ(opened.size(), 1);
    TfrmData* window = opened[0];
    // Finished: the frame lets go of the window, which stays on screen.
    EXPECT_TRUE(frame->DataForm() == nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Data"));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window->meData->isReadOnly());

    const QStringList lines = Lines(window);
    ExpectHeader(lines, QStringLiteral(" F = 7 MHz, PSV = 4.2"));
    ASSERT_EQ(lines.size(), 84);
    const std::vector<Row> rows = DataRows(lines);
    ASSERT_EQ(rows.size(), 80u);

    // Ten-degree steps, with a one-degree look wherever the arrangement turns.
    const std::vector<int> expected =
        Concat({Range(0, 130, 10), Range(110, 130, 1), Range(140, 180, 10), Range(0, -60, -10),
                Range(-70, -50, 1), Range(-70, -180, -10)});
    EXPECT_EQ(Angles(rows), expected);

    // The coarse steps: CL up to 120 and down to -50 degrees, LC beyond.
    std::vector<size_t> coarse;
    for (size_t i = 0; i < 14; ++i)
        coarse.push_back(i);
    for (size_t i = 35; i < 47; ++i)
        coarse.push_back(i);
    for (size_t i = 68; i < 80; ++i)
        coarse.push_back(i);
    for (const size_t i : coarse) {
        const Row& r = rows[i];
        const bool positivePass = i < 40;
        const bool cl = positivePass ? r.Angle <= 120 : r.Angle >= -50;
        EXPECT_EQ(r.IsCL, cl) << r.Text.toStdString();
    }

    ExpectRowsMatchRecomputation(rows, QStringLiteral("7"), 4.2);
}

TEST_F(SweepTest, EachSweepOpensItsOwnWindowWithItsOwnSettings) {
    const QList<TfrmData*> first = Sweep();
    ASSERT_EQ(first.size(), 1);
    frame->edFR->setText(QStringLiteral("3.6"));
    frame->edPSV->setText(QStringLiteral("2"));
    const QList<TfrmData*> second = Sweep();
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_EQ(second.size(), 1);
    EXPECT_TRUE(first[0]->isVisible());
    EXPECT_TRUE(second[0]->isVisible());

    const QStringList a = Lines(first[0]), b = Lines(second[0]);
    ExpectHeader(a, QStringLiteral(" F = 7 MHz, PSV = 4.2"));
    ExpectHeader(b, QStringLiteral(" F = 3.6 MHz, PSV = 2"));
    EXPECT_EQ(a.size(), 84);
    EXPECT_EQ(a.count(kStars), 2);
    EXPECT_EQ(b.count(kStars), 2);

    // The other band and SWR: coarse steps in order, every line recomputable.
    const std::vector<Row> rows = DataRows(b);
    const std::vector<int> all = Angles(rows);
    size_t at = 0;
    for (const int angle : Concat({Range(0, 180, 10), Range(0, -180, -10)})) {
        while (at < all.size() && all[at] != angle)
            ++at;
        EXPECT_LT(at, all.size()) << "coarse angle " << angle << " missing or out of order";
        ++at;
    }
    EXPECT_GE(rows.size(), 38u);
    ExpectRowsMatchRecomputation(rows, QStringLiteral("3.6"), 2.0);
}

TEST_F(SweepTest, ClosedWindowGoesAwayAndNextSweepOpensNewOne) {
    const QList<TfrmData*> first = Sweep();
    ASSERT_EQ(first.size(), 1);
    QPointer<TfrmData> closed = first[0];
    closed->close();
    FlushDeferredDeletes();
    EXPECT_TRUE(closed.isNull());
    EXPECT_TRUE(AllDataWindows().isEmpty());

    const QList<TfrmData*> next = Sweep();
    ASSERT_EQ(next.size(), 1);
    EXPECT_TRUE(next[0]->isVisible());
    ExpectHeader(Lines(next[0]), QStringLiteral(" F = 7 MHz, PSV = 4.2"));
    EXPECT_EQ(Lines(next[0]).size(), 84);

    // Closing the window a line went to makes the next line open a new one.
    frame->AppendDataLine(QStringLiteral("x"));
    QPointer<TfrmData> current = frame->DataForm();
    ASSERT_FALSE(current.isNull());
    current->close();
    FlushDeferredDeletes();
    EXPECT_TRUE(frame->DataForm() == nullptr);
    EXPECT_TRUE(current.isNull());
    EXPECT_EQ(Sweep().size(), 1);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(SweepTest, ErrorsOpenNoWindowAndKeepAnOpenOneForTheNextSweep) {
    struct Case {
        const char* fr;
        const char* psv;
        const char* error;
    };
    for (const Case& c : {Case{"7", "abc", "'abc' is not a valid floating point value."},
                          Case{"7", "4,2", "'4,2' is not a valid floating point value."},
                          Case{"abc", "4.2", "'abc' is not a valid floating point value."},
                          Case{"0", "4.2", "'0' is not a valid frequency."}}) {
        SCOPED_TRACE(std::string(c.fr) + " / " + c.psv);
        frame->edFR->setText(QString::fromUtf8(c.fr));
        frame->edPSV->setText(QString::fromUtf8(c.psv));
        EXPECT_TRUE(Sweep().isEmpty());
        EXPECT_EQ(TakeRecordedErrors(), QStringList{QString::fromUtf8(c.error)});
        EXPECT_TRUE(frame->DataForm() == nullptr);
    }

    // A window the frame is still writing to survives failing sweeps ...
    frame->edFR->setText(QStringLiteral("7"));
    frame->edPSV->setText(QStringLiteral("4.2"));
    frame->AppendDataLine(QStringLiteral("x"));
    const QPointer<TfrmData> window = frame->DataForm();
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(Lines(window), QStringList({kStars, QStringLiteral(" F = 7 MHz, PSV = 4.2"), kColumns,
                                          kStars, QStringLiteral("x")}));
    for (const Case& c : {Case{"7", "abc", "'abc' is not a valid floating point value."},
                          Case{"-7", "4.2", "'-7' is not a valid frequency."}}) {
        SCOPED_TRACE(std::string(c.fr) + " / " + c.psv);
        frame->edFR->setText(QString::fromUtf8(c.fr));
        frame->edPSV->setText(QString::fromUtf8(c.psv));
        EXPECT_TRUE(Sweep().isEmpty());
        EXPECT_EQ(TakeRecordedErrors(), QStringList{QString::fromUtf8(c.error)});
        EXPECT_EQ(frame->DataForm(), window.data());
        EXPECT_EQ(Lines(window).size(), 5);
    }

    // ... and the next complete sweep goes on in it, without a second header.
    frame->edFR->setText(QStringLiteral("7"));
    frame->edPSV->setText(QStringLiteral("4.2"));
    EXPECT_TRUE(Sweep().isEmpty());
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_FALSE(window.isNull());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(frame->DataForm() == nullptr);
    const QStringList lines = Lines(window);
    EXPECT_EQ(lines.size(), 85);
    EXPECT_EQ(lines.count(kStars), 2);
    EXPECT_EQ(DataRows(lines, 5).size(), 80u);

    // Finished, so the sweep after it opens a window of its own.
    EXPECT_EQ(Sweep().size(), 1);
}

TEST_F(SweepTest, SwrOneIsMatchedEverywhereWithoutRefinement) {
    frame->edPSV->setText(QString());
    const QList<TfrmData*> opened = Sweep();
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    ASSERT_EQ(opened.size(), 1);
    const QStringList lines = Lines(opened[0]);
    ExpectHeader(lines, QStringLiteral(" F = 7 MHz, PSV = "));
    QStringList expected;
    for (const int a : Concat({Range(0, 180, 10), Range(0, -180, -10)}))
        expected << QString::number(a) + QStringLiteral(";0.000;0.0;1");
    EXPECT_EQ(lines.mid(4), expected);
}

TEST_F(SweepTest, PointsOnTheRimWriteEmptyFields) {
    // SWR 2000 puts the axis angles exactly on the rim pixels, where nothing is read.
    frame->edPSV->setText(QStringLiteral("2000"));
    const QList<TfrmData*> opened = Sweep();
    ASSERT_EQ(opened.size(), 1);
    const QStringList lines = Lines(opened[0]);
    ExpectHeader(lines, QStringLiteral(" F = 7 MHz, PSV = 2000"));
    static const QRegularExpression full(
        QStringLiteral("^-?[0-9]+;[0-9]+\\.[0-9]{3};[0-9]+\\.[0-9];[01]$"));
    int empty = 0;
    for (int i = 4; i < lines.size(); ++i) {
        const int angle = lines[i].section(u';', 0, 0).toInt();
        if (angle % 90 == 0) {
            EXPECT_EQ(lines[i], QString::number(angle) + QStringLiteral(";;;"));
            ++empty;
        } else {
            EXPECT_TRUE(full.match(lines[i]).hasMatch()) << lines[i].toStdString();
        }
    }
    // 0, 90, 180 going up and 0, -90, -180 going down, at least.
    EXPECT_GE(empty, 6);
    EXPECT_TRUE(frame->DataForm() == nullptr);
    // Nothing was solved there: no error either.
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}
