#pragma once
// The live drag: a pressed pointer moved over the chart previews the network
// of the point under it in the panel; release keeps it as a click, Escape or
// a release off the chart calls it off. The frame owns it and feeds it events.

#include "currentstep.h"
#include "smithchart.h"

class QEvent;
class TvSmithChart;

class TDrag {
public:
    explicit TDrag(TvSmithChart& frame) : F(frame) {}

    // The paint box's events; true when one is swallowed.
    bool DragEvent(QEvent* event);
    bool Dragging() const { return FDrag.Dragging; }
    // The network of the point under a dragging pointer, shown but not kept.
    void PreviewAt(const TReading& load);

private:
    void CancelDrag();

    struct TDragState {
        bool Pressed = false;
        bool Dragging = false;
        bool Swallow = false; // the release of a refused or cancelled drag does nothing
        double Frequency = 0.0;
        TCurrentStep Before;
    } FDrag;
    TvSmithChart& F;
};
