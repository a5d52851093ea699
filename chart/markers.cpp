// Point markers, arcs and SWR circles: records kept in lists, drawn in order.
// Additions repair only the pixels they touch, found through a cell index of
// the point markers and a map of the pixels the arcs drew.
#include "fpcheck.h"
#include "numtext.h"
#include "smithchart.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

struct TSwrCircleShape {
    double T; // signed radius in pixels; negative above SWR 1
    int LabelY;
    QString Label;
};

// Everything DrawSwrCircle derives from the SWR, computed up front so that a
// value that cannot be drawn is refused before its record is stored.
TSwrCircleShape SwrCircleShape(double swr, int radius, int centerX, int centerY) {
    const TPointD g = PolarToGamma(swr, 90.0);
    const double t = Checked(radius * g.Y);
    RoundPixel(centerX);
    RoundPixel(t);
    RoundPixel(t - 1);
    const int labelY = RoundPixel(centerY - t - 12);
    return {t, labelY, QStringLiteral("PSV ") + FormatFloat(QStringLiteral("#0.0"), swr)};
}

// Point markers are indexed by cells of this many pixels square.
constexpr int kCell = 32;

// Coordinates beyond int saturate: such rectangles lie far off any layer.
int Saturate(std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// The rectangle a point marker's rings cover.
TRect RingRect(const TMarkerRec& rec) {
    const std::int64_t x = rec.PosX, y = rec.PosY;
    return {Saturate(x - 4), Saturate(y - 4), Saturate(x + 4), Saturate(y + 4)};
}

// The pixels of Ellipse(c - q, c - q, c + q, c + q), whichever the sign of q.
TRect CircleRect(int cx, int cy, int q) {
    const std::int64_t a = q < 0 ? -std::int64_t(q) : q;
    return {Saturate(cx - a), Saturate(cy - a), Saturate(cx + a), Saturate(cy + a)};
}

void DrawRings(TLayer& s, int x, int y, TColor pen) {
    s.Pen.Color = pen;
    s.Pen.Width = 1;
    s.Pen.Style = TPenStyle::Solid;
    s.Brush.Color = clWhite;
    s.Brush.Style = TBrushStyle::Solid;
    s.Ellipse(x - 4, y - 4, x + 4, y + 4);
    s.Ellipse(x - 3, y - 3, x + 3, y + 3);
    s.Ellipse(x - 2, y - 2, x + 2, y + 2);
}

// What the three rings leave on each pixel of their rectangle, from its
// top-left corner: a point marker repaired in place is stamped with this
// rather than drawn ring by ring. It is taken from DrawRings itself (shapes
// do not change when moved), so the two cannot disagree; empty when the
// picture cannot be read back unambiguously.
enum TStamp : std::uint8_t { Untouched, White, Pen };
struct TRingStamp {
    bool Usable = false;
    TStamp Kind[8][8] = {};
};

const TRingStamp& RingStamp() {
    static const TRingStamp stamp = [] {
        TRingStamp result;
        constexpr TColor background = 0x123456, pen = 0x654321;
        TLayer scratch;
        scratch.SetSize(16, 16);
        scratch.Brush.Color = background;
        scratch.FillRect({0, 0, 16, 16});
        DrawRings(scratch, 8, 8, pen);
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) {
                const TColor c = scratch.Pixel(x, y);
                const bool inside = x >= 4 && x < 12 && y >= 4 && y < 12;
                if (!inside) {
                    if (c != background) return result;
                    continue;
                }
                TStamp& k = result.Kind[y - 4][x - 4];
                if (c == background)
                    k = Untouched;
                else if (c == clWhite)
                    k = White;
                else if (c == pen)
                    k = Pen;
                else
                    return result;
            }
        result.Usable = true;
        return result;
    }();
    return stamp;
}

TColor RingColor(const TMarkerRec& rec) {
    return rec.Color > 0 ? rec.Color : clRed;
}

} // namespace

void TSmithChart::AddPolarMarker(TColor color, double angle, double swr) {
    const TPointD p = PolarToPixel(angle, swr);
    AppendMarker(p, swr, false, color);
}

void TSmithChart::AddImpedanceMarker(bool swrCircle, TColor color, double r, double x, double z0,
                                     double swr) {
    const TPointD p = ImpedanceToPixel(r, x, z0);
    if (swrCircle) SwrCircleShape(swr, FRadius, FCenterX, FCenterY);
    AppendMarker(p, swr, swrCircle, color);
}

