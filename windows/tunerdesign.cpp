#include "tunerdesign.h"

#include "apperror.h"
#include "chartgeometry.h"
#include "layer.h"
#include "numtext.h"
#include "quantity.h"
#include "windowstyle.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QRegularExpression>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <set>
#include <stdexcept>

namespace {

const QStringList Headers = {QStringLiteral("kmitočet [MHz]"), QStringLiteral("L min"),
                             QStringLiteral("L max"),          QStringLiteral("C min"),
                             QStringLiteral("C max"),          QStringLiteral("napětí max [V]"),
                             QStringLiteral("proud max [A]"),  QStringLiteral("účinnost min"),
                             QStringLiteral("LC/CL")};
// What Ctrl+C copies: the shown headers with the units their tips give.
const QStringList CopyHeaders = {
    QStringLiteral("kmitočet [MHz]"), QStringLiteral("L min [uH]"),
    QStringLiteral("L max [uH]"),     QStringLiteral("C min [pF]"),
    QStringLiteral("C max [pF]"),     QStringLiteral("napětí max [V]"),
    QStringLiteral("proud max [A]"),  QStringLiteral("účinnost min [%]"),
    QStringLiteral("LC/CL")};
const QStringList HeaderTips = {QString(),
                                QStringLiteral("uH"),
                                QStringLiteral("uH"),
                                QStringLiteral("pF"),
                                QStringLiteral("pF"),
                                QStringLiteral("špičkové napětí na paralelním prvku"),
                                QStringLiteral("efektivní proud sériovým prvkem"),
                                QStringLiteral("%"),
                                QStringLiteral("počet bodů kružnice s LC / s CL")};

// Room between a number and the column to its left.
constexpr int CellPadding = 14;

// Ctrl+C copies whole rows with the header, not just the current cell.
class TEnvelopeTable : public QTableWidget {
public:
    TEnvelopeTable(std::function<QString()> copyText, QWidget* parent)
        : QTableWidget(parent), FCopyText(std::move(copyText)) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->matches(QKeySequence::Copy)) {
            Guarded([this] { QApplication::clipboard()->setText(FCopyText()); });
            event->accept();
            return;
        }
        QTableWidget::keyPressEvent(event);
    }

private:
    std::function<QString()> FCopyText;
};

[[noreturn]] void Refuse(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

// The shortest text that reads back as the same number.
QString NumberText(double value) {
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
    return ec == std::errc() ? QString::fromLatin1(buf, int(end - buf)) : QString();
}

QString QualityText(double q, double fallback) {
    // A lossless part (infinite Q) has no text the edit would take back.
    return NumberText(std::isfinite(q) && q > 0 ? q : fallback);
}

QLineEdit* AddInput(QHBoxLayout* row, const QString& label, const QString& text, int width) {
    row->addWidget(new QLabel(label));
    auto* edit = new QLineEdit(text);
    if (width > 0) edit->setFixedWidth(width);
    row->addWidget(edit);
    row->addSpacing(12);
    return edit;
}

struct TCell {
    QString Text;
    QString Tip;
};

TCell ExtremeCell(const TBandEnvelope& b, const TEnvelopeExtreme& e, const QString& pattern,
                  double scale, bool overBands) {
    if (b.Covered() == 0) return {QStringLiteral("-"), QString()};
    QString tip = QStringLiteral("úhel ") + FormatFloat(QStringLiteral("#0"), e.Angle) + u'°';
    if (overBands) tip = NumberText(e.FrequencyMHz) + QStringLiteral(" MHz, ") + tip;
    return {FormatFloat(pattern, e.Value * scale), tip};
}

std::vector<TCell> RowCells(const TBandEnvelope& b, bool overBands) {
    QString counts = QStringLiteral("LC: %1 bodů, CL: %2 bodů").arg(b.LcCount).arg(b.ClCount);
    if (b.Unmatched > 0) counts += QStringLiteral(", bez sítě: %1").arg(b.Unmatched);
    return {
        {overBands ? QStringLiteral("celkem") : NumberText(b.FrequencyMHz), QString()},
        ExtremeCell(b, b.LMin, QStringLiteral("#0.000"), 1, overBands),
        ExtremeCell(b, b.LMax, QStringLiteral("#0.000"), 1, overBands),
        ExtremeCell(b, b.CMin, QStringLiteral("#0.0"), 1, overBands),
        ExtremeCell(b, b.CMax, QStringLiteral("#0.0"), 1, overBands),
        ExtremeCell(b, b.ShuntPeakVMax, QStringLiteral("#0"), 1, overBands),
        ExtremeCell(b, b.SeriesRmsAMax, QStringLiteral("#0.00"), 1, overBands),
        ExtremeCell(b, b.EfficiencyMin, QStringLiteral("#0.0"), 100, overBands),
        {QString::number(b.LcCount) + u'/' + QString::number(b.ClCount), counts},
    };
}

} // namespace

