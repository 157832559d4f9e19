// Reading the message folder away from the window: every report once, a file that goes or
// changes while it is read, what the record would have said, and a stop in mid-folder.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include "BackgroundListing.h"
#include "FileIO.h"
#include "TestKit.h"

namespace cadro::testing {
namespace {

std::string ReportBytes(const std::string& id, int ast, const std::string& city) {
  return "[911 DEFINITION]\r\nTYP=MED\r\nEID=" + id + "\r\nISS=Fall\r\nCTY=" + city +
         "\r\n[ADMIN DEFINITION]\r\nAST=" + std::to_string(ast) + "\r\nADT=261207\r\nATM=0805\r\n[END]\r\n";
}

class Listing : public ::testing::Test {
protected:
  void SetUp() override { std::filesystem::create_directory(folder); }
  std::string FileOf(const std::string& id) { return JoinPath(folder.string(), id + ".911"); }
  void Report(const std::string& id, int ast = 2, const std::string& city = "Springfield") {
    WriteFileAtomic(FileOf(id), ReportBytes(id, ast, city));
  }

  // Runs a whole listing, taking batches as a window would, and returns all it handed over.
  ListingBatch RunToEnd(BackgroundListing::ReaderSetup setup = {}) {
    std::mutex m;
    std::condition_variable cv;
    bool woken = false;
    BackgroundListing listing(
        folder.string(),
        [&] {
          std::lock_guard lock(m);
          woken = true;
          cv.notify_one();
        },
        std::move(setup));
    ListingBatch all;
    for (;;) {
      {
        std::unique_lock lock(m);
        if (!cv.wait_for(lock, std::chrono::seconds(20), [&] { return woken; })) {
          ADD_FAILURE() << "no wake-up from the listing";
          return all;
        }
        woken = false;
      }
      ListingBatch batch = listing.Take();
      for (IncidentRow& row : batch.rows) all.rows.push_back(std::move(row));
      for (ListingNotice& n : batch.notices) all.notices.push_back(std::move(n));
      all.done = batch.done;
      all.total = batch.total;
      all.listed = batch.listed;
      if (batch.finished) {
        all.finished = true;
        return all;
      }
    }
  }
  static std::vector<std::string> Ids(const ListingBatch& b) {
    std::vector<std::string> ids;
    for (const IncidentRow& r : b.rows) ids.push_back(r.columns[kIdxColumn]);
    std::sort(ids.begin(), ids.end());
    return ids;
  }

