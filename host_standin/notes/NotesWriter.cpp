#include "NotesWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace cadro::standin {
namespace {

[[noreturn]] void Fail(const char* what, const std::string& file) {
  throw std::runtime_error(std::string(what) + " " + file + ": " + std::strerror(errno));
}

int OpenForAppend(const std::string& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) Fail("cannot open", file);
  return fd;
}

void WriteAll(int fd, std::string_view bytes, const std::string& file) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("cannot write", file);
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

void WriteInPieces(int fd, std::string_view record, int pieces, std::chrono::milliseconds pause,
                   const std::string& file) {
  const std::size_t count = pieces < 1 ? 1 : static_cast<std::size_t>(pieces);
  const std::size_t size = (record.size() + count - 1) / count;
  for (std::size_t at = 0; at < record.size(); at += size) {
    if (at > 0 && pause.count() > 0) std::this_thread::sleep_for(pause);
    WriteAll(fd, record.substr(at, size), file);
  }
}

}  // namespace

std::string NoteRecord(int level, std::string_view message) {
  std::string out = std::to_string(level) + "|";
  for (std::size_t i = 0; i < message.size(); ++i) {
    if (message[i] == '\r' && i + 1 < message.size() && message[i + 1] == '\n') continue;
    if (message[i] == '\n' || message[i] == '\r') {
      out += "\\n";
    } else {
      out += message[i];
    }
  }
  return out + "\r\n";
}

std::string NotesFileIn(const std::string& logsFolder) {
  if (!logsFolder.empty() && logsFolder.back() == '/') return logsFolder + "Vtnote.dat";
  return logsFolder + "/Vtnote.dat";
}

Steady::time_point AppendNote(const std::string& notesFile, std::string_view record,
                              const WriteOptions& options) {
  const int fd = OpenForAppend(notesFile);
  try {
    if (options.afterOpen.count() > 0) std::this_thread::sleep_for(options.afterOpen);
    WriteInPieces(fd, record, options.pieces, options.betweenPieces, notesFile);
    if (options.beforeClose.count() > 0) std::this_thread::sleep_for(options.beforeClose);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0) Fail("cannot close", notesFile);
  return Steady::now();
}

HeldNotesFile::HeldNotesFile(const std::string& notesFile)
    : file_(notesFile), fd_(OpenForAppend(notesFile)) {}

HeldNotesFile::~HeldNotesFile() {
  if (fd_ >= 0) ::close(fd_);
}

Steady::time_point HeldNotesFile::Append(std::string_view record, int pieces,
                                         std::chrono::milliseconds betweenPieces) {
  WriteInPieces(fd_, record, pieces, betweenPieces, file_);
  return Steady::now();
}

Steady::time_point HeldNotesFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::close(fd) != 0) Fail("cannot close", file_);
  return Steady::now();
}

bool HeldNotesFile::StillTheNotesFile() const {
  struct stat held {};
  struct stat named {};
  return fd_ >= 0 && ::fstat(fd_, &held) == 0 && ::stat(file_.c_str(), &named) == 0 && held.st_nlink > 0 &&
         held.st_ino == named.st_ino && held.st_dev == named.st_dev;
}

}  // namespace cadro::standin
