// The session the user steers: undo, redo and clear of the chart's
// annotations, the live drag preview, and the picture saved or copied.
#include "apperror.h"
#include "numtext.h"
#include "vSmith.h"

#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSaveFile>
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

void TvSmithChart::Recorded(const std::function<void()>& action) {
    if (!FChart) return action();
    const TSmithChart::TAnnotationCount before = FChart->AnnotationCount();
    const QString frequencyText = edFR->text();
    try {
        action();
    } catch (...) {
        RecordStep(before, frequencyText);
        PublishStep();
        throw;
    }
    RecordStep(before, frequencyText);
    PublishStep();
}

void TvSmithChart::RecordStep(const TSmithChart::TAnnotationCount& before,
                              const QString& frequencyText) {
    const TSmithChart::TAnnotationCount after = FChart->AnnotationCount();
    if (after.Markers == before.Markers && after.Arcs == before.Arcs) return;
    FUndo.push_back({before, {}, CurrentStep(), frequencyText});
    FRedo.clear();
    UpdateHistoryActions();
}

void TvSmithChart::UpdateHistoryActions() {
    if (actUndo) actUndo->setEnabled(!FUndo.empty());
    if (actRedo) actRedo->setEnabled(!FRedo.empty());
}

void TvSmithChart::Undo() {
    if (!FChart || FUndo.empty()) return;
    TStep step = std::move(FUndo.back());
    FUndo.pop_back();
    if (step.Clearing)
        FChart->RestoreAnnotations(std::move(step.Taken));
    else
        step.Taken = FChart->TakeAnnotationsFrom(step.Before);
    if (step.FrequencyTextBefore != step.After.FrequencyText) edFR->setText(step.FrequencyTextBefore);
    FRedo.push_back(std::move(step));
    ShowFields(FUndo.empty() ? TCurrentStep{} : FUndo.back().After);
    UpdateHistoryActions();
}

void TvSmithChart::Redo() {
    if (!FChart || FRedo.empty()) return;
    TStep step = std::move(FRedo.back());
    FRedo.pop_back();
    if (step.Clearing)
        step.Taken = FChart->TakeAnnotationsFrom({0, 0});
    else
        FChart->RestoreAnnotations(std::move(step.Taken));
    if (step.FrequencyTextBefore != step.After.FrequencyText) edFR->setText(step.After.FrequencyText);
    ShowFields(step.After);
    FUndo.push_back(std::move(step));
    UpdateHistoryActions();
}

void TvSmithChart::ClearAnnotations() {
    if (!FChart) return;
    const TSmithChart::TAnnotationCount all = FChart->AnnotationCount();
    if (all.Markers == 0 && all.Arcs == 0) return;
    // The clearing keeps what it took while it stands; undo puts it back.
    const TCurrentStep now = CurrentStep();
    FUndo.push_back({{0, 0}, FChart->TakeAnnotationsFrom({0, 0}), now, now.FrequencyText, true});
    FRedo.clear();
    UpdateHistoryActions();
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
    const QImage image = Picture();
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly) && image.save(&file, "PNG");
    ok = ok && file.commit();
    if (!ok) {
        file.cancelWriting();
        throw std::runtime_error(
            QStringLiteral("Obrázek nelze uložit do '%1'").arg(QDir::toNativeSeparators(path)).toStdString());
    }
}

void TvSmithChart::SavePictureAs() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    const QString name = QStringLiteral("pentarix-%1.png")
                             .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Uložit obrázek"),
                                                      QDir(folder).filePath(name),
                                                      QStringLiteral("Obrázek PNG (*.png)"));
    if (!path.isEmpty()) SavePicture(path);
}

void TvSmithChart::CopyPicture() {
    QApplication::clipboard()->setImage(Picture());
}

// ---------------------------------------------------------------- live drag

bool TvSmithChart::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pbSmith && FChart) {
        bool swallow = false;
        Guarded([&] { swallow = DragEvent(event); });
        if (swallow) return true;
    }
    return QFrame::eventFilter(watched, event);
}

bool TvSmithChart::DragEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (e->button() != Qt::LeftButton) return false;
        FDrag = {};
        FDrag.Pressed = true;
        FDrag.Before = CurrentStep();
        return false;
    }
    case QEvent::MouseMove: {
        const auto* e = static_cast<QMouseEvent*>(event);
        if (!FDrag.Pressed || FDrag.Dragging || FDrag.Swallow || !(e->buttons() & Qt::LeftButton))
            return FDrag.Swallow;
        // The frequency is read once, at the start: a bad one is told once
        // and the drag is off, instead of a box at every move.
        FDrag.Swallow = true;
        FDrag.Frequency = ReadFrequency();
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
        if (dragged && !pbSmith->rect().contains(e->position().toPoint())) {
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

void TvSmithChart::CancelDrag() {
    FChart->ClearCursorLayer();
    FChart->Present();
    ShowFields(FDrag.Before);
}

void TvSmithChart::PreviewAt(const TReading& load) {
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
    edL->setText(FormatFloat(QStringLiteral("#0.000"), l));
    edL->setCursorPosition(0);
    edC->setText(FormatFloat(QStringLiteral("#0.0"), c));
    edC->setCursorPosition(0);
    (match.IsCL ? chkC : chkL)->setChecked(true);
    FChart->DrawPreview(load.Theta, load.Swr, match, move);
}
