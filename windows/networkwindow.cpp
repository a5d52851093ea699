#include "networkwindow.h"

#include "apperror.h"
#include "numtext.h"
#include "quantity.h"
#include "schematic.h"
#include "windowstyle.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QSettings>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace {

const TESeries SeriesChoices[] = {TESeries::E6,  TESeries::E12, TESeries::E24,
                                  TESeries::E48, TESeries::E96, TESeries::None};

QString ElementName(const TElement& e) {
    if (!e.Present()) return QStringLiteral("—");
    return e.Kind == TElementKind::Coil ? QStringLiteral("cívka") : QStringLiteral("kondenzátor");
}

QString ElementValue(const TElement& e) {
    return ElementValueCs(e);
}

QString ElementLabel(const TElement& e) {
    return e.Present() ? ElementName(e) + u' ' + ElementValue(e) : QStringLiteral("—");
}

// Positive, finite, else the standard message and nothing changes.
double PositiveValue(const QLineEdit* edit) {
    const double v = StrToFloat(edit->text());
    if (!(v > 0))
        throw EConvertError(
            QStringLiteral("'%1' není platná hodnota, musí být větší než 0").arg(edit->text()));
    return v;
}

// The accepted range of one input: typed and stored values pass the same test.
struct TInputRange {
    double Least; // 0: only above 0
    double Most;
    bool (*Valid)(double);
};
constexpr TInputRange QRange{MinQ, MaxQ, ValidQ};
constexpr TInputRange PowerRange{0, MaxPowerW, ValidPowerW};
constexpr TInputRange Z0Range{MinZ0, MaxZ0, ValidZ0};

double RangedValue(const QLineEdit* edit, const TInputRange& range) {
    const double v = PositiveValue(edit);
    if (range.Valid(v)) return v;
    if (range.Least > 0)
        throw EConvertError(QStringLiteral("'%1' není platná hodnota, musí být od %2 do %3")
                                .arg(edit->text(), Fmt("#0", range.Least), Fmt("#0", range.Most)));
    throw EConvertError(QStringLiteral("'%1' není platná hodnota, musí být nejvýše %2")
                            .arg(edit->text(), Fmt("#0", range.Most)));
}

enum Column {
    ColSchematic,
    ColKind,
    ColSeries,
    ColShunt,
    ColStandard,
    ColStandardSwr,
    ColWorstSwr,
    ColLossSwr,
    ColEfficiency,
    ColLoss,
    ColVoltage,
    ColCurrent,
    ColumnCount
};
static_assert(ColumnCount == 12, "the window keeps one widest text per column");

// A text cell drawn as the style draws it, shaping its text once: the
// style's own path lays each text out twice, which was most of a click's cost.
// Cells with an icon, the schematics, keep the style's path.
class TTextCellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        if (!opt.icon.isNull() || !opt.widget) return QStyledItemDelegate::paint(p, option, index);
        const QStyle* style = opt.widget->style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, p, opt.widget);
        const int margin =
            style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, opt.widget) + 1;
        const QPalette::ColorGroup group = !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
                                           : (opt.state & QStyle::State_Active)
                                               ? QPalette::Normal
                                               : QPalette::Inactive;
        p->save();
        p->setFont(opt.font);
        p->setPen(opt.palette.color(group, opt.state & QStyle::State_Selected
                                               ? QPalette::HighlightedText
                                               : QPalette::Text));
        p->drawText(opt.rect.adjusted(margin, 0, -margin, 0),
                    int(opt.displayAlignment) | Qt::TextSingleLine, opt.text);
        p->restore();
        if (opt.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(opt);
            focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &opt, opt.widget);
            focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
            focus.backgroundColor = opt.palette.color(
                group, opt.state & QStyle::State_Selected ? QPalette::Highlight : QPalette::Window);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, p, opt.widget);
        }
    }
};

} // namespace

