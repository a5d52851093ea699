#include "partspane.h"

#include "apperror.h"
#include "numtext.h"
#include "quantity.h"

#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <array>

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
    return text + QStringLiteral(" (%1%2 %)")
                      .arg(percent >= 0 ? QStringLiteral("+") : QString(), Num(percent, 2));
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
    QString line =
        role + u' ' + PartName(e) + u' ' + PartValue(e.Kind, e.Value) + QStringLiteral(": ");
    if (e.Kind == TElementKind::Capacitor)
        return line + QStringLiteral("napětí %1 V (špička), jmenovité napětí %2")
                          .arg(Num(p.PeakV, 1), p.RatingV
                                                    ? Num(*p.RatingV, 0) + QStringLiteral(" V")
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

// A winding input's text, refused with the field's own range: empty text is
// no value yet (a half-typed winding), never an error.
std::optional<double> FieldMm(const QString& text, TWindingField field) {
    if (text.trimmed().isEmpty()) return std::nullopt;
    const double v = StrToFloat(text);
    switch (field) {
    case TWindingField::Form:
        if (!ValidFormMm(v))
            throw EConvertError(
                QStringLiteral("'%1' není platná hodnota, kostra musí mít průměr 2 až 300 mm")
                    .arg(text));
        break;
    case TWindingField::Wire:
        if (!ValidWireMm(v))
            throw EConvertError(
                QStringLiteral("'%1' není platná hodnota, drát musí mít průměr 0.05 až 10 mm")
                    .arg(text));
        break;
    case TWindingField::Pitch:
        if (!ValidPitchMm(v))
            throw EConvertError(
                QStringLiteral(
                    "'%1' není platná hodnota, stoupání musí být od průměru drátu do 50 mm")
                    .arg(text));
        break;
    }
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
        lines << QStringLiteral(
                     "Součástky z řady %1: PSV se ztrátami %2, účinnost %3 %, ztráta %4 dB, "
                     "napětí na paralelním prvku %5 V (špička), proud sériovým prvkem %6 A")
                     .arg(QString::fromLatin1(SeriesName(options.Series)),
                          ShownSwrText(p.AsBuilt.SwrWithLosses),
                          Num(100.0 * p.AsBuilt.Efficiency, 2), Num(p.AsBuilt.LossDb, 3),
                          Num(p.AsBuilt.ShuntPeakV, 1), Num(p.AsBuilt.SeriesRmsA, 3));
    if (p.HasLossyExact) {
        QStringList parts;
        if (p.LossyExact.Series.Present())
            parts << RoleCs(true, p.LossyExact.Series) + u' ' + PartName(p.LossyExact.Series) +
                         u' ' + PartValue(p.LossyExact.Series.Kind, p.LossyExact.Series.Value);
        if (p.LossyExact.Shunt.Present())
            parts << RoleCs(false, p.LossyExact.Shunt) + u' ' + PartName(p.LossyExact.Shunt) +
                         u' ' + PartValue(p.LossyExact.Shunt.Kind, p.LossyExact.Shunt.Value);
        lines << QStringLiteral("Hodnoty pro součástky se ztrátami: ") +
                     (parts.isEmpty() ? QStringLiteral("žádné součástky")
                                      : parts.join(QStringLiteral(", ")));
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
    const std::pair<QLineEdit*, TWindingField> fields[] = {{edForm, TWindingField::Form},
                                                           {edWire, TWindingField::Wire},
                                                           {edPitch, TWindingField::Pitch}};
    for (const auto& [edit, field] : fields)
        connect(edit, &QLineEdit::editingFinished, this,
                [this, field] { Guarded([this, field] { ApplyInputs(field); }); });
    connect(cbToroid, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { ApplyInputs(); }); });
    // The read-only pane takes Ctrl+A and Ctrl+C itself, ahead of the
    // window's shortcuts for the table: copying follows the focus.
    mmParts->installEventFilter(this);
}

