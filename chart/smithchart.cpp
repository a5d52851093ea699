// TSmithChart: construction, the five layers, composition and the grid.
#include "smithchart.h"

#include <QTimer>
#include <algorithm>

const TCircleRow ResistanceCircles[7] = {
    {0.0, 1.0},           {0.166667, 0.833333}, {0.333333, 0.666667}, {0.5, 0.5},
    {0.666667, 0.333333}, {0.833333, 0.166667}, {0.909091, 0.090909},
};

const TCircleRow ReactanceCircles[10] = {
    {-0.2, 0.2}, {-0.5, 0.5}, {-1.0, 1.0}, {-2.0, 2.0}, {-5.0, 5.0},
    {5.0, 5.0},  {2.0, 2.0},  {1.0, 1.0},  {0.5, 0.5},  {0.2, 0.2},
};

TSmithChart::TSmithChart(int centerX, int centerY, int radius, TDrawTarget* target)
    : FCenterX(0), FCenterY(0), FRadius(0), FTarget(target) {
    FGridLayer = std::make_unique<TLayer>();
    FCursorLayer = std::make_unique<TLayer>();
    FMarkerLayer = std::make_unique<TLayer>();
    FCircleLayer = std::make_unique<TLayer>();
    FComposite = std::make_unique<TLayer>();
    FTimer = std::make_unique<QTimer>();
    QObject::connect(FTimer.get(), &QTimer::timeout, [this] { TimerExpired(); });
    FTimer->stop();
    FTimer->setSingleShot(true);
    FTimer->setInterval(100);
    FCenterX = centerX;
    FCenterY = centerY;
    FRadius = radius;
}

TSmithChart::~TSmithChart() {
    ClearMarkers();
    ClearArcs();
    FTimer.reset();
    FGridLayer.reset();
    FCursorLayer.reset();
    FMarkerLayer.reset();
    FCircleLayer.reset();
    FComposite.reset();
}

bool TSmithChart::TimerActive() const {
    return FTimer->isActive();
}

void TSmithChart::SetSize(int width, int height) {
    const int scale = std::max(FTarget ? FTarget->DeviceScale() : 1, 1);
    const bool rescaled = scale != FComposite->Scale();
    const int oldW = FComposite->Width(), oldH = FComposite->Height();
    for (TLayer* layer :
         {&*FGridLayer, &*FCursorLayer, &*FCircleLayer, &*FMarkerLayer, &*FComposite})
        layer->SetScale(scale);
    FGridLayer->SetWidth(width);
    FGridLayer->SetHeight(height);
    const int w = FGridLayer->Width(), h = FGridLayer->Height();
    FCursorLayer->SetSize(w, h);
    FCircleLayer->SetSize(w, h);
    FMarkerLayer->SetSize(w, h);
    FComposite->SetSize(w, h);
    const bool resized = rescaled || w != oldW || h != oldH;
    // At the same scale what the old size showed stays where it was.
    const bool keep =
        resized && !rescaled && FIndex.InSync() && oldW > 0 && oldH > 0 && w > 0 && h > 0;
    if (keep)
        FIndex.Relayout(w, h);
    else if (resized)
        FIndex.Resize(w, h, scale);
    else
        FIndex.ChangedAll();
    // Restart the interval, so a burst of resizes ends in one late Present.
    FTimer->stop();
    FTimer->start();
    // A new size: the whole cursor layer is cleared and shown.
    FCursorInk.reset();
    FCursorDirty.clear();
    ClearCursorLayer();
    ClearGridLayer();
    DrawGrid();
    // Annotations cut off by the old size (or white at a new scale) are drawn
    // again now, so that the picture is whole and the history stays quick.
    if (resized && w > 0 && h > 0) {
        TLayer& circles = *FCircleLayer;
        circles.Brush = {clWhite, TBrushStyle::Solid};
        circles.FillRect(GetLayerRect());
        if (keep)
            DrawUncovered(oldW, oldH);
        else
            RedrawMarkers();
        FIndex.SetCirclesExact(true);
    }
    Present();
}

void TSmithChart::TimerExpired() {
    FTimer->stop();
    Present();
}

TRect TSmithChart::GetLayerRect() const {
    return {0, 0, FComposite->Width(), FComposite->Height()};
}

TRect TSmithChart::LayerBounds(const TRect& rect) const {
    const TRect r = Intersect(rect, GetLayerRect());
    return r.IsEmpty() ? TRect{} : r;
}

void TSmithChart::Compose(const TRect& rect) {
    // SetSize keeps the five layers of one size, which SetToAnd needs.
    if (!rect.IsEmpty())
        FComposite->SetToAnd(rect, *FGridLayer, *FCursorLayer, *FMarkerLayer, *FCircleLayer);
}

void TSmithChart::Present() {
    // Outside FDirty the composite already holds the AND of the layers.
    Compose(FIndex.TakeChanged());
    ComposeCursorDirty();
    if (FTarget) FTarget->CopyRect(GetLayerRect(), *FComposite);
}

TRect TSmithChart::ComposeCursorDirty() {
    TRect all;
    for (const TRect& r : std::exchange(FCursorDirty, {})) {
        const TRect b = LayerBounds(r);
        Compose(b);
        all = Unite(all, b);
    }
    return all;
}

