#pragma once
// Off-screen raster layer with a GDI-like drawing surface. Every shape is
// rasterised by our own integer code so pictures are deterministic and can be
// tested without a display; only TextOut goes through QPainter.

#include <QImage>
#include <QRect>
#include <QString>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

// Colours cross the API as 0x00BBGGRR. A value whose top byte is 0xFF names a
// system colour by the index in its low byte (0xFF00000F is the button face).
using TColor = std::int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clGreen = 0x008000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clBtnFace = static_cast<TColor>(0xFF00000Fu);
constexpr TColor clWindow = static_cast<TColor>(0xFF000005u);
constexpr TColor clWindowText = static_cast<TColor>(0xFF000008u);

// The one place where colour values become pixels; system colours resolve
// through the application palette.
QRgb ColorToRgb(TColor color);
TColor RgbToColor(QRgb rgb);

enum class TPenStyle { Solid, Dot };
enum class TBrushStyle { Solid, Clear };
enum class TCopyMode { Copy, And };

struct TPen {
    TColor Color = clBlack;
    int Width = 1;
    TPenStyle Style = TPenStyle::Solid;
};

struct TBrush {
    TColor Color = clWhite;
    TBrushStyle Style = TBrushStyle::Solid;
};

struct TFont {
    int Size = 8; // points, at 96 pixels per inch
    TColor Color = clBlack;
};

// A rectangle covers Left <= x < Right and Top <= y < Bottom.
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool operator==(const TRect& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
};

// The common part; empty rectangles come out with IsEmpty().
TRect Intersect(const TRect& a, const TRect& b);
// The smallest rectangle holding both; an empty one adds nothing.
TRect Unite(const TRect& a, const TRect& b);
// The rectangle in device pixels, `scale` to a layer pixel; saturated to int.
TRect ScaleRect(const TRect& rect, int scale);

class TLayer {
public:
    TLayer() = default;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Resizing keeps the pixels inside both sizes; gained pixels are white.
    void SetWidth(int width);
    void SetHeight(int height);
    void SetSize(int width, int height);
    // Device pixels per layer pixel along each axis (1 unless set). Sizes and
    // coordinates stay in layer pixels; every shape, fill and text is drawn at
    // the device resolution, a pen pixel being Scale() device pixels wide.
    // A change of scale starts the layer white.
    void SetScale(int scale);
    int Scale() const { return FScale; }

    // Every later pixel write (shapes, fills, text, CopyRect) lands only inside
    // the clip rectangle; the layer's own bounds always clip as well.
    void SetClip(const TRect& rect);
    void ClearClip();
    bool HasClip() const { return FHasClip; }

    // Surface state; it persists from one operation to the next.
    TPen Pen;
    TBrush Brush;
    TFont Font;
    TCopyMode CopyMode = TCopyMode::Copy;

