#include "feedlinewindow.h"

#include "apperror.h"
#include "fpcheck.h"
#include "numtext.h"
#include "ranges.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <cmath>

namespace {

const QString CustomName = QStringLiteral("vlastní");
const char* const FirstLine = "RG-213/U";

TFeed FirstFeed() {
    TFeed feed;
    feed.Line = *FindLine(FirstLine);
    return feed;
}

// A typed value within its range, else the panel's message and nothing changes.
double RangedText(const QLineEdit* edit, bool (*valid)(double), const QString& range) {
    const double v = StrToFloat(edit->text());
    if (!valid(v))
        throw EConvertError(
            QStringLiteral("'%1' není platná hodnota, musí být %2").arg(edit->text(), range));
    return v;
}

bool ValidZ0Line(double z0) {
    return ValidZ0(z0);
}

QString ImpedanceText(const TLoad& z) {
    return QStringLiteral("R = %1 ohm, X = %2 ohm").arg(Fmt("#0.000", z.R), Fmt("#0.000", z.X));
}

QString PointText(const TLossPoint& p) {
    return Fmt("#0.000", p.DbPer100m());
}

} // namespace

TfrmFeedLine::TfrmFeedLine(double z0Ref, QWidget* parent, TDesign* design)
    : TToolWindow(QStringLiteral("Napáječ"), 11, Qt::Window | Qt::WindowStaysOnTopHint, parent,
                  design),
      FZ0Ref(z0Ref) {
    auto* grid = new QGridLayout(this);
    auto label = [this](const QString& text) { return new QLabel(text, this); };
    auto edit = [this] {
        auto* e = new QLineEdit(this);
        e->setMaximumWidth(70);
        return e;
    };
    cbLine = new QComboBox(this);
    for (const TLine& line : LineCatalogue())
        cbLine->addItem(QString::fromStdString(line.Name));
    cbLine->addItem(CustomName);
    edLength = edit();
    edZ0 = edit();
    edVF = edit();
    edLoss1 = edit();
    edFreq1 = edit();
    edLoss2 = edit();
    edFreq2 = edit();
    grid->addWidget(label(QStringLiteral("vedení")), 0, 0);
    grid->addWidget(cbLine, 0, 1, 1, 3);
    grid->addWidget(label(QStringLiteral("délka [m]")), 0, 4);
    grid->addWidget(edLength, 0, 5);
    grid->addWidget(label(QStringLiteral("Z0 [ohm]")), 1, 0);
    grid->addWidget(edZ0, 1, 1);
    grid->addWidget(label(QStringLiteral("zkracovací činitel")), 1, 2);
    grid->addWidget(edVF, 1, 3);
    grid->addWidget(label(QStringLiteral("útlum [dB/100 m]")), 2, 0);
    grid->addWidget(edLoss1, 2, 1);
    grid->addWidget(label(QStringLiteral("při [MHz]")), 2, 2);
    grid->addWidget(edFreq1, 2, 3);
    grid->addWidget(label(QStringLiteral("a [dB/100 m]")), 3, 0);
    grid->addWidget(edLoss2, 3, 1);
    grid->addWidget(label(QStringLiteral("při [MHz]")), 3, 2);
    grid->addWidget(edFreq2, 3, 3);

    rbPointAntenna = new QRadioButton(QStringLiteral("impedance antény"), this);
    rbPointShack = new QRadioButton(QStringLiteral("naměřeno u TRX"), this);
    rbTunerShack = new QRadioButton(QStringLiteral("u TRX"), this);
    rbTunerAntenna = new QRadioButton(QStringLiteral("u antény"), this);
    auto* pointGroup = new QButtonGroup(this);
    pointGroup->addButton(rbPointAntenna);
    pointGroup->addButton(rbPointShack);
    auto* tunerGroup = new QButtonGroup(this);
    tunerGroup->addButton(rbTunerShack);
    tunerGroup->addButton(rbTunerAntenna);
    grid->addWidget(label(QStringLiteral("bod v grafu je:")), 4, 0);
    grid->addWidget(rbPointAntenna, 4, 1, 1, 2);
    grid->addWidget(rbPointShack, 4, 3, 1, 2);
    grid->addWidget(label(QStringLiteral("ladicí člen je:")), 5, 0);
    grid->addWidget(rbTunerShack, 5, 1, 1, 2);
    grid->addWidget(rbTunerAntenna, 5, 3, 1, 2);

    lbResult = new QLabel(this);
    lbResult->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbResult->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(lbResult, 6, 0, 1, 6);
    grid->addWidget(lbNotice, 7, 0, 1, 6);
    btnUse = new QPushButton(QStringLiteral("Použít jako zátěž"), this);
    btnUse->setToolTip(QStringLiteral("Impedance u ladicího členu jako nová zátěž v grafu"));
    grid->addWidget(btnUse, 8, 0, 1, 2);
    chkMoveMeasurement =
        new QCheckBox(QStringLiteral("Přepočítat měření na konec u ladicího členu"), this);
    chkMoveMeasurement->setEnabled(false);
    grid->addWidget(chkMoveMeasurement, 9, 0, 1, 6);
    grid->setColumnStretch(6, 1);
    grid->setRowStretch(6, 1);

    if (OwnsDesign()) Design().SetFeed(SavedFeed());
    FFeed = Design().Feed();
    ShowFeed();
    for (QLineEdit* e : {edLength, edZ0, edVF, edLoss1, edFreq1, edLoss2, edFreq2})
        connect(e, &QLineEdit::editingFinished, this,
                [this] { Guarded([this] { ApplyInputs(); }); });
    connect(cbLine, &QComboBox::currentIndexChanged, this, [this] {
        Guarded([this] {
            // A catalogue line shows its own figures; "vlastní" starts from them.
            if (const TLine* line = FindLine(cbLine->currentText().toStdString())) {
                FFeed.Line = *line;
                ShowLine();
            } else {
                SetLineReadOnly(false);
            }
            ApplyInputs();
        });
    });
    for (QRadioButton* b : {rbPointAntenna, rbPointShack, rbTunerShack, rbTunerAntenna})
        connect(b, &QRadioButton::toggled, this, [this](bool on) {
            if (on) Guarded([this] { ApplyInputs(); });
        });
    connect(chkMoveMeasurement, &QCheckBox::toggled, this,
            [this](bool on) { Guarded([this, on] { Design().SetMoveTrace(on); }); });
    connect(btnUse, &QPushButton::clicked, this, [this] { Guarded([this] { UseAsLoad(); }); });
    SetCopyText([this] { return lbResult->text() + u'\n'; });
    // Room for every result line, Zc and the fit note among them.
    resize(560, 420);
    // The line takes part in the design while its window is open.
    Design().SetLineInUse(true);
    Observe();
}

