// A station shared by several operator accounts: the package makes the program folders writable
// for the group "cadro" (setgid, 2775). Two real accounts of that group take turns on one folder,
// through the programs' own savers, the session log and the one-copy lock: the second account
// must be able to save the settings, update the first one's report and log, and must be kept out
// while the first one runs. Needs root to make the accounts; CI runs as root.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "TestKit.h"

namespace {

namespace fs = std::filesystem;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;

constexpr const char* kGroup = "cadro";
const std::vector<std::string> kAccounts = {"cadrotesta", "cadrotestb"};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

int System(const std::string& command) {
  return std::system((command + " >/dev/null 2>&1").c_str());
}

// The group (when missing) and two accounts in it, removed again at the end. Accounts left by a
// run that was killed are removed first.
class TestAccounts {
public:
  TestAccounts() {
    madeGroup_ = ::getgrnam(kGroup) == nullptr;
    if (madeGroup_ && System(std::string("groupadd --system ") + kGroup) != 0) return;
    for (const std::string& name : kAccounts) {
      if (::getpwnam(name.c_str())) System("userdel " + name);
      if (System("useradd --no-create-home --no-user-group --gid " + std::string(kGroup) +
                 " --home-dir /nonexistent --shell /usr/sbin/nologin " + name) != 0) {
        return;
      }
    }
    ready_ = true;
  }
  ~TestAccounts() {
    for (const std::string& name : kAccounts) {
      if (::getpwnam(name.c_str())) System("userdel " + name);
    }
    if (madeGroup_) System(std::string("groupdel ") + kGroup);
  }
  bool ready() const { return ready_; }

private:
  bool madeGroup_ = false;
  bool ready_ = false;
};

struct Outcome {
  int status = -1;  // exit status, or -1 when killed or timed out
  std::string out;
};

// station_operator under `account` (with its group list), through setpriv, as an operator's login
// would start it. `keepStdin` leaves the child's standard input open and returns as soon as the
// first line is out; the caller ends it with Finish.
class Operator {
public:
  Operator(const std::string& binary, const std::string& account, const std::vector<std::string>& args,
           bool keepStdin = false) {
    int in[2];
    int out[2];
    if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      ::dup2(in[0], STDIN_FILENO);
      ::dup2(out[1], STDOUT_FILENO);
      ::dup2(out[1], STDERR_FILENO);
      std::vector<std::string> words = {
          "setpriv", "--reuid=" + account, "--regid=" + std::string(kGroup), "--init-groups", "--", binary};
      words.insert(words.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (std::string& w : words) argv.push_back(w.data());
      argv.push_back(nullptr);
      ::execvp("setpriv", argv.data());
      ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    stdin_ = in[1];
    stdout_ = out[0];
    if (!keepStdin) {
      ::close(stdin_);
      stdin_ = -1;
      Finish();
    } else {
      ReadUntil([this] { return Contains(run_.out, "\n"); });
    }
  }
  ~Operator() { Finish(); }

  // Ends the child's input and waits (bounded) for it to end.
  const Outcome& Finish() {
    if (pid_ <= 0) return run_;
    if (stdin_ >= 0) {
      ::close(stdin_);
      stdin_ = -1;
    }
    ReadUntil([] { return false; });
    int status = 0;
    if (!exited_) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status, 0);
    } else {
      ::waitpid(pid_, &status, 0);
      run_.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    ::close(stdout_);
    pid_ = -1;
    return run_;
  }
  pid_t pid() const { return pid_; }
  const std::string& out() const { return run_.out; }

private:
  // Reads the child's output until `done`, its end, or 30 s.
  template <typename Done>
  void ReadUntil(Done done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) return;
      pollfd p{stdout_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) return;
      char buf[512];
      const ssize_t n = ::read(stdout_, buf, sizeof buf);
      if (n <= 0) {
        exited_ = true;
        return;
      }
      run_.out.append(buf, static_cast<std::size_t>(n));
    }
  }

  pid_t pid_ = -1;
  int stdin_ = -1;
  int stdout_ = -1;
  bool exited_ = false;
  Outcome run_;
};

