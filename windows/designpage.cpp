#include "designpage.h"

#include "numtext.h"
#include "partspane.h"
#include "quantity.h"
#include "schematic.h"
#include "swrplot.h"

#include <QBuffer>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <cmath>
#include <stdexcept>

TDesignPage MakeDesignPage(const TLoad& load, double fMHz, const TDesignOptions& options,
                           const TWindingOptions& winding, int index, TLoadModel model, double span,
                           const TTouchstone* trace, const TFeed* feed,
                           const std::optional<TLoad>& antenna) {
    const std::vector<TNetworkReport> reports = DesignNetworks(load, fMHz, options);
    if (reports.empty()) throw std::runtime_error("Tuto zátěž nelze přizpůsobit, návrh nevznikne.");
    TDesignPage page;
    page.Load = load;
    page.FrequencyMHz = fMHz;
    page.Options = options;
    page.Winding = winding;
    page.Number = std::clamp(index, 0, int(reports.size()) - 1) + 1;
    page.Report = reports[size_t(page.Number - 1)];
    page.Parts = BuildParts(page.Report, load, fMHz, options, winding);
    page.Model = model == TLoadModel::Measured && !trace ? TLoadModel::Constant : model;
    page.Span = span;
    // A load moved to the tuner's end is modelled at the antenna and moved
    // through the line at every frequency, as the SWR plot does.
    std::optional<TFeed> throughLine;
    if (feed && antenna && feed->Tuner == TTunerAt::Shack) {
        throughLine = *feed;
        throughLine->Point = TPointAt::Antenna;
    }
    TBandResponse response(throughLine ? *antenna : load, fMHz, page.Model, trace, options.Z0,
                           throughLine ? &*throughLine : nullptr);
    response.UseNetwork(page.Report.Network);
    const double fLow = fMHz * (1.0 - span), fHigh = fMHz * (1.0 + span);
    // Finer than a printed line is wide, fewer than the window's.
    page.Curve = response.Sweep(fLow, fHigh, 401);
    page.Tight = response.Edges(SwrLimitTight, fLow, fHigh);
    page.Loose = response.Edges(SwrLimitLoose, fLow, fHigh);
    page.CentreSwr = response.SwrAt(fMHz);
    if (feed) {
        page.Feed = *feed;
        // The chain from the antenna: the line is never applied twice.
        TStationSetup setup;
        setup.PowerW = options.PowerW;
        setup.Z0 = options.Z0;
        setup.Q = options.Q;
        setup.Feed = *feed;
        const TLoad given = antenna ? *antenna : load;
        if (antenna) setup.Feed->Point = TPointAt::Antenna;
        try {
            if (const std::optional<TStationResult> r =
                    DesignStation(setup, given, fMHz, &page.Report.Network))
                page.Station = *r;
        } catch (const std::exception&) {
            // A chain the arithmetic fails on leaves the page without it.
        }
    }
    return page;
}

namespace {

constexpr double PageWidthMm = 210.0, MarginMm = 15.0;
constexpr double ContentMm = PageWidthMm - 2 * MarginMm;

// Lays the page out in millimetres on a device of any resolution; fonts
// are given in points, so that they keep their printed size.
class TPageLayout {
public:
    TPageLayout(QPainter& p, double dotsPerMm) : P(p), Mm(dotsPerMm) {}

    QRectF Rect(double x, double y, double w, double h) const {
        return QRectF(x * Mm, y * Mm, w * Mm, h * Mm);
    }
    QPointF Point(double x, double y) const { return QPointF(x * Mm, y * Mm); }
    void Font(double points, bool bold = false) {
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPointSizeF(points);
        f.setBold(bold);
        P.setFont(f);
    }
    void Pen(const QColor& colour, double widthMm, Qt::PenStyle style = Qt::SolidLine) {
        P.setPen(QPen(colour, widthMm * Mm, style, Qt::FlatCap));
    }
    // Text wrapped into the width; returns the height it took, in mm.
    double Text(double x, double y, double w, const QString& text, int flags = Qt::AlignLeft) {
        const QRectF box = Rect(x, y, w, 200);
        const QRectF used = P.boundingRect(box, flags | Qt::TextWordWrap, text);
        P.drawText(box, flags | Qt::TextWordWrap, text);
        return used.height() / Mm;
    }
    void Line(double x1, double y1, double x2, double y2) {
        P.drawLine(Point(x1, y1), Point(x2, y2));
    }

