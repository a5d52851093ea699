#include "design.h"

TDesign::TDesign(QObject* parent) : QObject(parent) {}

TDesign::TBatch::~TBatch() {
    if (--D.FBatchDepth == 0 && D.FPending) {
        const unsigned what = D.FPending;
        D.FPending = 0;
        emit D.Changed(what);
    }
}

void TDesign::Touch(unsigned what) {
    if (FBatchDepth > 0) {
        FPending |= what;
        return;
    }
    emit Changed(what);
}

void TDesign::ReleaseShown() {
    if (F.Measured || FMoved) emit ShownReleasing();
}

void TDesign::Assign(TDesignState state) {
    ReleaseShown();
    F = std::move(state);
    UpdateMoved();
    Touch(dcAll);
}

void TDesign::SetStep(const TCurrentStep& step) {
    F.Step = step;
    Touch(dcStep);
}

void TDesign::SetFrequencyText(const QString& text) {
    if (text == F.FrequencyText) return;
    F.FrequencyText = text;
    Touch(dcFrequencyText);
}

void TDesign::SetSwrText(const QString& text) {
    if (text == F.SwrText) return;
    F.SwrText = text;
    Touch(dcSwrText);
}

void TDesign::OpenMeasurement(TTouchstone measurement, const QString& name) {
    ReleaseShown();
    std::erase_if(F.Others, [&](const TOtherMeasurement& o) { return o.Name == name; });
    if (F.Measured && F.MeasurementName != name)
        F.Others.push_back({F.MeasurementName, std::move(*F.Measured)});
    F.Measured = std::move(measurement);
    F.MeasurementName = name;
    F.Model = TLoadModel::Measured;
    UpdateMoved();
    Touch(dcMeasurement | dcPlot);
}

bool TDesign::RoomForMeasurement(const QString& name) const {
    if (F.Measured && F.MeasurementName == name) return true;
    for (const TOtherMeasurement& o : F.Others)
        if (o.Name == name) return true;
    return int(F.Others.size()) + (F.Measured ? 1 : 0) < MaxMeasurements;
}

void TDesign::ActivateMeasurement(std::size_t other) {
    if (other >= F.Others.size()) return;
    ReleaseShown();
    TOtherMeasurement chosen = std::move(F.Others[other]);
    if (F.Measured) {
        F.Others[other] = {F.MeasurementName, std::move(*F.Measured)};
    } else {
        F.Others.erase(F.Others.begin() + std::ptrdiff_t(other));
    }
    F.Measured = std::move(chosen.Measured);
    F.MeasurementName = chosen.Name;
    F.Model = TLoadModel::Measured;
    UpdateMoved();
    Touch(dcMeasurement | dcPlot);
}

bool TDesign::ShowLiveSweep(TTouchstone sweep) {
    if (F.Measured && F.MeasurementName == LiveName()) {
        ReleaseShown();
        F.Measured = std::move(sweep);
        UpdateMoved();
        Touch(dcMeasurement);
        return true;
    }
    for (TOtherMeasurement& o : F.Others)
        if (o.Name == LiveName()) {
            o.Measured = std::move(sweep);
            Touch(dcMeasurement);
            return true;
        }
    if (!RoomForMeasurement(LiveName())) return false;
    OpenMeasurement(std::move(sweep), LiveName());
    return true;
}

void TDesign::CloseMeasurement() {
    if (!F.Measured) {
        if (F.Others.empty()) return;
        F.Others.pop_back();
        Touch(dcMeasurement);
        return;
    }
    ReleaseShown();
    F.Measured.reset();
    F.MeasurementName.clear();
    // A closed measurement can no longer be moved; asking again is the user's.
    F.MoveTrace = false;
    FMoved.reset();
    unsigned what = dcMeasurement;
    if (F.Model == TLoadModel::Measured) {
        F.Model = TLoadModel::Constant;
        what |= dcPlot;
    }
    Touch(what);
}

void TDesign::SetMoveTrace(bool on) {
    if (on == F.MoveTrace) return;
    ReleaseShown();
    F.MoveTrace = on;
    UpdateMoved();
    Touch(dcMeasurement);
}

const TTouchstone* TDesign::Shown() const {
    if (FMoved) return &*FMoved;
    return Measured();
}

void TDesign::UpdateMoved() {
    if (FMoved) emit ShownReleasing();
    if (F.Measured && F.MoveTrace && F.LineInUse)
        FMoved = MoveTrace(*F.Measured, F.Feed);
    else
        FMoved.reset();
}

void TDesign::SetFeed(const TFeed& feed) {
    F.Feed = feed;
    unsigned what = dcFeed;
    if (F.Measured && F.MoveTrace && F.LineInUse) {
        UpdateMoved();
        what |= dcMeasurement;
    }
    Touch(what);
}

void TDesign::SetLineInUse(bool inUse) {
    if (inUse == F.LineInUse) return;
    F.LineInUse = inUse;
    unsigned what = dcFeed;
    if (F.Measured && F.MoveTrace) {
        UpdateMoved();
        what |= dcMeasurement;
    }
    Touch(what);
}

void TDesign::SetOptions(const TDesignOptions& options) {
    F.Options = options;
    Touch(dcOptions);
}

void TDesign::SetWinding(const TWindingTexts& texts, const TWindingOptions& winding) {
    F.WindingTexts = texts;
    F.Winding = winding;
    Touch(dcWinding);
}

void TDesign::SetChosenNetwork(int index) {
    if (index == F.ChosenNetwork) return;
    F.ChosenNetwork = index;
    Touch(dcChosen);
}

void TDesign::SetModel(TLoadModel model) {
    // Without a measurement the measured model has nothing to show.
    if (model == TLoadModel::Measured && !F.Measured) model = TLoadModel::Constant;
    if (model == F.Model) return;
    F.Model = model;
    Touch(dcPlot);
}

void TDesign::SetSpan(double fraction) {
    if (!(fraction > 0 && fraction < 1) || fraction == F.Span) return;
    F.Span = fraction;
    Touch(dcPlot);
}

std::optional<TLoad> TDesign::AntennaLoad() const {
    const TCurrentStep& step = F.Step;
    if (!step.Load) return std::nullopt;
    if (step.Antenna) return step.Antenna;
    if (F.Feed.Point == TPointAt::Antenna) return step.Load;
    return LoadOf(
        MoveBackThroughLine(F.Feed.Line, step.FrequencyMHz, F.Feed.LengthM, step.Load->Z()));
}

void TDesign::SetCoverage(std::shared_ptr<const TCoverageGrid> grid, int stride,
                          std::vector<TLoad> unmatched) {
    if (!grid && !FCoverage) return;
    FCoverage = std::move(grid);
    FCoverageStride = stride;
    FUnmatched = FCoverage ? std::move(unmatched) : std::vector<TLoad>{};
    Touch(dcCoverage);
}

void TDesign::SetShownTuner(const std::optional<TTuner>& tuner) {
    if (tuner == FShownTuner) return;
    FShownTuner = tuner;
    Touch(dcTuner);
}
