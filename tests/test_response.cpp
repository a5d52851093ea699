// The SWR over frequency of a network designed at one frequency: the load
// models, the band edges against an independent dense scan, and the window.
#include "lcphysics.h"
#include "numtext.h"
#include "response.h"
#include "swrplot.h"

#include <QApplication>
#include <QChartView>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QStandardItemModel>
#include <QTest>
#include <complex>
#include <gtest/gtest.h>

namespace {

// The SWR that the network's parts present at f with load behind them,
// from the textbook formulas rather than the core's.
double IndependentSwr(const TLNetwork& n, TLoad load, double fMHz) {
    return InputSwr(LNetworkInput(n, {load.R, load.X}, fMHz));
}

// The first frequency, stepping from f0 by step up to fEnd, where the SWR exceeds limit.
std::optional<double> ScanEdge(const TLNetwork& n, TLoad load, double f0, double step, double fEnd,
                               double limit) {
    for (double f = f0; step > 0 ? f <= fEnd : f >= fEnd; f += step)
        if (IndependentSwr(n, load, f) > limit) return f - step / 2;
    return std::nullopt;
}

const TLoad Loads[] = {{25, -30}, {10, 40}, {200, 100}, {5, 80}, {150, -200}, {70, 20}, {2, -10}};

} // namespace

TEST(BandResponse, ConstantLoadEdgesMatchADenseScan) {
    for (const TLoad& load : Loads)
        for (const double f0 : {1.85, 7.1, 28.5}) {
            SCOPED_TRACE(testing::Message() << load.R << " " << load.X << " at " << f0);
            const TBandResponse r(load, f0, TLoadModel::Constant);
            for (const TSwrPoint& p : r.Sweep(0.5 * f0, 1.5 * f0, 51))
                EXPECT_NEAR(*p.Swr, IndependentSwr(r.Network(), load, p.FrequencyMHz),
                            1e-9 * *p.Swr);
            const double step = f0 * 1e-5;
            for (const double limit : {SwrLimitTight, SwrLimitLoose}) {
                const TBandEdges e = r.Edges(limit, 0.5 * f0, 1.5 * f0);
                const auto low = ScanEdge(r.Network(), load, f0, -step, 0.5 * f0, limit);
                const auto high = ScanEdge(r.Network(), load, f0, step, 1.5 * f0, limit);
                ASSERT_EQ(e.LowMHz.has_value(), low.has_value());
                ASSERT_EQ(e.HighMHz.has_value(), high.has_value());
                EXPECT_NEAR(e.LowMHz.value_or(0), low.value_or(0), step);
                EXPECT_NEAR(e.HighMHz.value_or(0), high.value_or(0), step);
            }
        }
}

TEST(BandResponse, LoadModels) {
    TTouchstone trace;
    trace.Points = {{6.0, 20, -50}, {7.0, 30, -10}, {8.0, 60, 30}};
    struct Case {
        TLoadModel model;
        TLoad load;
        double f;
        std::optional<TLoad> expected;
    };
    const TLoadModel C = TLoadModel::Constant, R = TLoadModel::Reactance, M = TLoadModel::Measured;
    const Case cases[] = {{C, {30, 40}, 14.0, TLoad{30, 40}},  {R, {30, 40}, 14.0, TLoad{30, 80}},
                          {R, {30, 40}, 3.5, TLoad{30, 20}},   {R, {30, -40}, 14.0, TLoad{30, -20}},
                          {R, {30, -40}, 3.5, TLoad{30, -80}}, {R, {30, 0}, 14.0, TLoad{30, 0}},
                          {M, {1, 1}, 6.0, TLoad{20, -50}},    {M, {1, 1}, 6.5, TLoad{25, -30}},
                          {M, {1, 1}, 7.75, TLoad{52.5, 20}},  {M, {1, 1}, 8.0, TLoad{60, 30}},
                          {M, {1, 1}, 5.999, std::nullopt},    {M, {1, 1}, 8.001, std::nullopt}};
    for (const Case& c : cases) {
        const TBandResponse r(c.load, 7.0, c.model, &trace);
        const std::optional<TLoad> at = r.LoadAt(c.f);
        SCOPED_TRACE(testing::Message() << int(c.model) << " at " << c.f);
        ASSERT_EQ(at.has_value(), c.expected.has_value());
        EXPECT_EQ(r.SwrAt(c.f).has_value(), c.expected.has_value());
        if (!at) continue;
        EXPECT_NEAR(at->R, c.expected->R, 1e-12);
        EXPECT_NEAR(at->X, c.expected->X, 1e-12);
    }
}

