#include "bandtablemodel.h"

#include <algorithm>

TBandTableModel::TBandTableModel(QObject* parent)
    : QAbstractTableModel(parent), FTitles(BandColumnTitles.begin(), BandColumnTitles.end()),
      FDesigner([this](const TTouchstonePoint& p) {
          const TBandCells cells = BandRowCells(BandRowOf(p, FZ0));
          return TRowCells(cells.begin(), cells.end());
      }) {}

void TBandTableModel::SetColumns(std::vector<std::string> titles, TRowDesigner designer) {
    beginResetModel();
    FTitles = std::move(titles);
    FDesigner = std::move(designer);
    FCachedRow = -1;
    endResetModel();
}

void TBandTableModel::SetMeasurement(const TTouchstone* measurement, double z0) {
    beginResetModel();
    FMeasurement = measurement;
    FZ0 = z0;
    FCachedRow = -1;
    endResetModel();
}

int TBandTableModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !FMeasurement) return 0;
    return int(FMeasurement->Points.size());
}

int TBandTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(FTitles.size());
}

const TBandTableModel::TRowCells& TBandTableModel::Cells(int row) const {
    if (row != FCachedRow) {
        FCachedCells = FDesigner(FMeasurement->Points[size_t(row)]);
        FCachedRow = row;
    }
    return FCachedCells;
}

QVariant TBandTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    if (role == Qt::DisplayRole)
        return QString::fromStdString(Cells(index.row())[size_t(index.column())]);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant TBandTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= int(FTitles.size()))
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) return QString::fromStdString(FTitles[size_t(section)]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

std::optional<int> TBandTableModel::RowNear(double fMHz) const {
    if (!FMeasurement || FMeasurement->Points.empty()) return std::nullopt;
    const std::vector<TTouchstonePoint>& p = FMeasurement->Points;
    if (fMHz < p.front().FrequencyMHz || fMHz > p.back().FrequencyMHz) return std::nullopt;
    // The file's frequencies never fall, so the nearest is one of two neighbours.
    const auto above =
        std::lower_bound(p.begin(), p.end(), fMHz, [](const TTouchstonePoint& point, double f) {
            return point.FrequencyMHz < f;
        });
    if (above == p.begin()) return 0;
    const auto below = std::prev(above);
    const bool upper = above != p.end() && above->FrequencyMHz - fMHz < fMHz - below->FrequencyMHz;
    return int((upper ? above : below) - p.begin());
}
