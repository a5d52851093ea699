#include "traceindex.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <tuple>
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
    // Counting sort by cell keeps each cell's indices in ascending order.
    FStart.assign(size_t(Cells) * Cells + 1, 0);
    for (size_t i = 0; i < FPoints.size(); ++i)
        if (FPoints[i].Placed)
            if (const std::optional<size_t> s = slot(FPoints[i])) ++FStart[*s + 1];
    for (size_t i = 1; i < FStart.size(); ++i)
        FStart[i] += FStart[i - 1];
    FInCell.resize(FStart.back());
    std::vector<uint32_t> next(FStart.begin(), FStart.end() - 1);
    for (size_t i = 0; i < FPoints.size(); ++i) {
        if (!FPoints[i].Placed) continue;
        if (const std::optional<size_t> s = slot(FPoints[i]))
            FInCell[next[*s]++] = uint32_t(i);
        else
            FOutside.push_back(uint32_t(i));
    }
    // A dense sweep puts many points on one pixel; of those only the newest
    // can be found, as it wins every tie: each cell keeps one point a pixel.
    std::vector<uint32_t> newest(size_t(CellSize) * CellSize, UINT32_MAX);
    uint32_t kept = 0;
    for (size_t s = 0; s + 1 < FStart.size(); ++s) {
        const uint32_t begin = FStart[s], end = FStart[s + 1];
        FStart[s] = kept;
        if (end - begin < 2) {
            if (end > begin) FInCell[kept++] = FInCell[begin];
            continue;
        }
        auto pixel = [&](uint32_t i) {
            const TPoint& p = FPoints[i];
            const int x = p.X - CellOf(p.X, CellSize) * CellSize;
            const int y = p.Y - CellOf(p.Y, CellSize) * CellSize;
            return size_t(y) * CellSize + size_t(x);
        };
        for (uint32_t k = begin; k < end; ++k)
            newest[pixel(FInCell[k])] = FInCell[k];
        for (uint32_t k = begin; k < end; ++k) {
            const uint32_t i = FInCell[k];
            uint32_t& n = newest[pixel(i)];
            if (n != i) continue;
            FInCell[kept++] = i;
            n = UINT32_MAX;
        }
    }
    FStart.back() = kept;
    FInCell.resize(kept);
    FInCell.shrink_to_fit();
    // Far off the layer, rare: the same by sorting.
    std::sort(FOutside.begin(), FOutside.end(), [this](uint32_t a, uint32_t b) {
        const TPoint &p = FPoints[a], &q = FPoints[b];
        return std::tie(p.X, p.Y, a) < std::tie(q.X, q.Y, b);
    });
    std::vector<uint32_t> outside;
    for (size_t k = 0; k < FOutside.size(); ++k) {
        const TPoint& p = FPoints[FOutside[k]];
        if (k + 1 < FOutside.size() && FPoints[FOutside[k + 1]].X == p.X &&
            FPoints[FOutside[k + 1]].Y == p.Y)
            continue;
        outside.push_back(FOutside[k]);
    }
    FOutside = std::move(outside);
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
