// "Ladicí člen" through the frame: it shows what the core tunes for the
// design's load and options, follows the step and the kind, refuses a bad
// range with one message and keeps the last good tuner, and remembers it.
#include "apperror.h"
#include "bandtable.h"
#include "bandtablewindow.h"
#include "designpage.h"
#include "framefixture.h"
#include "numtext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPointer>
#include <QLineEdit>
#include <QSettings>
#include <QTableWidget>
#include <QTemporaryDir>

namespace {

class TunerWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        MainWindowTest::SetUp();
    }
    QTemporaryDir Settings;
};

// The window's report is the core's for the design's load at its frequency.
void ExpectCoreReport(TvSmithChart* frame) {
    TfrmTuner* w = frame->TunerWindow();
    const TCurrentStep& step = frame->Design().Step();
    ASSERT_TRUE(w->Tuner() && w->Report() && step.Load);
    const TDesignOptions& o = frame->Design().Options();
    const TTunerReport core =
        TuneLoad({*w->Tuner(), step.FrequencyMHz, o.Z0, o.Q}, *step.Load, o.PowerW);
    EXPECT_EQ(w->Report()->Reachable, core.Reachable);
    EXPECT_EQ(w->Report()->LeastLoss.COutPf, core.LeastLoss.COutPf);
    EXPECT_EQ(w->Report()->LeastL.LUh, core.LeastL.LUh);
    if (core.Reachable)
        EXPECT_EQ(w->tbSettings->item(0, 3)->text(), Fmt("#0.000", core.LeastLoss.LossDb));
    else
        EXPECT_TRUE(w->lbResult->text().contains(ShownSwrText(core.NearestSwr)));
}

} // namespace

TEST_F(TunerWindowTest, FollowsTheDesignRefusesBadRangesAndRemembers) {
    Frame->actTuner->trigger();
    TfrmTuner* w = Frame->TunerWindow();
    ASSERT_NE(w, nullptr);
    // A 250 pF / 30 µH T first.
    EXPECT_EQ(w->cbKind->currentIndex(), 1);
    EXPECT_EQ(w->edCOutMax->text(), "250.0");
    const struct {
        const char* What;
        std::function<void()> Act;
    } steps[] = {
        {"click", [&] { Frame->TakeLoad({12, 35}, 3.7); }},
        {"frequency", [&] { Frame->TakeLoad({12, 35}, 28); }},
        {"out of reach", [&] { Frame->TakeLoad({0.5, -900}, 1.85); }},
        {"pi",
         [&] {
             Frame->TakeLoad({300, 150}, 7.1);
             w->cbKind->setCurrentIndex(2);
         }},
        {"bad range",
         [&] {
             w->edLMin->setText("40");
             Guarded([w] { w->ApplyInputs(); });
             EXPECT_EQ(TakeRecordedErrors().size(), 1);
             EXPECT_EQ(w->Tuner()->L.Min, 0.1);
             w->edLMin->setText("0.2");
             w->ApplyInputs();
         }},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.What);
        s.Act();
        EXPECT_TRUE(TakeRecordedErrors().isEmpty());
        ExpectCoreReport(Frame);
        EXPECT_FALSE(w->pbFamily->Family().empty());
    }
    // The page names the tuner and its least-loss setting while the window is open.
    EXPECT_TRUE(SourceLinesCs(Frame->DesignPage()).join(u'\n').contains(
        QStringLiteral("Ladicí člen Π (dolní propust), C vstup 10.0–250.0 pF, L 0.200–30.000 uH")));
    // The L networks: the chart's network in words, no table.
    w->cbKind->setCurrentIndex(0);
    EXPECT_FALSE(w->Tuner());
    EXPECT_TRUE(w->lbResult->text().contains("síť L (graf)"));
    EXPECT_TRUE(w->tbSettings->isHidden());
    // Another window opens as this one was left; the Pi's ranges come back with it.
    w->cbKind->setCurrentIndex(2);
    w->close();
    FlushDeferredDeletes();
    Frame->actTuner->trigger();
    ASSERT_TRUE(Frame->TunerWindow()->Tuner());
    EXPECT_EQ(Frame->TunerWindow()->Tuner()->Kind, TTunerKind::Pi);
    EXPECT_EQ(Frame->TunerWindow()->Tuner()->L.Min, 0.2);
}

