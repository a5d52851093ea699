#pragma once
// The command-line designer's shared pieces: options, number parsing, JSON
// and table output. Each mode lives in its own file.

#include "feedline.h"
#include "lnetwork.h"
#include "parts.h"
#include "quantity.h"
#include "station.h"
#include "touchstone.h"
#include "tpinetwork.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

// A usage fault: printed as one line on stderr, exit status 2.
class ECliError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// What a typed value must be, and its wording after "must be".
struct TRange {
    bool (*Valid)(double);
    const char* Text;
};
extern const TRange FrequencyRange, LoadRRange, LoadXRange, Z0Range, QRange, PowerRange;
extern const TRange VelocityFactorRange, LineLossRange, LineLengthRange, SwrRange;

// A typed number, and the same refused unless the range holds it; a fault is
// worded "NAME: 'TEXT' ...", NAME being an option or a column of a line.
double TypedNumber(const std::string& name, const std::string& text);
double TypedRanged(const std::string& name, const std::string& text, const TRange& range);
// A load's resistance as typed: never negative, then within its range.
double TypedLoadR(const std::string& name, const std::string& text);
// Refuses a load without resistance, naming where its R was typed.
void RequireMatchable(const TLoad& load, const std::string& name, const std::string& text);

class TCliArgs {
public:
    // Options that take a value, and flags that do not; anything else is refused.
    // An option of `optional` takes the next argument as its value when that
    // is "-" or does not start with "-", and an empty value otherwise.
    TCliArgs(int argc, char** argv, const std::vector<std::string>& valued,
             const std::vector<std::string>& flags, const std::vector<std::string>& optional = {});
    bool Has(const std::string& name) const { return FValues.count(name) > 0; }
    const std::string& Text(const std::string& name) const;
    // Every option given, in no particular order.
    std::vector<std::string> Names() const;
    // A finite number; a missing option takes the fallback, or is an error
    // when there is none.
    double Number(const std::string& name) const;
    double Number(const std::string& name, double fallback) const;
    // The same, refused unless the range holds it.
    double Ranged(const std::string& name, const TRange& range) const;
    double Ranged(const std::string& name, const TRange& range, double fallback) const;
    // A value set in place of a typed one: a project's design.
    void Set(const std::string& name, std::string value) { FValues[name] = std::move(value); }
    void Remove(const std::string& name) { FValues.erase(name); }
    // A measurement given whole (a project's), read in place of --touchstone's file.
    std::shared_ptr<const TTouchstone> Measurement;

private:
    std::map<std::string, std::string> FValues;
};

std::string JsonString(const std::string& text);
// A fault of a typed number or list, in words.
std::string TextFaultEn(const ETextError& e);

// The options every design mode shares.
TDesignOptions DesignOptionsFrom(const TCliArgs& args);

// ---- The feed line (--line, --length, --at, --tuner) ----
// None without --line; --length, --at and --tuner without it are refused.
std::optional<TFeed> FeedFrom(const TCliArgs& args);
// "--line list": the catalogue with its loss at a few bands.
void WriteLineCatalogue(std::ostream& out);
// The given load seen where the tuner stands, refused unless an L network
// can match it; `where` names the load in the refusal.
TLoad TunerLoadChecked(const TFeed& feed, const TLoad& given, double fMHz,
                       const std::string& where);
// The chain for the given load, a line's failing arithmetic refused as above.
TStationResult StationChecked(const TStation& station, const TLoad& given, double fMHz,
                              const std::string& where);
// "line": {...} as a JSON object's value; its power at the antenna is the
// chain's, after every loss.
void AppendLineJson(std::string& out, const TFeed& feed, const TStationResult& r);
// "power": {...}: the transmitter's power and where it goes.
void AppendPowerJson(std::string& out, const TStationResult& r);
// The line's description: its name, Z0, VF and length; where the load is and
// where the tuner stands.
std::string FeedText(const TFeed& feed);
// A few lines on what the line does at f, before the networks.
void WriteFeedFigures(std::ostream& out, const TFeed& feed, const TStationResult& r, double fMHz);

// One load designed where the tuner stands: every network (or the chart's
// alone) with its stresses at the power it carries and, with a feed line,
// the chain of the chart's network.
struct TLoadDesign {
    TLoad TunerLoad;
    std::vector<TNetworkReport> Reports;
    std::vector<TDesignOptions> Carried; // per report: the options at the power it carries
    std::optional<TStationResult> Chain;
};
TLoadDesign DesignLoad(const TLoad& given, double fMHz, const TDesignOptions& options,
                       const TFeed* feed, bool chartOnly = false,
                       const std::string& where = "the load", bool lenient = false);
// The station of the options and the feed, with the tuner net.
TStation StationFrom(const TDesignOptions& options, const TFeed* feed, const TLNetwork& net);

// JSON fields of one network report, without the braces; with the parts as
// built when given.
void AppendNetworkJson(std::string& out, const TNetworkReport& rep,
                       const TPartsReport* parts = nullptr);
