#include "tunerwindow.h"

#include "apperror.h"
#include "bandtable.h"
#include "numtext.h"
#include "ranges.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QSettings>
#include <QTableWidget>
#include <algorithm>
#include <cmath>

namespace {

enum Kind { KindL, KindTee, KindPi };

const char* const KindKeys[] = {"L", "T", "Pi"};

QString ElementText(const TElement& e) {
    if (!e.Present()) return QStringLiteral("—");
    return e.Kind == TElementKind::Coil ? QStringLiteral("L %1 uH").arg(Fmt("#0.000", e.Value))
                                        : QStringLiteral("C %1 pF").arg(Fmt("#0.0", e.Value));
}

// A knob's end as typed: above 0 and no larger than a tuner's part can be.
double PartValue(const QLineEdit* edit) {
    const double v = StrToFloat(edit->text());
    if (!ValidTunerPart(v))
        throw EConvertError(
            QStringLiteral("'%1' není platná hodnota, musí být větší než 0 a nejvýše %2")
                .arg(edit->text(), Fmt("#0", MaxTunerPart)));
    return v;
}

TPartRange RangeOf(const QLineEdit* min, const QLineEdit* max) {
    const TPartRange r{PartValue(min), PartValue(max)};
    if (RangeFault(r) == TTunerFault::MinAboveMax)
        throw EConvertError(QStringLiteral("Nejmenší hodnota '%1' je větší než největší '%2'")
                                .arg(min->text(), max->text()));
    return r;
}

// The rows of the settings table, in the order the report gives them.
const char* const RowNames[] = {"nejmenší ztráta", "největší C", "nejmenší L"};
const char* const ColumnNames[] = {"C vstup [pF]", "L [uH]",       "C výstup [pF]",
                                   "ztráta [dB]",  "účinnost [%]", "navíc [dB]",
                                   "C vstup [V]",  "C výstup [V]", "cívka [A]"};
constexpr int Columns = int(std::size(ColumnNames));

QStringList SettingCells(const TTunerSetting& s) {
    return {Fmt("#0.0", s.CInPf),
            Fmt("#0.000", s.LUh),
            Fmt("#0.0", s.COutPf),
            Fmt("#0.000", s.LossDb),
            Fmt("#0.00", 100 * s.Efficiency),
            Fmt("#0.000", s.PenaltyDb),
            Fmt("#0", s.PeakVIn),
            Fmt("#0", s.PeakVOut),
            Fmt("#0.000", s.RmsA)};
}

// The marks of the three settings on the family plot.
const QColor MarkColours[] = {QColor(0, 140, 0), QColor(0, 70, 200), QColor(210, 110, 0)};

} // namespace

