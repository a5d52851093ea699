#pragma once
// What the program's top-level windows share: the design font and placement.

#include <QFont>
#include <QWidget>

// "MS Sans Serif" where it exists, else the system's sans font.
QFont DesignFont(int pixelSize);
// Centres a window on the primary screen, as the windows are placed when first shown.
void CenterOnScreen(QWidget* window);
