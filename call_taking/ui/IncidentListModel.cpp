#include "IncidentListModel.h"

#include <algorithm>

#include "QtPlatform.h"

namespace cadro {
namespace {

// Windows-1252 straight into a QString. Report texts are nearly always plain ASCII, which Qt
// widens in one pass; only texts with other bytes take the full conversion.
QString ListText(const std::string& ansi) {
  for (const char c : ansi) {
    if (static_cast<unsigned char>(c) >= 0x80) return FromAnsi(ansi);
  }
  return QString::fromLatin1(ansi.data(), static_cast<qsizetype>(ansi.size()));
}

}  // namespace

void IncidentListModel::SetRows(const std::vector<IncidentRow>& rows) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(rows.size());
  for (const IncidentRow& source : rows) {
    Row row;
    for (int c = 0; c < kColumnCount; ++c) row.text[c] = ListText(source.columns[c]);
    row.when = DateTimeSortKey(source.columns[kDateTimeColumn]);
    rows_.push_back(std::move(row));
  }
  endResetModel();
}

void IncidentListModel::RemoveRow(int row) {
  if (row < 0 || row >= static_cast<int>(rows_.size())) return;
  beginRemoveRows({}, row, row);
  rows_.erase(rows_.begin() + row);
  endRemoveRows();
}

QString IncidentListModel::Text(int row, int column) const {
  if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 || column >= kColumnCount) return {};
  return rows_[row].text[column];
}

int IncidentListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int IncidentListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant IncidentListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
  return Text(index.row(), index.column());
}

QVariant IncidentListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) {
    return {};
  }
  return QString::fromLatin1(ColumnHeaders()[section]);
}

Qt::ItemFlags IncidentListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

void IncidentListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  // Sort a permutation so persistent indexes (the selection, the current row) follow their rows.
  std::vector<int> perm(rows_.size());
  for (std::size_t i = 0; i < perm.size(); ++i) perm[i] = static_cast<int>(i);
  const bool descending = order == Qt::DescendingOrder;
  // Folding the case once per row is cheaper than folding it in every comparison.
  std::vector<QString> folded;
  if (column != kDateTimeColumn) {
    folded.reserve(rows_.size());
    for (const Row& row : rows_) folded.push_back(row.text[column].toCaseFolded());
  }
  const auto less = [&](int a, int b) {
    if (column == kDateTimeColumn) {
      return descending ? rows_[b].when < rows_[a].when : rows_[a].when < rows_[b].when;
    }
    const int c = QString::compare(folded[a], folded[b], Qt::CaseSensitive);
    return descending ? c > 0 : c < 0;
  };
  std::stable_sort(perm.begin(), perm.end(), less);
  std::vector<Row> sorted;
  sorted.reserve(rows_.size());
  std::vector<int> newPlace(rows_.size());
  for (std::size_t i = 0; i < perm.size(); ++i) {
    newPlace[perm[i]] = static_cast<int>(i);
    sorted.push_back(std::move(rows_[perm[i]]));
  }
  rows_ = std::move(sorted);
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) after.push_back(this->index(newPlace[index.row()], index.column()));
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace cadro
