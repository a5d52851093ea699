#include "bandtablewindow.h"

#include "apperror.h"
#include "chartgeometry.h"
#include "savefile.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <stdexcept>

namespace {

// Wide enough for every value the table can show: R and X reach four digits.
const QString WidestCell = QStringLiteral("-00000.000");
constexpr int DesignRows = 30;

const std::vector<std::string> TunerTitles = {"f [MHz]",     "R",
                                              "X",           "PSV",
                                              "přizpůsobí",  "C vstup [pF]",
                                              "L [uH]",      "C výstup [pF]",
                                              "ztráta [dB]", "účinnost [%]",
                                              "C vstup [V]", "C výstup [V]",
                                              "cívka [A]",   "nejnižší PSV"};

QString TableTitle(TBandTableKind kind) {
    return kind == TBandTableKind::Tuner ? QStringLiteral("Ladicí člen v pásmu")
                                         : QStringLiteral("Tabulka pásma");
}

} // namespace

TfrmBandTable::TfrmBandTable(QWidget* parent, TDesign* design, TBandTableKind kind)
    : TToolWindow(TableTitle(kind), 11,
                  Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                      Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                      Qt::WindowMinMaxButtonsHint,
                  parent, design),
      FKind(kind) {
    FModel = new TBandTableModel(this);
    if (FKind == TBandTableKind::Tuner) {
        // Docked apart from the band table, and reopened as what it is.
        setObjectName(QStringLiteral("TfrmTunerBand"));
        FModel->SetColumns(TunerTitles, {});
    }
    lbFile = new QLabel(this);
    tbBand = new QTableView(this);
    tbBand->setModel(FModel);
    tbBand->setSelectionBehavior(QAbstractItemView::SelectRows);
    tbBand->setSelectionMode(QAbstractItemView::ExtendedSelection);
    tbBand->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbBand->setWordWrap(false);
    tbBand->setAlternatingRowColors(true);
    tbBand->verticalHeader()->hide();
    // Every row as high as the font, fixed: a view that measured a million
    // rows' contents would take longer than designing them.
    const int rowHeight = fontMetrics().height() + 6;
    tbBand->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tbBand->verticalHeader()->setDefaultSectionSize(rowHeight);
    QHeaderView* header = tbBand->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setDefaultAlignment(Qt::AlignRight | Qt::AlignVCenter);
    int tableWidth = 2 * tbBand->frameWidth() + tbBand->verticalScrollBar()->sizeHint().width();
    for (int c = 0; c < FModel->columnCount(); ++c) {
        const QString title = QString::fromStdString(FModel->Titles()[size_t(c)]);
        const int width = std::max(header->fontMetrics().horizontalAdvance(title),
                                   tbBand->fontMetrics().horizontalAdvance(WidestCell)) +
                          20;
        tbBand->setColumnWidth(c, width);
        tableWidth += width;
    }

    auto* hint =
        new QLabel(QStringLiteral("Ctrl+C kopíruje vybrané řádky, Ctrl+A vybere všechny."), this);
    btnSave = new QPushButton(QStringLiteral("Uložit tabulku…"), this);
    connect(btnSave, &QPushButton::clicked, this, [this] { Guarded([this] { SaveTableAs(); }); });
    tbBand->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(tbBand, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QMenu menu;
        QAction* copy = menu.addAction(QStringLiteral("Kopírovat"));
        copy->setShortcut(QKeySequence::Copy);
        connect(copy, &QAction::triggered, this, [this] { Guarded([this] { CopySelection(); }); });
        connect(menu.addAction(QStringLiteral("Vybrat vše")), &QAction::triggered, tbBand,
                &QTableView::selectAll);
        menu.addSeparator();
        connect(menu.addAction(QStringLiteral("Uložit tabulku…")), &QAction::triggered, this,
                [this] { Guarded([this] { SaveTableAs(); }); });
        menu.exec(tbBand->viewport()->mapToGlobal(pos));
    });
    auto* copyKey = new QShortcut(QKeySequence::Copy, this);
    connect(copyKey, &QShortcut::activated, this, [this] { Guarded([this] { CopySelection(); }); });
    auto* all = new QShortcut(QKeySequence::SelectAll, this);
    connect(all, &QShortcut::activated, tbBand, &QTableView::selectAll);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(hint);
    bottom->addStretch();
    bottom->addWidget(btnSave);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addWidget(lbFile);
    layout->addWidget(tbBand, 1);
    layout->addLayout(bottom);

    // The design size, as far as the screen's free area allows.
    const QMargins m = layout->contentsMargins();
    const int wanted = std::max(tableWidth + m.left() + m.right(), layout->minimumSize().width());
    const int tall = header->sizeHint().height() + DesignRows * rowHeight +
                     2 * tbBand->frameWidth() + 2 * lbFile->sizeHint().height() +
                     btnSave->sizeHint().height() + 4 * layout->spacing() + m.top() + m.bottom();
    resize(FitToScreen(QSize(wanted, tall), this));
    CenterWhenFirstShown();
    Observe();
    if (!OwnsDesign())
        connect(&Design(), &TDesign::ShownReleasing, this,
                [this] { FModel->SetMeasurement(nullptr, ChartReference); });
}

