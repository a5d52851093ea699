// Pointer readout: a pixel of the chart turned into SWR, angle, R and X.
#include "fpcheck.h"
#include "quantity.h"
#include "smithchart.h"

#include <cmath>

std::array<QString, 4> TSmithChart::ReadoutTexts(const TReading& reading) {
    return {QStringLiteral("ro ") + QString::fromStdString(FormatPattern("#00.00", reading.Theta)),
            QStringLiteral("PSV ") + QString::fromStdString(FormatPattern("#0.000", reading.Swr)),
            QStringLiteral("Rx ") + QString::fromStdString(FormatPattern("#0.000", reading.R)),
            QStringLiteral("Xx ") + QString::fromStdString(FormatPattern("#0.000", reading.X))};
}

bool TSmithChart::ReadPointer(int x, int y, bool draw, TReading& reading) {
    // Only codes 2 and 3 are read below; 1 and 4 are kept so that the four
    // overriding tests, whose order settles the points on the axes, stay whole.
    int code = 1;
    if (x <= FCenterX && y >= FCenterY) code = 1;
    if (x > FCenterX && y >= FCenterY) code = 4;
    if (x <= FCenterX && y < FCenterY) code = 2;
    if (x < FCenterX && y > FCenterY) code = 3;

    const double a = FDiv(double(FCenterX) - x, FRadius);
    const double b = FDiv(double(FCenterY) - y, FRadius);
    const double m = FSqrt(a * a + b * b);
    // Exactly on the unit circle there is no SWR to read.
    if (m == 1.0) return false;
    double swr = FDiv(1.0 + m, 1.0 - m);

    double theta = 0.0;
    if (b > 0 && a != 0) {
        const double t = FArcTanOf(b, std::fabs(a)) / DegreeFactor;
        theta = code == 2 ? 180.0 - t : t;
    } else if (b < 0 && a != 0) {
        double t = FArcTanOf(std::fabs(b), std::fabs(a)) / DegreeFactor;
        if (code == 3) t = 180.0 - t;
        theta = -t;
    } else if (b == 0) {
        theta = a > 0 ? 180.0 : 0.0;
    } else {
        theta = b > 0 ? 90.0 : -90.0;
    }
    // Beyond the ring (m > 1) the quotient goes negative; the flip is kept so
    // that such a point reads the SWR of its mirror inside (|gamma| = 1/m).
    if (swr < 0) swr = -swr;

    ClearCursorLayer();
    const TImpedance z = GammaToImpedance(theta, m);
    reading = {swr, theta, z.R, z.X};

    if (draw) {
        // A captured pointer can report negative positions; draw at the mirror.
        if (y < 0) y = -y;
        if (x < 0) x = -x;
        const TRect r = GetLayerRect();
        TLayer& s = *FCursorLayer;
        s.Font.Size = 9;
        s.Font.Color = clGreen;
        const std::array<QString, 4> texts = ReadoutTexts(reading);
        std::vector<TRect> ink;
        auto text = [&](int tx, int ty, const QString& t) {
            ink.push_back(s.TextRect(tx, ty, t));
            s.TextOut(tx, ty, t);
        };
        text(x + 3, y - 20, texts[2]);
        text(x + 3, y - 40, texts[1]);
        text(x + 3, y - 60, texts[0]);
        s.Font.Color = clPurple;
        text(x + 3, y, texts[3]);
        ink.push_back(DrawTraceReadout(s, x, y));
        s.Pen.Color = clGreen;
        s.Pen.Style = TPenStyle::Dot;
        s.MoveTo(r.Left, y);
        s.LineTo(r.Right, y);
        s.MoveTo(x, r.Bottom - 35);
        s.LineTo(x, r.Top + 15);
        // The lines' places, a pixel wider all round.
        ink.push_back({r.Left - 1, y - 1, r.Right + 1, y + 2});
        ink.push_back({x - 1, std::min(r.Top + 15, r.Bottom - 35) - 1, x + 2,
                       std::max(r.Top + 15, r.Bottom - 35) + 2});
        std::erase_if(ink, [](const TRect& i) { return i.IsEmpty(); });
        FCursorDirty.insert(FCursorDirty.end(), ink.begin(), ink.end());
        FCursorInk = std::move(ink);
        FIndex.CursorMarked(false);
        PresentCursor();
    }
    return true;
}
