#pragma once
// The docks around the chart: each tool window the frame shows goes into a
// dock of the main window, beside the chart (tabbed when they do not all fit),
// or below it where the screen is tall enough. The frame keeps the size it
// had without docks: the main window grows by the docks as far as the screen
// allows, and the docks take what is left.

#include "toolwindow.h"

#include <QDockWidget>
#include <QPointer>
#include <QStringList>
#include <vector>

class QMainWindow;

// One dock; closing it closes the tool window it holds.
class TToolDock : public QDockWidget {
    Q_OBJECT
public:
    TToolDock(const QString& name, QMainWindow* main);
    // None once the window is going: it is then no tool window any more.
    TToolWindow* Tool() const { return qobject_cast<TToolWindow*>(FTool.data()); }
    void Hold(TToolWindow* tool);
    // What the window asked for when it came in: the dock's width beside the
    // chart, its height below it.
    QSize Wanted() const { return FWanted; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Held as widgets: a pointer of the tool's own type would be cast while
    // the window is being destroyed (its last events come then).
    QPointer<QWidget> FTool;
    QSize FWanted;
};

class TToolDocks : public QObject {
    Q_OBJECT
public:
    explicit TToolDocks(QMainWindow* main);

    // Takes the window into its dock and shows the dock; false before the
    // main window is shown, when the window places itself.
    bool Hold(TToolWindow* tool);
    // The docks open now, by name; a name is the window's class, with a
    // number after it for a second window of the same class.
    QStringList OpenDocks() const;
    // The main window's size to the frame's, the docks' and the screen's.
    void Refit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TToolDock* DockFor(TToolWindow* tool);
    void PlaceNew(TToolDock* dock);
    std::vector<TToolDock*> DockedIn(Qt::DockWidgetArea area) const;
    // The docked windows share the main window, and with it their keys
    // (Ctrl+C, Ctrl+A): only this one's are on, the last shown or focused;
    // a floating dock is a window of its own and keeps its keys.
    void MakeCurrent(TToolWindow* tool);
    // The height the docks beside the chart want, a tab group counted once.
    int StackedHeight(const std::vector<TToolDock*>& docks) const;

    QMainWindow* FMain;
    std::vector<TToolDock*> FDocks;
    // The frame's size without docks; empty while no dock is docked.
    QSize FKept;
    bool FFitting = false;
    QPointer<QWidget> FCurrent;
};
