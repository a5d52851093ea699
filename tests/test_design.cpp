// One design for every window: a click, a measurement, the feed line, its
// tuner's-end point used as the load, undo, redo, and the project saved and
// opened again; after each step the panel, "Síť", "Průběh PSV" and "Napáječ"
// show the same load at the same frequency.
#include "apperror.h"
#include "clirun.h"
#include "designpage.h"
#include "framefixture.h"
#include "project.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <functional>

namespace {

class DesignTest : public MainWindowTest {
protected:
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Settings.path());
        MainWindowTest::SetUp();
    }
    QTemporaryDir Settings;
};

// Every window shows the design's step; the line is never applied to a load
// that is already the tuner's end: the chart's network matches it exactly.
void ExpectWindowsAgree(TvSmithChart* frame) {
    const TCurrentStep& step = frame->Design().Step();
    const TCurrentStep panel = frame->CurrentStep();
    ASSERT_EQ(step.Load.has_value(), panel.Load.has_value());
    EXPECT_EQ(step.L, panel.L);
    EXPECT_EQ(step.C, panel.C);
    if (!step.Load) return;
    EXPECT_EQ(step.Load->Z(), panel.Load->Z());
    if (TfrmNetwork* w = frame->NetworkWindow()) {
        EXPECT_EQ(w->Load().Z(), step.Load->Z());
        EXPECT_EQ(w->FrequencyMHz(), step.FrequencyMHz);
    }
    // The plot's model gives the design load at the design frequency when it
    // is constant, or measured and the load is the measured antenna there.
    const TTouchstone* measured = frame->Design().Measured();
    const std::optional<TLoad> atF0 = measured ? InterpolateTrace(*measured, step.FrequencyMHz) : std::nullopt;
    const TLoad antenna = step.Antenna ? *step.Antenna : *step.Load;
    TfrmSwrPlot* plot = frame->SwrPlot();
    if (plot && (plot->Model() == TLoadModel::Constant ||
                 (plot->Model() == TLoadModel::Measured && atF0 && std::abs(atF0->Z() - antenna.Z()) < 1e-9))) {
        TfrmSwrPlot* w = plot;
        EXPECT_EQ(w->DesignLoad().Z(), step.Load->Z());
        const std::vector<TSwrPoint>& curve = w->Curve();
        ASSERT_EQ(curve.size(), size_t(TfrmSwrPlot::CurvePoints));
        const TSwrPoint& mid = curve[curve.size() / 2];
        ASSERT_NEAR(mid.FrequencyMHz, step.FrequencyMHz, 1e-9 * step.FrequencyMHz);
        ASSERT_TRUE(mid.Swr);
        EXPECT_NEAR(*mid.Swr, 1.0, 1e-6) << "the plot's network matches its own design load";
    }
    // The page's curve is the plot's, and with the line it names both ends
    // of it as the windows do.
    const TDesignPage page = frame->DesignPage();
    if (plot && !plot->Curve().empty() && plot->Curve()[plot->Curve().size() / 2].Swr) {
        ASSERT_TRUE(page.CentreSwr);
        EXPECT_NEAR(*page.CentreSwr, *plot->Curve()[plot->Curve().size() / 2].Swr, 1e-9);
    }
    if (step.Antenna) {
        ASSERT_TRUE(page.Station);
        EXPECT_LT(std::abs(page.Station->Antenna.Z.Z() - step.Antenna->Z()), 1e-9 * std::abs(step.Antenna->Z()));
        EXPECT_LT(std::abs(page.Station->TunerOutput.Z.Z() - step.Load->Z()), 1e-6 * std::abs(step.Load->Z()));
        EXPECT_TRUE(SourceLinesCs(page).join(u'\n').contains(QStringLiteral("délka 20.000 m, ladicí člen u TRX")));
    }
    if (TfrmFeedLine* w = frame->FeedLineWindow(); w && w->Result()) {
        EXPECT_EQ(w->FrequencyMHz(), step.FrequencyMHz);
        const TLoad antenna = *frame->Design().AntennaLoad();
        EXPECT_LT(std::abs(w->Result()->Antenna.Z() - antenna.Z()), 1e-9 * (1 + std::abs(antenna.Z())));
        if (step.Antenna) {
            EXPECT_LT(std::abs(w->Result()->TunerLoad.Z() - step.Load->Z()), 1e-6 * std::abs(step.Load->Z()));
        }
    }
}

} // namespace