TfrmFeedLine::~TfrmFeedLine() {
    // The spiral and the moved measurement go with the window.
    Design().SetLineInUse(false);
}

void TfrmFeedLine::DesignChanged(unsigned what) {
    if ((what & dcFeed) && !FApplying) {
        FFeed = Design().Feed();
        ShowFeed();
    }
    if (what & dcMeasurement) ShowMeasurementChoice();
    if (what & dcStep) FAntenna = Design().Step().Antenna;
    TToolWindow::DesignChanged(what);
    if (what & (dcFeed | dcOptions | dcStep)) Recompute();
}

void TfrmFeedLine::ShowMeasurementChoice() {
    const QSignalBlocker block(chkMoveMeasurement);
    chkMoveMeasurement->setChecked(Design().MoveTraceAsked());
    chkMoveMeasurement->setEnabled(Design().HasMeasurement());
}

TFeed TfrmFeedLine::SavedFeed() {
    TFeed feed = FirstFeed();
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return feed;
    s->beginGroup(QStringLiteral("feedline"));
    auto number = [&](const char* key, double fallback, bool (*valid)(double)) {
        bool ok = false;
        const double v = s->value(QLatin1String(key), fallback).toDouble(&ok);
        return ok && valid(v) ? v : fallback;
    };
    feed.LengthM = number("length", feed.LengthM, ValidLineLength);
    feed.Point = s->value(QStringLiteral("point")).toString() == QLatin1String("shack")
                     ? TPointAt::Shack
                     : TPointAt::Antenna;
    feed.Tuner = s->value(QStringLiteral("tuner")).toString() == QLatin1String("antenna")
                     ? TTunerAt::Antenna
                     : TTunerAt::Shack;
    const QString name = s->value(QStringLiteral("line"), QLatin1String(FirstLine)).toString();
    if (const TLine* line = FindLine(name.toStdString())) {
        feed.Line = *line;
    } else if (name == CustomName) {
        // A stored line of one's own that no longer holds gives way to the first line.
        try {
            std::vector<TLossPoint> points{
                {number("f1", 0, ValidFrequencyMHz), number("loss1", -1, ValidLineLoss)}};
            const double f2 = number("f2", 0, ValidFrequencyMHz);
            if (f2 > 0) points.push_back({f2, number("loss2", -1, ValidLineLoss)});
            feed.Line =
                LineOf(number("z0", 0, ValidZ0Line), number("vf", 0, ValidVelocityFactor), points);
        } catch (const ELineError&) {
        }
    }
    return feed;
}