  TempDir dir;
  std::filesystem::path folder = dir.path() / "msg.d";
};

TEST_F(Listing, EveryReportComesOnceWithItsColumnsAndTheCountsAddUp) {
  std::vector<std::string> expected;
  for (int i = 0; i < 500; ++i) {
    const std::string id = "AB126342." + std::to_string(1000 + i);
    Report(id, i % 2 ? 2 : 6, i % 3 ? "Springfield" : "Ogdenville");
    expected.push_back(id);
  }
  const ListingBatch all = RunToEnd();
  ASSERT_TRUE(all.finished);
  EXPECT_EQ(Ids(all), expected);
  EXPECT_EQ(all.total, 500u);
  EXPECT_EQ(all.done, 500u);
  EXPECT_TRUE(all.notices.empty());
  const auto it = std::find_if(all.rows.begin(), all.rows.end(),
                               [](const IncidentRow& r) { return r.columns[0] == "AB126342.1003"; });
  ASSERT_NE(it, all.rows.end());
  EXPECT_EQ(it->columns,
            (std::array<std::string, kColumnCount>{"AB126342.1003", "Ready", "AB126342.1003", "MED", "Fall",
                                                   "", "Ogdenville", "12/07/26 08:05"}));
  EXPECT_EQ(it->state, 2);
  EXPECT_EQ(ListingProgressText(all), "Reading reports: 500 of 500");
  ListingBatch big;
  big.listed = true;
  big.done = 12000;
  big.total = 1050000;
  EXPECT_EQ(ListingProgressText(big), "Reading reports: 12,000 of 1,050,000");
  EXPECT_EQ(ListingProgressText(ListingBatch{}), "Reading reports");
}

TEST_F(Listing, AnEmptyOrMissingFolderEndsAtOnce) {
  EXPECT_TRUE(RunToEnd().rows.empty());
  std::filesystem::remove(folder);
  const ListingBatch none = RunToEnd();
  EXPECT_TRUE(none.finished);
  EXPECT_TRUE(none.rows.empty());
}

// A name with a line break in it can be no report's event ID; listed, it would be a row that
// opens nothing, or split into two names.
TEST_F(Listing, AReportFileWhoseNameHoldsALineBreakIsLeftOut) {
  Report("A1");
  WriteFileBytes(JoinPath(folder.string(), "B\n1.911"), ReportBytes("B1", 2, "X"));
  WriteFileBytes(JoinPath(folder.string(), "C\r1.911"), ReportBytes("C1", 2, "X"));
  const ListingBatch all = RunToEnd();
  EXPECT_EQ(Ids(all), std::vector<std::string>{"A1"});
  ASSERT_EQ(all.notices.size(), 2u);
  for (const ListingNotice& n : all.notices) {
    EXPECT_EQ(n.kind, ListingNotice::Kind::EventLog);
    EXPECT_NE(n.text.find("whose name is not an event ID"), std::string::npos) << n.text;
  }
}

TEST_F(Listing, AFileThatCannotBeReadIsReportedAsTheRecordReportsItAndStillListed) {
  Report("A1");
  WriteFileBytes(FileOf("BAD"), "TYP=LAW\r\nAST=abc\r\n");
  const ListingBatch all = RunToEnd();
  EXPECT_EQ(Ids(all), (std::vector<std::string>{"A1", "BAD"}));
  ASSERT_EQ(all.notices.size(), 2u);
  EXPECT_EQ(all.notices[0].kind, ListingNotice::Kind::EventLog);
  EXPECT_NE(all.notices[0].text.find("; Cadro:Load, FileName = "), std::string::npos);
  EXPECT_EQ(all.notices[1].kind, ListingNotice::Kind::Message);
  EXPECT_NE(all.notices[1].text.find("Problems loading "), std::string::npos);
  EXPECT_EQ(all.notices[1].icon, PromptIcon::Critical);
  for (const IncidentRow& r : all.rows) {
    if (r.columns[0] == "BAD") {
      EXPECT_EQ(r.columns[3], "LAW") << "what was read before the failure";
    }
  }
}

TEST_F(Listing, AReportDeletedAfterTheFolderWasListedIsNotShown) {
  Report("A1");
  Report("A2");
  Report("A3");
  const ListingBatch all = RunToEnd([this](ReportReader& reader) {
    reader.beforeOpen = [this](const std::string& id) {
      if (id == "A2") std::filesystem::remove(FileOf("A2"));
    };
  });
  EXPECT_EQ(Ids(all), (std::vector<std::string>{"A1", "A3"}));
  EXPECT_TRUE(all.notices.empty()) << all.notices[0].text;
}

TEST_F(Listing, AReportRewrittenWhileItIsReadIsReadAgainWhole) {
  Report("A1", 2, "Springfield");
  Report("A2", 2, "Springfield");
  // Once in place, as a writer that takes no care does (shorter, so the first read is torn),
  // once by renaming a new file over it, as the entry form does (the old file loses its name).
  int inPlace = 0;
  int renamed = 0;
  const ListingBatch all = RunToEnd([&](ReportReader& reader) {
    reader.afterRead = [&](const std::string& id) {
      if (id == "A1" && inPlace++ == 0) WriteFileBytes(FileOf("A1"), ReportBytes("A1", 6, "Lakeside"));
      if (id == "A2" && renamed++ == 0) Report("A2", 9, "Riverton and Lakeside and the hills beyond");
    };
  });
  ASSERT_EQ(all.rows.size(), 2u);
  for (const IncidentRow& r : all.rows) {
    if (r.columns[0] == "A1") {
      EXPECT_EQ(r.state, 6);
      EXPECT_EQ(r.columns[kCityColumn], "Lakeside");
    } else {
      EXPECT_EQ(r.state, 9);
      EXPECT_EQ(r.columns[kCityColumn], "Riverton and Lakeside and the hills beyond");
    }
  }
  EXPECT_EQ(inPlace, 2);
  EXPECT_EQ(renamed, 2);
  EXPECT_TRUE(all.notices.empty());
}

// A report saved again on every read (a busy station, a syncing tool) is listed all the same:
// after the last attempt the version read then stands, whole, rather than no row at all.
TEST_F(Listing, AReportThatChangesOnEveryReadIsStillListedOnce) {
  Report("A1", 2, "Springfield");
  int reads = 0;
  const ListingBatch all = RunToEnd([&](ReportReader& reader) {
    reader.afterRead = [&](const std::string&) {
      ++reads;
      Report("A1", 6, "V" + std::to_string(reads));
    };
  });
  ASSERT_EQ(all.rows.size(), 1u);
  EXPECT_GE(reads, 2) << "a changed file was not read again";
  const std::string city = all.rows[0].columns[kCityColumn];
  EXPECT_TRUE(city == "Springfield" || city == "V1" || city == "V2" || city == "V3") << city;
  EXPECT_EQ(all.rows[0].state, city == "Springfield" ? 2 : 6);
  EXPECT_TRUE(all.notices.empty());
}

TEST_F(Listing, AStopInMidFolderEndsTheReadingAndTheWaitForIt) {
  for (int i = 0; i < 200; ++i) Report("A" + std::to_string(i));
  std::mutex m;
  std::condition_variable cv;
  int opened = 0;
  bool released = false;
  auto listing = std::make_unique<BackgroundListing>(
      folder.string(), [] {},
      [&](ReportReader& reader) {
        reader.beforeOpen = [&](const std::string&) {
          std::unique_lock lock(m);
          if (++opened == 100) {
            cv.notify_all();
            cv.wait_for(lock, std::chrono::seconds(20), [&] { return released; });
          }
        };
      });
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return opened >= 100; }));
  }
  listing->Stop();
  {
    std::lock_guard lock(m);
    released = true;
  }
  cv.notify_all();
  const auto start = std::chrono::steady_clock::now();
  listing.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  EXPECT_LE(opened, 101);
}

