// The feed line window driven through the frame: it opens with RG-213/U,
// follows a click, takes another line, gives its tuner's-end point to the
// chart as one step, and remembers its inputs.
#include "apperror.h"
#include "framefixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class FeedLineWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        MainWindowTest::SetUp();
    }
    QTemporaryDir Settings;
};

} // namespace

TEST_F(FeedLineWindowTest, ClickLineUseAsLoadUndoAndReopen) {
    ClickAt(Frame, {500, 300});
    const TCurrentStep clicked = Frame->CurrentStep();
    ASSERT_TRUE(clicked.Load);
    const QImage grid = Frame->Chart()->GridLayer().Image();
    Frame->actFeedLine->trigger();
    TfrmFeedLine* w = Frame->FeedLineWindow();
    ASSERT_NE(w, nullptr);
    // The spiral on the grid while the window is open, from the clicked load.
    ASSERT_GT(Frame->Chart()->LinePath().size(), 100u);
    EXPECT_LT(std::abs(Frame->Chart()->LinePath().front().Z() - clicked.Load->Z()), 1e-9);
    EXPECT_NE(Frame->Chart()->GridLayer().Image(), grid);
    EXPECT_EQ(w->cbLine->currentText(), "RG-213/U");
    EXPECT_EQ(w->edLength->text(), "30.000");
    EXPECT_TRUE(w->rbPointAntenna->isChecked() && w->rbTunerShack->isChecked());
    ASSERT_TRUE(w->Result());
    const TComplex shack =
        MoveThroughLine(*FindLine("RG-213/U"), clicked.FrequencyMHz, 30, clicked.Load->Z());
    EXPECT_LT(std::abs(w->Result()->TunerLoad.Z() - shack), 1e-9);

    w->cbLine->setCurrentText("Ecoflex 10");
    w->edLength->setText("12.5");
    w->ApplyInputs();
    EXPECT_EQ(w->Feed().Line.Name, "Ecoflex 10");
    // A line of one's own starts from the figures shown; a refused input is
    // one message, and the line stays as it was.
    w->cbLine->setCurrentText("vlastní");
    EXPECT_TRUE(w->Feed().Line.Name.empty());
    EXPECT_EQ(w->Feed().Line.VF, FindLine("Ecoflex 10")->VF);
    w->edVF->setText("1.5");
    Guarded([w] { w->ApplyInputs(); });
    EXPECT_EQ(TakeRecordedErrors().size(), 1);
    EXPECT_EQ(w->Feed().Line.VF, FindLine("Ecoflex 10")->VF);
    w->cbLine->setCurrentText("Ecoflex 10");
    const TLoad tuner = w->Result()->TunerLoad;

    QTest::mouseClick(w->btnUse, Qt::LeftButton);
    const TCurrentStep used = Frame->CurrentStep();
    ASSERT_TRUE(used.Load);
    EXPECT_NEAR(used.Load->R, tuner.R, 1e-9);
    EXPECT_NEAR(used.Load->X, tuner.X, 1e-9);
    EXPECT_EQ(used.FrequencyMHz, clicked.FrequencyMHz);
    Frame->Undo();
    EXPECT_EQ(Frame->CurrentStep().Load->Z(), clicked.Load->Z());
    EXPECT_EQ(Frame->CurrentStep().L, clicked.L);

    w->close();
    FlushDeferredDeletes();
    EXPECT_EQ(Frame->Chart()->GridLayer().Image(), grid);
    Frame->ShowFeedLineWindow();
    EXPECT_EQ(Frame->FeedLineWindow()->cbLine->currentText(), "Ecoflex 10");
    EXPECT_EQ(Frame->FeedLineWindow()->edLength->text(), "12.500");
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(FeedLineWindowTest, MeasurementMovedThroughTheLineUntilSwitchedBack) {
    QTemporaryDir dir;
    QFile file(dir.filePath("dipole.s1p"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# MHz Z RI R 1\n7.0 40 -15\n7.1 55 5\n7.2 60 15\n");
    file.close();
    Frame->ShowFeedLineWindow();
    TfrmFeedLine* w = Frame->FeedLineWindow();
    EXPECT_FALSE(w->chkMoveMeasurement->isEnabled());
    Frame->OpenMeasurement(file.fileName());
    const TTouchstone measured = *Frame->Measurement();
    ASSERT_TRUE(w->chkMoveMeasurement->isEnabled());
    w->chkMoveMeasurement->setChecked(true);
    const TTouchstone moved = MoveTrace(measured, w->Feed());
    ASSERT_EQ(Frame->Measurement()->Points.size(), moved.Points.size());
    for (std::size_t i = 0; i < moved.Points.size(); ++i) {
        EXPECT_EQ(Frame->Measurement()->Points[i].R, moved.Points[i].R);
        EXPECT_EQ(Frame->Chart()->Trace()[i].X, moved.Points[i].X);
    }
    w->chkMoveMeasurement->setChecked(false);
    EXPECT_EQ(Frame->Measurement()->Points[1].X, measured.Points[1].X);
    EXPECT_EQ(Frame->Chart()->Trace()[1].X, measured.Points[1].X);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

// A shack reading no antenna can give through the line is named and nothing
// is offered to the chart; a range message writes its bounds as a field takes them.
TEST_F(FeedLineWindowTest, RefusedShackReadingAndRangeMessages) {
    Frame->ShowFeedLineWindow();
    TfrmFeedLine* w = Frame->FeedLineWindow();
    w->cbLine->setCurrentText("RG-58C/U");
    w->edLength->setText("100");
    w->rbPointShack->setChecked(true);
    w->SetLoad({25, 0}, 28);
    EXPECT_FALSE(w->Result());
    EXPECT_FALSE(w->btnUse->isEnabled());
    EXPECT_TRUE(w->lbResult->text().contains(QStringLiteral("nemohl být naměřen u TRX")));
    EXPECT_TRUE(Frame->Chart()->LinePath().empty());
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());

    w->cbLine->setCurrentText("vlastní");
    for (auto [edit, text, range] : {std::tuple{w->edVF, "1.5", "od 0.1 do 1"},
                                     std::tuple{w->edFreq1, "0.0001", "od 0.001 do 100000 MHz"}}) {
        const QString kept = edit->text();
        edit->setText(QLatin1String(text));
        Guarded([w] { w->ApplyInputs(); });
        const QStringList errors = TakeRecordedErrors();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors[0].contains(QLatin1String(range))) << errors[0].toStdString();
        edit->setText(kept);
    }
}
