// The tuner-design envelope: a brute-force pass over the chart's own networks,
// the physics at the circle's extreme points, and the window driven in process.
#include "chartgeometry.h"
#include "envelope.h"
#include "numtext.h"
#include "testsupport.h"
#include "tunerdesign.h"

#include <QApplication>
#include <QClipboard>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

constexpr TQuality Parts{200.0, 1000.0};
constexpr double Power = 100.0;

// The same pass written out plainly: the chart's network at every degree,
// the first of equal extremes kept.
TBandEnvelope BruteForce(double swr, double f) {
    TBandEnvelope b;
    b.FrequencyMHz = f;
    bool first = true;
    for (int angle = -179; angle <= 180; ++angle) {
        const TImpedance z = ChartGammaToImpedance(angle, ChartMagnitude(swr));
        const TLoad load{z.R, z.X};
        const TLNetwork net = ChartNetwork(load, f);
        EXPECT_TRUE(net.Chart) << "angle " << angle;
        // Lossless, the chart's parts put 50 + j0 ohms before the transmitter.
        const TComplex zin = InputImpedance(net, load, f);
        EXPECT_NEAR(zin.real(), 50.0, 1e-6 * (1 + std::abs(zin))) << "angle " << angle;
        EXPECT_NEAR(zin.imag(), 0.0, 1e-6 * (1 + std::abs(zin))) << "angle " << angle;
        const TStress s = NetworkStress(net, load, f, Parts, Power, 50.0);
        double l = 0, c = 0;
        for (const TElement& e : {net.Series, net.Shunt}) {
            if (e.Kind == TElementKind::Coil) l = std::max(l, e.Value);
            if (e.Kind == TElementKind::Capacitor) c = std::max(c, e.Value);
        }
        auto keep = [&](TEnvelopeExtreme& x, double v, bool lower) {
            if (first || (lower ? v < x.Value : v > x.Value)) x = {v, angle, f};
        };
        keep(b.LMin, l, true);
        keep(b.LMax, l, false);
        keep(b.CMin, c, true);
        keep(b.CMax, c, false);
        keep(b.ShuntPeakVMax, s.ShuntPeakV, false);
        keep(b.SeriesRmsAMax, s.SeriesRmsA, false);
        keep(b.EfficiencyMin, s.Efficiency, true);
        ++(net.Arrangement == TArrangement::SeriesAtLoad ? b.LcCount : b.ClCount);
        first = false;
    }
    return b;
}

void ExpectSameExtreme(const TEnvelopeExtreme& a, const TEnvelopeExtreme& b, const char* what) {
    EXPECT_EQ(a.Value, b.Value) << what;
    EXPECT_EQ(a.Angle, b.Angle) << what;
    EXPECT_EQ(a.FrequencyMHz, b.FrequencyMHz) << what;
}

void ExpectSameBand(const TBandEnvelope& a, const TBandEnvelope& b) {
    ExpectSameExtreme(a.LMin, b.LMin, "L min");
    ExpectSameExtreme(a.LMax, b.LMax, "L max");
    ExpectSameExtreme(a.CMin, b.CMin, "C min");
    ExpectSameExtreme(a.CMax, b.CMax, "C max");
    ExpectSameExtreme(a.ShuntPeakVMax, b.ShuntPeakVMax, "shunt V");
    ExpectSameExtreme(a.SeriesRmsAMax, b.SeriesRmsAMax, "series A");
    ExpectSameExtreme(a.EfficiencyMin, b.EfficiencyMin, "efficiency");
    EXPECT_EQ(a.LcCount, b.LcCount);
    EXPECT_EQ(a.ClCount, b.ClCount);
    EXPECT_EQ(a.Unmatched, b.Unmatched);
}

const double Swrs[] = {1.0, 1.0 + 1e-9, 1.5, 3.0, 10.0, 50.0};

} // namespace

