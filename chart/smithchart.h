#pragma once
// The Smith chart engine: the chart math, and TSmithChart with its layers,
// grid, pointer readout, L-network solver and annotations.

#include "layer.h"

#include <array>
#include <memory>
#include <vector>

class QTimer;

// ---- Stored constants of the chart math (not the exact values) ----
constexpr double StoredPi = 3.141592654;
constexpr double DegreeFactor = StoredPi / 180.0;
constexpr double HalfPi = 1.570796327;
constexpr double NearZero = 1e-37;
constexpr double MagnitudeSubstitute = 1.0000001;
constexpr double TwoPi = 6.283185307179586477;
constexpr double ChartReference = 50.0; // reference resistance of GammaToImpedance and the solver

// Paints nothing white; the grid layer is cleared to it.
extern TColor GridBackgroundColor;

struct TCircleRow {
    double Shift;
    double Radius;
};
extern const TCircleRow ResistanceCircles[7];
extern const TCircleRow ReactanceCircles[10];

// ---- Free functions of the chart math ----
double SafeArcCos(double c);

struct TPolarOfImpedance {
    double U, V, Theta, Swr;
};
TPolarOfImpedance ImpedanceToPolar(double r, double x, double z0);

struct TPointD {
    double X, Y;
};
// Screen components (u, -v) of the point of the given SWR and angle.
TPointD PolarToGamma(double swr, double theta);

// Rounds to the nearest integer, ties to even.
int RoundPixel(double value);

struct TImpedance {
    double R, X;
};

// Where the paint box's picture goes; a copy onto it shows at once.
class TDrawTarget {
public:
    virtual ~TDrawTarget() = default;
    virtual void CopyRect(const TRect& rect, const TLayer& source) = 0;
};

struct TMarkerRec {
    int PosX = 0;
    int PosY = 0;
    double Swr = 0.0;
    bool IsSwrCircle = false;
    TColor Color = 0;
};

struct TArcRec {
    int BoxLeft = 0, BoxTop = 0, BoxRight = 0, BoxBottom = 0;
    int StartX = 0, StartY = 0, EndX = 0, EndY = 0;
};

struct TReading {
    double Swr = 0.0, Theta = 0.0, R = 0.0, X = 0.0;
};

struct TMatch {
    double MatchAngle = 0.0;
    double MatchSwr = 0.0;
    double MatchMagnitude = 0.0;
    bool IsCL = false;
};

class TSmithChart {
public:
    TSmithChart(int centerX, int centerY, int radius, TDrawTarget* target);
    virtual ~TSmithChart();
    TSmithChart(const TSmithChart&) = delete;
    TSmithChart& operator=(const TSmithChart&) = delete;

    // Layers and grid
    void SetSize(int width, int height);
    void Present();
    TRect GetLayerRect() const;
    void ClearGridLayer();
    void ClearCursorLayer();
    void ClearMarkerLayer();
    void DrawGrid();
    static void DrawCircle(TLayer& surface, double cx, double cy, double r);
    void TimerExpired();

    // Coordinate mapping
    static TImpedance GammaToImpedance(double theta, double m);
    TPointD PolarToPixel(double theta, double swr) const;
    QPoint GammaToPixel(double x, double y) const;
    TPointD ImpedanceToPixel(double r, double x, double z0) const;

    // Pointer readout: false when the position lies exactly on the unit
    // circle, where no reading exists (reading is then left untouched).
    bool ReadPointer(int x, int y, bool draw, TReading& reading);
    // The four readout texts from top to bottom: "ro ", "PSV ", "Rx ", "Xx ".
    static std::array<QString, 4> ReadoutTexts(const TReading& reading);

    // L-network solver
    bool SolveLNetwork(double phi, double swr, TMatch& match);
    bool SolveMatch(double phi, double swr, TMatch& match);

    // Markers, arcs and SWR circles
    void AddPolarMarker(TColor color, double angle, double swr);
    void AddImpedanceMarker(bool swrCircle, TColor color, double r, double x, double z0,
                            double swr);
    void AddArc(double cx, double cy, double radius, double startAngle, double startSwr,
                double endAngle, double endSwr);
    void RedrawMarkers();
    void DrawArcs();
    void DrawSwrCircle(double swr);
    void ClearMarkers();
    void ClearArcs();

    int CenterX() const { return FCenterX; }
    int CenterY() const { return FCenterY; }
    int Radius() const { return FRadius; }
    const std::vector<std::unique_ptr<TMarkerRec>>& Markers() const { return FMarkers; }
    const std::vector<std::unique_ptr<TArcRec>>& Arcs() const { return FArcs; }
    const TLayer& GridLayer() const { return *FGridLayer; }
    const TLayer& CursorLayer() const { return *FCursorLayer; }
    const TLayer& MarkerLayer() const { return *FMarkerLayer; }
    const TLayer& CircleLayer() const { return *FCircleLayer; }
    const TLayer& Composite() const { return *FComposite; }
    bool TimerActive() const;

private:
    std::vector<std::unique_ptr<TMarkerRec>> FMarkers;
    std::vector<std::unique_ptr<TArcRec>> FArcs;
    int FCenterX;
    int FCenterY;
    int FRadius;
    std::unique_ptr<QTimer> FTimer;
    std::unique_ptr<TLayer> FCircleLayer, FMarkerLayer, FGridLayer, FCursorLayer, FComposite;
    TDrawTarget* FTarget; // borrowed
};
