// The list's rows as they arrive in batches: they stand where one sort of the whole would put
// them, the text order is the window's case-folded order, and a selection stays on its reports.
#include <gtest/gtest.h>

#include <QIcon>
#include <QItemSelectionModel>
#include <QSignalSpy>
#include <algorithm>
#include <random>

#include "IncidentListModel.h"
#include "QtPlatform.h"

namespace cadro::testing {
namespace {

// Texts with what makes a text order go wrong: case, accents of the code page, bytes above 0x80
// whose characters stand far apart in Unicode, prefixes, and equal texts.
std::string RandomText(std::mt19937& rng) {
  static const char kBytes[] = {'a',    'B',    'b',    'A',    'z',    'Z',    ' ',
                                '1',    '\xE9', '\xC9', '\x80', '\x9A', '\x8A', '\xDF',
                                '\xFF', '\x9F', '\xE0', '\xC0', '.',    'm'};
  std::string s(std::uniform_int_distribution<std::size_t>(0, 4)(rng), ' ');
  for (char& c : s) c = kBytes[std::uniform_int_distribution<std::size_t>(0, sizeof kBytes - 1)(rng)];
  // Some share their first characters and differ only beyond them.
  return rng() % 4 == 0 ? "Smoke from " + s : s;
}

IncidentRow Row(int n, std::mt19937& rng) {
  IncidentRow r;
  const std::string id = "R" + std::to_string(n);
  char adt[8];
  char atm[8];
  std::snprintf(adt, sizeof adt, "26%02d%02d", 1 + static_cast<int>(rng() % 12),
                1 + static_cast<int>(rng() % 28));
  std::snprintf(atm, sizeof atm, "%02d%02d", static_cast<int>(rng() % 24), static_cast<int>(rng() % 60));
  const bool noDate = rng() % 7 == 0;
  r.adt = noDate ? "" : adt;
  r.atm = noDate ? "" : atm;
  r.state = (rng() % 2) ? 2 : 6;
  r.columns = {id,
               StateText(r.state),
               id,
               RandomText(rng),
               RandomText(rng),
               RandomText(rng),
               RandomText(rng),
               DateTimeText(r.adt, r.atm)};
  return r;
}

// The order the window had before rows came in batches: the whole list, texts folded as
// QStrings, one stable sort.
std::vector<std::string> ReferenceOrder(const std::vector<IncidentRow>& rows, int column,
                                        Qt::SortOrder order) {
  std::vector<std::size_t> perm(rows.size());
  for (std::size_t i = 0; i < perm.size(); ++i) perm[i] = i;
  const auto key = [&](std::size_t i) { return FromAnsi(rows[i].columns[column]).toCaseFolded(); };
  std::stable_sort(perm.begin(), perm.end(), [&](std::size_t a, std::size_t b) {
    if (column == kDateTimeColumn) {
      const auto ka = DateTimeSortKey(rows[a].columns[column]);
      const auto kb = DateTimeSortKey(rows[b].columns[column]);
      return order == Qt::AscendingOrder ? ka < kb : kb < ka;
    }
    const int c = QString::compare(key(a), key(b), Qt::CaseSensitive);
    return order == Qt::AscendingOrder ? c < 0 : c > 0;
  });
  std::vector<std::string> ids;
  for (const std::size_t i : perm) ids.push_back(rows[i].columns[0]);
  return ids;
}

std::vector<std::string> Shown(const IncidentListModel& model) {
  std::vector<std::string> ids;
  for (int r = 0; r < model.rowCount(); ++r) ids.push_back(ToAnsi(model.Text(r, 0)));
  return ids;
}

TEST(IncidentListModelTest, RowsInBatchesStandWhereOneSortOfTheWholeListPutsThem) {
  for (unsigned seed = 1; seed <= 40; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    std::vector<IncidentRow> rows;
    for (int i = 0; i < 300; ++i) rows.push_back(Row(i, rng));
    const int column = std::array{2, 3, 4, 6, 7}[rng() % 5];
    const Qt::SortOrder order = rng() % 2 ? Qt::AscendingOrder : Qt::DescendingOrder;
    IncidentListModel model;
    model.Clear(0);
    model.sort(column, order);
    for (std::size_t at = 0; at < rows.size();) {
      const std::size_t n = std::min<std::size_t>(rows.size() - at, 1 + rng() % 60);
      model.Append(std::vector<IncidentRow>(rows.begin() + static_cast<long>(at),
                                            rows.begin() + static_cast<long>(at + n)));
      at += n;
    }
    ASSERT_EQ(Shown(model), ReferenceOrder(rows, column, order));
    // A sort on another column after the fact gives the same as sorting the whole.
    model.sort(4, Qt::AscendingOrder);
    model.sort(column, order);
    std::vector<IncidentRow> byFour = rows;
    const std::vector<std::string> fourOrder = ReferenceOrder(rows, 4, Qt::AscendingOrder);
    for (std::size_t i = 0; i < fourOrder.size(); ++i) {
      byFour[i] = *std::find_if(rows.begin(), rows.end(),
                                [&](const IncidentRow& r) { return r.columns[0] == fourOrder[i]; });
    }
    EXPECT_EQ(Shown(model), ReferenceOrder(byFour, column, order));
    // Turned round, equal rows keep the order they had.
    const Qt::SortOrder other = order == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    std::vector<IncidentRow> before;
    for (const std::string& id : Shown(model)) {
      before.push_back(
          *std::find_if(rows.begin(), rows.end(), [&](const IncidentRow& r) { return r.columns[0] == id; }));
    }
    model.sort(column, other);
    EXPECT_EQ(Shown(model), ReferenceOrder(before, column, other));
  }
}

TEST(IncidentListModelTest, AFolderShowsItsRowsButKeepsEveryReportForTheAids) {
  std::mt19937 rng(7);
  IncidentListModel model;
  model.Clear(6);
  std::vector<IncidentRow> rows;
  for (int i = 0; i < 50; ++i) rows.push_back(Row(i, rng));
  const auto drafts =
      std::count_if(rows.begin(), rows.end(), [](const IncidentRow& r) { return r.state == 6; });
  model.Append(std::vector<IncidentRow>(rows));
  EXPECT_EQ(model.rowCount(), drafts);
  EXPECT_EQ(model.TotalRows(), drafts);
  EXPECT_EQ(model.Reports().size(), rows.size());
  model.SetFilter("R1");
  for (const std::string& id : Shown(model)) EXPECT_EQ(id.rfind("R1", 0), 0u);
  // A row deleted from the list counts as deleted for the aids too.
  const std::string gone = ToAnsi(model.Text(0, 0));
  model.RemoveRow(0);
  for (const IncidentRow& r : model.Reports()) {
    if (r.columns[0] == gone) {
      EXPECT_EQ(r.state, 8);
    }
  }
}

TEST(IncidentListModelTest, TheSelectionFollowsItsReportsAsRowsArriveAndWhenARebuildIsAdopted) {
  std::mt19937 rng(3);
  std::vector<IncidentRow> rows;
  for (int i = 0; i < 200; ++i) rows.push_back(Row(i, rng));
  IncidentListModel model;
  model.Clear(0);
  model.sort(2, Qt::DescendingOrder);
  model.Append(std::vector<IncidentRow>(rows.begin(), rows.begin() + 100));
  QItemSelectionModel selection(&model);
  const auto select = [&](const std::string& id) {
    const std::vector<std::string> shown = Shown(model);
    const int row = static_cast<int>(std::find(shown.begin(), shown.end(), id) - shown.begin());
    selection.select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
  };
  select("R5");
  select("R50");
  selection.setCurrentIndex(model.index(3, 0), QItemSelectionModel::NoUpdate);
  const std::string current = ToAnsi(model.Text(3, 0));
  const auto selected = [&] {
    std::vector<std::string> ids;
    for (const QModelIndex& i : selection.selectedRows()) ids.push_back(ToAnsi(model.Text(i.row(), 0)));
    std::sort(ids.begin(), ids.end());
    return ids;
  };
  model.Append(std::vector<IncidentRow>(rows.begin() + 100, rows.end()));
  EXPECT_EQ(selected(), (std::vector<std::string>{"R5", "R50"}));
  EXPECT_EQ(ToAnsi(model.Text(selection.currentIndex().row(), 0)), current);

  // A rebuild read in the background replaces the rows; the filter typed meanwhile holds.
  model.SetFilter("R5");
  select("R5");
  select("R50");
  IncidentListModel rebuilt;
  rebuilt.Clear(0);
  rebuilt.sort(kCityColumn, Qt::AscendingOrder);
  std::vector<IncidentRow> again(rows.rbegin(), rows.rend());
  rebuilt.Append(std::move(again));
  model.Adopt(rebuilt);
  EXPECT_EQ(model.Reports().size(), rows.size());
  EXPECT_TRUE(rebuilt.Reports().empty());
  for (const std::string& id : Shown(model)) EXPECT_EQ(id.rfind("R5", 0), 0u);
  EXPECT_EQ(selected(), (std::vector<std::string>{"R5", "R50"}));
  EXPECT_EQ(model.SortColumn(), kCityColumn);
}

// On a desktop the style finds a standard icon in the icon theme, file by file; asked again on
// every paint of every marked row, it made each keystroke in the search box cost 0.1 s.
TEST(IncidentListModelTest, AMarkedRowShowsTheSameIconEveryTimeItIsPainted) {
  std::mt19937 rng(5);
  IncidentListModel model;
  model.Clear(0);
  std::vector<IncidentRow> rows;
  for (int i = 0; i < 20; ++i) rows.push_back(Row(i, rng));
  model.Append(std::move(rows));
  model.SetAgeMarks({1, 1}, DateTimeSortKey("12/31/29 23:59"));
  int marked = 0;
  for (int r = 0; r < model.rowCount(); ++r) {
    if (model.Mark(r) == aids::AgeMark::None) continue;
    ++marked;
    const auto icon = [&] { return model.data(model.index(r, 1), Qt::DecorationRole).value<QIcon>(); };
    ASSERT_FALSE(icon().isNull());
    EXPECT_EQ(icon().cacheKey(), icon().cacheKey()) << "row " << r;
  }
  EXPECT_GT(marked, 0);
}

// A mark that comes or goes as the clock moves must repaint the rows, or the list shows the old
// marks until something else repaints it. Rows beyond the list read as nothing, even when empty.
TEST(IncidentListModelTest, ChangedMarksRepaintTheRowsAndRowsBeyondTheListReadEmpty) {
  std::mt19937 rng(7);
  IncidentListModel model;
  model.Clear(0);
  EXPECT_EQ(model.Text(0, 0), QString());
  EXPECT_EQ(model.Mark(0), aids::AgeMark::None);
  std::vector<IncidentRow> rows;
  for (int i = 0; i < 5; ++i) rows.push_back(Row(i, rng));
  model.Append(std::move(rows));
  EXPECT_EQ(model.Text(model.rowCount(), 0), QString());
  EXPECT_EQ(model.Mark(model.rowCount()), aids::AgeMark::None);
  EXPECT_EQ(model.Text(-1, 0), QString());

  QSignalSpy repaint(&model, &QAbstractItemModel::dataChanged);
  model.SetAgeMarks({1, 1}, DateTimeSortKey("12/31/29 23:59"));
  ASSERT_EQ(repaint.count(), 1);
  EXPECT_EQ(repaint.at(0).at(0).value<QModelIndex>(), model.index(0, 0));
  EXPECT_EQ(repaint.at(0).at(1).value<QModelIndex>(), model.index(model.rowCount() - 1, kColumnCount - 1));
  model.SetAgeMarks({1, 1}, DateTimeSortKey("12/31/29 23:59"));
  EXPECT_EQ(repaint.count(), 1);  // nothing changed: nothing to repaint
}

}  // namespace
}  // namespace cadro::testing