void TfrmFeedLine::SaveSettings() const {
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return;
    s->beginGroup(QStringLiteral("feedline"));
    const TLine& line = FFeed.Line;
    s->setValue(QStringLiteral("line"),
                line.Name.empty() ? CustomName : QString::fromStdString(line.Name));
    s->setValue(QStringLiteral("length"), FFeed.LengthM);
    s->setValue(QStringLiteral("point"), FFeed.Point == TPointAt::Shack ? "shack" : "antenna");
    s->setValue(QStringLiteral("tuner"), FFeed.Tuner == TTunerAt::Antenna ? "antenna" : "shack");
    s->setValue(QStringLiteral("z0"), line.Z0);
    s->setValue(QStringLiteral("vf"), line.VF);
    for (std::size_t i = 0; i < 2; ++i) {
        const bool has = i < line.Points.size();
        s->setValue(i ? QStringLiteral("f2") : QStringLiteral("f1"),
                    has ? line.Points[i].FrequencyMHz : 0.0);
        s->setValue(i ? QStringLiteral("loss2") : QStringLiteral("loss1"),
                    has ? line.Points[i].DbPer100m() : 0.0);
    }
}

// The line's fields from the feed, without their signals: showing is no
// input. Typed text is never rewritten, so that it is never read back rounded.
void TfrmFeedLine::ShowLine() {
    const TLine& line = FFeed.Line;
    const bool custom = line.Name.empty();
    const QSignalBlocker block(cbLine);
    cbLine->setCurrentText(custom ? CustomName : QString::fromStdString(line.Name));
    edZ0->setText(Fmt("#0.0", line.Z0));
    edVF->setText(Fmt("#0.000", line.VF));
    edLoss1->setText(line.Points.empty() ? QString() : PointText(line.Points[0]));
    edFreq1->setText(line.Points.empty() ? QString() : Fmt("#0.000", line.Points[0].FrequencyMHz));
    edLoss2->setText(line.Points.size() < 2 ? QString() : PointText(line.Points[1]));
    edFreq2->setText(line.Points.size() < 2 ? QString()
                                            : Fmt("#0.000", line.Points[1].FrequencyMHz));
    SetLineReadOnly(!custom);
}

void TfrmFeedLine::SetLineReadOnly(bool readOnly) {
    for (QLineEdit* e : {edZ0, edVF, edLoss1, edFreq1, edLoss2, edFreq2})
        e->setReadOnly(readOnly);
}

void TfrmFeedLine::ShowFeed() {
    ShowLine();
    edLength->setText(Fmt("#0.000", FFeed.LengthM));
    for (auto [button, on] : {std::pair{rbPointAntenna, FFeed.Point == TPointAt::Antenna},
                              std::pair{rbPointShack, FFeed.Point == TPointAt::Shack},
                              std::pair{rbTunerShack, FFeed.Tuner == TTunerAt::Shack},
                              std::pair{rbTunerAntenna, FFeed.Tuner == TTunerAt::Antenna}}) {
        const QSignalBlocker b(button);
        button->setChecked(on);
    }
}

void TfrmFeedLine::ApplyInputs() {
    TFeed feed = FFeed;
    feed.LengthM =
        RangedText(edLength, ValidLineLength, QStringLiteral("od 0 do 100000 m (100 km)"));
    feed.Point = rbPointShack->isChecked() ? TPointAt::Shack : TPointAt::Antenna;
    feed.Tuner = rbTunerAntenna->isChecked() ? TTunerAt::Antenna : TTunerAt::Shack;
    if (cbLine->currentText() == CustomName) {
        const QString lossRange = QStringLiteral("od 0 do 1000 dB/100 m");
        // The bounds written as the fields take numbers: "." as separator.
        const QString fRange = QStringLiteral("od %1 do %2 MHz")
                                   .arg(Fmt("#0.000", MinFrequencyMHz), Fmt("#0", MaxFrequencyMHz));
        std::vector<TLossPoint> points{{RangedText(edFreq1, ValidFrequencyMHz, fRange),
                                        RangedText(edLoss1, ValidLineLoss, lossRange)}};
        // The second point is optional: both its fields empty leave one.
        if (!edLoss2->text().trimmed().isEmpty() || !edFreq2->text().trimmed().isEmpty())
            points.push_back({RangedText(edFreq2, ValidFrequencyMHz, fRange),
                              RangedText(edLoss2, ValidLineLoss, lossRange)});
        const double z0 = RangedText(edZ0, ValidZ0Line, QStringLiteral("od 1 do 10000 ohm"));
        const double vf =
            RangedText(edVF, ValidVelocityFactor,
                       QStringLiteral("od %1 do %2")
                           .arg(Fmt("#0.0", MinVelocityFactor), Fmt("#0", MaxVelocityFactor)));
        try {
            feed.Line = LineOf(z0, vf, points);
        } catch (const ELineError&) {
            throw EConvertError(QStringLiteral("Dva body útlumu musí být na různých kmitočtech"));
        }
    }
    FFeed = feed;
    FApplying = true;
    try {
        Design().SetFeed(feed);
    } catch (...) {
        FApplying = false;
        throw;
    }
    FApplying = false;
    SaveSettings();
}

