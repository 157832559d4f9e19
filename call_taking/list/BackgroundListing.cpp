#include "BackgroundListing.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>

#include "CadroMsg.h"

namespace cadro {
namespace {

constexpr int kReadAttempts = 3;
constexpr std::size_t kFirstScreenful = 64;
// Below this many files past the first screenful a second reading thread costs more than it gains.
constexpr std::size_t kSecondReaderFrom = 256;

std::string WithThousands(std::size_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  out.reserve(digits.size() + digits.size() / 3);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
    out.push_back(digits[i]);
  }
  return out;
}

bool SameVersion(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_nlink == b.st_nlink &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
         a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

}  // namespace

// The record's services on the reading thread: what it would report is kept for the window; it
// has no use for the clock, the locale or the settings when it only loads.
class ReportReader::Collector final : public EventLog,
                                      public Prompts,
                                      public Clock,
                                      public UserLocale,
                                      public SettingsStore {
public:
  explicit Collector(std::vector<ListingNotice>& notices) : notices_(notices) {}
  void Error(const std::string& text) override {
    notices_.push_back({ListingNotice::Kind::EventLog, text, {}, {}});
  }
  void Message(const std::string& text, const std::string& title, PromptIcon icon) override {
    notices_.push_back({ListingNotice::Kind::Message, text, title, icon});
  }
  bool AskYesNo(const std::string&, const std::string&, PromptIcon) override { return false; }
  void Beep() override {}
  LocalTime Now() const override { return {}; }
  std::string MonthAbbrev(int) const override { return {}; }
  char DecimalSeparator() const override { return '.'; }
  std::optional<std::string> Get(const std::string&, const std::string&, const std::string&) const override {
    return std::nullopt;
  }
  void Set(const std::string&, const std::string&, const std::string&, const std::string&) override {}

  Services services{*this, *this, *this, *this, *this};
  std::unique_ptr<CadroMsg> record;

private:
  std::vector<ListingNotice>& notices_;
};

ReportReader::ReportReader(std::string messageFolder, std::vector<ListingNotice>& notices)
    : folder_(std::move(messageFolder)), collector_(std::make_unique<Collector>(notices)) {
  collector_->record = std::make_unique<CadroMsg>(folder_, collector_->services);
}

ReportReader::~ReportReader() {
  if (dirFd_ >= 0) ::close(dirFd_);
}

void ReportReader::OpenFolder() {
  if (dirFd_ < 0) dirFd_ = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

void ReportReader::List(const std::function<void(std::string_view eventId)>& each) {
  OpenFolder();
  collector_->record->ForEachEventId(each);
}

std::optional<IncidentRow> ReportReader::Read(const std::string& eventId) {
  CadroMsg& record = *collector_->record;
  OpenFolder();  // a reader that did not list the folder reads the files of another one that did
  const std::string name = eventId + ".911";
  bool loaded = false;
  for (int attempt = 0; attempt < kReadAttempts && !loaded; ++attempt) {
    if (beforeOpen) beforeOpen(eventId);
    const int fd = dirFd_ >= 0 ? ::openat(dirFd_, name.c_str(), O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) {
      if (errno == ENOENT && dirFd_ >= 0) return std::nullopt;
      // Let the record meet the failure itself, so it is reported in its own words.
      record.Clear();
      record.Load(eventId);
      loaded = true;
      break;
    }
    struct stat before {};
    struct stat after {};
    bool ok = ::fstat(fd, &before) == 0 && S_ISREG(before.st_mode);
    std::size_t length = 0;
    if (ok) {
      bytes_.resize(static_cast<std::size_t>(before.st_size) + 1);
      for (;;) {
        if (length == bytes_.size()) bytes_.resize(bytes_.size() * 2);
        const std::size_t asked = bytes_.size() - length;
        const ssize_t r = ::read(fd, bytes_.data() + length, asked);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) {
          ok = r == 0;
          break;
        }
        length += static_cast<std::size_t>(r);
        // A plain file gives less than asked only at its end, so no read is spent on being told
        // so; a read cut short otherwise leaves a length the check below finds wrong.
        if (static_cast<std::size_t>(r) < asked) break;
      }
    }
    if (afterRead) afterRead(eventId);
    // Rewritten in place while it was read, or replaced by a file renamed over it (the old one
    // loses its name): read the new version.
    const bool steady = ok && ::fstat(fd, &after) == 0 && SameVersion(before, after) &&
                        length == static_cast<std::size_t>(after.st_size);
    ::close(fd);
    if (!ok) {
      record.Clear();
      record.Load(eventId);
      loaded = true;
      break;
    }
    if (steady || attempt + 1 == kReadAttempts) {
      record.LoadBytes(eventId, std::string_view(bytes_.data(), length));
      loaded = true;
    }
  }
  if (!loaded) return std::nullopt;
  IncidentRow row;
  const int ast = record.AST();
  row.columns = {eventId,      StateText(ast), record.EID(), record.TYP(),
                 record.ISS(), record.AD1(),   record.CTY(), DateTimeText(record.ADT(), record.ATM())};
  row.state = ast;
  row.mid = record.MID();
  row.dtl = record.DTL();
  row.uid = record.UID();
  row.adt = record.ADT();
  row.atm = record.ATM();
  return row;
}

// ---------------------------------------------------------------------------------------------

BackgroundListing::BackgroundListing(std::string messageFolder, Wake wake, ReaderSetup setup,
                                     std::chrono::milliseconds holdForFirstScreen)
    : folder_(std::move(messageFolder)),
      wake_(std::move(wake)),
      setup_(std::move(setup)),
      holdForFirstScreen_(holdForFirstScreen),
      thread_([this](std::stop_token stop) { Run(std::move(stop)); }) {}

BackgroundListing::~BackgroundListing() {
  thread_.request_stop();
  if (thread_.joinable()) thread_.join();
}

ListingBatch BackgroundListing::Take() {
  std::lock_guard lock(mutex_);
  ListingBatch batch;
  batch.rows.swap(pending_.rows);
  batch.notices.swap(pending_.notices);
  batch.done = done_.load();
  batch.total = pending_.total;
  batch.listed = pending_.listed;
  batch.finished = pending_.finished;
  awake_ = false;
  return batch;
}

void BackgroundListing::Post(std::vector<IncidentRow>* rows, bool end) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (rows) {
      if (pending_.rows.empty()) {
        pending_.rows.swap(*rows);
      } else {
        pending_.rows.insert(pending_.rows.end(), std::make_move_iterator(rows->begin()),
                             std::make_move_iterator(rows->end()));
        rows->clear();
      }
    }
    if (end) pending_.finished = true;
    // The end wakes the window even when an earlier wake-up waits to be answered: that one may
    // be put off until the next batch is due, and the operator waits for the whole list. So does
    // a hold for the screen, which waits for the window.
    wake = !awake_ || end || holding_;
    awake_ = true;
  }
  if (wake && wake_) wake_();
}

