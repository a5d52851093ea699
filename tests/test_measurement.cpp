// A measured antenna on the chart: the trace, its readout line, a click that
// takes a measured point, the band table, and files that are refused.
#include "clirun.h"
#include "framefixture.h"
#include "numtext.h"
#include "apperror.h"
#include "testsupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>
#include <functional>
#include <numeric>

namespace {

constexpr TColor TraceColor = 0x0060D0;

// A dipole-like trace in RI against 50 ohms: R and X from the sweep's own formula.
QString WriteS1p(const QTemporaryDir& dir, const QString& name, const QString& body) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(body.toUtf8());
    return path;
}

TLoad DipoleLoad(double f) {
    return {30 + 40 * (f - 6.5), 120 * (f - 7.0)};
}

QString DipoleFile(int points) {
    QString text = QStringLiteral("! test antenna\n# MHz Z RI R 50\n");
    for (int i = 0; i < points; ++i) {
        const double f = 6.5 + i * 1.0 / (points - 1);
        const TLoad z = DipoleLoad(f);
        text += QStringLiteral("%1 %2 %3\n").arg(f, 0, 'f', 6).arg(z.R / 50, 0, 'g', 17).arg(z.X / 50, 0, 'g', 17);
    }
    return text;
}

// The band table's header and rows as the command line prints them.
QStringList BandTableLines(const TBandTableModel& model) {
    QStringList titles, lines;
    for (int c = 0; c < model.columnCount(); ++c)
        titles << model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    lines << titles.join(QStringLiteral("; "));
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int c = 0; c < model.columnCount(); ++c)
            cells << model.data(model.index(row, c), Qt::DisplayRole).toString();
        lines << cells.join(u';');
    }
    return lines;
}

int CountColor(const QImage& image, TColor color) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += RgbToColor(image.pixel(x, y)) == color;
    return n;
}

class MeasurementTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        Path = WriteS1p(Dir, QStringLiteral("dipole.s1p"), DipoleFile(51));
    }
    QTemporaryDir Dir;
    QString Path;
};

} // namespace

TEST_F(MeasurementTest, TraceReadoutAndClickOnAPoint) {
    const QImage bare = Frame->Chart()->GridLayer().Image();
    Frame->OpenMeasurement(Path);
    ASSERT_TRUE(Frame->Measurement().has_value());
    const auto& trace = Frame->Chart()->Trace();
    ASSERT_EQ(trace.size(), 51u);
    EXPECT_GT(CountColor(Frame->Chart()->GridLayer().Image(), TraceColor), 200);

    // The readout names the frequency near a point, and only there.
    const TSmithChart::TTracePoint& p = trace[20];
    Frame->pbSmithMouseMove(p.PixelX + 2, p.PixelY + 1);
    EXPECT_GT(CountColor(Frame->Chart()->CursorLayer().Image(), TraceColor), 10);
    Frame->pbSmithMouseMove(p.PixelX + 40, p.PixelY + 40);
    EXPECT_EQ(CountColor(Frame->Chart()->CursorLayer().Image(), TraceColor), 0);

    // A click takes the measured impedance and its frequency, not the pixel's.
    ClickAt(Frame, {p.PixelX + 3, p.PixelY - 2});
    EXPECT_EQ(Frame->edFR->text(), FrequencyText(p.FrequencyMHz));
    const TLNetwork n = ChartNetwork({p.R, p.X}, p.FrequencyMHz);
    EXPECT_EQ(Frame->edL->text(), FormatFloat("#0.000", n.Series.Value));
    EXPECT_EQ(Frame->edC->text(), FormatFloat("#0.0", n.Shunt.Present() ? n.Shunt.Value : 0.0));
    const TMarkerRec& blue = *Frame->Chart()->Markers()[0];
    EXPECT_EQ(blue.PosX, p.PixelX);
    EXPECT_EQ(blue.PosY, p.PixelY);
    Frame->actUndo->trigger();
    EXPECT_TRUE(Frame->Chart()->Markers().empty());

    Frame->CloseMeasurement();
    EXPECT_TRUE(Frame->Chart()->GridLayer().Image() == bare);
    EXPECT_FALSE(Frame->actBandTable->isEnabled());
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(MeasurementTest, BandTableLinesAreTheChartNetwork) {
    Frame->OpenMeasurement(Path);
    TfrmBandTable* table = Frame->ShowBandTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->windowTitle(), QStringLiteral("Tabulka pásma – dipole.s1p"));
    const QStringList lines = BandTableLines(*table->Model());
    ASSERT_EQ(lines.size(), 1 + 51);
    EXPECT_EQ(lines[0], QStringLiteral("f [MHz]; R; X; PSV; L [uH]; C [pF]; LC=0 / CL=1"));
    for (int i = 0; i < 51; ++i) {
        const TTouchstonePoint& p = Frame->Measurement()->Points[size_t(i)];
        const QStringList f = lines[1 + i].split(u';');
        ASSERT_EQ(f.size(), 7);
        const TLNetwork n = ChartNetwork({p.R, p.X}, p.FrequencyMHz);
        EXPECT_EQ(f[0], FormatFloat("#0.000", p.FrequencyMHz));
        EXPECT_NEAR(f[1].toDouble(), DipoleLoad(p.FrequencyMHz).R, 5e-4);
        EXPECT_EQ(f[4], FormatFloat("#0.000", n.Series.Present() ? n.Series.Value : 0.0));
        EXPECT_EQ(f[6], n.Arrangement == TArrangement::ShuntAtLoad ? "1" : "0");
    }
    table->close();
}

