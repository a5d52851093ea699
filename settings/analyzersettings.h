#pragma once
// Writes one keyed value into ANALYZER.INI, the settings file shared with an
// antenna-analyzer program. Pentarix never reads the file.

#include <QByteArray>
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
// A value holding CR or LF is refused with the same error. A folder that has
// to be created gets mode 0700.
void WriteAnalyzerSetting(const QString& folder, unsigned selector, const QString& value);

// The read-modify-replace behind it, for any key of any file: under a lock
// beside the file ("<path>.lock"), so that concurrent writers lose nothing;
// only a regular file of at most 16 MiB is read and replaced, keeping its
// permission bits and, where allowed, its owner and group. Throws
// EIniFileError "Unable to write to <file name>".
void WriteIniFileValue(const QString& path, const QByteArray& section, const QByteArray& key,
                       const QByteArray& value);
