#pragma once
// Writes one keyed value into ANALYZER.INI, the settings file shared with an
// antenna-analyzer program. Pentarix never reads the file.

#include <QString>
#include <stdexcept>

class EIniFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The folder that stands in for the Windows directory: the XDG config home
// ($XDG_CONFIG_HOME, else ~/.config).
QString AnalyzerSettingsFolder();

// Selector 2..24 writes value under the section and key of the analyzer's
// table; 0, 1 and above 24 write nothing. Throws EIniFileError
// "Unable to write to ANALYZER.INI" when the file cannot be written.
void WriteAnalyzerSetting(unsigned selector, const QString& value);
void WriteAnalyzerSetting(const QString& folder, unsigned selector, const QString& value);
