#pragma once
// "Analyzátor": live sweeps from a NanoVNA on a serial port (or a typed path)
// or a LibreVNA over TCP, each whole sweep shown as the design's measurement
// "živě", once or continuously, and saved as a Touchstone file.

#include "analyser.h"
#include "toolwindow.h"

#include <QTimer>
#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TfrmAnalyser : public TToolWindow {
    Q_OBJECT
public:
    explicit TfrmAnalyser(QWidget* parent = nullptr, TDesign* design = nullptr);
    ~TfrmAnalyser() override;

    // What the analyser is reached by: the port chosen or typed, or
    // "tcp:HOST:PORT" for the LibreVNA entry.
    QString Target() const;
    // One sweep with the inputs read and checked: bad text is one message and
    // starts nothing; a sweep under way is left to finish.
    void SweepOnce();
    // The last whole sweep as a Touchstone file; a failed write leaves no file.
    void SaveSweep(const QString& path);
    // The analyser of the last sweep asked for (none before the first).
    TAnalyser* Analyser() const { return FAnalyser.get(); }

    QComboBox* cbDevice;
    QLineEdit* edHost;
    QLineEdit* edPort;
    QLineEdit* edStart;
    QLineEdit* edStop;
    QLineEdit* edPoints;
    QPushButton* btnOnce;
    QCheckBox* chkContinuous;
    QPushButton* btnSave;
    QLabel* lbStatus;
    // Between continuous sweeps; after a fault, the wait before trying again.
    static constexpr int ContinuousGapMs = 100, RetryMs = 1000;

private:
    void FillDevices();
    // The device and the range of the last sweep asked for, in the settings
    // group "liveSweep".
    void RestoreInputs();
    void SaveInputs() const;
    void ShowDeviceKind();
    void Finished(const TTouchstone& sweep);
    void FailedWith(const EAnalyserError& error);
    void SaveSweepAs();

    std::unique_ptr<TAnalyser> FAnalyser;
    QTimer FNext;
};
