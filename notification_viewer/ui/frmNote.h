#pragma once
// The notification window: a read-only log of the host's notifications with a counter, fed by
// a one-second poll of the notes file.

#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <string>

#include "NoteService.h"
#include "NoteViewer.h"
#include "Platform.h"

class QLabel;
class QPlainTextEdit;
class QCloseEvent;
class QKeyEvent;
class QShowEvent;

namespace cadro {

class FileLib;
class SoundPlayer;

inline constexpr const char* kAppTitle = "Notifications";
inline constexpr const char* kProgramTitle = "Vtnotification";

// The date and time as the user's locale writes them in full (short date, time with seconds).
QString GeneralDateTime(const LocalTime& time);

class frmNote : public QMainWindow {
  Q_OBJECT
public:
  // `fileLib` carries the host data folder; `programVersion` is the Version of a new profile.
  frmNote(const Services& services, FileLib& fileLib, SoundPlayer& sound, std::string programVersion,
          QWidget* parent = nullptr);
  ~frmNote() override;

  void GetNote();
  void ShowNote(std::int16_t level, const std::string& message);

  // The loaded viewer; asking for it before the window has shown loads it at once.
  const NoteService& Service() const { return Viewer().Service(); }
  const NotesInbox& Inbox() const { return Viewer().Inbox(); }
  bool Started() const { return viewer_->Started(); }
  QTimer& Timer() { return tmrNote_; }

signals:
  // The load has run (after the window first showed) and polling has begun.
  void started();
  // After each poll that showed something.
  void notesShown(int count);
  // Each notification shown, after its journal line.
  void noteShown(int level, const QString& message);

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

private:
  void BuildMenus();
  void Refresh();
  void Copy();
  void Unload();

  NoteViewer& Viewer() const;

  const Services& services_;
  std::unique_ptr<NoteViewer> viewer_;
  bool loadScheduled_ = false;
  QPlainTextEdit* txtMessage_ = nullptr;
  QLabel* count_ = nullptr;
  QTimer tmrNote_;
  bool unloaded_ = false;
};

}  // namespace cadro
