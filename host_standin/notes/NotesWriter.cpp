#include "NotesWriter.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace cadro::standin {

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

void AppendNote(const std::string& notesFile, std::string_view record) {
  auto fail = [&notesFile](const char* what) {
    throw std::runtime_error(std::string(what) + " " + notesFile + ": " + std::strerror(errno));
  };
  // Bounded: a reader claims the file at most once per poll, so a few rounds always suffice.
  for (int attempt = 0; attempt < 1000; ++attempt) {
    const int fd = ::open(notesFile.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) fail("cannot open");
    if (::flock(fd, LOCK_EX) != 0) {
      ::close(fd);
      fail("cannot lock");
    }
    struct stat held {};
    struct stat named {};
    const bool same = ::fstat(fd, &held) == 0 && ::stat(notesFile.c_str(), &named) == 0 &&
                      held.st_ino == named.st_ino && held.st_dev == named.st_dev;
    if (!same) {
      ::close(fd);  // claimed by the reader in between: append to the new file instead
      continue;
    }
    std::size_t done = 0;
    while (done < record.size()) {
      const ssize_t n = ::write(fd, record.data() + done, record.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ::close(fd);
        fail("cannot write");
      }
      done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) fail("cannot close");
    return;
  }
  throw std::runtime_error("the notes file " + notesFile + " kept changing under the writer");
}

}  // namespace cadro::standin
