#include "traceindex.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

int CellOf(int pixel, int cellSize) {
    // Floor division: pixels left of or above 0 belong to negative cells.
    return pixel >= 0 ? pixel / cellSize : -((-pixel + cellSize - 1) / cellSize);
}

} // namespace

void TTraceIndex::Clear() {
    FPoints.clear();
    FStart.clear();
    FInCell.clear();
    FOutside.clear();
}

void TTraceIndex::Build(std::vector<TPoint> points) {
    Clear();
    FPoints = std::move(points);
    auto slot = [](const TPoint& p) -> std::optional<size_t> {
        const int cx = CellOf(p.X, CellSize) - FirstCell, cy = CellOf(p.Y, CellSize) - FirstCell;
        if (cx < 0 || cy < 0 || cx >= Cells || cy >= Cells) return std::nullopt;
        return size_t(cy) * Cells + size_t(cx);
    };
    // A dense sweep puts runs of points on one pixel; of a run only the last
    // can be found, as it wins every tie.
    auto hidden = [this](size_t i) {
        const TPoint& p = FPoints[i];
        if (!p.Placed) return true;
        if (i + 1 == FPoints.size()) return false;
        const TPoint& q = FPoints[i + 1];
        return q.Placed && q.X == p.X && q.Y == p.Y;
    };
    // Counting sort by cell keeps each cell's indices in ascending order.
    FStart.assign(size_t(Cells) * Cells + 1, 0);
    for (size_t i = 0; i < FPoints.size(); ++i)
        if (!hidden(i))
            if (const std::optional<size_t> s = slot(FPoints[i])) ++FStart[*s + 1];
    for (size_t i = 1; i < FStart.size(); ++i)
        FStart[i] += FStart[i - 1];
    FInCell.resize(FStart.back());
    std::vector<uint32_t> next(FStart.begin(), FStart.end() - 1);
    for (size_t i = 0; i < FPoints.size(); ++i) {
        if (hidden(i)) continue;
        if (const std::optional<size_t> s = slot(FPoints[i]))
            FInCell[next[*s]++] = uint32_t(i);
        else
            FOutside.push_back(uint32_t(i));
    }
}

std::optional<size_t> TTraceIndex::Nearest(int x, int y, double maxPixels) const {
    if (FPoints.empty()) return std::nullopt;
    std::optional<size_t> best;
    double bestDistance = maxPixels * maxPixels;
    auto consider = [&](uint32_t i) {
        const TPoint& p = FPoints[i];
        const double dx = double(p.X) - x, dy = double(p.Y) - y;
        const double d = dx * dx + dy * dy;
        if (d < bestDistance || (d == bestDistance && (!best || i > *best))) {
            bestDistance = d;
            best = i;
        }
    };
    const int reach = int(std::ceil(maxPixels));
    const int left = std::max(CellOf(x - reach, CellSize) - FirstCell, 0);
    const int right = std::min(CellOf(x + reach, CellSize) - FirstCell, Cells - 1);
    const int top = std::max(CellOf(y - reach, CellSize) - FirstCell, 0);
    const int bottom = std::min(CellOf(y + reach, CellSize) - FirstCell, Cells - 1);
    for (int cy = top; cy <= bottom; ++cy)
        for (int cx = left; cx <= right; ++cx) {
            const size_t s = size_t(cy) * Cells + size_t(cx);
            for (uint32_t k = FStart[s]; k < FStart[s + 1]; ++k)
                consider(FInCell[k]);
        }
    for (const uint32_t i : FOutside)
        consider(i);
    return best;
}
