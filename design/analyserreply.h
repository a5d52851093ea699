#pragma once
// The analysers' replies as a sweep: the NanoVNA shell's lines and
// LibreVNA's trace list, parsed without Qt so that the parse can be measured
// on its own.

#include "touchstone.h"

#include <stdexcept>
#include <string>
#include <string_view>

// What went wrong with an analyser; each front end words it.
enum class TAnalyserFault {
    NoDevice,      // nothing at the port or address
    WrongDevice,   // something answers, but not as the analyser (Detail: what it said)
    Vanished,      // the port went away (unplugged) or the connection closed
    Timeout,       // no whole reply in time: the device hangs
    Garbage,       // bytes that are no reply (Detail: the line, escaped)
    CutLine,       // a line or the list cut short (Detail: the line, escaped)
    RangeRefused,  // the device (or the request itself) refuses the range (Detail: its words)
    TooManyPoints, // more points than the device sweeps (Limit: its most)
};

class EAnalyserError : public std::runtime_error {
public:
    EAnalyserError(TAnalyserFault code, std::string detail = {}, int limit = 0);
    TAnalyserFault Code;
    std::string Detail;
    int Limit;
};

// The fault's short name, e.g. "cut-line".
const char* AnalyserFaultName(TAnalyserFault code);

// The lines of a shell reply between the command's echo and the prompt:
// "scan START STOP POINTS 3" gives "f re im" a line. A comma as the decimal
// separator is accepted. The points are S11 at 50 ohms as loads.
TTouchstone ParseNanoScan(std::string_view lines, int points);
// Older firmware: `frequencies` (one frequency a line) and `data 0` ("re im").
TTouchstone ParseNanoFrequenciesAndData(std::string_view frequencies, std::string_view data,
                                        int points);
// LibreVNA's ":VNA:TRACE:DATA? S11" reply: "[f,re,im],[f,re,im],…".
TTouchstone ParseLibreTrace(std::string_view line, int points);
