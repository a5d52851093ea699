// The tool windows in docks around the chart: on every screen the suite runs
// on (ctest: a desktop, two laptops, two HiDPI scales) the chart's disc, the
// menu bar and the panel stay whole and uncovered, and the docks come back
// where they were after a restart.
#include "framefixture.h"

#include <QCheckBox>
#include <QClipboard>
#include <QDockWidget>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <map>

namespace {

class DockingTest : public MainWindowTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Settings.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        MainWindowTest::SetUp();
    }
    // The frame's rectangle of the disc, in the main window's pixels.
    QRect DiscInForm() const {
        const TSmithChart& c = *Frame->Chart();
        const int r = c.Radius();
        return QRect(Frame->pbSmith->mapTo(Form.get(), QPoint(c.CenterX() - r, c.CenterY() - r)),
                     QSize(2 * r + 1, 2 * r + 1));
    }
    QList<QDockWidget*> OpenDocks() const {
        QList<QDockWidget*> open;
        for (QDockWidget* d : Form->findChildren<QDockWidget*>())
            if (!d->isHidden()) open << d;
        return open;
    }
    QTemporaryDir Settings;
};

} // namespace

TEST_F(DockingTest, SitNapajecAndSwrPlotDockedLeaveTheDiscMenuAndPanelWholeAndUncovered) {
    const QRect area = Form->screen()->availableGeometry();
    ClickAt(Frame, QPoint(Frame->Chart()->CenterX() + 80, Frame->Chart()->CenterY() - 60));
    QCoreApplication::processEvents();
    const QRect frameBefore = Frame->geometry();
    const QImage pictureBefore = Frame->Picture();
    const QRect disc = DiscInForm();
    const QImage discBefore = Form->grab(disc).toImage();

    Frame->actNetworkDetails->trigger();
    Frame->NetworkWindow()->chkParts->setChecked(true);
    Frame->actSwrPlot->trigger();
    QCoreApplication::processEvents();
    // Síť and the plot leave the chart's picture and its place on the screen as they were.
    EXPECT_EQ(Frame->size(), frameBefore.size());
    EXPECT_EQ(Frame->Picture(), pictureBefore);
    EXPECT_EQ(DiscInForm().size(), disc.size());
    EXPECT_EQ(Form->grab(DiscInForm()).toImage(), discBefore);

    // The feed line draws its spiral on the chart: from here on, only where things are.
    Frame->actFeedLine->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(Frame->size(), frameBefore.size());
    ASSERT_EQ(OpenDocks().size(), 3);
    for (TToolWindow* w : std::initializer_list<TToolWindow*>{
             Frame->NetworkWindow(), Frame->SwrPlot(), Frame->FeedLineWindow()}) {
        ASSERT_NE(w, nullptr);
        EXPECT_FALSE(w->isWindow()) << w->windowTitle().toStdString();
        EXPECT_TRUE(w->Docked());
    }
    EXPECT_TRUE(area.contains(Form->frameGeometry()))
        << Form->frameGeometry().width() << "x" << Form->frameGeometry().height();
    const QRect menu = Form->MainMenu->geometry();
    const QRect panel(Frame->pnBottom->mapTo(Form.get(), QPoint(0, 0)), Frame->pnBottom->size());
    for (const QRect& kept : {menu, panel, DiscInForm(), Frame->geometry()}) {
        EXPECT_TRUE(Form->rect().contains(kept));
        for (QDockWidget* d : OpenDocks()) {
            EXPECT_FALSE(d->isFloating());
            // Behind another's tab a dock is put out of sight.
            if (d->visibleRegion().isEmpty()) continue;
            EXPECT_FALSE(d->geometry().intersects(kept)) << d->windowTitle().toStdString();
            EXPECT_TRUE(Form->rect().contains(d->geometry())) << d->windowTitle().toStdString();
        }
    }

    // Three windows in one main window: Ctrl+C copies the one with the focus.
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    Frame->NetworkWindow()->tbNetworks->setFocus();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(Frame->NetworkWindow()->tbNetworks, Qt::Key_C, Qt::ControlModifier);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(QStringLiteral("f [MHz]\t")))
        << QGuiApplication::clipboard()->text().left(40).toStdString();

    // A sweep's table opens off the disc and the panel, over a dock if it must.
    Frame->Button1Click();
    const QList<TfrmData*> data = AllDataWindows();
    ASSERT_EQ(data.size(), 1);
    EXPECT_TRUE(area.contains(data[0]->frameGeometry()));
    for (const QRect& kept : {DiscInForm(), panel})
        EXPECT_FALSE(data[0]->frameGeometry().intersects(
            QRect(Form->mapToGlobal(kept.topLeft()), kept.size())));

    // Every dock closed, the window is the one without docks again.
    for (QDockWidget* d : OpenDocks())
        d->close();
    FlushDeferredDeletes();
    QCoreApplication::processEvents();
    EXPECT_EQ(Frame->geometry(), frameBefore);
    EXPECT_EQ(Frame->NetworkWindow(), nullptr);
    EXPECT_EQ(Frame->FeedLineWindow(), nullptr);
}

TEST_F(DockingTest, WhereTheDocksAreAndWhichAreOpenComesBackAfterARestart) {
    Form->RememberDocks();
    Frame->actNetworkDetails->trigger();
    Frame->actSwrPlot->trigger();
    QCoreApplication::processEvents();
    // The user drags the plot to the chart's left and Síť out to float.
    QDockWidget *plot = nullptr, *sit = nullptr;
    for (QDockWidget* d : OpenDocks())
        (d->windowTitle() == QStringLiteral("Síť") ? sit : plot) = d;
    ASSERT_TRUE(plot && sit);
    Form->addDockWidget(Qt::LeftDockWidgetArea, plot);
    sit->setFloating(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(sit->isWindow());
    EXPECT_FALSE(Frame->NetworkWindow()->Docked());
    Form->close();
    Form.reset();

    Form = std::make_unique<TForm1>();
    Form->RememberDocks();
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    Frame = Form->FTunerFrame;
    QCoreApplication::processEvents();
    ASSERT_NE(Frame->NetworkWindow(), nullptr);
    ASSERT_NE(Frame->SwrPlot(), nullptr);
    EXPECT_EQ(Frame->FeedLineWindow(), nullptr);
    std::map<QString, std::pair<Qt::DockWidgetArea, bool>> where;
    for (QDockWidget* d : OpenDocks())
        where[d->windowTitle()] = {Form->dockWidgetArea(d), d->isFloating()};
    ASSERT_EQ(where.size(), 2u);
    EXPECT_EQ(where["Průběh PSV"], std::make_pair(Qt::LeftDockWidgetArea, false));
    EXPECT_TRUE(where["Síť"].second);
    EXPECT_TRUE(Frame->SwrPlot()->isVisible());
}
