// The main window on whatever screen the suite runs: on a laptop smaller than
// the design size it fits, its panel shows whole, and the smaller chart still
// reads true. ctest runs it on a desktop and on two laptop screens.
#include "framefixture.h"
#include "lcphysics.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QScreen>
#include <QTableWidget>
#include <cmath>

namespace {

using cd = std::complex<double>;

class LaptopTest : public MainWindowTest {};

} // namespace

TEST_F(LaptopTest, WindowAndPanelFitAndTheScaledChartStillMatches) {
    const QRect area = Form->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(Form->frameGeometry())) << area.width() << "x" << area.height();
    const QRect panel(Frame->pnBottom->mapToGlobal(QPoint(0, 0)), Frame->pnBottom->size());
    EXPECT_TRUE(area.contains(panel));
    for (const QWidget* child : Frame->pnBottom->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        EXPECT_TRUE(Frame->pnBottom->rect().contains(child->geometry()))
            << child->metaObject()->className();

    const int w = Frame->width(), h = Frame->height();
    const TSmithChart& chart = *Frame->Chart();
    EXPECT_EQ(chart.CenterX(), w / 2);
    EXPECT_EQ(chart.CenterY(), h / 2 - 30);
    const bool design = w >= 823 && h >= 772;
    EXPECT_EQ(chart.Radius(), design ? 330 : int(330 * std::min(w / 823.0, h / 772.0)));
    // The disc ends above the panel.
    EXPECT_LE(chart.CenterY() + chart.Radius(), Frame->pnBottom->y());

    // Points across the disc: the fields' L and C, built as the oracle's
    // circuit in front of the load under the pointer, give 50 ohms.
    const int r = chart.Radius(), cx = chart.CenterX(), cy = chart.CenterY();
    for (const QPointF g : {QPointF(0.4, 0.3), QPointF(-0.5, -0.4), QPointF(0.2, -0.7)}) {
        const QPoint p(cx + int(std::lround(g.x() * r)), cy - int(std::lround(g.y() * r)));
        SCOPED_TRACE(testing::Message() << p.x() << "," << p.y());
        ClickAt(Frame, p);
        const cd gamma(double(p.x() - cx) / r, double(cy - p.y()) / r);
        TNetwork shown;
        const cd z = 50.0 * (1.0 + gamma) / (1.0 - gamma);
        shown.Load.R = z.real();
        shown.Load.X = z.imag();
        shown.L = Frame->edL->text().toDouble();
        shown.C = Frame->edC->text().toDouble();
        shown.IsCL = Frame->chkC->isChecked();
        EXPECT_LT(InputReflection(shown, Frame->edFR->text().toDouble()), 0.01);
    }
}

TEST_F(LaptopTest, DetailsWindowOnTheScreenWithEveryColumnAndHeaderWhole) {
    ClickAt(Frame, QPoint(Frame->Chart()->CenterX() + 80, Frame->Chart()->CenterY() - 60));
    Frame->actNetworkDetails->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    ASSERT_NE(w, nullptr);
    QCoreApplication::processEvents();
    const QRect area = w->screen()->availableGeometry();
    // Floating, the window; in its dock beside the chart, the part the dock shows.
    const QRect seen = w->visibleRegion().boundingRect();
    const QRect shown = w->isWindow() ? w->frameGeometry()
                                      : QRect(w->mapToGlobal(seen.topLeft()), seen.size());
    EXPECT_TRUE(area.contains(shown));
    QTableWidget* t = w->tbNetworks;
    int columns = 0;
    for (int c = 0; c < t->columnCount(); ++c) {
        columns += t->columnWidth(c);
        EXPECT_GE(t->columnWidth(c), t->horizontalHeader()->sectionSizeHint(c)) << c;
    }
    // A floating window grows to every column; in a dock the table scrolls sideways.
    if (w->isWindow())
        EXPECT_LE(columns, t->viewport()->width());
    else
        EXPECT_TRUE(columns <= t->viewport()->width() || t->horizontalScrollBar()->isVisible());
    // The panel with the frequency field stays usable.
    const QRect panel(Frame->pnBottom->mapToGlobal(QPoint(0, 0)), Frame->pnBottom->size());
    EXPECT_FALSE(shown.intersects(panel));
    w->close();
}
