#pragma once
// The Smith chart engine: the chart math, and TSmithChart with its layers,
// grid, pointer readout, L-network solver and annotations.

#include "chartgeometry.h"
#include "layer.h"
#include "tpinetwork.h"
#include "traceindex.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QTimer;

// The grid layer is cleared to it, so the grid's paper is white.
constexpr TColor GridBackgroundColor = clWhite;

struct TCircleRow {
    double Shift;
    double Radius;
};
extern const TCircleRow ResistanceCircles[7];
extern const TCircleRow ReactanceCircles[10];

// ---- Free functions of the chart math ----

struct TPolarOfImpedance {
    double U, V, Theta, Swr;
};
TPolarOfImpedance ImpedanceToPolar(double r, double x, double z0);

struct TPointD {
    double X, Y;
};
// Screen components (u, -v) of the point of the given SWR and angle.
TPointD PolarToGamma(double swr, double theta);

// A frequency in MHz with up to six decimals and no trailing zeros.
QString FrequencyText(double mhz);

// Rounds to the nearest integer, ties to even.
int RoundPixel(double value);

// Where the paint box's picture goes; a copy onto it shows at once.
class TDrawTarget {
public:
    virtual ~TDrawTarget() = default;
    // rect is in layer pixels; source has its own device scale.
    virtual void CopyRect(const TRect& rect, const TLayer& source) = 0;
    // Several small places shown as one presentation; here as their union.
    virtual void CopyRects(const std::vector<TRect>& rects, const TLayer& source) {
        TRect all;
        for (const TRect& r : rects)
            all = Unite(all, r);
        if (!all.IsEmpty()) CopyRect(all, source);
    }
    // Device pixels per layer pixel that the target shows: SetSize draws the
    // layers at this scale, so that the chart is sharp on a high-density screen.
    virtual int DeviceScale() const { return 1; }
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

class TSmithChart {
public:
    TSmithChart(int centerX, int centerY, int radius, TDrawTarget* target);
    virtual ~TSmithChart();
    TSmithChart(const TSmithChart&) = delete;
    TSmithChart& operator=(const TSmithChart&) = delete;

    // Layers and grid. SetSize also takes up the target's device scale; at a
    // new scale every layer is drawn again, the loose DrawSwrCircle ones lost.
    void SetSize(int width, int height);
    // Shows the four layers, ANDed, on the target.
    void Present();
    // The same for one rectangle: only it (with whatever changed since the last
    // presentation and was not shown yet) is composed and copied to the target.
    void Present(const TRect& rect);
    TRect GetLayerRect() const;
    void ClearGridLayer();
    void ClearCursorLayer();
    // Whether a crosshair stands on the cursor layer.
    bool CursorDrawn() const { return !FIndex.CursorClean(); }
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

    // Markers, arcs and SWR circles. An addition draws and presents only what
    // it changes, leaving the pictures RedrawMarkers and Present would leave.
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