bool TfrmFeedLine::MovesMeasurement() const {
    return chkMoveMeasurement->isEnabled() && chkMoveMeasurement->isChecked();
}

void TfrmFeedLine::SetLoad(const TLoad& load, double fMHz) {
    FLoad = load;
    FFrequency = fMHz;
    FHasLoad = true;
    Recompute();
}

void TfrmFeedLine::ShowStep(const TLoad& load, double fMHz) {
    SetLoad(load, fMHz);
}

void TfrmFeedLine::ClearStep() {
    FHasLoad = false;
    Recompute();
}

std::optional<double> TfrmFeedLine::ShownFrequency() const {
    return FHasLoad ? std::optional<double>(FFrequency) : std::nullopt;
}

void TfrmFeedLine::Recompute() {
    ShowResult();
}

void TfrmFeedLine::ShowResult() {
    FResult.reset();
    btnUse->setEnabled(false);
    const TLine& line = FFeed.Line;
    QString text =
        QStringLiteral("útlum vedení %1 dB/100 m při %2 MHz\n")
            .arg(Fmt("#0.000", line.LossDbPer100m(FFrequency)), Fmt("#0.000", FFrequency));
    if (!FHasLoad) {
        lbResult->setText(text + QStringLiteral("Klikni na plochu grafu"));
        return;
    }
    if (line.ClampedTerm)
        text += QStringLiteral("pozn.: z bodů útlumu vychází záporný člen, počítá se s nulou\n");
    try {
        // A load already moved to the tuner's end is shown from its antenna,
        // so that the line is never applied to it twice.
        TFeed feed = FFeed;
        if (FAntenna) feed.Point = TPointAt::Antenna;
        FResult = FeedThrough(feed, FAntenna ? *FAntenna : FLoad, FFrequency, FZ0Ref,
                              Design().Options().PowerW);
    } catch (const ELineError&) {
        // Only a shack reading moved back to the antenna is refused.
        lbResult->setText(text + QStringLiteral("Tento bod nemohl být naměřen u TRX přes toto "
                                                "vedení: anténa by měla záporný odpor"));
        return;
    } catch (const EMathError&) {
        lbResult->setText(text + QStringLiteral("Tuto zátěž nelze vedením přenést"));
        return;
    }
    const TLineFigures& f = FResult->Line;
    text += QStringLiteral("elektrická délka %1° (%2 λ)\n")
                .arg(Fmt("#0.0", f.Degrees), Fmt("#0.000", f.Wavelengths));
    text +=
        QStringLiteral("u antény: %1, PSV %2\n").arg(ImpedanceText(f.Far), ShownSwrText(f.FarSwr));
    text +=
        QStringLiteral("u TRX: %1, PSV %2\n").arg(ImpedanceText(f.Near), ShownSwrText(f.NearSwr));
    text += QStringLiteral("PSV na vedení proti jeho Z0 %1 ohm\n").arg(Fmt("#0.0", line.Z0));
    text += QStringLiteral("vlnová impedance Zc: %1\n").arg(ImpedanceText(f.Zc));
    text += QStringLiteral("PSV proti Zc: u antény %1, u TRX %2\n")
                .arg(ShownSwrText(f.FarLineSwr), ShownSwrText(f.NearLineSwr));
    text += QStringLiteral("útlum při přizpůsobení %1 dB, celkový útlum %2\n")
                .arg(Fmt("#0.000", f.MatchedLossDb),
                     f.TotalLossDb ? Fmt("#0.000", *f.TotalLossDb) + QStringLiteral(" dB")
                                   : QStringLiteral("—"));
    text += QStringLiteral("výkon na anténě %1 z %2 W\n")
                .arg(f.PowerAtFarW ? Fmt("#0.0", *f.PowerAtFarW) + QStringLiteral(" W")
                                   : QStringLiteral("—"),
                     Fmt("#0.0", Design().Options().PowerW));
    const TLoad& t = FResult->TunerLoad;
    const bool usable = IsMatchable(t) && ValidLoadR(t.R) && ValidLoadX(t.X);
    text += QStringLiteral("bod u ladicího členu: %1%2")
                .arg(ImpedanceText(t),
                     usable ? QString() : QStringLiteral(" — tuto zátěž nelze přizpůsobit"));
    lbResult->setText(text);
    btnUse->setEnabled(usable);
}

void TfrmFeedLine::UseAsLoad() {
    if (!FResult || !btnUse->isEnabled() || !FOnUse) return;
    FOnUse(FResult->TunerLoad, FFrequency, FResult->Antenna);
}
