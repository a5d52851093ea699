#pragma once
// A vector network analyser as a source of measurements: the NanoVNA shell
// over a serial port (or a typed path such as a pseudo-terminal), and
// LibreVNA's SCPI server over TCP ("tcp:HOST:PORT").

#include "analyserreply.h"

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QIODevice;

struct TSweepRequest {
    double StartMHz = 1;
    double StopMHz = 30;
    int Points = 101;
};

// The most points of NanoVNA firmware: 101 on the original, 401 on -H4.
constexpr int NanoVnaPoints = 101;
constexpr int NanoVnaH4Points = 401;
constexpr quint16 LibreVnaDefaultPort = 19542;

// One analyser at one port. A sweep runs asynchronously and ends in
// SweepFinished or Failed; a failed sweep keeps nothing of itself (the last
// whole sweep stays), and the next sweep connects again.
class TAnalyser : public QObject {
    Q_OBJECT
public:
    // A serial port's name or path, or "tcp:HOST:PORT" ("tcp:HOST" takes 19542).
    explicit TAnalyser(QString target, QObject* parent = nullptr);
    ~TAnalyser() override;

    void StartSweep(const TSweepRequest& request);
    bool Busy() const { return FBusy; }
    // The last whole sweep, if any.
    const std::optional<TTouchstone>& LastSweep() const { return FLast; }
    // What the device said of itself, once identified.
    QString Identity() const { return FIdentity; }
    // A reply may take this long, plus the time per point for a sweep.
    void SetTimeouts(int baseMs, int perPointMs);

signals:
    void SweepFinished(const TTouchstone& sweep);
    void Failed(const EAnalyserError& error);

private:
    enum class TReply { ShellPrompt, Line };
    using TThen = std::function<void(const QByteArray& reply)>;

    void Open();
    void Exchange(const QByteArray& command, int timeoutMs, TAnalyserFault onTimeout, TThen then);
    void OnReadyRead();
    void OnTimeout();
    void OnDeviceError();
    void Fail(const EAnalyserError& error);
    void Finish(TTouchstone sweep);
    void Close();
    int SweepTimeout() const;

    void NanoIdentify();
    void NanoSweep();
    void LibreIdentify();
    void LibreSweep();
    void LibreCommand(std::shared_ptr<const std::vector<QByteArray>> commands, std::size_t i);
    void LibrePoll(int polls);
    // Runs `step`, turning what it throws into a fault.
    void Guard(const std::function<void()>& step);

    QString FTarget;
    bool FTcp = false;
    QString FHost;
    quint16 FPort = LibreVnaDefaultPort;
    QIODevice* FDevice = nullptr;
    bool FConnected = false;
    bool FBusy = false;
    TSweepRequest FRequest;
    std::optional<TTouchstone> FLast;
    QString FIdentity;
    int FMaxPoints = NanoVnaPoints;
    bool FHasScan = true;
    int FBaseMs = 3000;
    int FPerPointMs = 25;

    // The exchange under way.
    QByteArray FBuffer;
    QByteArray FCommand;
    TReply FReply = TReply::Line;
    TAnalyserFault FOnTimeout = TAnalyserFault::Timeout;
    TThen FThen;
    QTimer FTimer;
};

// One sweep, waited for (the command line): throws EAnalyserError.
TTouchstone SweepAndWait(const QString& target, const TSweepRequest& request);

// A serial port found on the machine; NanoVNA by its USB ID (0483:5740).
struct TAnalyserPort {
    QString Name;
    QString Description;
    bool NanoVna = false;
};
std::vector<TAnalyserPort> ListAnalyserPorts();
