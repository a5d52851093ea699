// A measured antenna: the Touchstone file opened, its trace on the chart, a
// click that takes a measured point, and the band table.
#include "measurement.h"
#include "apperror.h"
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
        QStringLiteral(
            "Touchstone (*.s1p *.s2p *.S1P *.S2P);;Touchstone 2 (*.ts *.TS);;CSV (*.csv *.CSV);;"
            "Všechny soubory (*)"));
    if (!path.isEmpty()) OpenMeasurement(path);
}

void TvSmithChart::OpenMeasurement(const QString& path) {
    if (!FDesign.RoomForMeasurement(QFileInfo(path).fileName()))
        throw EConvertError(QStringLiteral("Otevřeno je už %1 měření: zavři nejdřív jedno z nich "
                                           "(Soubor → Zavřít měření)")
                                .arg(MaxMeasurements));
    TTouchstone measurement;
    try {
        measurement = ReadMeasurementFile(QFile::encodeName(path).toStdString());
    } catch (const ETouchstoneError& e) {
        // The whole message, file and line included; what was open stays open.
        throw EConvertError(TouchstoneErrorText(e));
    }
    FDesign.OpenMeasurement(std::move(measurement), QFileInfo(path).fileName());
}

// The measurement as shown: moved through the feed line while that is asked
// for, else as measured.
void TvSmithChart::ShowMeasurement() {
    if (!FChart) return;
    const TTouchstone* shown = FDesign.Shown();
    if (shown || !FDesign.Others().empty()) {
        // The others as the active one is shown: at the tuner's end when it is.
        std::vector<TSmithChart::TOtherTrace> others;
        for (const TOtherMeasurement& o : FDesign.Others())
            others.push_back(
                {TSmithChart::OtherTraceColor(others.size()), o.Name,
                 TracePointsOf(FDesign.TraceMoved() ? MoveTrace(o.Measured, FDesign.Feed())
                                                    : o.Measured)});
        FChart->SetTrace(shown ? TracePointsOf(*shown) : std::vector<TSmithChart::TTracePoint>{},
                         std::move(others), FDesign.MeasurementName());
    } else {
        FChart->ClearTrace();
    }
    RedrawReadout();
}

void TvSmithChart::UpdateMeasurementMenu() {
    if (!mnMeasurements) return;
    mnMeasurements->clear();
    const std::vector<TOtherMeasurement>& others = FDesign.Others();
    mnMeasurements->setEnabled(!others.empty());
    if (others.empty()) return;
    if (FDesign.HasMeasurement()) {
        QAction* active = mnMeasurements->addAction(FDesign.MeasurementName());
        active->setCheckable(true);
        active->setChecked(true);
    }
    for (std::size_t i = others.size(); i-- > 0;) {
        QAction* a = mnMeasurements->addAction(others[i].Name);
        a->setCheckable(true);
        connect(a, &QAction::triggered, this,
                [this, i] { Guarded([this, i] { FDesign.ActivateMeasurement(i); }); });
    }
}

void TvSmithChart::CloseMeasurement() {
    FDesign.CloseMeasurement();
}

void TvSmithChart::UpdateMeasurementActions() {
    if (actCloseMeasurement)
        actCloseMeasurement->setEnabled(FDesign.HasMeasurement() || !FDesign.Others().empty());
    if (actBandTable) actBandTable->setEnabled(FDesign.HasMeasurement());
    if (actTunerBand)
        actTunerBand->setEnabled(FDesign.HasMeasurement() && FDesign.ShownTuner().has_value());
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
    if (!FChart || !FDesign.HasMeasurement()) return false;
    const std::optional<TSmithChart::TTracePoint> near = TracePointNear(*FChart, x, y);
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
void TvSmithChart::TakeLoad(const TLoad& load, double fMHz, std::optional<TLoad> antenna) {
    if (!FChart) return;
    Recorded([&] {
        edFR->setText(FrequencyText(fMHz));
        TNetwork net;
        const TPolarOfImpedance polar = ImpedanceToPolar(load.R, load.X, ChartReference);
        net.Load = {polar.Swr, polar.Theta, load.R, load.X};
        FChart->ClearCursorLayer();
        SolveReading(net, fMHz);
        FEditing.Antenna = antenna;
    });
}

TfrmBandTable* TvSmithChart::ShowBandTable() {
    if (!FDesign.HasMeasurement()) return nullptr;
    return ShowTool(FBandTable, [this] { return new TfrmBandTable(nullptr, &FDesign); });
}

TfrmBandTable* TvSmithChart::ShowTunerBand() {
    if (!FDesign.HasMeasurement() || !FDesign.ShownTuner()) return nullptr;
    return ShowTool(FTunerBand,
                    [this] { return new TfrmBandTable(nullptr, &FDesign, TBandTableKind::Tuner); });
}

std::vector<TSmithChart::TTracePoint> TracePointsOf(const TTouchstone& shown) {
    std::vector<TSmithChart::TTracePoint> points;
    points.reserve(shown.Points.size());
    // An open circuit has no place the chart could compute: it is left off.
    for (const TTouchstonePoint& p : shown.Points)
        if (!p.Open) points.push_back({p.FrequencyMHz, p.R, p.X});
    return points;
}

std::optional<TSmithChart::TTracePoint> TracePointNear(const TSmithChart& chart, int x, int y) {
    const std::optional<size_t> i = chart.TracePointNear(x, y, TSmithChart::TraceReach);
    if (!i) return std::nullopt;
    const TSmithChart::TTracePoint& p = chart.Trace()[*i];
    // Outside the chart's disc, or at 0 Hz, the point has no network; the
    // click is ordinary.
    if (!(p.R > 0) || !(p.FrequencyMHz > 0)) return std::nullopt;
    return p;
}