TfrmTunerDesign::TfrmTunerDesign(const QString& swrText, double qCoil, double qCapacitor,
                                 QWidget* parent)
    : TToolWindow(QStringLiteral("Návrh ladicího členu"), 11, ToolWindowFlags, parent) {
    UseWindowColour(this);
    CenterWhenFirstShown();

    auto* column = new QVBoxLayout(this);
    auto* inputs = new QHBoxLayout;
    edPSV = AddInput(inputs, QStringLiteral("PSV"), swrText, 50);
    edPower = AddInput(inputs, QStringLiteral("výkon [W]"), QStringLiteral("100"), 50);
    edQL = AddInput(inputs, QStringLiteral("jakost cívky Q"), QualityText(qCoil, 200.0), 50);
    edQC = AddInput(inputs, QStringLiteral("jakost kondenzátoru Q"),
                    QualityText(qCapacitor, 1000.0), 50);
    inputs->addStretch();
    column->addLayout(inputs);

    auto* bandRow = new QHBoxLayout;
    QStringList bandTexts;
    for (const double f : DefaultEnvelopeBands())
        bandTexts << NumberText(f);
    edBands = AddInput(bandRow, QStringLiteral("kmitočty [MHz]"),
                       bandTexts.join(QStringLiteral(", ")), 0);
    column->addLayout(bandRow);

    sgEnvelope = new TEnvelopeTable([this] { return SelectionText(); }, this);
    sgEnvelope->setColumnCount(int(Headers.size()));
    sgEnvelope->setHorizontalHeaderLabels(Headers);
    for (int c = 0; c < Headers.size(); ++c)
        if (!HeaderTips[c].isEmpty())
            sgEnvelope->horizontalHeaderItem(c)->setToolTip(HeaderTips[c]);
    // Columns start narrow and grow to their contents.
    sgEnvelope->horizontalHeader()->setDefaultSectionSize(
        sgEnvelope->horizontalHeader()->minimumSectionSize());
    sgEnvelope->verticalHeader()->hide();
    sgEnvelope->verticalHeader()->setDefaultSectionSize(20);
    sgEnvelope->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sgEnvelope->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgEnvelope->setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Opens showing the whole table, without scroll bars.
    sgEnvelope->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    column->addWidget(sgEnvelope, 1);

    auto* note = new QLabel(QStringLiteral(
        "Pro každý kmitočet 360 bodů kružnice PSV po 1°, síť jako v grafu. L v uH, C v pF, "
        "účinnost v %. Úhel extrému ukáže bublina nad buňkou."));
    note->setWordWrap(true);
    column->addWidget(note);

    for (QLineEdit* edit : {edPSV, edPower, edQL, edQC, edBands})
        connect(edit, &QLineEdit::editingFinished, this,
                [this] { Guarded([this] { Recalculate(); }); });
    Guarded([this] { Recalculate(); });
    adjustSize();
}

