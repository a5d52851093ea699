#include "layer.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// 96 dots per inch, so that font point sizes mean what they meant on the old screens.
constexpr int DotsPerMeter96 = 3780;

// Beyond this the ellipse error terms would overflow 64 bits; such boxes are
// hundreds of layer widths across and are not drawn at all.
constexpr std::int64_t MaxEllipseSide = std::int64_t(1) << 19;

// Ray directions are shrunk below this so that their cross products fit 64 bits.
constexpr std::int64_t MaxRayComponent = std::int64_t(1) << 28;

// Integer midpoint ellipse inscribed in x0..x1, y0..y1 (inclusive, x0 <= x1,
// y0 <= y1), after A. Zingl's plotEllipseRect. The four quadrants are traced
// together; `step` counts the tracing steps so that dotted outlines alternate
// along each quadrant.
template <typename Plot>
void TraceEllipse(std::int64_t x0, std::int64_t y0, std::int64_t x1, std::int64_t y1, Plot&& plot) {
    std::int64_t a = x1 - x0, b = y1 - y0, b1 = b & 1;
    std::int64_t dx = 4 * (1 - a) * b * b, dy = 4 * (b1 + 1) * a * a;
    std::int64_t err = dx + dy + b1 * a * a;
    std::int64_t left = x0, right = x1;
    std::int64_t lower = y0 + (b + 1) / 2, upper = lower - b1;
    a *= 8 * a;
    b1 = 8 * b * b;
    int step = 0;
    do {
        plot(right, lower, step, 3);
        plot(left, lower, step, 2);
        plot(left, upper, step, 1);
        plot(right, upper, step, 0);
        ++step;
        const std::int64_t e2 = 2 * err;
        if (e2 <= dy) {
            ++lower;
            --upper;
            err += dy += a;
        }
        if (e2 >= dx || 2 * err > dy) {
            ++left;
            --right;
            err += dx += b1;
        }
    } while (left <= right);
    // Very flat ellipses stop the loop before the tips are reached.
    while (lower - upper <= b) {
        plot(left - 1, lower, step, -1);
        plot(right + 1, lower, step, -1);
        plot(left - 1, upper, step, -1);
        plot(right + 1, upper, step, -1);
        ++step;
        ++lower;
        --upper;
    }
}

// Box normalised to l <= r, t <= b; false when it is empty or too large.
bool NormaliseBox(int& left, int& top, int& right, int& bottom, int scale) {
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    if (left == right || top == bottom) return false;
    return (std::int64_t(right) - left) * scale <= MaxEllipseSide &&
           (std::int64_t(bottom) - top) * scale <= MaxEllipseSide;
}

// A box of layer pixels in device pixels, inclusive: the path a pen point
// follows so that its square stays inside the box's device pixels.
struct TDeviceBox {
    std::int64_t X0, Y0, X1, Y1;
};
TDeviceBox DeviceBox(int left, int top, int right, int bottom, int scale) {
    const std::int64_t s = scale, c = (scale - 1) / 2;
    return {s * left + c, s * top + c, s * (std::int64_t(right) - 1) + c,
            s * (std::int64_t(bottom) - 1) + c};
}