void TSmithChart::PresentCursor() {
    const TRect dirty = FIndex.TakeChanged();
    if (!dirty.IsEmpty()) {
        FIndex.Changed(dirty);
        return Present();
    }
    std::vector<TRect> shown;
    for (const TRect& r : std::exchange(FCursorDirty, {})) {
        const TRect b = LayerBounds(r);
        if (b.IsEmpty()) continue;
        Compose(b);
        shown.push_back(b);
    }
    if (FTarget) FTarget->CopyRects(shown, *FComposite);
}

void TSmithChart::Present(const TRect& rect) {
    Present(rect, true);
}

void TSmithChart::Present(const TRect& rect, bool composeRect) {
    const TRect dirty = FIndex.TakeChanged();
    const TRect r = LayerBounds(Unite(LayerBounds(rect), dirty));
    Compose(composeRect ? r : dirty);
    const TRect cursor = ComposeCursorDirty();
    if (FTarget) FTarget->CopyRect(LayerBounds(Unite(r, cursor)), *FComposite);
}

namespace {
void ClearLayer(TLayer& layer, TColor color, const TRect& r) {
    layer.Brush.Color = color;
    layer.Brush.Style = TBrushStyle::Solid;
    layer.FillRect(r);
}
} // namespace

void TSmithChart::ClearGridLayer() {
    FGridBase.reset();
    FGridBare.reset();
    ClearLayer(*FGridLayer, GridBackgroundColor, GetLayerRect());
    FIndex.ChangedAll();
}

void TSmithChart::ClearCursorLayer() {
    if (FIndex.CursorClean()) {
        // Already white: only the brush is left as a clearing leaves it.
        FCursorLayer->Brush = {clWhite, TBrushStyle::Solid};
        return;
    }
    if (FCursorInk) {
        // Only the readout is there: whiten its places, not the whole layer.
        FCursorLayer->Brush = {clWhite, TBrushStyle::Solid};
        for (const TRect& r : *FCursorInk) {
            const TRect b = LayerBounds(r);
            if (b.IsEmpty()) continue;
            FCursorLayer->FillRect(b);
            FCursorDirty.push_back(b);
        }
        FCursorInk.reset();
        FIndex.CursorMarked(true);
        return;
    }
    ClearLayer(*FCursorLayer, clWhite, GetLayerRect());
    FIndex.CursorChanged(true);
}

void TSmithChart::ClearMarkerLayer() {
    ClearLayer(*FMarkerLayer, clWhite, GetLayerRect());
    FIndex.Desync();
    FIndex.ChangedAll();
}

void TSmithChart::DrawCircle(TLayer& surface, double cx, double cy, double r) {
    const int x = RoundPixel(cx), y = RoundPixel(cy), q = RoundPixel(r);
    // A negative radius reverses the corners, which Ellipse swaps back.
    surface.Ellipse(x - q, y - q, x + q, y + q);
}

void TSmithChart::DrawGrid() {
    TLayer& s = *FGridLayer;
    const double r = FRadius, cx = FCenterX, cy = FCenterY;
    s.Pen.Width = 1;
    s.Pen.Style = TPenStyle::Solid;
    s.Brush.Style = TBrushStyle::Clear;

    s.Pen.Color = clRed;
    for (const TCircleRow& row : ResistanceCircles)
        DrawCircle(s, cx + r * row.Shift, cy, r * row.Radius);
    s.Pen.Color = clSilver;
    for (const TCircleRow& row : ResistanceCircles)
        DrawCircle(s, cx - r * row.Shift, cy, r * row.Radius);
    s.Pen.Color = clRed;
    for (const TCircleRow& row : ReactanceCircles)
        DrawCircle(s, cx + r, cy + r * row.Shift, r * row.Radius);
    s.Pen.Color = clSilver;
    for (const TCircleRow& row : ReactanceCircles)
        DrawCircle(s, cx - r, cy + r * row.Shift, r * row.Radius);

    s.Pen.Color = clBlack;
    s.MoveTo(FCenterX - FRadius, FCenterY);
    s.LineTo(FCenterX + FRadius, FCenterY);

    s.Pen.Color = clGray;
    DrawCircle(s, cx, cy, r + 1);

    // Paint the outside of the ring: this is what clips the grid to the disc.
    s.Brush.Style = TBrushStyle::Solid;
    s.Brush.Color = clBtnFace;
    s.FloodFill(FCenterX + FRadius + 2, FCenterY, clGray);
    s.FloodFill(FCenterX - FRadius - 2, FCenterY, clGray);
    s.FloodFill(FCenterX, FCenterY + FRadius + 2, clGray);
    s.FloodFill(FCenterX, FCenterY - FRadius - 2, clGray);
    DrawCoverage(s);
    FGridBare.reset();
    if (!FTrace.empty() || !FOthers.empty()) FGridBare = TGridBase::Of(s);
    DrawOverGrid(s);
}

void TSmithChart::DrawOverGrid(TLayer& s) {
    DrawTrace(s);
    DrawUnmatched(s);
    FGridBase.reset();
    if (FLinePath.size() >= 2) FGridBase = TGridBase::Of(s);
    DrawLinePath(s);
    FIndex.ChangedAll();
}