TEST_F(MeasurementTest, BandTableIsTheCommandLinesTableAndFollowsTheStep) {
    const QString odd = WriteS1p(Dir, QStringLiteral("odd.s1p"),
                                 QStringLiteral("# MHz S RI R 50\n0 0.2 0\n1 1 0\n2 0.6 0.8\n"));
    for (const QString& path : {odd, Path}) {
        Frame->OpenMeasurement(path);
        TfrmBandTable* table = Frame->ShowBandTable();
        const TRun cli = Match({"--touchstone", path});
        ASSERT_EQ(cli.Status, 0) << cli.Err.toStdString();
        EXPECT_EQ(BandTableLines(*table->Model()), cli.Out.split(u'\n', Qt::SkipEmptyParts));
    }
    // Opened over the first file, the same window now shows the second.
    TfrmBandTable* table = Frame->BandTable();
    EXPECT_EQ(table->windowTitle(), QStringLiteral("Tabulka pásma – dipole.s1p"));
    const TSmithChart::TTracePoint p = Frame->Chart()->Trace()[20];
    ClickAt(Frame, {p.PixelX, p.PixelY});
    const QModelIndexList selected = table->tbBand->selectionModel()->selectedRows();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected[0].row(), 20);

    Frame->CloseMeasurement();
    FlushDeferredDeletes();
    EXPECT_EQ(Frame->BandTable(), nullptr);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(MeasurementTest, BandTableCopiesTabsAndSavesCsv) {
    Frame->OpenMeasurement(Path);
    TfrmBandTable* table = Frame->ShowBandTable();
    QStringList lines = BandTableLines(*table->Model());
    lines[0].replace(QStringLiteral("; "), QStringLiteral(";"));
    auto joined = [&](QChar separator, const QList<int>& rows) {
        QString text;
        for (const int row : rows)
            text += QString(lines[row]).replace(u';', separator) + u'\n';
        return text;
    };
    QItemSelectionModel* selection = table->tbBand->selectionModel();
    selection->select(table->Model()->index(9, 0),
                      QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    selection->select(table->Model()->index(2, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
    table->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(table));
    QTest::keyClick(table->tbBand, Qt::Key_C, Qt::ControlModifier);
    // Header first, then the rows in the table's order whatever the clicks' order.
    EXPECT_EQ(QApplication::clipboard()->text(), joined(u'\t', {0, 3, 10}));
    QTest::keyClick(table->tbBand, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(table->tbBand, Qt::Key_C, Qt::ControlModifier);
    QList<int> all(lines.size());
    std::iota(all.begin(), all.end(), 0);
    EXPECT_EQ(QApplication::clipboard()->text(), joined(u'\t', all));

    const QString csv = Dir.filePath(QStringLiteral("band.csv"));
    table->SaveTable(csv);
    QFile saved(csv);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), joined(u',', all));
    const QString bad = Path + QStringLiteral("/band.csv"); // a file in place of a folder
    Guarded([&] { table->SaveTable(bad); });
    EXPECT_EQ(TakeRecordedErrors().size(), 1);
    EXPECT_FALSE(QFile::exists(bad));
}

TEST_F(MeasurementTest, ABadFileIsRefusedAndTheOpenOneStays) {
    Frame->OpenMeasurement(Path);
    const QString bad = WriteS1p(Dir, QStringLiteral("bad.s1p"),
                                 QStringLiteral("# MHz S RI\n7 0.1 0.2\n7.1 0.3\n"));
    Guarded([&] { Frame->OpenMeasurement(bad); });
    const QStringList errors = TakeRecordedErrors();
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].contains(QStringLiteral("bad.s1p"))) << errors[0].toStdString();
    EXPECT_TRUE(errors[0].contains(QStringLiteral("3"))) << errors[0].toStdString();
    EXPECT_EQ(Frame->Chart()->Trace().size(), 51u);
    EXPECT_EQ(Frame->Measurement()->Points.size(), 51u);
}

