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

// Where the program's standard output goes: back to the test, to a full
// device, or nowhere (closed); its standard input is a file when one is named.
enum class TOutputTo { Test, FullDevice, Closed };

inline TRun MatchTo(const QStringList& args, TOutputTo to, const QString& inputFile = {}) {
    QProcess p;
    if (to == TOutputTo::FullDevice) p.setStandardOutputFile(QStringLiteral("/dev/full"));
    if (!inputFile.isEmpty()) p.setStandardInputFile(inputFile);
    if (to == TOutputTo::Closed)
        p.start(QStringLiteral("/bin/sh"),
                QStringList{QStringLiteral("-c"), QStringLiteral("exec \"$0\" \"$@\" >&-"),
                            QStringLiteral(PENTARIX_MATCH)} +
                    args);
    else
        p.start(QStringLiteral(PENTARIX_MATCH), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

inline TRun Match(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(PENTARIX_MATCH), args);
    p.waitForFinished(30000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}
