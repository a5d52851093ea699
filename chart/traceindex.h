#pragma once
// The measured trace's points in square cells of the chart's pixel plane, so
// that the point under the pointer is found among a few cells, not all points.

#include <cstdint>
#include <optional>
#include <vector>

class TTraceIndex {
public:
    struct TPoint {
        int X = 0, Y = 0;
        bool Placed = false; // false: the point has no pixel and is never found
    };
    void Build(std::vector<TPoint> points);
    void Clear();
    // The point nearest (x, y) within maxPixels; among equally near points the
    // last one, as a scan in order that keeps every point at least as near would.
    std::optional<size_t> Nearest(int x, int y, double maxPixels) const;

private:
    // Cells cover a window around any screen's chart; points outside it (far
    // off the layer) stay in a short list that every query scans.
    static constexpr int CellSize = 16, FirstCell = -256, Cells = 768;
    std::vector<TPoint> FPoints;
    std::vector<uint32_t> FStart;  // Cells * Cells + 1 offsets into FInCell
    std::vector<uint32_t> FInCell; // point indices, cell by cell, ascending
    std::vector<uint32_t> FOutside;
};
