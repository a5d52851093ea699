#include "analyzersettings.h"
#include "inifile.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return "<unreadable>";
    return file.readAll();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QString IniIn(const QString& folder) {
    return QDir(folder).filePath("ANALYZER.INI");
}

// Runs a write that must fail and returns the message it threw with.
template <class Write> std::string FailureMessage(Write&& write) {
    try {
        write();
    } catch (const EIniFileError& e) {
        return e.what();
    }
    return "<no exception>";
}

std::string Show(const QByteArray& bytes) {
    return QByteArray(bytes).replace("\r", "\\r").replace("\n", "\\n\n").toStdString();
}

#define EXPECT_BYTES(actual, expected) EXPECT_EQ(Show(actual), Show(expected))

struct stat StatOf(const QString& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(QFile::encodeName(path).constData(), &st), 0) << path.toStdString();
    return st;
}

QStringList EntriesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                  QDir::NoDotAndDotDot);
}

constexpr const char* kUnableToWrite = "Unable to write to ANALYZER.INI";

// Every replacement syncs the file to disk, which on a slow disk dominates the
// tests that write hundreds of times or megabytes; tmpfs makes it free.
QString RamTempTemplate() {
    const QFileInfo shm(QStringLiteral("/dev/shm"));
    return (shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath()) +
           QStringLiteral("/pentarix-settings-XXXXXX");
}

} // namespace

// ---- The editing core: which line changes and what gets added where ----

TEST(IniEditing, ReplacesValueInPlaceAndKeepsEveryOtherByte) {
    const QByteArray before = "; shared\r\n[COLOR]\r\nCH_IMP=1\r\n\r\n[COM_PORT]\r\nPORT2=3\r\n"
                              "CH_IMP=75\r\n# tail\r\n";
    const QByteArray after = "; shared\r\n[COLOR]\r\nCH_IMP=1\r\n\r\n[COM_PORT]\r\nPORT2=3\r\n"
                             "CH_IMP=50\r\n# tail\r\n";
    EXPECT_BYTES(SetIniValue(before, "COM_PORT", "CH_IMP", "50"), after);
}

TEST(IniEditing, MatchesNamesIgnoringAsciiCaseAndBlanksAndKeepsFileSpelling) {
    EXPECT_BYTES(SetIniValue("[ com_port ]\n ch_imp = 7\nx=1\n", "COM_PORT", "CH_IMP", "50"),
                 "[ com_port ]\nch_imp=50\nx=1\n");
    EXPECT_BYTES(SetIniValue("\t[Com_Port]\t\r\n\tCh_Imp\t=7\r\n", "COM_PORT", "CH_IMP", "8"),
                 "\t[Com_Port]\t\r\nCh_Imp=8\r\n");
}

TEST(IniEditing, ChangesOnlyFirstMatchingSectionAndKey) {
    EXPECT_BYTES(SetIniValue("[A]\nK=1\nK=2\n[a]\nK=3\n", "A", "K", "9"),
                 "[A]\nK=9\nK=2\n[a]\nK=3\n");
    // The key in a later duplicate section is not looked for: the first one gains it.
    EXPECT_BYTES(SetIniValue("[A]\nX=1\n[A]\nK=3\n", "A", "K", "9"), "[A]\nX=1\nK=9\n[A]\nK=3\n");
}

TEST(IniEditing, DoesNotMistakeSimilarLinesForTheKey) {
    // Prefixes, comments, keys of other sections and keys before any section.
    EXPECT_BYTES(SetIniValue("K=0\n[B]\nK=1\n[A]\nKEY=1\n;K=2\n#K=3\n", "A", "K", "v"),
                 "K=0\n[B]\nK=1\n[A]\nKEY=1\n;K=2\n#K=3\nK=v\n");
    EXPECT_BYTES(SetIniValue(";[A]\nK=1\n", "A", "K", "v"), ";[A]\nK=1\n\n[A]\nK=v\n");
}

TEST(IniEditing, ReplacesWholeValueOfBareKeysAndKeysAfterBlankLines) {
    EXPECT_BYTES(SetIniValue("[A]\nK=a=b ; c\n", "A", "K", "v"), "[A]\nK=v\n");
    EXPECT_BYTES(SetIniValue("[A]\nX=1\n\n  \nK=1\n", "A", "K", "v"), "[A]\nX=1\n\n  \nK=v\n");
    EXPECT_BYTES(SetIniValue("[A]\nK\n", "A", "K", "v"), "[A]\nK=v\n");
    EXPECT_BYTES(SetIniValue("[A]\nK=1", "A", "K", "v"), "[A]\nK=v");
}