TEST_F(DesignTest, EveryWindowFollowsOneDesignThroughUndoRedoAndAProject) {
    QTemporaryDir dir;
    QFile file(dir.filePath("dipole.s1p"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# MHz Z RI R 1\n6.9 30 -25\n7.0 40 -15\n7.1 55 5\n7.2 60 15\n");
    file.close();
    const QString project = dir.filePath("dipole.pentarix");
    TCurrentStep used;
    QByteArray saved;

    const struct {
        const char* What;
        std::function<void()> Act;
    } steps[] = {
        {"click", [&] { ClickAt(Frame, {430, 250}); }},
        {"windows",
         [&] {
             Frame->ShowNetworkWindow();
             Frame->ShowSwrPlot();
             Frame->ShowFeedLineWindow();
         }},
        {"measured point",
         [&] {
             Frame->OpenMeasurement(file.fileName());
             Frame->TakeLoad({55, 5}, 7.1);
         }},
        {"use as load",
         [&] {
             TfrmFeedLine* w = Frame->FeedLineWindow();
             w->edLength->setText("20");
             w->ApplyInputs();
             QTest::mouseClick(w->btnUse, Qt::LeftButton);
             used = Frame->Design().Step();
             ASSERT_TRUE(used.Antenna);
         }},
        {"undo", [&] { Frame->Undo(); }},
        {"redo",
         [&] {
             Frame->Redo();
             EXPECT_EQ(Frame->Design().Step().Load->Z(), used.Load->Z());
             EXPECT_EQ(Frame->Design().Step().Antenna->Z(), used.Antenna->Z());
         }},
        {"save", [&] { Frame->SaveProject(project); }},
        {"elsewhere", [&] { ClickAt(Frame, {300, 400}); }},
        {"reopen",
         [&] {
             Frame->OpenProject(project);
             const TCurrentStep& step = Frame->Design().Step();
             EXPECT_EQ(step.Load->Z(), used.Load->Z());
             EXPECT_EQ(step.L, used.L);
             EXPECT_EQ(step.C, used.C);
             EXPECT_EQ(Frame->edL->text(), used.L);
             EXPECT_EQ(Frame->Design().Feed().LengthM, 20.0);
             ASSERT_TRUE(Frame->Measurement());
             EXPECT_EQ(Frame->Measurement()->Points.size(), 4u);
             // Saved again, the file is the same: nothing was lost or rounded.
             saved = ProjectJson(Frame->Design().State());
             QFile again(project);
             ASSERT_TRUE(again.open(QIODevice::ReadOnly));
             EXPECT_EQ(saved, again.readAll());
         }},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.What);
        s.Act();
        EXPECT_TRUE(TakeRecordedErrors().isEmpty());
        ExpectWindowsAgree(Frame);
    }
}

TEST_F(DesignTest, ABadProjectChangesNothingAndSaysWhy) {
    ClickAt(Frame, {430, 250});
    const QByteArray before = ProjectJson(Frame->Design().State());
    QTemporaryDir dir;
    const QByteArray good = before;
    QByteArray newer = good;
    newer.replace("\"version\": 1", "\"version\": 7");
    QByteArray badLength = good;
    badLength.replace("\"length_m\": 30", "\"length_m\": -3");
    const struct {
        QByteArray Body;
        const char* Says;
    } rows[] = {
        {"{\"format\": \"pentarix-project\", \"version\": 1", "poškozený či neúplný"},
        {"{\"something\": 1}", "není projekt Pentarixu"},
        {newer, "novější verze Pentarixu (formát 7)"},
        {badLength, "chybná hodnota 'feed.length_m'"},
    };
    for (const auto& row : rows) {
        QFile f(dir.filePath("bad.pentarix"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(row.Body);
        f.close();
        Guarded([&] { Frame->OpenProject(f.fileName()); });
        const QStringList errors = TakeRecordedErrors();
        ASSERT_EQ(errors.size(), 1);
        EXPECT_TRUE(errors.front().contains(QString::fromUtf8(row.Says))) << errors.front().toStdString();
        EXPECT_EQ(ProjectJson(Frame->Design().State()), before);
    }
}

// The command line prints a saved project as it prints the same design typed:
// the load, the measurement, the line a load was moved by, every option.
TEST_F(DesignTest, TheCommandLinePrintsAProjectAsTheSameDesignTyped) {
    QTemporaryDir dir;
    const QString project = dir.filePath("p.pentarix"), file = dir.filePath("m.s1p");
    QFile m(file);
    ASSERT_TRUE(m.open(QIODevice::WriteOnly));
    m.write("# MHz Z RI R 1\n6.9 30 -25\n7.0 40 -15\n7.1 55 5\n");
    m.close();
    const QStringList options = {"--z0", "50", "--ql", "200", "--qc", "1000", "--power", "100", "--series", "E12"};
    QString line;
    const struct {
        const char* What;
        std::function<void()> Act;
        QStringList Typed;
    } rows[] = {
        {"load", [&] { Frame->TakeLoad({55, 5}, 7.1); }, {"-f", "7.1", "-r", "55", "-x", "5"}},
        {"moved by the line",
         [&] {
             Frame->ShowFeedLineWindow();
             TfrmFeedLine* w = Frame->FeedLineWindow();
             w->edLength->setText("20");
             w->ApplyInputs();
             QTest::mouseClick(w->btnUse, Qt::LeftButton);
             line = QString::fromStdString(Frame->Design().Feed().Line.Name);
         },
         {"-f", "7.1", "-r", "55", "-x", "5", "--line", "@", "--length", "20", "--at", "antenna"}},
        {"measurement", [&] {
             Frame->FeedLineWindow()->close();
             FlushDeferredDeletes();
             ASSERT_FALSE(Frame->Design().LineInUse());
             Frame->OpenMeasurement(file);
         }, {"--touchstone", file}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.What);
        row.Act();
        Frame->SaveProject(project);
        QStringList typed = row.Typed;
        typed.replaceInStrings(QRegularExpression("^@$"), line);
        for (const char* json : {"", "--json"}) {
            QStringList extra = *json ? QStringList{json} : QStringList{};
            const TRun fromProject = Match(QStringList{"--project", project} + extra);
            const TRun fromTyped = Match(typed + options + extra);
            ASSERT_EQ(fromProject.Status, 0) << fromProject.Err.toStdString();
            EXPECT_EQ(fromProject.Out.toStdString(), fromTyped.Out.toStdString());
        }
    }
    const TRun bad = Match({"--project", file});
    EXPECT_EQ(bad.Status, 2);
    EXPECT_TRUE(bad.Out.isEmpty());
    EXPECT_EQ(bad.Err.toStdString(),
              "pentarix-match: " + file.toStdString() + ": is not a Pentarix project, or it is damaged or cut short\n");
}

// Several measurements: each opened one becomes the active one and the one
// before is drawn beside it; one of the same name is replaced; at most eight;
// another can be made active; closing leaves the others; the SWR plot and a
// project carry them all.
TEST_F(DesignTest, SeveralMeasurementsSideBySide) {
    QTemporaryDir dir;
    auto open = [&](int i) {
        const QString path = dir.filePath(QStringLiteral("m%1.s1p").arg(i));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QStringLiteral("# MHz Z RI R 1\n7.0 %1 -15\n7.1 %1 5\n7.2 %1 15\n")
                    .arg(20 + 10 * i)
                    .toUtf8());
        f.close();
        Guarded([&] { Frame->OpenMeasurement(path); });
    };
    auto names = [&] {
        QStringList n;
        for (const TOtherMeasurement& o : Frame->Design().Others())
            n << o.Name;
        return n.join(u' ') + u'|' + Frame->Design().MeasurementName();
    };
    for (int i : {1, 2, 3})
        open(i);
    EXPECT_EQ(names(), "m1.s1p m2.s1p|m3.s1p");
    // Drawn over the kept grid, the traces are what a whole redraw gives.
    TSmithChart& chart = *Frame->Chart();
    const QImage fast = chart.GridLayer().Image();
    const auto trace = chart.Trace();
    const auto others = chart.OtherTraces();
    chart.ClearTrace();
    chart.SetTrace(trace, others, Frame->Design().MeasurementName());
    EXPECT_EQ(chart.GridLayer().Image(), fast);
    EXPECT_EQ(Frame->Chart()->OtherTraces().size(), 2u);
    EXPECT_EQ(Frame->Chart()->OtherTraces()[0].Points.front().R, 30);
    Frame->TakeLoad({55, 5}, 7.1);
    Frame->ShowSwrPlot();
    EXPECT_EQ(Frame->SwrPlot()->OtherCurves().size(), 2u);

    Frame->Design().ActivateMeasurement(0);
    EXPECT_EQ(names(), "m3.s1p m2.s1p|m1.s1p");
    // Undo takes the step back and leaves the measurements as they are.
    Frame->actUndo->trigger();
    EXPECT_FALSE(Frame->Design().Step().Load);
    EXPECT_EQ(names(), "m3.s1p m2.s1p|m1.s1p");
    EXPECT_EQ(Frame->Chart()->Trace().front().R, 30);
    open(2);
    EXPECT_EQ(names(), "m3.s1p m1.s1p|m2.s1p");

    const TDesignState read = ReadProject(ProjectJson(Frame->Design().State()));
    ASSERT_EQ(read.Others.size(), 2u);
    EXPECT_EQ(read.Others[1].Name, "m1.s1p");
    EXPECT_EQ(read.Others[1].Measured.Points[2].R, 30);
    // More than eight, or an entry that is no measurement, is no project.
    for (const auto& [from, to] : {std::pair{"\"other_measurements\": [", "\"other_measurements\": "
                                                                         "[1, 2, 3, 4, 5, 6, 7, "},
                                   std::pair{"\"other_measurements\": [", "\"other_measurements\": "
                                                                         "[{\"name\": 1}, "}}) {
        QByteArray bad = ProjectJson(Frame->Design().State());
        ASSERT_TRUE(bad.contains(from));
        bad.replace(from, to);
        EXPECT_THROW(ReadProject(bad), EProjectError);
    }

    for (int i = 4; i <= 8; ++i)
        open(i);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
    open(9);
    EXPECT_EQ(TakeRecordedErrors().size(), 1);
    EXPECT_EQ(Frame->Design().Others().size() + 1, size_t(MaxMeasurements));
    EXPECT_FALSE(Frame->Design().ShowLiveSweep(*Frame->Design().Measured()));

    Frame->CloseMeasurement();
    EXPECT_FALSE(Frame->Design().HasMeasurement());
    EXPECT_EQ(Frame->Design().Others().size(), 7u);
    EXPECT_TRUE(Frame->Design().ShowLiveSweep(read.Others[0].Measured));
    EXPECT_EQ(Frame->Design().MeasurementName(), TDesign::LiveName());
}
