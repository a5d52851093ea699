// A feed line's path on the chart: the spiral a load draws as it moves along
// a lossy line, from the antenna ("ANT") to the shack ("TRX").
#include "fpcheck.h"
#include "smithchart.h"

#include <cmath>

namespace {

// Dark teal: apart from the trace's orange and the other annotations' colours.
constexpr TColor LinePathColor = 0x808000;
constexpr double FarPixel = 1e6;

struct TPixel {
    int X = 0, Y = 0;
};

} // namespace

void TSmithChart::SetLinePath(const std::vector<TImpedance>& points) {
    if (points.empty() && FLinePath.empty()) return;
    FLinePath = points;
    // Over the grid as it was before the old path: the same pixels as a
    // whole redraw, at the cost of a copy.
    if (FGridBase && FGridBase->PutInto(*FGridLayer)) {
        TLayer& s = *FGridLayer;
        DrawLinePath(s);
        FIndex.ChangedAll();
        Present();
        return;
    }
    RedrawGrid();
}

void TSmithChart::ClearLinePath() {
    SetLinePath({});
}

void TSmithChart::DrawLinePath(TLayer& s) const {
    if (FLinePath.size() < 2) return;
    s.Pen = {LinePathColor, 2, TPenStyle::Solid};
    bool drawing = false;
    std::optional<TPixel> first, last;
    for (const TImpedance& z : FLinePath) {
        std::optional<TPixel> p;
        try {
            const TPointD px = ImpedanceToPixel(z.R, z.X, ChartReference);
            if (std::fabs(px.X) <= FarPixel && std::fabs(px.Y) <= FarPixel)
                p = TPixel{RoundPixel(px.X), RoundPixel(px.Y)};
        } catch (const EMathError&) {
            // A point the chart cannot place breaks the line there.
        }
        if (!p) {
            drawing = false;
            continue;
        }
        if (drawing)
            s.LineTo(p->X, p->Y);
        else
            s.MoveTo(p->X, p->Y);
        drawing = true;
        if (!first) first = p;
        last = p;
    }
    if (!first) return;
    s.Pen.Width = 1;
    s.Brush.Style = TBrushStyle::Clear;
    s.Font.Size = 8;
    s.Font.Color = LinePathColor;
    // The antenna's end a ring, the shack's a cross, as the panel names them.
    s.Ellipse(first->X - 4, first->Y - 4, first->X + 5, first->Y + 5);
    s.TextOut(first->X + 6, first->Y - 16, QStringLiteral("ANT"));
    s.MoveTo(last->X - 4, last->Y);
    s.LineTo(last->X + 5, last->Y);
    s.MoveTo(last->X, last->Y - 4);
    s.LineTo(last->X, last->Y + 5);
    s.TextOut(last->X + 6, last->Y + 4, QStringLiteral("TRX"));
}
