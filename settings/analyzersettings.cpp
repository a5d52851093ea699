#include "analyzersettings.h"

#include "inifile.h"
#include "savefile.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRandomGenerator>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct TSettingKey {
    const char* section;
    const char* key;
};

constexpr unsigned kFirstSelector = 2;

// Indexed by selector - kFirstSelector; the names are the analyzer's own.
constexpr TSettingKey kSettingKeys[] = {
    {"COM_PORT", "PORT2"},         {"COM_PORT", "PORT3"},
    {"COM_PORT", "SELCOM"},        {"COM_PORT", "BAND160"},
    {"COM_PORT", "BAND80"},        {"COM_PORT", "BAND40"},
    {"COM_PORT", "BAND30"},        {"COM_PORT", "BAND20"},
    {"COM_PORT", "BAND17"},        {"COM_PORT", "BAND15"},
    {"COM_PORT", "BAND12"},        {"COM_PORT", "BAND10"},
    {"COM_PORT", "BAND6"},         {"COM_PORT", "BAND2"},
    {"COM_PORT", "BAND70"},        {"COM_PORT", "OTHER"},
    {"COM_PORT", "HODINY_DDS"},    {"COM_PORT", "NASOBIC_DDS"},
    {"COLOR", "BK_GRAPH_COLOR"},   {"COM_PORT", "PORT_POMALU_1"},
    {"COM_PORT", "PORT_POMALU_2"}, {"COM_PORT", "ZKRAC_CINITEL_KAB"},
    {"COM_PORT", "CH_IMP"},
};

constexpr unsigned kSelectorCount = sizeof(kSettingKeys) / sizeof(kSettingKeys[0]);

const TSettingKey* SettingKeyFor(unsigned selector) {
    if (selector < kFirstSelector || selector - kFirstSelector >= kSelectorCount) return nullptr;
    return &kSettingKeys[selector - kFirstSelector];
}

// Big enough for any settings file; a huge one is a mistake or an attack, and
// reading it whole would take memory without bound.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;
// How long a writer waits for another one to finish before giving up.
constexpr int kLockPatienceMs = 5000;

[[noreturn]] void FailToWrite(const QString& path) {
    throw EIniFileError("Unable to write to " + QFileInfo(path).fileName().toStdString());
}

// Like mkpath, but a folder created here is private to its user: the settings
// may name the user's serial ports and more.
bool MakePrivatePath(const QString& dir) {
    const QString clean = QDir::cleanPath(QDir(dir).absolutePath());
    qsizetype next = 1; // past the root's "/"
    while (next <= clean.size()) {
        qsizetype slash = clean.indexOf(u'/', next);
        if (slash < 0) slash = clean.size();
        const QByteArray part = QFile::encodeName(clean.left(slash));
        next = slash + 1;
        struct stat st {};
        if (::stat(part.constData(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) return false;
            continue;
        }
        // EEXIST: another writer created it meanwhile.
        if (::mkdir(part.constData(), 0700) != 0 && errno != EEXIST) return false;
        if (::stat(part.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    }
    return true;
}

// The existing file's bytes and metadata. Opened without blocking so that a
// FIFO cannot hang us, and refused unless it is a regular file of sane size:
// a device must never be read or replaced.
struct TExistingFile {
    bool exists = false;
    QByteArray content;
    struct stat info {};
};

TExistingFile ReadExisting(const QString& path) {
    TExistingFile file;
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0) {
        if (errno == ENOENT) return file;
        FailToWrite(path);
    }
    if (!S_ISREG(st.st_mode) || st.st_size > kMaxFileSize) FailToWrite(path);

    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) FailToWrite(path);
    // Checked again on the open file: the name may have changed since stat.
    bool ok = ::fstat(fd, &file.info) == 0 && S_ISREG(file.info.st_mode) &&
              file.info.st_size <= kMaxFileSize;
    if (ok) file.content.reserve(file.info.st_size);
    char chunk[65536];
    while (ok) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        // The file may grow while we read: the limit holds all the same.
        ok = n >= 0 && file.content.size() + n <= kMaxFileSize;
        if (n <= 0) break;
        file.content.append(chunk, n);
    }
    ::close(fd);
    if (!ok) FailToWrite(path);
    file.exists = true;
    return file;
}

// A writer writes its lock's content right after creating it; an empty lock
// older than this was left by a writer killed in between.
constexpr qint64 kEmptyLockStaleMs = 1000;

