// "Ladicí člen" through the frame: it shows what the core tunes for the
// design's load and options, follows the step and the kind, refuses a bad
// range with one message and keeps the last good tuner, and remembers it.
#include "apperror.h"
#include "framefixture.h"
#include "numtext.h"

#include <QComboBox>
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
