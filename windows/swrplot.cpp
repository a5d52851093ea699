#include "swrplot.h"

#include "apperror.h"
#include "chartgeometry.h"
#include "numtext.h"
#include "quantity.h"
#include "smithchart.h"
#include "windowstyle.h"

#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineSeries>
#include <QSignalBlocker>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <QValueAxis>
#include <cmath>

// The SWR axis is logarithmic from 1 to 10: the series carry log10(SWR) on
// a category axis, whose labels can then sit at 1.5 and 2 where a log axis
// would only label the decades.
const std::vector<TSwrTick>& SwrTicks() {
    static const std::vector<TSwrTick> ticks = {{1.0, "1"}, {1.5, "1.5"}, {2.0, "2"},
                                                {3.0, "3"}, {5.0, "5"},   {10.0, "10"}};
    return ticks;
}

double SwrToAxis(double swr) {
    return std::log10(std::clamp(swr, 1.0, SwrDrawCap));
}

double NiceStep(double span) {
    const double raw = span / 8.0;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * decade >= raw) return m * decade;
    return 10.0 * decade;
}

QString LoadModelNameCs(TLoadModel model) {
    switch (model) {
    case TLoadModel::Measured:
        return QStringLiteral("měření");
    case TLoadModel::Constant:
        return QStringLiteral("konstantní impedance");
    case TLoadModel::Reactance:
        return QStringLiteral("reaktance jako cívka nebo kondenzátor");
    }
    return {};
}

namespace {

const double SpanChoices[] = {0.05, 0.1, 0.2, 0.5};

QLineSeries* AddSeries(QChart* chart, const QPen& pen) {
    auto* s = new QLineSeries(chart);
    s->setPen(pen);
    chart->addSeries(s);
    return s;
}

QString PartText(const TElement& e) {
    return QString::fromStdString(ElementText(e));
}

QString LimitName(double limit) {
    return limit == SwrLimitTight ? QStringLiteral("PSV ≤ 1.5") : QStringLiteral("PSV < 2");
}

} // namespace

QString BandWidthTextCs(const TBandEdges& e, double limit, std::optional<double> centreSwr,
                        double f0MHz, TLoadModel model) {
    const QString head = QStringLiteral("šířka pásma ") + LimitName(limit) + QStringLiteral(": ");
    if (!centreSwr) return head + QStringLiteral("kmitočet návrhu leží mimo měření");
    if (*centreSwr > limit)
        return head + QStringLiteral("žádná, na kmitočtu návrhu je PSV ") +
               Fmt("#0.000", std::min(*centreSwr, 1e6));
    if (!e.Complete())
        return head + (model == TLoadModel::Measured
                           ? QStringLiteral("přesahuje zobrazený rozsah nebo rozsah měření")
                           : QStringLiteral("přesahuje zobrazený rozsah"));
    return head + Fmt("#0.0", e.WidthKHz()) + QStringLiteral(" kHz (") +
           Fmt("#0.00", e.WidthPercent(f0MHz)) + QStringLiteral(" %) od ") +
           Fmt("#0.000", *e.LowMHz) + QStringLiteral(" do ") + Fmt("#0.000", *e.HighMHz) +
           QStringLiteral(" MHz");
}

