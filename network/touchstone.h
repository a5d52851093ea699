#pragma once
// Touchstone version 1 reader (.s1p, .s2p): a measured antenna as the load
// impedance at each frequency. A two-port file gives the load port 1 sees
// with port 2 terminated in the reference (its S11); its noise block is
// skipped.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A point that cannot be matched is kept, not refused: R ≤ 0 (|S11| ≥ 1) as
// it is; a first point at 0 Hz; and an open circuit (S11 = 1, zero
// admittance), whose impedance has no finite value: it is marked Open and
// its R and X are 0 and mean nothing. Every reader of Points honours Open:
// no chart pixel, no band-table R or X, no interpolation across it.
struct TTouchstonePoint {
    double FrequencyMHz;
    double R; // load impedance in ohms
    double X;
    bool Open = false;
};

struct TTouchstone {
    std::vector<TTouchstonePoint> Points; // frequencies ≥ 0 rise strictly, every value finite
    double Reference = 50;                // the file's reference resistance in ohms
    int Ports = 1;
};

// What is wrong with a file; each front end words it in its own language.
enum class TTouchstoneFault {
    TooBig,
    NoData,
    Utf16,
    CountMismatch, // Expected and Found
    BadNumber,     // Text
    NumberOutOfRange,
    NegativeFrequency,
    FrequencyOutOfRange,
    FrequenciesMustRise,
    TooManyPoints,
    ImpedanceOutOfRange,
    UnknownOption,         // Text
    UnsupportedParameters, // Text
    MissingReference,
    ReferenceNotPositive,
    OptionsAfterData,
    Version2,
    UnsupportedVersion, // Text: a version 2 file's [Version] other than 2.0 or 2.1
    MissingKeyword,     // Text: the keyword a version 2 file lacks, e.g. "[Number of Ports]"
    UnknownKeyword,     // Text
    BadKeywordValue,    // Text: the keyword whose value cannot be read
    UnsupportedPorts,   // Text: the port count (more than 2)
    FrequencyCount,     // Expected ([Number of Frequencies]) and Found
    CsvColumns,         // Text: the header's columns as found, e.g. "'Freq', 'Foo'"
    UnknownExtension,   // from here on whole-file faults of ReadTouchstoneFile
    UnknownMeasurementExtension, // ReadMeasurementFile's: not .s1p, .s2p, .ts or .csv
    NotFound,
    CannotOpen,
    NotAFile,
    ReadFailed,
};

// A file that cannot be used, as data: the fault, its line (0 when it
// belongs to no line), the offending token (escaped: never a raw byte), and
// the file's name when it came from ReadTouchstoneFile. what() is a short
// technical summary, not a message for the user.
class ETouchstoneError : public std::runtime_error {
public:
    ETouchstoneError(TTouchstoneFault code, int line, std::string text = {},
                     std::size_t expected = 0, std::size_t found = 0, std::string file = {});
    TTouchstoneFault Code;
    int Line;
    std::string Text;
    std::size_t Expected;
    std::size_t Found;
    std::string File;
};

// The fault's short name, e.g. "count-mismatch".
const char* TouchstoneFaultName(TTouchstoneFault code);

constexpr std::size_t TouchstoneMaxBytes = std::size_t(64) << 20;
constexpr std::size_t TouchstoneMaxPoints = 1000000;

// Parses the text of a file with `ports` ports (1 or 2).
TTouchstone ParseTouchstone(std::string_view text, int ports);

// Reads the file once, taking the port count from its extension (.s1p or
// .s2p, any case). Every error carries the file's name in File.
TTouchstone ReadTouchstoneFile(const std::string& path);

// Parses a version 2.0 (or 2.1) file of one or two ports, from its
// "[Version]" line on. Z and Y are in ohms and siemens (not normalised in
// version 2); a two-port's port 2 is terminated in its own reference.
TTouchstone ParseTouchstone2(std::string_view text);

// A one-port version 1 file of the points: S11 as real and imaginary at the
// reference, frequencies in MHz, every number with 17 digits so that the
// file reads back to the same loads (an open point is S11 = 1).
std::string TouchstoneOnePortText(const TTouchstone& measurement);

// Shared with the other measurement readers (measurementfile.cpp).
namespace touchstone_detail {
// A token as a message may quote it: short, and never a raw byte.
std::string Escaped(std::string_view token, std::size_t maxShown = 24);
// A number of a data line, or BadNumber / NumberOutOfRange on that line.
double ParseNumber(std::string_view token, int line);
// The frequency as the next point's, or the fault of a point that cannot follow.
double CheckedFrequency(const std::vector<TTouchstonePoint>& points, double frequencyMHz, int line);
double CheckedFrequency(std::size_t count, double last, double frequencyMHz, int line);

using TPointSink = std::function<void(const TTouchstonePoint&)>;

// A version 1 file of `ports` ports read a line at a time (CheckText done by
// the caller), each whole point handed on as it is read: one reader for a
// text in memory and for a file read piece by piece.
class TVersion1Lines {
public:
    explicit TVersion1Lines(int ports);
    ~TVersion1Lines();
    // The next line, without its end; false once the network data has ended
    // (a two-port's noise block) and the rest is not to be read.
    bool Line(std::string_view line, const TPointSink& point);
    // After the last line: a record left unfinished, or no data at all.
    void Finish() const;
    double Reference() const;

private:
    struct TState;
    std::unique_ptr<TState> FState;
};
// TooBig and Utf16; drops a UTF-8 byte order mark.
void CheckText(std::string_view& text);
// The file's name as messages show it, and its bytes (whole-file faults carry the name).
std::string NameForMessages(const std::string& path);
std::string ReadFileText(const std::string& path, const std::string& name);
// The file opened for reading once it is found to be a regular file no
// larger than TouchstoneMaxBytes; its size in `size`.
std::ifstream OpenFileChecked(const std::string& path, const std::string& name,
                              std::uintmax_t& size);
} // namespace touchstone_detail
