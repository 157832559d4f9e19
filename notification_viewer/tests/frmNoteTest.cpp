// The window's wiring: records written by the host reach the log, the counter, the journal and
// the sound device; menus, Esc and the release of the profile at unload.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "FileLib.h"
#include "HostPath.h"
#include "NotesWriter.h"
#include "QtSoundLauncher.h"
#include "SoundPlayer.h"
#include "TestKit.h"
#include "WaitFor.h"
#include "WindowAudit.h"
#include "frmNote.h"

using namespace cadro;
using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

class RecordingSoundPlayer final : public SoundPlayer {
public:
  bool PlayAsync(const std::string& file) override {
    played.push_back(file);
    return result;
  }
  std::vector<std::string> played;
  bool result = true;
};

struct WindowFixture : ::testing::Test {
  void SetUp() override {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    fs::create_directories(dir.path() / "program");
    fs::create_directories(dir.path() / "data" / "logs");
    lib.SetDataPath(dir.File("data"));
    ts.settings.Set("Vantrel Packet Message Manager", "Settings", "ProfName", "Field");
    WriteFileBytes(dir.File("data/Field.profile"),
                   "[GENERAL VARIABLES]\r\nVersion=3.4.0 c5\r\nHostKey=kept\r\n\r\n[DIRECTORIES]\r\n"
                   "DirLogs=+DATA_PATH\\logs\r\n\r\n[SEND/RECEIVE PREFERENCES]\r\nPlayOnNotif=1\r\n"
                   "FilePON=APP_PATH\\notify.wav\r\n");
  }
  std::unique_ptr<frmNote> Open() {
    auto w = std::make_unique<frmNote>(ts.services, lib, sound, "3.4.0 c5");
    w->show();
    [&] { QTRY_VERIFY_WITH_TIMEOUT(w->Started(), 3000); }();
    return w;
  }
  void Write(int level, const std::string& message) const {
    standin::AppendNote(standin::NotesFileIn(dir.File("data/logs")), standin::NoteRecord(level, message));
  }
  std::string Stamp() const { return GeneralDateTime(ts.clock.now).toStdString(); }
  template <class T>
  static T* Find(QWidget& w, const char* name) {
    return w.findChild<T*>(QString::fromLatin1(name));
  }

  cadro::testing::TempDir dir;
  cadro::testing::TestServices ts;
  FileLib lib{ts.eventLog, dir.File("program")};
  RecordingSoundPlayer sound;
};

}  // namespace

