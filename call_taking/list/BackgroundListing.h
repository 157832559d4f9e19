#pragma once
// Reading the message folder away from the window. A station keeps every report it ever took,
// tens of thousands of files; reading them on the window's thread froze the window for seconds.
// One listing reads every report of the folder once, on a thread of its own (two past the first
// few hundred files: the reading is mostly waiting on the kernel, and the window needs little
// meanwhile), into list rows that the window takes in batches whenever it is ready. What the record would
// have told the operator on the way (a file it cannot read, a name it leaves out) is collected and handed
// over with the rows, so boxes and log entries still come from the window's thread.
//
//   BackgroundListing listing(messageFolder, [] { /* wake the window; any thread */ });
//   ...
//   ListingBatch batch = listing.Take();   // on the window's thread: the rows read since last time
//   if (batch.finished) ...                // every file has been read
//
// Destroying the object stops the reading and waits for its threads, which notice within one
// file. A listing never starts again: a new listing is a new object.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "IncidentList.h"
#include "Platform.h"

namespace cadro {

// What the record said while reading, in the order it said it.
struct ListingNotice {
  enum class Kind { EventLog, Message } kind;
  std::string text;
  std::string title;
  PromptIcon icon = PromptIcon::None;
};

struct ListingBatch {
  std::vector<IncidentRow> rows;  // every report read, whatever the folder
  std::vector<ListingNotice> notices;
  std::size_t done = 0;   // files read so far, of
  std::size_t total = 0;  // the files the folder listed (0 until it is listed)
  bool listed = false;    // the folder has been listed, so `total` holds
  bool finished = false;  // nothing more will come
};

// Reads the report files of one folder into rows. Used by one thread at a time.
class ReportReader {
public:
  ReportReader(std::string messageFolder, std::vector<ListingNotice>& notices);
  ~ReportReader();
  ReportReader(const ReportReader&) = delete;
  ReportReader& operator=(const ReportReader&) = delete;

  // The event IDs of the folder's report files one at a time, in the order the folder gives
  // them.
  void List(const std::function<void(std::string_view eventId)>& each);
  // The row of the report `eventId`; nothing when its file is gone (a report deleted since the
  // folder was listed is no longer there to show). A file rewritten or replaced while it is read
  // is read again, so the row is one whole version of it.
  std::optional<IncidentRow> Read(const std::string& eventId);

  // Tests only: called on the reading thread just before a file is opened, and between reading
  // it and checking whether it changed meanwhile. A big folder is read by two threads, which
  // call these at the same time.
  std::function<void(const std::string&eventId)> beforeOpen, afterRead;

private:
  class Collector;
  void OpenFolder();
  std::string folder_;
  int dirFd_ = -1;
  std::unique_ptr<Collector> collector_;
  std::string bytes_;
};

class BackgroundListing {
public:
  using Wake = std::function<void()>;
  using ReaderSetup = std::function<void(ReportReader&)>;
  // Starts reading at once. `wake` is called from a reading thread when rows or the end are
  // waiting and the last Take has taken everything before; it must only post a wake-up. `setup`
  // is called once, with the reader that lists the folder; a second reader gets its hooks.
  // `holdForFirstScreen`: once a screenful has been read and handed over, the reading waits
  // until ScreenShown, at most this long, so that the window that is starting has the machine to
  // itself while it shows them. Zero: no wait.
  BackgroundListing(std::string messageFolder, Wake wake, ReaderSetup setup = {},
                    std::chrono::milliseconds holdForFirstScreen = std::chrono::milliseconds(0));
  ~BackgroundListing();
  BackgroundListing(const BackgroundListing&) = delete;
  BackgroundListing& operator=(const BackgroundListing&) = delete;

  // Everything read since the last Take.
  ListingBatch Take();
  // Asks the reading to stop; it does within one file. The object can then be destroyed
  // without a wait worth the name.
  void Stop() { thread_.request_stop(); }
  bool Finished() const { return finished_.load(); }
  // The reading waits for ScreenShown: what it handed over is to be taken at once.
  bool Holding() const { return holding_.load(); }
  // The first screenful is on the screen: the reading goes on. Any thread.
  void ScreenShown();
  // How long a window lets the reading wait for ScreenShown at most (for a window that is not
  // painted after all).
  static constexpr std::chrono::milliseconds kLongestHold{100};
  // Every file has been read and the last rows are waiting to be taken.
  bool EndReached() const { return endReached_.load(); }

private:
  struct Worker;
  void Run(std::stop_token stop);
  void ReadOne(Worker& worker, const std::string& eventId);
  void PassNotices(Worker& worker);
  void Post(std::vector<IncidentRow>* rows, bool end);
  void HoldForScreen(const std::stop_token& stop, std::vector<IncidentRow>& rows);

  std::string folder_;
  Wake wake_;
  ReaderSetup setup_;
  std::mutex mutex_;
  ListingBatch pending_;  // guarded by mutex_; its `done` is not kept: Take reads done_
  bool awake_ = false;    // a wake-up is out and no Take has answered it; guarded by mutex_
  std::chrono::milliseconds holdForFirstScreen_;
  bool screenShown_ = false;  // guarded by mutex_
  std::condition_variable_any shown_;
  std::atomic<bool> holding_{false};
  std::atomic<std::size_t> done_{0};  // files read by either thread
  std::atomic<bool> endReached_{false};
  std::atomic<bool> finished_{false};
  std::jthread thread_;  // last: it starts once everything above is there
};

// "Reading reports: 12,000 of 50,000"; "Reading reports" before the folder is listed.
std::string ListingProgressText(const ListingBatch& progress);

}  // namespace cadro
