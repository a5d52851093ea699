// The network details window driven through the frame: it follows clicks and
// the frequency, shows the chart's network as the panel does, copies as text.
#include "framefixture.h"
#include "numtext.h"
#include "testsupport.h"

#include <QComboBox>
#include <QSettings>
#include <QTemporaryDir>

namespace {

class NetworkWindowTest : public MainWindowTest {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        MainWindowTest::SetUp();
    }
    // The chart's row shows what the panel shows, to the printed digit.
    void ExpectPanelValues() {
        TfrmNetwork* w = Frame->NetworkWindow();
        ASSERT_NE(w, nullptr);
        ASSERT_FALSE(w->Reports().empty());
        const TLNetwork& n = w->Reports().front().Network;
        EXPECT_TRUE(n.Chart);
        EXPECT_EQ(n.Arrangement == TArrangement::ShuntAtLoad, Frame->chkC->isChecked());
        EXPECT_EQ(FormatFloat("#0.000", n.Series.Present() ? n.Series.Value : 0.0),
                  Frame->edL->text());
        EXPECT_EQ(FormatFloat("#0.0", n.Shunt.Present() ? n.Shunt.Value : 0.0), Frame->edC->text());
    }
    QTemporaryDir Settings;
};

} // namespace

TEST_F(NetworkWindowTest, FollowsClicksAndFrequency) {
    ClickAt(Frame, {600, 250});
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Síť"));
    EXPECT_DOUBLE_EQ(w->FrequencyMHz(), 7.0);
    ExpectPanelValues();
    for (const QPoint p : {QPoint(300, 500), QPoint(250, 200), QPoint(450, 420)}) {
        ClickAt(Frame, p);
        ExpectPanelValues();
    }
    const double l7 = w->Reports().front().Network.Series.Value;
    // A typed frequency takes effect at the next click, as in the panel.
    Frame->edFR->setText(QStringLiteral("14"));
    emit Frame->edFR->editingFinished();
    EXPECT_DOUBLE_EQ(w->FrequencyMHz(), 7.0);
    ClickAt(Frame, {450, 420});
    EXPECT_DOUBLE_EQ(w->FrequencyMHz(), 14.0);
    EXPECT_NEAR(w->Reports().front().Network.Series.Value, l7 / 2, 1e-12 * l7);
    // One window at a time.
    Frame->actNetworkDetails->trigger();
    EXPECT_EQ(Frame->NetworkWindow(), w);

    const QStringList lines = w->ContentText().split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1 + int(w->Reports().size()));
    for (const QString& line : lines) {
        EXPECT_EQ(line.count(u'\t'), lines.front().count(u'\t'));
        EXPECT_FALSE(line.contains(u',')) << line.toStdString();
    }
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(NetworkWindowTest, BadInputsChangeNothingAndGoodOnesAreRemembered) {
    ClickAt(Frame, {300, 500});
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    const double before = w->Reports().front().Stress.Efficiency;
    for (const char* bad : {"abc", "0", "-5", "1,5", ""}) {
        w->edQCoil->setText(QLatin1String(bad));
        emit w->edQCoil->editingFinished();
        EXPECT_EQ(TakeRecordedErrors().size(), 1) << bad;
        EXPECT_EQ(w->Options().Q.Coil, 200.0);
        EXPECT_EQ(w->Reports().front().Stress.Efficiency, before);
    }
    w->edQCoil->setText(QStringLiteral("50"));
    w->edPower->setText(QStringLiteral("1500"));
    w->cbSeries->setCurrentIndex(w->cbSeries->findText(QStringLiteral("E96")));
    emit w->edPower->editingFinished();
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_LT(w->Reports().front().Stress.Efficiency, before);
    w->close();
    delete w;

    TfrmNetwork again;
    EXPECT_EQ(again.Options().Q.Coil, 50.0);
    EXPECT_EQ(again.Options().PowerW, 1500.0);
    EXPECT_EQ(again.Options().Series, TESeries::E96);
}