// The single-load JSON object: frequency, z0, the load and every network.
// With a feed line, the load is where the feed says; the object's load and
// networks are the tuner's end's and a "line" object follows the load. With
// `winding`, each network's parts as built too.
// With `lenient`, a chain whose figures cannot be computed (a line whose loss
// overflows) leaves "line" and "power" null instead of refusing the load.
std::string LoadJson(const TLoad& load, double fMHz, const TDesignOptions& options,
                     const TFeed* feed = nullptr, const TWindingOptions* winding = nullptr,
                     bool lenient = false);
void AppendLoadJson(std::string& out, const TLoad& load, double fMHz, const TDesignOptions& options,
                    const TFeed* feed = nullptr, const TWindingOptions* winding = nullptr,
                    bool lenient = false);
// A column of a table, left-aligned, or right-aligned: padded to its width,
// and a text as wide as the column or wider still keeps one blank from the
// next column.
std::string Cell(const std::string& text, size_t width);
std::string CellRight(const std::string& text, size_t width);
// A table of the reports with its header line.
void WriteNetworkTable(std::ostream& out, const std::vector<TNetworkReport>& reports);
// That table's columns after the chart's mark, header and one report, so that
// a table of many loads shows each network as the table of one does.
std::string NetworkHeaderCells();
std::string NetworkCells(const TNetworkReport& rep);
// --parts or a winding option: the parts as built are wanted.
bool WantsParts(const TCliArgs& args);
// The coil winding options of one load; refused when they cannot be wound.
TWindingOptions WindingOptionsFrom(const TCliArgs& args);
// The parts as built of each network, a block of lines per network.
void WritePartsBlocks(std::ostream& out, const std::vector<TNetworkReport>& reports,
                      const std::vector<TPartsReport>& parts, TESeries series,
                      const TWindingOptions& winding);
// "series E12, Q coil 200, Q capacitor 1000, power 100.0 W".
std::string DesignOptionsText(const TDesignOptions& options);

// A Touchstone file's fault in English, "line N: " first when it belongs to
// a line; the caller names the file as the user gave it.
class ETouchstoneError;
std::string TouchstoneErrorEnglish(const ETouchstoneError& e);

// ---- T and Pi tuners (--network tee|pi, --c-in, --l, --c-out) ----
// None for the L networks (--network l, the default); the tuner's options
// without a tuner, and the L networks' own with one, are refused.
std::optional<TTuner> TunerFrom(const TCliArgs& args);
// "tuner": {...}'s value: the three settings of the load (or null ones and
// the nearest SWR when no setting matches).
void AppendTunerJson(std::string& out, const TTuner& tuner, const TLoad& load, double fMHz,
                     const TDesignOptions& options);
// The single-load object for a tuner: frequency, z0, the load (the tuner's
// end's with a feed line, then "line"), "tuner".
void AppendTunerLoadJson(std::string& out, const TTuner& tuner, const TLoad& given, double fMHz,
                         const TDesignOptions& options, const TFeed* feed);
// "high-pass T, C in 10-250 pF, ...; Q coil 200, Q capacitor 1000, power 100.0 W".
std::string TunerOptionsText(const TTuner& tuner, const TDesignOptions& options);
// A table row's tuner columns: the least-loss setting and the penalties.
std::string TunerHeaderCells();
std::string TunerCells(const TTuner& tuner, const TLoad& load, double fMHz,
                       const TDesignOptions& options);
int RunTunerSingle(const TCliArgs& args, const TTuner& tuner, std::ostream& out);
// The loads the tuner matches on an N×N grid of the reflection plane.
int RunCoverage(const TCliArgs& args, std::ostream& out);
// The band modes' measurement: the file of --touchstone, or one sweep of
// --analyser (--start, --stop, --points; --save writes it as .s1p).
TTouchstone MeasurementFrom(const TCliArgs& args);
// The same measurement gone through a point at a time: a file is read
// through here, so that a bad one is refused before any output, then again
// by ForEach without being held; a sweep is held.
class TMeasuredPoints {
public:
    explicit TMeasuredPoints(const TCliArgs& args);
    void ForEach(const std::function<void(const TTouchstonePoint&)>& point) const;

private:
    std::string FPath;
    std::shared_ptr<const TTouchstone> FHeld;
};
class EAnalyserError;
std::string AnalyserErrorEnglish(const EAnalyserError& e);
// "--analyser list": the serial ports, one a line, a NanoVNA marked.
void WriteAnalyserPorts(std::ostream& out);

// Each mode checks everything that can fail before its first output, so
// that a refusal leaves stdout empty.
int RunSingle(const TCliArgs& args, std::ostream& out);
int RunEnvelope(const TCliArgs& args, std::ostream& out);
int RunTouchstone(const TCliArgs& args, std::ostream& out);
int RunBandwidth(const TCliArgs& args, std::ostream& out);
// Many loads: a bad line is named on stderr and skipped, the status is 2 at
// the end if there was one.
int RunBatch(const TCliArgs& args, std::ostream& out);
// The design a project file holds, as the single-load or --touchstone mode
// prints it, with the project's line and options.
int RunProject(const TCliArgs& args, std::ostream& out);