class SharedStation : public ::testing::Test {
protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to create the two operator accounts (CI runs as root)";
    accounts_ = std::make_unique<TestAccounts>();
    if (!accounts_->ready()) GTEST_FAIL() << "could not create the test accounts";
    // The folder as the package lays it out, reachable by the accounts; the helper is copied in
    // so that the accounts can run it wherever the build tree lies.
    ::chmod(dir_.str().c_str(), 0755);
    const gid_t group = ::getgrnam(kGroup)->gr_gid;
    for (const char* sub : {"", "/msg.d", "/logs"}) {
      const std::string d = folder_ + sub;
      fs::create_directories(d);
      ASSERT_EQ(::chown(d.c_str(), 0, group), 0);
      ASSERT_EQ(::chmod(d.c_str(), 02775), 0);
    }
    fs::copy_file(STATION_OPERATOR_BINARY, binary_);
    ::chmod(binary_.c_str(), 0755);
  }

  void ExpectOneCopyAtATime(const std::string& a, const std::string& b);

  Outcome As(const std::string& account, const std::vector<std::string>& args) {
    std::vector<std::string> all = {folder_};
    all.insert(all.end(), args.begin(), args.end());
    Operator op(binary_, account, all);
    return op.Finish();
  }

  TempDir dir_;
  std::unique_ptr<TestAccounts> accounts_;
  std::string folder_ = dir_.File("Cadro");
  std::string binary_ = dir_.File("station_operator");
};

// One test, not two: the accounts are the machine's, and CTest may run tests side by side.
TEST_F(SharedStation, TwoAccountsOfTheGroupShareOneProgramFolder) {
  const std::string a = kAccounts[0];
  const std::string b = kAccounts[1];
  SCOPED_TRACE("the second account saves, updates and logs where the first did");
  Outcome r = As(a, {"ini", "101"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = As(a, {"report", "KD6X001", "first call"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = As(a, {"log", "taken by A"});
  EXPECT_EQ(r.status, 0) << r.out;

  r = As(b, {"ini", "102"});
  EXPECT_EQ(r.status, 0) << "B cannot save the station settings A created:\n" << r.out;
  EXPECT_TRUE(Contains(r.out, "Eno=102")) << r.out;
  r = As(b, {"report", "KD6X001", "updated by B"});
  EXPECT_EQ(r.status, 0) << "B cannot update A's report:\n" << r.out;
  r = As(b, {"report", "KD6X002", "second call"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = As(b, {"log", "taken by B"});
  EXPECT_EQ(r.status, 0) << "B cannot write the day's log A started:\n" << r.out;
  // And back: A rewrites what B wrote last.
  r = As(a, {"ini", "103"});
  EXPECT_EQ(r.status, 0) << r.out;
  r = As(a, {"report", "KD6X002", "closed by A"});
  EXPECT_EQ(r.status, 0) << r.out;

  EXPECT_TRUE(Contains(ReadFileBytes(folder_ + "/Cadrocts.ini"), "Eno=103\r\n"));
  EXPECT_TRUE(Contains(ReadFileBytes(folder_ + "/msg.d/KD6X001.911"), "DTL=updated by B\r\n"));
  EXPECT_TRUE(Contains(ReadFileBytes(folder_ + "/msg.d/KD6X002.911"), "DTL=closed by A\r\n"));
  std::string log;
  for (const auto& e : fs::directory_iterator(folder_ + "/logs")) log += ReadFileBytes(e.path().string());
  EXPECT_TRUE(Contains(log, ": taken by A\r\n") && Contains(log, ": taken by B\r\n")) << log;

  // Everything the accounts made stays in the station's group and writable by it.
  const gid_t group = ::getgrnam(kGroup)->gr_gid;
  for (const auto& e : fs::recursive_directory_iterator(folder_)) {
    struct stat st {};
    ASSERT_EQ(::stat(e.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, group) << e.path();
    EXPECT_EQ(st.st_mode & 0060, 0060u) << e.path();
    EXPECT_EQ(st.st_mode & 0002, 0u) << e.path();
  }
  ExpectOneCopyAtATime(a, b);
}

void SharedStation::ExpectOneCopyAtATime(const std::string& a, const std::string& b) {
  SCOPED_TRACE("one copy runs at a time, whichever account started it");
  {
    Operator first(binary_, a, {folder_, "lock"}, true);
    ASSERT_TRUE(Contains(first.out(), "lock Acquired")) << first.out();
    const pid_t holder = first.pid();
    Outcome second = As(b, {"lock"});
    EXPECT_EQ(second.status, 1) << second.out;
    EXPECT_TRUE(Contains(second.out, "lock HeldByOther " + std::to_string(holder))) << second.out;
    EXPECT_EQ(first.Finish().status, 0);
  }
  // Once A has ended, B runs, and then keeps A out in turn.
  Operator secondRun(binary_, b, {folder_, "lock"}, true);
  ASSERT_TRUE(Contains(secondRun.out(), "lock Acquired")) << secondRun.out();
  Outcome blocked = As(a, {"lock"});
  EXPECT_EQ(blocked.status, 1) << blocked.out;
  EXPECT_TRUE(Contains(blocked.out, "lock HeldByOther " + std::to_string(secondRun.pid()))) << blocked.out;
}

}  // namespace
