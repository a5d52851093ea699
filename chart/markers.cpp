// Point markers, arcs and SWR circles: records kept in lists, drawn in order.
// Additions, undo and redo repair only the pixels they touch, found through a
// cell index of the point markers, a count of the arcs over each pixel and the
// picture the markers alone leave under the arcs.
#include "fpcheck.h"
#include "quantity.h"
#include "smithchart.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <iterator>
#include <map>
#include <new>
#include <thread>

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
// Taking off this many records at once and leaving none (a clearing) keeps the
// layers for putting back: fewer are repainted as quickly as the whole is swapped.
constexpr size_t KeepPictureFrom = 100;
// A clearing of this many records keeps its picture for as long as it stands:
// drawing them back one by one would take longer than a frame.
constexpr size_t KeepOlderPictureFrom = 2000;
// Arcs, and the surface state every redraw of the marker layer leaves.
constexpr TPen ArcPen{clGreen, 1, TPenStyle::Solid};
// From this many arcs a full redraw counts them on two cores: fewer take less
// than starting a thread and adding a second map.
constexpr size_t CountArcsTogetherFrom = 1000;

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

// Everything an SWR circle can write on the circle layer s: DrawCircle's own
// rounding of the centre and the radii, and the label.
TRect SwrCircleRect(const TLayer& s, const TSwrCircleShape& shape, int centerX, int centerY) {
    const int x = RoundPixel(centerX), y = RoundPixel(centerY);
    return Unite(
        Unite(CircleRect(x, y, RoundPixel(shape.T)), CircleRect(x, y, RoundPixel(shape.T - 1))),
        s.TextRect(centerX - 15, shape.LabelY, shape.Label));
}

} // namespace

struct TSmithChart::TKeptPicture {
    int Scale = 0; // none kept
    int Width = 0, Height = 0;
    size_t Records = 0;
    // The marker layer is made again from the maps; the circle layer is kept
    // only when circles were on it.
    QImage Circles;
    TAnnotationIndex::TMaps Maps;
};

// Per row of the layer, the span of the pixels changed: composing only these
// keeps the cost of a long thin change (an arc) to its own pixels.
class TSmithChart::TChangedRows {
public:
    TChangedRows(int width, int height)
        : FWidth(width), FFirst(size_t(std::max(height, 0)), INT_MAX),
          FLast(size_t(std::max(height, 0)), INT_MIN) {}
    // A layer pixel; off the layer nothing happens.
    void Add(int x, int y) {
        if (x < 0 || y < 0 || x >= FWidth || size_t(y) >= FFirst.size()) return;
        FFirst[size_t(y)] = std::min(FFirst[size_t(y)], x);
        FLast[size_t(y)] = std::max(FLast[size_t(y)], x);
    }
    void Add(const TRect& rect) {
        const TRect r = Intersect(rect, {0, 0, FWidth, int(FFirst.size())});
        if (r.IsEmpty()) return;
        for (int y = r.Top; y < r.Bottom; ++y) {
            FFirst[size_t(y)] = std::min(FFirst[size_t(y)], r.Left);
            FLast[size_t(y)] = std::max(FLast[size_t(y)], r.Right - 1);
        }
    }
    template <class F> void ForEachSpan(F f) const {
        for (size_t y = 0; y < FFirst.size(); ++y)
            if (FFirst[y] <= FLast[y]) f(TRect{FFirst[y], int(y), FLast[y] + 1, int(y) + 1});
    }

private:
    int FWidth;
    std::vector<int> FFirst, FLast;
};

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
    TChangedRows changed(FMarkerLayer->Width(), FMarkerLayer->Height());
    DrawAddedMarker(int(FMarkers.size()) - 1, changed);
    PresentRows(changed);
}

void TSmithChart::DrawAddedMarker(int index, TChangedRows& changed) {
    const TMarkerRec& rec = *FMarkers[size_t(index)];
    if (rec.IsSwrCircle) {
        // Drawing every older circle again would change no pixel, and the new
        // one comes last either way; the marker layer does not change.
        TRect r;
        DrawSwrCircleOnLayer(rec.Swr, &r);
        changed.Add(r);
        return;
    }
    IndexMarker(index);
    const TRect r = LayerBounds(RingRect(rec));
    if (r.IsEmpty()) return;
    // Last in the list, its rings lie over every older marker and under every
    // arc: where they draw they decide the pixel, and nowhere else changes.
    StampRings(rec, r);
    ShowUnderArcs(r);
    changed.Add(r);
}

