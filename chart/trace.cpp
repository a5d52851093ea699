// A measured antenna's trace on the chart: one line through its points, with
// the first and last frequency written at their ends.
#include "fpcheck.h"
#include "quantity.h"
#include "smithchart.h"

#include <cmath>

namespace {

// Dark orange: apart from the grid's red and grey, the markers' blue and red,
// the arcs' green and the readout's purple, and legible on white.
constexpr TColor TraceColor = 0x0060D0;
// Pixels this far out are off any screen; they are left out of the line.
constexpr double FarPixel = 1e6;

// One line through the points the layer can place, broken where one cannot
// be; the first and last drawn.
std::pair<const TSmithChart::TTracePoint*, const TSmithChart::TTracePoint*>
DrawPolyline(TLayer& s, const std::vector<TSmithChart::TTracePoint>& points) {
    bool drawing = false;
    const TSmithChart::TTracePoint* first = nullptr;
    const TSmithChart::TTracePoint* last = nullptr;
    for (const TSmithChart::TTracePoint& p : points) {
        if (!p.OnLayer) {
            drawing = false;
            continue;
        }
        if (drawing)
            s.LineTo(p.PixelX, p.PixelY);
        else
            s.MoveTo(p.PixelX, p.PixelY);
        drawing = true;
        if (!first) first = &p;
        last = &p;
    }
    return {first, last};
}

} // namespace

QString FrequencyText(double mhz) {
    QString text = QString::fromStdString(FormatPattern("#0.000000", mhz));
    while (text.endsWith(u'0'))
        text.chop(1);
    if (text.endsWith(u'.')) text.chop(1);
    return text;
}

TColor TSmithChart::OtherTraceColor(std::size_t i) {
    // Apart from the trace's orange, the grid's red and grey, the markers'
    // blue and red, the arcs' green and the readout's purple.
    static constexpr TColor Colors[] = {0x808000, 0x7800C8, 0x008080, 0x14468C,
                                        0xA06400, 0x0078A0, 0xA050E6};
    return Colors[i % std::size(Colors)];
}

void TSmithChart::PlaceTrace(std::vector<TTracePoint>& points) const {
    for (TTracePoint& p : points) {
        p.OnLayer = false;
        try {
            const TPointD px = ImpedanceToPixel(p.R, p.X, ChartReference);
            if (std::fabs(px.X) > FarPixel || std::fabs(px.Y) > FarPixel) continue;
            p.PixelX = RoundPixel(px.X);
            p.PixelY = RoundPixel(px.Y);
            p.OnLayer = true;
        } catch (const EMathError&) {
            // A point the chart cannot place (a short circuit's pole) is skipped.
        }
    }
}

void TSmithChart::SetTrace(const std::vector<TTracePoint>& points, std::vector<TOtherTrace> others,
                           const QString& activeName) {
    FTrace = points;
    PlaceTrace(FTrace);
    FOthers = std::move(others);
    for (TOtherTrace& o : FOthers)
        PlaceTrace(o.Points);
    FActiveName = activeName;
    std::vector<TTraceIndex::TPoint> placed(FTrace.size());
    for (size_t i = 0; i < FTrace.size(); ++i)
        placed[i] = {FTrace[i].PixelX, FTrace[i].PixelY, FTrace[i].OnLayer};
    FTraceIndex.Build(std::move(placed));
    RedrawTraces();
}

void TSmithChart::RedrawTraces() {
    if (!FGridBare || !FGridBare->PutInto(*FGridLayer)) {
        RedrawGrid();
        return;
    }
    // As DrawGrid goes on from there.
    DrawOverGrid(*FGridLayer);
    Present();
}

void TSmithChart::ClearTrace() {
    if (FTrace.empty() && FOthers.empty()) return;
    FTrace.clear();
    FOthers.clear();
    FTraceIndex.Clear();
    RedrawGrid();
}

void TSmithChart::RedrawGrid() {
    if (FGridLayer->Width() == 0) return;
    ClearGridLayer();
    DrawGrid();
    Present();
}

std::optional<size_t> TSmithChart::TracePointNear(int x, int y, double maxPixels) const {
    return FTraceIndex.Nearest(x, y, maxPixels);
}

void TSmithChart::DrawTrace(TLayer& s) const {
    // The others beneath the active one, one pixel wide, without end labels.
    for (const TOtherTrace& o : FOthers) {
        s.Pen = {o.Color, 1, TPenStyle::Solid};
        DrawPolyline(s, o.Points);
    }
    DrawLegend(s);
    if (FTrace.empty()) return;
    s.Pen = {TraceColor, 2, TPenStyle::Solid};
    const auto [first, last] = DrawPolyline(s, FTrace);
    if (!first) return;
    s.Font.Size = 8;
    s.Font.Color = TraceColor;
    s.Brush.Style = TBrushStyle::Clear;
    s.Pen.Width = 1;
    for (const TTracePoint* end : {first, last}) {
        // A small cross marks the end; its frequency stands beside it.
        s.MoveTo(end->PixelX - 4, end->PixelY);
        s.LineTo(end->PixelX + 5, end->PixelY);
        s.MoveTo(end->PixelX, end->PixelY - 4);
        s.LineTo(end->PixelX, end->PixelY + 5);
        s.TextOut(end->PixelX + 6, end->PixelY + (end == first ? -16 : 4),
                  FrequencyText(end->FrequencyMHz) + QStringLiteral(" MHz"));
        if (first == last) break;
    }
}

// Which colour is which measurement, in the corner above the disc's left.
void TSmithChart::DrawLegend(TLayer& s) const {
    if (FOthers.empty()) return;
    s.Font.Size = 8;
    s.Brush.Style = TBrushStyle::Clear;
    int y = 4;
    auto entry = [&](TColor color, int width, const QString& name) {
        s.Pen = {color, width, TPenStyle::Solid};
        s.MoveTo(6, y + 7);
        s.LineTo(24, y + 7);
        s.Font.Color = color;
        s.TextOut(28, y, name);
        y += 14;
    };
    if (!FTrace.empty()) entry(TraceColor, 2, FActiveName + QStringLiteral(" (aktivní)"));
    for (const TOtherTrace& o : FOthers)
        entry(o.Color, 1, o.Name);
}

TRect TSmithChart::DrawTraceReadout(TLayer& s, int x, int y) const {
    if (FTrace.empty()) return {};
    const std::optional<size_t> i = TracePointNear(x, y, TraceReach);
    if (!i) return {};
    const TColor color = s.Font.Color;
    s.Font.Color = TraceColor;
    const QString text = QStringLiteral("f ") + FrequencyText(FTrace[*i].FrequencyMHz);
    s.TextOut(x + 3, y + 20, text);
    s.Font.Color = color;
    return s.TextRect(x + 3, y + 20, text);
}
