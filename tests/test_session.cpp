// The session: undo, redo and clear against a replay on a fresh window, the
// live drag, and the saved picture.
#include "framefixture.h"
#include "apperror.h"
#include "numtext.h"
#include "testsupport.h"

#include <QFile>
#include <QLabel>
#include <QImageReader>
#include <QTemporaryDir>
#include <cerrno>
#include <functional>
#include <random>
#include <string_view>

namespace {

using TAction = std::function<void(TvSmithChart*)>;

void SendMouse(TvSmithChart* f, QEvent::Type type, QPoint p, Qt::MouseButtons held) {
    QCursor::setPos(f->pbSmith->mapToGlobal(p));
    QMouseEvent e(type, p, f->pbSmith->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(f->pbSmith, &e);
}

// Press at a, drag through the points, release at the last.
void Drag(TvSmithChart* f, QPoint a, const std::vector<QPoint>& path) {
    SendMouse(f, QEvent::MouseButtonPress, a, Qt::LeftButton);
    for (const QPoint p : path)
        SendMouse(f, QEvent::MouseMove, p, Qt::LeftButton);
    SendMouse(f, QEvent::MouseButtonRelease, path.back(), Qt::NoButton);
}

struct TState {
    QImage Markers, Circles;
    size_t MarkerCount, ArcCount;
    QString L, C;
    bool LC, CL;
};

TState StateOf(TvSmithChart* f) {
    const TSmithChart& c = *f->Chart();
    return {c.MarkerLayer().Image(), c.CircleLayer().Image(), c.Markers().size(), c.Arcs().size(),
            f->edL->text(), f->edC->text(), f->chkL->isChecked(), f->chkC->isChecked()};
}

void ExpectSameState(const TState& a, const TState& b) {
    EXPECT_EQ(a.MarkerCount, b.MarkerCount);
    EXPECT_EQ(a.ArcCount, b.ArcCount);
    EXPECT_TRUE(a.Markers == b.Markers) << "marker layer";
    EXPECT_TRUE(a.Circles == b.Circles) << "circle layer";
    EXPECT_EQ(a.L, b.L);
    EXPECT_EQ(a.C, b.C);
    EXPECT_EQ(a.LC, b.LC);
    EXPECT_EQ(a.CL, b.CL);
}

using SessionTest = MainWindowTest;

} // namespace

// Random actions, undos and redos; after each, the chart and the panel equal
// a fresh window that ran only the actions still standing.
TEST_F(SessionTest, UndoRedoAndClearEqualAReplay) {
    std::mt19937 rng(12);
    std::uniform_int_distribution<int> coord(120, 700);
    auto click = [&]() -> TAction {
        const QPoint p(coord(rng), coord(rng) - 60);
        return [p](TvSmithChart* f) { ClickAt(f, p); };
    };
    auto add = [&]() -> TAction {
        const QString swr = QString::number(1.5 + (rng() % 40) / 10.0);
        return [swr](TvSmithChart* f) {
            f->edPSV->setText(swr);
            f->btnAdd->click();
        };
    };
    const TAction sweep = [](TvSmithChart* f) {
        f->edPSV->setText(QStringLiteral("2.5"));
        f->Button1->click();
    };
    const TAction clear = [](TvSmithChart* f) { f->ClearAnnotations(); };

    std::vector<TAction> standing, undone;
    for (const char op : std::string_view("ccaUUcRRsUcxUcaRUUUURRRcxcUaU")) {
        SCOPED_TRACE(testing::Message() << "step " << op);
        if (op == 'U') {
            Frame->actUndo->trigger();
            if (!standing.empty()) undone.push_back(standing.back()), standing.pop_back();
        } else if (op == 'R') {
            Frame->actRedo->trigger();
            if (!undone.empty()) standing.push_back(undone.back()), undone.pop_back();
        } else {
            const TAction a = op == 'c' ? click() : op == 'a' ? add() : op == 's' ? sweep : clear;
            a(Frame);
            standing.push_back(a);
            undone.clear();
        }
        auto replay = ShowMainWindow();
        for (const TAction& a : standing)
            a(replay->FTunerFrame);
        ExpectSameState(StateOf(Frame), StateOf(replay->FTunerFrame));
        EXPECT_EQ(Frame->actUndo->isEnabled(), !standing.empty());
        EXPECT_EQ(Frame->actRedo->isEnabled(), !undone.empty());
    }
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(SessionTest, DragPreviewsAndReleaseIsAClick) {
    const std::vector<QPoint> path{{300, 300}, {320, 320}, {500, 200}, {450, 450}};
    ClickAt(Frame, {600, 500});
    const TState clicked = StateOf(Frame);

    // Every move shows its network, and nothing joins the lists.
    SendMouse(Frame, QEvent::MouseButtonPress, {290, 290}, Qt::LeftButton);
    for (const QPoint p : path) {
        SendMouse(Frame, QEvent::MouseMove, p, Qt::LeftButton);
        EXPECT_TRUE(Frame->Dragging());
        EXPECT_EQ(Frame->Chart()->Markers().size(), clicked.MarkerCount);
        EXPECT_NE(Frame->edL->text(), clicked.L);
    }
    SendMouse(Frame, QEvent::MouseButtonRelease, path.back(), Qt::NoButton);
    auto replay = ShowMainWindow();
    ClickAt(replay->FTunerFrame, {600, 500});
    ClickAt(replay->FTunerFrame, path.back());
    ExpectSameState(StateOf(Frame), StateOf(replay->FTunerFrame));

    // Released outside the chart, or Esc: back to what was shown, nothing added.
    const TState before = StateOf(Frame);
    Drag(Frame, {300, 300}, {{310, 310}, {400, 2000}});
    ExpectSameState(StateOf(Frame), before);
    SendMouse(Frame, QEvent::MouseButtonPress, {300, 300}, Qt::LeftButton);
    SendMouse(Frame, QEvent::MouseMove, {350, 350}, Qt::LeftButton);
    QTest::keyClick(Frame->pbSmith, Qt::Key_Escape);
    SendMouse(Frame, QEvent::MouseButtonRelease, {350, 350}, Qt::NoButton);
    ExpectSameState(StateOf(Frame), before);
    EXPECT_FALSE(Frame->Dragging());
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());

    // A bad frequency: one box when the drag starts, no preview, no click.
    Frame->edFR->setText(QStringLiteral("abc"));
    Drag(Frame, {300, 300}, {{310, 310}, {320, 330}, {340, 350}});
    const QStringList errors = TakeRecordedErrors();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith("'abc' is not a valid floating point value"));
    ExpectSameState(StateOf(Frame), before);
}

