#pragma once
// The program's own command line: one measurement file, --help, --version.
// Qt's options (-platform, -style…) are taken off before this sees them.

#include <QStringList>

struct TCommandLine {
    enum class TAction { Run, Help, Version, Error };
    TAction Action = TAction::Run;
    QString File;    // the measurement to open; empty for none
    QString Message; // the line to print for Help, Version and Error
};

// args without the program's name.
TCommandLine ParseCommandLine(const QStringList& args);
