// Every save of the program: a failed one leaves the old file byte for byte
// and tells why; the dialogs start in a folder that exists.
#include "savefile.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

// The file system refuses the write at every stage: before the first byte,
// inside the write buffer (the failure comes at the flush), within a large
// block written straight through, and one byte short of the end.
TEST(SaveFileTest, AFailedSaveLeavesTheOldFileAndTellsWhy) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("saved.bin"));
    const QByteArray old(3000, 'o');
    const QByteArray small(5000, 's'), large(200000, 'L');
    const struct {
        const QByteArray& bytes;
        long long limit;
    } rows[] = {{small, 0}, {small, 100}, {large, 100}, {large, 70000}, {large, 199999}};
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.bytes.size() << " bytes, limit " << row.limit);
        SaveAtomically(path, old);
        std::string reason;
        try {
            const TFileSizeLimit full(row.limit);
            SaveAtomically(path, row.bytes);
        } catch (const ESaveError& e) {
            reason = e.what();
        }
        EXPECT_EQ(reason, qt_error_string(EFBIG).toStdString());
        EXPECT_EQ(ReadAll(path), old);
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files),
                  QStringList{QStringLiteral("saved.bin")});
    }
    const TFileSizeLimit roomy(large.size());
    SaveAtomically(path, large);
    EXPECT_EQ(ReadAll(path), large);
}

TEST(SaveFileTest, ADialogStartsInTheStandardFolderOnlyWhereItExists) {
    QTemporaryDir home;
    const QByteArray homeName = QFile::encodeName(home.path());
    const QByteArray config = QFile::encodeName(home.filePath(QStringLiteral(".config")));
    const ScopedEnv homeEnv("HOME", &homeName), configEnv("XDG_CONFIG_HOME", &config);
    EXPECT_EQ(ExistingFolderOrHome(QStandardPaths::PicturesLocation), QDir::homePath());
    ASSERT_TRUE(QDir(home.path()).mkdir(QStringLiteral("Pictures")));
    EXPECT_EQ(ExistingFolderOrHome(QStandardPaths::PicturesLocation),
              home.filePath(QStringLiteral("Pictures")));
}
