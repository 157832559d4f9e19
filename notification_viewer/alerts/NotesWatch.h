#pragma once
// Tells the viewer at once when the host touches its notes file, so it need not wait for the
// next one-second poll.
//
// The logs folder is watched (inotify) for the notes file being created, written to, closed by
// a writer or moved in; one watch on the folder sees every notes file, the one now there and the
// next, without a watch per file to put back each time the file is taken away. The close matters
// as much as the writes: a file a writer held is taken as soon as the last writer closes it.
// The poll stays the fallback for what the watch cannot see (a folder that does not exist yet or
// was moved away, a network folder, a full watch table); Rearm puts the watch back once the folder
// is there again.

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace cadro {

class NotesWatch : public QObject {
  Q_OBJECT
public:
  explicit NotesWatch(const QString& notesFile, QObject* parent = nullptr);
  ~NotesWatch() override;

  // Watches the folder again when the watch is gone and the folder is there. Cheap while watching.
  void Rearm();
  bool WatchingFolder() const { return folderWatch_ >= 0; }

signals:
  // The notes file was created, written to, closed or moved in; the receiver reads.
  void changed();

private:
  void OnReadable();

  QByteArray folder_;
  QByteArray name_;
  int inotify_ = -1;
  int folderWatch_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace cadro