void TSmithChart::StampRings(const TMarkerRec& rec, const TRect& r) {
    // In device pixels; the stamp is what DrawRings leaves.
    const int scale = FMarkerLayer->Scale();
    const TRingStamp& stamp = RingStamp(scale);
    const TColor pen = RingColor(rec);
    const TRect box = ScaleRect(Intersect(RingRect(rec), r), scale);
    const int left = (rec.PosX - RingReach) * scale, top = (rec.PosY - RingReach) * scale;
    for (int y = box.Top; y < box.Bottom; ++y)
        for (int x = box.Left; x < box.Right; ++x) {
            const TStamp k = stamp.At(x - left, y - top);
            if (k != Untouched) FIndex.UnderArcs(x, y) = k == Pen ? pen : clWhite;
        }
}

void TSmithChart::ShowUnderArcs(const TRect& r) {
    // Row by row: the marker layer is never clipped, and the maps hold only
    // plain colours (ring colours and white), which convert without the palette.
    TLayer& s = *FMarkerLayer;
    const TRect d =
        Intersect(ScaleRect(r, s.Scale()), {0, 0, s.Image().width(), s.Image().height()});
    if (d.IsEmpty()) return;
    const QRgb green = ColorToRgb(clGreen);
    for (int y = d.Top; y < d.Bottom; ++y) {
        QRgb* row = s.DeviceRow(y);
        const std::uint32_t* arcs = FIndex.ArcCountRow(y);
        const TColor* under = FIndex.UnderArcsRow(y);
        for (int x = d.Left; x < d.Right; ++x) {
            const auto c = static_cast<std::uint32_t>(under[x]);
            row[x] = arcs[x] ? green : qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
        }
    }
}

void TSmithChart::PresentRows(const TChangedRows& rows) {
    TRect changed;
    rows.ForEachSpan([&](const TRect& span) {
        Compose(span);
        changed = Unite(changed, span);
    });
    // The composite is up to date inside `changed` now; pending changes elsewhere
    // still go out with this presentation.
    Present(changed, false);
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
    // layer gives what a full redraw gives. Only its pixels need composing,
    // however large the rectangle around it.
    const int scale = FMarkerLayer->Scale();
    TChangedRows changed(FMarkerLayer->Width(), FMarkerLayer->Height());
    DrawArcsFrom(FArcs.size() - 1, [&](int px, int py) {
        FIndex.NoteArcPixel(px, py); // device pixels, the rows in layer pixels
        changed.Add(px / scale, py / scale);
    });
    PresentRows(changed);
}

bool TSmithChart::RedrawAllIfOutOfSync() {
    if (FIndex.InSync()) return false;
    RedrawMarkers();
    Present();
    return true;
}

void TSmithChart::IndexMarker(int index) {
    const TMarkerRec& rec = *FMarkers[size_t(index)];
    if (rec.IsSwrCircle) return;
    const TRect r = LayerBounds(RingRect(rec));
    if (!r.IsEmpty()) FIndex.AddMarker(index, rec.PosX, rec.PosY, r); // else it draws nothing here
}

void TSmithChart::RedrawMarkers() {
    ClearMarkerLayer();
    FIndex.Restart();
    DrawListsInto({GetLayerRect()});
}

void TSmithChart::DrawUncovered(int oldWidth, int oldHeight) {
    const int w = FMarkerLayer->Width(), h = FMarkerLayer->Height();
    std::vector<TRect> strips;
    if (w > oldWidth) strips.push_back({oldWidth, 0, w, h});
    if (h > oldHeight) strips.push_back({0, oldHeight, std::min(oldWidth, w), h});
    DrawListsInto(strips);
}

void TSmithChart::DrawListsInto(const std::vector<TRect>& areas) {
    // The rings go onto the markers-only picture as stamps, which is what
    // DrawRings leaves; the layer is made from it once the arcs are counted.
    for (size_t i = 0; i < FMarkers.size(); ++i) {
        const TMarkerRec& rec = *FMarkers[i];
        if (rec.IsSwrCircle) {
            DrawSwrCircleOnLayer(rec.Swr, nullptr);
            continue;
        }
        IndexMarker(int(i));
        const TRect r = LayerBounds(RingRect(rec));
        for (const TRect& area : areas)
            if (const TRect part = Intersect(r, area); !part.IsEmpty()) StampRings(rec, part);
    }
    for (const TRect& area : areas) {
        FMarkerLayer->SetClip(area);
        CountArcs();
        FMarkerLayer->ClearClip();
        ShowUnderArcs(area);
    }
    FIndex.Synced();
}