TfrmNetwork::TfrmNetwork(QWidget* parent, TDesign* design)
    : TToolWindow(QStringLiteral("Síť"), 11, Qt::Window | Qt::WindowStaysOnTopHint, parent,
                  design) {

    auto* grid = new QGridLayout(this);
    auto addInput = [&](int column, const QString& caption, QWidget* input) {
        FInputs.push_back(new QLabel(caption, this));
        FInputs.push_back(input);
        grid->addWidget(FInputs.end()[-2], 0, column * 2);
        grid->addWidget(input, 0, column * 2 + 1);
    };
    cbSeries = new QComboBox(this);
    for (const TESeries s : SeriesChoices)
        cbSeries->addItem(s == TESeries::None ? QStringLiteral("žádná")
                                              : QString::fromLatin1(SeriesName(s)));
    edQCoil = new QLineEdit(this);
    edQCapacitor = new QLineEdit(this);
    edPower = new QLineEdit(this);
    edZ0 = new QLineEdit(this);
    for (QLineEdit* e : {edQCoil, edQCapacitor, edPower, edZ0})
        e->setMaximumWidth(60);
    addInput(0, QStringLiteral("řada"), cbSeries);
    addInput(1, QStringLiteral("jakost cívky Q"), edQCoil);
    addInput(2, QStringLiteral("jakost kondenzátoru Q"), edQCapacitor);
    addInput(3, QStringLiteral("výkon [W]"), edPower);
    addInput(4, QStringLiteral("Z0 [ohm]"), edZ0);
    grid->setColumnStretch(10, 1);
    chkParts = new QCheckBox(QStringLiteral("součástky"), this);
    chkParts->setToolTip(
        QStringLiteral("hodnoty pro skutečné součástky, dvojice, vinutí a napětí"));
    grid->addWidget(chkParts, 0, 11);

    lbLoad = new QLabel(this);
    grid->addWidget(lbLoad, 1, 0, 1, 12);
    grid->addWidget(lbNotice, 2, 0, 1, 12);

    tbNetworks = new QTableWidget(0, ColumnCount, this);
    tbNetworks->setHorizontalHeaderLabels(
        {QString(), QStringLiteral("zapojení"), QStringLiteral("sériový\nprvek"),
         QStringLiteral("paralelní\nprvek"), QStringLiteral("řada: sériový,\nparalelní"),
         QStringLiteral("PSV s řadovými\nhodnotami"), QStringLiteral("nejhorší PSV\nv toleranci"),
         QStringLiteral("PSV se\nztrátami"), QStringLiteral("účinnost"),
         QStringLiteral("ztráta\n[dB]"),
         QStringLiteral("napětí na\nparalelním prvku\n(špička) [V]"),
         QStringLiteral("proud\nsériovým\nprvkem [A]")});
    tbNetworks->verticalHeader()->setVisible(false);
    tbNetworks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbNetworks->setIconSize(QSize(170, 52));
    tbNetworks->verticalHeader()->setDefaultSectionSize(58);
    tbNetworks->setWordWrap(false);
    tbNetworks->setItemDelegate(new TTextCellDelegate(tbNetworks));
    grid->addWidget(tbNetworks, 3, 0, 1, 12);
    grid->setRowStretch(3, 1);
    pnParts = new TPartsPane(this);
    grid->addWidget(pnParts, 4, 0, 1, 12);
    pnParts->hide();
    connect(tbNetworks, &QTableWidget::currentCellChanged, this,
            [this](int row, int, int previous) {
                if (row != previous)
                    Guarded([this, row] {
                        Design().SetChosenNetwork(row);
                        ShowParts();
                    });
            });

    // The design size first: a pane remembered as shown grows the window from it.
    resize(1180, 330);
    LoadSettings();
    ShowOptions();

    for (QLineEdit* e : {edQCoil, edQCapacitor, edPower, edZ0})
        connect(e, &QLineEdit::editingFinished, this,
                [this] { Guarded([this] { ApplyInputs(); }); });
    connect(cbSeries, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { ApplyInputs(); }); });
    SetCopyText([this] { return ContentText(); });
    auto* all = new QShortcut(QKeySequence::SelectAll, this);
    connect(all, &QShortcut::activated, tbNetworks, &QTableWidget::selectAll);
    pnParts->OnWindingChanged = [this] {
        Design().SetWinding(pnParts->Texts(), pnParts->Winding());
        SaveSettings();
    };
    connect(chkParts, &QCheckBox::toggled, this, [this](bool on) {
        Guarded([this, on] {
            SetPartsShown(on);
            SaveSettings();
        });
    });
    // Headers whole before the first load fills the rows.
    FitColumns();
    Observe();
}

