#include "tooldocks.h"

#include "windowstyle.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QStyle>
#include <algorithm>

TToolDock::TToolDock(const QString& name, QMainWindow* main) : QDockWidget(main) {
    setObjectName(name);
    setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                QDockWidget::DockWidgetFloatable);
    setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea | Qt::BottomDockWidgetArea);
    // A window wider or taller than the room scrolls inside its dock, so
    // that the dock never takes room from the frame.
    auto* scroll = new QScrollArea(this);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    setWidget(scroll);
}

void TToolDock::Hold(TToolWindow* tool) {
    FTool = tool;
    FWanted = tool->size();
    setWindowTitle(tool->windowTitle());
    connect(tool, &QWidget::windowTitleChanged, this, &QWidget::setWindowTitle);
    // A window that closes itself (the band table with its measurement)
    // takes its dock with it.
    connect(tool, &QObject::destroyed, this, [this] { hide(); });
    tool->installEventFilter(this);
    tool->SetDocked(!isFloating());
    static_cast<QScrollArea*>(widget())->setWidget(tool);
}

void TToolDock::closeEvent(QCloseEvent* event) {
    // The window decides, as when it floated on its own: the frame forgets it.
    if (TToolWindow* tool = Tool(); tool && !tool->close()) {
        event->ignore();
        return;
    }
    QDockWidget::closeEvent(event);
}

bool TToolDock::eventFilter(QObject* watched, QEvent* event) {
    // Hidden by its own close, not by the dock going away or behind a tab.
    if (watched == FTool.data() && event->type() == QEvent::Hide &&
        static_cast<QWidget*>(watched)->isHidden())
        hide();
    return QDockWidget::eventFilter(watched, event);
}

TToolDocks::TToolDocks(QMainWindow* main) : QObject(main), FMain(main) {
    qApp->installEventFilter(this);
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        for (QWidget* w = now; w; w = w->parentWidget())
            if (auto* tool = qobject_cast<TToolWindow*>(w)) {
                MakeCurrent(tool);
                return;
            }
    });
}

// A text box in a docked window copies and selects its own text, as it does
// in a window of its own: the window's Ctrl+C and Ctrl+A then share the main
// window with the frame's keys, and would take those keys from the box.
bool TToolDocks::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::ShortcutOverride) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (!key->matches(QKeySequence::Copy) && !key->matches(QKeySequence::SelectAll)) return false;
    if (!qobject_cast<QPlainTextEdit*>(watched) && !qobject_cast<QLineEdit*>(watched)) return false;
    for (auto* w = static_cast<QWidget*>(watched); w; w = w->parentWidget())
        if (auto* tool = qobject_cast<TToolWindow*>(w)) {
            if (tool->Docked()) key->accept();
            break;
        }
    return false;
}

void TToolDocks::MakeCurrent(TToolWindow* tool) {
    if (!tool || !tool->Docked()) return;
    FCurrent = tool;
    for (const TToolDock* d : FDocks)
        if (TToolWindow* held = d->Tool())
            for (QShortcut* key : held->findChildren<QShortcut*>())
                key->setEnabled(held == tool || d->isFloating());
}

bool TToolDocks::Hold(TToolWindow* tool) {
    if (!FMain->isVisible() || !FMain->centralWidget()) return false;
    // The frame's size before the first dock takes any of its room.
    if (!FKept.isValid()) FKept = FMain->centralWidget()->size();
    // Fixed before the dock comes: a frame squeezed for a moment would lose
    // the marks right of its narrower width (a resize keeps only what overlaps).
    FMain->centralWidget()->setFixedSize(FKept);
    auto held = std::find_if(FDocks.begin(), FDocks.end(),
                             [tool](const TToolDock* d) { return d->Tool() == tool; });
    // Fitted once the dock has its place, not at each step of getting there.
    FFitting = true;
    TToolDock* dock = held != FDocks.end() ? *held : DockFor(tool);
    dock->show();
    dock->raise();
    MakeCurrent(tool);
    // As a window of its own would be: active, so that its keys reach it.
    if (dock->isFloating())
        dock->activateWindow();
    else
        FMain->activateWindow();
    FFitting = false;
    Refit();
    return true;
}