// "pokrytí": the region appears beneath the annotations, follows the
// frequency, agrees with the core cell by cell, and goes when unticked.
TEST_F(TunerWindowTest, CoverageShadedBeneathTheAnnotationsFollowsTheFrequency) {
    Frame->TakeLoad({600, 300}, 3.7);
    const QImage grid = Frame->Chart()->GridLayer().Image();
    const QImage markers = Frame->Chart()->MarkerLayer().Image();
    Frame->actTuner->trigger();
    TfrmTuner* w = Frame->TunerWindow();
    std::shared_ptr<const TCoverageGrid> before;
    for (const double f : {3.7, 28.0}) {
        SCOPED_TRACE(f);
        Frame->TakeLoad({600, 300}, f);
        w->chkCoverage->setChecked(true);
        w->WaitForCoverage();
        const std::shared_ptr<const TCoverageGrid> shown = Frame->Design().Coverage();
        ASSERT_TRUE(shown && Frame->Chart()->HasCoverage());
        EXPECT_EQ(Frame->Design().CoverageStride(), 1);
        EXPECT_NE(shown, before);
        EXPECT_NE(Frame->Chart()->GridLayer().Image(), grid);
        EXPECT_EQ(Frame->Chart()->MarkerLayer().Image(), markers);
        const TDesignOptions& o = Frame->Design().Options();
        const TTunerProblem problem{*w->Tuner(), f, o.Z0, o.Q};
        for (const auto& [i, j] : {std::pair{328, 328}, std::pair{100, 400}, std::pair{600, 300}}) {
            const TCoverageCell core = CoverageAt(problem, CoverageGamma(shown->N, i, j));
            EXPECT_EQ(shown->At(i, j).Reachable, core.Reachable);
            EXPECT_EQ(shown->At(i, j).LeastLossDb, core.LeastLossDb);
        }
        before = shown;
    }
    w->chkCoverage->setChecked(false);
    EXPECT_FALSE(Frame->Design().Coverage());
    Frame->TakeLoad({600, 300}, 3.7);
    EXPECT_EQ(Frame->Chart()->GridLayer().Image(), grid);
}

// With a measurement: "Ladicí člen v pásmu" lists the core's row for every
// point, the rings on the chart are exactly its unmatched rows, and both go
// with the T.
TEST_F(TunerWindowTest, BandRowsAndRingsAgreeAndGoWithTheTuner) {
    QTemporaryDir dir;
    QFile file(dir.filePath("band.s1p"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# MHz Z RI R 1\n0 50 0\n1.85 0.5 -900\n3.7 12 35\n7.1 55 5\n14.2 300 150\n"
               "28 600 300\n29 2 -2000\n");
    file.close();
    Frame->OpenMeasurement(file.fileName());
    EXPECT_FALSE(Frame->actTunerBand->isEnabled());
    Frame->actTuner->trigger();
    TfrmTuner* w = Frame->TunerWindow();
    Frame->TakeLoad({55, 5}, 7.1);
    ASSERT_TRUE(Frame->actTunerBand->isEnabled());
    const QPointer<TfrmBandTable> table = Frame->ShowTunerBand();
    const TBandTableModel* model = table->Model();
    const std::vector<TTouchstonePoint>& points = Frame->Design().Shown()->Points;
    ASSERT_EQ(model->rowCount(), int(points.size()));
    std::vector<TLoad> unmatched;
    for (int r = 0; r < model->rowCount(); ++r) {
        const TTunerBandCells core = TunerBandCells(points[size_t(r)], *w->Tuner(),
                                                    Frame->Design().Options());
        for (int c = 0; c < model->columnCount(); ++c)
            EXPECT_EQ(model->data(model->index(r, c), Qt::DisplayRole).toString().toStdString(),
                      core[size_t(c)]);
        if (core[4] == "0") unmatched.push_back({points[size_t(r)].R, points[size_t(r)].X});
    }
    ASSERT_FALSE(unmatched.empty());
    ASSERT_LT(unmatched.size(), points.size() - 1);
    w->chkCoverage->setChecked(true);
    w->WaitForCoverage();
    const std::vector<TLoad>& rings = Frame->Design().Unmatched();
    ASSERT_EQ(rings.size(), unmatched.size());
    for (size_t i = 0; i < rings.size(); ++i)
        EXPECT_TRUE(rings[i].R == unmatched[i].R && rings[i].X == unmatched[i].X);
    EXPECT_TRUE(table->SelectionText().startsWith("f [MHz]\tR\tX\tPSV\tpřizpůsobí\tC vstup [pF]"));
    // New points under the same map: the map is kept, only the rings follow.
    const std::shared_ptr<const TCoverageGrid> map = Frame->Design().Coverage();
    TTouchstone other = *Frame->Design().Measured();
    other.Points.resize(3);
    Frame->Design().ShowLiveSweep(other);
    w->WaitForCoverage();
    EXPECT_EQ(Frame->Design().Coverage(), map);
    const TDesignOptions& o = Frame->Design().Options();
    EXPECT_EQ(Frame->Design().Unmatched().size(),
              UnmatchedPoints({*w->Tuner(), 7.1, o.Z0, o.Q}, other.Points).size());
    EXPECT_LT(Frame->Design().Unmatched().size(), unmatched.size());
    w->cbKind->setCurrentIndex(0);
    FlushDeferredDeletes();
    EXPECT_TRUE(table.isNull());
    EXPECT_FALSE(Frame->actTunerBand->isEnabled());
    EXPECT_TRUE(Frame->Design().Unmatched().empty());
}
