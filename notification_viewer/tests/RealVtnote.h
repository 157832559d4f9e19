#pragma once
// A station for the real Vtnote program, as the kill and writer tests start it: a program folder
// with its own copy of the program and a Vantrel.conf naming data/, a profile that keeps the logs
// (and the notes file) in data/logs, and a world of its own: no Wine registry, no settings, its
// own single-instance lock, no session bus. Several stations run side by side.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestKit.h"

extern char** environ;

namespace cadro::testing {

class RealVtnote {
public:
  RealVtnote(const std::filesystem::path& root, const std::string& binary) : root_(root) {
    namespace fs = std::filesystem;
    for (const char* sub : {"program", "data/logs", "runtime", "config", "wine"})
      fs::create_directories(root_ / sub);
    fs::permissions(root_ / "runtime", fs::perms::owner_all);
    program_ = (root_ / "program" / fs::path(binary).filename()).string();
    fs::copy_file(binary, program_, fs::copy_options::overwrite_existing);
    WriteFileBytes((root_ / "program" / "Vantrel.conf").string(),
                   "[Main]\r\nINSTANCE=1\r\nDATADIR=" + (root_ / "data").string() + "\r\n");
    WriteFileBytes((root_ / "data" / "Vantrel.profile").string(),
                   "[GENERAL VARIABLES]\r\nVersion=3.4.0 c5\r\n\r\n[DIRECTORIES]\r\nDirLogs=" +
                       (root_ / "data" / "logs").string() + "\r\n");
    env_ = {"QT_QPA_PLATFORM=offscreen",
            "WINEPREFIX=" + (root_ / "wine").string(),
            "XDG_CONFIG_HOME=" + (root_ / "config").string(),
            "HOME=" + (root_ / "config").string(),
            "XDG_RUNTIME_DIR=" + (root_ / "runtime").string(),
            "DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent"};
    for (char** e = environ; *e; ++e) {
      const std::string entry = *e;
      const std::string name = entry.substr(0, entry.find('='));
      if (name == "PATH" || name == "LANG" || name.rfind("ASAN_", 0) == 0 || name.rfind("UBSAN_", 0) == 0)
        env_.push_back(entry);
    }
  }
  ~RealVtnote() { Stop(); }
  RealVtnote(const RealVtnote&) = delete;
  RealVtnote& operator=(const RealVtnote&) = delete;

  // From now on the program runs under another account (the station's files are made its own);
  // the test itself, as root, stands for a host that runs under yet another.
  void RunAs(uid_t uid, gid_t gid) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root_))
      if (::lchown(entry.path().c_str(), uid, gid) != 0) std::abort();
    if (::chown(root_.c_str(), uid, gid) != 0) std::abort();
    std::filesystem::permissions(root_.parent_path(), std::filesystem::perms::others_exec,
                                 std::filesystem::perm_options::add);
    account_ = {"/usr/bin/setpriv", "--reuid=" + std::to_string(uid), "--regid=" + std::to_string(gid),
                "--clear-groups", "--"};
  }

  // Starts the program (a running one is killed first); false when it could not be started.
  bool Start() {
    Stop();
    std::vector<char*> envp;
    for (std::string& e : env_) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (std::string& a : account_) argv.push_back(a.data());
    argv.push_back(program_.data());
    argv.push_back(nullptr);
    return ::posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), envp.data()) == 0;
  }
  // Killed without warning, as by a crash or a power cut of the session.
  void Stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
  }
  bool Running() const { return pid_ > 0; }

  std::string Logs() const { return (root_ / "data" / "logs").string(); }
  std::string Notes() const { return (root_ / "data" / "logs" / "Vtnote.dat").string(); }
  std::string Journal() const {
    const auto journal = root_ / "data" / "Srnote.tmp";
    return std::filesystem::exists(journal) ? ReadFileBytes(journal.string()) : std::string();
  }
  // Nothing of the notes left in the logs folder: every note taken in, every file taken away.
  bool LogsEmpty() const { return std::filesystem::is_empty(root_ / "data" / "logs"); }

  // How often each numbered note "<marker><n>" stands in the journal.
  std::map<int, int> JournalCounts(const std::string& marker) const {
    std::map<int, int> counts;
    const std::string journal = Journal();
    for (std::size_t at = journal.find(marker); at != std::string::npos; at = journal.find(marker, at + 1))
      ++counts[std::stoi(journal.substr(at + marker.size()))];
    return counts;
  }

private:
  std::filesystem::path root_;
  std::string program_;
  std::vector<std::string> env_;
  std::vector<std::string> account_;
  pid_t pid_ = -1;
};

// Notes 1..written missing from `counts`, and extra showings.
struct Tally {
  int lost = 0;
  int twice = 0;
  std::string firstLost;
  std::string someLost;  // the first few, for the failure message
};
inline Tally Count(const std::map<int, int>& counts, int written) {
  Tally tally;
  for (int n = 1; n <= written; ++n) {
    const auto it = counts.find(n);
    if (it == counts.end()) {
      if (tally.lost++ == 0) tally.firstLost = std::to_string(n);
      if (tally.lost <= 20) tally.someLost += " " + std::to_string(n);
    } else if (it->second > 1) {
      tally.twice += it->second - 1;
    }
  }
  return tally;
}

}  // namespace cadro::testing
