#pragma once
// A measured antenna on the chart: its points as the trace takes them, and
// the measured point a click near the trace takes.

#include "smithchart.h"
#include "touchstone.h"

#include <optional>
#include <vector>

// The points as the chart's trace takes them.
std::vector<TSmithChart::TTracePoint> TracePointsOf(const TTouchstone& shown);
// The measured point within reach of a pixel on the chart's trace; none
// when nothing is near or the point lies outside the disc, where a click
// is an ordinary one.
std::optional<TSmithChart::TTracePoint> TracePointNear(const TSmithChart& chart, int x, int y);