TfrmNetwork::~TfrmNetwork() {
    // The page takes the chart's network again once the pick is no longer shown.
    if (!OwnsDesign()) Design().SetChosenNetwork(-1);
}

// The fields show the design's options; a typed text that already says the
// same value stays as typed.
void TfrmNetwork::ShowOptions() {
    const TDesignOptions& o = Design().Options();
    const QSignalBlocker block(cbSeries);
    cbSeries->setCurrentIndex(
        int(std::find(std::begin(SeriesChoices), std::end(SeriesChoices), o.Series) -
            std::begin(SeriesChoices)));
    for (auto [edit, value] : {std::pair{edQCoil, o.Q.Coil}, std::pair{edQCapacitor, o.Q.Capacitor},
                               std::pair{edPower, o.PowerW}, std::pair{edZ0, o.Z0}}) {
        double shown = 0.0;
        if (!TryStrToFloat(edit->text(), shown) || shown != value) edit->setText(Fmt("#0", value));
    }
}

void TfrmNetwork::DesignChanged(unsigned what) {
    if (what & dcOptions) ShowOptions();
    if (what & dcWinding) {
        const TWindingTexts& texts = Design().WindingTexts();
        const TWindingTexts shown = pnParts->Texts();
        if (texts.Form != shown.Form || texts.Wire != shown.Wire || texts.Pitch != shown.Pitch ||
            texts.Core != shown.Core)
            pnParts->SetTexts(texts);
    }
    TToolWindow::DesignChanged(what);
    if (what & dcOptions)
        Recompute();
    else if (what & dcWinding)
        ShowParts();
}

TDesignOptions TfrmNetwork::SavedOptions() {
    TDesignOptions o;
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return o;
    s->beginGroup(QStringLiteral("network"));
    // Unreadable or out of range, a stored value gives way to the default.
    auto stored = [&](const char* key, double fallback, const TInputRange& range) {
        bool ok = false;
        const double v = s->value(QLatin1String(key), fallback).toDouble(&ok);
        return ok && range.Valid(v) ? v : fallback;
    };
    o.Q.Coil = stored("qCoil", DefaultQCoil, QRange);
    o.Q.Capacitor = stored("qCapacitor", DefaultQCapacitor, QRange);
    o.PowerW = stored("power", DefaultPowerW, PowerRange);
    o.Z0 = stored("z0", DefaultZ0, Z0Range);
    const QString series = s->value(QStringLiteral("series"), QStringLiteral("E12")).toString();
    for (const TESeries e : SeriesChoices)
        if (series == QString::fromLatin1(SeriesName(e))) o.Series = e;
    return o;
}

namespace {

TWindingTexts StoredWindingTexts(QSettings& s) {
    s.beginGroup(QStringLiteral("parts"));
    TWindingTexts texts{
        s.value(QStringLiteral("form")).toString(), s.value(QStringLiteral("wire")).toString(),
        s.value(QStringLiteral("pitch")).toString(), s.value(QStringLiteral("toroid")).toString()};
    s.endGroup();
    return texts;
}

} // namespace

TWindingOptions TfrmNetwork::SavedWinding() {
    try {
        return WindingFromTexts(SavedWindingTexts());
    } catch (const std::exception&) {
        return {};
    }
}

TWindingTexts TfrmNetwork::SavedWindingTexts() {
    const std::unique_ptr<QSettings> s = OpenSettings();
    return s ? StoredWindingTexts(*s) : TWindingTexts{};
}

void TfrmNetwork::LoadSettings() {
    // A window on its own starts from what was remembered; one of the frame's
    // shows the frame's design.
    if (OwnsDesign()) Design().SetOptions(SavedOptions());
    TWindingTexts texts = OwnsDesign() ? SavedWindingTexts() : Design().WindingTexts();
    bool shown = false;
    if (const std::unique_ptr<QSettings> s = OpenSettings())
        shown = s->value(QStringLiteral("parts/shown"), false).toBool();
    pnParts->SetTexts(texts);
    if (OwnsDesign()) Design().SetWinding(pnParts->Texts(), pnParts->Winding());
    const QSignalBlocker block(chkParts);
    chkParts->setChecked(shown);
    SetPartsShown(shown);
}