void TSmithChart::AppendMarker(const TPointD& pixel, double swr, bool swrCircle, TColor color) {
    auto rec = std::make_unique<TMarkerRec>();
    rec->PosX = RoundPixel(pixel.X);
    rec->PosY = RoundPixel(pixel.Y);
    rec->Swr = swr;
    rec->IsSwrCircle = swrCircle;
    rec->Color = color;
    FMarkers.push_back(std::move(rec));
    if (!FInSync) {
        RedrawMarkers();
        Present();
        return;
    }
    if (!swrCircle) {
        AddPointMarkerIncrementally(int(FMarkers.size()) - 1);
        return;
    }
    // Drawing every older circle again would change no pixel, and the new one
    // comes last either way; the marker layer does not change.
    TRect changed;
    DrawSwrCircleOnLayer(swr, &changed);
    MarkDirty(changed);
    Present(changed);
}

void TSmithChart::AddArc(double cx, double cy, double radius, double startAngle, double startSwr,
                         double endAngle, double endSwr) {
    const TPointD p1 = PolarToPixel(startAngle, startSwr);
    const TPointD p2 = PolarToPixel(endAngle, endSwr);
    const QPoint topLeft = GammaToPixel(cx - radius, cy - radius);
    const QPoint bottomRight = GammaToPixel(cx + radius, cy + radius);
    auto rec = std::make_unique<TArcRec>();
    rec->BoxLeft = topLeft.x();
    rec->BoxTop = topLeft.y();
    rec->BoxRight = bottomRight.x();
    rec->BoxBottom = bottomRight.y();
    rec->StartX = RoundPixel(p1.X);
    rec->StartY = RoundPixel(p1.Y);
    rec->EndX = RoundPixel(p2.X);
    rec->EndY = RoundPixel(p2.Y);
    FArcs.push_back(std::move(rec));
    if (!FInSync) {
        RedrawMarkers();
        Present();
        return;
    }
    // Arcs are drawn last and this one is the last arc: drawing it over the
    // layer gives what a full redraw gives.
    const TArcRec& a = *FArcs.back();
    TLayer& s = *FMarkerLayer;
    s.Pen.Color = clGreen;
    s.Pen.Width = 1;
    s.Pen.Style = TPenStyle::Solid;
    const int w = s.Width(), h = s.Height();
    // Row by row, the span of the pixels drawn: only these need composing,
    // however large the rectangle around the arc.
    std::vector<int> first(size_t(h), INT_MAX), last(size_t(h), INT_MIN);
    s.Arc(a.BoxLeft, a.BoxTop, a.BoxRight, a.BoxBottom, a.StartX, a.StartY, a.EndX, a.EndY,
          [&](int px, int py) {
              FArcPixels[size_t(py) * size_t(w) + size_t(px)] = 1;
              first[size_t(py)] = std::min(first[size_t(py)], px);
              last[size_t(py)] = std::max(last[size_t(py)], px);
          });
    TRect changed;
    for (int y = 0; y < h; ++y)
        if (first[size_t(y)] <= last[size_t(y)]) {
            const TRect span{first[size_t(y)], y, last[size_t(y)] + 1, y + 1};
            Compose(span);
            changed = Unite(changed, span);
        }
    // The composite is up to date inside `changed` now; pending changes elsewhere
    // still go out with this presentation.
    Present(changed, false);
}

void TSmithChart::AddPointMarkerIncrementally(int index) {
    IndexMarker(index);
    const TRect r = LayerBounds(RingRect(*FMarkers[size_t(index)]));
    if (!r.IsEmpty()) {
        // Rebuild the rectangle as RedrawMarkers would: white, the markers that
        // reach into it in list order, then the arcs over them.
        TLayer& s = *FMarkerLayer;
        s.SetClip(r);
        s.Brush.Color = clWhite;
        s.Brush.Style = TBrushStyle::Solid;
        s.FillRect(r);
        std::vector<int> hits;
        for (int row = r.Top / kCell; row <= (r.Bottom - 1) / kCell; ++row)
            for (int col = r.Left / kCell; col <= (r.Right - 1) / kCell; ++col)
                for (int i : FCells[size_t(row) * size_t(FCellColumns) + size_t(col)])
                    if (!Intersect(RingRect(*FMarkers[size_t(i)]), r).IsEmpty()) hits.push_back(i);
        std::sort(hits.begin(), hits.end());
        hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
        const TRingStamp& stamp = RingStamp();
        for (int i : hits) {
            const TMarkerRec& rec = *FMarkers[size_t(i)];
            if (!stamp.Usable) {
                DrawPointMarker(s, rec);
                continue;
            }
            const TColor pen = RingColor(rec);
            const TRect box = Intersect(RingRect(rec), r);
            for (int y = box.Top; y < box.Bottom; ++y)
                for (int x = box.Left; x < box.Right; ++x) {
                    const TStamp k = stamp.Kind[y - (rec.PosY - 4)][x - (rec.PosX - 4)];
                    if (k != Untouched) s.SetPixel(x, y, k == Pen ? pen : clWhite);
                }
        }
        const int w = s.Width();
        for (int y = r.Top; y < r.Bottom; ++y)
            for (int x = r.Left; x < r.Right; ++x)
                if (FArcPixels[size_t(y) * size_t(w) + size_t(x)]) s.SetPixel(x, y, clGreen);
        s.ClearClip();
        // The surface state a full redraw leaves behind.
        s.Brush.Color = clWhite;
        s.Brush.Style = TBrushStyle::Solid;
        s.Pen.Color = clGreen;
        s.Pen.Width = 1;
        s.Pen.Style = TPenStyle::Solid;
    }
    MarkDirty(r);
    Present(r);
}

