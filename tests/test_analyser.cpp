// The analysers' protocols against the software analyser (pentarix-fakevna):
// the NanoVNA shell on a pseudo-terminal and LibreVNA's SCPI on a local TCP
// port. A sweep's loads against the model antenna computed here; every fault
// with its code, the last whole sweep kept through it and the next sweep
// whole again; the command line's sweep and its saved file.

#include "analyser.h"
#include "apperror.h"
#include "framefixture.h"
#include "clirun.h"
#include "measurementfile.h"
#include "touchstonetext.h"

#include <QEventLoop>
#include <QSettings>
#include <QTest>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <memory>
#include <numbers>

namespace {

// The fake's antenna, computed independently of its reflection figures: a
// series RLC of 60 ohm and 10 uH resonant at 7.1 MHz.
std::complex<double> ModelZ(double mhz) {
    const double w = 2 * std::numbers::pi * mhz * 1e6, w0 = 2 * std::numbers::pi * 7.1e6;
    const double l = 10e-6, c = 1 / (w0 * w0 * l);
    return {60, w * l - 1 / (w * c)};
}

// A running fake; Target is what TAnalyser takes.
struct TFake {
    std::unique_ptr<QProcess> Process = std::make_unique<QProcess>();
    QString Target;
    ~TFake() {
        Process->kill();
        Process->waitForFinished(3000);
    }
};

std::unique_ptr<TFake> StartFake(bool libre, QStringList args) {
    auto fake = std::make_unique<TFake>();
    if (libre) args = QStringList{QStringLiteral("--librevna"), QStringLiteral("0")} + args;
    fake->Process->start(QStringLiteral(PENTARIX_FAKEVNA), args);
    if (!fake->Process->waitForReadyRead(10000)) return nullptr;
    const QString line = QString::fromUtf8(fake->Process->readLine()).trimmed();
    fake->Target = libre ? QStringLiteral("tcp:127.0.0.1:") + line : line;
    return fake;
}

struct TOutcome {
    std::optional<TTouchstone> Sweep;
    std::optional<EAnalyserError> Error;
};

TOutcome Sweep(TAnalyser& analyser, const TSweepRequest& request) {
    TOutcome outcome;
    QEventLoop loop;
    QObject::connect(&analyser, &TAnalyser::SweepFinished, &loop, [&](const TTouchstone& s) {
        outcome.Sweep = s;
        loop.quit();
    });
    QObject::connect(&analyser, &TAnalyser::Failed, &loop, [&](const EAnalyserError& e) {
        outcome.Error = e;
        loop.quit();
    });
    QTimer::singleShot(30000, &loop, &QEventLoop::quit); // a hung test, not a hung sweep
    analyser.StartSweep(request);
    if (!outcome.Sweep && !outcome.Error) loop.exec();
    QObject::disconnect(&analyser, nullptr, &loop, nullptr);
    return outcome;
}

void ExpectModel(const TTouchstone& sweep, const TSweepRequest& request) {
    ASSERT_EQ(sweep.Points.size(), std::size_t(request.Points));
    for (std::size_t i = 0; i < sweep.Points.size(); ++i) {
        const TTouchstonePoint& p = sweep.Points[i];
        const double f = request.StartMHz +
                         (request.StopMHz - request.StartMHz) * double(i) / (request.Points - 1);
        EXPECT_NEAR(p.FrequencyMHz, f, 1e-6); // the fake's frequencies are whole hertz
        const std::complex<double> z = ModelZ(p.FrequencyMHz);
        // Nine digits of S11 from the device.
        EXPECT_NEAR(p.R, z.real(), 1e-6 * (std::abs(z) + 50));
        EXPECT_NEAR(p.X, z.imag(), 1e-6 * (std::abs(z) + 50));
    }
}

const TSweepRequest Band{6.9, 7.3, 41};

TEST(Analyser, SweepsGiveTheModelAntenna) {
    struct TCase {
        const char* Name;
        bool Libre;
        QStringList Args;
        int Points;
    };
    const TCase cases[] = {
        {"scan", false, {}, 101},
        {"older firmware: sweep, frequencies, data 0", false, {"--old"}, 41},
        {"decimal commas, one byte a write",
         false,
         {"--comma", "--chunk", "1", "--delay", "0"},
         21},
        {"-H4 firmware: 401 points", false, {"--h4"}, 401},
        {"LibreVNA", true, {}, 201},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const auto fake = StartFake(c.Libre, c.Args);
        ASSERT_TRUE(fake);
        TAnalyser analyser(fake->Target);
        TSweepRequest request = Band;
        request.Points = c.Points;
        const TOutcome outcome = Sweep(analyser, request);
        ASSERT_TRUE(outcome.Sweep) << (outcome.Error ? outcome.Error->what() : "no answer");
        ExpectModel(*outcome.Sweep, request);
        EXPECT_FALSE(analyser.Identity().isEmpty());
        // The connection stays for the next sweep.
        request.StartMHz = 1;
        request.StopMHz = 30;
        const TOutcome again = Sweep(analyser, request);
        ASSERT_TRUE(again.Sweep);
        ExpectModel(*again.Sweep, request);
    }
}

TEST(Analyser, EveryFaultHasItsCodeAndKeepsTheLastWholeSweep) {
    struct TCase {
        bool Libre;
        QStringList Args;
        int Points;
        TAnalyserFault Code;
        bool Recovers; // the sweep after the fault is whole again
    };
    const TCase cases[] = {
        {false, {"--fault", "hang"}, 41, TAnalyserFault::Timeout, true},
        {false, {"--fault", "garbage"}, 41, TAnalyserFault::Garbage, true},
        {false, {"--fault", "cut"}, 41, TAnalyserFault::CutLine, true},
        {false, {"--old", "--fault", "cut"}, 41, TAnalyserFault::CutLine, true},
        {false, {"--fault", "vanish"}, 41, TAnalyserFault::Vanished, false},
        {false, {"--fault", "refuse"}, 41, TAnalyserFault::RangeRefused, false},
        {false, {"--fault", "wrong"}, 41, TAnalyserFault::WrongDevice, false},
        {false, {}, 201, TAnalyserFault::TooManyPoints, false},
        {true, {"--fault", "hang"}, 41, TAnalyserFault::Timeout, true},
        {true, {"--fault", "garbage"}, 41, TAnalyserFault::Garbage, true},
        {true, {"--fault", "cut"}, 41, TAnalyserFault::CutLine, true},
        {true, {"--fault", "vanish"}, 41, TAnalyserFault::Vanished, false},
        {true, {"--fault", "refuse"}, 41, TAnalyserFault::RangeRefused, false},
        {true, {"--fault", "wrong"}, 41, TAnalyserFault::WrongDevice, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE((c.Libre ? "LibreVNA " : "NanoVNA ") + c.Args.join(u' ').toStdString());
        // The fault strikes the second sweep, so that a whole one is there to keep.
        const bool midSweep = c.Recovers || c.Code == TAnalyserFault::Vanished;
        const auto fake = StartFake(
            c.Libre, c.Args + (midSweep ? QStringList{"--fault-sweep", "2"} : QStringList{}));
        ASSERT_TRUE(fake);
        TAnalyser analyser(fake->Target);
        analyser.SetTimeouts(1500, 5);
        std::optional<TTouchstone> kept;
        if (midSweep) {
            kept = Sweep(analyser, Band).Sweep;
            ASSERT_TRUE(kept);
        }
        TSweepRequest request = Band;
        request.Points = c.Points;
        const TOutcome failed = Sweep(analyser, request);
        ASSERT_TRUE(failed.Error);
        EXPECT_EQ(failed.Error->Code, c.Code) << failed.Error->what();
        if (c.Code == TAnalyserFault::TooManyPoints) {
            EXPECT_EQ(failed.Error->Limit, NanoVnaPoints);
            EXPECT_EQ(AnalyserErrorText(*failed.Error).toStdString(),
                      "analyzátor změří nejvýše 101 bodů");
        }
        ASSERT_EQ(analyser.LastSweep().has_value(), kept.has_value());
        if (kept) {
            EXPECT_EQ(analyser.LastSweep()->Points.size(), kept->Points.size());
        }
        if (c.Recovers) {
            const TOutcome next = Sweep(analyser, Band);
            ASSERT_TRUE(next.Sweep) << (next.Error ? next.Error->what() : "no answer");
            ExpectModel(*next.Sweep, Band);
        }
    }
}

TEST(Analyser, NothingThereIsNoDevice) {
    QTcpServer probe; // a port nobody listens on once it is closed
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const QString closed = QStringLiteral("tcp:127.0.0.1:%1").arg(probe.serverPort());
    probe.close();
    for (const QString& target : {QStringLiteral("/dev/pentarix-no-such-port"), closed}) {
        TAnalyser analyser(target);
        const TOutcome outcome = Sweep(analyser, Band);
        ASSERT_TRUE(outcome.Error) << target.toStdString();
        EXPECT_EQ(outcome.Error->Code, TAnalyserFault::NoDevice) << target.toStdString();
        EXPECT_EQ(AnalyserErrorText(*outcome.Error).toStdString(), "analyzátor nenalezen");
    }
}

// The command line's sweep designs what the file it saved designs, and says
// a fault in English.
TEST(Analyser, CommandLineSweepAndSavedFile) {
    const auto fake = StartFake(false, {});
    ASSERT_TRUE(fake);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString saved = dir.filePath(QStringLiteral("sweep.s1p"));
    const TRun swept = Match({"--analyser", fake->Target, "--start", "6.9", "--stop", "7.3",
                              "--points", "41", "--save", saved});
    ASSERT_EQ(swept.Status, 0) << swept.Err.toStdString();
    const TRun read = Match({"--touchstone", saved});
    EXPECT_EQ(read.Out, swept.Out);
    ExpectModel(ReadMeasurementFile(saved.toStdString()), Band);

    const TRun refused =
        Match({"--analyser", fake->Target, "--start", "6.9", "--stop", "7.3", "--points", "201"});
    EXPECT_EQ(refused.Status, 2);
    EXPECT_EQ(refused.Err, "pentarix-match: --analyser " + fake->Target +
                               ": this analyser sweeps at most 101 points\n");
    EXPECT_TRUE(refused.Out.isEmpty());
}

} // namespace

// "Analyzátor" in the main window: a sweep becomes the measurement "živě"
// and the chart's trace, continuous sweeps replace its points, a vanished
// device is a message in the window while the last whole sweep stays, and
// bad inputs start nothing.
class AnalyserWindowTest : public MainWindowTest {};

TEST_F(AnalyserWindowTest, LiveSweepsBecomeTheMeasurementAndAFaultKeepsTheLast) {
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    auto fake = StartFake(false, {});
    ASSERT_TRUE(fake);
    Frame->actAnalyser->trigger();
    TfrmAnalyser* w = Frame->AnalyserWindow();
    ASSERT_NE(w, nullptr);
    w->cbDevice->setEditText(fake->Target);
    w->edStart->setText("5");
    w->edStop->setText("9");
    w->edPoints->setText("51");
    const TSweepRequest request{5, 9, 51};
    int sweeps = 0;
    QObject::connect(&Frame->Design(), &TDesign::Changed, w,
                     [&](unsigned what) { sweeps += (what & dcMeasurement) != 0; });
    w->SweepOnce();
    ASSERT_TRUE(QTest::qWaitFor([&] { return sweeps == 1; }, 20000));
    EXPECT_EQ(Frame->Design().MeasurementName(), TDesign::LiveName());
    ExpectModel(*Frame->Design().Measured(), request);
    EXPECT_EQ(Frame->Chart()->Trace().size(), 51u);
    w->chkContinuous->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sweeps >= 3; }, 20000));
    w->chkContinuous->setChecked(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->Analyser()->Busy(); }, 20000));
    QTemporaryDir dir;
    w->SaveSweep(dir.filePath("live.s1p"));
    ExpectModel(ReadMeasurementFile(dir.filePath("live.s1p").toStdString()), request);

    fake.reset();
    w->SweepOnce();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->lbStatus->text().startsWith("Měření se nezdařilo"); }, 20000));
    ExpectModel(*Frame->Design().Measured(), request);

    // Continuous sweeps try again while it is away and go on once it is back.
    const QString link = dir.filePath("nanovna");
    auto back = StartFake(false, {"--link", link});
    ASSERT_TRUE(back);
    w->cbDevice->setEditText(link);
    w->chkContinuous->setChecked(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return sweeps >= 5; }, 20000));
    back.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w->lbStatus->text().contains("zkusím to znovu"); }, 20000));
    back = StartFake(false, {"--link", link});
    ASSERT_TRUE(back);
    const int before = sweeps;
    ASSERT_TRUE(QTest::qWaitFor([&] { return sweeps > before; }, 20000));
    w->chkContinuous->setChecked(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->Analyser()->Busy(); }, 20000));
    ExpectModel(*Frame->Design().Measured(), request);

    for (const char* points : {"1", "abc"}) {
        w->edPoints->setText(points);
        Guarded([w] { w->SweepOnce(); });
        EXPECT_EQ(TakeRecordedErrors().size(), 1);
    }
    w->cbDevice->setCurrentText("LibreVNA (TCP)");
    EXPECT_EQ(w->Target(), "tcp:localhost:19542");
    // Another window starts from the last sweep asked for.
    w->close();
    FlushDeferredDeletes();
    Frame->actAnalyser->trigger();
    EXPECT_EQ(Frame->AnalyserWindow()->Target().toStdString(), link.toStdString());
    EXPECT_EQ(Frame->AnalyserWindow()->edStop->text(), "9");
}
