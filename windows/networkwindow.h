#pragma once
// The network details window "Síť": every L network for one load, with
// standard parts, losses and stress, for a ham who is about to build one.

#include "lnetwork.h"
#include "partspane.h"
#include "toolwindow.h"

#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

class TfrmNetwork : public TToolWindow {
    Q_OBJECT
public:
    explicit TfrmNetwork(QWidget* parent = nullptr, TDesign* design = nullptr);
    ~TfrmNetwork() override;

    // Shows the networks for the load at f MHz.
    void SetLoad(const TLoad& load, double fMHz);
    // The inputs read and checked; bad text goes to the error path and keeps
    // the last good values.
    void ApplyInputs();
    // The whole content, one network a line, tab-separated, with a header.
    QString ContentText() const;

    // The inputs as last saved by any details window, defaults before.
    static TDesignOptions SavedOptions();
    // The winding as last saved; none where the stored text no longer passes.
    static TWindingOptions SavedWinding();
    static TWindingTexts SavedWindingTexts();
    const TWindingOptions& Winding() const { return Design().Winding(); }
    // The row picked in the table, the chart's network before any pick; -1 without networks.
    int SelectedNetwork() const;
    const std::vector<TNetworkReport>& Reports() const { return FReports; }
    const TDesignOptions& Options() const { return Design().Options(); }
    const TLoad& Load() const { return FLoad; }
    double FrequencyMHz() const { return FFrequency; }

    QComboBox* cbSeries;
    QLineEdit* edQCoil;
    QLineEdit* edQCapacitor;
    QLineEdit* edPower;
    QLineEdit* edZ0;
    QLabel* lbLoad;
    QTableWidget* tbNetworks;
    // Shows the detail pane; off, the window is what it was without it.
    QCheckBox* chkParts;
    TPartsPane* pnParts;

protected:
    void DesignChanged(unsigned what) override;
    void ShowStep(const TLoad& load, double fMHz) override;
    void ClearStep() override;
    std::optional<double> ShownFrequency() const override;
    void UseDockLayout(bool docked) override;

private:
    void Recompute();
    // The pane shows the selected network, the chart's before any selection.
    void ShowParts();
    void SetPartsShown(bool shown);
    void LoadSettings();
    void ShowOptions();
    void SaveSettings() const;

    // The inputs' captions and fields, in order: one row on the window, two in a dock.
    std::vector<QWidget*> FInputs;
    TLoad FLoad{50.0, 0.0};
    double FFrequency = 7.0;
    bool FHasLoad = false;
    bool FNeedsResize = true;
    bool FColumnsFitted = false;
    // Per column, the widest text measured so far (with its margin).
    std::array<int, 12> FWidestText{};
    void FitColumns();
    std::vector<TNetworkReport> FReports;
};