// A window's kind is its class, or its name where one class makes two kinds.
QString DockKind(const QWidget* tool) {
    return tool->objectName().isEmpty() ? QString::fromLatin1(tool->metaObject()->className())
                                        : tool->objectName();
}

TToolDock* TToolDocks::DockFor(TToolWindow* tool) {
    // A dock of this kind left empty by a closed window is used again, so
    // that the window comes back where the user left the last one.
    const QString kind = DockKind(tool);
    TToolDock* dock = nullptr;
    int count = 0;
    for (TToolDock* d : FDocks)
        if (d->objectName() == kind || d->objectName().startsWith(kind + u'-')) {
            ++count;
            if (!dock && !d->Tool()) dock = d;
        }
    const bool fresh = !dock;
    if (fresh) {
        dock = new TToolDock(count ? kind + u'-' + QString::number(count + 1) : kind, FMain);
        FDocks.push_back(dock);
        // The frame's size follows where the user puts the dock.
        connect(dock, &QDockWidget::topLevelChanged, this, [this, dock](bool floating) {
            if (dock->Tool()) dock->Tool()->SetDocked(!floating);
            MakeCurrent(qobject_cast<TToolWindow*>(FCurrent.data()));
            Refit();
        });
        connect(dock, &QDockWidget::dockLocationChanged, this, [this] { Refit(); });
        connect(dock, &QDockWidget::visibilityChanged, this, [this, dock] {
            if (dock->isHidden()) Refit();
        });
    }
    dock->Hold(tool);
    // Where the saved layout had it, else beside the chart.
    if (!fresh || !FMain->restoreDockWidget(dock)) {
        if (fresh) PlaceNew(dock);
    } else if (dock->Tool()) {
        dock->Tool()->SetDocked(!dock->isFloating());
    }
    return dock;
}

std::vector<TToolDock*> TToolDocks::DockedIn(Qt::DockWidgetArea area) const {
    std::vector<TToolDock*> docks;
    for (TToolDock* d : FDocks)
        if (!d->isHidden() && !d->isFloating() && FMain->dockWidgetArea(d) == area)
            docks.push_back(d);
    return docks;
}

int TToolDocks::StackedHeight(const std::vector<TToolDock*>& docks) const {
    // Each tab group as tall as its tallest window.
    std::vector<std::pair<TToolDock*, int>> groups;
    for (TToolDock* d : docks) {
        const QList<QDockWidget*> tabbed = FMain->tabifiedDockWidgets(d);
        auto group = std::find_if(groups.begin(), groups.end(),
                                  [&](const auto& g) { return tabbed.contains(g.first); });
        if (group == groups.end())
            groups.emplace_back(d, d->Wanted().height());
        else
            group->second = std::max(group->second, d->Wanted().height());
    }
    int sum = 0;
    for (const auto& g : groups)
        sum += g.second;
    return sum;
}

void TToolDocks::PlaceNew(TToolDock* dock) {
    const QWidget* frame = FMain->centralWidget();
    const int frameHeight = FKept.isValid() ? FKept.height() : frame->height();
    std::vector<TToolDock*> beside = DockedIn(Qt::RightDockWidgetArea);
    std::erase(beside, dock);
    if (beside.empty()) {
        FMain->addDockWidget(Qt::RightDockWidgetArea, dock);
        return;
    }
    if (StackedHeight(beside) + dock->Wanted().height() <= frameHeight) {
        FMain->addDockWidget(Qt::RightDockWidgetArea, dock, Qt::Vertical);
        return;
    }
    // Below the panel where the screen has that room, else behind a tab.
    const QScreen* screen = FMain->screen() ? FMain->screen() : QGuiApplication::primaryScreen();
    const int below = screen ? screen->availableGeometry().height() - DecorationAllowance.height() -
                                   FMain->height()
                             : 0;
    if (DockedIn(Qt::BottomDockWidgetArea).empty() && dock->Wanted().height() <= below) {
        FMain->addDockWidget(Qt::BottomDockWidgetArea, dock);
        return;
    }
    FMain->tabifyDockWidget(beside.back(), dock);
}

