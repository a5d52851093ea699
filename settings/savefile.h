#pragma once
// Every file the program saves goes through here: the bytes land in a
// temporary file beside the target, which replaces the target only once all
// of them are safely written. A failed save leaves the old file as it was.

#include <QByteArray>
#include <QSaveFile>
#include <QStandardPaths>
#include <QString>
#include <functional>
#include <stdexcept>

// What went wrong, in the words of the file system ("No space left on device").
class ESaveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Opens file, lets prepare work on the open temporary file (false refuses),
// writes all of bytes, flushes and commits. On any failure the writing is
// cancelled and ESaveError carries the reason.
void SaveAtomically(QSaveFile& file, const QByteArray& bytes,
                    const std::function<bool(QSaveFile&)>& prepare = {});
void SaveAtomically(const QString& path, const QByteArray& bytes);

// The standard folder where it exists, else the home folder: a missing one
// would leave a dialog in whatever the working directory happens to be.
QString ExistingFolderOrHome(QStandardPaths::StandardLocation location);
