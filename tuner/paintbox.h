#pragma once
// The paint box: keeps the chart's composed picture and only copies it in
// paintEvent, so a Present never waits for, or loops through, a paint event.

#include "smithchart.h"

#include <QImage>
#include <QWidget>
#include <functional>

class TPaintBox : public QWidget, public TDrawTarget {
    Q_OBJECT
public:
    explicit TPaintBox(QWidget* parent = nullptr);

    // TDrawTarget: shows the copied rectangle at once, also outside paintEvent.
    void CopyRect(const TRect& rect, const TLayer& source) override;

    std::function<void()> OnPaint;
    std::function<void()> OnClick;
    std::function<void(int, int)> OnMouseMove;

    const QImage& Picture() const { return FPicture; }
    int PresentCount() const { return FPresentCount; }

    // While any window paints, a Present only schedules an update.
    static int PaintDepth;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage FPicture;
    bool FPressed = false;
    bool FPainting = false;
    int FPresentCount = 0;
};
