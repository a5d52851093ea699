#pragma once
// What the program's top-level windows share: the design font and placement.

#include <QFont>
#include <QWidget>
#include <vector>

// "MS Sans Serif" where it exists, else the system's sans font.
QFont DesignFont(int pixelSize);
// Centres a window on the primary screen, as the windows are placed when first shown.
void CenterOnScreen(QWidget* window);

// What a window manager adds around a window, before the window is shown and
// the real frame can be asked: a title bar and thin borders.
constexpr QSize DecorationAllowance(8, 38);
// The largest size up to wanted that fits the screen's free area together
// with the window manager's frame.
QSize FitToScreen(const QSize& wanted, const QWidget* window);

// A region a new window should leave visible, and how much covering it costs
// per pixel.
struct TKeepClear {
    QRect Rect;
    int Weight = 1;
};
// The top-left corner for a window of the given frame size inside area that
// covers the least of keepClear; among equal places the one nearest preferred.
QPoint LeastCoveringPlace(const QSize& frame, const QRect& area,
                          const std::vector<TKeepClear>& keepClear, const QPoint& preferred);

// The small stay-on-top windows (data, tuner design): a title bar with only
// the close box.
constexpr Qt::WindowFlags ToolWindowFlags = Qt::Window | Qt::WindowStaysOnTopHint |
                                            Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
// Their title, font and window colour; they never keep the program running.
void StyleToolWindow(QWidget* window, const QString& title, int fontPixels);
// The window colour of the small windows, behind their own controls.
void UseWindowColour(QWidget* window);
