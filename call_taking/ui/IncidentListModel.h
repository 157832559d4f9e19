#pragma once
// The rows of the incident list for a QTreeView. The model keeps every report of the last
// listing (the aids look at all of them) and shows those of its folder that the search box
// leaves in view, in the order of the sorted column. Rows arrive in batches while the folder is
// read; each batch takes its places in the current order at once, and the selection and the
// current row stay on their reports. The texts stay as the files hold them (ANSI bytes) and
// become QStrings only when the view asks, so fifty thousand reports cost little memory.

#include <QAbstractTableModel>
#include <QIcon>
#include <QString>
#include <array>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "AgeMarks.h"
#include "IncidentList.h"
#include "ListFilter.h"

namespace cadro {

// Text order of the list: the texts compared as the window shows them, case folded. Negative,
// zero or positive as `a` sorts before, with or after `b`.
int CompareListText(std::string_view a, std::string_view b);

class IncidentListModel final : public QAbstractTableModel {
  Q_OBJECT

public:
  using QAbstractTableModel::QAbstractTableModel;

  // A new listing of `folderCode`: no rows until Append brings them. Sort order and filter stay.
  void Clear(int folderCode);
  void Reserve(std::size_t reports);
  // Takes a batch of reports, whatever their state; those of the folder are shown.
  void Append(std::vector<IncidentRow>&& reports);
  // Shows exactly `rows` (a listing of the folder "All" that brought these).
  void SetRows(const std::vector<IncidentRow>& rows);
  // Takes the listing `other` holds in place of this one, keeping this model's filter and the
  // selected reports; `other` is left empty.
  void Adopt(IncidentListModel& other);

  int Folder() const { return folder_; }
  // Every report of the listing, in the order they were read.
  const std::vector<IncidentRow>& Reports() const { return reports_; }

  // Takes the row out of the list; its report counts as deleted from then on.
  void RemoveRow(int row);
  // Row numbers count the rows shown: those the search box's words leave in view.
  QString Text(int row, int column) const;
  const IncidentRow& Report(int row) const { return reports_[static_cast<std::size_t>(shown_[row])]; }

  // Shows only the rows every typed word appears in; "" shows them all.
  void SetFilter(const std::string& typedAnsi);
  // The rows of the folder, shown or not.
  int TotalRows() const { return static_cast<int>(order_.size()); }

  // Marks the rows that have waited too long, as of `nowMinute` (see AgeMarks).
  void SetAgeMarks(const aids::AgeLimits& limits, std::int64_t nowMinute);
  aids::AgeMark Mark(int row) const;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  // Text columns compare as text without regard to case; Date/Time by date and time, rows
  // without a valid one collecting at one end. Equal rows keep their order. Rows that arrive
  // later take their places in this order.
  void sort(int column, Qt::SortOrder order) override;
  int SortColumn() const { return sortColumn_; }
  Qt::SortOrder SortOrder() const { return sortOrder_; }

private:
  // What the list works out once per report of its folder.
  struct Keys {
    std::int64_t when = 0;
    std::string searchText;
    aids::AgeMark mark = aids::AgeMark::None;
    bool matches = true;
  };
  bool Less(int a, int b) const;
  // The first characters of each report's text in the sorted column, packed so that comparing
  // the numbers compares the texts as far as they reach: most comparisons of a sort end there,
  // in one array, instead of in texts spread over the heap.
  void PackSortPrefixes(std::size_t from);
  // The folder's reports in list order, each with a number that orders it in the sorted column.
  std::vector<std::pair<std::int64_t, int>> SortKeys() const;
  bool InFolder(const IncidentRow& report) const;
  // Shows `order_` through the filter, the persistent indexes following their reports.
  void ShowOrder();

  int folder_ = 0;
  std::vector<IncidentRow> reports_;
  std::vector<Keys> keys_;             // beside reports_; filled for the reports of the folder
  std::vector<std::uint64_t> prefix_;  // beside reports_: the sorted text column packed (see above)
  std::vector<int> order_;             // the folder's reports, in list order
  std::vector<int> shown_;             // those of order_ the filter leaves, in list order
  int sortColumn_ = kCityColumn;
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  aids::ListFilter filter_;
  // On a desktop the style finds these in the icon theme, file by file; asking it on every paint
  // of a marked row cost a keystroke in the search box tens of milliseconds.
  mutable std::array<QIcon, 2> markIcons_;
  aids::AgeLimits limits_;
  std::int64_t nowMinute_ = 0;
};

}  // namespace cadro