TEST(BandResponse, EdgesAbsentWhenNotReached) {
    // A matched load needs no parts: the SWR is 1 everywhere.
    const TBandEdges flat = TBandResponse({50, 0}, 7, TLoadModel::Constant).Edges(1.5, 3.5, 10.5);
    EXPECT_FALSE(flat.LowMHz || flat.HighMHz);
    // Within a span narrower than the band neither edge is reached; wider, both are.
    const TBandResponse wide({25, -30}, 7.0, TLoadModel::Constant);
    const TBandEdges narrow = wide.Edges(SwrLimitLoose, 6.9, 7.1);
    EXPECT_FALSE(narrow.LowMHz || narrow.HighMHz);
    const TBandEdges c = wide.Edges(SwrLimitTight, 3.5, 10.5);
    ASSERT_TRUE(c.Complete());
    // A measurement that ends inside the band leaves that edge unknown.
    TTouchstone trace;
    trace.Points = {{6.0, 25, -30}, {9.0, 25, -30}};
    const TBandEdges m =
        TBandResponse({25, -30}, 7, TLoadModel::Measured, &trace).Edges(1.5, 3.5, 10.5);
    EXPECT_FALSE(m.LowMHz);
    EXPECT_NEAR(m.HighMHz.value_or(0), *c.HighMHz, 1e-8);
    // Above the limit at f0 itself: no band at all.
    trace.Points = {{6.0, 200, 100}, {8.0, 200, 100}};
    const TBandEdges off =
        TBandResponse({25, -30}, 7, TLoadModel::Measured, &trace).Edges(2, 3.5, 10.5);
    EXPECT_FALSE(off.LowMHz || off.HighMHz);
}

TEST(SwrPlotWindow, FollowsDesignModelAndMeasurement) {
    TfrmSwrPlot w;
    w.SetDesign({25, -30}, 7.1);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    ASSERT_EQ(w.Curve().size(), size_t(TfrmSwrPlot::CurvePoints));
    EXPECT_NEAR(w.Curve().front().FrequencyMHz, 7.1 * 0.8, 1e-12);
    EXPECT_NEAR(w.Curve().back().FrequencyMHz, 7.1 * 1.2, 1e-12);
    EXPECT_FALSE(w.chartView->chart()->localizeNumbers());
    // The bandwidth text: the core's edges, "." whatever the locale.
    const TBandEdges e =
        TBandResponse({25, -30}, 7.1, TLoadModel::Constant).Edges(1.5, 7.1 * 0.8, 7.1 * 1.2);
    ASSERT_TRUE(e.Complete());
    EXPECT_TRUE(w.lbBandTight->text().startsWith(QStringLiteral("šířka pásma PSV ≤ 1.5: ") +
                                                 FormatFloat("#0.0", e.WidthKHz()) + " kHz (" +
                                                 FormatFloat("#0.00", e.WidthPercent(7.1)) + " %)"))
        << w.lbBandTight->text().toStdString();
    EXPECT_FALSE(w.lbBandTight->text().contains(QRegularExpression("\\d,\\d")));

    // Ctrl+C: one "f;SWR" line per point.
    QTest::keyClick(&w, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), TfrmSwrPlot::CurvePoints);
    for (int i = 0; i < lines.size(); i += 100) {
        const QStringList f = lines[i].split(u';');
        ASSERT_EQ(f.size(), 2) << lines[i].toStdString();
        EXPECT_NEAR(StrToFloat(f[0]), w.Curve()[size_t(i)].FrequencyMHz, 5e-7);
        EXPECT_NEAR(StrToFloat(f[1]), *w.Curve()[size_t(i)].Swr, 5e-4);
    }

    // Without a measurement its model cannot be chosen; the others can.
    auto* items = qobject_cast<QStandardItemModel*>(w.cbModel->model());
    const int measuredRow = w.cbModel->findData(int(TLoadModel::Measured));
    EXPECT_FALSE(items->item(measuredRow)->isEnabled());
    const double constantEnd = *w.Curve().back().Swr;
    w.cbModel->setCurrentIndex(w.cbModel->findData(int(TLoadModel::Reactance)));
    EXPECT_EQ(w.Model(), TLoadModel::Reactance);
    EXPECT_GT(*w.Curve().back().Swr, constantEnd); // the capacitor's X runs away from the match

    TTouchstone trace;
    trace.Points = {{6.5, 25, -30}, {7.5, 25, -30}};
    w.SetMeasurement(&trace);
    trace.Points.clear(); // the window keeps its own copy
    EXPECT_EQ(w.Model(), TLoadModel::Measured);
    EXPECT_TRUE(items->item(measuredRow)->isEnabled());
    const auto missing = std::count_if(w.Curve().begin(), w.Curve().end(),
                                       [](const TSwrPoint& p) { return !p.Swr; });
    EXPECT_GT(missing, 0);
    EXPECT_LT(missing, TfrmSwrPlot::CurvePoints);
    w.SetMeasurement(nullptr);
    EXPECT_EQ(w.cbModel->currentData().toInt(), int(TLoadModel::Constant));

    // Frequencies far outside the radio range still give finite curves and texts.
    for (const double f : {5e-324, 1e-300, 1e-9, 1e9, 1e300, 1.7e308}) {
        w.SetDesign({5, 80}, f);
        for (const TSwrPoint& p : w.Curve())
            ASSERT_TRUE(!p.Swr || std::isfinite(*p.Swr)) << f;
        const QString texts = w.lbDesign->text() + w.lbBandTight->text() + w.lbBandLoose->text();
        EXPECT_FALSE(texts.contains("inf", Qt::CaseInsensitive) || texts.contains("nan"))
            << texts.toStdString();
    }
}
