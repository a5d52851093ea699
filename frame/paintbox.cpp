#include "paintbox.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <cmath>
#include <cstring>

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int TPaintBox::DeviceScale() const {
    // A hair below the next integer still counts as it: 2.0000001 is 2.
    return std::max(1, int(std::ceil(devicePixelRatioF() - 1e-3)));
}

QRect TPaintBox::CopyPixels(const TRect& rect, const TLayer& source) {
    const QImage& src = source.Image();
    const int scale = source.Scale();
    if (FPicture.size() != src.size()) {
        QImage resized(src.size(), QImage::Format_RGB32);
        resized.fill(ColorToRgb(clBtnFace));
        FPicture = resized;
    }
    FPicture.setDevicePixelRatio(scale);
    const TRect d = ScaleRect(rect, scale);
    const QRect r = QRect(d.Left, d.Top, d.Width(), d.Height()) & src.rect();
    if (r.isEmpty()) return {};
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(reinterpret_cast<QRgb*>(FPicture.scanLine(y)) + r.left(),
                    reinterpret_cast<const QRgb*>(src.constScanLine(y)) + r.left(),
                    size_t(r.width()) * sizeof(QRgb));
    return QRect(r.x() / scale, r.y() / scale, (r.right() + scale) / scale - r.x() / scale,
                 (r.bottom() + scale) / scale - r.y() / scale);
}

void TPaintBox::CopyRect(const TRect& rect, const TLayer& source) {
    const QRect shown = CopyPixels(rect, source);
    if (shown.isEmpty()) return;
    ++FPresentCount;
    // Never called from a paint event, so the repaint cannot recurse.
    repaint(shown);
}

void TPaintBox::CopyRects(const std::vector<TRect>& rects, const TLayer& source) {
    // A picture of another size shows nothing of the old one: copy it whole.
    if (FPicture.size() != source.Image().size())
        return CopyRect({0, 0, source.Width(), source.Height()}, source);
    QRegion shown;
    for (const TRect& r : rects)
        shown += CopyPixels(r, source);
    if (shown.isEmpty()) return;
    ++FPresentCount;
    repaint(shown);
}

bool TPaintBox::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    // Qt 6.4 tells a widget of a new screen only; later versions also of a
    // new ratio on the same screen.
    bool moved = event->type() == QEvent::ScreenChangeInternal;
#if QT_VERSION >= QT_VERSION_CHECK(6, 6, 0)
    moved = moved || event->type() == QEvent::DevicePixelRatioChange;
#endif
    if (moved && OnDeviceScaleChange && !FPicture.isNull() &&
        DeviceScale() != int(FPicture.devicePixelRatio()))
        OnDeviceScaleChange();
    return handled;
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const qreal scale = FPicture.devicePixelRatio();
    // A picture finer than the screen is scaled down smoothly; at equal ratios
    // the copy is exact.
    if (scale != devicePixelRatioF()) p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Rectangle by rectangle: a readout's few thin places, not their bounding box.
    for (const QRect& dirty : event->region()) {
        const QRect shown = dirty & QRect(QPoint(0, 0), FPicture.deviceIndependentSize().toSize());
        if (shown != dirty) p.fillRect(dirty, ColorToRgb(clBtnFace));
        if (shown.isEmpty()) continue;
        p.drawImage(QRectF(shown), FPicture,
                    QRectF(shown.x() * scale, shown.y() * scale, shown.width() * scale,
                           shown.height() * scale));
    }
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) FPressed = true;
}

void TPaintBox::mouseReleaseEvent(QMouseEvent* event) {
    // A click fires on release over the box, as a press-and-release pair.
    const bool fire = FPressed && event->button() == Qt::LeftButton &&
                      rect().contains(event->position().toPoint());
    if (event->button() == Qt::LeftButton) FPressed = false;
    if (fire && OnClick) OnClick();
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    FPointer = p;
    if (OnMouseMove) OnMouseMove(p.x(), p.y());
}

std::optional<QPoint> TPaintBox::PointerOver() const {
    if (!FPointer || !underMouse() || !rect().contains(*FPointer)) return std::nullopt;
    return FPointer;
}
