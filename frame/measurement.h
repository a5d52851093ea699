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
    // The measurement shown: the one moved through a feed line while there is
    // one, else the measured one.
    const std::optional<TTouchstone>& Touchstone() const { return FMoved ? FMoved : FTouchstone; }
    const std::optional<TTouchstone>& Measured() const { return FTouchstone; }
    void SetMoved(std::optional<TTouchstone> moved) { FMoved = std::move(moved); }
    bool Moved() const { return FMoved.has_value(); }
    const QString& Name() const { return FName; }
    // The points as the chart's trace takes them.
    std::vector<TSmithChart::TTracePoint> TracePoints() const;
    // The measured point within reach of a pixel on the chart's trace; none
    // when nothing is near or the point lies outside the disc, where a click
    // is an ordinary one.
    std::optional<TSmithChart::TTracePoint> PointNear(const TSmithChart& chart, int x, int y) const;

private:
    std::optional<TTouchstone> FTouchstone;
    std::optional<TTouchstone> FMoved;
    QString FName;
};