TfrmSwrPlot::TfrmSwrPlot(QWidget* parent, TDesign* design)
    : TToolWindow(QStringLiteral("Průběh PSV"), 11,
                  Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                      Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                      Qt::WindowMinMaxButtonsHint,
                  parent, design) {
    resize(640, 480);

    auto* chart = new QChart;
    chart->legend()->hide();
    // Axis labels with "." whatever the system locale.
    chart->setLocalizeNumbers(false);
    chart->setLocale(QLocale::c());
    chart->setMargins(QMargins(4, 4, 8, 4));

    FAxisF = new QValueAxis(chart);
    FAxisF->setTitleText(QStringLiteral("kmitočet [MHz]"));
    chart->addAxis(FAxisF, Qt::AlignBottom);

    auto* axisSwr = FAxisSwr = new QCategoryAxis(chart);
    axisSwr->setTitleText(QStringLiteral("PSV"));
    axisSwr->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    // The first category ends just at the bottom so that "1" gets its label too.
    axisSwr->setStartValue(-1e-9);
    for (const TSwrTick& t : SwrTicks())
        axisSwr->append(QString::fromLatin1(t.Label), std::log10(t.Swr));
    axisSwr->setRange(0.0, std::log10(SwrTop));
    chart->addAxis(axisSwr, Qt::AlignLeft);

    QPen limitPen(QColor(0xd0, 0x60, 0x00), 1.5, Qt::DashLine);
    FTightLine = AddSeries(chart, limitPen);
    limitPen.setColor(QColor(0xc0, 0x00, 0x00));
    FLooseLine = AddSeries(chart, limitPen);
    FDesignLine = AddSeries(chart, QPen(QColor(0x70, 0x70, 0x70), 1.0, Qt::DotLine));
    FCurveSeries = AddSeries(chart, QPen(QColor(0x00, 0x40, 0xc0), 2.0));
    for (QLineSeries* s : {FTightLine, FLooseLine, FDesignLine, FCurveSeries}) {
        s->attachAxis(FAxisF);
        s->attachAxis(axisSwr);
    }

    chartView = new QChartView(chart, this);
    chartView->setRenderHint(QPainter::Antialiasing);

    cbModel = new QComboBox(this);
    for (const TLoadModel m : {TLoadModel::Measured, TLoadModel::Constant, TLoadModel::Reactance})
        cbModel->addItem(LoadModelNameCs(m), int(m));
    cbSpan = new QComboBox(this);
    for (const double s : SpanChoices)
        cbSpan->addItem(QStringLiteral("±") + FormatFloat(QStringLiteral("#0"), s * 100) +
                            QStringLiteral(" %"),
                        s);

    lbDesign = new QLabel(this);
    lbBandTight = new QLabel(this);
    lbBandLoose = new QLabel(this);
    for (QLabel* l : {lbDesign, lbBandTight, lbBandLoose})
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("model zátěže:"), this));
    controls->addWidget(cbModel);
    controls->addSpacing(12);
    controls->addWidget(new QLabel(QStringLiteral("rozsah:"), this));
    controls->addWidget(cbSpan);
    controls->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(controls);
    layout->addWidget(lbDesign);
    layout->addWidget(lbNotice);
    layout->addWidget(chartView, 1);
    layout->addWidget(lbBandTight);
    layout->addWidget(lbBandLoose);

    connect(cbModel, &QComboBox::currentIndexChanged, this, [this](int index) {
        Guarded([&] { SetModel(TLoadModel(cbModel->itemData(index).toInt())); });
    });
    connect(cbSpan, &QComboBox::currentIndexChanged, this,
            [this](int index) { Guarded([&] { SetSpan(cbSpan->itemData(index).toDouble()); }); });
    SetCopyText([this] { return CurveText(); });

    SyncModelBox();
    Recompute();
    Observe();
}

void TfrmSwrPlot::DesignChanged(unsigned what) {
    if (what & dcStep) FAntenna = Design().Step().Antenna;
    if (what & (dcMeasurement | dcPlot)) SyncModelBox();
    TToolWindow::DesignChanged(what);
    if ((what & (dcMeasurement | dcPlot)) || ((what & dcFeed) && FAntenna)) Recompute();
}

void TfrmSwrPlot::SetDesign(const TLoad& load, double f0MHz) {
    FLoad = load;
    FF0 = f0MHz;
    FHasDesign = true;
    Recompute();
}

void TfrmSwrPlot::ShowStep(const TLoad& load, double fMHz) {
    SetDesign(load, fMHz);
}

void TfrmSwrPlot::ClearStep() {
    FHasDesign = false;
    Recompute();
}

std::optional<double> TfrmSwrPlot::ShownFrequency() const {
    return FHasDesign ? std::optional<double>(FF0) : std::nullopt;
}

void TfrmSwrPlot::SetMeasurement(const TTouchstone* trace) {
    if (trace)
        Design().OpenMeasurement(*trace, QString());
    else
        Design().CloseMeasurement();
}