int Saturated(std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

// Division rounding down (FloorDiv) and up (CeilDiv), also for negative values.
int FloorDiv(int v, int d) {
    return v >= 0 ? v / d : -((-std::int64_t(v) + d - 1) / d);
}
int CeilDiv(int v, int d) {
    return v >= 0 ? int((std::int64_t(v) + d - 1) / d) : -(-v / d);
}

struct TVec {
    std::int64_t X, Y;
};

std::int64_t Cross(TVec a, TVec b) {
    return a.X * b.Y - a.Y * b.X;
}
std::int64_t Dot(TVec a, TVec b) {
    return a.X * b.X + a.Y * b.Y;
}

// Angles measured counter-clockwise from one ray, compared exactly in integers.
class TAngleOrder {
public:
    explicit TAngleOrder(TVec origin) : FOrigin(origin) {}
    // True when b lies no further round than a; zero vectors lie on every ray.
    bool NotAfter(TVec b, TVec a) const {
        if (b.X == 0 && b.Y == 0) return true;
        const int ha = Half(a), hb = Half(b);
        if (hb != ha) return hb < ha;
        return Cross(b, a) >= 0;
    }

private:
    // 0 for angles in [0, pi), 1 for [pi, 2 pi).
    int Half(TVec v) const {
        const std::int64_t c = Cross(FOrigin, v);
        return (c > 0 || (c == 0 && Dot(FOrigin, v) > 0)) ? 0 : 1;
    }
    TVec FOrigin;
};

TVec ShrinkRay(TVec v) {
    while (v.X > MaxRayComponent || v.X < -MaxRayComponent || v.Y > MaxRayComponent ||
           v.Y < -MaxRayComponent) {
        v.X /= 2;
        v.Y /= 2;
    }
    return v;
}

// floor((2 i n + d) / (2 d)) and its remainder: the minor coordinate of step i
// of a line with minor extent n over major extent d. The product can need more
// than 64 bits when a line starts far outside the layer.
void MinorAt(std::int64_t i, std::int64_t n, std::int64_t d, std::int64_t& q, std::int64_t& r) {
#ifdef __SIZEOF_INT128__
    const __int128 t = static_cast<__int128>(2 * i) * n + d;
    q = static_cast<std::int64_t>(t / (2 * d));
    r = static_cast<std::int64_t>(t % (2 * d));
#else
    const long double t = static_cast<long double>(2 * i) * n + d;
    q = static_cast<std::int64_t>(t / (2 * d));
    r = static_cast<std::int64_t>(t - static_cast<long double>(q) * (2 * d));
    if (r < 0) r = 0;
    if (r >= 2 * d) r = 2 * d - 1;
#endif
}

} // namespace

QRgb ColorToRgb(TColor color) {
    const auto value = static_cast<std::uint32_t>(color);
    if ((value >> 24) == 0xFF) {
        const QPalette palette = QGuiApplication::palette();
        QPalette::ColorRole role = QPalette::Window;
        switch (value & 0xFF) {
        case 15:
            role = QPalette::Button;
            break;
        case 5:
            role = QPalette::Base;
            break;
        case 8:
            role = QPalette::Text;
            break;
        default:
            break; // the menu (4) and everything else use the window colour
        }
        return palette.color(role).rgb();
    }
    return qRgb(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

TColor RgbToColor(QRgb rgb) {
    return static_cast<TColor>(qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16));
}

TRect Intersect(const TRect& a, const TRect& b) {
    return {std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
}

TRect Unite(const TRect& a, const TRect& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
            std::max(a.Bottom, b.Bottom)};
}

TRect ScaleRect(const TRect& rect, int scale) {
    const std::int64_t s = scale;
    return {Saturated(s * rect.Left), Saturated(s * rect.Top), Saturated(s * rect.Right),
            Saturated(s * rect.Bottom)};
}

void TLayer::SetClip(const TRect& rect) {
    FHasClip = true;
    FClip = rect;
    UpdateClip();
}

void TLayer::ClearClip() {
    FHasClip = false;
    UpdateClip();
}

void TLayer::UpdateClip() {
    TRect r{0, 0, FImage.width(), FImage.height()};
    if (FHasClip) r = Intersect(r, ScaleRect(FClip, FScale));
    if (r.IsEmpty()) r = {0, 0, 0, 0};
    FClipLeft = r.Left;
    FClipTop = r.Top;
    FClipRight = r.Right;
    FClipBottom = r.Bottom;
}

void TLayer::SetWidth(int width) {
    SetSize(width, Height());
}

void TLayer::SetHeight(int height) {
    SetSize(Width(), height);
}

void TLayer::SetSize(int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    if (width == 0 || height == 0) {
        FImage = QImage();
        UpdateClip();
        return;
    }
    QImage image(width * FScale, height * FScale, QImage::Format_RGB32);
    image.setDotsPerMeterX(DotsPerMeter96);
    image.setDotsPerMeterY(DotsPerMeter96);
    image.fill(qRgb(255, 255, 255));
    const int keepW = std::min(image.width(), FImage.width());
    const int keepH = std::min(image.height(), FImage.height());
    for (int y = 0; y < keepH; ++y)
        std::memcpy(image.scanLine(y), FImage.constScanLine(y), size_t(keepW) * sizeof(QRgb));
    FImage = image;
    UpdateClip();
}

QImage TLayer::TakeImage() {
    QImage taken = FImage;
    if (!FImage.isNull()) {
        // Made as SetSize makes it: the resolution tells the text its size.
        FImage = QImage(FImage.size(), QImage::Format_RGB32);
        FImage.setDotsPerMeterX(DotsPerMeter96);
        FImage.setDotsPerMeterY(DotsPerMeter96);
        FImage.fill(qRgb(255, 255, 255));
    }
    return taken;
}

bool TLayer::PutImage(const QImage& image) {
    if (image.size() != FImage.size() || image.format() != FImage.format()) return false;
    FImage = image;
    return true;
}

void TLayer::SetScale(int scale) {
    scale = std::max(scale, 1);
    if (scale == FScale) return;
    FScale = scale;
    const int width = FWidth, height = FHeight;
    FWidth = FHeight = 0;
    FImage = QImage();
    SetSize(width, height);
}

TColor TLayer::Pixel(int x, int y) const {
    // Like GDI's CLR_INVALID for points off the surface.
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || FImage.isNull()) return -1;
    return RgbToColor(reinterpret_cast<const QRgb*>(FImage.constScanLine(y * FScale))[x * FScale]);
}

