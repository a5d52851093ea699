#pragma once
// A measured antenna: the open Touchstone file, its name, and the measured
// point a click near the chart's trace takes. The frame owns it and draws it.

#include "smithchart.h"
#include "touchstone.h"

#include <QString>
#include <optional>
#include <vector>

class TMeasurement {
public:
    void Open(TTouchstone touchstone, const QString& name);
    void Close();
    bool IsOpen() const { return FTouchstone.has_value(); }
    const std::optional<TTouchstone>& Touchstone() const { return FTouchstone; }
    const QString& Name() const { return FName; }
    // The points as the chart's trace takes them.
    std::vector<TSmithChart::TTracePoint> TracePoints() const;
    // The measured point within reach of a pixel on the chart's trace; none
    // when nothing is near or the point lies outside the disc, where a click
    // is an ordinary one.
    std::optional<TSmithChart::TTracePoint> PointNear(const TSmithChart& chart, int x, int y) const;

private:
    std::optional<TTouchstone> FTouchstone;
    QString FName;
};
