#include "savefile.h"

#include <QDir>
#include <QFileInfo>

namespace {

[[noreturn]] void Fail(QSaveFile& file) {
    const QString reason = file.errorString();
    file.cancelWriting();
    throw ESaveError(reason.toStdString());
}

} // namespace

void SaveAtomically(QSaveFile& file, const QByteArray& bytes,
                    const std::function<bool(QSaveFile&)>& prepare) {
    // Unbuffered: a failure then comes at a write, which tells its reason,
    // not at a flush that stops after part of a block without one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) Fail(file);
    if (prepare && !prepare(file)) Fail(file);
    // A short write sets no error of its own (a full disk or a size limit
    // takes part of a block); the next write of the rest fails with the reason.
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 n = file.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) Fail(file);
        done += n;
    }
    // Flushed by hand: Qt 6.4's commit overlooks a failed final flush and
    // would rename a truncated file into place.
    if (!file.flush() || file.error() != QFileDevice::NoError) Fail(file);
    if (!file.commit()) throw ESaveError(file.errorString().toStdString());
}

void SaveAtomically(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    SaveAtomically(file, bytes);
}

QString ExistingFolderOrHome(QStandardPaths::StandardLocation location) {
    const QString folder = QStandardPaths::writableLocation(location);
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}