void TLayer::Plot(int x, int y, QRgb rgb) {
    if (x < FClipLeft || y < FClipTop || x >= FClipRight || y >= FClipBottom) return;
    reinterpret_cast<QRgb*>(FImage.scanLine(y))[x] = rgb;
}

void TLayer::PlotPen(std::int64_t x, std::int64_t y, QRgb rgb, const TPixelSink* written) {
    if (Pen.Width <= 1 && FScale == 1) {
        if (x < FClipLeft || y < FClipTop || x >= FClipRight || y >= FClipBottom) return;
        reinterpret_cast<QRgb*>(FImage.scanLine(int(y)))[x] = rgb;
        if (written) (*written)(int(x), int(y));
        return;
    }
    uchar* const bits = FImage.bits();
    const qsizetype stride = FImage.bytesPerLine();
    ForEachPenPixel({x, y}, [&](int px, int py) {
        reinterpret_cast<QRgb*>(bits + py * stride)[px] = rgb;
        if (written) (*written)(px, py);
    });
}

void TLayer::FillSpan(int y, std::int64_t x0, std::int64_t x1, QRgb rgb) {
    if (y < FClipTop || y >= FClipBottom) return;
    x0 = std::max<std::int64_t>(x0, FClipLeft);
    x1 = std::min<std::int64_t>(x1, FClipRight);
    if (x0 >= x1) return;
    QRgb* row = reinterpret_cast<QRgb*>(FImage.scanLine(y));
    std::fill(row + x0, row + x1, rgb);
}

void TLayer::FillRect(const TRect& rect) {
    const QRgb rgb = ColorToRgb(Brush.Color);
    const TRect r = ScaleRect(rect, FScale);
    const int top = std::max(r.Top, FClipTop), bottom = std::min(r.Bottom, FClipBottom);
    for (int y = top; y < bottom; ++y)
        FillSpan(y, r.Left, r.Right, rgb);
}