    QPainter& P;
    const double Mm;
};

QString Fixed(double value, int decimals) {
    return QString::fromStdString(FormatFixed(value, decimals));
}

QString LoadLineCs(const TDesignPage& page) {
    const double swr = Swr({page.Load.R, page.Load.X}, page.Options.Z0);
    return QStringLiteral(
               "Kmitočet %1 MHz · zátěž R = %2 ohm, X = %3 ohm, PSV %4 vůči %5 ohm · výkon %6 W")
        .arg(Fmt("#0.000", page.FrequencyMHz), Fmt("#0.000", page.Load.R),
             Fmt("#0.000", page.Load.X), ShownSwrText(swr), Fmt("#0", page.Options.Z0),
             Fmt("#0", page.Options.PowerW));
}

struct TValueRow {
    QString Caption;
    TElement Series, Shunt;
    QString Swr;
};

std::vector<TValueRow> ValueRows(const TDesignPage& page) {
    const TNetworkReport& r = page.Report;
    const TPartsReport& parts = page.Parts;
    std::vector<TValueRow> rows;
    rows.push_back({QStringLiteral("navržené (ideální)"), r.Network.Series, r.Network.Shunt,
                    ShownSwrText(r.Stress.SwrWithLosses)});
    if (parts.HasLossyExact)
        rows.push_back({QStringLiteral("pro součástky se ztrátami"), parts.LossyExact.Series,
                        parts.LossyExact.Shunt, ShownSwrText(1.0)});
    if (parts.HasAsBuilt) {
        const QString series = QString::fromLatin1(SeriesName(page.Options.Series));
        rows.push_back({QStringLiteral("z řady ") + series, r.Standard.Series, r.Standard.Shunt,
                        ShownSwrText(parts.AsBuilt.SwrWithLosses)});
        auto pairValue = [](const TElement& designed, const TPartPair& pair) {
            return designed.Present() && !pair.Parts.empty() ? TElement{pair.Kind, pair.Value}
                                                             : TElement{};
        };
        rows.push_back({QStringLiteral("dvojice z řady ") + series,
                        pairValue(r.Network.Series, parts.Series.Pair),
                        pairValue(r.Network.Shunt, parts.Shunt.Pair), ShownSwrText(parts.PairSwr)});
    }
    return rows;
}

// Returns the bottom of the table, in mm.
double PaintValues(TPageLayout& L, const TDesignPage& page, double x, double y) {
    const double widths[] = {44, 26, 28, 30};
    const QString heads[] = {QString(), QStringLiteral("sériový prvek"),
                             QStringLiteral("paralelní prvek"), QStringLiteral("PSV se ztrátami")};
    const double rowMm = 5.2;
    auto cells = [&](double top, const QString(&texts)[4], bool bold) {
        L.Font(8.5, bold);
        double left = x;
        for (int c = 0; c < 4; ++c) {
            // Numbers to the right, so that their digits line up down a column.
            const int align = c == 0 ? Qt::AlignLeft : Qt::AlignRight;
            L.P.drawText(L.Rect(left, top, widths[c] - 1.5, rowMm), align | Qt::AlignVCenter,
                         texts[c]);
            left += widths[c];
        }
    };
    L.Pen(Qt::black, 0.2);
    cells(y, heads, true);
    double top = y + rowMm;
    L.Pen(QColor(0x80, 0x80, 0x80), 0.15);
    L.Line(x, top, x + widths[0] + widths[1] + widths[2] + widths[3], top);
    L.Pen(Qt::black, 0.2);
    for (const TValueRow& row : ValueRows(page)) {
        const QString texts[] = {row.Caption, ElementValueCs(row.Series), ElementValueCs(row.Shunt),
                                 row.Swr};
        cells(top, texts, false);
        top += rowMm;
    }
    return top;
}

QStringList DetailLinesCs(const TDesignPage& page) {
    const TNetworkReport& r = page.Report;
    const TPartsReport& parts = page.Parts;
    const TLNetwork& n = r.Network;
    QStringList lines;
    QString efficiency =
        QStringLiteral("Jakost cívky Q %1, kondenzátoru Q %2: účinnost %3 %, ztráta %4 dB")
            .arg(Fmt("#0", page.Options.Q.Coil), Fmt("#0", page.Options.Q.Capacitor),
                 Fmt("#0.00", 100.0 * r.Stress.Efficiency), Fmt("#0.000", r.Stress.LossDb));
    if (parts.HasAsBuilt)
        efficiency += QStringLiteral("; se součástkami z řady %1 %2 %, %3 dB")
                          .arg(QString::fromLatin1(SeriesName(page.Options.Series)),
                               Fmt("#0.00", 100.0 * parts.AsBuilt.Efficiency),
                               Fmt("#0.000", parts.AsBuilt.LossDb));
    lines << efficiency;
    if (!parts.HasLossyExact)
        lines << QStringLiteral("Hodnoty pro součástky se ztrátami: nejsou (ztráty nedovolí přesné "
                                "přizpůsobení)");
    if (parts.HasAsBuilt) {
        if (n.Series.Present() && !parts.Series.Pair.Parts.empty())
            lines << QStringLiteral("Dvojice, sériový prvek: ") + PairTextCs(parts.Series.Pair);
        if (n.Shunt.Present() && !parts.Shunt.Pair.Parts.empty())
            lines << QStringLiteral("Dvojice, paralelní prvek: ") + PairTextCs(parts.Shunt.Pair);
    }
    if (const std::optional<TAirCoilForm>& form = page.Winding.Form)
        lines << QStringLiteral("Vzduchová cívka: kostra %1 mm, drát %2 mm, stoupání %3 mm")
                     .arg(Fixed(form->FormMm, 2), Fixed(form->WireMm, 2), Fixed(form->PitchMm, 2));
    if (n.Series.Present()) lines << PartLineCs(true, n.Series, parts.Series, page.Winding);
    if (n.Shunt.Present()) lines << PartLineCs(false, n.Shunt, parts.Shunt, page.Winding);
    return lines;
}

void PaintCurve(TPageLayout& L, const TDesignPage& page, const QRectF& boxMm) {
    const double f0 = page.FrequencyMHz;
    const double fLow = f0 * (1.0 - page.Span), fHigh = f0 * (1.0 + page.Span);
    const double axisTop = std::log10(SwrTop);
    const QRectF plot(boxMm.left() + 11, boxMm.top(), boxMm.width() - 13, boxMm.height() - 10);
    auto at = [&](double f, double axis) {
        return L.Point(plot.left() + (f - fLow) / (fHigh - fLow) * plot.width(),
                       plot.bottom() - axis / axisTop * plot.height());
    };
    L.P.save();
    L.P.setRenderHint(QPainter::Antialiasing);
    L.Font(7.5);
    const QColor grid(0xd8, 0xd8, 0xd8);
    for (const TSwrTick& t : SwrTicks()) {
        const QPointF a = at(fLow, SwrToAxis(t.Swr)), b = at(fHigh, SwrToAxis(t.Swr));
        L.Pen(grid, 0.15);
        L.P.drawLine(a, b);
        L.Pen(Qt::black, 0.2);
        L.P.drawText(QRectF(a.x() - 10 * L.Mm, a.y() - 2 * L.Mm, 8.5 * L.Mm, 4 * L.Mm),
                     Qt::AlignRight | Qt::AlignVCenter, QString::fromLatin1(t.Label));
    }
    const double step = NiceStep(fHigh - fLow);
    const int decimals = std::clamp(int(-std::floor(std::log10(step) + 1e-9)), 0, 9);
    for (double f = std::ceil(fLow / step) * step; f <= fHigh + step * 1e-9; f += step) {
        const QPointF a = at(f, 0.0), b = at(f, axisTop);
        L.Pen(grid, 0.15);
        L.P.drawLine(a, b);
        L.Pen(Qt::black, 0.2);
        L.P.drawText(QRectF(a.x() - 10 * L.Mm, a.y() + 0.8 * L.Mm, 20 * L.Mm, 4 * L.Mm),
                     Qt::AlignHCenter | Qt::AlignTop, Fixed(f, decimals));
    }
    L.P.drawText(L.Rect(plot.left(), plot.bottom() + 5, plot.width(), 4), Qt::AlignHCenter,
                 QStringLiteral("kmitočet [MHz]"));
    L.P.save();
    L.P.translate(L.Point(boxMm.left() + 1, plot.center().y()));
    L.P.rotate(-90);
    L.P.drawText(QRectF(-10 * L.Mm, -1 * L.Mm, 20 * L.Mm, 4 * L.Mm), Qt::AlignCenter,
                 QStringLiteral("PSV"));
    L.P.restore();
    L.Pen(QColor(0xd0, 0x60, 0x00), 0.3, Qt::DashLine);
    L.P.drawLine(at(fLow, SwrToAxis(SwrLimitTight)), at(fHigh, SwrToAxis(SwrLimitTight)));
    L.Pen(QColor(0xc0, 0x00, 0x00), 0.3, Qt::DashLine);
    L.P.drawLine(at(fLow, SwrToAxis(SwrLimitLoose)), at(fHigh, SwrToAxis(SwrLimitLoose)));
    L.Pen(QColor(0x70, 0x70, 0x70), 0.2, Qt::DotLine);
    L.P.drawLine(at(f0, 0.0), at(f0, axisTop));
    // The curve leaves the plot through its top edge, not beyond it.
    L.P.setClipRect(L.Rect(plot.left(), plot.top(), plot.width(), plot.height()));
    QPainterPath path;
    bool drawing = false;
    for (const TSwrPoint& p : page.Curve) {
        if (!p.Swr) {
            drawing = false;
            continue;
        }
        const QPointF q = at(p.FrequencyMHz, SwrToAxis(*p.Swr));
        if (drawing)
            path.lineTo(q);
        else
            path.moveTo(q);
        drawing = true;
    }
    L.Pen(QColor(0x00, 0x40, 0xc0), 0.45);
    L.P.drawPath(path);
    L.P.setClipping(false);
    L.Pen(Qt::black, 0.25);
    L.P.drawRect(L.Rect(plot.left(), plot.top(), plot.width(), plot.height()));
    L.P.restore();
}

void PaintPage(QPainter& p, double dotsPerMm, const TDesignPage& page) {
    TPageLayout L(p, dotsPerMm);
    const double left = MarginMm;
    double y = MarginMm;

    L.Pen(Qt::black, 0.2);
    L.Font(14, true);
    L.Text(left, y, ContentMm, QStringLiteral("Návrh přizpůsobovacího článku L"));
    L.Font(8);
    L.Pen(QColor(0x50, 0x50, 0x50), 0.2);
    L.Text(left, y + 1.5, ContentMm,
           QStringLiteral("Pentarix %1 · %2")
               .arg(page.Version, page.When.toString(QStringLiteral("d. M. yyyy H:mm"))),
           Qt::AlignRight);
    y += 8.5;
    L.Pen(Qt::black, 0.3);
    L.Line(left, y, left + ContentMm, y);
    y += 2;
    L.Font(10);
    y += L.Text(left, y, ContentMm, LoadLineCs(page)) + 2;
    for (const QString& line : SourceLinesCs(page))
        y += L.Text(left, y, ContentMm, line) + 0.6;

    // The chart as large as the box allows, its proportions kept.
    if (!page.Chart.isNull()) {
        const QSizeF box(ContentMm, 112);
        const QSizeF size = QSizeF(page.Chart.size()).scaled(box, Qt::KeepAspectRatio);
        const QRectF target =
            L.Rect(left + (box.width() - size.width()) / 2, y, size.width(), size.height());
        p.drawImage(target, page.Chart);
        L.Pen(QColor(0xa0, 0xa0, 0xa0), 0.15);
        p.drawRect(target);
        y += size.height() + 3;
    }

    const TLNetwork& n = page.Report.Network;
    L.Pen(Qt::black, 0.2);
    L.Font(11, true);
    y += L.Text(left, y, ContentMm,
                QStringLiteral("Síť %1: %2%3")
                    .arg(page.Number)
                    .arg(QString::fromUtf8(KindNameCs(n)),
                         n.Chart ? QStringLiteral(" (graf)") : QString())) +
         1;
    // The schematic at the table's left, scaled from its own size.
    const double schematicMm = 50;
    p.save();
    p.translate(L.Point(left, y + 1));
    const double scale = schematicMm * dotsPerMm / SchematicSize.width();
    p.scale(scale, scale);
    PaintSchematic(p, n);
    p.restore();
    const double tableBottom = PaintValues(L, page, left + schematicMm + 2, y);
    y = std::max(tableBottom,
                 y + 1 + schematicMm * SchematicSize.height() / SchematicSize.width()) +
        2;

    L.Pen(Qt::black, 0.2);
    L.Font(8.5);
    for (const QString& line : DetailLinesCs(page))
        y += L.Text(left, y, ContentMm, line) + 0.6;
    y += 2;

    L.Font(9.5, true);
    y += L.Text(left, y, ContentMm,
                QStringLiteral("Průběh PSV sítě %1 (model zátěže: %2)")
                    .arg(page.Number)
                    .arg(LoadModelNameCs(page.Model))) +
         1;
    L.Font(8.5);
    for (const double limit : {SwrLimitTight, SwrLimitLoose}) {
        const TBandEdges& e = limit == SwrLimitTight ? page.Tight : page.Loose;
        y += L.Text(left, y, ContentMm,
                    BandWidthTextCs(e, limit, page.CentreSwr, page.FrequencyMHz, page.Model));
    }
    y += 2;
    const double bottom = 297 - MarginMm;
    if (bottom - y >= 30) PaintCurve(L, page, QRectF(left, y, ContentMm, bottom - y));
}

} // namespace