TEST(Envelope, EqualsABruteForcePassOverTheChartsNetworks) {
    for (const double swr : Swrs)
        for (const double f : {1.85, 14.175, 50.15}) {
            SCOPED_TRACE(testing::Message() << "SWR " << swr << ", " << f << " MHz");
            ExpectSameBand(BandEnvelope(swr, f, Power, Parts), BruteForce(swr, f));
        }
}

TEST(Envelope, ExtremesFollowTheCirclesClosedForms) {
    // The largest coil matches the real load 50·S (at 0°, CL): X = 50·√(S−1);
    // the largest capacitor the real load 50/S (at 180°, LC): B = √(S−1)/50.
    // The highest voltage stands across the capacitor at 50·S ohms, the
    // highest current flows into 50/S ohms; losses take a little off both
    // (and lift the input resistance a hair above 50 ohms).
    for (const double swr : {1.0 + 1e-12, 1.0 + 1e-10, 1.0 + 1e-9, 1.0 + 1e-6, 1.01, 1.5, 3.0, 10.0, 50.0})
        for (const double f : {1.85, 50.15}) {
            SCOPED_TRACE(testing::Message() << "SWR " << swr << ", " << f << " MHz");
            const TBandEnvelope b = BandEnvelope(swr, f, Power, Parts);
            const double w = 2 * M_PI * f, root = std::sqrt(swr - 1);
            // S − 1 itself carries the rounding of S when S is that close to 1.
            const double tol = swr - 1 < 1e-9 ? 1e-3 : 1e-6;
            EXPECT_NEAR(b.LMax.Value * w / (50 * root), 1.0, tol);
            EXPECT_NEAR(b.CMax.Value * 1e-6 * w / (root / 50), 1.0, tol);
            if (swr - 1 > 1e-9) {
                EXPECT_EQ(b.LMax.Angle, 0);
                EXPECT_EQ(b.CMax.Angle, 180);
            }
            const double v = std::sqrt(2 * Power * 50 * swr), i = std::sqrt(Power * swr / 50);
            EXPECT_LE(b.ShuntPeakVMax.Value, v * (1 + 1e-4));
            EXPECT_GE(b.ShuntPeakVMax.Value, v * 0.97);
            EXPECT_LE(b.SeriesRmsAMax.Value, i * (1 + 1e-4));
            EXPECT_GE(b.SeriesRmsAMax.Value, i * 0.97);
            EXPECT_GT(b.EfficiencyMin.Value, 0.8);
            EXPECT_LE(b.EfficiencyMin.Value, 1.0);
            EXPECT_EQ(b.LcCount + b.ClCount, EnvelopeAngles);
            EXPECT_EQ(b.Unmatched, 0);
        }
}

TEST(Envelope, AMatchedCircleNeedsNoParts) {
    const TBandEnvelope b = BandEnvelope(1.0, 3.65, Power, Parts);
    for (const TEnvelopeExtreme* e :
         {&b.LMin, &b.LMax, &b.CMin, &b.CMax, &b.ShuntPeakVMax, &b.SeriesRmsAMax})
        EXPECT_EQ(e->Value, 0.0);
    EXPECT_EQ(b.EfficiencyMin.Value, 1.0);
    EXPECT_EQ(b.LcCount + b.ClCount, EnvelopeAngles);
    EXPECT_EQ(b.Unmatched, 0);
}

TEST(Envelope, ALargerCircleNeverNeedsSmallerParts) {
    for (const double f : DefaultEnvelopeBands()) {
        TBandEnvelope previous = BandEnvelope(1.0, f, Power, Parts);
        for (const double swr : {1.01, 1.1, 1.5, 2.0, 3.0, 5.0, 10.0, 20.0, 50.0, 200.0}) {
            const TBandEnvelope b = BandEnvelope(swr, f, Power, Parts);
            EXPECT_GE(b.LMax.Value, previous.LMax.Value) << f << " MHz, SWR " << swr;
            EXPECT_GE(b.CMax.Value, previous.CMax.Value) << f << " MHz, SWR " << swr;
            previous = b;
        }
    }
}