void TLayer::Ellipse(int left, int top, int right, int bottom) {
    if (FImage.isNull() || !NormaliseBox(left, top, right, bottom, FScale)) return;
    const TDeviceBox box = DeviceBox(left, top, right, bottom, FScale);
    // Only the rows that can be written need their extent: the box's rows in the clip.
    const int y0 = int(std::max<std::int64_t>(box.Y0, FClipTop));
    const int y1 = int(std::min<std::int64_t>(box.Y1 + 1, FClipBottom));
    if (Brush.Style == TBrushStyle::Solid && y0 < y1) {
        // Fill each row strictly between its outermost outline pixels.
        const size_t rows = size_t(y1 - y0);
        // Reused from call to call: small markers are drawn by the thousand.
        thread_local std::vector<std::int64_t> minX, maxX;
        minX.assign(rows, LLONG_MAX);
        maxX.assign(rows, LLONG_MIN);
        TraceEllipse(box.X0, box.Y0, box.X1, box.Y1, [&](std::int64_t x, std::int64_t y, int, int) {
            if (y < y0 || y >= y1) return;
            const size_t i = size_t(y - y0);
            minX[i] = std::min(minX[i], x);
            maxX[i] = std::max(maxX[i], x);
        });
        const QRgb fill = ColorToRgb(Brush.Color);
        for (size_t i = 0; i < rows; ++i)
            if (minX[i] <= maxX[i]) FillSpan(y0 + int(i), minX[i] + 1, maxX[i], fill);
    }
    const QRgb pen = ColorToRgb(Pen.Color);
    const int period = Pen.Style == TPenStyle::Dot ? 2 * FScale : 1;
    TraceEllipse(box.X0, box.Y0, box.X1, box.Y1,
                 [&](std::int64_t x, std::int64_t y, int step, int) {
                     if (step % period == 0) PlotPen(x, y, pen);
                 });
}

void TLayer::MoveTo(int x, int y) {
    FPenX = x;
    FPenY = y;
}

void TLayer::LineTo(int x, int y) {
    // In device pixels, between the pen points of the two ends.
    const std::int64_t s = FScale, c = (FScale - 1) / 2;
    const std::int64_t x0 = s * FPenX + c, y0 = s * FPenY + c, x1 = s * x + c, y1 = s * y + c;
    FPenX = x;
    FPenY = y;
    if (FImage.isNull()) return;
    const std::int64_t adx = std::abs(x1 - x0), ady = std::abs(y1 - y0);
    const std::int64_t sx = x1 >= x0 ? 1 : -1, sy = y1 >= y0 ? 1 : -1;
    const bool xMajor = adx >= ady;
    const std::int64_t steps = xMajor ? adx : ady;
    if (steps == 0) return;
    const std::int64_t minor = xMajor ? ady : adx;
    const std::int64_t major0 = xMajor ? x0 : y0, minor0 = xMajor ? y0 : x0;
    const std::int64_t sMajor = xMajor ? sx : sy, sMinor = xMajor ? sy : sx;

    // Only the steps whose major coordinate can touch the layer are walked.
    const std::int64_t margin = std::max(Pen.Width, 1) * s;
    const std::int64_t lo = -margin, hi = (xMajor ? FImage.width() : FImage.height()) + margin;
    std::int64_t first = sMajor > 0 ? lo - major0 : major0 - hi;
    std::int64_t last = sMajor > 0 ? hi - major0 : major0 - lo;
    first = std::max<std::int64_t>(first, 0);
    // The end pixel is left out: the last pen point ends where it begins.
    last = std::min(last, steps - s);
    if (first > last) return;

    const QRgb pen = ColorToRgb(Pen.Color);
    const std::int64_t period = Pen.Style == TPenStyle::Dot ? 2 * s : 1;
    std::int64_t q = 0, r = 0;
    MinorAt(first, minor, steps, q, r);
    for (std::int64_t i = first; i <= last; ++i) {
        if (i % period == 0) {
            const std::int64_t mj = major0 + sMajor * i, mn = minor0 + sMinor * q;
            if (xMajor)
                PlotPen(mj, mn, pen);
            else
                PlotPen(mn, mj, pen);
        }
        r += 2 * minor;
        if (r >= 2 * steps) {
            r -= 2 * steps;
            ++q;
        }
    }
}

void TLayer::Arc(int left, int top, int right, int bottom, int startX, int startY, int endX,
                 int endY) {
    Arc(left, top, right, bottom, startX, startY, endX, endY, TPixelSink());
}

void TLayer::Arc(int left, int top, int right, int bottom, int startX, int startY, int endX,
                 int endY, const TPixelSink& written) {
    thread_local std::vector<TPenPoint> points;
    points.clear();
    ArcPenPoints(left, top, right, bottom, startX, startY, endX, endY, points);
    const QRgb pen = ColorToRgb(Pen.Color);
    for (const TPenPoint& p : points)
        PlotPen(p.X, p.Y, pen, written ? &written : nullptr);
}

