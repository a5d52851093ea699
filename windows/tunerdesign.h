#pragma once
// The tuner-design window: for an SWR circle, the coil and capacitor range,
// the voltage, current and efficiency a tuner must cover, band by band. A
// small stay-on-top window like the data window; it recomputes as the inputs
// are confirmed and copies its table as tab-separated text.

#include "envelope.h"

#include "toolwindow.h"

#include <QLineEdit>
#include <QTableWidget>
#include <functional>
#include <vector>

class TfrmTunerDesign : public TToolWindow {
    Q_OBJECT
public:
    TfrmTunerDesign(const QString& swrText, double qCoil, double qCapacitor,
                    QWidget* parent = nullptr);

    // Reads the inputs and fills the table; throws on bad input before
    // anything changes. The edits call it through the error path.
    void Recalculate();
    // The whole table as copied: a header line, then one line a row, tabs
    // between the cells.
    QString TableText() const;
    // The selected rows with the header line, as Ctrl+C copies them.
    QString SelectionText() const;
    // The last good result, one entry a frequency, and its "celkem" row.
    const std::vector<TBandEnvelope>& Bands() const { return FBands; }
    const TBandEnvelope& Total() const { return FTotal; }

    QLineEdit* edPSV;
    QLineEdit* edPower;
    QLineEdit* edQL;
    QLineEdit* edQC;
    QLineEdit* edBands;
    QTableWidget* sgEnvelope;
    std::function<void()> FOnClosed;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FillTable();
    QString RowText(int row) const;
    std::vector<TBandEnvelope> FBands;
    TBandEnvelope FTotal;
};