TEST(IniEditing, AddsMissingKeyAfterLastNonBlankLineOfItsSection) {
    EXPECT_BYTES(SetIniValue("[A]\nX=1\n;note\n\n\n[B]\nY=2\n", "A", "K", "v"),
                 "[A]\nX=1\n;note\nK=v\n\n\n[B]\nY=2\n");
    EXPECT_BYTES(SetIniValue("[A]\r\n\r\n[B]\r\n", "A", "K", "v"), "[A]\r\nK=v\r\n\r\n[B]\r\n");
    EXPECT_BYTES(SetIniValue("[A]\r\nX=1\r\n\r\n", "A", "K", "v"), "[A]\r\nX=1\r\nK=v\r\n\r\n");
}

TEST(IniEditing, TerminatesUnfinishedLastLineBeforeAdding) {
    EXPECT_BYTES(SetIniValue("[A]\r\nX=1", "A", "K", "v"), "[A]\r\nX=1\r\nK=v\r\n");
    EXPECT_BYTES(SetIniValue("[A]\r\nX=1", "B", "K", "v"), "[A]\r\nX=1\r\n\r\n[B]\r\nK=v\r\n");
}

TEST(IniEditing, AddsMissingSectionAtEndAfterOneBlankLine) {
    EXPECT_BYTES(SetIniValue("[A]\nX=1\n", "B", "K", "v"), "[A]\nX=1\n\n[B]\nK=v\n");
    EXPECT_BYTES(SetIniValue("[A]\nX=1\n\n", "B", "K", "v"), "[A]\nX=1\n\n[B]\nK=v\n");
    EXPECT_BYTES(SetIniValue("", "B", "K", "v"), "[B]\r\nK=v\r\n");
}

TEST(IniEditing, AddedLinesFollowTheFirstLineEnding) {
    EXPECT_BYTES(SetIniValue("[A]\nX=1\r\n", "A", "K", "v"), "[A]\nX=1\r\nK=v\n");
    EXPECT_BYTES(SetIniValue("[A]\r\nX=1\n", "A", "K", "v"), "[A]\r\nX=1\nK=v\r\n");
    EXPECT_BYTES(SetIniValue("; only", "A", "K", "v"), "; only\r\n\r\n[A]\r\nK=v\r\n");
}

TEST(IniEditing, CrLfAndCrlfEachEndALineAndKeepTheirOwnEnding) {
    const struct {
        const char* before;
        const char* after;
    } cases[] = {
        {"[A]\rK=1\rX=2\r", "[A]\rK=v\rX=2\r"},     // old Mac endings
        {"[A]\r\nK=1\rX=2\n", "[A]\r\nK=v\rX=2\n"}, // mixed, each line keeps its own
        {"[A]\nK=1\r[B]\n", "[A]\nK=v\r[B]\n"},    // a stray CR ends the key's line
        {"[A]\r\rK=1", "[A]\r\rK=v"},               // CR CR is a blank line between
        {"[A]\rX=1\r\r[B]\r", "[A]\rX=1\rK=v\r\r[B]\r"},
        {"[B]\rY=1", "[B]\rY=1\r\r[A]\rK=v\r"},
    };
    for (const auto& c : cases)
        EXPECT_BYTES(SetIniValue(c.before, "A", "K", "v"), c.after);
}

TEST(IniEditing, KeepsByteOrderMarkAndStillMatchesFirstLine) {
    const QByteArray bom = "\xEF\xBB\xBF";
    EXPECT_BYTES(SetIniValue(bom + "[A]\r\nK=1\r\n", "A", "K", "v"), bom + "[A]\r\nK=v\r\n");
    EXPECT_BYTES(SetIniValue(bom + "K=1\r\n", "A", "K", "v"), bom + "K=1\r\n\r\n[A]\r\nK=v\r\n");
    EXPECT_BYTES(SetIniValue(bom, "A", "K", "v"), bom + "[A]\r\nK=v\r\n");
}

// ---- WriteAnalyzerSetting on real files ----

