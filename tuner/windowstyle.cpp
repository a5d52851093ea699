#include "windowstyle.h"

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
