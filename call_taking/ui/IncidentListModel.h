#pragma once
// The rows of the incident list for a QTreeView. Rows are replaced whole after a build and sorted
// in place, so ten thousand reports sort and scroll without delay.

#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <cstdint>
#include <vector>

#include "AgeMarks.h"
#include "IncidentList.h"
#include "ListFilter.h"

namespace cadro {

class IncidentListModel final : public QAbstractTableModel {
  Q_OBJECT

public:
  using QAbstractTableModel::QAbstractTableModel;

  void SetRows(const std::vector<IncidentRow>& rows);
  void RemoveRow(int row);
  // Row numbers count the rows shown: those the search box's words leave in view.
  QString Text(int row, int column) const;

  // Shows only the rows every typed word appears in; "" shows them all.
  void SetFilter(const std::string& typedAnsi);
  int TotalRows() const { return static_cast<int>(rows_.size()); }

  // Marks the rows that have waited too long, as of `nowMinute` (see AgeMarks).
  void SetAgeMarks(const aids::AgeLimits& limits, std::int64_t nowMinute);
  aids::AgeMark Mark(int row) const;

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
    int state = 0;
    std::string searchText;
    aids::AgeMark mark = aids::AgeMark::None;
  };
  void Refilter();
  std::vector<Row> rows_;
  std::vector<int> shown_;  // indexes into rows_, in list order
  aids::ListFilter filter_;
  aids::AgeLimits limits_;
  std::int64_t nowMinute_ = 0;
};

}  // namespace cadro