TEST_F(MeasurementTest, SwrPlotFollowsTheMeasuredClickAndTheFrequency) {
    Frame->OpenMeasurement(Path);
    const TSmithChart::TTracePoint p = Frame->Chart()->Trace()[25];
    ClickAt(Frame, {p.PixelX, p.PixelY});
    Frame->actSwrPlot->trigger();
    TfrmSwrPlot* plot = Frame->SwrPlot();
    ASSERT_NE(plot, nullptr);
    EXPECT_EQ(plot->Model(), TLoadModel::Measured);
    ASSERT_EQ(plot->Curve().size(), size_t(TfrmSwrPlot::CurvePoints));
    // Designed at the measured point, the network matches it there.
    const TSwrPoint& middle = plot->Curve()[TfrmSwrPlot::CurvePoints / 2];
    EXPECT_NEAR(middle.FrequencyMHz, p.FrequencyMHz, 1e-9);
    // A typed frequency takes effect at the next click, as in the panel.
    Frame->edFR->setText(QStringLiteral("7.2"));
    emit Frame->edFR->editingFinished();
    EXPECT_NEAR(plot->Curve()[TfrmSwrPlot::CurvePoints / 2].FrequencyMHz, p.FrequencyMHz, 1e-9);
    ClickAt(Frame, {p.PixelX + 25, p.PixelY + 25});
    EXPECT_NEAR(plot->Curve()[TfrmSwrPlot::CurvePoints / 2].FrequencyMHz, 7.2, 1e-9);
    Frame->CloseMeasurement();
    EXPECT_EQ(plot->Model(), TLoadModel::Constant);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(MeasurementTest, TheDataWindowSavesItsLinesAsShown) {
    TfrmData* table = new TfrmData;
    table->meData->setPlainText(QStringLiteral("PSV = 2.000\n7.000;1.234;56.7"));
    table->show();
    const QString good = Dir.filePath(QStringLiteral("band.txt"));
    table->SaveTable(good);
    QFile saved(good);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(saved.readAll()), table->meData->toPlainText() + u'\n');

    const QString bad = Path + QStringLiteral("/band.txt"); // a file in place of a folder
    Guarded([&] { table->SaveTable(bad); });
    EXPECT_EQ(TakeRecordedErrors().size(), 1);
    EXPECT_FALSE(QFile::exists(bad));
}

