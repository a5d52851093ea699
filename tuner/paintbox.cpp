#include "paintbox.h"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

int TPaintBox::PaintDepth = 0;

TPaintBox::TPaintBox(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::CrossCursor);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPaintBox::CopyRect(const TRect& rect, const TLayer& source) {
    const QImage& src = source.Image();
    if (FPicture.size() != src.size()) {
        QImage resized(src.size(), QImage::Format_RGB32);
        resized.fill(ColorToRgb(clBtnFace));
        FPicture = resized;
    }
    const QRect r = QRect(rect.Left, rect.Top, rect.Width(), rect.Height()) & src.rect();
    if (r.isEmpty()) return;
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::memcpy(reinterpret_cast<QRgb*>(FPicture.scanLine(y)) + r.left(),
                    reinterpret_cast<const QRgb*>(src.constScanLine(y)) + r.left(),
                    size_t(r.width()) * sizeof(QRgb));
    ++FPresentCount;
    // Inside our own paint event the picture is drawn right after; inside
    // another window's paint a repaint would recurse, so it is scheduled.
    if (FPainting) return;
    if (PaintDepth > 0)
        update(r);
    else
        repaint(r);
}

void TPaintBox::paintEvent(QPaintEvent* event) {
    FPainting = true;
    ++PaintDepth;
    if (OnPaint) OnPaint();
    --PaintDepth;
    FPainting = false;
    QPainter p(this);
    const QRect dirty = event->rect();
    const QRect shown = dirty & FPicture.rect();
    if (shown != dirty) p.fillRect(dirty, ColorToRgb(clBtnFace));
    if (!shown.isEmpty()) p.drawImage(shown.topLeft(), FPicture, shown);
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
    if (OnMouseMove) {
        const QPoint p = event->position().toPoint();
        OnMouseMove(p.x(), p.y());
    }
}
