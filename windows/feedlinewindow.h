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
    explicit TfrmFeedLine(double z0Ref, QWidget* parent = nullptr, TDesign* design = nullptr);
    ~TfrmFeedLine() override;

    // Shows the line for the load at f MHz.
    void SetLoad(const TLoad& load, double fMHz);
    // The inputs read and checked; bad text goes to the error path and keeps
    // the last good feed.
    void ApplyInputs();
    // "Použít jako zátěž": the tuner's-end impedance at the shown frequency,
    // with the antenna's it was moved from.
    void SetOnUseAsLoad(std::function<void(const TLoad&, double, const TLoad&)> use) {
        FOnUse = std::move(use);
    }
    void UseAsLoad();

    const TFeed& Feed() const { return Design().Feed(); }
    // "Přepočítat měření na konec u ladicího členu": the open measurement
    // moved through the line, shown instead of the measured one.
    bool MovesMeasurement() const;
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
    void DesignChanged(unsigned what) override;
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

    void ShowMeasurementChoice();

    double FZ0Ref;
    // The line as being typed, before it goes into the design.
    TFeed FFeed;
    // The window's own change of the design is not shown back into its fields.
    bool FApplying = false;
    TLoad FLoad{50.0, 0.0};
    // The antenna the shown load was moved from ("Použít jako zátěž").
    std::optional<TLoad> FAntenna;
    double FFrequency = 7.0;
    bool FHasLoad = false;
    std::optional<TFeedResult> FResult;
    std::function<void(const TLoad&, double, const TLoad&)> FOnUse;
};