    void FillRect(const TRect& rect);
    // Ellipse inscribed in the rectangle: its pixels span Left..Right-1 and
    // Top..Bottom-1. Reversed corners are swapped; an empty rectangle draws nothing.
    void Ellipse(int left, int top, int right, int bottom);
    void MoveTo(int x, int y);
    // Leaves out the end pixel; (x, y) becomes the current position.
    void LineTo(int x, int y);
    // The part of the inscribed ellipse running counter-clockwise on the screen
    // from the start ray to the end ray; the whole ellipse when the rays coincide.
    void Arc(int left, int top, int right, int bottom, int startX, int startY, int endX, int endY);
    // The same arc, also telling `written` every pixel it wrote.
    using TPixelSink = std::function<void(int x, int y)>;
    void Arc(int left, int top, int right, int bottom, int startX, int startY, int endX, int endY,
             const TPixelSink& written);
    // The pen points of that arc in device pixels, in the order Arc draws them,
    // leaving out those whose square misses the clip; nothing is written, so
    // threads may trace arcs of one layer at once.
    struct TPenPoint {
        std::int64_t X, Y;
    };
    void ArcPenPoints(int left, int top, int right, int bottom, int startX, int startY, int endX,
                      int endY, std::vector<TPenPoint>& points) const;
    // Each device pixel of the pen's square at a pen point, inside the clip:
    // a square Width layer pixels wide, even widths leaning right and down.
    template <class Pixel> void ForEachPenPixel(TPenPoint p, Pixel&& pixel) const {
        const std::int64_t width = std::max(Pen.Width, 1), s = FScale, w = width * s;
        const std::int64_t x0 = p.X - s * ((width - 1) / 2) - (s - 1) / 2;
        const std::int64_t y0 = p.Y - s * ((width - 1) / 2) - (s - 1) / 2;
        const std::int64_t l = std::max<std::int64_t>(x0, FClipLeft),
                           r = std::min<std::int64_t>(x0 + w, FClipRight);
        const std::int64_t t = std::max<std::int64_t>(y0, FClipTop),
                           b = std::min<std::int64_t>(y0 + w, FClipBottom);
        for (std::int64_t y = t; y < b; ++y)
            for (std::int64_t x = l; x < r; ++x)
                pixel(int(x), int(y));
    }
    // 4-connected fill with the brush colour, stopped only by the border colour.
    void FloodFill(int x, int y, TColor border);
    // Top-left of the text cell at (x, y); the cell is filled with the brush
    // unless the brush is clear.
    void TextOut(int x, int y, const QString& text);
    // The rectangle TextOut(x, y, text) can write to with the current font.
    TRect TextRect(int x, int y, const QString& text) const;
    // One pixel, like the pen's one-pixel point; off the clip nothing happens.
    void SetPixel(int x, int y, TColor color);
    // One device pixel, for repairs that replay what a drawing left behind.
    void SetDevicePixel(int x, int y, TColor color);
    // A row of device pixels to write whole, for such repairs over large
    // areas of a layer that has no clip; y lies on the layer.
    QRgb* DeviceRow(int y) { return reinterpret_cast<QRgb*>(FImage.scanLine(y)); }
    // Hands the pixels over and goes on white, so that they can be kept
    // without a copy; PutImage takes such pixels back when they have the
    // layer's device size, and says whether it did.
    QImage TakeImage();
    bool PutImage(const QImage& image);
    // Copy or AND (by CopyMode) of source's rectangle onto ours.
    void CopyRect(const TRect& dest, const TLayer& source, const TRect& sourceRect);
    // rect := a AND b AND c AND d, in one pass; all five layers share one size
    // (otherwise nothing is written and false comes back).
    bool SetToAnd(const TRect& rect, const TLayer& a, const TLayer& b, const TLayer& c,
                  const TLayer& d);

    int PenPosX() const { return FPenX; }
    int PenPosY() const { return FPenY; }

    // 0x00BBGGRR of one pixel: the device pixel where a one-pixel pen point
    // has its top-left corner.
    TColor Pixel(int x, int y) const;
    // Device pixels: Scale() times the layer's width and height.
    const QImage& Image() const { return FImage; }

private:
    void Plot(int x, int y, QRgb rgb);
    // One point of the pen at a device pixel: a square Width layer pixels wide, clipped.
    void PlotPen(std::int64_t x, std::int64_t y, QRgb rgb, const TPixelSink* written = nullptr);
    // Device pixels x0 <= x < x1 of device row y, clipped.
    void FillSpan(int y, std::int64_t x0, std::int64_t x1, QRgb rgb);
    // The clip actually in force: the clip rectangle within the layer.
    void UpdateClip();

    QImage FImage;
    // Kept apart from the image: a layer 0 pixels high still remembers its width.
    int FWidth = 0, FHeight = 0;
    int FScale = 1;
    int FPenX = 0, FPenY = 0;
    bool FHasClip = false;
    TRect FClip; // as set by SetClip, in layer pixels
    // In force, in device pixels: FClip within the layer.
    int FClipLeft = 0, FClipTop = 0, FClipRight = 0, FClipBottom = 0;
};