void TSmithChart::CountArcs() {
    FMarkerLayer->Pen = ArcPen;
    const size_t n = FArcs.size();
    std::uint32_t* const counts = FIndex.ArcCounts();
    if (n < CountArcsTogetherFrom || std::thread::hardware_concurrency() < 2) {
        CountArcsInto(0, n, counts);
        return;
    }
    // Half the arcs on another core into a map of its own, added in after.
    const QImage& image = FMarkerLayer->Image();
    std::vector<std::uint32_t> other;
    try {
        other.assign(size_t(image.width()) * size_t(image.height()), 0);
    } catch (const std::bad_alloc&) {
        CountArcsInto(0, n, counts);
        return;
    }
    bool counted = false;
    std::thread helper([&] {
        try {
            CountArcsInto(n / 2, n, other.data());
            counted = true;
        } catch (const std::bad_alloc&) {
        }
    });
    CountArcsInto(0, n / 2, counts);
    helper.join();
    if (!counted) {
        CountArcsInto(n / 2, n, counts);
        return;
    }
    for (size_t i = 0; i < other.size(); ++i)
        counts[i] += other[i];
}

void TSmithChart::CountArcsInto(size_t first, size_t last, std::uint32_t* counts) const {
    const TLayer& s = *FMarkerLayer;
    const size_t stride = size_t(s.Image().width());
    std::vector<TLayer::TPenPoint> points;
    for (size_t i = first; i < last; ++i) {
        const TArcRec& a = *FArcs[i];
        points.clear();
        s.ArcPenPoints(a.BoxLeft, a.BoxTop, a.BoxRight, a.BoxBottom, a.StartX, a.StartY, a.EndX,
                       a.EndY, points);
        for (const TLayer::TPenPoint& p : points)
            s.ForEachPenPixel(p, [&](int x, int y) { ++counts[size_t(y) * stride + size_t(x)]; });
    }
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
    FIndex.SetCirclesExact(false);
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
    if (changed) *changed = SwrCircleRect(s, shape, FCenterX, FCenterY);
}

void TSmithChart::ClearMarkers() {
    for (auto& rec : FMarkers)
        rec.reset();
    FMarkers.clear();
    FIndex.Desync();
    // Their circles stay on the layer until it is redrawn.
    FIndex.SetCirclesExact(false);
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
    FMaps.CellColumns = (FWidth + CellSize - 1) / CellSize;
    FMaps.Cells.assign(size_t(FMaps.CellColumns) * size_t((FHeight + CellSize - 1) / CellSize), {});
    const size_t pixels = size_t(FWidth) * size_t(FHeight) * size_t(FScale) * size_t(FScale);
    FMaps.ArcCounts.assign(pixels, 0);
    FMaps.UnderArcs.assign(pixels, clWhite);
}

void TSmithChart::TAnnotationIndex::Relayout(int width, int height) {
    const size_t s = size_t(FScale), oldStride = size_t(FWidth) * s, stride = size_t(width) * s;
    const size_t kept = std::min(oldStride, stride);
    TMaps maps;
    maps.CellColumns = (width + CellSize - 1) / CellSize;
    maps.Cells.assign(size_t(maps.CellColumns) * size_t((height + CellSize - 1) / CellSize), {});
    maps.ArcCounts.assign(stride * size_t(height) * s, 0);
    maps.UnderArcs.assign(stride * size_t(height) * s, clWhite);
    for (size_t y = 0; y < size_t(std::min(FHeight, height)) * s; ++y) {
        std::copy_n(&FMaps.ArcCounts[y * oldStride], kept, &maps.ArcCounts[y * stride]);
        std::copy_n(&FMaps.UnderArcs[y * oldStride], kept, &maps.UnderArcs[y * stride]);
    }
    FMaps = std::move(maps);
    FWidth = width;
    FHeight = height;
    ChangedAll();
}

