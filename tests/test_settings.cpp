#include "analyzersettings.h"
#include "inifile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>
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

// Sets or unsets an environment variable for one test and puts it back after.
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

std::string Show(const QByteArray& bytes) {
    return QByteArray(bytes).replace("\r", "\\r").replace("\n", "\\n\n").toStdString();
}

#define EXPECT_BYTES(actual, expected) EXPECT_EQ(Show(actual), Show(expected))

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

// ---- Failures: one message, and the old file survives ----

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
