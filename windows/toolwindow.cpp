#include "toolwindow.h"

#include "apperror.h"
#include "frequencynotice.h"
#include "windowstyle.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QShortcut>

TToolWindow::TToolWindow(const QString& title, int fontPixels, Qt::WindowFlags flags,
                         QWidget* parent, TDesign* design)
    : QWidget(parent, flags), FDesign(design ? design : new TDesign(this)), FOwnsDesign(!design) {
    setWindowTitle(title);
    // Only the main window keeps the program running.
    setAttribute(Qt::WA_QuitOnClose, false);
    setFont(DesignFont(fontPixels));
    lbNotice = new QLabel(this);
    lbNotice->hide();
}

void TToolWindow::Follow(const TCurrentStep& step, const QString& fieldText) {
    const bool same = step.Load && FFollowedLoad && step.Load->R == FFollowedLoad->R &&
                      step.Load->X == FFollowedLoad->X && step.FrequencyMHz == FFollowedFrequency;
    if (step.Load && !same)
        ShowStep(*step.Load, step.FrequencyMHz);
    else if (!step.Load && FFollowedLoad)
        ClearStep();
    FFollowedLoad = step.Load;
    FFollowedFrequency = step.FrequencyMHz;
    const std::optional<double> shown = ShownFrequency();
    const QString notice = shown ? FrequencyNotice(*shown, fieldText) : QString();
    lbNotice->setText(notice);
    lbNotice->setVisible(!notice.isEmpty());
}

void TToolWindow::Observe() {
    connect(FDesign, &TDesign::Changed, this,
            [this](unsigned what) { Guarded([this, what] { DesignChanged(what); }); });
    DesignChanged(dcAll);
}

void TToolWindow::DesignChanged(unsigned what) {
    if (what & (dcStep | dcFrequencyText)) Follow(FDesign->Step(), FDesign->FrequencyText());
}

void TToolWindow::ShowStep(const TLoad&, double) {}

void TToolWindow::ClearStep() {}

std::optional<double> TToolWindow::ShownFrequency() const {
    return std::nullopt;
}

void TToolWindow::SetCopyText(std::function<QString()> text) {
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    connect(copy, &QShortcut::activated, this, [text = std::move(text)] {
        Guarded([&] { QApplication::clipboard()->setText(text()); });
    });
}

void TToolWindow::PlaceAwayFrom(std::vector<TKeepClear> keepClear, const QPoint& preferred) {
    if (FPlaced) return;
    FKeepClear = std::move(keepClear);
    FPreferred = preferred;
    // Placed before the window manager maps it, so that the window never jumps.
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QSize size = FitToScreen(this->size(), this);
    if (size != this->size()) resize(size);
    move(LeastCoveringPlace(size + DecorationAllowance, area, FKeepClear, FPreferred));
    FPlaced = true;
    FCenterOnShow = false;
}

void TToolWindow::SetDocked(bool docked) {
    FPlaced = true;
    FCenterOnShow = false;
    if (docked == FDocked) return;
    FDocked = docked;
    UseDockLayout(docked);
}

void TToolWindow::UseDockLayout(bool) {}

void TToolWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!FCenterOnShow) return;
    FCenterOnShow = false;
    CenterOnScreen(this);
}

namespace {

// Pentarix writes a few kilobytes of settings; QSettings parses the whole file
// at every open, so a far larger one (a mistake, or another program's) would
// stall every edit and take memory without bound.
constexpr qint64 MaxSettingsBytes = 1024 * 1024;

// Such a file is renamed "….bad" and the defaults are used, once said; false
// when it stays (a read-only folder): it is then not read at all.
bool SetAsideOversized(const QFileInfo& file) {
    if (!file.isFile() || file.size() <= MaxSettingsBytes) return true;
    const QString path = file.absoluteFilePath(), aside = path + QStringLiteral(".bad");
    QFile::remove(aside);
    if (!QFile::rename(path, aside)) return false;
    ShowErrorMessage(QStringLiteral("Soubor nastavení '%1' je větší než 1 MiB. Byl odložen jako "
                                    "'%2' a platí výchozí nastavení.")
                         .arg(QDir::toNativeSeparators(path), QDir::toNativeSeparators(aside)));
    return true;
}

} // namespace

// QSettings reads its files as it is made, and opening a FIFO or a device
// there would hang the program: only regular files, or none yet, are let in.
// Qt's folder for them (a test's setPath included) is learnt from a name that
// has no file.
std::unique_ptr<QSettings> OpenSettings() {
    const QSettings probe(QSettings::NativeFormat, QSettings::UserScope,
                          QStringLiteral(".pentarix-folder-probe"));
    const QDir folder = QFileInfo(probe.fileName()).dir();
    // The application's file and the organisation's, which Qt reads as a fallback.
    for (const char* name : {"Pentarix/Pentarix.conf", "Pentarix.conf"}) {
        const QFileInfo file(folder.filePath(QLatin1String(name)));
        if (file.exists() && !file.isFile()) return nullptr;
        if (!SetAsideOversized(file)) return nullptr;
    }
    return std::make_unique<QSettings>(QStringLiteral("Pentarix"), QStringLiteral("Pentarix"));
}
