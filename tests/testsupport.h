#pragma once
// Shared by every suite: the error recorder that stands in for the modal box.

#include <QByteArray>
#include <QString>
#include <QStringList>

void InstallErrorRecorder();
// Every message "shown" since the last call, in order; the list is then emptied.
QStringList TakeRecordedErrors();

// While it lives, files of this process cannot grow past the given size, as
// on a full disk: a write past the limit fails (EFBIG) instead of a signal.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(long long bytes);
    ~TFileSizeLimit();
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    long long FOldSoft;
    void (*FOldHandler)(int);
};

// An environment variable set (or, for null, unset) while it lives.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const QByteArray* value)
        : name_(name), wasSet_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
        if (value)
            qputenv(name, *value);
        else
            qunsetenv(name);
    }
    ~ScopedEnv() {
        if (wasSet_)
            qputenv(name_, old_);
        else
            qunsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    bool wasSet_;
    QByteArray old_;
};