TEST(AnalyzerSettingsFile, ChImpOnSharedCrlfFileChangesOnlyItsLine) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray head = "; written by the analyzer\r\n[COLOR]\r\nBK_GRAPH_COLOR=16777215\r\n"
                            "\r\n[COM_PORT]\r\nPORT2=COM1\r\n# impedance\r\n";
    const QByteArray tail = "\r\nBAND160=1\r\n\r\n[OTHER]\r\nCH_IMP=75\r\n";
    WriteBytes(IniIn(tmp.path()), head + "CH_IMP=75" + tail);

    WriteAnalyzerSetting(tmp.path(), 24, "50");

    EXPECT_BYTES(ReadBytes(IniIn(tmp.path())), head + "CH_IMP=50" + tail);
}

TEST(AnalyzerSettingsFile, CreatesMissingFolderAndFileWithCrlf) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = tmp.filePath("a/b");

    WriteAnalyzerSetting(folder, 24, "50");

    EXPECT_BYTES(ReadBytes(IniIn(folder)), "[COM_PORT]\r\nCH_IMP=50\r\n");
}

TEST(AnalyzerSettingsFile, AddsKeyToItsSectionAndMissingSectionAtEnd) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    WriteBytes(IniIn(tmp.path()), "[com_port]\nPORT2=1\n\n[X]\nY=2\n");

    WriteAnalyzerSetting(tmp.path(), 3, "COM4");
    WriteAnalyzerSetting(tmp.path(), 20, "255");

    EXPECT_BYTES(ReadBytes(IniIn(tmp.path())),
                 "[com_port]\nPORT2=1\nPORT3=COM4\n\n[X]\nY=2\n\n[COLOR]\nBK_GRAPH_COLOR=255\n");
}

TEST(AnalyzerSettingsFile, EverySelectorReachesItsSectionAndKey) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    for (unsigned selector = 2; selector <= 24; ++selector)
        WriteAnalyzerSetting(tmp.path(), selector, QString("v%1").arg(selector));
    // Writing all of them again must replace, not duplicate.
    for (unsigned selector = 2; selector <= 24; ++selector)
        WriteAnalyzerSetting(tmp.path(), selector, QString("w%1").arg(selector));

    const char* comPort[] = {"PORT2",  "PORT3",  "SELCOM", "BAND160", "BAND80",     "BAND40",
                             "BAND30", "BAND20", "BAND17", "BAND15",  "BAND12",     "BAND10",
                             "BAND6",  "BAND2",  "BAND70", "OTHER",   "HODINY_DDS", "NASOBIC_DDS"};
    QByteArray expected = "[COM_PORT]\r\n";
    unsigned selector = 2;
    for (const char* key : comPort)
        expected += key + QByteArray("=w") + QByteArray::number(selector++) + "\r\n";
    expected += "PORT_POMALU_1=w21\r\nPORT_POMALU_2=w22\r\nZKRAC_CINITEL_KAB=w23\r\nCH_IMP=w24\r\n"
                "\r\n[COLOR]\r\nBK_GRAPH_COLOR=w20\r\n";
    EXPECT_BYTES(ReadBytes(IniIn(tmp.path())), expected);
}

TEST(AnalyzerSettingsFile, IgnoredSelectorsTouchNothing) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString missing = tmp.filePath("missing");
    const QByteArray before = "[COM_PORT]\r\nCH_IMP=75\r\n";
    WriteBytes(IniIn(tmp.path()), before);

    for (unsigned selector : {0u, 1u, 25u, 26u, 1000u}) {
        WriteAnalyzerSetting(missing, selector, "50");
        WriteAnalyzerSetting(tmp.path(), selector, "50");
    }

    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_BYTES(ReadBytes(IniIn(tmp.path())), before);
}

TEST(AnalyzerSettingsFile, WritesValueAsUtf8AndLeavesNoTemporaryFiles) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());

    WriteAnalyzerSetting(tmp.path(), 17, QString::fromUtf8("50 \xCE\xA9 \xC2\xB1"));

    EXPECT_BYTES(ReadBytes(IniIn(tmp.path())), "[COM_PORT]\r\nOTHER=50 \xCE\xA9 \xC2\xB1\r\n");
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"ANALYZER.INI"});
}

TEST(AnalyzerSettingsFile, KeepsPermissionsOfExistingFile) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString ini = IniIn(tmp.path());
    WriteBytes(ini, "[COM_PORT]\n");
    const auto perms = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(ini, perms));

    WriteAnalyzerSetting(tmp.path(), 4, "2");

    const auto modeBits = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                          QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    EXPECT_EQ(QFile::permissions(ini) & modeBits, perms);
    EXPECT_BYTES(ReadBytes(ini), "[COM_PORT]\nSELCOM=2\n");
}