// After every step, typing and undo the panel and the open windows show one
// load at one frequency; the windows' notice shows exactly while the field differs.
TEST_F(SessionTest, PanelAndWindowsAgreeOnTheCurrentStep) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ant.s1p"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# MHz Z RI R 50\n7.05 0.5 -0.4\n7.1 0.6 0.1\n7.15 0.8 0.6\n");
    file.close();
    Frame->OpenMeasurement(path);
    Frame->actNetworkDetails->trigger();
    Frame->actSwrPlot->trigger();
    TfrmNetwork* w = Frame->NetworkWindow();
    TfrmSwrPlot* plot = Frame->SwrPlot();
    const TSmithChart::TTracePoint m = Frame->Chart()->Trace()[1];
    auto type = [&](const char* text) { return [&, text] { Frame->edFR->setText(QLatin1String(text)); }; };
    auto click = [&](QPoint p) { return [&, p] { ClickAt(Frame, p); }; };
    const auto undo = [&] { Frame->actUndo->trigger(); };
    const auto redo = [&] { Frame->actRedo->trigger(); };
    const struct {
        const char* Name;
        std::function<void()> Do;
        const char* Field;
        double F;
        bool Notice;
    } steps[] = {{"click", click({600, 250}), "7", 7.0, false},
                 {"type", type("14.2"), "14.2", 7.0, true},
                 {"measured point", click({m.PixelX, m.PixelY}), "7.1", 7.1, false},
                 {"undo", undo, "14.2", 7.0, true},
                 {"redo", redo, "7.1", 7.1, false},
                 {"undo again", undo, "14.2", 7.0, true},
                 {"click at 14.2", click({300, 500}), "14.2", 14.2, false},
                 {"undo the click", undo, "14.2", 7.0, true},
                 {"same frequency", type(" 7.000"), " 7.000", 7.0, false},
                 {"no frequency", type("abc"), "abc", 7.0, false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.Name);
        step.Do();
        const TCurrentStep now = Frame->CurrentStep();
        ASSERT_TRUE(now.Load.has_value());
        EXPECT_EQ(Frame->edFR->text(), QLatin1String(step.Field));
        EXPECT_NEAR(Frame->Frequency(), step.F, 1e-12);
        EXPECT_EQ(w->FrequencyMHz(), Frame->Frequency());
        EXPECT_EQ(plot->DesignFrequency(), Frame->Frequency());
        for (const TLoad& load : {w->Load(), plot->DesignLoad()}) {
            EXPECT_EQ(load.R, now.Load->R);
            EXPECT_EQ(load.X, now.Load->X);
        }
        // The panel shows the chart's network of that load at that frequency.
        const TLNetwork& n = w->Reports().front().Network;
        EXPECT_EQ(FormatFloat("#0.000", n.Series.Present() ? n.Series.Value : 0.0), Frame->edL->text());
        EXPECT_EQ(FormatFloat("#0.0", n.Shunt.Present() ? n.Shunt.Value : 0.0), Frame->edC->text());
        EXPECT_EQ(n.Arrangement == TArrangement::ShuntAtLoad, Frame->chkC->isChecked());
        EXPECT_NE(Frame->chkL->isChecked(), Frame->chkC->isChecked());
        for (const QLabel* notice : {w->lbNotice, plot->lbNotice}) {
            EXPECT_EQ(notice->isVisibleTo(notice->window()), step.Notice);
            if (step.Notice) {
                EXPECT_TRUE(notice->text().contains(QStringLiteral("platí pro %1 MHz").arg(FrequencyText(step.F))))
                    << notice->text().toStdString();
            }
        }
    }
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(SessionTest, KeysUndoTheClickButNotTheFieldsText) {
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    ClickAt(Frame, {600, 500});
    EXPECT_TRUE(Frame->pbSmith->hasFocus());
    QTest::keyClick(Frame->pbSmith, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_TRUE(Frame->Chart()->Markers().empty());
    EXPECT_TRUE(Frame->edL->text().isEmpty());
    QTest::keyClick(Frame->pbSmith, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(Frame->Chart()->Markers().size(), 2u);
    // In a text field Ctrl+Z is the field's own.
    Frame->edPSV->setFocus();
    QTest::keyClicks(Frame->edPSV, QStringLiteral("5"));
    QTest::keyClick(Frame->edPSV, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Frame->edPSV->text(), QStringLiteral("4.2"));
    EXPECT_EQ(Frame->Chart()->Markers().size(), 2u);
}

TEST_F(SessionTest, SavedPictureOpensAndAFailedSaveLeavesNothing) {
    ClickAt(Frame, {600, 500});
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("chart.png"));
    Frame->SavePicture(good);
    QImageReader reader(good);
    EXPECT_EQ(reader.format(), QByteArray("png"));
    EXPECT_EQ(reader.read().size(), Frame->Chart()->Composite().Image().size());

    const QString blocker = dir.filePath(QStringLiteral("file"));
    QFile(blocker).open(QIODevice::WriteOnly);
    const QString bad = blocker + QStringLiteral("/chart.png");
    Guarded([&] { Frame->SavePicture(bad); });
    ASSERT_EQ(TakeRecordedErrors().size(), 1);
    EXPECT_FALSE(QFile::exists(bad));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2); // no temporary left behind
}

// On a full disk the picture already there stays whole, and the message
// says why the new one could not be saved.
TEST_F(SessionTest, APictureThatDoesNotFitLeavesTheOldOne) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("chart.png"));
    Frame->SavePicture(path);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray old = file.readAll();
    file.close();
    ClickAt(Frame, {600, 500});
    {
        const TFileSizeLimit full(old.size() / 2);
        Guarded([&] { Frame->SavePicture(path); });
    }
    EXPECT_EQ(TakeRecordedErrors(),
              QStringList{
                  ErrorBoxText(QStringLiteral("Obrázek nelze uložit: ") + qt_error_string(EFBIG))});
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), old);
}