TTunerFamilyPlot::TTunerFamilyPlot(QWidget* parent) : QWidget(parent) {
    setMinimumSize(320, 160);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TTunerFamilyPlot::SetFamily(std::vector<TFamilyPoint> family, const TPartRange& cOut,
                                 const std::optional<TTunerReport>& report) {
    FFamily = std::move(family);
    FCOut = cOut;
    FReport = report;
    update();
}

void TTunerFamilyPlot::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    const QFontMetrics fm = p.fontMetrics();
    const QRect area = rect().adjusted(fm.horizontalAdvance(QStringLiteral("00.00")) + 10, 8, -10,
                                       -2 * fm.height() - 6);
    p.setPen(Qt::black);
    p.drawRect(area);
    double top = 0.0;
    for (const TFamilyPoint& f : FFamily)
        for (const std::optional<double>& loss : f.LossDb)
            if (loss) top = std::max(top, *loss);
    if (FFamily.empty() || !(top > 0) || !(FCOut.Max > FCOut.Min)) {
        p.drawText(area, Qt::AlignCenter, QStringLiteral("žádné nastavení v rozsazích"));
        return;
    }
    // A round top: the loss in dB rarely needs more than two figures.
    const double step = std::pow(10.0, std::floor(std::log10(top)));
    top = std::ceil(top / step * 1.05) * step;
    const double logMin = std::log(FCOut.Min), logSpan = std::log(FCOut.Max) - logMin;
    auto x = [&](double c) {
        return area.left() + area.width() * (std::log(c) - logMin) / logSpan;
    };
    auto y = [&](double db) { return area.bottom() - area.height() * db / top; };
    p.drawText(QRect(0, area.top() - fm.height() / 2, area.left() - 4, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, Fmt("#0.00", top));
    p.drawText(QRect(0, area.bottom() - fm.height() / 2, area.left() - 4, fm.height()),
               Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("0"));
    const int below = area.bottom() + 2;
    p.drawText(QRect(area.left(), below, area.width(), fm.height()), Qt::AlignLeft,
               Fmt("#0.0", FCOut.Min));
    p.drawText(QRect(area.left(), below, area.width(), fm.height()), Qt::AlignRight,
               Fmt("#0.0", FCOut.Max));
    p.drawText(QRect(area.left(), below + fm.height(), area.width(), fm.height()), Qt::AlignHCenter,
               QStringLiteral("ztráta [dB] podle C výstup [pF]"));
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRect(area.adjusted(1, 1, 0, 0));
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    for (int b = 0; b < 2; ++b) {
        QPainterPath path;
        bool open = false;
        for (const TFamilyPoint& f : FFamily) {
            if (!f.LossDb[b]) {
                open = false;
                continue;
            }
            const QPointF pt(x(f.COutPf), y(*f.LossDb[b]));
            if (open)
                path.lineTo(pt);
            else
                path.moveTo(pt);
            open = true;
        }
        p.drawPath(path);
    }
    if (!FReport || !FReport->Reachable) return;
    // A mark at the travel's end stays whole.
    p.setClipping(false);
    const TTunerSetting* marks[] = {&FReport->LeastLoss, &FReport->LargestC, &FReport->LeastL};
    for (int i = 2; i >= 0; --i) {
        p.setPen(QPen(MarkColours[i], 2));
        p.setBrush(Qt::NoBrush);
        const QPointF c(x(marks[i]->COutPf), y(marks[i]->LossDb));
        const double r = 4 + i;
        p.drawEllipse(c, r, r);
    }
}

TfrmTuner::TfrmTuner(QWidget* parent, TDesign* design)
    : TToolWindow(QStringLiteral("Ladicí člen"), 11, Qt::Window | Qt::WindowStaysOnTopHint, parent,
                  design) {
    auto* grid = new QGridLayout(this);
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto edit = [this] {
        auto* e = new QLineEdit(this);
        e->setMaximumWidth(70);
        return e;
    };
    cbKind = new QComboBox(this);
    cbKind->addItems({QStringLiteral("L"), QStringLiteral("T (horní propust)"),
                      QStringLiteral("Π (dolní propust)")});
    edCInMin = edit();
    edCInMax = edit();
    edLMin = edit();
    edLMax = edit();
    edCOutMin = edit();
    edCOutMax = edit();
    grid->addWidget(label(QStringLiteral("zapojení")), 0, 0);
    grid->addWidget(cbKind, 0, 1, 1, 3);
    const struct {
        const char* Caption;
        QLineEdit *Min, *Max;
    } rows[] = {{"C vstup [pF]", edCInMin, edCInMax},
                {"L [uH]", edLMin, edLMax},
                {"C výstup [pF]", edCOutMin, edCOutMax}};
    for (int i = 0; i < 3; ++i) {
        grid->addWidget(label(QString::fromUtf8(rows[i].Caption)), 1 + i, 0);
        grid->addWidget(label(QStringLiteral("od")), 1 + i, 1);
        grid->addWidget(rows[i].Min, 1 + i, 2);
        grid->addWidget(label(QStringLiteral("do")), 1 + i, 3);
        grid->addWidget(rows[i].Max, 1 + i, 4);
    }
    lbResult = new QLabel(this);
    lbResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbResult->setWordWrap(true);
    grid->addWidget(lbResult, 4, 0, 1, 6);
    tbSettings = new QTableWidget(3, Columns, this);
    QStringList columns, rowNames;
    for (const char* c : ColumnNames)
        columns << QString::fromUtf8(c);
    for (const char* r : RowNames)
        rowNames << QString::fromUtf8(r);
    tbSettings->setHorizontalHeaderLabels(columns);
    tbSettings->setVerticalHeaderLabels(rowNames);
    tbSettings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbSettings->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    tbSettings->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    tbSettings->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    grid->addWidget(tbSettings, 5, 0, 1, 6);
    pbFamily = new TTunerFamilyPlot(this);
    grid->addWidget(pbFamily, 6, 0, 1, 6);
    chkCoverage = new QCheckBox(
        QStringLiteral("pokrytí (oblast zátěží, které ladicí člen přizpůsobí, v grafu)"), this);
    grid->addWidget(chkCoverage, 7, 0, 1, 6);
    grid->addWidget(lbNotice, 8, 0, 1, 6);
    grid->setColumnStretch(5, 1);
    grid->setRowStretch(6, 1);

    FTuner = SavedTuner();
    ShowTuner();
    for (QLineEdit* e : {edCInMin, edCInMax, edLMin, edLMax, edCOutMin, edCOutMax})
        connect(e, &QLineEdit::editingFinished, this,
                [this] { Guarded([this] { ApplyInputs(); }); });
    connect(cbKind, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { ApplyInputs(); }); });
    connect(chkCoverage, &QCheckBox::toggled, this,
            [this] { Guarded([this] { UpdateCoverage(); }); });
    SetCopyText([this] { return CopyText(); });
    resize(800, 560);
    Observe();
}