void BackgroundListing::ScreenShown() {
  {
    std::lock_guard lock(mutex_);
    screenShown_ = true;
  }
  shown_.notify_all();
}

void BackgroundListing::HoldForScreen(const std::stop_token& stop, std::vector<IncidentRow>& rows) {
  // Two threads on a two-core machine (often two halves of one core) slow each other down: the
  // window's first paint of rows took up to three times as long beside the reading. The rest of
  // the folder can wait the few milliseconds the paint takes.
  holding_ = true;
  Post(&rows, false);  // wakes the window even when an earlier wake-up is unanswered
  std::unique_lock lock(mutex_);
  shown_.wait_for(lock, stop, holdForFirstScreen_, [this] { return screenShown_; });
  holding_ = false;
}

// One reading thread's own reader, what its record said and the rows it has not handed over.
struct BackgroundListing::Worker {
  explicit Worker(const std::string& folder) : reader(folder, notices) {}
  std::vector<ListingNotice> notices;
  ReportReader reader;
  // The first row goes over alone, so it shows at once even when the next file is slow to
  // read; then batches double, so handing them over soon costs nothing worth counting.
  std::vector<IncidentRow> rows;
  std::size_t batch = 1;
  std::chrono::steady_clock::time_point lastPost = std::chrono::steady_clock::now();
};

void BackgroundListing::PassNotices(Worker& worker) {
  if (worker.notices.empty()) return;
  std::lock_guard lock(mutex_);
  for (ListingNotice& n : worker.notices) pending_.notices.push_back(std::move(n));
  worker.notices.clear();
}

void BackgroundListing::ReadOne(Worker& worker, const std::string& eventId) {
  std::optional<IncidentRow> row = worker.reader.Read(eventId);
  if (row) worker.rows.push_back(std::move(*row));
  ++done_;
  PassNotices(worker);
  const auto now = std::chrono::steady_clock::now();
  if (worker.rows.size() >= worker.batch || now - worker.lastPost > std::chrono::milliseconds(20)) {
    Post(&worker.rows, false);
    worker.rows.reserve(worker.batch);
    worker.batch = std::min<std::size_t>(worker.batch * 2, 4096);
    worker.lastPost = now;
  }
}

void BackgroundListing::Run(std::stop_token stop) {
  Worker first(folder_);
  if (setup_) setup_(first.reader);
  // The first screenful is read while the folder is still being listed: a big folder takes a
  // while to list, and the operator should not look at an empty window meanwhile.
  std::vector<std::string> ids;
  first.reader.List([&](std::string_view id) {
    ids.emplace_back(id);
    if (ids.size() > kFirstScreenful || stop.stop_requested()) return;
    ReadOne(first, ids.back());
    if (ids.size() == kFirstScreenful && holdForFirstScreen_.count() > 0) {
      PassNotices(first);
      HoldForScreen(stop, first.rows);
    }
  });
  {
    std::lock_guard lock(mutex_);
    pending_.total = ids.size();
    pending_.listed = true;
  }
  PassNotices(first);
  Post(nullptr, false);
  // The rest is read by two threads, each every other file: opening and reading a file is
  // mostly waiting on the kernel, and the window's thread needs little while it waits.
  const std::size_t from = std::min(ids.size(), kFirstScreenful);
  const bool two = ids.size() - from >= kSecondReaderFrom;
  std::unique_ptr<Worker> second;
  std::thread helper;
  if (two) {
    second = std::make_unique<Worker>(folder_);
    second->reader.beforeOpen = first.reader.beforeOpen;
    second->reader.afterRead = first.reader.afterRead;
    helper = std::thread([this, &ids, &stop, from, worker = second.get()] {
      for (std::size_t i = from + 1; i < ids.size(); i += 2) {
        if (stop.stop_requested()) break;
        ReadOne(*worker, ids[i]);
      }
    });
  }
  for (std::size_t i = from; i < ids.size(); i += two ? 2 : 1) {
    if (stop.stop_requested()) break;
    ReadOne(first, ids[i]);
  }
  if (helper.joinable()) helper.join();
  PassNotices(first);
  if (second) {
    PassNotices(*second);
    Post(&second->rows, false);
  }
  endReached_ = true;
  Post(&first.rows, true);
  finished_ = true;
}

std::string ListingProgressText(const ListingBatch& progress) {
  if (!progress.listed) return "Reading reports";
  return "Reading reports: " + WithThousands(progress.done) + " of " + WithThousands(progress.total);
}

}  // namespace cadro