QStringList TToolDocks::OpenDocks() const {
    QStringList names;
    for (const TToolDock* d : FDocks)
        if (!d->isHidden() && d->Tool()) names << d->objectName();
    return names;
}

void TToolDocks::Refit() {
    QWidget* frame = FMain->centralWidget();
    if (FFitting || !frame || !FMain->isVisible()) return;
    FFitting = true;
    const std::vector<TToolDock*> left = DockedIn(Qt::LeftDockWidgetArea);
    const std::vector<TToolDock*> right = DockedIn(Qt::RightDockWidgetArea);
    const std::vector<TToolDock*> bottom = DockedIn(Qt::BottomDockWidgetArea);
    const int menu = FMain->menuBar() ? FMain->menuBar()->height() : 0;
    const bool open = std::any_of(FDocks.begin(), FDocks.end(),
                                  [](const TToolDock* d) { return !d->isHidden(); });
    if (!open) {
        // The last dock gone: the window and the frame as they were.
        if (FKept.isValid()) {
            FMain->resize(FKept + QSize(0, menu));
            frame->setMinimumSize(0, 0);
            frame->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
            FKept = QSize();
        }
        FFitting = false;
        return;
    }
    if (!FKept.isValid()) FKept = frame->size();
    // Fixed while any dock is open, floating ones too: the docks take what the
    // window gains or loses, and one dropped back beside the chart squeezes
    // nothing on its way in.
    frame->setFixedSize(FKept);

    const int separator =
        FMain->style()->pixelMetric(QStyle::PM_DockWidgetSeparatorExtent, nullptr, FMain);
    auto widest = [](const std::vector<TToolDock*>& docks) {
        int w = 0;
        for (const TToolDock* d : docks)
            w = std::max(w, d->Wanted().width());
        return w;
    };
    int beside = 0;
    for (const std::vector<TToolDock*>* side : {&left, &right})
        if (!side->empty()) beside += widest(*side) + separator;
    int below = 0;
    for (const TToolDock* d : bottom)
        below = std::max(below, d->Wanted().height() + separator);

    const QScreen* screen = FMain->screen() ? FMain->screen() : QGuiApplication::primaryScreen();
    QSize size(FKept.width() + beside, menu + FKept.height() + below);
    if (screen) {
        const QRect area = screen->availableGeometry();
        size = size.boundedTo(area.size() - DecorationAllowance).expandedTo(FKept + QSize(0, menu));
        FMain->resize(size);
        // Grown past the screen's edge, the window moves back onto it.
        const QRect placed = FMain->frameGeometry();
        const QPoint shift(
            std::max(area.left() - placed.left(), std::min(0, area.right() - placed.right())),
            std::max(area.top() - placed.top(), std::min(0, area.bottom() - placed.bottom())));
        if (!shift.isNull()) FMain->move(FMain->pos() + shift);
    } else {
        FMain->resize(size);
    }
    const int spareWidth = size.width() - FKept.width();
    if (!right.empty() && left.empty())
        FMain->resizeDocks({right.front()}, {spareWidth - separator}, Qt::Horizontal);
    else if (!left.empty() && right.empty())
        FMain->resizeDocks({left.front()}, {spareWidth - separator}, Qt::Horizontal);
    if (!bottom.empty())
        FMain->resizeDocks({bottom.front()}, {size.height() - menu - FKept.height() - separator},
                           Qt::Vertical);
    FFitting = false;
}
