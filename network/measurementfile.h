#pragma once
// One reader for every measurement file an analyser writes: Touchstone
// version 1 and 2, and CSV exports, told apart by their content.

#include "touchstone.h"

#include <string>
#include <string_view>

enum class TMeasurementFormat { Touchstone1, Touchstone2, Csv };

// The format of a file's text: "[Version]" first is version 2; an option
// line or a first line of numbers is version 1; any other first line is a
// CSV header.
TMeasurementFormat DetectMeasurementFormat(std::string_view text);

// A CSV export: a header naming the frequency and either R and X, or S11 as
// real/imaginary or magnitude/angle (dB or linear), separated by commas,
// semicolons or tabs. The frequency's unit comes from the header (Hz, kHz,
// MHz, GHz), else from the values (any above 100,000 means Hz, else MHz).
// S11 is taken at 50 ohms. Columns that cannot be told apart: CsvColumns.
TTouchstone ParseCsvMeasurement(std::string_view text);

// Any measurement's text. `ports` (1 or 2) comes from a version 1 file's
// extension; 0 takes it from the first data line (nine numbers: two ports).
TTouchstone ParseMeasurement(std::string_view text, int ports = 0);

// Reads a .s1p, .s2p, .ts or .csv file (any case) once, the format told by
// its content; every error carries the file's name in File.
TTouchstone ReadMeasurementFile(const std::string& path);

// The points of a measurement file one at a time, as they are read: the
// points and faults of ReadMeasurementFile without holding the file or its
// points (version 1 files are read a piece at a time; the other formats
// whole). Returns how many there were.
std::size_t ForEachMeasurementPoint(const std::string& path,
                                    const touchstone_detail::TPointSink& point);