void TLayer::ArcPenPoints(int left, int top, int right, int bottom, int startX, int startY,
                          int endX, int endY, std::vector<TPenPoint>& points) const {
    if (FImage.isNull() || !NormaliseBox(left, top, right, bottom, FScale)) return;
    const TDeviceBox box = DeviceBox(left, top, right, bottom, FScale);
    // Doubled device coordinates keep a half-pixel centre exact; y is flipped so
    // that counter-clockwise on the screen is the positive mathematical sense.
    const std::int64_t s = FScale, c = (FScale - 1) / 2;
    const std::int64_t cx2 = box.X0 + box.X1, cy2 = box.Y0 + box.Y1;
    const TVec start = ShrinkRay({2 * (s * startX + c) - cx2, cy2 - 2 * (s * startY + c)});
    const TVec end = ShrinkRay({2 * (s * endX + c) - cx2, cy2 - 2 * (s * endY + c)});
    const bool startZero = start.X == 0 && start.Y == 0, endZero = end.X == 0 && end.Y == 0;
    // A ray without direction is taken as coinciding with the other one.
    const bool whole = startZero || endZero || (Cross(start, end) == 0 && Dot(start, end) > 0);
    const TAngleOrder order(start);
    // Each quadrant of the loop (0 upper right, on counter-clockwise; -1 the
    // tips of flat ones) wholly on the arc, wholly off it, or to be judged point
    // by point. Off it, only a point at the very centre lies on every ray.
    enum TReach : std::uint8_t { Judge, On, Off };
    TReach reach[4] = {Judge, Judge, Judge, Judge};
    const TVec axes[5] = {{1, 0}, {0, 1}, {-1, 0}, {0, -1}, {1, 0}};
    for (int q = 0; q < 4; ++q) {
        if (whole) {
            reach[q] = On;
        } else if (order.NotAfter(axes[q], axes[q + 1])) { // the start ray is not inside
            if (order.NotAfter(axes[q + 1], end))
                reach[q] = On;
            else if (!order.NotAfter(axes[q], end))
                reach[q] = Off;
        }
    }

    // The square's reach from its pen point, to leave out points it cannot touch.
    const std::int64_t width = std::max(Pen.Width, 1), w = width * s;
    const std::int64_t before = s * ((width - 1) / 2) + (s - 1) / 2, after = w - before;
    if (box.X1 + after <= FClipLeft || box.X0 - before >= FClipRight ||
        box.Y1 + after <= FClipTop || box.Y0 - before >= FClipBottom)
        return;
    const int period = Pen.Style == TPenStyle::Dot ? 2 * FScale : 1;
    TraceEllipse(box.X0, box.Y0, box.X1, box.Y1,
                 [&](std::int64_t x, std::int64_t y, int step, int quadrant) {
                     if (step % period != 0) return;
                     const TReach r = quadrant < 0 ? Judge : reach[quadrant];
                     if (r == Off && (2 * x != cx2 || 2 * y != cy2)) return;
                     if (x + after <= FClipLeft || x - before >= FClipRight ||
                         y + after <= FClipTop || y - before >= FClipBottom)
                         return;
                     if (r == Judge && !order.NotAfter({2 * x - cx2, cy2 - 2 * y}, end)) return;
                     points.push_back({x, y});
                 });
}

