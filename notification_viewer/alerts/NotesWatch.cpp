#include "NotesWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>

namespace cadro {
namespace {

// The viewer's own reads open and close the file without writing: those events are not asked
// for, so a read never wakes the watch again.
constexpr std::uint32_t kFileEvents = IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO;
constexpr std::uint32_t kFolderGone = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

}  // namespace

NotesWatch::NotesWatch(const QString& notesFile, QObject* parent)
    : QObject(parent),
      folder_(QFile::encodeName(QFileInfo(notesFile).absolutePath())),
      name_(QFile::encodeName(QFileInfo(notesFile).fileName())),
      inotify_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
  // Without inotify (none left for this user) the poll does everything, as it always could.
  if (inotify_ < 0) return;
  notifier_ = new QSocketNotifier(inotify_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &NotesWatch::OnReadable);
  Rearm();
}

NotesWatch::~NotesWatch() {
  delete notifier_;
  if (inotify_ >= 0) ::close(inotify_);
}

void NotesWatch::Rearm() {
  if (inotify_ < 0 || folderWatch_ >= 0) return;
  // A failure (no folder yet, no watch left) is not an error: the poll covers it.
  folderWatch_ = ::inotify_add_watch(inotify_, folder_.constData(), kFileEvents | kFolderGone | IN_ONLYDIR);
}

void NotesWatch::OnReadable() {
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  bool touched = false;
  for (;;) {
    const ssize_t got = ::read(inotify_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;  // drained (EAGAIN)
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      if (event->mask & IN_Q_OVERFLOW) {
        touched = true;  // events were lost: read to be sure
        continue;
      }
      if (event->wd != folderWatch_) continue;
      if (event->mask & kFolderGone) {
        // Moved away, the watch would follow the folder to where it went: watch the path again.
        if (!(event->mask & IN_IGNORED)) ::inotify_rm_watch(inotify_, folderWatch_);
        folderWatch_ = -1;
        touched = true;
        continue;
      }
      if (event->len > 0 && std::strcmp(event->name, name_.constData()) == 0) touched = true;
    }
  }
  Rearm();
  if (touched) emit changed();
}

}  // namespace cadro