void TfrmTunerDesign::Recalculate() {
    // Everything is read and checked before the table changes.
    const double swr = StrToFloat(edPSV->text());
    if (!(swr >= 1.0)) Refuse(QStringLiteral("PSV musí být alespoň 1"));
    if (!(ChartMagnitude(swr) < 1.0))
        Refuse(QStringLiteral("PSV je příliš velké: kružnice leží na okraji diagramu"));
    const double power = StrToFloat(edPower->text());
    // The ranges every other window and the command line hold too.
    if (!(power > 0)) Refuse(QStringLiteral("Výkon musí být větší než 0"));
    if (!ValidPowerW(power))
        Refuse(QStringLiteral("Výkon musí být nejvýše %1 W").arg(Fmt("#0", MaxPowerW)));
    const TQuality q{StrToFloat(edQL->text()), StrToFloat(edQC->text())};
    if (!(q.Coil > 0)) Refuse(QStringLiteral("Jakost cívky musí být větší než 0"));
    if (!(q.Capacitor > 0)) Refuse(QStringLiteral("Jakost kondenzátoru musí být větší než 0"));
    const QString qRange = QStringLiteral("od %1 do %2").arg(Fmt("#0", MinQ), Fmt("#0", MaxQ));
    if (!ValidQ(q.Coil)) Refuse(QStringLiteral("Jakost cívky musí být ") + qRange);
    if (!ValidQ(q.Capacitor)) Refuse(QStringLiteral("Jakost kondenzátoru musí být ") + qRange);
    std::vector<double> bands;
    try {
        bands = ParseBandList(edBands->text().toStdString());
    } catch (const ETextError& e) {
        const QString text = QString::fromStdString(e.Text);
        switch (e.Code) {
        case TTextFault::EmptyList:
            Refuse(QStringLiteral("Zadejte alespoň jeden kmitočet"));
        case TTextFault::NotPositive:
            Refuse(QStringLiteral("Kmitočet '%1' musí být větší než 0").arg(text));
        case TTextFault::EmptyItem:
            Refuse(QStringLiteral("V seznamu kmitočtů '%1' chybí číslo mezi oddělovači").arg(text));
        case TTextFault::DecimalComma:
            Refuse(
                QStringLiteral("'%1': desetinná místa pište za tečku, kmitočty oddělujte mezerou "
                               "nebo středníkem")
                    .arg(text));
        case TTextFault::NotANumber:
        case TTextFault::OutOfRange:
            // The panel's own message for a non-number; what is left underflowed to 0.
            StrToFloat(text);
            Refuse(QStringLiteral("Kmitočet '%1' musí být větší než 0").arg(text));
        }
        throw;
    }

    std::vector<TBandEnvelope> result = Envelope(swr, bands, power, q);
    FTotal = EnvelopeTotal(result);
    FBands = std::move(result);
    FillTable();
}

void TfrmTunerDesign::FillTable() {
    sgEnvelope->clearContents();
    sgEnvelope->setRowCount(int(FBands.size()) + 1);
    auto fill = [this](int row, const std::vector<TCell>& cells) {
        for (int c = 0; c < int(cells.size()); ++c) {
            auto* item = new QTableWidgetItem(cells[c].Text);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (!cells[c].Tip.isEmpty()) item->setToolTip(cells[c].Tip);
            sgEnvelope->setItem(row, c, item);
        }
    };
    for (int r = 0; r < int(FBands.size()); ++r)
        fill(r, RowCells(FBands[r], false));
    fill(int(FBands.size()), RowCells(FTotal, true));
    QFont bold = sgEnvelope->font();
    bold.setBold(true);
    for (int c = 0; c < sgEnvelope->columnCount(); ++c)
        sgEnvelope->item(int(FBands.size()), c)->setFont(bold);
    // Wider only: columns that jump back and forth as the user types would
    // move the numbers under the eye.
    std::vector<int> widths;
    for (int c = 0; c < sgEnvelope->columnCount(); ++c)
        widths.push_back(sgEnvelope->columnWidth(c));
    sgEnvelope->resizeColumnsToContents();
    int tableWidth =
        2 * sgEnvelope->frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int c = 0; c < sgEnvelope->columnCount(); ++c) {
        sgEnvelope->setColumnWidth(c,
                                   std::max(widths[c], sgEnvelope->columnWidth(c) + CellPadding));
        tableWidth += sgEnvelope->columnWidth(c);
    }
    // Every column stays in view, a scroll bar for many bands included.
    sgEnvelope->setMinimumWidth(tableWidth);
}

QString TfrmTunerDesign::RowText(int row) const {
    QStringList cells;
    for (int c = 0; c < sgEnvelope->columnCount(); ++c) {
        const QTableWidgetItem* item = sgEnvelope->item(row, c);
        cells << (item ? item->text() : QString());
    }
    return cells.join(u'\t') + u'\n';
}

QString TfrmTunerDesign::TableText() const {
    QString text = CopyHeaders.join(u'\t') + u'\n';
    for (int r = 0; r < sgEnvelope->rowCount(); ++r)
        text += RowText(r);
    return text;
}

QString TfrmTunerDesign::SelectionText() const {
    std::set<int> rows;
    for (const QTableWidgetItem* item : sgEnvelope->selectedItems())
        rows.insert(item->row());
    if (rows.empty()) return TableText();
    QString text = CopyHeaders.join(u'\t') + u'\n';
    for (const int r : rows)
        text += RowText(r);
    return text;
}

void TfrmTunerDesign::closeEvent(QCloseEvent* event) {
    event->accept();
    Guarded([this] {
        // Freed once it has closed; whoever opened it forgets it through FOnClosed.
        setAttribute(Qt::WA_DeleteOnClose, true);
        if (FOnClosed) FOnClosed();
    });
}