void TLayer::FloodFill(int x, int y, TColor border) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight || FImage.isNull()) return;
    const int w = FImage.width(), h = FImage.height();
    // From the device pixel where a pen point at (x, y) begins.
    x *= FScale;
    y *= FScale;
    const QRgb stop = ColorToRgb(border) & 0xFFFFFF;
    const QRgb fill = ColorToRgb(Brush.Color);
    // Visited pixels are never looked at again, so a fill colour equal to the
    // old colour (or to the border) cannot loop or stop the fill early.
    std::vector<unsigned char> visited(size_t(w) * size_t(h), 0);
    auto open = [&](int px, int py) {
        return !visited[size_t(py) * size_t(w) + size_t(px)] &&
               (reinterpret_cast<const QRgb*>(FImage.constScanLine(py))[px] & 0xFFFFFF) != stop;
    };
    if (!open(x, y)) return;

    struct TSeed {
        int X, Y;
    };
    std::vector<TSeed> stack{{x, y}};
    while (!stack.empty()) {
        const TSeed seed = stack.back();
        stack.pop_back();
        if (!open(seed.X, seed.Y)) continue;
        int l = seed.X, r = seed.X;
        while (l > 0 && open(l - 1, seed.Y))
            --l;
        while (r + 1 < w && open(r + 1, seed.Y))
            ++r;
        std::fill(visited.begin() + std::ptrdiff_t(size_t(seed.Y) * size_t(w) + size_t(l)),
                  visited.begin() + std::ptrdiff_t(size_t(seed.Y) * size_t(w) + size_t(r) + 1), 1);
        FillSpan(seed.Y, l, r + 1, fill);
        // One seed for every open run in the rows above and below the span.
        for (int ny : {seed.Y - 1, seed.Y + 1}) {
            if (ny < 0 || ny >= h) continue;
            bool inRun = false;
            for (int px = l; px <= r; ++px) {
                const bool o = open(px, ny);
                if (o && !inRun) stack.push_back({px, ny});
                inRun = o;
            }
        }
    }
}

namespace {
QFont LayerFont(int pointSize, int scale) {
    QFont font(QGuiApplication::font().family());
    // Points at 96 dpi, rounded to whole layer pixels as GDI does.
    font.setPixelSize(std::max(1, (pointSize * 96 + 36) / 72) * scale);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}
} // namespace

TRect TLayer::TextRect(int x, int y, const QString& text) const {
    const QFont font = LayerFont(Font.Size, FScale);
    const QFontMetrics metrics(font, &FImage);
    // The cell, and the glyphs' own box, which can lean out of it; one device
    // pixel more all round for rounding inside the painter.
    const QRect cell(Saturated(std::int64_t(x) * FScale), Saturated(std::int64_t(y) * FScale),
                     metrics.horizontalAdvance(text), metrics.height());
    const QRect ink = metrics.boundingRect(text).translated(cell.x(), cell.y() + metrics.ascent());
    const QRect all = (cell | ink).adjusted(-1, -1, 1, 1);
    return {FloorDiv(all.left(), FScale), FloorDiv(all.top(), FScale),
            CeilDiv(all.right() + 1, FScale), CeilDiv(all.bottom() + 1, FScale)};
}

void TLayer::SetPixel(int x, int y, TColor color) {
    const QRgb rgb = ColorToRgb(color);
    for (int dy = 0; dy < FScale; ++dy)
        for (int dx = 0; dx < FScale; ++dx)
            Plot(Saturated(std::int64_t(x) * FScale + dx), Saturated(std::int64_t(y) * FScale + dy),
                 rgb);
}

void TLayer::SetDevicePixel(int x, int y, TColor color) {
    Plot(x, y, ColorToRgb(color));
}

void TLayer::TextOut(int x, int y, const QString& text) {
    if (FImage.isNull()) return;
    const QFont font = LayerFont(Font.Size, FScale);
    const QFontMetrics metrics(font, &FImage);
    x = Saturated(std::int64_t(x) * FScale);
    y = Saturated(std::int64_t(y) * FScale);
    if (FClipLeft >= FClipRight || FClipTop >= FClipBottom) return;
    QPainter painter(&FImage);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    if (FHasClip)
        painter.setClipRect(
            QRect(FClipLeft, FClipTop, FClipRight - FClipLeft, FClipBottom - FClipTop));
    if (Brush.Style == TBrushStyle::Solid)
        painter.fillRect(QRect(x, y, metrics.horizontalAdvance(text), metrics.height()),
                         QColor(ColorToRgb(Brush.Color)));
    painter.setFont(font);
    painter.setPen(QColor(ColorToRgb(Font.Color)));
    painter.drawText(x, y + metrics.ascent(), text);
}

