#pragma once
// A chart at the design geometry presenting into a recorder instead of a widget.

#include "smithchart.h"

#include <QImage>
#include <gtest/gtest.h>

constexpr int DesignCx = 411, DesignCy = 356, DesignR = 330;
constexpr int DesignW = 823, DesignH = 710;

class TRecordingTarget : public TDrawTarget {
public:
    void CopyRect(const TRect& rect, const TLayer& source) override {
        ++Presents;
        LastRect = rect;
        if (Picture.size() != source.Image().size()) Picture = source.Image().copy();
        for (int y = rect.Top; y < rect.Bottom; ++y)
            for (int x = rect.Left; x < rect.Right; ++x)
                Picture.setPixel(x, y, source.Image().pixel(x, y));
    }
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