    // The session's history: an action's annotations are the records added
    // after the count taken before it. Taking them off (undo, clear) and
    // putting them back (redo) leave the picture a replay would give, drawing
    // only where those records lie.
    struct TAnnotationCount {
        size_t Markers = 0, Arcs = 0;
    };
    // The annotation layers as a clearing found them, kept with what it took.
    struct TKeptPicture;
    struct TAnnotations {
        std::vector<std::unique_ptr<TMarkerRec>> Markers;
        std::vector<std::unique_ptr<TArcRec>> Arcs;
        std::shared_ptr<TKeptPicture> Picture;
    };
    TAnnotationCount AnnotationCount() const { return {FMarkers.size(), FArcs.size()}; }
    TAnnotations TakeAnnotationsFrom(TAnnotationCount from);
    void RestoreAnnotations(TAnnotations&& annotations);
    // A measured antenna: its points drawn as one line on the grid layer, so
    // that it redraws with the grid and lies under every annotation.
    struct TTracePoint {
        double FrequencyMHz = 0.0;
        double R = 0.0, X = 0.0;
        bool OnLayer = false; // false when the point has no pixel
        int PixelX = 0, PixelY = 0;
    };
    // Measurements open beside it, drawn thinner in their own colours, and
    // with them a legend naming each (the active one, activeName, first).
    struct TOtherTrace {
        TColor Color = 0;
        QString Name;
        std::vector<TTracePoint> Points;
    };
    void SetTrace(const std::vector<TTracePoint>& points, std::vector<TOtherTrace> others = {},
                  const QString& activeName = {});
    void ClearTrace();
    const std::vector<TOtherTrace>& OtherTraces() const { return FOthers; }
    // The colour of the i-th measurement beside the active one.
    static TColor OtherTraceColor(std::size_t i);
    const std::vector<TTracePoint>& Trace() const { return FTrace; }
    // The trace point nearest to the pixel, if one lies within maxPixels.
    std::optional<size_t> TracePointNear(int x, int y, double maxPixels) const;
    // How near the pointer must come to a trace point to read or take it.
    static constexpr double TraceReach = 6.0;
    // A feed line's path: the load along the line from the antenna's end to
    // the shack's, on the grid layer as the trace is, its ends marked.
    void SetLinePath(const std::vector<TImpedance>& points);
    void ClearLinePath();
    // The loads a tuner reaches, shaded by their least loss beneath the trace
    // and the annotations, the region's edge crisp and the 0.5, 1, 2 and 3 dB
    // contours drawn and labelled; cells known at multiples of stride. None:
    // nothing shaded. The unmatched loads are ringed over the trace.
    void SetCoverage(std::shared_ptr<const TCoverageGrid> grid, int stride,
                     const std::vector<TImpedance>& unmatched = {});
    bool HasCoverage() const { return FCoverage != nullptr; }
    const std::vector<TImpedance>& LinePath() const { return FLinePath; }
    // A network drawn while the pointer drags: the antenna point, the first
    // move and the transition point on the cursor layer, so that it never
    // joins the lists and goes with the next clearing of that layer.
    void DrawPreview(double phi, double swr, const TMatch& match, const TFirstMove& move);

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
    // The bookkeeping that lets an addition draw and present only what it
    // changes. Every change to a layer or to the lists goes through one of its
    // operations, so that no mutator can leave part of it stale.
    class TAnnotationIndex {
    public:
        // New layer size or scale: everything changed, the marker layer is unknown.
        void Resize(int width, int height, int scale);
        // A new size at the same scale, in sync: the maps keep what lies on
        // both sizes, what the new one uncovers starts bare and the cells empty,
        // for the caller to fill in.
        void Relayout(int width, int height);
        // Some layer changed inside rect (clipped to the layers).
        void Changed(const TRect& rect);
        void ChangedAll() { Changed({0, 0, FWidth, FHeight}); }
        // What changed since the last presentation; forgotten once taken.
        TRect TakeChanged() { return std::exchange(FDirty, TRect{}); }
        // The marker layer holds what RedrawMarkers would draw from the lists, and
        // redrawing every SWR circle would change nothing on the circle layer: only
        // then may an addition draw just what it changes.
        bool InSync() const { return FInSync; }
        void Desync() { FInSync = false; }
        // Around a full redraw of the lists: an empty index first, in sync after.
        void Restart();
        void Synced() {
            FInSync = true;
            ChangedAll();
        }
        // The circle layer holds exactly the listed SWR circles drawn in order
        // on white: only then may taking some off repaint just their places.
        bool CirclesExact() const { return FCirclesExact; }
        void SetCirclesExact(bool exact) { FCirclesExact = exact; }
        void AddMarker(int index, int x, int y, const TRect& rings);
        // Markers from `first` on leave the cells that rings meets.
        void RemoveMarkersFrom(int first, const TRect& rings);
        // The indexed markers whose rings meet rect, ascending.
        std::vector<int> MarkersMeeting(const TRect& rect) const;
        // Arcs drawn over a device pixel, counted so that one can go again.
        void NoteArcPixel(int x, int y) { ++FMaps.ArcCounts[Offset(x, y)]; }
        // True when the last arc over the pixel has gone.
        bool ForgetArcPixel(int x, int y) {
            std::uint32_t& count = FMaps.ArcCounts[Offset(x, y)];
            return count > 0 && --count == 0;
        }
        bool IsArcPixel(int x, int y) const { return FMaps.ArcCounts[Offset(x, y)] != 0; }
        // The whole count map, device row after device row, for counting many arcs.
        std::uint32_t* ArcCounts() { return FMaps.ArcCounts.data(); }
        // Device row y of both maps, for repairs row by row.
        const std::uint32_t* ArcCountRow(int y) const { return &FMaps.ArcCounts[Offset(0, y)]; }
        const TColor* UnderArcsRow(int y) const { return &FMaps.UnderArcs[Offset(0, y)]; }
        // A device pixel of the marker layer as the markers alone leave it:
        // what shows there when no arc lies over it.
        TColor& UnderArcs(int x, int y) { return FMaps.UnderArcs[Offset(x, y)]; }
        // The maps of the annotations drawn, with their layers, for a clearing
        // to keep: handed over whole, the index goes on empty.
        struct TMaps {
            int CellColumns = 0;
            // Point markers by square cell of the layer: those whose rings meet
            // the cell, ascending, with their centres.
            struct TEntry {
                int Index, X, Y;
            };
            std::vector<std::vector<TEntry>> Cells;
            std::vector<std::uint32_t> ArcCounts;
            std::vector<TColor> UnderArcs;
        };
        TMaps TakeMaps();
        void PutMaps(TMaps&& maps) { FMaps = std::move(maps); }
        // The cursor layer is all white from a clearing until something is drawn on it.
        bool CursorClean() const { return FCursorClean; }
        void CursorChanged(bool clean) {
            FCursorClean = clean;
            ChangedAll();
        }
        // The caller keeps the changed places itself.
        void CursorMarked(bool clean) { FCursorClean = clean; }