TSmithChart::TAnnotationIndex::TMaps TSmithChart::TAnnotationIndex::TakeMaps() {
    TMaps taken = std::move(FMaps);
    Restart();
    return taken;
}

void TSmithChart::TAnnotationIndex::AddMarker(int index, int x, int y, const TRect& rings) {
    for (int row = rings.Top / CellSize; row <= (rings.Bottom - 1) / CellSize; ++row)
        for (int col = rings.Left / CellSize; col <= (rings.Right - 1) / CellSize; ++col)
            FMaps.Cells[size_t(row) * size_t(FMaps.CellColumns) + size_t(col)].push_back(
                {index, x, y});
}

void TSmithChart::TAnnotationIndex::RemoveMarkersFrom(int first, const TRect& rings) {
    // Ascending in every cell: the ones to go are at the ends.
    for (int row = rings.Top / CellSize; row <= (rings.Bottom - 1) / CellSize; ++row)
        for (int col = rings.Left / CellSize; col <= (rings.Right - 1) / CellSize; ++col) {
            auto& cell = FMaps.Cells[size_t(row) * size_t(FMaps.CellColumns) + size_t(col)];
            while (!cell.empty() && cell.back().Index >= first)
                cell.pop_back();
        }
}

std::vector<int> TSmithChart::TAnnotationIndex::MarkersMeeting(const TRect& rect) const {
    std::vector<int> hits;
    for (int row = rect.Top / CellSize; row <= (rect.Bottom - 1) / CellSize; ++row)
        for (int col = rect.Left / CellSize; col <= (rect.Right - 1) / CellSize; ++col)
            for (const TMaps::TEntry& e :
                 FMaps.Cells[size_t(row) * size_t(FMaps.CellColumns) + size_t(col)])
                if (e.X - RingReach < rect.Right && e.X + RingReach > rect.Left &&
                    e.Y - RingReach < rect.Bottom && e.Y + RingReach > rect.Top)
                    hits.push_back(e.Index);
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
    if (!FIndex.InSync() || !FIndex.CirclesExact()) {
        RedrawAnnotations();
    } else if (FMarkers.empty() && FArcs.empty() &&
               taken.Markers.size() + taken.Arcs.size() > KeepPictureFrom) {
        KeepPicture(taken);
    } else {
        TChangedRows changed(FMarkerLayer->Width(), FMarkerLayer->Height());
        EraseAnnotations(taken, from.Markers, changed);
        PresentRows(changed);
    }
    return taken;
}

void TSmithChart::EraseAnnotations(const TAnnotations& taken, size_t firstMarker,
                                   TChangedRows& changed) {
    // The index first, so that each repair sees only the markers that stay.
    std::vector<TRect> rings;
    TRect circles;
    for (const auto& rec : taken.Markers) {
        if (rec->IsSwrCircle) {
            circles =
                Unite(circles, SwrCircleRect(*FCircleLayer,
                                             SwrCircleShape(rec->Swr, FRadius, FCenterX, FCenterY),
                                             FCenterX, FCenterY));
            continue;
        }
        const TRect r = LayerBounds(RingRect(*rec));
        if (r.IsEmpty()) continue;
        FIndex.RemoveMarkersFrom(int(firstMarker), r);
        rings.push_back(r);
    }
    // Where the rings lay: white, then the markers that stay there, in order.
    const int scale = FMarkerLayer->Scale();
    for (const TRect& r : rings) {
        const TRect d = ScaleRect(r, scale);
        for (int y = d.Top; y < d.Bottom; ++y)
            for (int x = d.Left; x < d.Right; ++x)
                FIndex.UnderArcs(x, y) = clWhite;
        for (int i : FIndex.MarkersMeeting(r))
            StampRings(*FMarkers[size_t(i)], r);
        ShowUnderArcs(r);
        changed.Add(r);
    }
    // Where an arc was the last over a pixel, the markers under it show again.
    TLayer& s = *FMarkerLayer;
    s.Pen = ArcPen;
    std::vector<QPoint> bare;
    for (const auto& a : taken.Arcs)
        s.Arc(a->BoxLeft, a->BoxTop, a->BoxRight, a->BoxBottom, a->StartX, a->StartY, a->EndX,
              a->EndY, [&](int px, int py) {
                  if (FIndex.ForgetArcPixel(px, py)) bare.emplace_back(px, py);
              });
    for (const QPoint& p : bare) {
        s.SetDevicePixel(p.x(), p.y(), FIndex.UnderArcs(p.x(), p.y()));
        changed.Add(p.x() / scale, p.y() / scale);
    }
    if (circles.IsEmpty()) return;
    // Circles only ever add to their layer: their places start white again,
    // and the circles that stay are drawn over them in order.
    const TRect r = LayerBounds(circles);
    TLayer& c = *FCircleLayer;
    c.SetClip(r);
    c.Brush = {clWhite, TBrushStyle::Solid};
    c.FillRect(r);
    for (const auto& rec : FMarkers)
        if (rec->IsSwrCircle) DrawSwrCircleOnLayer(rec->Swr, nullptr);
    c.ClearClip();
    changed.Add(r);
}