bool EmptyAndOld(const QString& lockPath) {
    const QFileInfo info(lockPath);
    return info.exists() && info.size() == 0 &&
           info.lastModified().msecsTo(QDateTime::currentDateTime()) > kEmptyLockStaleMs;
}

// QLockFile takes a lock whose owner is gone by itself, but an empty one only
// after its 30 s: such a lock is removed here, under the same ".rmlock" guard
// that keeps two waiters from removing each other's fresh lock.
void RemoveEmptyStaleLock(const QString& lockPath) {
    if (!EmptyAndOld(lockPath)) return;
    QLockFile guard(lockPath + QStringLiteral(".rmlock"));
    if (guard.tryLock(0) && EmptyAndOld(lockPath)) QFile::remove(lockPath);
}

// Another writer holds the lock only for one read-modify-replace; Qt's own
// wait sleeps 100 ms and more between tries, far longer than that takes.
bool LockWithPatience(QLockFile& lock, const QString& lockPath) {
    const QDeadlineTimer deadline(kLockPatienceMs);
    while (!lock.tryLock(0)) {
        if (lock.error() != QLockFile::LockFailedError || deadline.hasExpired()) return false;
        RemoveEmptyStaleLock(lockPath);
        QThread::usleep(500 + QRandomGenerator::global()->bounded(1500));
    }
    return true;
}

// Under the lock no other writer has a temporary file: "NAME.XXXXXX" beside
// the file is what a writer killed while saving left behind.
void RemoveOrphanTemporaries(const QString& path) {
    const QFileInfo target(path);
    const QDir dir = target.absoluteDir();
    const QString prefix = target.fileName() + u'.';
    for (const QString& name : dir.entryList({prefix + QStringLiteral("??????")},
                                             QDir::Files | QDir::Hidden | QDir::System)) {
        if (name == prefix + QStringLiteral("rmlock")) continue;
        QFile::remove(dir.filePath(name));
    }
}

} // namespace

QString AnalyzerSettingsFolder() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    // The XDG rules say a relative value is invalid and must be ignored.
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) return QDir::cleanPath(xdg);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.config"));
}

void WriteAnalyzerSetting(unsigned selector, const QString& value) {
    WriteAnalyzerSetting(AnalyzerSettingsFolder(), selector, value);
}

void WriteAnalyzerSetting(const QString& folder, unsigned selector, const QString& value) {
    const TSettingKey* setting = SettingKeyFor(selector);
    if (!setting) return;

    const QString dir = folder.isEmpty() ? QStringLiteral(".") : folder;
    const QString path = QDir(dir).filePath(QStringLiteral("ANALYZER.INI"));
    // Refused before any folder is made for it.
    if (value.contains(u'\r') || value.contains(u'\n')) FailToWrite(path);
    if (!MakePrivatePath(dir)) FailToWrite(path);
    WriteIniFileValue(path, setting->section, setting->key, value.toUtf8());
}

void WriteIniFileValue(const QString& path, const QByteArray& section, const QByteArray& key,
                       const QByteArray& value) {
    // A line break in the value would start a line of its own, even a section.
    if (value.contains('\r') || value.contains('\n')) FailToWrite(path);

    // Without the lock, two writers that read the same old file each replace
    // it with only their own change.
    const QString lockPath = path + QStringLiteral(".lock");
    QLockFile lock(lockPath);
    if (!LockWithPatience(lock, lockPath)) FailToWrite(path);
    RemoveOrphanTemporaries(path);

    // An existing file that cannot be read must not be replaced by one holding
    // only the new key.
    const TExistingFile old = ReadExisting(path);
    const QByteArray updated = SetIniValue(old.content, section, key, value);

    // The old file is replaced only by a rename once the new one is complete.
    QSaveFile out(path);
    // The replacement is a new file: it takes the old one's owner and group
    // (only root may give them away; others own the file anyway), then its
    // mode, which a change of owner may have cut.
    auto keepOwnerAndMode = [&old](QSaveFile& file) {
        if (!old.exists) return true;
        const int fd = file.handle();
        const bool sameOwner = old.info.st_uid == ::geteuid() && old.info.st_gid == ::getegid();
        if (!sameOwner && ::fchown(fd, old.info.st_uid, old.info.st_gid) != 0 && ::geteuid() == 0)
            return false;
        return ::fchmod(fd, old.info.st_mode & 07777) == 0;
    };
    try {
        SaveAtomically(out, updated, keepOwnerAndMode);
    } catch (const ESaveError&) {
        FailToWrite(path);
    }
}