    private:
        size_t Offset(int x, int y) const {
            return size_t(y) * size_t(FWidth) * size_t(FScale) + size_t(x);
        }
        int FWidth = 0, FHeight = 0, FScale = 1;
        TRect FDirty;
        bool FCursorClean = false, FInSync = false;
        // A new chart's circle layer is white and lists no circle.
        bool FCirclesExact = true;
        // Arcs are all drawn alike and last: a marker-layer pixel is green where
        // an arc lies and the markers' colour elsewhere.
        TMaps FMaps;
    };
    class TChangedRows;

    void Compose(const TRect& rect);
    // Present(rect), leaving out the composing of rect when the caller did it.
    void Present(const TRect& rect, bool composeRect);
    void DrawSwrCircleOnLayer(double swr, TRect* changed);
    // The arcs from index `first` on, over the marker layer, telling `written`.
    void DrawArcsFrom(size_t first, const TLayer::TPixelSink& written);
    // The lists drawn where a larger size uncovers the layers beyond the old
    // width and height, the rest kept: what RedrawMarkers would leave.
    void DrawUncovered(int oldWidth, int oldHeight);
    // The lists drawn into the given areas of the layer (apart from one
    // another, their maps bare), every SWR circle whole; the index in sync after.
    void DrawListsInto(const std::vector<TRect>& areas);
    // Every arc counted into the index, the layer left as it is: for a full
    // redraw, which shows the layer from the maps afterwards.
    void CountArcs();
    // Arcs first..last counted into counts, a map of the marker layer's device
    // pixels, inside the layer's clip.
    void CountArcsInto(size_t first, size_t last, std::uint32_t* counts) const;
    // Out of sync, an addition redraws and presents everything; true if it did.
    bool RedrawAllIfOutOfSync();
    void RedrawAnnotations();
    void DrawTrace(TLayer& s) const;
    void DrawLinePath(TLayer& s) const;
    void DrawCoverage(TLayer& s) const;
    void DrawUnmatched(TLayer& s) const;
    void LabelContours(TLayer& s, std::vector<std::pair<int, int>> (&contour)[4]) const;
    // The readout's fifth line: the frequency of the trace point under the pointer.
    // Returns where it wrote, empty when no trace point is near.
    TRect DrawTraceReadout(TLayer& s, int x, int y) const;
    // A pointer move's readout composed and shown only where the old and the
    // new one lie, unless something else changed too.
    void PresentCursor();
    // Compose the cursor places changed since the last presentation; their union.
    TRect ComposeCursorDirty();
    void RedrawGrid();
    void IndexMarker(int index);
    // Draws the marker at index, the last in the list, as a full redraw would.
    void DrawAddedMarker(int index, TChangedRows& changed);
    // The rings over the markers-only picture, within r.
    void StampRings(const TMarkerRec& rec, const TRect& r);
    // The marker layer from the markers-only picture and the arcs, within r.
    void ShowUnderArcs(const TRect& r);
    // Taking off and putting back: the marker layer repaired where the records lie.
    void EraseAnnotations(const TAnnotations& taken, size_t firstMarker, TChangedRows& changed);
    void KeepPicture(TAnnotations& taken);
    bool PutBackPicture(TKeptPicture& kept);
    void PresentRows(const TChangedRows& rows);
    // Stores a marker or SWR circle record once its conversions have succeeded.
    void AppendMarker(const TPointD& pixel, double swr, bool swrCircle, TColor color);
    TRect LayerBounds(const TRect& rect) const;

