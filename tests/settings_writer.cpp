// One of the concurrent writers of the settings test: writes the keys
// <tag>0 .. <tag><count-1> into section TEST of the file, one write each.
// usage: settings_writer PATH TAG COUNT
// or, to leave a lock for the stale-lock test: settings_writer PATH --hold-lock
// empty|owned, which creates PATH.lock (0 bytes, or through QLockFile with its
// owner's pid), prints "locked" and waits to be killed.

#include "analyzersettings.h"

#include <QByteArray>
#include <QFile>
#include <QLockFile>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace {

[[noreturn]] void HoldLock(const QString& path, bool owned) {
    QLockFile lock(path + QStringLiteral(".lock"));
    QFile empty(path + QStringLiteral(".lock"));
    const bool done = owned ? lock.tryLock(0) : empty.open(QIODevice::NewOnly);
    std::printf(done ? "locked\n" : "failed\n");
    std::fflush(stdout);
    for (;;)
        pause();
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: settings_writer PATH TAG COUNT\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (std::strcmp(argv[2], "--hold-lock") == 0)
        HoldLock(path, std::strcmp(argv[3], "owned") == 0);
    const QByteArray tag = argv[2];
    const int count = std::atoi(argv[3]);
    try {
        for (int i = 0; i < count; ++i)
            WriteIniFileValue(path, "TEST", tag + QByteArray::number(i), QByteArray::number(i));
    } catch (const EIniFileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