void TfrmNetwork::SaveSettings() const {
    const std::unique_ptr<QSettings> s = OpenSettings();
    if (!s) return;
    s->beginGroup(QStringLiteral("network"));
    const TDesignOptions& o = Design().Options();
    s->setValue(QStringLiteral("qCoil"), o.Q.Coil);
    s->setValue(QStringLiteral("qCapacitor"), o.Q.Capacitor);
    s->setValue(QStringLiteral("power"), o.PowerW);
    s->setValue(QStringLiteral("z0"), o.Z0);
    s->setValue(QStringLiteral("series"), QString::fromLatin1(SeriesName(o.Series)));
    s->endGroup();
    const TWindingTexts texts = pnParts->Texts();
    s->beginGroup(QStringLiteral("parts"));
    s->setValue(QStringLiteral("form"), texts.Form);
    s->setValue(QStringLiteral("wire"), texts.Wire);
    s->setValue(QStringLiteral("pitch"), texts.Pitch);
    s->setValue(QStringLiteral("toroid"), texts.Core);
    s->setValue(QStringLiteral("shown"), chkParts->isChecked());
}

// A dock beside the chart is about half the window's design width: the
// inputs take two rows there, and the table scrolls sideways.
void TfrmNetwork::UseDockLayout(bool docked) {
    auto* grid = static_cast<QGridLayout*>(layout());
    const int perRow = docked ? 6 : 10;
    for (size_t i = 0; i < FInputs.size(); ++i) {
        grid->removeWidget(FInputs[i]);
        grid->addWidget(FInputs[i], int(i) / perRow, int(i) % perRow);
    }
    const int below = docked ? 2 : 1;
    grid->removeWidget(chkParts);
    if (docked)
        grid->addWidget(chkParts, 1, 4, 1, 2);
    else
        grid->addWidget(chkParts, 0, 11);
    for (QWidget* w : {static_cast<QWidget*>(lbLoad), static_cast<QWidget*>(lbNotice),
                       static_cast<QWidget*>(tbNetworks), static_cast<QWidget*>(pnParts)})
        grid->removeWidget(w);
    grid->addWidget(lbLoad, below, 0, 1, 12);
    grid->addWidget(lbNotice, below + 1, 0, 1, 12);
    grid->addWidget(tbNetworks, below + 2, 0, 1, 12);
    grid->addWidget(pnParts, below + 3, 0, 1, 12);
    grid->setRowStretch(3, docked ? 0 : 1);
    grid->setRowStretch(4, docked ? 1 : 0);
}

void TfrmNetwork::SetPartsShown(bool shown) {
    if (pnParts->isVisibleTo(this) == shown) return;
    // The window grows by the pane and gives the same back, so that the
    // table keeps its height.
    const int extra = pnParts->sizeHint().height() + layout()->spacing();
    pnParts->setVisible(shown);
    // In a dock the dock decides the height; the table gives the pane its room.
    if (isWindow()) resize(width(), height() + (shown ? extra : -extra));
    ShowParts();
}

void TfrmNetwork::ApplyInputs() {
    TDesignOptions o = Design().Options();
    o.Series = SeriesChoices[std::clamp(cbSeries->currentIndex(), 0, 5)];
    o.Q.Coil = RangedValue(edQCoil, QRange);
    o.Q.Capacitor = RangedValue(edQCapacitor, QRange);
    o.PowerW = RangedValue(edPower, PowerRange);
    o.Z0 = RangedValue(edZ0, Z0Range);
    // The change reaches every window, this one among them.
    Design().SetOptions(o);
    SaveSettings();
}

void TfrmNetwork::SetLoad(const TLoad& load, double fMHz) {
    FLoad = load;
    FFrequency = fMHz;
    FHasLoad = true;
    Recompute();
}

void TfrmNetwork::ShowStep(const TLoad& load, double fMHz) {
    SetLoad(load, fMHz);
}

void TfrmNetwork::ClearStep() {
    FHasLoad = false;
    FReports.clear();
    lbLoad->clear();
    tbNetworks->setRowCount(0);
    ShowParts();
}

