#pragma once
// The feed line window "Napáječ": the current step's load moved through a
// real line between the antenna and the shack, the line's SWR and losses, and
// the point at the tuner's end, which can become the chart's load.

#include "feedline.h"
#include "toolwindow.h"

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfrmFeedLine : public TToolWindow {
    Q_OBJECT
public:
    // z0Ref: the chart's reference, what a tuner at the antenna presents to the line.
    explicit TfrmFeedLine(double z0Ref, QWidget* parent = nullptr);

    // Shows the line for the load at f MHz.
    void SetLoad(const TLoad& load, double fMHz);
    // The inputs read and checked; bad text goes to the error path and keeps
    // the last good feed.
    void ApplyInputs();
    // The power the line gets, as "Síť" has it.
    void SetPower(double watts);
    // "Použít jako zátěž": the tuner's-end impedance at the shown frequency.
    void SetOnUseAsLoad(std::function<void(const TLoad&, double)> use) { FOnUse = std::move(use); }
    void UseAsLoad();
    // The antenna's impedance along the line to the shack, for the chart;
    // empty without a load.
    void SetOnPathChanged(std::function<void(const std::vector<TLoad>&)> changed) {
        FOnPath = std::move(changed);
    }

    const TFeed& Feed() const { return FFeed; }
    // "Přepočítat měření na konec u ladicího členu": the open measurement
    // moved through the line, shown instead of the measured one.
    bool MovesMeasurement() const;
    // Enables the choice; a closed measurement clears it without a call.
    void SetMeasurementOpen(bool open);
    // Called when the choice changes, and when the feed does while it is on.
    void SetOnMeasurementChanged(std::function<void()> changed) {
        FOnMeasurement = std::move(changed);
    }
    // The figures for the shown load; none before a load or where it fails.
    const std::optional<TFeedResult>& Result() const { return FResult; }
    double FrequencyMHz() const { return FFrequency; }
    // The inputs as last saved by any feed line window, the first-open defaults before.
    static TFeed SavedFeed();

    QComboBox* cbLine;
    QLineEdit* edLength;
    QLineEdit* edZ0;
    QLineEdit* edVF;
    QLineEdit* edLoss1;
    QLineEdit* edFreq1;
    QLineEdit* edLoss2;
    QLineEdit* edFreq2;
    QRadioButton* rbPointAntenna;
    QRadioButton* rbPointShack;
    QRadioButton* rbTunerShack;
    QRadioButton* rbTunerAntenna;
    QLabel* lbResult;
    QPushButton* btnUse;
    QCheckBox* chkMoveMeasurement;

protected:
    void ShowStep(const TLoad& load, double fMHz) override;
    void ClearStep() override;
    std::optional<double> ShownFrequency() const override;

private:
    void ShowFeed();
    void ShowLine();
    void SetLineReadOnly(bool readOnly);
    void Recompute();
    void ShowResult();
    void SaveSettings() const;

    double FZ0Ref;
    double FPower = 100.0;
    TFeed FFeed;
    TLoad FLoad{50.0, 0.0};
    double FFrequency = 7.0;
    bool FHasLoad = false;
    std::optional<TFeedResult> FResult;
    std::function<void(const TLoad&, double)> FOnUse;
    std::function<void(const std::vector<TLoad>&)> FOnPath;
    std::function<void()> FOnMeasurement;
};
