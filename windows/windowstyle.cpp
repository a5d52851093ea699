#include "windowstyle.h"

#include "layer.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

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

QSize FitToScreen(const QSize& wanted, const QWidget* window) {
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return wanted;
    const QSize room = screen->availableGeometry().size() - DecorationAllowance;
    return wanted.boundedTo(room.expandedTo(QSize(1, 1)));
}

QPoint LeastCoveringPlace(const QSize& frame, const QRect& area,
                          const std::vector<TKeepClear>& keepClear, const QPoint& preferred) {
    // Flush with an edge of the area or of a region to keep clear: the least
    // covering place always has one of these for each coordinate.
    std::vector<int> xs{area.left(), area.right() + 1 - frame.width(), preferred.x()};
    std::vector<int> ys{area.top(), area.bottom() + 1 - frame.height(), preferred.y()};
    for (const TKeepClear& k : keepClear) {
        xs.insert(xs.end(), {k.Rect.left() - frame.width(), k.Rect.right() + 1, k.Rect.left()});
        ys.insert(ys.end(), {k.Rect.top() - frame.height(), k.Rect.bottom() + 1, k.Rect.top()});
    }
    auto clamp = [](int v, int low, int high) { return std::max(low, std::min(v, high)); };
    QPoint best = area.topLeft();
    long long bestCost = -1, bestDistance = 0;
    for (int x : xs)
        for (int y : ys) {
            const QPoint p(clamp(x, area.left(), area.right() + 1 - frame.width()),
                           clamp(y, area.top(), area.bottom() + 1 - frame.height()));
            const QRect placed(p, frame);
            long long cost = 0;
            for (const TKeepClear& k : keepClear) {
                const QRect covered = placed.intersected(k.Rect);
                if (!covered.isEmpty())
                    cost += static_cast<long long>(k.Weight) * covered.width() * covered.height();
            }
            const QPoint d = p - preferred;
            const long long distance =
                static_cast<long long>(d.x()) * d.x() + static_cast<long long>(d.y()) * d.y();
            if (bestCost < 0 || cost < bestCost || (cost == bestCost && distance < bestDistance)) {
                best = p;
                bestCost = cost;
                bestDistance = distance;
            }
        }
    return best;
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
