// The session the user steers: undo, redo and clear of the chart's
// annotations, the live drag preview, and the picture saved or copied.
#include "session.h"
#include "apperror.h"
#include "numtext.h"
#include "savefile.h"
#include "vSmith.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QImageWriter>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStandardPaths>

// ---------------------------------------------------------------- history

TCurrentStep TvSmithChart::CurrentStep() const {
    return {FEditing.Load,     FEditing.FrequencyMHz, edL->text(),  edC->text(),
            chkL->isChecked(), chkC->isChecked(),     edFR->text(), FEditing.Antenna};
}

// The frequency field is the step's to restore only when the step wrote it
// (a measured point); the history does that, so that typing survives undo.
void TvSmithChart::ShowFields(const TCurrentStep& fields) {
    edL->setText(fields.L);
    edL->setCursorPosition(0);
    edC->setText(fields.C);
    edC->setCursorPosition(0);
    // Radio buttons of one parent never let the last checked one go by itself.
    for (QRadioButton* b : {chkL, chkC})
        b->setAutoExclusive(false);
    chkL->setChecked(fields.LC);
    chkC->setChecked(fields.CL);
    for (QRadioButton* b : {chkL, chkC})
        b->setAutoExclusive(true);
    FEditing.Load = fields.Load;
    FEditing.FrequencyMHz = fields.FrequencyMHz;
    FEditing.Antenna = fields.Antenna;
}

void TvSmithChart::ShowPreview(double l, double c, bool isCL) {
    edL->setText(FormatFloat(QStringLiteral("#0.000"), l));
    edL->setCursorPosition(0);
    edC->setText(FormatFloat(QStringLiteral("#0.0"), c));
    edC->setCursorPosition(0);
    (isCL ? chkC : chkL)->setChecked(true);
}

void TvSmithChart::CommitStep() {
    FCommitting = true;
    try {
        FDesign.SetStep(CurrentStep());
    } catch (...) {
        FCommitting = false;
        throw;
    }
    FCommitting = false;
}

void TvSmithChart::Recorded(const std::function<void()>& action) {
    FHistory.Recorded(action, [this] { CommitStep(); });
}

void TvSmithChart::UpdateHistoryActions() {
    if (actUndo) actUndo->setEnabled(FHistory.CanUndo());
    if (actRedo) actRedo->setEnabled(FHistory.CanRedo());
    // Clearing an empty chart would do nothing, so the menus offer it only with something drawn.
    if (actClear) {
        const TSmithChart::TAnnotationCount drawn =
            FChart ? FChart->AnnotationCount() : TSmithChart::TAnnotationCount{};
        actClear->setEnabled(drawn.Markers > 0 || drawn.Arcs > 0);
    }
}

void TvSmithChart::Undo() {
    FHistory.Undo();
    RedrawReadout();
}

void TvSmithChart::Redo() {
    FHistory.Redo();
    RedrawReadout();
}

void TvSmithChart::ClearAnnotations() {
    FHistory.Clear();
    RedrawReadout();
}

// After a change the pointer did not make, the readout tells what now lies
// under the pointer; with the pointer elsewhere a stale crosshair goes.
void TvSmithChart::RedrawReadout() {
    if (!FChart) return;
    if (const std::optional<QPoint> p = pbSmith->PointerOver()) {
        TReading reading;
        FChart->ReadPointer(p->x(), p->y(), true, reading);
    } else if (FChart->CursorDrawn()) {
        FChart->ClearCursorLayer();
        FChart->Present();
    }
}

// ---------------------------------------------------------------- picture

QImage TvSmithChart::Picture() {
    if (!FChart) return {};
    // Without the crosshair the menu or the shortcut left at the pointer.
    FChart->ClearCursorLayer();
    FChart->Present();
    return FChart->Composite().Image().copy();
}

void TvSmithChart::SavePicture(const QString& path) {
    // Encoded whole in memory first, so that only a complete picture is written.
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "PNG");
    try {
        if (!writer.write(Picture())) throw ESaveError(writer.errorString().toStdString());
        SaveAtomically(path, png);
    } catch (const ESaveError& e) {
        throw std::runtime_error("Obrázek nelze uložit: " + std::string(e.what()));
    }
}

namespace {

// The save dialog, offering a name stamped with the time in the usual folder
// for the kind; empty when the user cancels.
QString AskSavePath(QWidget* parent, const QString& title, QStandardPaths::StandardLocation where,
                    const QString& namePattern, const QString& filter) {
    const QString folder = ExistingFolderOrHome(where);
    const QString name =
        namePattern.arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    return QFileDialog::getSaveFileName(parent, title, QDir(folder).filePath(name), filter);
}

} // namespace

void TvSmithChart::SavePictureAs() {
    const QString path =
        AskSavePath(this, QStringLiteral("Uložit obrázek"), QStandardPaths::PicturesLocation,
                    QStringLiteral("pentarix-%1.png"), QStringLiteral("Obrázek PNG (*.png)"));
    if (!path.isEmpty()) SavePicture(path);
}