TfrmTuner::~TfrmTuner() {
    StopCoverage();
    // The shading and the page's tuner go with the window.
    Design().SetCoverage(nullptr, 1);
    Design().SetShownTuner(std::nullopt);
}

namespace {

bool SameProblem(const TTunerProblem& a, const TTunerProblem& b) {
    return a.Tuner == b.Tuner && a.FrequencyMHz == b.FrequencyMHz && a.Z0 == b.Z0 &&
           a.Q.Coil == b.Q.Coil && a.Q.Capacitor == b.Q.Capacitor;
}

} // namespace

void TfrmTuner::StopCoverage() {
    if (FCancel) *FCancel = true;
    if (FWorker.joinable()) FWorker.join();
    FCancel.reset();
}

void TfrmTuner::WaitForCoverage() {
    if (FWorker.joinable()) FWorker.join();
    // The passes it posted arrive as the events they are.
    QCoreApplication::sendPostedEvents(this);
}

void TfrmTuner::UpdateCoverage(bool pointsChanged) {
    std::optional<TTunerProblem> problem;
    if (chkCoverage->isChecked() && FTuner && FHasLoad) {
        const TDesignOptions& o = Design().Options();
        problem = TTunerProblem{*FTuner, FFrequency, o.Z0, o.Q};
    }
    if (problem && FCoverageProblem && SameProblem(*problem, *FCoverageProblem) && !pointsChanged)
        return;
    StopCoverage();
    // The map depends on the problem alone: new points under a finished map
    // need only their rings.
    std::shared_ptr<const TCoverageGrid> done;
    if (problem && FCoverageProblem && SameProblem(*problem, *FCoverageProblem) &&
        Design().CoverageStride() == 1)
        done = Design().Coverage();
    if (pointsChanged && problem && Design().Coverage())
        Design().SetCoverage(Design().Coverage(), Design().CoverageStride());
    FCoverageProblem = problem;
    if (!problem) {
        Design().SetCoverage(nullptr, 1);
        return;
    }
    // The measured points as the chart shows them, copied: the design may
    // replace its own while the worker reads these.
    std::vector<TTouchstonePoint> points;
    if (const TTouchstone* shown = Design().Shown()) points = shown->Points;
    auto cancel = std::make_shared<std::atomic<bool>>(false);
    FCancel = cancel;
    FWorker = std::thread([this, p = *problem, points = std::move(points), cancel, done] {
        TCoverageGrid grid = done ? TCoverageGrid{} : EmptyCoverageGrid(CoverageCells);
        auto post = [&](std::shared_ptr<const TCoverageGrid> pass, int stride,
                        std::vector<TLoad> unmatched) {
            QMetaObject::invokeMethod(
                this,
                [this, pass, stride, unmatched = std::move(unmatched), cancel]() mutable {
                    if (!*cancel) Design().SetCoverage(pass, stride, std::move(unmatched));
                },
                Qt::QueuedConnection);
        };
        std::shared_ptr<const TCoverageGrid> pass = done;
        if (!pass)
            for (const int stride : {8, 4, 2, 1}) {
                if (!FillCoverage(p, grid, stride, cancel.get())) return;
                pass = std::make_shared<const TCoverageGrid>(grid);
                post(pass, stride, {});
            }
        if (points.empty()) return;
        std::vector<TLoad> unmatched = UnmatchedPoints(p, points, cancel.get());
        if (!*cancel) post(pass, 1, std::move(unmatched));
    });
}

