// Prints how long the duplicate check on Save/Submit, one keystroke of the search box and a sort
// of the list take with 1,000, 10,000 and 50,000 reports in the message folder, and how the
// figures grow from 10,000 to 50,000 (1.0: five times the reports take five times as long).
//
// The duplicate check runs over the rows the list already holds. Two cases: a busy hour in which
// every report falls within the hour and shares the type (each one's address is normalised), and
// a normal day in which most reports fall outside the hour.
#include <QApplication>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <type_traits>
#include <vector>

#include "DuplicateCheck.h"
#include "IncidentList.h"
#include "IncidentListModel.h"
#include "ListFilter.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* kStreets[] = {"Main Street", "Oak Ave", "N Elm Rd", "Sunset Boulevard", "River Lane", "Hill Ct"};
const char* kCities[] = {"Springfield", "Shelbyville", "Ogdenville", "North Haverbrook"};
const char* kTypes[] = {"MED", "FIRE", "LAW", "LGOV", "MED+FIRE", "FIRE+LAW"};
const char* kIssues[] = {"Smoke from roof", "Person down", "Car crash", "Water main break", "Burglary"};

std::string Two(int n) {
  return {static_cast<char>('0' + n / 10 % 10), static_cast<char>('0' + n % 10)};
}

std::vector<cadro::IncidentRow> Reports(int count, bool busyHour) {
  std::vector<cadro::IncidentRow> rows;
  rows.reserve(count);
  for (int i = 0; i < count; ++i) {
    cadro::IncidentRow r;
    const std::string id = "AB126342." + std::to_string(100 + i);
    // Busy hour: every report in the hour before 13:00, all FIRE. Normal day: spread over a month.
    const int minute = busyHour ? i % 60 : i * 7 % 1440;
    const std::string adt = busyHour ? "261208" : "2612" + Two(1 + i % 28);
    const std::string atm = busyHour ? "12" + Two(minute) : Two(minute / 60) + Two(minute % 60);
    const std::string ad1 = std::to_string(1 + i % 997) + " " + kStreets[i % 6];
    r.columns = {id,
                 "Ready",
                 id,
                 busyHour ? "FIRE" : kTypes[i % 6],
                 kIssues[i % 5],
                 ad1,
                 kCities[i % 4],
                 cadro::DateTimeText(adt, atm)};
    r.state = 2 + (i % 3) * 4 % 8;
    r.adt = adt;
    r.atm = atm;
    r.dtl = "Caller reports " + std::string(kIssues[(i + 2) % 5]) + " near " + ad1 + "\\nUnit requested";
    rows.push_back(std::move(r));
  }
  return rows;
}

// Best of `repeats` runs; a body that returns a double reports its own measured part.
template <typename F>
double BestMs(int repeats, F&& f) {
  double best = 1e9;
  for (int i = 0; i < repeats; ++i) {
    const auto t0 = Clock::now();
    if constexpr (std::is_same_v<decltype(f()), double>) {
      best = std::min(best, f());
    } else {
      f();
      best = std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  std::printf(
      "bench_aids: duplicate check (goal < 50 ms at 10,000) and search filter per keystroke "
      "(goal < 30 ms at 10,000)\n");
  std::map<std::string, double> at10k;
  const auto scaling = [&at10k](int n, const std::string& what, double ms) {
    if (n == 10000) at10k[what] = ms;
    if (n == 50000 && at10k[what] > 0) {
      std::printf("    %s grows %.2f x linear from 10,000 to 50,000\n", what.c_str(), ms / (5 * at10k[what]));
    }
  };
  for (const int n : {1000, 10000, 50000}) {
    for (const bool busy : {true, false}) {
      std::vector<cadro::IncidentRow> rows = Reports(n, busy);
      cadro::IncidentRow fresh = rows.back();
      fresh.columns[0] = "NEW";
      fresh.columns[5] = "9999 Nowhere Rd";  // no match: the whole list is looked at
      std::size_t found = 0;
      const double ms =
          BestMs(5, [&] { found += cadro::aids::FindPossibleDuplicate(fresh, rows).has_value(); });
      std::printf("  duplicate check, %5d reports, %-10s: %7.2f ms\n", n, busy ? "busy hour" : "normal day",
                  ms);
      scaling(n, busy ? "the duplicate check (busy hour)" : "the duplicate check (normal day)", ms);
      if (found) std::printf("    (unexpected match)\n");
    }
    // The list folds each row's searched text once when it is built; a keystroke then scans.
    const std::vector<cadro::IncidentRow> rows = Reports(n, false);
    std::vector<std::string> texts;
    const double buildMs = BestMs(3, [&] {
      texts.clear();
      texts.reserve(rows.size());
      for (const auto& r : rows) texts.push_back(cadro::aids::SearchText(r));
    });
    std::printf("  search text folded once per build, %5d reports: %7.2f ms\n", n, buildMs);
    const char* typing[] = {"m", "ma", "mai", "main", "main s", "main st", "main st fire", "zzz"};
    double worst = 0;
    std::size_t shown = 0;
    for (const char* typed : typing) {
      const double ms = BestMs(5, [&] {
        const cadro::aids::ListFilter filter(typed);
        shown = 0;
        for (const auto& t : texts) shown += filter.Matches(t);
      });
      worst = std::max(worst, ms);
    }
    std::printf("  filter per keystroke, %5d reports: worst of %zu keystrokes %7.2f ms\n", n,
                std::size(typing), worst);
    scaling(n, "the filter", worst);

    // The same keystrokes in the list window's model with its view painted after each one.
    cadro::IncidentListModel model;
    QTreeView view;
    view.setModel(&model);
    view.setUniformRowHeights(true);
    view.resize(900, 600);
    view.show();
    model.SetRows(rows);
    QApplication::processEvents();
    double worstShown = 0;
    for (const char* typed : typing) {
      const double ms = BestMs(3, [&] {
        model.SetFilter("");
        const auto t0 = Clock::now();
        model.SetFilter(typed);
        view.viewport()->repaint();
        return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
      });
      worstShown = std::max(worstShown, ms);
    }
    std::printf("  filter per keystroke in the list window (model + repaint), %5d reports: worst %7.2f ms\n",
                n, worstShown);
    model.SetFilter("");
    const double sortText = BestMs(3,
                                   [&] {
                                     model.sort(4, Qt::AscendingOrder);
                                     model.sort(4, Qt::DescendingOrder);
                                   }) /
                            2;
    const double sortDate = BestMs(3,
                                   [&] {
                                     model.sort(7, Qt::AscendingOrder);
                                     model.sort(7, Qt::DescendingOrder);
                                   }) /
                            2;
    std::printf("  sort in the list's model, %5d reports: by Issue %7.2f ms, by Date/Time %7.2f ms\n", n,
                sortText, sortDate);
    scaling(n, "the sort by Issue", sortText);
  }
  return 0;
}
