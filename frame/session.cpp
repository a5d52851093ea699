// The session the user steers: undo, redo and clear of the chart's
// annotations, the live drag preview, and the picture saved or copied.
#include "apperror.h"
#include "numtext.h"
#include "session.h"
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
    return {FStep.Load,         FStep.FrequencyMHz, edL->text(), edC->text(),
            chkL->isChecked(), chkC->isChecked(),  edFR->text()};
}

// The frequency field is the step's to restore only when the step wrote it
// (a measured point); the callers do that, so that typing survives undo.
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
    FStep.Load = fields.Load;
    FStep.FrequencyMHz = fields.FrequencyMHz;
    PublishStep();
}

void TvSmithChart::UpdateHistoryActions() {
    if (actUndo) actUndo->setEnabled(FSession.CanUndo());
    if (actRedo) actRedo->setEnabled(FSession.CanRedo());
    // Clearing an empty chart would do nothing, so the menus offer it only with something drawn.
    if (actClear) {
        const TSmithChart::TAnnotationCount drawn =
            FChart ? FChart->AnnotationCount() : TSmithChart::TAnnotationCount{};
        actClear->setEnabled(drawn.Markers > 0 || drawn.Arcs > 0);
    }
}

void TvSmithChart::Undo() {
    FSession.Undo();
    RedrawReadout();
}

void TvSmithChart::Redo() {
    FSession.Redo();
    RedrawReadout();
}

void TvSmithChart::ClearAnnotations() {
    FSession.ClearAnnotations();
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

void TSession::Recorded(const std::function<void()>& action) {
    TSmithChart* chart = F.Chart();
    if (!chart) return action();
    const TSmithChart::TAnnotationCount before = chart->AnnotationCount();
    const QString frequencyText = F.edFR->text();
    try {
        action();
    } catch (...) {
        RecordStep(before, frequencyText);
        F.PublishStep();
        throw;
    }
    RecordStep(before, frequencyText);
    F.PublishStep();
}

void TSession::RecordStep(const TSmithChart::TAnnotationCount& before,
                          const QString& frequencyText) {
    const TSmithChart::TAnnotationCount after = F.Chart()->AnnotationCount();
    if (after.Markers == before.Markers && after.Arcs == before.Arcs) return;
    FUndo.push_back({before, {}, F.CurrentStep(), frequencyText});
    FRedo.clear();
    F.UpdateHistoryActions();
}

void TSession::Undo() {
    TSmithChart* chart = F.Chart();
    if (!chart || FUndo.empty()) return;
    TStep step = std::move(FUndo.back());
    FUndo.pop_back();
    if (step.Clearing)
        chart->RestoreAnnotations(std::move(step.Taken));
    else
        step.Taken = chart->TakeAnnotationsFrom(step.Before);
    if (step.FrequencyTextBefore != step.After.FrequencyText) F.edFR->setText(step.FrequencyTextBefore);
    FRedo.push_back(std::move(step));
    F.ShowFields(FUndo.empty() ? TCurrentStep{} : FUndo.back().After);
    F.UpdateHistoryActions();
}

void TSession::Redo() {
    TSmithChart* chart = F.Chart();
    if (!chart || FRedo.empty()) return;
    TStep step = std::move(FRedo.back());
    FRedo.pop_back();
    if (step.Clearing)
        step.Taken = chart->TakeAnnotationsFrom({0, 0});
    else
        chart->RestoreAnnotations(std::move(step.Taken));
    if (step.FrequencyTextBefore != step.After.FrequencyText) F.edFR->setText(step.After.FrequencyText);
    F.ShowFields(step.After);
    FUndo.push_back(std::move(step));
    F.UpdateHistoryActions();
}

void TSession::ClearAnnotations() {
    TSmithChart* chart = F.Chart();
    if (!chart) return;
    const TSmithChart::TAnnotationCount all = chart->AnnotationCount();
    if (all.Markers == 0 && all.Arcs == 0) return;
    // The clearing keeps what it took while it stands; undo puts it back.
    const TCurrentStep now = F.CurrentStep();
    FUndo.push_back({{0, 0}, chart->TakeAnnotationsFrom({0, 0}), now, now.FrequencyText, true});
    FRedo.clear();
    F.UpdateHistoryActions();
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
    const QString path = AskSavePath(this, QStringLiteral("Uložit obrázek"), QStandardPaths::PicturesLocation,
                                     QStringLiteral("pentarix-%1.png"), QStringLiteral("Obrázek PNG (*.png)"));
    if (!path.isEmpty()) SavePicture(path);
}

TDesignPage TvSmithChart::DesignPage() {
    if (!FStep.Load) throw std::runtime_error("Návrh zatím není: klikni na plochu grafu.");
    const TfrmNetwork* details = FNetworkWindow.data();
    // The network shown in "Síť" only while it shows this step.
    const bool sameStep = details && details->FrequencyMHz() == FStep.FrequencyMHz &&
                          details->Load().R == FStep.Load->R && details->Load().X == FStep.Load->X;
    const TDesignOptions options = details ? details->Options() : TfrmNetwork::SavedOptions();
    const TWindingOptions winding = details ? details->Winding() : TfrmNetwork::SavedWinding();
    const TTouchstone* trace = FMeasurement.IsOpen() ? &*FMeasurement.Touchstone() : nullptr;
    TLoadModel model = trace ? TLoadModel::Measured : TLoadModel::Constant;
    double span = 0.2;
    if (FSwrPlot) {
        model = FSwrPlot->Model();
        span = FSwrPlot->Span();
    }
    int index = -1;
    if (sameStep) index = details->SelectedNetwork();
    if (index < 0) {
        const std::vector<TNetworkReport> reports = DesignNetworks(*FStep.Load, FStep.FrequencyMHz, options);
        for (size_t i = 0; i < reports.size(); ++i)
            if (reports[i].Network.Chart) index = int(i);
    }
    TDesignPage page = MakeDesignPage(*FStep.Load, FStep.FrequencyMHz, options, winding,
                                      std::max(index, 0), model, span, trace);
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
    const QString path =
        AskSavePath(this, QStringLiteral("Uložit návrh"), QStandardPaths::DocumentsLocation,
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
        Guarded([&] { swallow = FSession.DragEvent(event); });
        if (swallow) return true;
    }
    return QFrame::eventFilter(watched, event);
}

bool TSession::DragEvent(QEvent* event) {
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

void TSession::CancelDrag() {
    F.Chart()->ClearCursorLayer();
    F.Chart()->Present();
    F.ShowFields(FDrag.Before);
}

void TSession::PreviewAt(const TReading& load) {
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
    F.edL->setText(FormatFloat(QStringLiteral("#0.000"), l));
    F.edL->setCursorPosition(0);
    F.edC->setText(FormatFloat(QStringLiteral("#0.0"), c));
    F.edC->setCursorPosition(0);
    (match.IsCL ? F.chkC : F.chkL)->setChecked(true);
    F.Chart()->DrawPreview(load.Theta, load.Swr, match, move);
}
