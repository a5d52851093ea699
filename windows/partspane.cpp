#include "partspane.h"

#include "apperror.h"
#include "numtext.h"
#include "quantity.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

QString Num(double value, int decimals) {
    return QString::fromStdString(FormatFixed(value, decimals));
}

QString PartValue(TElementKind kind, double value) {
    return ElementValueCs({kind, value});
}

QString PartName(const TElement& e) {
    return e.Kind == TElementKind::Coil ? QStringLiteral("cívka") : QStringLiteral("kondenzátor");
}

// The adjective agrees with the part: "sériová cívka", "sériový kondenzátor".
QString RoleCs(bool series, const TElement& e) {
    if (!series) return QStringLiteral("paralelní");
    return e.Kind == TElementKind::Coil ? QStringLiteral("sériová") : QStringLiteral("sériový");
}

} // namespace

QString ElementValueCs(const TElement& e) {
    if (!e.Present()) return QStringLiteral("—");
    return QString::fromStdString(ElementValueText(e)) +
           (e.Kind == TElementKind::Coil ? QStringLiteral(" uH") : QStringLiteral(" pF"));
}

QString PairTextCs(const TPartPair& pair) {
    QStringList parts;
    for (const double v : pair.Parts)
        parts << PartValue(pair.Kind, v);
    QString text = parts.join(pair.Connection == TConnection::Parallel ? QStringLiteral(" ∥ ")
                                                                       : QStringLiteral(" + "));
    if (pair.Connection != TConnection::Single)
        text += (pair.Connection == TConnection::Parallel ? QStringLiteral(" paralelně = ")
                                                          : QStringLiteral(" sériově = ")) +
                PartValue(pair.Kind, pair.Value);
    const double percent = 100.0 * (pair.Value - pair.Target) / pair.Target;
    return text + QStringLiteral(" (%1%2 %)").arg(percent >= 0 ? QStringLiteral("+") : QString(),
                                                   Num(percent, 2));
}

namespace {

// Turns in Czech: 1 závit, 2–4 závity, otherwise závitů; a fraction takes "závitu".
QString TurnsCs(double turns, int decimals) {
    const QString n = Num(turns, decimals);
    if (decimals > 0 && turns != std::floor(turns)) return n + QStringLiteral(" závitu");
    const long whole = std::lround(turns);
    if (whole == 1) return n + QStringLiteral(" závit");
    if (whole >= 2 && whole <= 4) return n + QStringLiteral(" závity");
    return n + QStringLiteral(" závitů");
}

} // namespace

QString PartLineCs(bool series, const TElement& e, const TElementParts& p,
                   const TWindingOptions& winding) {
    QString role = RoleCs(series, e);
    role[0] = role[0].toUpper();
    QString line = role + u' ' + PartName(e) + u' ' +
                   PartValue(e.Kind, e.Value) + QStringLiteral(": ");
    if (e.Kind == TElementKind::Capacitor)
        return line + QStringLiteral("napětí %1 V (špička), jmenovité napětí %2")
                          .arg(Num(p.PeakV, 1), p.RatingV ? Num(*p.RatingV, 0) + QStringLiteral(" V")
                                                          : QStringLiteral("nad 10000 V"));
    line += QStringLiteral("proud %1 A (efektivní)").arg(Num(p.RmsA, 3));
    if (p.Winding) {
        line += QStringLiteral("; vzduchová cívka %1, délka vinutí %2 mm, %3")
                    .arg(TurnsCs(p.Winding->Turns, 1), Num(p.Winding->LengthMm, 1),
                         PartValue(TElementKind::Coil, p.Winding->InductanceUh));
        if (p.Winding->Shape == TCoilShape::Long)
            line += QStringLiteral(" (delší než 10 průměrů kostry)");
        if (p.Winding->Shape == TCoilShape::Short)
            line += QStringLiteral(" (kratší než desetina průměru kostry)");
    } else if (winding.Form) {
        line += QStringLiteral("; vzduchová cívka: méně než jeden závit nebo přes 100000");
    }
    if (p.Toroid)
        line += QStringLiteral("; toroid %1: %2, %3")
                    .arg(QString::fromLatin1(p.Toroid->Core), TurnsCs(p.Toroid->Turns, 0),
                         PartValue(TElementKind::Coil, p.Toroid->InductanceUh));
    return line;
}