void TSmithChart::KeepPicture(TAnnotations& taken) {
    // Two layers of memory each: a small clearing keeps its picture only while
    // it is the latest, as it is drawn back about as quickly as swapped in.
    if (const std::shared_ptr<TKeptPicture> older = FLatestKept.lock())
        if (older->Records < KeepOlderPictureFrom) *older = {};
    auto kept = std::make_shared<TKeptPicture>();
    kept->Scale = FMarkerLayer->Scale();
    kept->Width = FMarkerLayer->Width();
    kept->Height = FMarkerLayer->Height();
    kept->Records = taken.Markers.size() + taken.Arcs.size();
    FMarkerLayer->TakeImage();
    if (std::any_of(taken.Markers.begin(), taken.Markers.end(),
                    [](const auto& m) { return m->IsSwrCircle; }))
        kept->Circles = FCircleLayer->TakeImage();
    kept->Maps = FIndex.TakeMaps();
    FLatestKept = kept;
    taken.Picture = std::move(kept);
    FIndex.ChangedAll();
    Present();
}

bool TSmithChart::PutBackPicture(TKeptPicture& kept) {
    // Only onto the layers it was taken from, still white and of that size.
    if (kept.Scale != FMarkerLayer->Scale() || kept.Width != FMarkerLayer->Width() ||
        kept.Height != FMarkerLayer->Height())
        return false;
    if (!kept.Circles.isNull() && !FCircleLayer->PutImage(kept.Circles)) return false;
    FIndex.PutMaps(std::move(kept.Maps));
    kept = {};
    ShowUnderArcs(GetLayerRect());
    FIndex.ChangedAll();
    Present();
    return true;
}

void TSmithChart::RestoreAnnotations(TAnnotations&& annotations) {
    const size_t firstMarker = FMarkers.size(), firstArc = FArcs.size();
    std::move(annotations.Markers.begin(), annotations.Markers.end(), std::back_inserter(FMarkers));
    std::move(annotations.Arcs.begin(), annotations.Arcs.end(), std::back_inserter(FArcs));
    const std::shared_ptr<TKeptPicture> picture = std::move(annotations.Picture);
    annotations = {};
    if (!FIndex.InSync() || !FIndex.CirclesExact()) {
        RedrawAnnotations();
        return;
    }
    // A clearing put back onto the empty chart it left.
    if (picture && firstMarker == 0 && firstArc == 0 && PutBackPicture(*picture)) return;
    // Otherwise added again one by one, as they were added.
    const int scale = FMarkerLayer->Scale();
    TChangedRows changed(FMarkerLayer->Width(), FMarkerLayer->Height());
    for (size_t i = firstMarker; i < FMarkers.size(); ++i)
        DrawAddedMarker(int(i), changed);
    DrawArcsFrom(firstArc, [&](int px, int py) {
        FIndex.NoteArcPixel(px, py);
        changed.Add(px / scale, py / scale);
    });
    PresentRows(changed);
}

void TSmithChart::RedrawAnnotations() {
    // SWR circles only ever add to their layer: start it white again.
    TLayer& circles = *FCircleLayer;
    circles.Brush = {clWhite, TBrushStyle::Solid};
    circles.FillRect(GetLayerRect());
    RedrawMarkers();
    FIndex.SetCirclesExact(true);
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
    if (FCursorInk) {
        // Over the readout: the layer still holds only places it knows.
        FCursorInk->push_back(changed);
        FCursorDirty.push_back(changed);
        FIndex.CursorMarked(false);
        return PresentCursor();
    }
    FIndex.CursorChanged(false);
    Present(changed);
}
