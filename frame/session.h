#pragma once
// The session the user steers: every action that adds to the chart as one
// undoable step with the panel's result after it, undo, redo and clear, and
// the live drag. The frame owns it and calls it.

#include "currentstep.h"
#include "smithchart.h"

#include <QString>
#include <functional>
#include <vector>

class QEvent;
class TvSmithChart;

class TSession {
public:
    explicit TSession(TvSmithChart& frame) : F(frame) {}

    // Runs an action and keeps it as one undoable step when it added to the
    // chart, even when it ended in an error after adding.
    void Recorded(const std::function<void()>& action);
    void Undo();
    void Redo();
    void ClearAnnotations();
    bool CanUndo() const { return !FUndo.empty(); }
    bool CanRedo() const { return !FRedo.empty(); }

    // Live drag: the paint box's events; true when one is swallowed.
    bool DragEvent(QEvent* event);
    bool Dragging() const { return FDrag.Dragging; }
    // The network of the point under a dragging pointer, shown but not kept.
    void PreviewAt(const TReading& load);

private:
    void RecordStep(const TSmithChart::TAnnotationCount& before, const QString& frequencyText);
    void CancelDrag();

    struct TStep {
        TSmithChart::TAnnotationCount Before;
        // An action's annotations while it is undone; a clearing's while it stands.
        TSmithChart::TAnnotations Taken;
        TCurrentStep After;
        // A measured point writes the frequency field; undo puts this back.
        QString FrequencyTextBefore;
        bool Clearing = false;
    };
    std::vector<TStep> FUndo, FRedo;
    struct TDragState {
        bool Pressed = false;
        bool Dragging = false;
        bool Swallow = false; // the release of a refused or cancelled drag does nothing
        double Frequency = 0.0;
        TCurrentStep Before;
    } FDrag;
    TvSmithChart& F;
};
