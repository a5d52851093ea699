#pragma once
// The window "Tabulka pásma": the chart's network at every measured frequency
// of the open measurement, one row each, with the current step's row selected.
// Or "Ladicí člen v pásmu": the least-loss setting of the tuner "Ladicí člen"
// shows, at every measured frequency, while that window shows a T or Pi.

#include "bandtablemodel.h"
#include "toolwindow.h"

class QLabel;
class QPushButton;
class QTableView;

enum class TBandTableKind { Network, Tuner };

class TfrmBandTable : public TToolWindow {
    Q_OBJECT
public:
    explicit TfrmBandTable(QWidget* parent = nullptr, TDesign* design = nullptr,
                           TBandTableKind kind = TBandTableKind::Network);

    // The frame's measurement, not copied; null empties the table.
    void SetMeasurement(const TTouchstone* measurement, const QString& fileName, double z0);
    const TBandTableModel* Model() const { return FModel; }
    // What Ctrl+C copies: a header and the selected rows, tab-separated; as
    // UTF-8, which is what goes onto the clipboard.
    QString SelectionText() const;
    QByteArray SelectionBytes() const;
    void CopySelection();
    // Every row as CSV with one header row; a failed write leaves no file and
    // goes to the error path.
    void SaveTable(const QString& path);

    QLabel* lbFile;
    QTableView* tbBand;
    QPushButton* btnSave;

protected:
    void DesignChanged(unsigned what) override;
    void ShowStep(const TLoad& load, double fMHz) override;
    void ClearStep() override;
    void showEvent(QShowEvent* event) override;

private:
    void SelectStepRow();
    void SaveTableAs();

    void FollowTuner();

    TBandTableKind FKind;
    TBandTableModel* FModel;
    QString FFileName;
    std::optional<double> FStepFrequency;
};
