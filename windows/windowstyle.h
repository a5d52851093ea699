#pragma once
// What the program's top-level windows share: the design font and placement.

#include <QFont>
#include <QWidget>

// "MS Sans Serif" where it exists, else the system's sans font.
QFont DesignFont(int pixelSize);
// Centres a window on the primary screen, as the windows are placed when first shown.
void CenterOnScreen(QWidget* window);

// The small stay-on-top windows (data, tuner design): a title bar with only
// the close box.
constexpr Qt::WindowFlags ToolWindowFlags = Qt::Window | Qt::WindowStaysOnTopHint |
                                            Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
// Their title, font and window colour; they never keep the program running.
void StyleToolWindow(QWidget* window, const QString& title, int fontPixels);
// The window colour of the small windows, behind their own controls.
void UseWindowColour(QWidget* window);