TEST(AnalyzerSettingsFile, KeepsModeAndAsRootOwnerAndGroup) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString ini = IniIn(tmp.path());
    const bool root = geteuid() == 0;
    // As root the file goes to a stranger; the replacement must follow it.
    const uid_t uid = root ? 4321 : geteuid();
    const gid_t gid = root ? 8765 : getegid();
    for (mode_t mode : {0600, 0640, 0604, 0660, 02640}) {
        WriteBytes(ini, "[COM_PORT]\n");
        ASSERT_EQ(::chown(QFile::encodeName(ini).constData(), uid, gid), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(ini).constData(), mode), 0);

        WriteAnalyzerSetting(tmp.path(), 24, "50");

        const struct stat st = StatOf(ini);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        EXPECT_EQ(st.st_uid, uid);
        EXPECT_EQ(st.st_gid, gid);
        EXPECT_BYTES(ReadBytes(ini), "[COM_PORT]\nCH_IMP=50\n");
        QFile::remove(ini);
    }
}

TEST(AnalyzerSettingsFile, FoldersItCreatesArePrivateAndOthersKeepTheirMode) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString shared = tmp.filePath("shared");
    ASSERT_TRUE(QDir().mkdir(shared));
    ASSERT_EQ(::chmod(QFile::encodeName(shared).constData(), 0755), 0);

    WriteAnalyzerSetting(shared + "/cfg/sub", 24, "50");

    EXPECT_EQ(StatOf(shared).st_mode & 07777, 0755u);
    EXPECT_EQ(StatOf(shared + "/cfg").st_mode & 07777, 0700u);
    EXPECT_EQ(StatOf(shared + "/cfg/sub").st_mode & 07777, 0700u);
    EXPECT_BYTES(ReadBytes(IniIn(shared + "/cfg/sub")), "[COM_PORT]\r\nCH_IMP=50\r\n");
}

// ---- Failures: one message, and the old file survives ----

TEST(AnalyzerSettingsErrors, RefusesNonRegularFilesWithoutReadingOrReplacingThem) {
    const struct {
        const char* kind;
        std::function<bool(const QByteArray&)> make;
    } cases[] = {
        {"FIFO", [](const QByteArray& p) { return ::mkfifo(p.constData(), 0600) == 0; }},
        {"socket",
         [](const QByteArray& p) {
             sockaddr_un addr{};
             addr.sun_family = AF_UNIX;
             if (size_t(p.size()) >= sizeof addr.sun_path) return false;
             std::memcpy(addr.sun_path, p.constData(), size_t(p.size()));
             const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
             const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
             if (fd >= 0) ::close(fd);
             return ok;
         }},
        // Read without end, and as root once replaced by a plain file.
        {"link to /dev/zero", [](const QByteArray& p) { return ::symlink("/dev/zero", p.constData()) == 0; }},
        {"link to /dev/null", [](const QByteArray& p) { return ::symlink("/dev/null", p.constData()) == 0; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        QTemporaryDir tmp;
        ASSERT_TRUE(tmp.isValid());
        const QString ini = IniIn(tmp.path());
        ASSERT_TRUE(c.make(QFile::encodeName(ini)));
        const struct stat before = StatOf(ini);

        EXPECT_EQ(FailureMessage([&] { WriteAnalyzerSetting(tmp.path(), 24, "50"); }), kUnableToWrite);

        const struct stat after = StatOf(ini);
        EXPECT_EQ(after.st_mode, before.st_mode);
        EXPECT_EQ(after.st_ino, before.st_ino);
        EXPECT_EQ(EntriesIn(tmp.path()), QStringList{"ANALYZER.INI"});
    }
}

TEST(AnalyzerSettingsErrors, RefusesFilesOver16MiB) {
    QTemporaryDir tmp(RamTempTemplate());
    ASSERT_TRUE(tmp.isValid());
    const QString ini = IniIn(tmp.path());
    const qint64 size = 16 * 1024 * 1024 + 1;
    {
        QFile file(ini);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(size)); // sparse: costs neither disk nor time
    }

    EXPECT_EQ(FailureMessage([&] { WriteAnalyzerSetting(tmp.path(), 24, "50"); }), kUnableToWrite);
    EXPECT_EQ(QFileInfo(ini).size(), size);
}

TEST(AnalyzerSettingsErrors, RefusesValuesWithLineBreaks) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray before = "[COM_PORT]\r\nCH_IMP=75\r\n";
    WriteBytes(IniIn(tmp.path()), before);

    for (const char* value : {"50\r\n[COLOR]\r\nBK_GRAPH_COLOR=0", "50\r", "\n", "5\n0"}) {
        EXPECT_EQ(FailureMessage([&] { WriteAnalyzerSetting(tmp.path(), 24, value); }), kUnableToWrite);
        EXPECT_EQ(FailureMessage([&] { WriteAnalyzerSetting(tmp.filePath("new"), 24, value); }),
                  kUnableToWrite);
    }
    EXPECT_BYTES(ReadBytes(IniIn(tmp.path())), before);
    EXPECT_FALSE(QFileInfo::exists(tmp.filePath("new")));
}