void TLayer::CopyRect(const TRect& destRect, const TLayer& source, const TRect& sourceLayerRect) {
    const TRect dest = ScaleRect(destRect, FScale);
    const TRect sourceRect = ScaleRect(sourceLayerRect, source.FScale);
    // A shallow copy: when source is this layer, writing below detaches our image
    // and the reads still see the old pixels.
    const QImage src = source.FImage;
    const std::int64_t w = std::min(dest.Width(), sourceRect.Width());
    const std::int64_t h = std::min(dest.Height(), sourceRect.Height());
    // Offsets inside the rectangles that are on both images.
    std::int64_t ox0 =
        std::max<std::int64_t>({0, -std::int64_t(dest.Left), -std::int64_t(sourceRect.Left)});
    std::int64_t oy0 =
        std::max<std::int64_t>({0, -std::int64_t(dest.Top), -std::int64_t(sourceRect.Top)});
    std::int64_t ox1 = std::min<std::int64_t>(
        {w, std::int64_t(FImage.width()) - dest.Left, std::int64_t(src.width()) - sourceRect.Left});
    std::int64_t oy1 = std::min<std::int64_t>(
        {h, std::int64_t(FImage.height()) - dest.Top, std::int64_t(src.height()) - sourceRect.Top});
    // The clip trims the destination further.
    ox0 = std::max<std::int64_t>(ox0, std::int64_t(FClipLeft) - dest.Left);
    oy0 = std::max<std::int64_t>(oy0, std::int64_t(FClipTop) - dest.Top);
    ox1 = std::min<std::int64_t>(ox1, std::int64_t(FClipRight) - dest.Left);
    oy1 = std::min<std::int64_t>(oy1, std::int64_t(FClipBottom) - dest.Top);
    if (ox0 >= ox1 || oy0 >= oy1) return;
    const size_t count = size_t(ox1 - ox0);
    for (std::int64_t oy = oy0; oy < oy1; ++oy) {
        const QRgb* from =
            reinterpret_cast<const QRgb*>(src.constScanLine(int(sourceRect.Top + oy))) +
            (sourceRect.Left + ox0);
        QRgb* to = reinterpret_cast<QRgb*>(FImage.scanLine(int(dest.Top + oy))) + (dest.Left + ox0);
        if (CopyMode == TCopyMode::Copy) {
            std::memcpy(to, from, count * sizeof(QRgb));
        } else {
            // Alpha is 0xFF on both sides, so ANDing whole words keeps it.
            for (size_t i = 0; i < count; ++i)
                to[i] &= from[i];
        }
    }
}

bool TLayer::SetToAnd(const TRect& rect, const TLayer& a, const TLayer& b, const TLayer& c,
                      const TLayer& d) {
    for (const TLayer* l : {&a, &b, &c, &d})
        if (l->FImage.size() != FImage.size()) return false;
    const TRect r =
        Intersect(ScaleRect(rect, FScale), {FClipLeft, FClipTop, FClipRight, FClipBottom});
    if (r.IsEmpty()) return true;
    // Alpha is 0xFF everywhere, so ANDing whole words keeps it.
    const qsizetype stride = FImage.bytesPerLine();
    uchar* out = FImage.bits();
    const uchar* pa = a.FImage.constBits();
    const uchar* pb = b.FImage.constBits();
    const uchar* pc = c.FImage.constBits();
    const uchar* pd = d.FImage.constBits();
    const size_t count = size_t(r.Width());
    for (int y = r.Top; y < r.Bottom; ++y) {
        const qsizetype offset = y * stride + qsizetype(r.Left) * qsizetype(sizeof(QRgb));
        QRgb* __restrict to = reinterpret_cast<QRgb*>(out + offset);
        const QRgb* __restrict ra = reinterpret_cast<const QRgb*>(pa + offset);
        const QRgb* __restrict rb = reinterpret_cast<const QRgb*>(pb + offset);
        const QRgb* __restrict rc = reinterpret_cast<const QRgb*>(pc + offset);
        const QRgb* __restrict rd = reinterpret_cast<const QRgb*>(pd + offset);
        for (size_t i = 0; i < count; ++i)
            to[i] = ra[i] & rb[i] & rc[i] & rd[i];
    }
    return true;
}
