#pragma once
// "Ladicí člen": the tuner a ham builds, for the design's load. An L network
// as the chart draws it, or a T (high-pass) or Pi (low-pass) with the travel
// of its knobs: the least-loss setting, the capacitor on the low-impedance
// side at its largest, the smallest coil, and the family they come from as a
// plot of loss against C out.

#include "toolwindow.h"
#include "tpinetwork.h"

#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

// Loss against C out for both members of the family, the three settings marked.
class TTunerFamilyPlot : public QWidget {
public:
    explicit TTunerFamilyPlot(QWidget* parent = nullptr);
    void SetFamily(std::vector<TFamilyPoint> family, const TPartRange& cOut,
                   const std::optional<TTunerReport>& report);
    const std::vector<TFamilyPoint>& Family() const { return FFamily; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<TFamilyPoint> FFamily;
    TPartRange FCOut;
    std::optional<TTunerReport> FReport;
};

class TfrmTuner : public TToolWindow {
    Q_OBJECT
public:
    explicit TfrmTuner(QWidget* parent = nullptr, TDesign* design = nullptr);

    // The inputs read and checked; bad text goes to the error path and
    // keeps the last good tuner.
    void ApplyInputs();
    // The L networks (none), or the T or Pi with its ranges.
    const std::optional<TTuner>& Tuner() const { return FTuner; }
    // For the shown load; none before a load, for the L networks or where
    // the load cannot be matched by anything.
    const std::optional<TTunerReport>& Report() const { return FReport; }
    // The inputs as last saved by any such window, a 250 pF / 30 µH T before.
    static std::optional<TTuner> SavedTuner();

    QComboBox* cbKind;
    QLineEdit* edCInMin;
    QLineEdit* edCInMax;
    QLineEdit* edLMin;
    QLineEdit* edLMax;
    QLineEdit* edCOutMin;
    QLineEdit* edCOutMax;
    QLabel* lbResult;
    QTableWidget* tbSettings;
    TTunerFamilyPlot* pbFamily;

protected:
    void DesignChanged(unsigned what) override;
    void ShowStep(const TLoad& load, double fMHz) override;
    void ClearStep() override;
    std::optional<double> ShownFrequency() const override;

private:
    void ShowTuner();
    void Recompute();
    void SaveSettings() const;
    QString CopyText() const;

    std::optional<TTuner> FTuner;
    std::optional<TTunerReport> FReport;
    TLoad FLoad;
    double FFrequency = 0.0;
    bool FHasLoad = false;
};
