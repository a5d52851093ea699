#include "schematic.h"

#include "windowstyle.h"

#include <QPainter>
#include <QPixmap>
#include <map>
#include <tuple>

namespace {

// Coil: a row of bumps; capacitor: two plates. Drawn along a line from a to b.
void DrawElement(QPainter& p, const TElement& e, QPointF a, QPointF b) {
    const bool vertical = a.x() == b.x();
    const QPointF mid = (a + b) / 2;
    if (!e.Present()) {
        if (!vertical) p.drawLine(a, b);
        return;
    }
    if (e.Kind == TElementKind::Capacitor) {
        const QPointF gap = vertical ? QPointF(0, 2.5) : QPointF(2.5, 0);
        const QPointF plate = vertical ? QPointF(9, 0) : QPointF(0, 9);
        p.drawLine(a, mid - gap);
        p.drawLine(mid + gap, b);
        p.drawLine(mid - gap - plate, mid - gap + plate);
        p.drawLine(mid + gap - plate, mid + gap + plate);
        return;
    }
    const double len = 28, bump = len / 4;
    const QPointF dir = vertical ? QPointF(0, 1) : QPointF(1, 0);
    const QPointF start = mid - dir * (len / 2);
    p.drawLine(a, start);
    p.drawLine(start + dir * len, b);
    for (int i = 0; i < 4; ++i) {
        const QPointF c = start + dir * (bump * i + bump / 2);
        const QRectF box(c.x() - bump / 2, c.y() - bump / 2, bump, bump);
        // Half circles bulging up (horizontal) or right (vertical).
        p.drawArc(box, vertical ? -90 * 16 : 0, 180 * 16);
    }
}

} // namespace

void PaintSchematic(QPainter& p, const TLNetwork& net) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    QFont font = DesignFont(9);
    p.setFont(font);
    p.drawText(QRectF(0, 2, 28, 14), Qt::AlignCenter, QStringLiteral("TRX"));
    p.drawText(QRectF(142, 2, 28, 14), Qt::AlignCenter, QStringLiteral("ANT"));
    const double top = 17, ground = 47, left = 6, right = 164;
    p.drawLine(QPointF(left, ground), QPointF(right, ground));
    // The parallel element stands on the side its arrangement puts it.
    const bool shuntAtLoad = net.Arrangement == TArrangement::ShuntAtLoad;
    const double shuntX = shuntAtLoad ? 128 : 42;
    const double seriesA = shuntAtLoad ? left : shuntX, seriesB = shuntAtLoad ? shuntX : right;
    DrawElement(p, net.Series, QPointF(seriesA, top), QPointF(seriesB, top));
    p.drawLine(QPointF(left, top), QPointF(seriesA, top));
    p.drawLine(QPointF(seriesB, top), QPointF(right, top));
    if (net.Shunt.Present()) {
        p.setBrush(Qt::black);
        p.drawEllipse(QPointF(shuntX, top), 1.6, 1.6);
        DrawElement(p, net.Shunt, QPointF(shuntX, top), QPointF(shuntX, ground));
    }
    p.restore();
}

namespace {

QPixmap DrawSchematic(const TLNetwork& net, qreal ratio) {
    QPixmap pix(SchematicSize.toSize() * ratio);
    pix.setDevicePixelRatio(ratio);
    pix.fill(Qt::white);
    QPainter p(&pix);
    PaintSchematic(p, net);
    return pix;
}

} // namespace

// A schematic depends only on the arrangement and the parts' kinds.
QIcon Schematic(const TLNetwork& net, qreal ratio) {
    static std::map<std::tuple<int, int, int, qreal>, QIcon> cache;
    const auto key =
        std::make_tuple(int(net.Arrangement), int(net.Series.Kind), int(net.Shunt.Kind), ratio);
    auto it = cache.find(key);
    if (it == cache.end()) it = cache.emplace(key, QIcon(DrawSchematic(net, ratio))).first;
    return it->second;
}