TEST_F(WindowFixture, RecordsFromTheHostReachLogCounterJournalAndSound) {
  auto w = Open();
  EXPECT_EQ(w->windowTitle(), "Notifications");
  EXPECT_EQ(Stamp(), "12/7/26 8:30:05 AM");
  Write(2, "Hello|World");
  Write(0, "two lines\nsecond");
  standin::AppendNote(standin::NotesFileIn(dir.File("data/logs")), "not a record\r\n");
  w->GetNote();

  const std::string first = Stamp() + " -- (N2) Hello|World";
  const std::string second = Stamp() + " -- (N0) two lines\r\nsecond";
  EXPECT_EQ(Find<QPlainTextEdit>(*w, "txtMessage")->toPlainText().toStdString(),
            Stamp() + " -- (N2) Hello|World\n" + Stamp() + " -- (N0) two lines\nsecond");
  EXPECT_EQ(w->Service().Log().Text(), first + "\r\n" + second + "\r\n");
  EXPECT_EQ(Find<QLabel>(*w, "Count")->text(), "Notifications Logged: 2");
  EXPECT_EQ(ReadFileBytes(dir.File("data/Srnote.tmp")), first + "\r\n" + second + "\r\n");
  const std::string bell = ToHostForm(dir.File("program")) + "\\notify.wav";
  EXPECT_EQ(sound.played, (std::vector<std::string>{bell}));  // one sound for the poll
  EXPECT_EQ(ts.prompts.beeps, 0);

  // A burst of fifty sounds once.
  for (int i = 0; i < 50; ++i) Write(1, "burst " + std::to_string(i));
  w->GetNote();
  EXPECT_EQ(w->Service().Log().Count(), 52);
  EXPECT_EQ(sound.played.size(), 2u);

  sound.result = false;  // no sound output: the beep stands in
  Write(-1, "third");
  w->GetNote();
  EXPECT_EQ(ts.prompts.beeps, 1);
  EXPECT_EQ(Find<QLabel>(*w, "Count")->text(), "Notifications Logged: 53");
  EXPECT_EQ(sound.played.size(), 3u);
  // A poll that shows nothing plays nothing: no file, or a file of lines that are no records.
  w->GetNote();
  standin::AppendNote(standin::NotesFileIn(dir.File("data/logs")), "no record\r\n\r\nx|not a level\r\n");
  w->GetNote();
  EXPECT_EQ(w->Service().Log().Count(), 53);
  EXPECT_EQ(sound.played.size(), 3u);
  EXPECT_EQ(ts.prompts.beeps, 1);
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

TEST_F(WindowFixture, TheTimerPollsOnItsOwn) {
  auto w = Open();
  EXPECT_EQ(w->Timer().interval(), 1000);
  EXPECT_TRUE(w->Timer().isActive());
  w->Timer().setInterval(20);
  w->Timer().start();
  QSignalSpy shown(w.get(), &frmNote::notesShown);
  Write(1, "by the timer");
  ASSERT_TRUE(shown.wait(3000));
  EXPECT_EQ(w->Service().Log().Count(), 1);
  Write(1, "again");
  CADRO_WAIT_FOR(w->Service().Log().Count() == 2, 3000);
}

TEST_F(WindowFixture, EditMenuAndSelection) {
  auto w = Open();
  Write(1, "copy me");
  w->GetNote();
  EXPECT_FALSE(Find<QAction>(*w, "mnuCut")->isEnabled());
  EXPECT_FALSE(Find<QAction>(*w, "mnuPaste")->isEnabled());
  EXPECT_EQ(Find<QAction>(*w, "mnuCopy")->shortcut(), QKeySequence(QStringLiteral("Ctrl+C")));
  EXPECT_TRUE(Find<QAction>(*w, "Sep1")->isSeparator());
  auto* text = Find<QPlainTextEdit>(*w, "txtMessage");
  EXPECT_TRUE(text->isReadOnly());
  EXPECT_EQ(text->font().family(), "Calibri");
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  text->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), text);
  Find<QAction>(*w, "mnuSelectAll")->trigger();
  EXPECT_EQ(text->textCursor().selectedText(), text->toPlainText());
  QApplication::clipboard()->setText(QStringLiteral("old"));
  Find<QAction>(*w, "mnuCopy")->trigger();
  EXPECT_EQ(QApplication::clipboard()->text(), text->toPlainText());
  // With the focus away from the text box the clipboard is only cleared.
  w->setFocus();
  Find<QAction>(*w, "mnuCopy")->trigger();
  EXPECT_TRUE(QApplication::clipboard()->text().isEmpty());
}

TEST_F(WindowFixture, EscClosesAndTheProfileIsWrittenBackWithTheHostsKeys) {
  auto w = Open();
  Write(1, "ring");
  w->GetNote();  // reading FilePON for the sound marks the profile changed
  // A record still in a claimed file when the window closes reaches the journal.
  standin::AppendNote(standin::NotesFileIn(dir.File("data/logs")), "4|unfinished");
  w->GetNote();
  QTest::keyClick(Find<QPlainTextEdit>(*w, "txtMessage"), Qt::Key_Escape);
  EXPECT_FALSE(w->isVisible());
  const std::string profile = ReadFileBytes(dir.File("data/Field.profile"));
  EXPECT_NE(profile.find("\r\nHostKey=kept\r\n"), std::string::npos);
  EXPECT_NE(profile.find("\r\nDirLogs=+DATA_PATH\\logs\r\n"), std::string::npos);
  // The host's own setting comes back as the host wrote it, not expanded to our folder.
  EXPECT_NE(profile.find("\r\nFilePON=APP_PATH\\notify.wav\r\n"), std::string::npos);
  EXPECT_NE(profile.find("\r\nMRC=4\r\n"), std::string::npos);  // every key, as the host expects
  const std::string journal = ReadFileBytes(dir.File("data/Srnote.tmp"));
  EXPECT_NE(journal.find("(N4) unfinished\r\n"), std::string::npos);
  // Written to just now, the file stays for the next window, which shows none of it again and
  // takes it once it has been left alone.
  EXPECT_TRUE(fs::exists(dir.path() / "data" / "logs" / "Vtnote.dat"));
  auto next = Open();
  next->GetNote();
  QTest::qWait(static_cast<int>(NotesInbox::kQuiet.count()));
  next->GetNote();
  next->close();
  EXPECT_EQ(ReadFileBytes(dir.File("data/Srnote.tmp")), journal);
  EXPECT_TRUE(fs::is_empty(dir.path() / "data" / "logs"));
}

