#pragma once
// The main window: a menu bar over the tuner frame. When first shown it fixes
// the number format and creates the frame, which holds everything else.

#include "vSmith.h"

#include <QMenuBar>
#include <QWidget>

class TForm1 : public QWidget {
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

    void FormShow();
    void FormPaint();

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildMainMenu();
    void FillMainMenu();
    void ShowShortcuts();
    void KeepBottomPanelWhole();
    bool FShown = false;
    int FMenuHeight = 0;
    QString FStartFile;
};