namespace {

double MmValue(const QString& text) {
    const double v = StrToFloat(text);
    if (!(v > 0) || v > 1000)
        throw EConvertError(QStringLiteral("'%1' není platná hodnota, musí být větší než 0 a nejvýše 1000")
                                .arg(text));
    return v;
}

} // namespace

QString PartsTextCs(const TNetworkReport& rep, int number, const TPartsReport& p,
                    const TDesignOptions& options, const TWindingOptions& winding) {
    const TLNetwork& n = rep.Network;
    QStringList lines;
    lines << QStringLiteral("Síť %1: %2%3")
                 .arg(number)
                 .arg(QString::fromUtf8(KindNameCs(n)),
                      n.Chart ? QStringLiteral(" (graf)") : QString());
    if (p.HasAsBuilt)
        lines << QStringLiteral("Součástky z řady %1: PSV se ztrátami %2, účinnost %3 %, ztráta %4 dB, "
                                "napětí na paralelním prvku %5 V (špička), proud sériovým prvkem %6 A")
                     .arg(QString::fromLatin1(SeriesName(options.Series)),
                          ShownSwrText(p.AsBuilt.SwrWithLosses), Num(100.0 * p.AsBuilt.Efficiency, 2),
                          Num(p.AsBuilt.LossDb, 3), Num(p.AsBuilt.ShuntPeakV, 1),
                          Num(p.AsBuilt.SeriesRmsA, 3));
    if (p.HasLossyExact) {
        QStringList parts;
        if (p.LossyExact.Series.Present())
            parts << RoleCs(true, p.LossyExact.Series) + u' ' + PartName(p.LossyExact.Series) + u' ' +
                         PartValue(p.LossyExact.Series.Kind, p.LossyExact.Series.Value);
        if (p.LossyExact.Shunt.Present())
            parts << RoleCs(false, p.LossyExact.Shunt) + u' ' + PartName(p.LossyExact.Shunt) + u' ' +
                         PartValue(p.LossyExact.Shunt.Kind, p.LossyExact.Shunt.Value);
        lines << QStringLiteral("Hodnoty pro součástky se ztrátami: ") +
                     (parts.isEmpty() ? QStringLiteral("žádné součástky") : parts.join(QStringLiteral(", ")));
    } else {
        lines << QStringLiteral("Hodnoty pro součástky se ztrátami: nejsou (ztráty nedovolí přesné "
                                "přizpůsobení)");
    }
    if (p.HasAsBuilt) {
        if (!p.Series.Pair.Parts.empty())
            lines << QStringLiteral("Dvojice z řady, sériový prvek: ") + PairTextCs(p.Series.Pair);
        if (!p.Shunt.Pair.Parts.empty())
            lines << QStringLiteral("Dvojice z řady, paralelní prvek: ") + PairTextCs(p.Shunt.Pair);
        lines << QStringLiteral("PSV se ztrátami s dvojicemi: ") + ShownSwrText(p.PairSwr);
    }
    if (n.Series.Present()) lines << PartLineCs(true, n.Series, p.Series, winding);
    if (n.Shunt.Present()) lines << PartLineCs(false, n.Shunt, p.Shunt, winding);
    return lines.join(u'\n');
}