TEST(AnalyzerSettingsErrors, FolderThatIsAFileCannotBeCreated) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString blocker = tmp.filePath("blocker");
    WriteBytes(blocker, "keep");

    EXPECT_EQ(FailureMessage([&] { WriteAnalyzerSetting(blocker, 24, "50"); }),
              "Unable to write to ANALYZER.INI");
    EXPECT_EQ(FailureMessage([&] { WriteAnalyzerSetting(blocker + "/sub", 24, "50"); }),
              "Unable to write to ANALYZER.INI");
    EXPECT_BYTES(ReadBytes(blocker), "keep");
}

TEST(AnalyzerSettingsErrors, UnreadableExistingFileIsNotReplaced) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    // A directory in the file's place cannot be read even by root.
    ASSERT_TRUE(QDir(tmp.path()).mkdir("ANALYZER.INI"));
    WriteBytes(IniIn(tmp.path()) + "/inside", "keep");

    EXPECT_EQ(FailureMessage([&] { WriteAnalyzerSetting(tmp.path(), 24, "50"); }),
              "Unable to write to ANALYZER.INI");
    EXPECT_TRUE(QFileInfo(IniIn(tmp.path())).isDir());
    EXPECT_BYTES(ReadBytes(IniIn(tmp.path()) + "/inside"), "keep");
}

TEST(AnalyzerSettingsErrors, FailedWriteKeepsOldFileAndLeavesNoTemporaryFile) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray before = "[COM_PORT]\r\nCH_IMP=75\r\n";
    WriteBytes(IniIn(tmp.path()), before);

    // A file size limit makes the new file's write fail, whoever runs the test.
    rlimit oldLimit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &oldLimit), 0);
    rlimit small = oldLimit;
    small.rlim_cur = 8;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string message = FailureMessage([&] { WriteAnalyzerSetting(tmp.path(), 24, "50"); });
    setrlimit(RLIMIT_FSIZE, &oldLimit);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(message, "Unable to write to ANALYZER.INI");
    EXPECT_BYTES(ReadBytes(IniIn(tmp.path())), before);
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"ANALYZER.INI"});
}

TEST(AnalyzerSettingsErrors, ReadOnlyFolderKeepsOldFile) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QString folder = tmp.filePath("ro");
    ASSERT_TRUE(QDir(tmp.path()).mkdir("ro"));
    const QByteArray before = "[COM_PORT]\nCH_IMP=75\n";
    WriteBytes(IniIn(folder), before);
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadUser | QFile::ExeUser;
    ASSERT_TRUE(QFile::setPermissions(folder, readOnly));

    const std::string message = FailureMessage([&] { WriteAnalyzerSetting(folder, 24, "50"); });
    QFile::setPermissions(folder, readOnly | QFile::WriteOwner | QFile::WriteUser);

    EXPECT_EQ(message, "Unable to write to ANALYZER.INI");
    EXPECT_BYTES(ReadBytes(IniIn(folder)), before);
}

// ---- Where the file lives ----

TEST(AnalyzerSettingsFolder, UsesAbsoluteXdgConfigHome) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray xdg = QFile::encodeName(tmp.filePath("cfg"));
    ScopedEnv env("XDG_CONFIG_HOME", &xdg);

    EXPECT_EQ(AnalyzerSettingsFolder(), tmp.filePath("cfg"));
    WriteAnalyzerSetting(24, "50");
    EXPECT_BYTES(ReadBytes(IniIn(tmp.filePath("cfg"))), "[COM_PORT]\r\nCH_IMP=50\r\n");
}