std::optional<TTuner> TfrmTuner::SavedTuner() {
    TTuner tuner;
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return tuner;
    s->beginGroup(QStringLiteral("tuner"));
    const QString kind = s->value(QStringLiteral("kind"), QStringLiteral("T")).toString();
    if (kind == QLatin1String("L")) return std::nullopt;
    tuner.Kind = kind == QLatin1String("Pi") ? TTunerKind::Pi : TTunerKind::Tee;
    // A stored range that no field would take is not used.
    auto range = [&](const char* key, TPartRange fallback) {
        bool okMin = false, okMax = false;
        const TPartRange r{s->value(QStringLiteral("%1Min").arg(key)).toDouble(&okMin),
                           s->value(QStringLiteral("%1Max").arg(key)).toDouble(&okMax)};
        return okMin && okMax && ValidTunerPart(r.Min) && ValidTunerPart(r.Max) &&
                       RangeFault(r) == TTunerFault::None
                   ? r
                   : fallback;
    };
    tuner.CIn = range("cIn", tuner.CIn);
    tuner.L = range("l", tuner.L);
    tuner.COut = range("cOut", tuner.COut);
    return tuner;
}

void TfrmTuner::SaveSettings() const {
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return;
    s->beginGroup(QStringLiteral("tuner"));
    const int kind = !FTuner ? KindL : FTuner->Kind == TTunerKind::Tee ? KindTee : KindPi;
    s->setValue(QStringLiteral("kind"), QString::fromLatin1(KindKeys[kind]));
    if (!FTuner) return;
    for (const auto& [key, r] : {std::pair{"cIn", FTuner->CIn}, std::pair{"l", FTuner->L},
                                 std::pair{"cOut", FTuner->COut}}) {
        s->setValue(QStringLiteral("%1Min").arg(key), r.Min);
        s->setValue(QStringLiteral("%1Max").arg(key), r.Max);
    }
}

void TfrmTuner::ShowTuner() {
    const QSignalBlocker block(cbKind);
    cbKind->setCurrentIndex(!FTuner ? KindL : FTuner->Kind == TTunerKind::Tee ? KindTee : KindPi);
    // The L networks keep the last T's or Pi's ranges in the fields.
    const TTuner shown = FTuner ? *FTuner : TTuner{};
    if (FTuner || edCInMin->text().isEmpty()) {
        edCInMin->setText(Fmt("#0.0", shown.CIn.Min));
        edCInMax->setText(Fmt("#0.0", shown.CIn.Max));
        edLMin->setText(Fmt("#0.000", shown.L.Min));
        edLMax->setText(Fmt("#0.000", shown.L.Max));
        edCOutMin->setText(Fmt("#0.0", shown.COut.Min));
        edCOutMax->setText(Fmt("#0.0", shown.COut.Max));
    }
    for (QLineEdit* e : {edCInMin, edCInMax, edLMin, edLMax, edCOutMin, edCOutMax})
        e->setEnabled(FTuner.has_value());
    tbSettings->setVisible(FTuner.has_value());
    pbFamily->setVisible(FTuner.has_value());
}

void TfrmTuner::ApplyInputs() {
    std::optional<TTuner> tuner;
    if (cbKind->currentIndex() != KindL) {
        TTuner t;
        t.Kind = cbKind->currentIndex() == KindPi ? TTunerKind::Pi : TTunerKind::Tee;
        t.CIn = RangeOf(edCInMin, edCInMax);
        t.L = RangeOf(edLMin, edLMax);
        t.COut = RangeOf(edCOutMin, edCOutMax);
        tuner = t;
    }
    FTuner = tuner;
    ShowTuner();
    SaveSettings();
    Recompute();
}

