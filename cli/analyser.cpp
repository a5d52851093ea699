// The measurement of the band modes: a file (--touchstone) or one sweep of an
// analyser (--analyser), optionally saved as a Touchstone file (--save).
#include "analyser.h"
#include "cli.h"
#include "measurementfile.h"
#include "savefile.h"

#include <cmath>

namespace {

std::string Detail(const EAnalyserError& e) {
    const std::string said = e.Detail.empty() ? std::string() : " ('" + e.Detail + "')";
    switch (e.Code) {
    case TAnalyserFault::NoDevice:
        return "no analyser there";
    case TAnalyserFault::WrongDevice:
        return "the device there is not a NanoVNA or LibreVNA" + said;
    case TAnalyserFault::Vanished:
        return "the analyser went away (unplugged or closed)";
    case TAnalyserFault::Timeout:
        return "the analyser stopped answering mid-reply" + said;
    case TAnalyserFault::Garbage:
        return "the analyser sent something that is no reply" + said;
    case TAnalyserFault::CutLine:
        return "the analyser's reply was cut short" + said;
    case TAnalyserFault::RangeRefused:
        return "the analyser refuses the range" + said;
    case TAnalyserFault::TooManyPoints:
        return "this analyser sweeps at most " + std::to_string(e.Limit) + " points";
    }
    return AnalyserFaultName(e.Code);
}

} // namespace

std::string AnalyserErrorEnglish(const EAnalyserError& e) {
    return Detail(e);
}

TMeasuredPoints::TMeasuredPoints(const TCliArgs& args) {
    if (args.Measurement || args.Has("--analyser")) {
        FHeld = args.Measurement ? args.Measurement
                                 : std::make_shared<const TTouchstone>(MeasurementFrom(args));
        return;
    }
    FPath = args.Text("--touchstone");
    ForEach([](const TTouchstonePoint&) {});
}

void TMeasuredPoints::ForEach(const std::function<void(const TTouchstonePoint&)>& point) const {
    if (FHeld) {
        for (const TTouchstonePoint& p : FHeld->Points)
            point(p);
        return;
    }
    try {
        ForEachMeasurementPoint(FPath, point);
    } catch (const ETouchstoneError& e) {
        throw ECliError(FPath + ": " + TouchstoneErrorEnglish(e));
    }
}

TTouchstone MeasurementFrom(const TCliArgs& args) {
    if (args.Measurement) return *args.Measurement;
    if (!args.Has("--analyser")) {
        const std::string& path = args.Text("--touchstone");
        try {
            return ReadMeasurementFile(path);
        } catch (const ETouchstoneError& e) {
            throw ECliError(path + ": " + TouchstoneErrorEnglish(e));
        }
    }
    const std::string& target = args.Text("--analyser");
    TSweepRequest request;
    request.StartMHz = args.Ranged("--start", FrequencyRange);
    request.StopMHz = args.Ranged("--stop", FrequencyRange);
    if (!(request.StopMHz > request.StartMHz))
        throw ECliError("--stop: '" + args.Text("--stop") + "' must lie above --start");
    const double points = args.Number("--points", 101);
    if (points != std::floor(points) || points < MinSweepPoints || points > MaxSweepPoints)
        throw ECliError("--points: '" + args.Text("--points") +
                        "' must be a whole number, 2 to 100000");
    request.Points = int(points);

    TTouchstone sweep;
    try {
        sweep = SweepAndWait(QString::fromLocal8Bit(target.c_str()), request);
    } catch (const EAnalyserError& e) {
        throw ECliError("--analyser " + target + ": " + AnalyserErrorEnglish(e));
    }
    if (args.Has("--save")) {
        const std::string& path = args.Text("--save");
        try {
            SaveAtomically(QString::fromLocal8Bit(path.c_str()),
                           QByteArray::fromStdString(TouchstoneOnePortText(sweep)));
        } catch (const ESaveError& e) {
            throw ECliError("--save: " + path + ": " + e.what());
        }
    }
    return sweep;
}

void WriteAnalyserPorts(std::ostream& out) {
    const std::vector<TAnalyserPort> ports = ListAnalyserPorts();
    if (ports.empty()) out << "no serial ports found\n";
    for (const TAnalyserPort& port : ports)
        out << port.Name.toStdString()
            << (port.Description.isEmpty() ? "" : "  " + port.Description.toStdString())
            << (port.NanoVna ? "  (NanoVNA)" : "") << "\n";
}