TPartsPane::TPartsPane(QWidget* parent) : QWidget(parent) {
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    edForm = new QLineEdit(this);
    edWire = new QLineEdit(this);
    edPitch = new QLineEdit(this);
    edPitch->setPlaceholderText(QStringLiteral("= drát"));
    cbToroid = new QComboBox(this);
    cbToroid->addItem(QStringLiteral("žádný"));
    for (const TToroidCore& core : ToroidCores())
        cbToroid->addItem(QString::fromLatin1(core.Name));
    int column = 0;
    auto addInput = [&](const QString& caption, QWidget* input) {
        grid->addWidget(new QLabel(caption, this), 0, column++);
        grid->addWidget(input, 0, column++);
    };
    for (QLineEdit* e : {edForm, edWire, edPitch})
        e->setMaximumWidth(60);
    addInput(QStringLiteral("kostra cívky [mm]"), edForm);
    addInput(QStringLiteral("drát [mm]"), edWire);
    addInput(QStringLiteral("stoupání [mm]"), edPitch);
    addInput(QStringLiteral("toroid"), cbToroid);
    grid->setColumnStretch(column, 1);
    mmParts = new QPlainTextEdit(this);
    mmParts->setReadOnly(true);
    // Keyboard selection too: Ctrl+A, Ctrl+C in the pane copies the pane, not the table.
    mmParts->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    mmParts->setLineWrapMode(QPlainTextEdit::NoWrap);
    mmParts->setFixedHeight(mmParts->fontMetrics().lineSpacing() * 8 + 12);
    grid->addWidget(mmParts, 1, 0, 1, column + 1);
    for (QLineEdit* e : {edForm, edWire, edPitch})
        connect(e, &QLineEdit::editingFinished, this, [this] { Guarded([this] { ApplyInputs(); }); });
    connect(cbToroid, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { ApplyInputs(); }); });
}

TWindingOptions WindingFromTexts(const TWindingTexts& texts) {
    TWindingOptions w;
    const bool formGiven = !texts.Form.trimmed().isEmpty();
    const bool wireGiven = !texts.Wire.trimmed().isEmpty();
    if (formGiven || wireGiven) {
        TAirCoilForm form;
        form.FormMm = MmValue(texts.Form);
        form.WireMm = MmValue(texts.Wire);
        form.PitchMm = texts.Pitch.trimmed().isEmpty() ? form.WireMm : MmValue(texts.Pitch);
        if (const auto fault = FormFault(form)) {
            if (*fault == TFormFault::WireAbovePitch)
                throw EConvertError(QStringLiteral("Drát %1 mm je tlustší než stoupání %2 mm")
                                        .arg(texts.Wire.trimmed(), Num(form.PitchMm, 2)));
            throw EConvertError(QStringLiteral("Kostra %1 mm je tenčí než drát %2 mm")
                                    .arg(texts.Form.trimmed(), texts.Wire.trimmed()));
        }
        w.Form = form;
    }
    if (!texts.Core.isEmpty()) w.Core = FindToroidCore(texts.Core.toStdString());
    return w;
}

TWindingOptions TPartsPane::ReadInputs() const {
    return WindingFromTexts(Texts());
}

void TPartsPane::ApplyInputs() {
    FWinding = ReadInputs();
    if (OnWindingChanged) OnWindingChanged();
}

TWindingTexts TPartsPane::Texts() const {
    return {edForm->text(), edWire->text(), edPitch->text(),
            cbToroid->currentIndex() > 0 ? cbToroid->currentText() : QString()};
}

void TPartsPane::SetTexts(const TWindingTexts& texts) {
    const QSignalBlocker block(cbToroid);
    edForm->setText(texts.Form);
    edWire->setText(texts.Wire);
    edPitch->setText(texts.Pitch);
    const int core = cbToroid->findText(texts.Core);
    cbToroid->setCurrentIndex(core > 0 ? core : 0);
    try {
        FWinding = ReadInputs();
    } catch (const std::exception&) {
        // A remembered winding that no longer passes is dropped, not shown as an error.
        for (QLineEdit* e : {edForm, edWire, edPitch})
            e->clear();
        FWinding = ReadInputs();
    }
}

void TPartsPane::Show(const TNetworkReport* rep, int number, const TLoad& load, double fMHz,
                      const TDesignOptions& options) {
    if (!rep) {
        mmParts->clear();
        return;
    }
    const TPartsReport parts = BuildParts(*rep, load, fMHz, options, FWinding);
    mmParts->setPlainText(PartsTextCs(*rep, number, parts, options, FWinding));
}

QString TPartsPane::Text() const {
    return mmParts->toPlainText();
}
