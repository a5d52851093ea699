#pragma once
// The undo history of the design: every action that adds to the chart is one
// step with the design's current step after it; undo, redo and clear. The
// chart's annotations are the chart's: the history only counts them, takes
// them off and puts them back through a keeper.

#include "design.h"

#include <functional>
#include <memory>
#include <vector>

class TAnnotationKeeper {
public:
    struct TCount {
        size_t Markers = 0, Arcs = 0;
    };
    // What was taken off, kept opaque here and handed back as it was.
    using TTaken = std::shared_ptr<void>;
    virtual ~TAnnotationKeeper() = default;
    virtual TCount Count() const = 0;
    virtual TTaken TakeFrom(TCount from) = 0;
    virtual void Restore(TTaken taken) = 0;
};

class THistory {
public:
    explicit THistory(TDesign& design) : D(design) {}
    void SetKeeper(TAnnotationKeeper* keeper) { FKeeper = keeper; }

    // Runs an action, then commit, which puts the action's result into the
    // design; the action is one undoable step when it added to the chart,
    // even when it ended in an error after adding.
    void Recorded(const std::function<void()>& action, const std::function<void()>& commit);
    void Undo();
    void Redo();
    void Clear();
    // Forgets every step (a project opened); the chart is the caller's.
    void Reset();
    bool CanUndo() const { return !FUndo.empty(); }
    bool CanRedo() const { return !FRedo.empty(); }
    // After every change of the above.
    std::function<void()> OnChanged;

private:
    void RecordStep(const TAnnotationKeeper::TCount& before, const QString& frequencyText);
    void Changed() {
        if (OnChanged) OnChanged();
    }

    struct TStep {
        TAnnotationKeeper::TCount Before;
        // An action's annotations while it is undone; a clearing's while it stands.
        TAnnotationKeeper::TTaken Taken;
        TCurrentStep After;
        // A measured point writes the frequency field; undo puts this back.
        QString FrequencyTextBefore;
        bool Clearing = false;
    };
    std::vector<TStep> FUndo, FRedo;
    TDesign& D;
    TAnnotationKeeper* FKeeper = nullptr;
};