    std::vector<std::unique_ptr<TMarkerRec>> FMarkers;
    std::vector<std::unique_ptr<TArcRec>> FArcs;
    std::vector<TTracePoint> FTrace;
    std::vector<TOtherTrace> FOthers;
    QString FActiveName;
    void PlaceTrace(std::vector<TTracePoint>& points) const;
    void DrawLegend(TLayer& s) const;
    std::vector<TImpedance> FLinePath;
    std::shared_ptr<const TCoverageGrid> FCoverage;
    int FCoverageStride = 1;
    std::vector<TImpedance> FUnmatched;
    // The grid layer as DrawGrid left it just before the line path, with the
    // surface state then, so that a new path is drawn over a copy instead of
    // the whole grid; kept only while a path is shown.
    struct TGridBase {
        QImage Image;
        TPen Pen;
        TBrush Brush;
        TFont Font;
        TCopyMode CopyMode = TCopyMode::Copy;
        static TGridBase Of(const TLayer& s) {
            return {s.Image(), s.Pen, s.Brush, s.Font, s.CopyMode};
        }
        // Back onto the layer with its state; false when the layer's size changed.
        bool PutInto(TLayer& s) const {
            if (!s.PutImage(Image)) return false;
            s.Pen = Pen;
            s.Brush = Brush;
            s.Font = Font;
            s.CopyMode = CopyMode;
            return true;
        }
    };
    std::optional<TGridBase> FGridBase;
    // The same just before the traces, kept while one is shown: a new sweep
    // redraws its traces over a copy, not the grid beneath them.
    std::optional<TGridBase> FGridBare;
    void RedrawTraces();
    // What lies over the grid and the shading: the traces, their rings and the line's path.
    void DrawOverGrid(TLayer& s);
    TTraceIndex FTraceIndex;
    int FCenterX;
    int FCenterY;
    int FRadius;
    std::unique_ptr<QTimer> FTimer;
    std::unique_ptr<TLayer> FCircleLayer, FMarkerLayer, FGridLayer, FCursorLayer, FComposite;
    TDrawTarget* FTarget; // borrowed
    TAnnotationIndex FIndex;
    // Where the readout wrote on the cursor layer, while that is all it holds:
    // the next clearing whitens only these places. None: anything may be there.
    std::optional<std::vector<TRect>> FCursorInk;
    // Cursor-layer places changed since the last presentation, kept apart
    // from the index's one rectangle, which a crosshair would make the whole chart.
    std::vector<TRect> FCursorDirty;
    std::weak_ptr<TKeptPicture> FLatestKept;
};
