#pragma once
// Tells the viewer at once when the host touches its notes file, so it need not wait for the
// next one-second poll.
//
// The host appends to Vtnote.dat, the viewer renames it away to claim it, and the host's next
// append creates it again. A watch on the folder sees the file appear, be renamed and go, but
// not appends to it; a watch on the file sees appends but ends when the file is renamed away.
// So the folder is watched all the time and the file whenever it exists. The poll stays the
// fallback for everything the watch cannot see (a folder that does not exist yet, a network
// folder, a full watch table).

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>

namespace cadro {

class NotesWatch : public QObject {
  Q_OBJECT
public:
  explicit NotesWatch(const QString& notesFile, QObject* parent = nullptr);

  // Puts back what is missing: the folder watch (when the folder has appeared) and the file
  // watch (when the file exists). Cheap when nothing is missing.
  void Rearm();
  bool WatchingFolder() const;
  bool WatchingFile() const;

signals:
  // Something in the folder or the file changed; the receiver reads.
  void changed();

private:
  void OnEvent();

  QString file_;
  QString folder_;
  QFileSystemWatcher watcher_;
};

}  // namespace cadro