TEST(AnalyzerSettingsFolder, FallsBackToHomeConfigWhenXdgUnsetOrRelative) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const QByteArray home = QFile::encodeName(tmp.path());
    ScopedEnv homeEnv("HOME", &home);
    const QString expected = tmp.filePath(".config");
    {
        ScopedEnv env("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(AnalyzerSettingsFolder(), expected);
    }
    {
        const QByteArray relative = "relative/cfg";
        ScopedEnv env("XDG_CONFIG_HOME", &relative);
        EXPECT_EQ(AnalyzerSettingsFolder(), expected);
        WriteAnalyzerSetting(2, "COM3");
    }
    EXPECT_BYTES(ReadBytes(IniIn(expected)), "[COM_PORT]\r\nPORT2=COM3\r\n");
    EXPECT_FALSE(QFileInfo::exists("relative"));
}

// ---- Two programs writing at once ----

TEST(AnalyzerSettingsConcurrency, TwoProcessesLoseNoWrite) {
    QTemporaryDir tmp(RamTempTemplate());
    ASSERT_TRUE(tmp.isValid());
    const QString ini = IniIn(tmp.path());
    WriteBytes(ini, "[COM_PORT]\r\nCH_IMP=75\r\n");
    constexpr int kWrites = 300;

    QProcess writers[2];
    const char* tags[2] = {"A", "B"};
    for (int w = 0; w < 2; ++w) {
        writers[w].setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers[w].start(SETTINGS_WRITER_PATH, {ini, tags[w], QString::number(kWrites)});
    }
    for (QProcess& writer : writers) {
        ASSERT_TRUE(writer.waitForFinished(120000));
        EXPECT_EQ(writer.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(writer.exitCode(), 0);
    }

    // Every key of both writers, each once: a lost update drops keys.
    const QByteArray after = ReadBytes(ini);
    int missing = 0;
    for (const char* tag : tags)
        for (int i = 0; i < kWrites; ++i) {
            const QByteArray line = "\r\n" + QByteArray(tag) + QByteArray::number(i) + '=' +
                                    QByteArray::number(i) + "\r\n";
            if (after.count(line) != 1) ++missing;
        }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(after.count("\r\n"), 2 + 1 + 1 + 2 * kWrites);
    EXPECT_TRUE(after.startsWith("[COM_PORT]\r\nCH_IMP=75\r\n\r\n[TEST]\r\n"));
    EXPECT_EQ(EntriesIn(tmp.path()), QStringList{"ANALYZER.INI"});
}

// ---- A writer killed while it held the lock ----

// The lock a killed writer left, empty (killed before writing its pid) or
// with its pid, is taken at once, and what a killed save left beside the file
// goes; before, every write waited 5 s and failed for half a minute.
TEST(AnalyzerSettingsConcurrency, LockOfAKilledWriterIsTakenAndItsTemporariesGo) {
    for (const char* kind : {"empty", "owned"}) {
        SCOPED_TRACE(kind);
        QTemporaryDir tmp(RamTempTemplate());
        ASSERT_TRUE(tmp.isValid());
        const QString ini = IniIn(tmp.path());
        WriteBytes(ini, "[COM_PORT]\r\nCH_IMP=75\r\n");
        WriteBytes(ini + ".Ab3xY9", "half a save");

        QProcess holder;
        holder.start(SETTINGS_WRITER_PATH, {ini, "--hold-lock", kind});
        ASSERT_TRUE(holder.waitForReadyRead(30000));
        ASSERT_EQ(holder.readAll(), QByteArray("locked\n"));
        ::kill(pid_t(holder.processId()), SIGKILL);
        ASSERT_TRUE(holder.waitForFinished(30000));
        // An empty lock counts as stale only once it is older than a second.
        QFile lock(ini + ".lock");
        ASSERT_TRUE(lock.open(QIODevice::ReadWrite));
        EXPECT_EQ(lock.size() == 0, std::strcmp(kind, "empty") == 0);
        ASSERT_TRUE(lock.setFileTime(QDateTime::currentDateTime().addSecs(-2),
                                     QFileDevice::FileModificationTime));
        lock.close();

        EXPECT_EQ(FailureMessage([&] { WriteIniFileValue(ini, "TEST", "K", "1"); }),
                  "<no exception>");
        EXPECT_EQ(ReadBytes(ini), QByteArray("[COM_PORT]\r\nCH_IMP=75\r\n\r\n[TEST]\r\nK=1\r\n"));
        EXPECT_EQ(EntriesIn(tmp.path()), QStringList{"ANALYZER.INI"});
    }
}
