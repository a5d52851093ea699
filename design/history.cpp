#include "history.h"

void THistory::Recorded(const std::function<void()>& action, const std::function<void()>& commit) {
    if (!FKeeper) {
        action();
        return commit();
    }
    const TAnnotationKeeper::TCount before = FKeeper->Count();
    const QString frequencyText = D.FrequencyText();
    try {
        action();
    } catch (...) {
        commit();
        RecordStep(before, frequencyText);
        throw;
    }
    commit();
    RecordStep(before, frequencyText);
}

void THistory::RecordStep(const TAnnotationKeeper::TCount& before, const QString& frequencyText) {
    const TAnnotationKeeper::TCount after = FKeeper->Count();
    if (after.Markers == before.Markers && after.Arcs == before.Arcs) return;
    FUndo.push_back({before, {}, D.Step(), frequencyText});
    FRedo.clear();
    Changed();
}

void THistory::Undo() {
    if (!FKeeper || FUndo.empty()) return;
    TStep step = std::move(FUndo.back());
    FUndo.pop_back();
    if (step.Clearing)
        FKeeper->Restore(std::move(step.Taken));
    else
        step.Taken = FKeeper->TakeFrom(step.Before);
    {
        TDesign::TBatch batch(D);
        if (step.FrequencyTextBefore != step.After.FrequencyText)
            D.SetFrequencyText(step.FrequencyTextBefore);
        D.SetStep(FUndo.empty() ? TCurrentStep{} : FUndo.back().After);
        FRedo.push_back(std::move(step));
    }
    Changed();
}

void THistory::Redo() {
    if (!FKeeper || FRedo.empty()) return;
    TStep step = std::move(FRedo.back());
    FRedo.pop_back();
    if (step.Clearing)
        step.Taken = FKeeper->TakeFrom({0, 0});
    else
        FKeeper->Restore(std::move(step.Taken));
    {
        TDesign::TBatch batch(D);
        if (step.FrequencyTextBefore != step.After.FrequencyText)
            D.SetFrequencyText(step.After.FrequencyText);
        D.SetStep(step.After);
        FUndo.push_back(std::move(step));
    }
    Changed();
}

void THistory::Clear() {
    if (!FKeeper) return;
    const TAnnotationKeeper::TCount all = FKeeper->Count();
    if (all.Markers == 0 && all.Arcs == 0) return;
    // The clearing keeps what it took while it stands; undo puts it back.
    const TCurrentStep now = D.Step();
    FUndo.push_back({{0, 0}, FKeeper->TakeFrom({0, 0}), now, now.FrequencyText, true});
    FRedo.clear();
    Changed();
}

void THistory::Reset() {
    FUndo.clear();
    FRedo.clear();
    Changed();
}
