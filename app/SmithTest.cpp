#include "SmithTest.h"

#include "apperror.h"
#include "helpwindows.h"
#include "tooldocks.h"
#include "windowstyle.h"

#include <QCloseEvent>
#include <QLayout>
#include <QLocale>
#include <QSettings>
#include <QTimer>
#include <QWindow>
#include <algorithm>

TForm1::TForm1(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Pentarix"));
    setFont(DesignFont(10));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToRgb(clBtnFace));
    setPalette(pal);

    BuildMainMenu();
    setMenuBar(MainMenu);
    // The window grows by the menu bar, so that the frame keeps its design size.
    FMenuHeight = MainMenu->sizeHint().height();
    // The smallest size is the bottom panel's, set on the native window below;
    // the layout must not replace it with its own.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    setDockOptions(QMainWindow::AllowTabbedDocks | QMainWindow::AllowNestedDocks);
    // Docks beside the chart run its whole height; a dock below sits under the panel.
    setCorner(Qt::BottomRightCorner, Qt::RightDockWidgetArea);
    setCorner(Qt::BottomLeftCorner, Qt::LeftDockWidgetArea);
    FDocks = new TToolDocks(this);
    // On a screen too small for it, the largest size that fits.
    resize(FitToScreen(QSize(823, 772 + FMenuHeight), this));

    Panel1 = new QWidget(this);
    setCentralWidget(Panel1);
    QPalette panelPal = Panel1->palette();
    panelPal.setColor(QPalette::Window, ColorToRgb(clWhite));
    Panel1->setPalette(panelPal);
    Panel1->setAutoFillBackground(true);
}

QRect TForm1::ClientRect() const {
    return QRect(0, FMenuHeight, width(), std::max(0, height() - FMenuHeight));
}

void TForm1::BuildMainMenu() {
    MainMenu = new QMenuBar(this);
    // In the window on every desktop, also where a global menu would take it away.
    MainMenu->setNativeMenuBar(false);
    mnFile = MainMenu->addMenu(QStringLiteral("Soubor"));
    mnEdit = MainMenu->addMenu(QStringLiteral("Úpravy"));
    mnDesign = MainMenu->addMenu(QStringLiteral("Návrh"));
    mnHelp = MainMenu->addMenu(QStringLiteral("Nápověda"));

    actQuit = new QAction(QStringLiteral("Konec"), this);
    actQuit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    actQuit->setShortcutContext(Qt::WindowShortcut);
    addAction(actQuit);
    connect(actQuit, &QAction::triggered, this, &QWidget::close);
    actShortcuts = mnHelp->addAction(QStringLiteral("Klávesové zkratky"));
    connect(actShortcuts, &QAction::triggered, this,
            [this] { Guarded([this] { ShowShortcuts(); }); });
    actAbout = mnHelp->addAction(QStringLiteral("O programu"));
    connect(actAbout, &QAction::triggered, this,
            [this] { Guarded([this] { ShowAbout(QStringLiteral(PENTARIX_VERSION), this); }); });
}

// The frame's own actions, the ones its right-click menu holds: enabling and
// shortcuts stay in one place.
void TForm1::FillMainMenu() {
    const TvSmithChart* f = FTunerFrame;
    mnFile->addActions({f->actOpenMeasurement, f->actCloseMeasurement, f->actAnalyser});
    mnFile->addMenu(f->mnMeasurements);
    mnFile->addSeparator();
    mnFile->addActions({f->actOpenProject, f->actSaveProject});
    mnFile->addSeparator();
    mnFile->addActions({f->actSavePicture, f->actCopyPicture, f->actSaveDesign});
    mnFile->addSeparator();
    mnFile->addAction(actQuit);
    mnEdit->addActions({f->actUndo, f->actRedo, f->actClear});
    mnDesign->addActions({f->actNetworkDetails, f->actBandTable, f->actSwrPlot, f->actTunerDesign,
                          f->actFeedLine, f->actTuner, f->actTunerBand});
}

