// A measurement file's fault as the command line words it, in English.
#include "cli.h"
#include "touchstone.h"

namespace {

std::string Detail(const ETouchstoneError& e) {
    const std::string text = "'" + e.Text + "'";
    switch (e.Code) {
    case TTouchstoneFault::TooBig:
        return "the file is larger than 64 MiB";
    case TTouchstoneFault::NoData:
        return "the file holds no data";
    case TTouchstoneFault::Utf16:
        return "the file is in UTF-16; save it as UTF-8";
    case TTouchstoneFault::CountMismatch:
        return "expected " + std::to_string(e.Expected) +
               (e.Expected == 1 ? " number" : " numbers") + ", found " + std::to_string(e.Found);
    case TTouchstoneFault::BadNumber:
        return "invalid number " + text;
    case TTouchstoneFault::NumberOutOfRange:
        return "number out of range " + text;
    case TTouchstoneFault::NegativeFrequency:
        return "negative frequency";
    case TTouchstoneFault::FrequencyOutOfRange:
        return "frequency out of range";
    case TTouchstoneFault::FrequenciesMustRise:
        return "frequencies must rise";
    case TTouchstoneFault::TooManyPoints:
        return "more than a million points";
    case TTouchstoneFault::ImpedanceOutOfRange:
        return "impedance out of range";
    case TTouchstoneFault::UnknownOption:
        return "unknown option " + text;
    case TTouchstoneFault::UnsupportedParameters:
        return "parameters " + text + " are not supported";
    case TTouchstoneFault::MissingReference:
        return "R without a reference resistance";
    case TTouchstoneFault::ReferenceNotPositive:
        return "the reference resistance must be positive";
    case TTouchstoneFault::OptionsAfterData:
        return "the option line must come before the data";
    case TTouchstoneFault::Version2:
        return "Touchstone version 2 is not supported";
    case TTouchstoneFault::UnsupportedVersion:
        return "Touchstone version " + text + " is not supported, only 2.0 and 2.1";
    case TTouchstoneFault::MissingKeyword:
        return "missing " + e.Text;
    case TTouchstoneFault::UnknownKeyword:
        return "unknown keyword " + text;
    case TTouchstoneFault::BadKeywordValue:
        return "invalid value of " + e.Text;
    case TTouchstoneFault::UnsupportedPorts:
        return e.Text + " ports are not supported, only 1 and 2";
    case TTouchstoneFault::FrequencyCount:
        return "[Number of Frequencies] is " + std::to_string(e.Expected) + ", the data has " +
               std::to_string(e.Found);
    case TTouchstoneFault::CsvColumns:
        return "columns not recognised: " + e.Text +
               "; expected a frequency with R and X, or S11 as real and imaginary or as "
               "magnitude (dB or linear) and angle";
    case TTouchstoneFault::UnknownExtension:
        return "unknown extension, only .s1p and .s2p files are read";
    case TTouchstoneFault::UnknownMeasurementExtension:
        return "unknown extension, only .s1p, .s2p, .ts and .csv files are read";
    case TTouchstoneFault::NotFound:
        return "no such file";
    case TTouchstoneFault::CannotOpen:
        return "cannot open the file";
    case TTouchstoneFault::NotAFile:
        return "not a data file";
    case TTouchstoneFault::ReadFailed:
        return "error reading the file";
    }
    return TouchstoneFaultName(e.Code);
}

} // namespace

std::string TouchstoneErrorEnglish(const ETouchstoneError& e) {
    return (e.Line > 0 ? "line " + std::to_string(e.Line) + ": " : std::string()) + Detail(e);
}
