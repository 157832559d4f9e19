#pragma once
// The rows of the incident list for a QTreeView. Rows are replaced whole after a build and sorted
// in place, so ten thousand reports sort and scroll without delay.

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "IncidentList.h"

namespace cadro {

class IncidentListModel final : public QAbstractTableModel {
  Q_OBJECT

public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetRows(const std::vector<IncidentRow>& rows);
  void RemoveRow(int row);
  QString Text(int row, int column) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Text columns compare as text without regard to case; Date/Time by date and time, rows
  // without a valid one collecting at one end. Equal rows keep their order.
  void sort(int column, Qt::SortOrder order) override;

private:
  struct Row {
    std::array<QString, kColumnCount> text;
    std::int64_t when = 0;
  };
  std::vector<Row> rows_;
};

}  // namespace cadro