// A window that puts off taking rows until its next batch is due still hears of the end at
// once: otherwise the whole list waited for that tick, up to 40 ms after the last file.
TEST_F(Listing, TheEndWakesTheWindowWhileAnEarlierWakeUpIsUnanswered) {
  for (int i = 0; i < 50; ++i) Report("A" + std::to_string(i));
  std::atomic<int> wakes{0};
  BackgroundListing listing(folder.string(), [&] { ++wakes; });
  const auto start = std::chrono::steady_clock::now();
  while (!listing.Finished() && std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_TRUE(listing.Finished());
  // No Take in between: the first rows woke the window, and the end must wake it again.
  EXPECT_EQ(wakes.load(), 2);
  const ListingBatch batch = listing.Take();
  EXPECT_TRUE(batch.finished);
  EXPECT_EQ(batch.rows.size(), 50u);
}

// Past a few hundred files the folder is read by two threads, every other file each. Files
// deleted before they are opened and rewritten while they are read, at the same time on both
// threads: every report on disk comes once, in the version it has at the end, and the counts add
// up. A stop ends both threads.
TEST_F(Listing, TwoReadersTakeEveryReportOnceWhateverChangesWhileTheyRead) {
  constexpr int kReports = 1200;
  for (int i = 0; i < kReports; ++i) Report("B" + std::to_string(i), 2, "Springfield");
  std::mutex m;
  std::set<std::string> rewritten;
  std::set<std::thread::id> threads;
  const auto number = [](const std::string& id) { return std::stoi(id.substr(1)); };
  const ListingBatch all = RunToEnd([&](ReportReader& reader) {
    reader.beforeOpen = [&](const std::string& id) {
      {
        std::lock_guard lock(m);
        threads.insert(std::this_thread::get_id());
      }
      if (number(id) % 97 == 5) std::filesystem::remove(FileOf(id));
    };
    reader.afterRead = [&](const std::string& id) {
      if (number(id) % 89 != 7) return;
      {
        std::lock_guard lock(m);
        if (!rewritten.insert(id).second) return;
      }
      WriteFileBytes(FileOf(id), ReportBytes(id, 9, "Lakeside"));
    };
  });
  ASSERT_TRUE(all.finished);
  EXPECT_EQ(threads.size(), 2u) << "the folder was not read by two threads";
  std::vector<std::string> onDisk;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    onDisk.push_back(e.path().stem().string());
  std::sort(onDisk.begin(), onDisk.end());
  EXPECT_EQ(Ids(all), onDisk);  // each once: Ids keeps duplicates
  EXPECT_EQ(all.total, static_cast<std::size_t>(kReports));
  EXPECT_EQ(all.done, static_cast<std::size_t>(kReports));
  EXPECT_FALSE(rewritten.empty());
  for (const IncidentRow& r : all.rows) {
    const bool wasRewritten = rewritten.count(r.columns[kIdxColumn]) > 0;
    EXPECT_EQ(r.state, wasRewritten ? 9 : 2) << r.columns[kIdxColumn];
    EXPECT_EQ(r.columns[kCityColumn], wasRewritten ? "Lakeside" : "Springfield") << r.columns[kIdxColumn];
  }
  EXPECT_TRUE(all.notices.empty());

  std::atomic<int> opened{0};
  auto listing = std::make_unique<BackgroundListing>(
      folder.string(), [] {},
      [&](ReportReader& reader) {
        reader.beforeOpen = [&](const std::string&) {
          if (++opened == 500) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        };
      });
  const auto start = std::chrono::steady_clock::now();
  while (opened < 500 && std::chrono::steady_clock::now() - start < std::chrono::seconds(20))
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  listing->Stop();
  listing.reset();
  EXPECT_LT(opened.load(), kReports) << "the stop did not end the reading";
}

// A window that is starting asks the reading to wait, once the first screenful is handed over,
// until it has shown them: the rest of the folder is read only then, or after the longest wait.
TEST_F(Listing, AHoldForTheFirstScreenWaitsForItsRowsToBeShownAndNoLonger) {
  for (int i = 0; i < 200; ++i) Report("A" + std::to_string(i));
  const auto waitUntil = [](const auto& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!done() && std::chrono::steady_clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return done();
  };
  {
    std::atomic<int> wakes{0};
    BackgroundListing listing(
        folder.string(), [&] { ++wakes; }, {}, std::chrono::seconds(60));
    // Everything read so far is handed over, and the window is woken for it although it has not
    // answered the first wake-up yet. The hold is announced before that wake-up is sent.
    ASSERT_TRUE(waitUntil([&] { return listing.Holding() && wakes.load() >= 2; }))
        << "wake-ups: " << wakes.load();
    EXPECT_EQ(wakes.load(), 2);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ListingBatch first = listing.Take();
    EXPECT_EQ(first.rows.size(), 64u);
    EXPECT_EQ(first.done, 64u);
    EXPECT_TRUE(listing.Holding());
    listing.ScreenShown();
    ASSERT_TRUE(waitUntil([&] { return listing.Finished(); }));
    EXPECT_EQ(listing.Take().rows.size(), 136u);
  }
  {
    // Nobody says the rows were shown: the reading goes on after the longest wait.
    BackgroundListing listing(
        folder.string(), [] {}, {}, std::chrono::milliseconds(50));
    ASSERT_TRUE(waitUntil([&] { return listing.Finished(); }));
    EXPECT_EQ(listing.Take().rows.size(), 200u);
  }
  {
    // A listing stopped while it waits ends without waiting its time out.
    auto listing = std::make_unique<BackgroundListing>(
        folder.string(), [] {}, BackgroundListing::ReaderSetup{}, std::chrono::seconds(60));
    ASSERT_TRUE(waitUntil([&] { return listing->Holding(); }));
    const auto start = std::chrono::steady_clock::now();
    listing.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  }
}

}  // namespace
}  // namespace cadro::testing