void TfrmBandTable::DesignChanged(unsigned what) {
    if (FKind == TBandTableKind::Tuner && (what & (dcTuner | dcOptions)) && !OwnsDesign())
        FollowTuner();
    if ((what & dcMeasurement) && !OwnsDesign()) {
        // The table follows the measurement of the design and goes with it.
        const TTouchstone* shown = Design().Shown();
        if (!shown) {
            SetMeasurement(nullptr, QString(), ChartReference);
            close();
            return;
        }
        SetMeasurement(shown,
                       Design().MeasurementName() + (Design().TraceMoved()
                                                         ? QStringLiteral(" (u ladicího členu)")
                                                         : QString()),
                       ChartReference);
    }
    TToolWindow::DesignChanged(what);
}

// The rows of the tuner "Ladicí člen" shows, with the design's Qs, power and
// Z0; the window goes with the tuner.
void TfrmBandTable::FollowTuner() {
    const std::optional<TTuner>& tuner = Design().ShownTuner();
    if (!tuner) {
        FModel->SetMeasurement(nullptr, ChartReference);
        close();
        return;
    }
    FModel->SetColumns(TunerTitles,
                       [t = *tuner, o = Design().Options()](const TTouchstonePoint& p) {
                           const TTunerBandCells cells = TunerBandCells(p, t, o);
                           return TBandTableModel::TRowCells(cells.begin(), cells.end());
                       });
    SelectStepRow();
}

void TfrmBandTable::SetMeasurement(const TTouchstone* measurement, const QString& fileName,
                                   double z0) {
    FModel->SetMeasurement(measurement, z0);
    FFileName = measurement ? fileName : QString();
    setWindowTitle(measurement ? QStringLiteral("%1 – %2").arg(TableTitle(FKind), fileName)
                               : TableTitle(FKind));
    const QString what = FKind == TBandTableKind::Tuner
                             ? QStringLiteral("nejmenší ztráta ladicího členu")
                             : QStringLiteral("síť, kterou kreslí graf,");
    lbFile->setText(measurement ? QStringLiteral("Soubor %1, %2 bodů – %3 pro každý změřený "
                                                 "kmitočet")
                                      .arg(fileName)
                                      .arg(measurement->Points.size())
                                      .arg(what)
                                : QString());
    SelectStepRow();
}

void TfrmBandTable::ShowStep(const TLoad&, double fMHz) {
    FStepFrequency = fMHz;
    SelectStepRow();
}

void TfrmBandTable::ClearStep() {
    FStepFrequency.reset();
    tbBand->clearSelection();
}

void TfrmBandTable::SelectStepRow() {
    const std::optional<int> row = FStepFrequency ? FModel->RowNear(*FStepFrequency) : std::nullopt;
    if (!row) {
        tbBand->clearSelection();
        return;
    }
    const QModelIndex index = FModel->index(*row, 0);
    tbBand->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                         QItemSelectionModel::Rows);
    tbBand->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TfrmBandTable::showEvent(QShowEvent* event) {
    TToolWindow::showEvent(event);
    // Scrolled before the view had its height, the step's row sits at an
    // edge: it is centred again once the layout has placed the view.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (tbBand->selectionModel()->hasSelection())
                tbBand->scrollTo(tbBand->currentIndex(), QAbstractItemView::PositionAtCenter);
        },
        Qt::QueuedConnection);
}