QString ImpedanceCs(const TLoad& z) {
    return QStringLiteral("%1 %2 j%3 ohm")
        .arg(Fmt("#0.000", z.R), z.X < 0 ? QStringLiteral("−") : QStringLiteral("+"),
             Fmt("#0.000", std::fabs(z.X)));
}

// What the design was made from: the file, the cable, its length, where the
// tuner stands, both ends of the line and where the power goes.
QStringList SourceLinesCs(const TDesignPage& page) {
    QStringList lines;
    if (!page.MeasurementName.isEmpty())
        lines << QStringLiteral("Měření: %1").arg(page.MeasurementName);
    if (page.Tuner && page.TunerReport) {
        const TTuner& t = *page.Tuner;
        const TTunerReport& r = *page.TunerReport;
        QString line =
            QStringLiteral("Ladicí člen %1, C vstup %2–%3 pF, L %4–%5 uH, C výstup %6–%7 pF: ")
                .arg(t.Kind == TTunerKind::Tee ? QStringLiteral("T (horní propust)")
                                               : QStringLiteral("Π (dolní propust)"),
                     Fmt("#0.0", t.CIn.Min), Fmt("#0.0", t.CIn.Max), Fmt("#0.000", t.L.Min),
                     Fmt("#0.000", t.L.Max), Fmt("#0.0", t.COut.Min), Fmt("#0.0", t.COut.Max));
        if (r.Reachable)
            line +=
                QStringLiteral("nejmenší ztráta %1 dB při C vstup %2 pF, L %3 uH, C výstup %4 pF")
                    .arg(Fmt("#0.000", r.LeastLoss.LossDb), Fmt("#0.0", r.LeastLoss.CInPf),
                         Fmt("#0.000", r.LeastLoss.LUh), Fmt("#0.0", r.LeastLoss.COutPf));
        else
            line += QStringLiteral("zátěž v rozsazích nepřizpůsobí, nejnižší PSV %1")
                        .arg(ShownSwrText(r.NearestSwr));
        lines << line;
    }
    if (!page.Feed) return lines;
    const TFeed& f = *page.Feed;
    const QString cable = f.Line.Name.empty()
                              ? QStringLiteral("vlastní vedení (Z0 %1 ohm, zkracovací činitel %2)")
                                    .arg(Fmt("#0.0", f.Line.Z0), Fmt("#0.000", f.Line.VF))
                              : QString::fromStdString(f.Line.Name);
    lines << QStringLiteral("Napáječ: %1, délka %2 m, ladicí člen %3")
                 .arg(cable, Fmt("#0.000", f.LengthM),
                      f.Tuner == TTunerAt::Shack ? QStringLiteral("u TRX")
                                                 : QStringLiteral("u antény"));
    if (!page.Station) return lines;
    const TStationResult& r = *page.Station;
    lines << QStringLiteral("Impedance antény %1 · na konci u ladicího členu %2")
                 .arg(ImpedanceCs(r.Antenna.Z), ImpedanceCs(r.TunerOutput.Z));
    if (r.PowerKnown)
        lines << QStringLiteral(
                     "Výkon %1 W: ztráta v ladicím členu %2 W, ve vedení %3 W, na anténu %4 W")
                     .arg(Fmt("#0.0", r.TransmitterW), Fmt("#0.0", r.TunerLossW),
                          Fmt("#0.0", r.LineLossW), Fmt("#0.0", r.AntennaW));
    return lines;
}

QByteArray DesignPdf(const TDesignPage& page) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setResolution(600);
        writer.setTitle(
            QStringLiteral("Pentarix – návrh %1 MHz").arg(Fmt("#0.000", page.FrequencyMHz)));
        writer.setCreator(QStringLiteral("Pentarix ") + page.Version);
        QPainter painter(&writer);
        if (!painter.isActive()) throw std::runtime_error("PDF nelze vytvořit.");
        PaintPage(painter, writer.resolution() / 25.4, page);
    }
    return bytes;
}
