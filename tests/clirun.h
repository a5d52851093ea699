#pragma once
// pentarix-match run as a separate process, as a script would run it. The
// including suite gets PENTARIX_MATCH, the program's path, from CMake.

#include <QProcess>
#include <QString>
#include <QStringList>

struct TRun {
    int Status = -1;
    QString Out, Err;
};

inline TRun Match(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(PENTARIX_MATCH), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
