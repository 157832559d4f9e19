#include "NotesWatch.h"

#include <QFileInfo>

namespace cadro {

NotesWatch::NotesWatch(const QString& notesFile, QObject* parent)
    : QObject(parent), file_(notesFile), folder_(QFileInfo(notesFile).absolutePath()) {
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &NotesWatch::OnEvent);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &NotesWatch::OnEvent);
  Rearm();
}

bool NotesWatch::WatchingFolder() const {
  return watcher_.directories().contains(folder_);
}

bool NotesWatch::WatchingFile() const {
  return watcher_.files().contains(file_);
}

void NotesWatch::Rearm() {
  // A failed addPath (no folder, no watch left) is not an error: the poll covers it.
  if (!WatchingFolder() && QFileInfo::exists(folder_)) watcher_.addPath(folder_);
  if (!WatchingFile() && QFileInfo::exists(file_)) watcher_.addPath(file_);
}

void NotesWatch::OnEvent() {
  // A file renamed away drops out of the watch by itself; a new one is picked up here.
  Rearm();
  emit changed();
}

}  // namespace cadro