int TfrmNetwork::SelectedNetwork() const {
    if (!FHasLoad || FReports.empty()) return -1;
    const int row = tbNetworks->currentRow();
    if (row >= 0 && row < int(FReports.size())) return row;
    for (size_t i = 0; i < FReports.size(); ++i)
        if (FReports[i].Network.Chart) return int(i);
    return 0;
}

void TfrmNetwork::ShowParts() {
    // Hidden, the pane costs a click nothing.
    if (!pnParts->isVisibleTo(this)) return;
    const int row = SelectedNetwork();
    if (row < 0) {
        pnParts->Show(nullptr, 0, FLoad, FFrequency, Options());
        return;
    }
    pnParts->Show(&FReports[size_t(row)], row + 1, FLoad, FFrequency, Options());
}

std::optional<double> TfrmNetwork::ShownFrequency() const {
    return FHasLoad ? std::optional<double>(FFrequency) : std::nullopt;
}

void TfrmNetwork::Recompute() {
    if (!FHasLoad) return;
    FReports = DesignNetworks(FLoad, FFrequency, Options());
    const double swr = Swr({FLoad.R, FLoad.X}, Options().Z0);
    lbLoad->setText(
        QStringLiteral("zátěž R = %1 ohm, X = %2 ohm, PSV %3, kmitočet %4 MHz%5")
            .arg(Fmt("#0.000", FLoad.R), Fmt("#0.000", FLoad.X), Fmt("#0.000", swr),
                 Fmt("#0.000", FFrequency),
                 FReports.empty() ? QStringLiteral(" — tuto zátěž nelze přizpůsobit") : QString()));
    // New rows need no fitting of their own: each cell below says when its text is too wide.
    if (tbNetworks->rowCount() != int(FReports.size()))
        tbNetworks->setRowCount(int(FReports.size()));
    const qreal ratio = devicePixelRatioF();
    QFont boldFont = tbNetworks->font();
    boldFont.setBold(true);
    const QFontMetrics plain(tbNetworks->font()), bold(boldFont);
    for (int row = 0; row < int(FReports.size()); ++row) {
        const TNetworkReport& r = FReports[size_t(row)];
        const TLNetwork& n = r.Network;
        auto set = [&](int column, const QString& text) {
            QTableWidgetItem* item = tbNetworks->item(row, column);
            if (!item) {
                item = new QTableWidgetItem;
                tbNetworks->setItem(row, column, item);
            }
            item->setText(text);
            // Widen a column only when its text no longer fits: measuring
            // every column on every click would cost more than the rest.
            const int needed = (n.Chart ? bold : plain).horizontalAdvance(text) + 16;
            if (needed > FWidestText[size_t(column)]) {
                FWidestText[size_t(column)] = needed;
                FNeedsResize = true;
            }
            item->setTextAlignment(column >= ColStandardSwr ? Qt::AlignRight | Qt::AlignVCenter
                                                            : Qt::AlignLeft | Qt::AlignVCenter);
            QFont f = item->font();
            f.setBold(n.Chart);
            item->setFont(f);
            return item;
        };
        set(ColSchematic, QString())->setIcon(Schematic(n, ratio));
        set(ColKind,
            QString::fromUtf8(KindNameCs(n)) + (n.Chart ? QStringLiteral(" (graf)") : QString()))
            ->setToolTip(n.Chart ? QStringLiteral("síť, kterou kreslí graf") : QString());
        set(ColSeries, ElementLabel(n.Series));
        set(ColShunt, ElementLabel(n.Shunt));
        const bool std = r.HasStandard;
        set(ColStandard, std ? ElementValue(r.Standard.Series) + QStringLiteral(", ") +
                                   ElementValue(r.Standard.Shunt)
                             : QStringLiteral("—"));
        set(ColStandardSwr, std ? ShownSwrText(r.StandardSwr) : QStringLiteral("—"));
        set(ColWorstSwr, std ? ShownSwrText(r.WorstSwr) : QStringLiteral("—"));
        set(ColLossSwr, ShownSwrText(r.Stress.SwrWithLosses));
        set(ColEfficiency, Fmt("#0.00", 100.0 * r.Stress.Efficiency) + QStringLiteral(" %"));
        set(ColLoss, Fmt("#0.000", r.Stress.LossDb));
        set(ColVoltage, n.Shunt.Present() ? Fmt("#0.0", r.Stress.ShuntPeakV) : QStringLiteral("—"));
        set(ColCurrent,
            n.Series.Present() ? Fmt("#0.000", r.Stress.SeriesRmsA) : QStringLiteral("—"));
    }
    if (FNeedsResize) FitColumns();
    FNeedsResize = false;
    ShowParts();
}

