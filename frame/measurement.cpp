// A measured antenna: the Touchstone file opened, its trace on the chart, a
// click that takes a measured point, and the band table.
#include "apperror.h"
#include "measurement.h"
#include "measurementfile.h"
#include "numtext.h"
#include "savefile.h"
#include "touchstonetext.h"
#include "vSmith.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QStandardPaths>
#include <cmath>

void TvSmithChart::OpenMeasurementAs() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Otevřít měření"),
        ExistingFolderOrHome(QStandardPaths::DocumentsLocation),
        QStringLiteral("Touchstone (*.s1p *.s2p *.S1P *.S2P);;Touchstone 2 (*.ts *.TS);;CSV (*.csv *.CSV);;"
                       "Všechny soubory (*)"));
    if (!path.isEmpty()) OpenMeasurement(path);
}

void TvSmithChart::OpenMeasurement(const QString& path) {
    TTouchstone measurement;
    try {
        measurement = ReadMeasurementFile(QFile::encodeName(path).toStdString());
    } catch (const ETouchstoneError& e) {
        // The whole message, file and line included; what was open stays open.
        throw EConvertError(TouchstoneErrorText(e));
    }
    // The windows let go of the old points before they go.
    if (FSwrPlot) FSwrPlot->SetMeasurement(nullptr);
    if (FBandTable) FBandTable->SetMeasurement(nullptr, QString(), ChartReference);
    FMeasurement.Open(std::move(measurement), QFileInfo(path).fileName());
    UpdateMeasurementActions();
    ShowMeasurement();
}

// The measurement as shown: moved through the feed line while its window
// asks for it, else as measured; the trace, the plot and the table follow.
void TvSmithChart::ShowMeasurement() {
    if (FSwrPlot) FSwrPlot->SetMeasurement(nullptr);
    if (FBandTable) FBandTable->SetMeasurement(nullptr, QString(), ChartReference);
    const bool moved =
        FMeasurement.IsOpen() && FFeedLineWindow && FFeedLineWindow->MovesMeasurement();
    FMeasurement.SetMoved(moved ? std::optional<TTouchstone>(MoveTrace(
                                      *FMeasurement.Measured(), FFeedLineWindow->Feed()))
                                : std::nullopt);
    if (!FMeasurement.IsOpen()) return;
    if (FChart) FChart->SetTrace(FMeasurement.TracePoints());
    if (FSwrPlot) FSwrPlot->SetMeasurement(&*FMeasurement.Touchstone());
    if (FBandTable)
        FBandTable->SetMeasurement(
            &*FMeasurement.Touchstone(),
            FMeasurement.Name() + (moved ? QStringLiteral(" (u ladicího členu)") : QString()),
            ChartReference);
    RedrawReadout();
}

void TvSmithChart::CloseMeasurement() {
    // The table reads the measurement's points: it lets go of them first.
    if (FBandTable) {
        FBandTable->SetMeasurement(nullptr, QString(), ChartReference);
        FBandTable->close();
    }
    FMeasurement.Close();
    if (FChart) FChart->ClearTrace();
    if (FSwrPlot) FSwrPlot->SetMeasurement(nullptr);
    UpdateMeasurementActions();
    RedrawReadout();
}

void TvSmithChart::UpdateMeasurementActions() {
    if (actCloseMeasurement) actCloseMeasurement->setEnabled(FMeasurement.IsOpen());
    if (actBandTable) actBandTable->setEnabled(FMeasurement.IsOpen());
    if (FFeedLineWindow) FFeedLineWindow->SetMeasurementOpen(FMeasurement.IsOpen());
}

void TvSmithChart::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TvSmithChart::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const QString path = urls.front().toLocalFile();
    Guarded([&] { OpenMeasurement(path); });
}

bool TvSmithChart::TakeTracePoint(int x, int y) {
    if (!FChart) return false;
    const std::optional<TSmithChart::TTracePoint> near = FMeasurement.PointNear(*FChart, x, y);
    if (!near) return false;
    const TSmithChart::TTracePoint p = *near;
    Recorded([&] {
        // The field shows the measured frequency; the solve takes the number itself.
        edFR->setText(FrequencyText(p.FrequencyMHz));
        TNetwork net;
        const TPolarOfImpedance polar = ImpedanceToPolar(p.R, p.X, ChartReference);
        net.Load = {polar.Swr, polar.Theta, p.R, p.X};
        FChart->ClearCursorLayer();
        SolveReading(net, p.FrequencyMHz);
    });
    return true;
}

// The feed line's tuner's-end impedance taken as a click on it would, at
// the frequency the window shows: one step that Zpět takes back.
void TvSmithChart::TakeLoad(const TLoad& load, double fMHz) {
    if (!FChart) return;
    Recorded([&] {
        edFR->setText(FrequencyText(fMHz));
        TNetwork net;
        const TPolarOfImpedance polar = ImpedanceToPolar(load.R, load.X, ChartReference);
        net.Load = {polar.Swr, polar.Theta, load.R, load.X};
        FChart->ClearCursorLayer();
        SolveReading(net, fMHz);
    });
}

TfrmBandTable* TvSmithChart::ShowBandTable() {
    if (!FMeasurement.IsOpen()) return nullptr;
    if (!FBandTable) {
        FBandTable = new TfrmBandTable(nullptr);
        FBandTable->setAttribute(Qt::WA_DeleteOnClose, true);
        FBandTable->SetMeasurement(&*FMeasurement.Touchstone(), FMeasurement.Name(),
                                   ChartReference);
    }
    PublishStep();
    PlaceToolWindow(FBandTable);
    FBandTable->show();
    FBandTable->raise();
    return FBandTable;
}

void TMeasurement::Open(TTouchstone touchstone, const QString& name) {
    FTouchstone = std::move(touchstone);
    FName = name;
}

void TMeasurement::Close() {
    FTouchstone.reset();
    FMoved.reset();
    FName.clear();
}

std::vector<TSmithChart::TTracePoint> TMeasurement::TracePoints() const {
    std::vector<TSmithChart::TTracePoint> points;
    const std::optional<TTouchstone>& shown = Touchstone();
    if (!shown) return points;
    points.reserve(shown->Points.size());
    // An open circuit has no place the chart could compute: it is left off.
    for (const TTouchstonePoint& p : shown->Points)
        if (!p.Open) points.push_back({p.FrequencyMHz, p.R, p.X});
    return points;
}

std::optional<TSmithChart::TTracePoint> TMeasurement::PointNear(const TSmithChart& chart, int x,
                                                                int y) const {
    if (!FTouchstone) return std::nullopt;
    const std::optional<size_t> i = chart.TracePointNear(x, y, TSmithChart::TraceReach);
    if (!i) return std::nullopt;
    const TSmithChart::TTracePoint& p = chart.Trace()[*i];
    // Outside the chart's disc, or at 0 Hz, the point has no network; the
    // click is ordinary.
    if (!(p.R > 0) || !(p.FrequencyMHz > 0)) return std::nullopt;
    return p;
}