TEST(Envelope, TotalIsTheExtremeOverTheBands) {
    const std::vector<TBandEnvelope> bands = Envelope(4.2, DefaultEnvelopeBands(), Power, Parts);
    ASSERT_EQ(bands.size(), DefaultEnvelopeBands().size());
    const TBandEnvelope total = EnvelopeTotal(bands);
    // Coils and capacitors scale as 1/f: the lowest band needs the largest.
    EXPECT_EQ(total.LMax.FrequencyMHz, 1.85);
    EXPECT_EQ(total.CMax.FrequencyMHz, 1.85);
    EXPECT_EQ(total.LcCount + total.ClCount, EnvelopeAngles * int(bands.size()));
    for (const TBandEnvelope& b : bands) {
        EXPECT_LE(total.LMin.Value, b.LMin.Value);
        EXPECT_GE(total.LMax.Value, b.LMax.Value);
        EXPECT_LE(total.CMin.Value, b.CMin.Value);
        EXPECT_GE(total.CMax.Value, b.CMax.Value);
        EXPECT_GE(total.ShuntPeakVMax.Value, b.ShuntPeakVMax.Value);
        EXPECT_GE(total.SeriesRmsAMax.Value, b.SeriesRmsAMax.Value);
        EXPECT_LE(total.EfficiencyMin.Value, b.EfficiencyMin.Value);
    }
    // A single band is its own total.
    const std::vector<TBandEnvelope> one = Envelope(4.2, {7.1}, Power, Parts);
    ASSERT_EQ(one.size(), 1u);
    TBandEnvelope single = EnvelopeTotal(one);
    single.FrequencyMHz = 7.1;
    ExpectSameBand(single, one[0]);
}

TEST(Envelope, RefusesInputsItCannotMeasure) {
    const double nan = std::nan(""), inf = HUGE_VAL;
    struct TCase {
        double Swr;
        std::vector<double> Bands;
        double Power;
        TQuality Q;
    } cases[] = {
        {0.99, {7.1}, 100, Parts},   {nan, {7.1}, 100, Parts}, {inf, {7.1}, 100, Parts},
        {1e300, {7.1}, 100, Parts},  {2, {}, 100, Parts},      {2, {7.1, 0}, 100, Parts},
        {2, {-3.65}, 100, Parts},    {2, {nan}, 100, Parts},   {2, {inf}, 100, Parts},
        {2, {7.1}, 0, Parts},        {2, {7.1}, inf, Parts},   {2, {7.1}, 100, {0, 1000}},
        {2, {7.1}, 100, {200, nan}},
    };
    for (const TCase& c : cases)
        EXPECT_THROW(Envelope(c.Swr, c.Bands, c.Power, c.Q), std::invalid_argument)
            << c.Swr << " " << c.Bands.size() << " " << c.Power;
    EXPECT_NO_THROW(Envelope(2, {7.1}, 100, Lossless));
}

// ---- The window ----

