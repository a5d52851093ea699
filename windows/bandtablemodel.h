#pragma once
// The band table as a table model: each row is designed only when the view
// asks for it, so that a million measured points cost no more than the file.

#include "bandtable.h"

#include <QAbstractTableModel>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TBandTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // The band table's columns until others are set.
    explicit TBandTableModel(QObject* parent = nullptr);

    using TRowCells = std::vector<std::string>;
    using TRowDesigner = std::function<TRowCells(const TTouchstonePoint&)>;
    // Other columns, each row designed from its point by designer.
    void SetColumns(std::vector<std::string> titles, TRowDesigner designer);
    const std::vector<std::string>& Titles() const { return FTitles; }

    // Not copied: the frame owns the measurement and sets null before it goes.
    void SetMeasurement(const TTouchstone* measurement, double z0);
    const TTouchstone* Measurement() const { return FMeasurement; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    const TRowCells& Cells(int row) const;
    // The row whose frequency lies nearest to f; none outside the measured band.
    std::optional<int> RowNear(double fMHz) const;

private:
    const TTouchstone* FMeasurement = nullptr;
    double FZ0 = 50.0;
    std::vector<std::string> FTitles;
    TRowDesigner FDesigner;
    // The view asks for a row's cells one by one: the last row designed is kept.
    mutable int FCachedRow = -1;
    mutable TRowCells FCachedCells;
};