void TSmithChart::ResetIndex() {
    const int w = FMarkerLayer->Width(), h = FMarkerLayer->Height();
    FCellColumns = (w + kCell - 1) / kCell;
    FCellRows = (h + kCell - 1) / kCell;
    FCells.assign(size_t(FCellColumns) * size_t(FCellRows), {});
    FArcPixels.assign(size_t(w) * size_t(h), 0);
}

void TSmithChart::IndexMarker(int index) {
    const TMarkerRec& rec = *FMarkers[size_t(index)];
    if (rec.IsSwrCircle) return;
    const TRect r = LayerBounds(RingRect(rec));
    if (r.IsEmpty()) return; // it draws nothing on this layer
    for (int row = r.Top / kCell; row <= (r.Bottom - 1) / kCell; ++row)
        for (int col = r.Left / kCell; col <= (r.Right - 1) / kCell; ++col)
            FCells[size_t(row) * size_t(FCellColumns) + size_t(col)].push_back(index);
}

void TSmithChart::DrawPointMarker(TLayer& s, const TMarkerRec& rec) {
    DrawRings(s, rec.PosX, rec.PosY, RingColor(rec));
}

void TSmithChart::RedrawMarkers() {
    ClearMarkerLayer();
    ResetIndex();
    TLayer& s = *FMarkerLayer;
    for (size_t i = 0; i < FMarkers.size(); ++i) {
        const TMarkerRec& rec = *FMarkers[i];
        if (rec.IsSwrCircle) {
            DrawSwrCircleOnLayer(rec.Swr, nullptr);
            continue;
        }
        DrawPointMarker(s, rec);
        IndexMarker(int(i));
    }
    // As DrawArcs, noting the arcs' pixels on the way.
    s.Pen.Color = clGreen;
    s.Pen.Width = 1;
    s.Pen.Style = TPenStyle::Solid;
    const int w = s.Width();
    const TLayer::TPixelSink note = [&](int px, int py) {
        FArcPixels[size_t(py) * size_t(w) + size_t(px)] = 1;
    };
    for (const auto& a : FArcs)
        s.Arc(a->BoxLeft, a->BoxTop, a->BoxRight, a->BoxBottom, a->StartX, a->StartY, a->EndX,
              a->EndY, note);
    FInSync = true;
    MarkAllDirty();
}

void TSmithChart::DrawArcs() {
    TLayer& s = *FMarkerLayer;
    s.Pen.Color = clGreen;
    s.Pen.Width = 1;
    s.Pen.Style = TPenStyle::Solid;
    for (const auto& a : FArcs)
        s.Arc(a->BoxLeft, a->BoxTop, a->BoxRight, a->BoxBottom, a->StartX, a->StartY, a->EndX,
              a->EndY);
    MarkAllDirty();
}

void TSmithChart::DrawSwrCircle(double swr) {
    DrawSwrCircleOnLayer(swr, nullptr);
    // A circle outside the list: the next addition redraws the list over it.
    FInSync = false;
    MarkAllDirty();
}

void TSmithChart::DrawSwrCircleOnLayer(double swr, TRect* changed) {
    TLayer& s = *FCircleLayer;
    s.Pen.Width = 1;
    s.Pen.Style = TPenStyle::Solid;
    s.Pen.Color = clGray;
    s.Brush.Style = TBrushStyle::Clear;
    const TSwrCircleShape shape = SwrCircleShape(swr, FRadius, FCenterX, FCenterY);
    DrawCircle(s, FCenterX, FCenterY, shape.T);
    DrawCircle(s, FCenterX, FCenterY, shape.T - 1);
    s.Font.Color = clBlack;
    s.TextOut(FCenterX - 15, shape.LabelY, shape.Label);
    if (changed) {
        // DrawCircle's own rounding of the centre and the radii.
        const int x = RoundPixel(FCenterX), y = RoundPixel(FCenterY);
        *changed = Unite(
            Unite(CircleRect(x, y, RoundPixel(shape.T)), CircleRect(x, y, RoundPixel(shape.T - 1))),
            s.TextRect(FCenterX - 15, shape.LabelY, shape.Label));
    }
}

void TSmithChart::ClearMarkers() {
    for (auto& rec : FMarkers)
        rec.reset();
    FMarkers.clear();
    FInSync = false;
}

void TSmithChart::ClearArcs() {
    for (auto& rec : FArcs)
        rec.reset();
    FArcs.clear();
    FInSync = false;
}
