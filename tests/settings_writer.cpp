// One of the concurrent writers of the settings test: writes the keys
// <tag>0 .. <tag><count-1> into section TEST of the file, one write each.
// usage: settings_writer PATH TAG COUNT

#include "analyzersettings.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: settings_writer PATH TAG COUNT\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
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
