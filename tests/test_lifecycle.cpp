// The program's lifetime: closing the main window ends it whatever is still
// open, and a long session leaves nothing behind (the sanitizer build checks
// for leaks when this process exits).
#include "framefixture.h"
#include "testsupport.h"

#include <QApplication>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <random>

namespace {

TEST(Lifecycle, ClosingTheMainWindowEndsTheProgramWhileDataWindowsAreOpen) {
    std::unique_ptr<TForm1> form = ShowMainWindow();
    ASSERT_NE(form->FTunerFrame, nullptr);
    TvSmithChart* frame = form->FTunerFrame;
    frame->Button1Click();
    frame->Button1Click();
    ASSERT_TRUE(TakeRecordedErrors().isEmpty());
    QList<QPointer<QWidget>> dataWindows;
    for (TfrmData* w : AllDataWindows())
        if (w->isVisible()) dataWindows.append(w);
    ASSERT_EQ(dataWindows.size(), 2);

    // The application quits by itself only from its running event loop.
    QSignalSpy lastClosed(qApp, &QGuiApplication::lastWindowClosed);
    QTimer::singleShot(0, form.get(), [main = form.get()] { main->close(); });
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(2); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(lastClosed.count(), 1);
    form.reset();
    for (const QPointer<QWidget>& w : dataWindows)
        EXPECT_TRUE(w.isNull());
}

TEST(Lifecycle, TenThousandClicksOnOneChartThenClosing) {
    std::unique_ptr<TForm1> form = ShowMainWindow();
    TvSmithChart* frame = form->FTunerFrame;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> dx(-340, 340), dy(-340, 340);
    int solved = 0, matched = 0;
    for (int i = 0; i < 10000; ++i) {
        const int x = dx(random), y = dy(random);
        if (frame->SolveAtPixel(411 + x, 356 + y)) ++solved;
        if (x == 0 && y == 0) ++matched;
    }
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    EXPECT_GT(solved, 9900);
    // Every solved click leaves a blue and a red marker; all but a matched load an arc.
    EXPECT_EQ(frame->Chart()->Markers().size(), size_t(2 * solved));
    EXPECT_EQ(frame->Chart()->Arcs().size(), size_t(solved - matched));
    QPointer<TvSmithChart> watched(frame);
    form->close();
    form.reset();
    EXPECT_TRUE(watched.isNull());
}

} // namespace
