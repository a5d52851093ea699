#pragma once
// "Ladicí člen": the tuner a ham builds, for the design's load. An L network
// as the chart draws it, or a T (high-pass) or Pi (low-pass) with the travel
// of its knobs: the least-loss setting, the capacitor on the low-impedance
// side at its largest, the smallest coil, and the family they come from as a
// plot of loss against C out.

#include "toolwindow.h"
#include "tpinetwork.h"

#include <atomic>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

class QCheckBox;
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
    ~TfrmTuner() override;

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
    // "pokrytí": the region the tuner reaches, shaded on the chart while ticked.
    QCheckBox* chkCoverage;
    // The coverage's grid side: 8k + 1 cells, so that every coarse pass
    // reaches the rim.
    static constexpr int CoverageCells = 657;
    // Waits for the coverage being computed (for tests and the bench).
    void WaitForCoverage();

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
    // Computed off the GUI thread, coarse first; a change of the problem
    // cancels the pass under way and starts again.
    void UpdateCoverage(bool pointsChanged = false);
    void StopCoverage();

    std::optional<TTuner> FTuner;
    std::optional<TTunerReport> FReport;
    TLoad FLoad;
    double FFrequency = 0.0;
    bool FHasLoad = false;
    std::optional<TTunerProblem> FCoverageProblem;
    std::thread FWorker;
    std::shared_ptr<std::atomic<bool>> FCancel;
};
