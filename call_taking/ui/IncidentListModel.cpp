#include "IncidentListModel.h"

#include <QApplication>
#include <QColor>
#include <QStyle>
#include <algorithm>
#include <unordered_map>

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

// Each byte of the code page is one character, and case folding maps each character to one, so
// a text compares as its bytes looked up here: no QString per row, no allocation per compare.
const std::array<char16_t, 256>& FoldTable() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> t{};
    for (int b = 0; b < 256; ++b) {
      const QString folded = FromAnsi(std::string(1, static_cast<char>(b))).toCaseFolded();
      t[static_cast<std::size_t>(b)] = folded.isEmpty() ? char16_t{0} : folded.at(0).unicode();
    }
    return t;
  }();
  return table;
}

// Colour and icon together, so the mark does not rest on colour alone.
constexpr int kMarkColumn = 1;
const QColor kReadyTooLong(255, 200, 120);
const QColor kDraftTooLong(190, 215, 255);

}  // namespace

int CompareListText(std::string_view a, std::string_view b) {
  const std::array<char16_t, 256>& fold = FoldTable();
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const char16_t x = fold[static_cast<unsigned char>(a[i])];
    const char16_t y = fold[static_cast<unsigned char>(b[i])];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void IncidentListModel::PackSortPrefixes(std::size_t from) {
  prefix_.resize(reports_.size());
  if (sortColumn_ == kDateTimeColumn) return;
  const std::array<char16_t, 256>& fold = FoldTable();
  for (std::size_t i = from; i < reports_.size(); ++i) {
    const std::string& text = reports_[i].columns[static_cast<std::size_t>(sortColumn_)];
    // Four characters of sixteen bits, the first highest; a shorter text is padded with 0,
    // below every character a text can hold, as a shorter text sorts first.
    std::uint64_t packed = 0;
    for (std::size_t c = 0; c < 4; ++c) {
      packed <<= 16;
      if (c < text.size()) packed |= fold[static_cast<unsigned char>(text[c])];
    }
    prefix_[i] = packed;
  }
}

bool IncidentListModel::InFolder(const IncidentRow& report) const {
  return folder_ == folder::kAll || report.state == folder_;
}

bool IncidentListModel::Less(int a, int b) const {
  if (sortOrder_ == Qt::DescendingOrder) std::swap(a, b);
  const auto ia = static_cast<std::size_t>(a);
  const auto ib = static_cast<std::size_t>(b);
  if (sortColumn_ == kDateTimeColumn) return keys_[ia].when < keys_[ib].when;
  if (prefix_[ia] != prefix_[ib]) return prefix_[ia] < prefix_[ib];
  return CompareListText(reports_[ia].columns[static_cast<std::size_t>(sortColumn_)],
                         reports_[ib].columns[static_cast<std::size_t>(sortColumn_)]) < 0;
}

void IncidentListModel::Clear(int folderCode) {
  beginResetModel();
  folder_ = folderCode;
  reports_.clear();
  keys_.clear();
  prefix_.clear();
  order_.clear();
  shown_.clear();
  endResetModel();
}

void IncidentListModel::Reserve(std::size_t reports) {
  reports_.reserve(reports);
  keys_.reserve(reports);
  prefix_.reserve(reports);
}

void IncidentListModel::Append(std::vector<IncidentRow>&& reports) {
  const std::size_t base = reports_.size();
  reports_.insert(reports_.end(), std::make_move_iterator(reports.begin()),
                  std::make_move_iterator(reports.end()));
  reports.clear();
  keys_.resize(reports_.size());
  PackSortPrefixes(base);
  std::vector<int> fresh;
  for (std::size_t i = base; i < reports_.size(); ++i) {
    const IncidentRow& report = reports_[i];
    if (!InFolder(report)) continue;
    Keys& k = keys_[i];
    k.when = DateTimeSortKey(report.columns[kDateTimeColumn]);
    k.searchText = aids::SearchText(report);
    k.mark = aids::MarkFor(report.state, k.when, nowMinute_, limits_);
    k.matches = filter_.Empty() || filter_.Matches(k.searchText);
    fresh.push_back(static_cast<int>(i));
  }
  if (fresh.empty()) return;
  const auto less = [this](int a, int b) { return Less(a, b); };
  std::stable_sort(fresh.begin(), fresh.end(), less);
  std::vector<int> merged;
  merged.reserve(order_.size() + fresh.size());
  // Of equal rows, those already in the list stay first, as a stable sort of the whole would.
  std::merge(order_.begin(), order_.end(), fresh.begin(), fresh.end(), std::back_inserter(merged), less);
  order_ = std::move(merged);

  // The new rows join at the end, then take their places, so a view and its selection follow.
  int added = 0;
  for (const int i : fresh) added += keys_[static_cast<std::size_t>(i)].matches ? 1 : 0;
  if (added == 0) return;
  const int first = static_cast<int>(shown_.size());
  beginInsertRows({}, first, first + added - 1);
  for (const int i : fresh) {
    if (keys_[static_cast<std::size_t>(i)].matches) shown_.push_back(i);
  }
  endInsertRows();
  ShowOrder();
}

void IncidentListModel::SetRows(const std::vector<IncidentRow>& rows) {
  Clear(folder::kAll);
  std::vector<IncidentRow> copy(rows);
  Reserve(copy.size());
  Append(std::move(copy));
}

void IncidentListModel::Adopt(IncidentListModel& other) {
  // The selection goes by report, not by row: the rows of the new listing stand elsewhere. The
  // views keep their selection as persistent indexes made on the signal, so it comes first.
  emit layoutAboutToBeChanged();
  const QModelIndexList before = persistentIndexList();
  std::vector<std::string> keptIdx;
  keptIdx.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before) {
    keptIdx.push_back(index.isValid() && index.row() < rowCount() ? Report(index.row()).columns[kIdxColumn]
                                                                  : std::string());
  }
  emit layoutAboutToBeChanged();
  folder_ = other.folder_;
  reports_ = std::move(other.reports_);
  keys_ = std::move(other.keys_);
  prefix_ = std::move(other.prefix_);
  order_ = std::move(other.order_);
  sortColumn_ = other.sortColumn_;
  sortOrder_ = other.sortOrder_;
  other.Clear(other.folder_);
  shown_.clear();
  for (const int i : order_) {
    Keys& k = keys_[static_cast<std::size_t>(i)];
    k.matches = filter_.Empty() || filter_.Matches(k.searchText);
    k.mark = aids::MarkFor(reports_[static_cast<std::size_t>(i)].state, k.when, nowMinute_, limits_);
    if (k.matches) shown_.push_back(i);
  }
  // Only the reports that were selected are looked for, each once.
  std::vector<std::pair<std::string_view, int>> rowOf;
  for (const std::string& idx : keptIdx) {
    if (!idx.empty()) rowOf.emplace_back(idx, -1);
  }
  std::sort(rowOf.begin(), rowOf.end());
  if (!rowOf.empty()) {
    for (std::size_t r = 0; r < shown_.size(); ++r) {
      const std::string& idx = reports_[static_cast<std::size_t>(shown_[r])].columns[kIdxColumn];
      const auto it = std::lower_bound(rowOf.begin(), rowOf.end(), std::pair<std::string_view, int>(idx, -1));
      if (it != rowOf.end() && it->first == idx && it->second < 0) it->second = static_cast<int>(r);
    }
  }
  QModelIndexList after;
  after.reserve(before.size());
  for (std::size_t i = 0; i < keptIdx.size(); ++i) {
    const auto it =
        std::lower_bound(rowOf.begin(), rowOf.end(), std::pair<std::string_view, int>(keptIdx[i], -1));
    const bool found = !keptIdx[i].empty() && it != rowOf.end() && it->first == keptIdx[i] && it->second >= 0;
    after.push_back(found ? index(it->second, before[static_cast<qsizetype>(i)].column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged();
}

void IncidentListModel::ShowOrder() {
  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<int> rowBefore;
  rowBefore.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before) rowBefore.push_back(index.isValid() ? shown_[index.row()] : -1);
  shown_.clear();
  std::vector<int> rowOf(before.isEmpty() ? 0 : reports_.size(), -1);
  for (const int i : order_) {
    if (!keys_[static_cast<std::size_t>(i)].matches) continue;
    if (!rowOf.empty()) rowOf[static_cast<std::size_t>(i)] = static_cast<int>(shown_.size());
    shown_.push_back(i);
  }
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype p = 0; p < before.size(); ++p) {
    const int report = rowBefore[static_cast<std::size_t>(p)];
    const int row = report >= 0 ? rowOf[static_cast<std::size_t>(report)] : -1;
    after.push_back(row >= 0 ? index(row, before[p].column()) : QModelIndex());
  }
  changePersistentIndexList(before, after);
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void IncidentListModel::SetFilter(const std::string& typedAnsi) {
  beginResetModel();
  filter_ = aids::ListFilter(typedAnsi);
  shown_.clear();
  for (const int i : order_) {
    Keys& k = keys_[static_cast<std::size_t>(i)];
    k.matches = filter_.Empty() || filter_.Matches(k.searchText);
    if (k.matches) shown_.push_back(i);
  }
  endResetModel();
}

void IncidentListModel::SetAgeMarks(const aids::AgeLimits& limits, std::int64_t nowMinute) {
  limits_ = limits;
  nowMinute_ = nowMinute;
  bool changed = false;
  for (const int i : order_) {
    Keys& k = keys_[static_cast<std::size_t>(i)];
    const aids::AgeMark mark =
        aids::MarkFor(reports_[static_cast<std::size_t>(i)].state, k.when, nowMinute_, limits_);
    changed = changed || mark != k.mark;
    k.mark = mark;
  }
  if (changed && !shown_.empty()) emit dataChanged(index(0, 0), index(rowCount() - 1, kColumnCount - 1));
}

aids::AgeMark IncidentListModel::Mark(int row) const {
  if (row < 0 || row >= rowCount()) return aids::AgeMark::None;
  return keys_[static_cast<std::size_t>(shown_[row])].mark;
}

void IncidentListModel::RemoveRow(int row) {
  if (row < 0 || row >= rowCount()) return;
  beginRemoveRows({}, row, row);
  const int gone = shown_[row];
  reports_[static_cast<std::size_t>(gone)].state = folder::kDeleted;
  shown_.erase(shown_.begin() + row);
  order_.erase(std::find(order_.begin(), order_.end(), gone));
  endRemoveRows();
}

QString IncidentListModel::Text(int row, int column) const {
  if (row < 0 || row >= rowCount() || column < 0 || column >= kColumnCount) return {};
  return ListText(Report(row).columns[static_cast<std::size_t>(column)]);
}

int IncidentListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int IncidentListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant IncidentListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) return Text(index.row(), index.column());
  const aids::AgeMark mark = Mark(index.row());
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
    const bool ready = mark == aids::AgeMark::ReadyTooLong;
    QIcon& icon = markIcons_[ready ? 0 : 1];
    if (icon.isNull()) {
      icon = QApplication::style()->standardIcon(ready ? QStyle::SP_MessageBoxWarning
                                                       : QStyle::SP_MessageBoxInformation);
    }
    return icon;
  }
  return {};
}

