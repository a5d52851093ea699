#include "analyser.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTcpSocket>

#include <cmath>
#include <memory>

namespace {

QByteArray Hz(double mhz) {
    return QByteArray::number(qint64(std::llround(mhz * 1e6)));
}

// The first line of a reply, for a fault to quote.
std::string FirstLine(const QByteArray& reply) {
    const QByteArray line = reply.trimmed().split('\n').value(0).trimmed();
    return touchstone_detail::Escaped(std::string_view(line.constData(), std::size_t(line.size())),
                                      60);
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), std::size_t(bytes.size())};
}

// Faults after which the device is talked to afresh: the shell may still be
// mid-reply, or the port is gone.
bool ClosesConnection(TAnalyserFault code) {
    return code != TAnalyserFault::RangeRefused && code != TAnalyserFault::TooManyPoints;
}

} // namespace

TAnalyser::TAnalyser(QString target, QObject* parent)
    : QObject(parent), FTarget(std::move(target)) {
    if (FTarget.startsWith(QStringLiteral("tcp:"))) {
        FTcp = true;
        const QString rest = FTarget.mid(4);
        const int colon = rest.lastIndexOf(u':');
        FHost = colon < 0 ? rest : rest.left(colon);
        if (colon >= 0) FPort = quint16(rest.mid(colon + 1).toUInt());
        if (FHost.isEmpty()) FHost = QStringLiteral("localhost");
    }
    FTimer.setSingleShot(true);
    connect(&FTimer, &QTimer::timeout, this, &TAnalyser::OnTimeout);
}

TAnalyser::~TAnalyser() {
    Close();
}

void TAnalyser::SetTimeouts(int baseMs, int perPointMs) {
    FBaseMs = baseMs;
    FPerPointMs = perPointMs;
}

int TAnalyser::SweepTimeout() const {
    return FBaseMs + FPerPointMs * FRequest.Points;
}

void TAnalyser::StartSweep(const TSweepRequest& request) {
    if (FBusy) return;
    FRequest = request;
    FBusy = true;
    if (!(request.StartMHz >= 0) || !(request.StopMHz > request.StartMHz) || request.Points < 2 ||
        !std::isfinite(request.StopMHz)) {
        Fail(EAnalyserError(TAnalyserFault::RangeRefused));
        return;
    }
    if (FDevice && FConnected)
        Guard([this] { FTcp ? LibreSweep() : NanoSweep(); });
    else
        Open();
}

void TAnalyser::Open() {
    Close();
    FHasScan = true;
    FMaxPoints = NanoVnaPoints;
    if (FTcp) {
        auto* socket = new QTcpSocket(this);
        FDevice = socket;
        connect(socket, &QTcpSocket::readyRead, this, &TAnalyser::OnReadyRead);
        connect(socket, &QTcpSocket::errorOccurred, this, &TAnalyser::OnDeviceError);
        connect(socket, &QTcpSocket::connected, this, [this] {
            FConnected = true;
            LibreIdentify();
        });
        FOnTimeout = TAnalyserFault::NoDevice;
        FTimer.start(FBaseMs);
        socket->connectToHost(FHost, FPort);
        return;
    }
    auto* port = new QSerialPort(this);
    FDevice = port;
    port->setPortName(FTarget);
    // USB CDC takes any rate; a real UART behind an adapter wants this one.
    port->setBaudRate(115200);
    if (!port->open(QIODevice::ReadWrite)) {
        Fail(EAnalyserError(TAnalyserFault::NoDevice, FTarget.toStdString()));
        return;
    }
    FConnected = true;
    connect(port, &QSerialPort::readyRead, this, &TAnalyser::OnReadyRead);
    connect(port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) {
        if (e != QSerialPort::NoError && e != QSerialPort::TimeoutError) OnDeviceError();
    });
    NanoIdentify();
}

void TAnalyser::Close() {
    FTimer.stop();
    FThen = nullptr;
    FBuffer.clear();
    FConnected = false;
    if (FDevice) {
        FDevice->disconnect(this);
        FDevice->close();
        FDevice->deleteLater();
        FDevice = nullptr;
    }
}

void TAnalyser::Exchange(const QByteArray& command, int timeoutMs, TAnalyserFault onTimeout,
                         TThen then) {
    FCommand = command;
    FReply = FTcp ? TReply::Line : TReply::ShellPrompt;
    FOnTimeout = onTimeout;
    FThen = std::move(then);
    FBuffer.clear();
    FTimer.start(timeoutMs);
    FDevice->write(command);
}

