// Point markers, arcs and SWR circles: records kept in lists, drawn in order.
// Additions repair only the pixels they touch, found through a cell index of
// the point markers and a map of the pixels the arcs drew.
#include "fpcheck.h"
#include "quantity.h"
#include "smithchart.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <iterator>
#include <map>

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
    return {t, labelY, QStringLiteral("PSV ") + QString::fromStdString(FormatPattern("#0.0", swr))};
}

// Point markers are indexed by cells of this many pixels square.
constexpr int CellSize = 32;
// A point marker's rings reach this far from its centre (left and up; one
// pixel less right and down): its rectangle is twice this square.
constexpr int RingReach = 4;
// Arcs, and the surface state every redraw of the marker layer leaves.
constexpr TPen ArcPen{clGreen, 1, TPenStyle::Solid};

// Coordinates beyond int saturate: such rectangles lie far off any layer.
int Saturate(std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// The pixels of Ellipse(cx - q, cy - q, cx + q, cy + q), whichever the sign of q.
TRect CircleRect(int cx, int cy, int q) {
    const std::int64_t a = q < 0 ? -std::int64_t(q) : q;
    return {Saturate(cx - a), Saturate(cy - a), Saturate(cx + a), Saturate(cy + a)};
}

// The rectangle a point marker's rings cover.
TRect RingRect(const TMarkerRec& rec) {
    return CircleRect(rec.PosX, rec.PosY, RingReach);
}

void DrawRings(TLayer& s, int x, int y, TColor pen) {
    s.Pen = {pen, 1, TPenStyle::Solid};
    s.Brush = {clWhite, TBrushStyle::Solid};
    for (int q = RingReach; q >= RingReach - 2; --q)
        s.Ellipse(x - q, y - q, x + q, y + q);
}

// What the three rings leave on each device pixel of their rectangle, from
// its top-left corner: a point marker repaired in place is stamped with this
// rather than drawn ring by ring. It is taken from DrawRings itself (shapes
// do not change when moved), so the two cannot disagree.
enum TStamp : std::uint8_t { Untouched, White, Pen };
struct TRingStamp {
    int Side = 0;
    std::vector<TStamp> Kind;
    TStamp At(int x, int y) const { return Kind[size_t(y) * size_t(Side) + size_t(x)]; }
};

const TRingStamp& RingStamp(int scale) {
    static std::map<int, TRingStamp> stamps;
    TRingStamp& stamp = stamps[scale];
    if (stamp.Side > 0) return stamp;
    constexpr TColor background = 0x123456, pen = 0x654321;
    TLayer scratch;
    scratch.SetScale(scale);
    scratch.SetSize(2 * RingReach, 2 * RingReach);
    scratch.Brush.Color = background;
    scratch.FillRect({0, 0, 2 * RingReach, 2 * RingReach});
    DrawRings(scratch, RingReach, RingReach, pen);
    stamp.Side = scratch.Image().width();
    for (int y = 0; y < stamp.Side; ++y)
        for (int x = 0; x < stamp.Side; ++x) {
            const TColor c = RgbToColor(scratch.Image().pixel(x, y));
            stamp.Kind.push_back(c == background ? Untouched : c == pen ? Pen : White);
        }
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
    if (RedrawAllIfOutOfSync()) return;
    if (!swrCircle) {
        AddPointMarkerIncrementally(int(FMarkers.size()) - 1);
        return;
    }
    // Drawing every older circle again would change no pixel, and the new one
    // comes last either way; the marker layer does not change.
    TRect changed;
    DrawSwrCircleOnLayer(swr, &changed);
    FIndex.Changed(changed);
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
    if (RedrawAllIfOutOfSync()) return;
    // Arcs are drawn last and this one is the last arc: drawing it over the
    // layer gives what a full redraw gives. Row by row, the span of the pixels
    // drawn: only these need composing, however large the rectangle around it.
    const int h = FMarkerLayer->Height(), scale = FMarkerLayer->Scale();
    std::vector<int> first(size_t(h), INT_MAX), last(size_t(h), INT_MIN);
    DrawArcsFrom(FArcs.size() - 1, [&](int px, int py) {
        FIndex.NoteArcPixel(px, py); // device pixels, the rows in layer pixels
        const size_t row = size_t(py / scale);
        first[row] = std::min(first[row], px / scale);
        last[row] = std::max(last[row], px / scale);
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

bool TSmithChart::RedrawAllIfOutOfSync() {
    if (FIndex.InSync()) return false;
    RedrawMarkers();
    Present();
    return true;
}

void TSmithChart::AddPointMarkerIncrementally(int index) {
    IndexMarker(index);
    const TRect r = LayerBounds(RingRect(*FMarkers[size_t(index)]));
    if (!r.IsEmpty()) {
        // Rebuild the rectangle as RedrawMarkers would: white, the markers that
        // reach into it in list order, then the arcs over them.
        TLayer& s = *FMarkerLayer;
        s.SetClip(r);
        s.Brush = {clWhite, TBrushStyle::Solid};
        s.FillRect(r);
        // In device pixels from here on.
        const int scale = s.Scale();
        const TRingStamp& stamp = RingStamp(scale);
        for (int i : FIndex.MarkersNear(r)) {
            const TMarkerRec& rec = *FMarkers[size_t(i)];
            const TColor pen = RingColor(rec);
            const TRect box = ScaleRect(Intersect(RingRect(rec), r), scale);
            const int left = (rec.PosX - RingReach) * scale, top = (rec.PosY - RingReach) * scale;
            for (int y = box.Top; y < box.Bottom; ++y)
                for (int x = box.Left; x < box.Right; ++x) {
                    const TStamp k = stamp.At(x - left, y - top);
                    if (k != Untouched) s.SetDevicePixel(x, y, k == Pen ? pen : clWhite);
                }
        }
        const TRect d = ScaleRect(r, scale);
        for (int y = d.Top; y < d.Bottom; ++y)
            for (int x = d.Left; x < d.Right; ++x)
                if (FIndex.IsArcPixel(x, y)) s.SetDevicePixel(x, y, clGreen);
        s.ClearClip();
        // The surface state a full redraw leaves behind.
        s.Pen = ArcPen;
    }
    FIndex.Changed(r);
    Present(r);
}

void TSmithChart::IndexMarker(int index) {
    const TMarkerRec& rec = *FMarkers[size_t(index)];
    if (rec.IsSwrCircle) return;
    const TRect r = LayerBounds(RingRect(rec));
    if (!r.IsEmpty()) FIndex.AddMarker(index, r); // else it draws nothing on this layer
}

void TSmithChart::RedrawMarkers() {
    ClearMarkerLayer();
    FIndex.Restart();
    for (size_t i = 0; i < FMarkers.size(); ++i) {
        const TMarkerRec& rec = *FMarkers[i];
        if (rec.IsSwrCircle) {
            DrawSwrCircleOnLayer(rec.Swr, nullptr);
            continue;
        }
        DrawRings(*FMarkerLayer, rec.PosX, rec.PosY, RingColor(rec));
        IndexMarker(int(i));
    }
    // As DrawArcs, noting the arcs' pixels on the way.
    DrawArcsFrom(0, [this](int px, int py) { FIndex.NoteArcPixel(px, py); });
    FIndex.Synced();
}

void TSmithChart::DrawArcs() {
    DrawArcsFrom(0, TLayer::TPixelSink());
    FIndex.ChangedAll();
}

void TSmithChart::DrawArcsFrom(size_t first, const TLayer::TPixelSink& written) {
    TLayer& s = *FMarkerLayer;
    s.Pen = ArcPen;
    for (size_t i = first; i < FArcs.size(); ++i) {
        const TArcRec& a = *FArcs[i];
        s.Arc(a.BoxLeft, a.BoxTop, a.BoxRight, a.BoxBottom, a.StartX, a.StartY, a.EndX, a.EndY,
              written);
    }
}

void TSmithChart::DrawSwrCircle(double swr) {
    DrawSwrCircleOnLayer(swr, nullptr);
    // A circle outside the list: the next addition redraws the list over it.
    FIndex.Desync();
    FIndex.ChangedAll();
}

void TSmithChart::DrawSwrCircleOnLayer(double swr, TRect* changed) {
    TLayer& s = *FCircleLayer;
    s.Pen = {clGray, 1, TPenStyle::Solid};
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
    FIndex.Desync();
}

void TSmithChart::ClearArcs() {
    for (auto& rec : FArcs)
        rec.reset();
    FArcs.clear();
    FIndex.Desync();
}

// ---------------------------------------------------------------- the index

void TSmithChart::TAnnotationIndex::Resize(int width, int height, int scale) {
    FWidth = width;
    FHeight = height;
    FScale = scale;
    FInSync = false;
    ChangedAll();
}

void TSmithChart::TAnnotationIndex::Changed(const TRect& rect) {
    const TRect r = Intersect(rect, {0, 0, FWidth, FHeight});
    if (!r.IsEmpty()) FDirty = Unite(FDirty, r);
}

void TSmithChart::TAnnotationIndex::Restart() {
    FCellColumns = (FWidth + CellSize - 1) / CellSize;
    FCells.assign(size_t(FCellColumns) * size_t((FHeight + CellSize - 1) / CellSize), {});
    FArcPixels.assign(size_t(FWidth) * size_t(FHeight) * size_t(FScale) * size_t(FScale), 0);
}

void TSmithChart::TAnnotationIndex::AddMarker(int index, const TRect& rings) {
    for (int row = rings.Top / CellSize; row <= (rings.Bottom - 1) / CellSize; ++row)
        for (int col = rings.Left / CellSize; col <= (rings.Right - 1) / CellSize; ++col)
            FCells[size_t(row) * size_t(FCellColumns) + size_t(col)].push_back(index);
}

std::vector<int> TSmithChart::TAnnotationIndex::MarkersNear(const TRect& rect) const {
    std::vector<int> hits;
    for (int row = rect.Top / CellSize; row <= (rect.Bottom - 1) / CellSize; ++row)
        for (int col = rect.Left / CellSize; col <= (rect.Right - 1) / CellSize; ++col) {
            const std::vector<int>& cell = FCells[size_t(row) * size_t(FCellColumns) + size_t(col)];
            hits.insert(hits.end(), cell.begin(), cell.end());
        }
    std::sort(hits.begin(), hits.end());
    hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
    return hits;
}

// ---------------------------------------------------------------- history

TSmithChart::TAnnotations TSmithChart::TakeAnnotationsFrom(TAnnotationCount from) {
    TAnnotations taken;
    from.Markers = std::min(from.Markers, FMarkers.size());
    from.Arcs = std::min(from.Arcs, FArcs.size());
    std::move(FMarkers.begin() + std::ptrdiff_t(from.Markers), FMarkers.end(),
              std::back_inserter(taken.Markers));
    std::move(FArcs.begin() + std::ptrdiff_t(from.Arcs), FArcs.end(),
              std::back_inserter(taken.Arcs));
    FMarkers.resize(from.Markers);
    FArcs.resize(from.Arcs);
    RedrawAnnotations();
    return taken;
}

void TSmithChart::RestoreAnnotations(TAnnotations&& annotations) {
    std::move(annotations.Markers.begin(), annotations.Markers.end(), std::back_inserter(FMarkers));
    std::move(annotations.Arcs.begin(), annotations.Arcs.end(), std::back_inserter(FArcs));
    annotations = {};
    RedrawAnnotations();
}

void TSmithChart::RedrawAnnotations() {
    // SWR circles only ever add to their layer: start it white again.
    TLayer& circles = *FCircleLayer;
    circles.Brush = {clWhite, TBrushStyle::Solid};
    circles.FillRect(GetLayerRect());
    RedrawMarkers();
    Present();
}

void TSmithChart::DrawPreview(double phi, double swr, const TMatch& match, const TFirstMove& move) {
    TLayer& s = *FCursorLayer;
    const TPointD antenna = PolarToPixel(phi, swr);
    TRect changed =
        LayerBounds(CircleRect(RoundPixel(antenna.X), RoundPixel(antenna.Y), RingReach));
    if (move.Drawn) {
        const TPointD p1 = PolarToPixel(match.MatchAngle, match.MatchSwr);
        const QPoint topLeft = GammaToPixel(move.CentreU - move.Radius, -move.Radius);
        const QPoint bottomRight = GammaToPixel(move.CentreU + move.Radius, move.Radius);
        s.Pen = ArcPen;
        s.Arc(topLeft.x(), topLeft.y(), bottomRight.x(), bottomRight.y(), RoundPixel(p1.X),
              RoundPixel(p1.Y), RoundPixel(antenna.X), RoundPixel(antenna.Y), [&](int x, int y) {
                  const int lx = x / s.Scale(), ly = y / s.Scale(); // device to layer pixels
                  changed = Unite(changed, {lx, ly, lx + 1, ly + 1});
              });
        const int tx = RoundPixel(p1.X), ty = RoundPixel(p1.Y);
        DrawRings(s, tx, ty, clRed);
        changed = Unite(changed, LayerBounds(CircleRect(tx, ty, RingReach)));
    }
    DrawRings(s, RoundPixel(antenna.X), RoundPixel(antenna.Y), clBlue);
    FIndex.CursorChanged(false);
    Present(changed);
}
