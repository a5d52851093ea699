// The region a tuner reaches, shaded on the grid layer by its least loss: a
// band of colour per step of loss, the region's edge black and the steps'
// edges (the 0.5, 1, 2 and 3 dB contours) dark grey, one device pixel wide,
// each contour labelled once.
#include "chartgeometry.h"
#include "fpcheck.h"
#include "quantity.h"
#include "smithchart.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr double ContourDb[] = {0.5, 1.0, 2.0, 3.0};
// Green for a tuner that loses little, to red past 3 dB.
constexpr QRgb BandColors[] = {0x00b000, 0x90c000, 0xe0c000, 0xf08000, 0xe03000};
constexpr QRgb EdgeColor = 0x000000, ContourColor = 0x505050;
constexpr int Unreached = -1, Outside = -2;
// The loads of the trace no setting matches: a dark red ring on the point.
constexpr TColor UnmatchedColor = 0x0000B0;
constexpr int UnmatchedRadius = 4;
// Pixels this far out are off any screen.
constexpr double FarPixel = 1e6;

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

void TSmithChart::SetCoverage(std::shared_ptr<const TCoverageGrid> grid, int stride,
                              const std::vector<TImpedance>& unmatched) {
    if (!grid && !FCoverage) return;
    if (grid && grid == FCoverage && std::max(1, stride) == FCoverageStride) {
        // The same map with other rings: only the traces are drawn again.
        FUnmatched = unmatched;
        RedrawTraces();
        return;
    }
    FCoverage = std::move(grid);
    FCoverageStride = std::max(1, stride);
    FUnmatched = FCoverage ? unmatched : std::vector<TImpedance>{};
    FGridBase.reset();
    FGridBare.reset();
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
    // Every contour's pixels, for its label.
    std::vector<std::pair<int, int>> contour[std::size(ContourDb)];
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
                const int other = right >= 0 && right != b ? right : down;
                contour[std::min(b, other)].emplace_back(x, y);
            } else if (b != Unreached) {
                pixels[x] = 0xff000000 | Blend(pixels[x], BandColors[b]);
            }
        }
        row.swap(below);
    }
    LabelContours(s, contour);
}

// Each contour's label beside its pixel nearest below the centre, or the next
// one round the contour where that spot is taken by another label or would
// leave the disc.
void TSmithChart::LabelContours(TLayer& s, std::vector<std::pair<int, int>> (&contour)[4]) const {
    const int scale = s.Scale();
    s.Font.Size = 8;
    s.Font.Color = TColor(ContourColor);
    s.Brush = {clWhite, TBrushStyle::Solid};
    std::vector<TRect> placed;
    auto inside = [&](int x, int y) {
        const double dx = x - FCenterX, dy = y - FCenterY;
        return dx * dx + dy * dy < FRadius * FRadius;
    };
    for (size_t level = 0; level < std::size(ContourDb); ++level) {
        const double db = ContourDb[level];
        const QString text = QString::fromStdString(FormatPattern(db < 1 ? "#0.0" : "#0", db)) +
                             QStringLiteral(" dB");
        // The text's cell at the origin, moved to each spot.
        const TRect cell = s.TextRect(0, 0, text);
        std::vector<std::pair<double, TRect>> spots;
        spots.reserve(contour[level].size());
        for (const auto& [dx, dy] : contour[level]) {
            const int x = dx / scale + 3, y = dy / scale - cell.Height() / 2;
            const TRect r{cell.Left + x, cell.Top + y, cell.Right + x, cell.Bottom + y};
            if (!inside(r.Left, r.Top) || !inside(r.Right, r.Top) || !inside(r.Left, r.Bottom) ||
                !inside(r.Right, r.Bottom))
                continue;
            spots.emplace_back(std::fabs(std::atan2(x - FCenterX, y - FCenterY)), r);
        }
        std::sort(spots.begin(), spots.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [angle, r] : spots) {
            const bool free = std::none_of(placed.begin(), placed.end(), [&](const TRect& p) {
                return r.Left < p.Right + 2 && p.Left < r.Right + 2 && r.Top < p.Bottom + 2 &&
                       p.Top < r.Bottom + 2;
            });
            if (!free) continue;
            s.TextOut(r.Left - cell.Left, r.Top - cell.Top, text);
            placed.push_back(r);
            break;
        }
    }
    s.Brush.Style = TBrushStyle::Clear;
}

void TSmithChart::DrawUnmatched(TLayer& s) const {
    if (FUnmatched.empty()) return;
    s.Pen = {UnmatchedColor, 2, TPenStyle::Solid};
    s.Brush.Style = TBrushStyle::Clear;
    for (const TImpedance& z : FUnmatched) {
        try {
            const TPointD px = ImpedanceToPixel(z.R, z.X, ChartReference);
            if (std::fabs(px.X) > FarPixel || std::fabs(px.Y) > FarPixel) continue;
            const int x = RoundPixel(px.X), y = RoundPixel(px.Y);
            s.Ellipse(x - UnmatchedRadius, y - UnmatchedRadius, x + UnmatchedRadius + 1,
                      y + UnmatchedRadius + 1);
        } catch (const EMathError&) {
            // A load the chart cannot place has no ring.
        }
    }
}