void TfrmSwrPlot::SetModel(TLoadModel model) {
    Design().SetModel(model);
}

void TfrmSwrPlot::SetSpan(double fraction) {
    Design().SetSpan(fraction);
}

void TfrmSwrPlot::SyncModelBox() {
    const QSignalBlocker block(cbModel);
    auto* items = qobject_cast<QStandardItemModel*>(cbModel->model());
    if (items)
        items->item(cbModel->findData(int(TLoadModel::Measured)))
            ->setEnabled(Design().HasMeasurement());
    cbModel->setCurrentIndex(cbModel->findData(int(Model())));
    const QSignalBlocker blockSpan(cbSpan);
    cbSpan->setCurrentIndex(std::max(0, cbSpan->findData(Span())));
}

bool TfrmSwrPlot::HasRange() const {
    // A frequency so high that the range overflows, or so low that it
    // underflows, has no axis to draw it on.
    const double width = FF0 * (1.0 + Span()) - FF0 * (1.0 - Span());
    return FHasDesign && FF0 > 0 && std::isnormal(width / 8) && std::isfinite(width);
}

void TfrmSwrPlot::Recompute() {
    FCurve.clear();
    FOtherCurves.clear();
    FTight = {};
    FLoose = {};
    FCentreSwr.reset();
    if (HasRange()) {
        // A load moved to the tuner's end is modelled at the antenna and
        // moved through the line at every frequency.
        TFeed feed = Design().Feed();
        feed.Point = TPointAt::Antenna;
        const bool throughLine = FAntenna && feed.Tuner == TTunerAt::Shack;
        const TBandResponse response(throughLine ? *FAntenna : FLoad, FF0, Model(),
                                     throughLine ? Design().Measured() : Design().Shown(),
                                     ChartReference, throughLine ? &feed : nullptr);
        const double fLow = FF0 * (1.0 - Span()), fHigh = FF0 * (1.0 + Span());
        FCurve = response.Sweep(fLow, fHigh, CurvePoints);
        FTight = response.Edges(SwrLimitTight, fLow, fHigh);
        FLoose = response.Edges(SwrLimitLoose, fLow, fHigh);
        FCentreSwr = response.SwrAt(FF0);
        FNetwork = response.Network();
        // The others through the same network, as the active one is modelled.
        FOtherCurves.clear();
        if (Model() == TLoadModel::Measured)
            for (const TOtherMeasurement& o : Design().Others()) {
                const TTouchstone other = !throughLine && Design().TraceMoved()
                                              ? MoveTrace(o.Measured, Design().Feed())
                                              : o.Measured;
                FOtherCurves.push_back(TBandResponse(throughLine ? *FAntenna : FLoad, FF0, Model(),
                                                     &other, ChartReference,
                                                     throughLine ? &feed : nullptr)
                                           .Sweep(fLow, fHigh, CurvePoints));
            }
    }
    ShowCurve();
    ShowTexts();
}

