// Point markers, arcs and SWR circles: records kept in lists, drawn in order.
#include "fpcheck.h"
#include "numtext.h"
#include "smithchart.h"

namespace {

struct TSwrCircleShape {
    double T;  // signed radius in pixels; negative above SWR 1
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

} // namespace

void TSmithChart::AddPolarMarker(TColor color, double angle, double swr) {
    const TPointD p = PolarToPixel(angle, swr);
    auto rec = std::make_unique<TMarkerRec>();
    rec->PosX = RoundPixel(p.X);
    rec->PosY = RoundPixel(p.Y);
    rec->Swr = swr;
    rec->IsSwrCircle = false;
    rec->Color = color;
    FMarkers.push_back(std::move(rec));
    RedrawMarkers();
    Present();
}

void TSmithChart::AddImpedanceMarker(bool swrCircle, TColor color, double r, double x, double z0,
                                     double swr) {
    const TPointD p = ImpedanceToPixel(r, x, z0);
    if (swrCircle) SwrCircleShape(swr, FRadius, FCenterX, FCenterY);
    auto rec = std::make_unique<TMarkerRec>();
    rec->PosX = RoundPixel(p.X);
    rec->PosY = RoundPixel(p.Y);
    rec->Swr = swr;
    rec->IsSwrCircle = swrCircle;
    rec->Color = color;
    FMarkers.push_back(std::move(rec));
    RedrawMarkers();
    Present();
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
    RedrawMarkers();
    Present();
}

void TSmithChart::RedrawMarkers() {
    ClearMarkerLayer();
    TLayer& s = *FMarkerLayer;
    for (const auto& rec : FMarkers) {
        if (rec->IsSwrCircle) {
            DrawSwrCircle(rec->Swr);
            continue;
        }
        s.Pen.Color = rec->Color > 0 ? rec->Color : clRed;
        s.Pen.Width = 1;
        s.Pen.Style = TPenStyle::Solid;
        s.Brush.Color = clWhite;
        s.Brush.Style = TBrushStyle::Solid;
        s.Ellipse(rec->PosX - 4, rec->PosY - 4, rec->PosX + 4, rec->PosY + 4);
        s.Ellipse(rec->PosX - 3, rec->PosY - 3, rec->PosX + 3, rec->PosY + 3);
        s.Ellipse(rec->PosX - 2, rec->PosY - 2, rec->PosX + 2, rec->PosY + 2);
    }
    DrawArcs();
}

void TSmithChart::DrawArcs() {
    TLayer& s = *FMarkerLayer;
    s.Pen.Color = clGreen;
    s.Pen.Width = 1;
    s.Pen.Style = TPenStyle::Solid;
    for (const auto& a : FArcs)
        s.Arc(a->BoxLeft, a->BoxTop, a->BoxRight, a->BoxBottom, a->StartX, a->StartY, a->EndX,
              a->EndY);
}

void TSmithChart::DrawSwrCircle(double swr) {
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
}

void TSmithChart::ClearMarkers() {
    for (auto& rec : FMarkers) rec.reset();
    FMarkers.clear();
}

void TSmithChart::ClearArcs() {
    for (auto& rec : FArcs) rec.reset();
    FArcs.clear();
}