namespace {

// One row's cells and a line break appended to out, without a string per line.
template <class TOut, class TCells> void AppendRow(TOut& out, const TCells& cells, char separator) {
    for (size_t c = 0; c < cells.size(); ++c) {
        if (c > 0) out.append(separator);
        out.append(cells[c].data(), qsizetype(cells[c].size()));
    }
    out.append('\n');
}

// Cells of 18 characters and their separators: more than rows take (a
// longer one only lets the text grow as usual).
qsizetype MaxRowBytes(int columns) {
    return qsizetype(columns) * 19 + 1;
}

} // namespace

QByteArray TfrmBandTable::SelectionBytes() const {
    // Row spans, not indexes: Ctrl+A over a million rows is one span.
    std::vector<std::pair<int, int>> spans;
    for (const QItemSelectionRange& r : tbBand->selectionModel()->selection())
        spans.emplace_back(r.top(), r.bottom());
    std::sort(spans.begin(), spans.end());
    // Room for the widest rows reserved at once: the text is not copied as it
    // grows, and pages it never reaches are never touched.
    qsizetype rows = 0;
    for (const auto& [top, bottom] : spans)
        rows += bottom - top + 1;
    QByteArray text;
    text.reserve((rows + 1) * MaxRowBytes(FModel->columnCount()));
    AppendRow(text, FModel->Titles(), '\t');
    int next = 0; // the first row not yet copied: overlapping spans copy a row once
    for (const auto& [top, bottom] : spans)
        for (int row = std::max(top, next); row <= bottom; ++row) {
            AppendRow(text, FModel->Cells(row), '\t');
            next = row + 1;
        }
    return text;
}

QString TfrmBandTable::SelectionText() const {
    return QString::fromUtf8(SelectionBytes());
}

void TfrmBandTable::CopySelection() {
    // As UTF-8 bytes: half the memory of the text, converted only when pasted.
    // Both names share one buffer.
    const QByteArray bytes = SelectionBytes();
    auto* data = new QMimeData;
    data->setData(QStringLiteral("text/plain;charset=utf-8"), bytes);
    data->setData(QStringLiteral("text/plain"), bytes);
    QApplication::clipboard()->setMimeData(data);
}

void TfrmBandTable::SaveTableAs() {
    const QString folder = ExistingFolderOrHome(QStandardPaths::DocumentsLocation);
    const QString name = QFileInfo(FFileName).completeBaseName() +
                         (FKind == TBandTableKind::Tuner ? QStringLiteral("-ladici-clen.csv")
                                                         : QStringLiteral("-pasmo.csv"));
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Uložit tabulku"),
                                     QDir(folder).filePath(name), QStringLiteral("CSV (*.csv)"));
    if (!path.isEmpty()) SaveTable(path);
}

void TfrmBandTable::SaveTable(const QString& path) {
    // Streamed a block at a time: a million rows never stand in memory whole.
    QSaveFile file(path);
    try {
        SaveAtomically(file, QByteArray(), [this](QSaveFile& f) {
            QByteArray block;
            auto write = [&] {
                qint64 done = 0;
                while (done < block.size()) {
                    const qint64 n = f.write(block.constData() + done, block.size() - done);
                    if (n <= 0) return false;
                    done += n;
                }
                block.clear();
                return true;
            };
            constexpr qsizetype BlockBytes = 1 << 20;
            block.reserve(BlockBytes + 256);
            AppendRow(block, FModel->Titles(), ',');
            for (int row = 0; row < FModel->rowCount(); ++row) {
                AppendRow(block, FModel->Cells(row), ',');
                if (block.size() >= BlockBytes && !write()) return false;
            }
            return write();
        });
    } catch (const ESaveError& e) {
        // With the file system's reason, as the picture and the page say it.
        throw std::runtime_error(
            QStringLiteral("Tabulku nelze uložit do '%1': %2")
                .arg(QDir::toNativeSeparators(path), QString::fromStdString(e.what()))
                .toStdString());
    }
}
