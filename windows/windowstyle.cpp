#include "windowstyle.h"

#include "layer.h"

#include <QGuiApplication>
#include <QScreen>

QFont DesignFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("MS Sans Serif"), font.defaultFamily()});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

void CenterOnScreen(QWidget* window) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        const QRect frame = window->frameGeometry();
        window->move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

void StyleToolWindow(QWidget* window, const QString& title, int fontPixels) {
    window->setWindowTitle(title);
    // Only the main window keeps the program running.
    window->setAttribute(Qt::WA_QuitOnClose, false);
    window->setFont(DesignFont(fontPixels));
    UseWindowColour(window);
}

void UseWindowColour(QWidget* window) {
    QPalette pal = window->palette();
    pal.setColor(QPalette::Window, ColorToRgb(clWindow));
    window->setPalette(pal);
    window->setAutoFillBackground(true);
}