void TAnalyser::OnReadyRead() {
    if (!FDevice) return;
    FBuffer += FDevice->readAll();
    if (!FThen) return;
    QByteArray reply;
    if (FReply == TReply::ShellPrompt) {
        // The shell echoes the command, prints its lines, then "ch> ".
        const QByteArray echo = FCommand.chopped(1);
        qsizetype at = 0;
        while ((at = FBuffer.indexOf(echo, at)) >= 0) {
            const qsizetype end = at + echo.size();
            if (end < FBuffer.size() && (FBuffer[end] == '\r' || FBuffer[end] == '\n')) break;
            if (end >= FBuffer.size()) return; // the echo is still coming
            at = end;
        }
        if (at < 0) return;
        const qsizetype linesBegin = at + echo.size();
        const qsizetype prompt = FBuffer.indexOf("ch> ", linesBegin);
        if (prompt < 0) return;
        reply = FBuffer.mid(linesBegin, prompt - linesBegin);
        FBuffer.remove(0, prompt + 4);
    } else {
        const qsizetype end = FBuffer.indexOf('\n');
        if (end < 0) return;
        reply = FBuffer.left(end);
        if (reply.endsWith('\r')) reply.chop(1);
        FBuffer.remove(0, end + 1);
    }
    FTimer.stop();
    const TThen then = std::move(FThen);
    FThen = nullptr;
    Guard([&] { then(reply); });
}

void TAnalyser::OnTimeout() {
    if (!FBusy) return;
    // A line begun and never ended is a hang mid-line; nothing at all from a
    // device being identified means it is not the analyser.
    const QByteArray begun = FBuffer.mid(FBuffer.lastIndexOf('\n') + 1).right(60);
    Fail(EAnalyserError(FOnTimeout, FirstLine(begun)));
}

void TAnalyser::OnDeviceError() {
    if (!FBusy) {
        Close();
        return;
    }
    Fail(EAnalyserError(FConnected ? TAnalyserFault::Vanished : TAnalyserFault::NoDevice));
}

void TAnalyser::Guard(const std::function<void()>& step) {
    try {
        step();
    } catch (const EAnalyserError& e) {
        Fail(e);
    } catch (const std::exception&) {
        Fail(EAnalyserError(TAnalyserFault::Garbage));
    }
}

void TAnalyser::Fail(const EAnalyserError& error) {
    if (ClosesConnection(error.Code))
        Close();
    else
        FTimer.stop();
    FBusy = false;
    emit Failed(error);
}

void TAnalyser::Finish(TTouchstone sweep) {
    FTimer.stop();
    FLast = std::move(sweep);
    FBusy = false;
    emit SweepFinished(*FLast);
}

void TAnalyser::NanoIdentify() {
    Exchange("info\r", FBaseMs, TAnalyserFault::WrongDevice, [this](const QByteArray& reply) {
        const QByteArray upper = reply.toUpper();
        if (!upper.contains("NANOVNA"))
            throw EAnalyserError(TAnalyserFault::WrongDevice, FirstLine(reply));
        for (const QByteArray& line : reply.split('\n'))
            if (line.toUpper().contains("NANOVNA")) FIdentity = QString::fromLatin1(line.trimmed());
        FMaxPoints =
            upper.contains("H4") || upper.contains("H 4") ? NanoVnaH4Points : NanoVnaPoints;
        Exchange("help\r", FBaseMs, TAnalyserFault::Timeout, [this](const QByteArray& help) {
            // Older firmware has no `scan`: sweep, frequencies and data instead.
            FHasScan = help.contains("scan");
            NanoSweep();
        });
    });
}

void TAnalyser::NanoSweep() {
    if (FRequest.Points > FMaxPoints)
        throw EAnalyserError(TAnalyserFault::TooManyPoints, {}, FMaxPoints);
    const QByteArray range = Hz(FRequest.StartMHz) + ' ' + Hz(FRequest.StopMHz) + ' ' +
                             QByteArray::number(FRequest.Points);
    const int points = FRequest.Points;
    if (FHasScan) {
        Exchange("scan " + range + " 3\r", SweepTimeout(), TAnalyserFault::Timeout,
                 [this, points](const QByteArray& reply) {
                     Finish(ParseNanoScan(View(reply), points));
                 });
        return;
    }
    Exchange("sweep " + range + "\r", FBaseMs, TAnalyserFault::Timeout,
             [this, points](const QByteArray& reply) {
                 if (!reply.trimmed().isEmpty())
                     throw EAnalyserError(TAnalyserFault::RangeRefused, FirstLine(reply));
                 Exchange("frequencies\r", SweepTimeout(), TAnalyserFault::Timeout,
                          [this, points](const QByteArray& frequencies) {
                              Exchange("data 0\r", SweepTimeout(), TAnalyserFault::Timeout,
                                       [this, points, frequencies](const QByteArray& data) {
                                           Finish(ParseNanoFrequenciesAndData(View(frequencies),
                                                                              View(data), points));
                                       });
                          });
             });
}

