#pragma once
// The paint box: keeps the chart's composed picture and only copies it in
// paintEvent, so a Present never waits for, or loops through, a paint event.

#include "smithchart.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

class TPaintBox : public QWidget, public TDrawTarget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // TDrawTarget: shows the copied rectangle at once, also outside paintEvent.
    void CopyRect(const TRect& rect, const TLayer& source) override;
    // The places copied, then shown in one repaint.
    void CopyRects(const std::vector<TRect>& rects, const TLayer& source) override;
    // The screen's device pixel ratio rounded up: a 1.5 screen gets a picture
    // drawn at 2, which the paint event scales down smoothly.
    int DeviceScale() const override;

    std::function<void()> OnClick;
    std::function<void(int, int)> OnMouseMove;
    // The box moved to a screen of another device scale; the chart must be
    // drawn again at DeviceScale().
    std::function<void()> OnDeviceScaleChange;

    // Device pixels, at the picture's own device pixel ratio.
    const QImage& Picture() const { return FPicture; }
    int PresentCount() const { return FPresentCount; }
    // Where the pointer last moved over the box, while it is still over it.
    std::optional<QPoint> PointerOver() const;

protected:
    bool event(QEvent* event) override;
    // Copies rect into the picture; returns the widget pixels to repaint.
    QRect CopyPixels(const TRect& rect, const TLayer& source);
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage FPicture;
    bool FPressed = false;
    int FPresentCount = 0;
    std::optional<QPoint> FPointer;
};