void TfrmNetwork::FitColumns() {
    // After the first fit columns only widen: a text no wider than one that
    // already fitted fits again, so most clicks measure nothing.
    if (!FColumnsFitted) {
        tbNetworks->resizeColumnsToContents();
        FColumnsFitted = true;
    } else {
        for (int c = 0; c < ColumnCount; ++c) {
            // Public in the base, protected in the table.
            const int fit =
                std::max(static_cast<const QAbstractItemView*>(tbNetworks)->sizeHintForColumn(c),
                         tbNetworks->horizontalHeader()->sectionSizeHint(c));
            if (fit > tbNetworks->columnWidth(c)) tbNetworks->setColumnWidth(c, fit);
        }
    }
    // The window grows to show every column, as far as the screen allows,
    // and stays on the screen as it grows.
    int tableWidth = 2 * tbNetworks->frameWidth() + 4;
    for (int c = 0; c < ColumnCount; ++c)
        tableWidth += tbNetworks->columnWidth(c);
    const QMargins m = layout()->contentsMargins();
    const int wanted = tableWidth + m.left() + m.right();
    // In a dock the table scrolls instead.
    if (wanted <= width() || !isWindow()) return;
    resize(FitToScreen(QSize(wanted, height()), this));
    if (const QScreen* screen = this->screen(); screen && isVisible()) {
        const QRect area = screen->availableGeometry();
        const int over = frameGeometry().right() - area.right();
        if (over > 0) move(std::max(area.left(), x() - over), y());
    }
}

QString TfrmNetwork::ContentText() const {
    QStringList lines;
    lines << QStringLiteral(
        "f [MHz]\tR\tX\tzapojení\tgraf\tsériový prvek\thodnota\tparalelní prvek\thodnota\t"
        "řada\tsériový z řady\tparalelní z řady\tPSV s řadovými hodnotami\t"
        "nejhorší PSV v toleranci\tPSV se ztrátami\túčinnost [%]\tztráta [dB]\t"
        "napětí na paralelním prvku (špička) [V]\tproud sériovým prvkem [A]");
    auto value = [](const TElement& e) {
        if (!e.Present()) return QString();
        return QString::fromStdString(ElementValueText(e));
    };
    auto unitName = [](const TElement& e) {
        if (!e.Present()) return QStringLiteral("—");
        return ElementName(e) +
               (e.Kind == TElementKind::Coil ? QStringLiteral(" [uH]") : QStringLiteral(" [pF]"));
    };
    for (const TNetworkReport& r : FReports) {
        const TLNetwork& n = r.Network;
        QStringList f{Fmt("#0.000", FFrequency),
                      Fmt("#0.000", FLoad.R),
                      Fmt("#0.000", FLoad.X),
                      QString::fromUtf8(KindNameCs(n)),
                      n.Chart ? QStringLiteral("1") : QStringLiteral("0"),
                      unitName(n.Series),
                      value(n.Series),
                      unitName(n.Shunt),
                      value(n.Shunt),
                      r.HasStandard ? QString::fromLatin1(SeriesName(Options().Series)) : QString(),
                      r.HasStandard ? value(r.Standard.Series) : QString(),
                      r.HasStandard ? value(r.Standard.Shunt) : QString(),
                      r.HasStandard ? ShownSwrText(r.StandardSwr) : QString(),
                      r.HasStandard ? ShownSwrText(r.WorstSwr) : QString(),
                      ShownSwrText(r.Stress.SwrWithLosses),
                      Fmt("#0.00", 100.0 * r.Stress.Efficiency),
                      Fmt("#0.000", r.Stress.LossDb),
                      n.Shunt.Present() ? Fmt("#0.0", r.Stress.ShuntPeakV) : QString(),
                      n.Series.Present() ? Fmt("#0.000", r.Stress.SeriesRmsA) : QString()};
        lines << f.join(u'\t');
    }
    return lines.join(u'\n') + u'\n';
}
