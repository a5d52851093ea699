#pragma once
// A chart at the design geometry presenting into a recorder instead of a widget.

#include "smithchart.h"

#include <QImage>
#include <cstring>
#include <gtest/gtest.h>

constexpr int DesignCx = 411, DesignCy = 356, DesignR = 330;
constexpr int DesignW = 823, DesignH = 710;

class TRecordingTarget : public TDrawTarget {
public:
    void CopyRect(const TRect& rect, const TLayer& source) override {
        ++Presents;
        LastRect = rect;
        if (Picture.size() != source.Image().size()) Picture = source.Image().copy();
        const int s = source.Scale();
        const QRect d = QRect(rect.Left, rect.Top, rect.Width(), rect.Height()) &
                        QRect(QPoint(), source.Image().size() / s);
        for (int y = d.top() * s; y < (d.bottom() + 1) * s; ++y)
            std::memcpy(Picture.scanLine(y) + d.left() * s * 4,
                        source.Image().constScanLine(y) + d.left() * s * 4,
                        size_t(d.width() * s * 4));
    }
    int DeviceScale() const override { return Scale; }
    int Scale = 1;
    TColor PixelAt(int x, int y) const { return RgbToColor(Picture.pixel(x, y)); }
    int Presents = 0;
    TRect LastRect;
    QImage Picture;
};

// A sized chart at the design geometry, presenting into a recorder.
class DesignChartTest : public testing::Test {
protected:
    TRecordingTarget Target;
    TSmithChart Chart{DesignCx, DesignCy, DesignR, &Target};
    void SetUp() override { Chart.SetSize(DesignW, DesignH); }
};
