#include "testsupport.h"

#include "apperror.h"

#include <csignal>
#include <sys/resource.h>

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

TFileSizeLimit::TFileSizeLimit(long long bytes) {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    FOldSoft = static_cast<long long>(limit.rlim_cur);
    FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    ::setrlimit(RLIMIT_FSIZE, &limit);
}

TFileSizeLimit::~TFileSizeLimit() {
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = static_cast<rlim_t>(FOldSoft);
    ::setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, FOldHandler);
}