void TAnalyser::LibreIdentify() {
    Exchange("*IDN?\n", FBaseMs, TAnalyserFault::WrongDevice, [this](const QByteArray& reply) {
        if (!reply.toUpper().contains("LIBREVNA"))
            throw EAnalyserError(TAnalyserFault::WrongDevice, FirstLine(reply));
        FIdentity = QString::fromLatin1(reply.trimmed());
        LibreSweep();
    });
}

void TAnalyser::LibreSweep() {
    // Every command is answered by a line: empty, or "ERROR".
    auto commands = std::make_shared<std::vector<QByteArray>>(std::vector<QByteArray>{
        ":VNA:SWEEP FREQUENCY", ":VNA:FREQuency:START " + Hz(FRequest.StartMHz),
        ":VNA:FREQuency:STOP " + Hz(FRequest.StopMHz),
        ":VNA:ACQ:POINTS " + QByteArray::number(FRequest.Points)});
    LibreCommand(commands, 0);
}

// One command after another, each once the last was answered; a member, not a
// function holding itself, so that nothing outlives the sweep.
void TAnalyser::LibreCommand(std::shared_ptr<const std::vector<QByteArray>> commands,
                             std::size_t i) {
    if (i == commands->size()) {
        LibrePoll(0);
        return;
    }
    Exchange((*commands)[i] + '\n', FBaseMs, TAnalyserFault::Timeout,
             [this, commands, i](const QByteArray& reply) {
                 if (reply.trimmed().toUpper().startsWith("ERROR"))
                     throw EAnalyserError(TAnalyserFault::RangeRefused,
                                          (*commands)[i].toStdString());
                 LibreCommand(commands, i + 1);
             });
}

void TAnalyser::LibrePoll(int polls) {
    constexpr int PollMs = 20;
    Exchange(":VNA:ACQ:FIN?\n", FBaseMs, TAnalyserFault::Timeout,
             [this, polls](const QByteArray& reply) {
                 const QByteArray answer = reply.trimmed().toUpper();
                 if (answer == "TRUE") {
                     const int points = FRequest.Points;
                     Exchange(":VNA:TRACE:DATA? S11\n", SweepTimeout(), TAnalyserFault::Timeout,
                              [this, points](const QByteArray& data) {
                                  Finish(ParseLibreTrace(View(data), points));
                              });
                     return;
                 }
                 if (answer != "FALSE")
                     throw EAnalyserError(TAnalyserFault::Garbage, FirstLine(reply));
                 if (polls * PollMs > SweepTimeout()) throw EAnalyserError(TAnalyserFault::Timeout);
                 FTimer.start(FBaseMs); // still busy: a device error now is still this sweep's
                 QTimer::singleShot(PollMs, this, [this, polls] {
                     if (FBusy && FDevice) LibrePoll(polls + 1);
                 });
             });
}

TTouchstone SweepAndWait(const QString& target, const TSweepRequest& request) {
    std::optional<QCoreApplication> app;
    static int argc = 1;
    static char name[] = "pentarix";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance()) app.emplace(argc, argv);

    TAnalyser analyser(target);
    QEventLoop loop;
    std::optional<TTouchstone> sweep;
    std::optional<EAnalyserError> error;
    QObject::connect(&analyser, &TAnalyser::SweepFinished, &loop, [&](const TTouchstone& s) {
        sweep = s;
        loop.quit();
    });
    QObject::connect(&analyser, &TAnalyser::Failed, &loop, [&](const EAnalyserError& e) {
        error = e;
        loop.quit();
    });
    analyser.StartSweep(request);
    if (!sweep && !error) loop.exec();
    if (error) throw *error;
    return *sweep;
}

std::vector<TAnalyserPort> ListAnalyserPorts() {
    std::vector<TAnalyserPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.push_back({info.systemLocation(), info.description(),
                         info.hasVendorIdentifier() && info.hasProductIdentifier() &&
                             info.vendorIdentifier() == 0x0483 &&
                             info.productIdentifier() == 0x5740});
    return ports;
}