QVariant IncidentListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) {
    return {};
  }
  return QString::fromLatin1(ColumnHeaders()[static_cast<std::size_t>(section)]);
}

Qt::ItemFlags IncidentListModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

std::vector<std::pair<std::int64_t, int>> IncidentListModel::SortKeys() const {
  std::vector<std::pair<std::int64_t, int>> keyed;
  keyed.reserve(order_.size());
  if (sortColumn_ == kDateTimeColumn) {
    for (const int i : order_) keyed.emplace_back(keys_[static_cast<std::size_t>(i)].when, i);
    return keyed;
  }
  // Each distinct text is placed once. A column holds few of them (cities, types, states) or
  // many (issues, addresses); either way the sort that follows compares numbers side by side in
  // one array, not texts spread over the heap, which at fifty thousand reports no cache holds.
  const auto column = static_cast<std::size_t>(sortColumn_);
  std::unordered_map<std::string_view, std::uint32_t> textId;
  textId.reserve(order_.size());
  std::vector<int> firstOf;  // per distinct text: a report that holds it
  std::vector<std::uint32_t> idOf;
  idOf.reserve(order_.size());
  for (const int i : order_) {
    const auto [it, fresh] = textId.try_emplace(reports_[static_cast<std::size_t>(i)].columns[column],
                                                static_cast<std::uint32_t>(firstOf.size()));
    if (fresh) firstOf.push_back(i);
    idOf.push_back(it->second);
  }
  std::vector<std::uint32_t> byText(firstOf.size());
  for (std::uint32_t t = 0; t < byText.size(); ++t) byText[t] = t;
  const auto text = [&](std::uint32_t t) -> const std::string& {
    return reports_[static_cast<std::size_t>(firstOf[t])].columns[column];
  };
  std::sort(byText.begin(), byText.end(), [&](std::uint32_t a, std::uint32_t b) {
    const std::uint64_t pa = prefix_[static_cast<std::size_t>(firstOf[a])];
    const std::uint64_t pb = prefix_[static_cast<std::size_t>(firstOf[b])];
    if (pa != pb) return pa < pb;
    return CompareListText(text(a), text(b)) < 0;
  });
  // Texts that differ only in case share a rank, so they keep their order as equal texts do.
  std::vector<std::int64_t> rank(byText.size());
  std::int64_t r = 0;
  for (std::size_t k = 0; k < byText.size(); ++k) {
    if (k > 0 && CompareListText(text(byText[k - 1]), text(byText[k])) != 0) ++r;
    rank[byText[k]] = r;
  }
  for (std::size_t k = 0; k < order_.size(); ++k) keyed.emplace_back(rank[idOf[k]], order_[k]);
  return keyed;
}

void IncidentListModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kColumnCount) return;
  if (column != sortColumn_ || prefix_.size() != reports_.size()) {
    sortColumn_ = column;
    PackSortPrefixes(0);
  }
  sortOrder_ = order;
  std::vector<std::pair<std::int64_t, int>> keyed = SortKeys();
  if (order == Qt::DescendingOrder) {
    for (auto& k : keyed) k.first = -k.first;
  }
  // Stable both ways: of equal rows, the one before stays before, as rows arriving later expect.
  std::stable_sort(keyed.begin(), keyed.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (std::size_t k = 0; k < keyed.size(); ++k) order_[k] = keyed[k].second;
  ShowOrder();
}

}  // namespace cadro