namespace {

QStringList Lines(const QString& text) {
    return text.split(u'\n', Qt::SkipEmptyParts);
}

void Confirm(QLineEdit* edit, const QString& text) {
    edit->setText(text);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

TEST(TunerDesign, ShowsOneRowABandAndTheTotal) {
    TakeRecordedErrors();
    TfrmTunerDesign form(QStringLiteral("3"), 200, 1000);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Návrh ladicího členu"));
    ASSERT_EQ(form.sgEnvelope->rowCount(), 11);
    EXPECT_EQ(form.sgEnvelope->item(10, 0)->text(), QStringLiteral("celkem"));
    // The window shows what the core computes, in the program's number format.
    const TBandEnvelope b = BandEnvelope(3, 1.85, 100, {200, 1000});
    EXPECT_EQ(form.sgEnvelope->item(0, 0)->text(), QStringLiteral("1.85"));
    EXPECT_EQ(form.sgEnvelope->item(0, 2)->text(),
              FormatFloat(QStringLiteral("#0.000"), b.LMax.Value));
    EXPECT_EQ(form.sgEnvelope->item(0, 4)->text(),
              FormatFloat(QStringLiteral("#0.0"), b.CMax.Value));

    const QStringList lines = Lines(form.TableText());
    ASSERT_EQ(lines.size(), 12);
    EXPECT_EQ(lines[0], QStringLiteral("kmitočet [MHz]\tL min [uH]\tL max [uH]\tC min [pF]\tC max "
                                       "[pF]\tnapětí max [V]\tproud max [A]\túčinnost min [%]\tLC/CL"));
    for (const QString& line : lines) {
        EXPECT_EQ(line.count(u'\t'), 8) << line.toStdString();
        EXPECT_FALSE(line.contains(u',') || line.contains(QStringLiteral("nan")) ||
                     line.contains(QStringLiteral("inf")))
            << line.toStdString();
    }

    Confirm(form.edBands, QStringLiteral("7.1, 14.175;50.15"));
    EXPECT_EQ(form.sgEnvelope->rowCount(), 4);
    ASSERT_EQ(form.Bands().size(), 3u);
    EXPECT_EQ(form.Bands()[2].FrequencyMHz, 50.15);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST(TunerDesign, CtrlACtrlCCopiesTheTable) {
    TfrmTunerDesign form(QStringLiteral("2"), 200, 1000);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QApplication::clipboard()->clear();
    QTest::keyClick(form.sgEnvelope, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(form.sgEnvelope, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), form.TableText());
    EXPECT_EQ(Lines(QApplication::clipboard()->text()).size(), 12);
    // One row selected: the header and that row.
    form.sgEnvelope->clearSelection();
    form.sgEnvelope->selectRow(3);
    QTest::keyClick(form.sgEnvelope, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = Lines(QApplication::clipboard()->text());
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("10.125\t")));
    form.close();
}

TEST(TunerDesign, BadInputChangesNothingAndReportsOnce) {
    struct TCase {
        QLineEdit* TfrmTunerDesign::*Edit;
        const char* Text;
    } cases[] = {
        {&TfrmTunerDesign::edPSV, "abc"},      {&TfrmTunerDesign::edPSV, "0.5"},
        {&TfrmTunerDesign::edPSV, "1e300"},    {&TfrmTunerDesign::edPower, "0"},
        {&TfrmTunerDesign::edQL, "-200"},      {&TfrmTunerDesign::edQC, "4,2"},
        {&TfrmTunerDesign::edBands, ""},       {&TfrmTunerDesign::edBands, "7.1, 0"},
        {&TfrmTunerDesign::edBands, "7.1, x"},
    };
    TfrmTunerDesign form(QStringLiteral("4.2"), 200, 1000);
    const QString good = form.TableText();
    TakeRecordedErrors();
    for (const TCase& c : cases) {
        QLineEdit* edit = form.*c.Edit;
        const QString before = edit->text();
        Confirm(edit, QString::fromUtf8(c.Text));
        EXPECT_EQ(form.TableText(), good) << c.Text;
        EXPECT_EQ(TakeRecordedErrors().size(), 1) << c.Text;
        Confirm(edit, before);
        EXPECT_TRUE(TakeRecordedErrors().isEmpty()) << c.Text;
    }
    // A bad PSV handed over by the panel opens an empty table and says so once.
    TfrmTunerDesign bad(QStringLiteral("4,2"), 200, 1000);
    EXPECT_EQ(bad.sgEnvelope->rowCount(), 0);
    EXPECT_EQ(TakeRecordedErrors(),
              QStringList{QStringLiteral("'4,2' is not a valid floating point value.")});
}
