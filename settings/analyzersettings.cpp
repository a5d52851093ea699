#include "analyzersettings.h"

#include "inifile.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

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

[[noreturn]] void FailToWrite() {
    throw EIniFileError("Unable to write to ANALYZER.INI");
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
    if (!QDir().mkpath(dir)) FailToWrite();
    const QString path = QDir(dir).filePath(QStringLiteral("ANALYZER.INI"));

    // An existing file that cannot be read must not be replaced by one holding
    // only the new key.
    QByteArray content;
    if (QFile::exists(path)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) FailToWrite();
        content = file.readAll();
        if (file.error() != QFileDevice::NoError) FailToWrite();
    }

    const QByteArray updated = SetIniValue(content, setting->section, setting->key, value.toUtf8());

    // The old file is replaced only by a rename once the new one is complete.
    // Flushing by hand matters: Qt 6.4's commit overlooks a failed final flush
    // (disk full, size limit) and would rename a truncated file into place.
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) FailToWrite();
    if (out.write(updated) != updated.size() || !out.flush()) {
        out.cancelWriting();
        FailToWrite();
    }
    if (!out.commit()) FailToWrite();
}