TDesignPage TvSmithChart::DesignPage() {
    const TCurrentStep& step = FDesign.Step();
    if (!step.Load) throw std::runtime_error("Návrh zatím není: klikni na plochu grafu.");
    const TDesignOptions& options = FDesign.Options();
    const TWindingOptions& winding = FDesign.Winding();
    const TTouchstone* trace = FDesign.Shown();
    const TLoadModel model = FDesign.Model();
    const double span = FDesign.Span();
    int index = FDesign.ChosenNetwork();
    const std::vector<TNetworkReport> reports =
        DesignNetworks(*step.Load, step.FrequencyMHz, options);
    if (index < 0 || index >= int(reports.size())) {
        index = -1;
        for (size_t i = 0; i < reports.size(); ++i)
            if (reports[i].Network.Chart) index = int(i);
    }
    // With the line taking part, or the load moved to the tuner's end by it,
    // the page states the chain; the measured model reads the antenna's points.
    const bool withLine = FDesign.LineInUse() || step.Antenna;
    std::optional<TLoad> antenna = step.Antenna;
    if (withLine && !antenna && FDesign.Feed().Point == TPointAt::Shack) {
        try {
            antenna = FDesign.AntennaLoad();
        } catch (const std::exception&) {
        }
    }
    const bool throughLine = withLine && antenna && FDesign.Feed().Tuner == TTunerAt::Shack;
    TDesignPage page = MakeDesignPage(
        *step.Load, step.FrequencyMHz, options, winding, std::max(index, 0), model, span,
        throughLine ? FDesign.Measured() : trace, withLine ? &FDesign.Feed() : nullptr, antenna);
    page.MeasurementName = FDesign.MeasurementName();
    if (const std::optional<TTuner>& tuner = FDesign.ShownTuner()) {
        const TDesignOptions& o = FDesign.Options();
        page.Tuner = *tuner;
        page.TunerReport = TuneLoad({*tuner, step.FrequencyMHz, o.Z0, o.Q}, *step.Load, o.PowerW);
    }
    page.Chart = Picture();
    page.Version = QStringLiteral(PENTARIX_VERSION);
    page.When = QDateTime::currentDateTime();
    return page;
}

void TvSmithChart::SaveDesign(const QString& path) {
    WriteDesign(path, DesignPage());
}

void TvSmithChart::WriteDesign(const QString& path, const TDesignPage& page) {
    const QByteArray pdf = DesignPdf(page);
    try {
        SaveAtomically(path, pdf);
    } catch (const ESaveError& e) {
        throw std::runtime_error("Návrh nelze uložit: " + std::string(e.what()));
    }
}

void TvSmithChart::SaveDesignAs() {
    // Made before the dialog: a design that cannot be made wastes no choosing,
    // and the page shows the chart as it was when asked for.
    const TDesignPage page = DesignPage();
    const QString path = AskSavePath(
        this, QStringLiteral("Uložit návrh"), QStandardPaths::DocumentsLocation,
        QStringLiteral("pentarix-navrh-%1.pdf"), QStringLiteral("Dokument PDF (*.pdf)"));
    if (!path.isEmpty()) WriteDesign(path, page);
}

void TvSmithChart::CopyPicture() {
    QApplication::clipboard()->setImage(Picture());
}

// ---------------------------------------------------------------- live drag

bool TvSmithChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pbSmith && FChart) {
        bool swallow = false;
        Guarded([&] { swallow = FDrag.DragEvent(event); });
        if (swallow) return true;
    }
    return QFrame::eventFilter(watched, event);
}

bool TDrag::DragEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton) return false;
        FDrag = {};
        FDrag.Pressed = true;
        FDrag.Before = F.CurrentStep();
        return false;
    }
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!FDrag.Pressed || FDrag.Dragging || FDrag.Swallow || !(e->buttons() & Qt::LeftButton))
            return FDrag.Swallow;
        // The frequency is read once, at the start: a bad one is told once
        // and the drag is off, instead of a box at every move.
        FDrag.Swallow = true;
        FDrag.Frequency = F.ReadFrequency();
        FDrag.Swallow = false;
        FDrag.Dragging = true;
        return false;
    }
    case QEvent::MouseButtonRelease: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton) return false;
        const bool swallow = FDrag.Swallow;
        const bool dragged = FDrag.Dragging;
        const TCurrentStep before = FDrag.Before;
        FDrag = {};
        if (swallow) return true;
        // Released over the chart it is the ordinary click there; elsewhere
        // the drag is called off.
        if (dragged && !F.pbSmith->rect().contains(e->position().toPoint())) {
            FDrag.Before = before;
            CancelDrag();
            FDrag = {};
        }
        return false;
    }
    case QEvent::KeyPress:
        if (FDrag.Dragging && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            CancelDrag();
            FDrag.Dragging = false;
            FDrag.Swallow = true;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TDrag::CancelDrag() {
    F.Chart()->ClearCursorLayer();
    F.Chart()->Present();
    F.ShowFields(FDrag.Before);
}

void TDrag::PreviewAt(const TReading& load) {
    TMatch match;
    TFirstMove move;
    double l = 0.0, c = 0.0;
    try {
        const double m = ChartMagnitude(load.Swr);
        match.IsCL = ChartDecidesCL(load.Theta, m);
        move = ChartTransition(load.Theta, m, match);
        const TImpedance zm = ChartGammaToImpedance(match.MatchAngle, match.MatchMagnitude);
        l = ChartSeriesL(match.IsCL, {load.R, load.X}, zm, FDrag.Frequency);
        c = ChartShuntC(match.IsCL, {load.R, load.X}, zm, FDrag.Frequency);
    } catch (const std::exception&) {
        // A point with no network (the matched centre) shows no preview.
        return;
    }
    F.ShowPreview(l, c, match.IsCL);
    F.Chart()->DrawPreview(load.Theta, load.Swr, match, move);
}
