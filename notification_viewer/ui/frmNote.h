#pragma once
// The notification window: a read-only log of the host's notifications with a counter, fed by
// a one-second poll of the notes file.

#include <QMainWindow>
#include <QTimer>
#include <memory>
#include <string>

#include "NoteService.h"
#include "Platform.h"

class QLabel;
class QPlainTextEdit;
class QCloseEvent;
class QKeyEvent;

namespace cadro {

class FileLib;
class SoundPlayer;

inline constexpr const char* kAppTitle = "Notifications";
inline constexpr const char* kProgramTitle = "Vtnotification";

// The date and time as the user's locale writes them in full (short date, time with seconds).
QString GeneralDateTime(const LocalTime& time);

// The local path of Vtnote.dat in the logs folder a profile names (a host path or a local one).
std::string NotesFilePath(const std::string& dirLogs);

class frmNote : public QMainWindow {
  Q_OBJECT
public:
  // `fileLib` carries the host data folder; `programVersion` is the Version of a new profile.
  frmNote(const Services& services, FileLib& fileLib, SoundPlayer& sound, std::string programVersion,
          QWidget* parent = nullptr);
  ~frmNote() override;

  void GetNote();
  void ShowNote(std::int16_t level, const std::string& message);

  const NoteService& Service() const { return *service_; }
  const NotesInbox& Inbox() const { return *inbox_; }
  QTimer& Timer() { return tmrNote_; }

signals:
  // After each poll that showed something.
  void notesShown(int count);
  // Each notification shown, after its journal line.
  void noteShown(int level, const QString& message);

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void BuildMenus();
  void Refresh();
  void Copy();
  void Unload();

  const Services& services_;
  std::unique_ptr<VtDevice> device_;
  std::unique_ptr<VtInit> ini_;
  std::unique_ptr<NotesInbox> inbox_;
  std::unique_ptr<NoteService> service_;
  QPlainTextEdit* txtMessage_ = nullptr;
  QLabel* count_ = nullptr;
  QTimer tmrNote_;
  bool unloaded_ = false;
};

}  // namespace cadro
