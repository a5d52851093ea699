#include "testsupport.h"

#include "apperror.h"

namespace {
QStringList& Recorded() {
    static QStringList list;
    return list;
}
} // namespace

void InstallErrorRecorder() {
    SetErrorSink([](const QString& text) { Recorded().append(text); });
}

QStringList TakeRecordedErrors() {
    QStringList taken = Recorded();
    Recorded().clear();
    return taken;
}
