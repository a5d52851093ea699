#pragma once
// The network details window "Síť": every L network for one load, with
// standard parts, losses and stress, for a ham who is about to build one.

#include "currentstep.h"
#include "lnetwork.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QLineEdit;
class QTableWidget;

class TfrmNetwork : public QWidget {
    Q_OBJECT
public:
    explicit TfrmNetwork(QWidget* parent = nullptr);

    // Shows the networks for the load at f MHz.
    void SetLoad(const TLoad& load, double fMHz);
    // Follows the frame's current step; fieldText is the panel's frequency field.
    void Follow(const TCurrentStep& step, const QString& fieldText);
    bool HasLoad() const { return FHasLoad; }
    // The inputs read and checked; bad text goes to the error path and keeps
    // the last good values.
    void ApplyInputs();
    // The whole content, one network a line, tab-separated, with a header.
    QString ContentText() const;

    // The inputs as last saved by any details window, defaults before.
    static TDesignOptions SavedOptions();
    const std::vector<TNetworkReport>& Reports() const { return FReports; }
    const TDesignOptions& Options() const { return FOptions; }
    const TLoad& Load() const { return FLoad; }
    double FrequencyMHz() const { return FFrequency; }

    QComboBox* cbSeries;
    QLineEdit* edQCoil;
    QLineEdit* edQCapacitor;
    QLineEdit* edPower;
    QLineEdit* edZ0;
    QLabel* lbLoad;
    QLabel* lbNotice;
    QTableWidget* tbNetworks;

private:
    void Recompute();
    void LoadSettings();
    void SaveSettings() const;

    TDesignOptions FOptions;
    TLoad FLoad{50.0, 0.0};
    double FFrequency = 7.0;
    bool FHasLoad = false;
    // Shows a step rather than the point under the pointer before any.
    bool FFollowing = false;
    bool FNeedsResize = true;
    std::vector<TNetworkReport> FReports;
};
