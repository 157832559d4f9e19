#pragma once
// Who holds the notes file open, told without touching it: no lock and no lease, because Wine's
// server opens the host's files without waiting, and anything that makes an open fail for a
// moment makes the host lose a note.
//
// The open files of every process are listed in /proc. A look through them is a true picture
// only if no one opened or closed the file while it lasted, so the folder is watched: the kernel
// reports every open and last close of a file in it. An open is reported before its descriptor
// appears in /proc, a close after the descriptor is gone. A look during which none came for the
// file's names saw every holder there was.
//
// The reports alone cannot count holders: the kernel folds a report into the one before it when
// the two are alike and the first has not been read yet, so two opens in a row read as one.

#include <sys/stat.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace cadro {

class NotesOpens {
public:
  // Watches `folder`; only names that begin with `prefix` are followed.
  NotesOpens(std::string folder, std::string prefix);
  ~NotesOpens();
  NotesOpens(const NotesOpens&) = delete;
  NotesOpens& operator=(const NotesOpens&) = delete;

  // Takes in what happened since the last call (and watches the folder again when it was gone).
  void Update();
  // Opens and closes seen so far under `name`. Changes whenever one happened (or may have: the
  // watch was missing or reports were lost).
  std::uint64_t Events(const std::string& name) const;
  bool Watching() const { return wd_ >= 0; }

  enum class Scan { Free, Held, CannotTell };
  // Whether any process other than through `ownFds` holds the file open on `fd`, by its entries in
  // /proc. A process whose entries may not be read could hold it when its account may write the
  // file; then the answer is CannotTell.
  static Scan ScanProcesses(int fd, const std::vector<int>& ownFds);

private:
  void Forget();

  std::string folder_;
  std::string prefix_;
  int fd_ = -1;
  int wd_ = -1;
  std::uint64_t lost_ = 0;  // times the reports could not be trusted
  std::map<std::string, std::uint64_t> events_;
};

}  // namespace cadro