void TfrmTuner::DesignChanged(unsigned what) {
    TToolWindow::DesignChanged(what);
    if (what & dcOptions) Recompute();
    // New points: the old rings go at once, the new ones follow the passes.
    if (what & dcMeasurement) UpdateCoverage(true);
}

void TfrmTuner::ShowStep(const TLoad& load, double fMHz) {
    FLoad = load;
    FFrequency = fMHz;
    FHasLoad = true;
    Recompute();
}

void TfrmTuner::ClearStep() {
    FHasLoad = false;
    Recompute();
}

std::optional<double> TfrmTuner::ShownFrequency() const {
    return FHasLoad ? std::optional<double>(FFrequency) : std::nullopt;
}

void TfrmTuner::Recompute() {
    Design().SetShownTuner(FTuner);
    UpdateCoverage();
    FReport.reset();
    for (int r = 0; r < tbSettings->rowCount(); ++r)
        for (int c = 0; c < Columns; ++c)
            tbSettings->setItem(r, c, nullptr);
    const TDesignOptions& o = Design().Options();
    const QString qs = QStringLiteral("Q cívky %1, Q kondenzátoru %2, výkon %3 W (z okna Síť)")
                           .arg(Fmt("#0", o.Q.Coil), Fmt("#0", o.Q.Capacitor), Fmt("#0", o.PowerW));
    if (!FHasLoad) {
        lbResult->setText(qs + QStringLiteral("\nKlikni na plochu grafu"));
        pbFamily->SetFamily({}, FTuner ? FTuner->COut : TPartRange{}, std::nullopt);
        return;
    }
    QString text =
        QStringLiteral("%1\nzátěž R = %2 ohm, X = %3 ohm při %4 MHz\n")
            .arg(qs, Fmt("#0.000", FLoad.R), Fmt("#0.000", FLoad.X), Fmt("#0.000", FFrequency));
    if (!FTuner) {
        // The L network the chart draws, with the Qs and the power of "Síť".
        for (const TNetworkReport& r : DesignNetworks(FLoad, FFrequency, o))
            if (r.Network.Chart)
                text += QStringLiteral("síť L (graf): sériový %1, paralelní %2; ztráta %3 dB, "
                                       "účinnost %4 %")
                            .arg(ElementText(r.Network.Series), ElementText(r.Network.Shunt),
                                 Fmt("#0.000", r.Stress.LossDb),
                                 Fmt("#0.00", 100 * r.Stress.Efficiency));
        lbResult->setText(text);
        return;
    }
    const TTunerProblem problem{*FTuner, FFrequency, o.Z0, o.Q};
    FReport = TuneLoad(problem, FLoad, o.PowerW);
    if (FReport->Reachable) {
        text += QStringLiteral("ladicí člen tuto zátěž přizpůsobí; napětí jsou špičková, proud "
                               "efektivní");
        const TTunerSetting* settings[] = {&FReport->LeastLoss, &FReport->LargestC,
                                           &FReport->LeastL};
        for (int r = 0; r < 3; ++r) {
            const QStringList cells = SettingCells(*settings[r]);
            for (int c = 0; c < Columns; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                if (c == 0) item->setForeground(MarkColours[r]);
                tbSettings->setItem(r, c, item);
            }
        }
    } else {
        text += QStringLiteral("Tuto zátěž ladicí člen v zadaných rozsazích nepřizpůsobí; "
                               "nejnižší dosažitelné PSV %1")
                    .arg(ShownSwrText(FReport->NearestSwr));
    }
    lbResult->setText(text);
    pbFamily->SetFamily(TunerFamily(problem, FLoad, 200), FTuner->COut, FReport);
}

QString TfrmTuner::CopyText() const {
    QString text = lbResult->text() + u'\n';
    if (!FReport || !FReport->Reachable) return text;
    QStringList header{QString()};
    for (const char* c : ColumnNames)
        header << QString::fromUtf8(c);
    text += header.join(u'\t') + u'\n';
    const TTunerSetting* settings[] = {&FReport->LeastLoss, &FReport->LargestC, &FReport->LeastL};
    for (int r = 0; r < 3; ++r)
        text +=
            (QStringList{QString::fromUtf8(RowNames[r])} + SettingCells(*settings[r])).join(u'\t') +
            u'\n';
    return text;
}