void TForm1::ShowShortcuts() {
    QList<QAction*> actions;
    for (const QMenu* menu : {mnFile, mnEdit, mnDesign, mnHelp})
        actions += menu->actions();
    ShowShortcutList(actions, this);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (FShown) return;
    FShown = true;
    CenterOnScreen(this);
    Guarded([this] { FormShow(); });
}

void TForm1::FormShow() {
    // "." for every number shown or typed, whatever the regional settings say.
    QLocale::setDefault(QLocale::c());
    // Created inside the window, so that its labels fit their text in the
    // window's font from the start.
    auto* frame = new TvSmithChart(this);
    FTunerFrame = frame;
    // The white panel held the frame's place until now.
    // Taken out, it is no child of the window any more: it goes here.
    delete takeCentralWidget();
    Panel1 = nullptr;
    setCentralWidget(frame);
    frame->setGeometry(ClientRect());
    frame->show();
    frame->CreateChart();
    FillMainMenu();
    KeepBottomPanelWhole();
    if (FRememberDocks) RestoreDocks();
    // Once the window is up, so that a message about a bad file stands over it.
    if (!FStartFile.isEmpty())
        QTimer::singleShot(0, this, [this] {
            Guarded([this] {
                // A project by its name; anything else is a measurement.
                if (FStartFile.endsWith(QLatin1String(".pentarix"), Qt::CaseInsensitive))
                    FTunerFrame->OpenProject(FStartFile);
                else
                    FTunerFrame->OpenMeasurement(FStartFile);
            });
        });
}

// The user cannot shrink the window below the size at which the bottom
// panel's controls stay whole, measured as laid out in the window's real font;
// the design size always fits. Set on the native window, so that the window
// manager enforces it while the program's own resizes stay free.
void TForm1::KeepBottomPanelWhole() {
    const QWidget* panel = FTunerFrame->pnBottom;
    int right = 0;
    for (const QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        right = std::max(right, child->geometry().right() + 1);
    // The first label's left margin, on the right as well.
    const int margin = FTunerFrame->Label1->x();
    if (QWindow* window = windowHandle())
        window->setMinimumSize(
            QSize(std::min(right + margin, width()), FMenuHeight + panel->height()));
}

bool TForm1::HoldToolWindow(TToolWindow* tool) {
    return FDocks->Hold(tool);
}

namespace {

// The setting keys: the docks' places as Qt saves them, and which were open.
const QString DockStateKey = QStringLiteral("docks/state");
const QString OpenDocksKey = QStringLiteral("docks/open");

} // namespace

void TForm1::RestoreDocks() {
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return;
    restoreState(s->value(DockStateKey).toByteArray());
    // Each window as its menu entry opens it; one that cannot open now
    // (the band table without a measurement) stays closed.
    const std::pair<const char*, QAction*> opens[] = {
        {"TfrmNetwork", FTunerFrame->actNetworkDetails},
        {"TfrmFeedLine", FTunerFrame->actFeedLine},
        {"TfrmTuner", FTunerFrame->actTuner},
        {"TfrmSwrPlot", FTunerFrame->actSwrPlot},
        {"TfrmBandTable", FTunerFrame->actBandTable},
        {"TfrmTunerBand", FTunerFrame->actTunerBand},
        {"TfrmAnalyser", FTunerFrame->actAnalyser},
        {"TfrmTunerDesign", FTunerFrame->actTunerDesign},
    };
    for (const QString& name : s->value(OpenDocksKey).toStringList())
        for (const auto& [kind, action] : opens)
            if (name == QLatin1String(kind) && action->isEnabled()) action->trigger();
}

void TForm1::SaveDocks() {
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return;
    s->setValue(DockStateKey, saveState());
    s->setValue(OpenDocksKey, FDocks->OpenDocks());
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (FRememberDocks && FTunerFrame) Guarded([this] { SaveDocks(); });
    QMainWindow::closeEvent(event);
}

void TForm1::paintEvent(QPaintEvent* event) {
    QMainWindow::paintEvent(event);
    // Right after the paint, not inside it: the redraw presents to the paint box.
    QTimer::singleShot(0, this, [this] { Guarded([this] { FormPaint(); }); });
}

void TForm1::FormPaint() {
    if (FTunerFrame) FTunerFrame->RedrawChart();
}