TEST_F(WindowFixture, WithoutAProfileNameTheDefaultProfileIsCreated) {
  ts.settings.values.clear();
  auto w = Open();
  EXPECT_TRUE(fs::exists(dir.path() / "data" / "Vantrel.profile"));
  // An empty DirLogs is the root of the host's drive, as the host reads it.
  EXPECT_EQ(w->Inbox().NotesFile(), HostPath("C:\\Vtnote.dat"));
  w->close();
  EXPECT_TRUE(sound.played.empty());
}

TEST_F(WindowFixture, TheProfileTheHostNamesIsUsedAccentsAndAll) {
  ts.settings.Set("Vantrel Packet Message Manager", "Settings", "ProfName", "Caf\xe9");
  fs::rename(dir.path() / "data" / "Field.profile", dir.path() / "data" / "Café.profile");
  auto w = Open();
  Write(3, "found");
  w->GetNote();
  EXPECT_EQ(w->Service().Log().Count(), 1);
  w->close();
  // Nothing beside the real profile: no default one, no name in the wrong encoding.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir.path() / "data"))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Café.profile", "Srnote.tmp", "logs"}));
}

TEST_F(WindowFixture, AProfileNameThatLeavesTheDataFolderIsNotFollowed) {
  ts.settings.Set("Vantrel Packet Message Manager", "Settings", "ProfName", "../../../../tmp/x");
  fs::create_directories(dir.path() / "deep" / "a" / "b" / "c");
  lib.SetDataPath(dir.File("deep/a/b/c"));
  auto w = Open();
  w->close();
  EXPECT_FALSE(fs::exists("/tmp/x.profile"));
  EXPECT_TRUE(fs::exists(dir.path() / "deep" / "a" / "b" / "c" / "Vantrel.profile"));
  ASSERT_FALSE(ts.eventLog.entries.empty());
  EXPECT_NE(ts.eventLog.entries[0].find("../../../../tmp/x"), std::string::npos);
}

TEST_F(WindowFixture, TheHostsFilesAreReadOnlyAfterTheWindowShows) {
  ts.settings.values.clear();
  frmNote w(ts.services, lib, sound, "3.4.0 c5");
  EXPECT_FALSE(w.Started());
  EXPECT_FALSE(fs::exists(dir.path() / "data" / "Vantrel.profile"));
  QSignalSpy started(&w, &frmNote::started);
  w.show();
  ASSERT_TRUE(started.wait(3000));
  EXPECT_TRUE(w.isVisible());
  EXPECT_TRUE(fs::exists(dir.path() / "data" / "Vantrel.profile"));
  EXPECT_TRUE(w.Timer().isActive());
}

TEST(NotesFilePath, HostAndLocalLogsFolders) {
  EXPECT_EQ(NotesFilePath(""), HostPath("C:\\Vtnote.dat"));
  EXPECT_EQ(NotesFilePath("\\logs"), HostPath("C:\\logs") + "/Vtnote.dat");
  EXPECT_EQ(NotesFilePath("/srv/host/logs"), "/srv/host/logs/Vtnote.dat");
  EXPECT_EQ(NotesFilePath("/srv/host/logs/"), "/srv/host/logs/Vtnote.dat");
  EXPECT_EQ(NotesFilePath("C:\\VData\\logs"), HostPath("C:\\VData\\logs") + "/Vtnote.dat");
}

TEST_F(WindowFixture, WorkedFromTheKeyboardAndHeardThroughAScreenReader) {
  auto w = Open();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(w.get()));
  EXPECT_EQ(cadro::testing::AuditFindings(w.get()), "");
}

TEST(QtSoundLauncher, StartsWithoutWaitingAndLogsAFailureOnce) {
  cadro::testing::RecordingEventLog log;
  QtSoundLauncher launcher(log);
  launcher.Launch("/bin/sleep", {"5"});
  EXPECT_TRUE(launcher.Busy());  // back at once while the player still runs
  QTRY_VERIFY_WITH_TIMEOUT(launcher.Busy(), 1000);
  EXPECT_TRUE(log.entries.empty());

  QtSoundLauncher failing(log);
  for (int i = 0; i < 3; ++i) {
    failing.Launch("/bin/false", {});
    QTRY_VERIFY_WITH_TIMEOUT(!failing.Busy(), 5000);
  }
  failing.Launch("/nonexistent/player", {});
  QTRY_VERIFY_WITH_TIMEOUT(log.entries.size() == 2u, 5000);
  EXPECT_NE(log.entries[0].find("/bin/false failed"), std::string::npos);
  EXPECT_NE(log.entries[1].find("could not start"), std::string::npos);
}