void TfrmSwrPlot::ShowCurve() {
    const double f0 = HasRange() ? FF0 : 7.0;
    const double fLow = f0 * (1.0 - Span()), fHigh = f0 * (1.0 + Span());
    const double step = NiceStep(fHigh - fLow);
    const int decimals = int(-std::floor(std::log10(step) + 1e-9));
    // Fixed ticks while the range and the interval change: the axis lays out
    // dynamic ticks at every step, and the old interval over a new range far
    // wider would mean billions of them.
    FAxisF->setTickType(QValueAxis::TicksFixed);
    FAxisF->setRange(fLow, fHigh);
    FAxisF->setTickAnchor(std::ceil(fLow / step) * step);
    FAxisF->setTickInterval(step);
    FAxisF->setTickType(QValueAxis::TicksDynamic);
    // Fixed decimals for any sensible frequency; a frequency typed far out of
    // the radio range gets short exponent labels rather than hundreds of digits.
    const bool sensible = decimals <= 9 && fHigh < 1e9;
    FAxisF->setLabelFormat(sensible ? QStringLiteral("%.") +
                                          QString::number(std::max(0, decimals)) + u'f'
                                    : QStringLiteral("%.6g"));

    QList<QPointF> points;
    points.reserve(qsizetype(FCurve.size()));
    // Points the model has no load for (outside a measurement) lie only at
    // the ends of the range, so leaving them out makes no false segment.
    for (const TSwrPoint& p : FCurve)
        if (p.Swr) points.append(QPointF(p.FrequencyMHz, SwrToAxis(*p.Swr)));
    FCurveSeries->replace(points);
    // One thin series per other measurement, in its colour on the chart.
    while (FOtherSeries.size() < FOtherCurves.size()) {
        const TColor c = TSmithChart::OtherTraceColor(FOtherSeries.size());
        QLineSeries* s = AddSeries(chartView->chart(),
                                   QPen(QColor(c & 0xff, (c >> 8) & 0xff, (c >> 16) & 0xff), 1.0));
        s->attachAxis(FAxisF);
        s->attachAxis(FAxisSwr);
        FOtherSeries.push_back(s);
    }
    for (std::size_t i = 0; i < FOtherSeries.size(); ++i) {
        QList<QPointF> other;
        if (i < FOtherCurves.size())
            for (const TSwrPoint& p : FOtherCurves[i])
                if (p.Swr) other.append(QPointF(p.FrequencyMHz, SwrToAxis(*p.Swr)));
        FOtherSeries[i]->replace(other);
    }
    auto level = [&](QLineSeries* s, double swr) {
        s->replace({QPointF(fLow, SwrToAxis(swr)), QPointF(fHigh, SwrToAxis(swr))});
    };
    level(FTightLine, SwrLimitTight);
    level(FLooseLine, SwrLimitLoose);
    FDesignLine->replace({QPointF(f0, 0.0), QPointF(f0, std::log10(SwrTop))});
}

void TfrmSwrPlot::ShowTexts() {
    if (!FHasDesign) {
        lbDesign->setText(QStringLiteral("Klikněte do diagramu na zátěž."));
        lbBandTight->clear();
        lbBandLoose->clear();
        return;
    }
    const QString load = Fmt("#0.000", FLoad.R) +
                         (FLoad.X < 0 ? QStringLiteral(" - j") : QStringLiteral(" + j")) +
                         Fmt("#0.000", std::fabs(FLoad.X)) + QStringLiteral(" Ω");
    const QString at = QStringLiteral(" na ") + Fmt("#0.000", FF0) + QStringLiteral(" MHz");
    if (!IsMatchable(FLoad) || !HasRange()) {
        lbDesign->setText(HasRange() ? QStringLiteral("Zátěž ") + load +
                                           QStringLiteral(" nelze přizpůsobit článkem L.")
                                     : QStringLiteral("Pro kmitočet") + at.mid(3) +
                                           QStringLiteral(" nelze průběh nakreslit."));
        lbBandTight->clear();
        lbBandLoose->clear();
        return;
    }
    const TLNetwork& net = FNetwork;
    QStringList parts;
    for (const TElement& e : {net.Series, net.Shunt})
        if (e.Present()) parts << PartText(e);
    const QString kind =
        net.Arrangement == TArrangement::ShuntAtLoad ? QStringLiteral("CL") : QStringLiteral("LC");
    lbDesign->setText(QStringLiteral("Síť %1 pro zátěž %2%3: %4")
                          .arg(kind, load, at,
                               parts.isEmpty() ? QStringLiteral("žádné součástky")
                                               : parts.join(QStringLiteral(", "))));

    lbBandTight->setText(BandWidthTextCs(FTight, SwrLimitTight, FCentreSwr, FF0, Model()));
    lbBandLoose->setText(BandWidthTextCs(FLoose, SwrLimitLoose, FCentreSwr, FF0, Model()));
}

QString TfrmSwrPlot::CurveText() const {
    QString text;
    text.reserve(int(FCurve.size()) * 24);
    for (const TSwrPoint& p : FCurve) {
        text += FormatFloat(QStringLiteral("#0.000000"), p.FrequencyMHz) + u';';
        if (p.Swr) text += FormatFloat(QStringLiteral("#0.000"), *p.Swr);
        text += u'\n';
    }
    return text;
}
