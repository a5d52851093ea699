#pragma once
// The main window: a menu bar over the tuner frame, and the docks of the tool
// windows around it. When first shown it fixes the number format and creates
// the frame, which holds everything else.

#include "vSmith.h"

#include <QMainWindow>
#include <QMenuBar>

class TToolDocks;

class TForm1 : public QMainWindow, public TToolWindowHost {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    QWidget* Panel1;
    TvSmithChart* FTunerFrame = nullptr;

    QMenuBar* MainMenu;
    QMenu* mnFile;
    QMenu* mnEdit;
    QMenu* mnDesign;
    QMenu* mnHelp;
    QAction* actQuit;
    QAction* actShortcuts;
    QAction* actAbout;

    // The area under the menu bar: the frame fills it, at the design size 823x772.
    QRect ClientRect() const;
    // Opens this measurement once the window is first shown, as Ctrl+O does.
    void OpenAtStart(const QString& path) { FStartFile = path; }
    // Reopens the tool windows open at the last close, in their docks, and
    // saves them at this one; the program's window does, a test's need not.
    void RememberDocks() { FRememberDocks = true; }
    bool HoldToolWindow(TToolWindow* tool) override;
    TToolDocks* Docks() const { return FDocks; }

    void FormShow();
    void FormPaint();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMainMenu();
    void FillMainMenu();
    void ShowShortcuts();
    void KeepBottomPanelWhole();
    void RestoreDocks();
    void SaveDocks();
    bool FShown = false;
    int FMenuHeight = 0;
    QString FStartFile;
    TToolDocks* FDocks = nullptr;
    bool FRememberDocks = false;
};
