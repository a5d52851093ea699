#include "toolwindow.h"

#include "apperror.h"
#include "windowstyle.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QShortcut>

TToolWindow::TToolWindow(const QString& title, int fontPixels, Qt::WindowFlags flags,
                         QWidget* parent)
    : QWidget(parent, flags) {
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
    }
    return std::make_unique<QSettings>(QStringLiteral("Pentarix"), QStringLiteral("Pentarix"));
}
