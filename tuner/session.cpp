// The session the user steers: undo, redo and clear of the chart's
// annotations, the live drag preview, and the picture saved or copied.
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

TvSmithChart::TFields TvSmithChart::CurrentFields() const {
    return {edL->text(), edC->text(), chkL->isChecked(), chkC->isChecked(), FLastLoad};
}

void TvSmithChart::ShowFields(const TFields& fields) {
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
    FLastLoad = fields.Load;
    UpdateNetworkWindow();
}

void TvSmithChart::Recorded(const std::function<void()>& action) {
    if (!FChart) return action();
    const TSmithChart::TAnnotationCount before = FChart->AnnotationCount();
    try {
        action();
    } catch (...) {
        RecordStep(before);
        throw;
    }
    RecordStep(before);
}

void TvSmithChart::RecordStep(const TSmithChart::TAnnotationCount& before) {
    const TSmithChart::TAnnotationCount after = FChart->AnnotationCount();
    if (after.Markers == before.Markers && after.Arcs == before.Arcs) return;
    FUndo.push_back({before, {}, CurrentFields()});
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
    FRedo.push_back(std::move(step));
    ShowFields(FUndo.empty() ? TFields{} : FUndo.back().After);
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
    ShowFields(step.After);
    FUndo.push_back(std::move(step));
    UpdateHistoryActions();
}

void TvSmithChart::ClearAnnotations() {
    if (!FChart) return;
    const TSmithChart::TAnnotationCount all = FChart->AnnotationCount();
    if (all.Markers == 0 && all.Arcs == 0) return;
    // The clearing keeps what it took while it stands; undo puts it back.
    FUndo.push_back({{0, 0}, FChart->TakeAnnotationsFrom({0, 0}), CurrentFields(), true});
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

void TvSmithChart::SavePictureAs() {
    const QString folder = ExistingFolderOrHome(QStandardPaths::PicturesLocation);
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
        FDrag.Before = CurrentFields();
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
        const TFields before = FDrag.Before;
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