namespace {

// What the texts make: the winding, or why there is none.
struct TWindingRead {
    TWindingOptions Winding; // an air coil only when every text is good
    bool Bad = false;        // a text, or the form as a whole, is wrong
    QString FormFault;       // the form's fault, and the fields it concerns
    std::array<bool, 3> Concerns{};
};

TWindingRead ReadWinding(const TWindingTexts& texts) {
    TWindingRead r;
    if (!texts.Core.isEmpty()) r.Winding.Core = FindToroidCore(texts.Core.toStdString());
    const QString* text[3] = {&texts.Form, &texts.Wire, &texts.Pitch};
    std::optional<double> mm[3];
    for (int i = 0; i < 3; ++i)
        try {
            mm[i] = FieldMm(*text[i], TWindingField(i));
        } catch (const EConvertError&) {
            r.Bad = true;
        }
    // A form or a wire not typed yet is no air coil, and no error.
    if (r.Bad || !mm[0] || !mm[1]) return r;
    const TAirCoilForm form{*mm[0], *mm[1], mm[2] ? *mm[2] : *mm[1]};
    const std::optional<TFormFault> fault = FormFault(form);
    if (!fault) {
        r.Winding.Form = form;
        return r;
    }
    r.Bad = true;
    if (*fault == TFormFault::WireAbovePitch) {
        r.FormFault = QStringLiteral("Drát %1 mm je tlustší než stoupání %2 mm")
                          .arg(texts.Wire.trimmed(), Num(form.PitchMm, 2));
        r.Concerns = {false, true, true};
    } else {
        r.FormFault = QStringLiteral("Kostra %1 mm je tenčí než drát %2 mm")
                          .arg(texts.Form.trimmed(), texts.Wire.trimmed());
        r.Concerns = {true, true, false};
    }
    return r;
}

} // namespace

TWindingOptions WindingFromTexts(const TWindingTexts& texts) {
    for (const auto& [text, field] :
         {std::pair{&texts.Form, TWindingField::Form}, std::pair{&texts.Wire, TWindingField::Wire},
          std::pair{&texts.Pitch, TWindingField::Pitch}})
        FieldMm(*text, field);
    const TWindingRead r = ReadWinding(texts);
    if (!r.FormFault.isEmpty()) throw EConvertError(r.FormFault);
    return r.Winding;
}

void TPartsPane::ApplyInputs(std::optional<TWindingField> left) {
    const TWindingTexts texts = Texts();
    // The field just left is told once; another's fault was told when it was
    // left, the form's when one of its fields is.
    QString fault;
    if (left) {
        const QString leftText = left == TWindingField::Form   ? texts.Form
                                 : left == TWindingField::Wire ? texts.Wire
                                                               : texts.Pitch;
        try {
            FieldMm(leftText, *left);
        } catch (const EConvertError& e) {
            fault = e.Message;
        }
    }
    const TWindingRead r = ReadWinding(texts);
    if (r.Bad) {
        // The last good air coil stays until the texts make a new one.
        FWinding.Core = r.Winding.Core;
        if (left && fault.isEmpty() && r.Concerns[size_t(*left)]) fault = r.FormFault;
    } else {
        FWinding = r.Winding;
    }
    // What is typed is remembered (the window saves the texts) even when bad.
    if (OnWindingChanged) OnWindingChanged();
    if (!fault.isEmpty()) throw EConvertError(fault);
}

TWindingTexts TPartsPane::Texts() const {
    return {edForm->text(), edWire->text(), edPitch->text(),
            cbToroid->currentIndex() > 0 ? cbToroid->currentText() : QString()};
}

TWindingOptions TPartsPane::ReadInputs() const {
    return WindingFromTexts(Texts());
}

bool TPartsPane::eventFilter(QObject* watched, QEvent* event) {
    if (watched == mmParts && event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
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
        // A remembered text that no longer passes gives way to the default, not
        // to an error; a form whose texts pass but do not fit together, all of it.
        const std::pair<QLineEdit*, TWindingField> fields[] = {{edForm, TWindingField::Form},
                                                               {edWire, TWindingField::Wire},
                                                               {edPitch, TWindingField::Pitch}};
        for (const auto& [edit, field] : fields)
            try {
                FieldMm(edit->text(), field);
            } catch (const EConvertError&) {
                edit->clear();
            }
        try {
            FWinding = ReadInputs();
        } catch (const std::exception&) {
            for (const auto& field : fields)
                field.first->clear();
            FWinding = ReadInputs();
        }
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
