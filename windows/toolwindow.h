#pragma once
// What the tool windows share: their style and first placement, Ctrl+C, and
// following the frame's current step with the one-line frequency notice.

#include "currentstep.h"
#include "design.h"
#include "windowstyle.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QSettings;
class TToolWindow;

// The program's settings, or none where its file is no regular file.
std::unique_ptr<QSettings> OpenSettings();

class TToolWindow : public QWidget {
    Q_OBJECT
public:
    // Title and design font; a tool window never keeps the program running.
    // It observes design, or a design of its own when none is given (a
    // window on its own, as the tests make them).
    TToolWindow(const QString& title, int fontPixels, Qt::WindowFlags flags,
                QWidget* parent = nullptr, TDesign* design = nullptr);

    TDesign& Design() const { return *FDesign; }
    // The window made its own design: nothing else observes it.
    bool OwnsDesign() const { return FOwnsDesign; }

    // Follows the frame's current step; fieldText is the panel's frequency
    // field, which the window names in lbNotice while it holds another one.
    void Follow(const TCurrentStep& step, const QString& fieldText);

    // Shown only while the frequency field differs; each window places it.
    QLabel* lbNotice;

    // When first shown, the window goes where it covers least of these
    // (the main window, its chart and panel), beside preferred when it can;
    // it never opens larger than the screen's free area.
    void PlaceAwayFrom(std::vector<TKeepClear> keepClear, const QPoint& preferred);
    // Held in a dock beside the chart: the dock places the window from now on,
    // and the window lays itself out for a dock's width while docked.
    void SetDocked(bool docked);
    bool Docked() const { return FDocked; }

protected:
    // Each derived window calls this last in its constructor: from then on
    // every change of the design reaches DesignChanged, and the window shows
    // the design as it is.
    void Observe();
    // The base follows the step and the frequency field.
    virtual void DesignChanged(unsigned what);
    // A dock is narrower than the window's own design; a window whose design
    // does not fit one rearranges its controls here.
    virtual void UseDockLayout(bool docked);
    // The step's load at its frequency, called only when either changes.
    virtual void ShowStep(const TLoad& load, double fMHz);
    // Every step taken back: the window shows no load, as the panel.
    virtual void ClearStep();
    // The frequency the window's numbers are for; none while it shows none.
    virtual std::optional<double> ShownFrequency() const;
    // Ctrl+C anywhere in the window puts this text on the clipboard.
    void SetCopyText(std::function<QString()> text);
    // Centred on the screen when first shown.
    void CenterWhenFirstShown() { FCenterOnShow = true; }
    void showEvent(QShowEvent* event) override;

private:
    TDesign* FDesign;
    bool FOwnsDesign;
    std::optional<TLoad> FFollowedLoad;
    double FFollowedFrequency = 0.0;
    bool FCenterOnShow = false;
    std::vector<TKeepClear> FKeepClear;
    QPoint FPreferred;
    bool FPlaced = false;
    bool FDocked = false;
};

// The main window when it keeps tool windows in docks around the chart; the
// frame offers it each window before placing one on its own.
class TToolWindowHost {
public:
    virtual ~TToolWindowHost() = default;
    // True when the host has taken the window in (docked, or floating in its dock).
    virtual bool HoldToolWindow(TToolWindow* tool) = 0;
};
