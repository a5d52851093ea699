// The region a tuner reaches, shaded on the grid layer by its least loss: a
// band of colour per step of loss, the region's edge black and the steps'
// edges (the 0.5, 1, 2 and 3 dB contours) dark grey, one device pixel wide.
#include "smithchart.h"

#include <cmath>

namespace {

constexpr double ContourDb[] = {0.5, 1.0, 2.0, 3.0};
// Green for a tuner that loses little, to red past 3 dB.
constexpr QRgb BandColors[] = {0x00b000, 0x90c000, 0xe0c000, 0xf08000, 0xe03000};
constexpr QRgb EdgeColor = 0x000000, ContourColor = 0x505050;
constexpr int Unreached = -1, Outside = -2;

int Band(const TCoverageCell& cell) {
    if (!cell.Known || !cell.Reachable) return Unreached;
    int band = 0;
    while (band < int(std::size(ContourDb)) && cell.LeastLossDb >= ContourDb[band])
        ++band;
    return band;
}

QRgb Blend(QRgb under, QRgb color) {
    // Three parts of the grid to one of the band: the grid stays readable.
    auto mix = [](int a, int b) { return (7 * a + 3 * b) / 10; };
    return qRgb(mix(qRed(under), qRed(color)), mix(qGreen(under), qGreen(color)),
                mix(qBlue(under), qBlue(color)));
}

} // namespace

void TSmithChart::SetCoverage(std::shared_ptr<const TCoverageGrid> grid, int stride) {
    if (!grid && !FCoverage) return;
    FCoverage = std::move(grid);
    FCoverageStride = std::max(1, stride);
    FGridBase.reset();
    RedrawGrid();
}

void TSmithChart::DrawCoverage(TLayer& s) const {
    if (!FCoverage || FCoverage->N < 2 || FRadius <= 0) return;
    const TCoverageGrid& g = *FCoverage;
    const int scale = s.Scale(), w = s.Width() * scale, h = s.Height() * scale;
    const int stride = FCoverageStride, last = g.N - 1;
    const double half = 0.5 * last;
    // A device pixel's band: the cell nearest its centre among those known.
    auto band = [&](int x, int y) {
        const double gr = ((x + 0.5) / scale - FCenterX) / FRadius;
        const double gi = (FCenterY - (y + 0.5) / scale) / FRadius;
        if (gr * gr + gi * gi >= 1.0) return Outside;
        auto cell = [&](double v) {
            const int i = int(std::lround((v + 1.0) * half / stride)) * stride;
            return std::min(i, last - last % stride);
        };
        return Band(g.At(cell(gr), cell(gi)));
    };
    std::vector<int> row(size_t(w) + 1), below(size_t(w) + 1);
    for (int x = 0; x <= w; ++x)
        row[size_t(x)] = x < w ? band(x, 0) : Outside;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x <= w; ++x)
            below[size_t(x)] = x < w && y + 1 < h ? band(x, y + 1) : Outside;
        QRgb* pixels = s.DeviceRow(y);
        for (int x = 0; x < w; ++x) {
            const int b = row[size_t(x)];
            if (b == Outside) continue;
            const int right = row[size_t(x) + 1], down = below[size_t(x)];
            const bool edge = (b == Unreached) != (right == Unreached) && right != Outside;
            const bool edgeDown = (b == Unreached) != (down == Unreached) && down != Outside;
            if (edge || edgeDown) {
                pixels[x] = 0xff000000 | EdgeColor;
            } else if (b != Unreached && ((right >= 0 && right != b) || (down >= 0 && down != b))) {
                pixels[x] = 0xff000000 | ContourColor;
            } else if (b != Unreached) {
                pixels[x] = 0xff000000 | Blend(pixels[x], BandColors[b]);
            }
        }
        row.swap(below);
    }
}
