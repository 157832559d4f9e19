#include "IncidentListModel.h"

#include <QApplication>
#include <QColor>
#include <QIcon>
#include <QStyle>
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

// Colour and icon together, so the mark does not rest on colour alone.
constexpr int kMarkColumn = 1;
const QColor kReadyTooLong(255, 200, 120);
const QColor kDraftTooLong(190, 215, 255);

}  // namespace

void IncidentListModel::SetRows(const std::vector<IncidentRow>& rows) {
  beginResetModel();
  rows_.clear();
  rows_.reserve(rows.size());
  for (const IncidentRow& source : rows) {
    Row row;
    for (int c = 0; c < kColumnCount; ++c) row.text[c] = ListText(source.columns[c]);
    row.when = DateTimeSortKey(source.columns[kDateTimeColumn]);
    row.state = source.state;
    row.searchText = aids::SearchText(source);
    row.mark = aids::MarkFor(row.state, row.when, nowMinute_, limits_);
    rows_.push_back(std::move(row));
  }
  Refilter();
  endResetModel();
}

void IncidentListModel::Refilter() {
  shown_.clear();
  shown_.reserve(rows_.size());
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (filter_.Empty() || filter_.Matches(rows_[i].searchText)) shown_.push_back(static_cast<int>(i));
  }
}

void IncidentListModel::SetFilter(const std::string& typedAnsi) {
  beginResetModel();
  filter_ = aids::ListFilter(typedAnsi);
  Refilter();
  endResetModel();
}

void IncidentListModel::SetAgeMarks(const aids::AgeLimits& limits, std::int64_t nowMinute) {
  limits_ = limits;
  nowMinute_ = nowMinute;
  bool changed = false;
  for (Row& row : rows_) {
    const aids::AgeMark mark = aids::MarkFor(row.state, row.when, nowMinute_, limits_);
    changed = changed || mark != row.mark;
    row.mark = mark;
  }
  if (changed && !shown_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

aids::AgeMark IncidentListModel::Mark(int row) const {
  if (row < 0 || row >= rowCount()) return aids::AgeMark::None;
  return rows_[shown_[row]].mark;
}

void IncidentListModel::RemoveRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows({}, row, row);
  const int gone = shown_[row];
  rows_.erase(rows_.begin() + gone);
  shown_.erase(shown_.begin() + row);
  for (std::size_t i = row; i < shown_.size(); ++i) --shown_[i];
  endRemoveRows();
}

QString IncidentListModel::Text(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= kColumnCount) return {};
  return rows_[shown_[row]].text[column];
}

int IncidentListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int IncidentListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant IncidentListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const aids::AgeMark mark = Mark(index.row());
  if (role == Qt::DisplayRole) return Text(index.row(), index.column());
  if (role == Qt::ToolTipRole) {
    if (index.column() == kMarkColumn && mark == aids::AgeMark::ReadyTooLong) {
      return QStringLiteral("Waiting over %1 min").arg(limits_.readyMinutes);
    }
    if (index.column() == kMarkColumn && mark == aids::AgeMark::DraftTooLong) {
      return QStringLiteral("Draft over %1 min").arg(limits_.draftMinutes);
    }
    return Text(index.row(), index.column());
  }
  if (mark == aids::AgeMark::None) return {};
  if (role == Qt::BackgroundRole) return mark == aids::AgeMark::ReadyTooLong ? kReadyTooLong : kDraftTooLong;
  if (role == Qt::ForegroundRole) return QColor(Qt::black);
  if (role == Qt::DecorationRole && index.column() == kMarkColumn && QApplication::style()) {
    return QApplication::style()->standardIcon(mark == aids::AgeMark::ReadyTooLong
                                                   ? QStyle::SP_MessageBoxWarning
                                                   : QStyle::SP_MessageBoxInformation);
  }
  return {};
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
  const std::vector<int> shownBefore = shown_;
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
  // The filter keeps the same rows; only their places change.
  std::vector<int> shownRowOf(rows_.size(), -1);
  shown_.clear();
  for (const int old : shownBefore) shown_.push_back(newPlace[old]);
  std::sort(shown_.begin(), shown_.end());
  for (std::size_t i = 0; i < shown_.size(); ++i) shownRowOf[shown_[i]] = static_cast<int>(i);
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& index : before) {
    const int row = index.row() < static_cast<int>(shownBefore.size())
                        ? shownRowOf[newPlace[shownBefore[index.row()]]]
                        : -1;
    after.push_back(row >= 0 ? this->index(row, index.column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

}  // namespace cadro