// A save that fails says why, as the picture's does: the band table's CSV and
// the data window's lines on a disk that takes only a few bytes.
TEST_F(MeasurementTest, TableSavesOnAFullDiskGiveTheReason) {
    Frame->OpenMeasurement(Path);
    TfrmBandTable* band = Frame->ShowBandTable();
    auto* data = new TfrmData;
    data->meData->setPlainText(QStringLiteral("PSV = 2.000\n7.000;1.234;56.7"));
    const std::pair<QString, std::function<void(const QString&)>> saves[] = {
        {QStringLiteral("band.csv"), [&](const QString& path) { band->SaveTable(path); }},
        {QStringLiteral("sweep.txt"), [&](const QString& path) { data->SaveTable(path); }}};
    for (const auto& [name, save] : saves) {
        const QString path = Dir.filePath(name);
        {
            const TFileSizeLimit full(8);
            Guarded([&] { save(path); });
        }
        EXPECT_EQ(TakeRecordedErrors(),
                  QStringList{ErrorBoxText(
                      QStringLiteral("Tabulku nelze uložit do '%1': %2")
                          .arg(QDir::toNativeSeparators(path), qt_error_string(EFBIG)))});
        EXPECT_FALSE(QFile::exists(path));
    }
    delete data;
}

TEST_F(MeasurementTest, PointsWithoutANetworkLoadAndStayOutOfTheDesign) {
    // 0 Hz, an open (S11 = 1), R = 0 and R < 0.
    const QString odd =
        WriteS1p(Dir, QStringLiteral("odd.s1p"),
                 QStringLiteral("# MHz S RI R 50\n0 0.2 0\n1 1 0\n2 0.6 0.8\n3 1.2 0\n"));
    Frame->OpenMeasurement(odd);
    ASSERT_EQ(Frame->Measurement()->Points.size(), 4u);
    // The open has no place on the chart.
    const auto& trace = Frame->Chart()->Trace();
    ASSERT_EQ(trace.size(), 3u);
    TfrmBandTable* table = Frame->ShowBandTable();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(BandTableLines(*table->Model()).mid(1),
              QStringList({"0.000;75.000;0.000;;;;", "1.000;;;;;;", "2.000;0.000;100.000;;;;",
                           "3.000;-550.000;0.000;;;;"}));
    table->close();
    // The 0 Hz point reads out, and a click on it takes nothing.
    const QString frequency = Frame->edFR->text();
    Frame->pbSmithMouseMove(trace[0].PixelX, trace[0].PixelY);
    EXPECT_GT(CountColor(Frame->Chart()->CursorLayer().Image(), TraceColor), 10);
    ClickAt(Frame, {trace[0].PixelX, trace[0].PixelY});
    EXPECT_EQ(Frame->edFR->text(), frequency);
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}

TEST_F(MeasurementTest, ReadoutRedrawnAfterEveryChangeThePointerDidNotMake) {
    TSmithChart& chart = *Frame->Chart();
    const TPointD near = chart.ImpedanceToPixel(DipoleLoad(7.0).R, DipoleLoad(7.0).X, 50.0);
    const QPoint p(int(std::lround(near.X)), int(std::lround(near.Y)));
    QTest::mouseMove(Frame->pbSmith, p);
    ASSERT_TRUE(Frame->pbSmith->underMouse());
    // What a pointer move to the same place would show now.
    auto freshMove = [&] {
        QTest::mouseMove(Frame->pbSmith, p + QPoint(1, 0));
        QTest::mouseMove(Frame->pbSmith, p);
        return chart.Composite().Image().copy();
    };
    const std::pair<const char*, std::function<void()>> actions[] = {
        {"open", [&] { Frame->OpenMeasurement(Path); }},
        {"click", [&] {
             ClickAt(Frame, p + QPoint(-90, 40));
             QTest::mouseMove(Frame->pbSmith, p);
         }},
        {"undo", [&] { Frame->actUndo->trigger(); }},
        {"redo", [&] { Frame->actRedo->trigger(); }},
        {"clear", [&] { Frame->actClear->trigger(); }},
        {"undo clear", [&] { Frame->actUndo->trigger(); }},
        {"close", [&] { Frame->actCloseMeasurement->trigger(); }},
    };
    for (const auto& [name, action] : actions) {
        SCOPED_TRACE(name);
        action();
        const QImage shown = chart.Composite().Image().copy();
        EXPECT_TRUE(chart.CursorDrawn());
        EXPECT_TRUE(shown == freshMove());
    }
    EXPECT_TRUE(TakeRecordedErrors().isEmpty());
}
