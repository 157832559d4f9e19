// The alerts attached to the real window: the watch reads a note without waiting for the poll,
// under a concurrent writer every note is still shown once and in order, the tray counts what
// was not seen, and the user's choices are kept in the user's own settings.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QLabel>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <filesystem>
#include <thread>

#include "AlertsStation.h"
#include "FileLib.h"
#include "NoteAlerts.h"
#include "NotesWriter.h"
#include "SoundPlayer.h"
#include "TestKit.h"
#include "WaitFor.h"
#include "frmNote.h"

using namespace cadro;
using cadro::testing::LayOutAlertsStation;
using cadro::testing::QuietPlayer;
using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

struct AlertsFixture : ::testing::Test {
  void SetUp() override {
    LayOutAlertsStation(dir, lib);
    // Desktop notifications have no bus here; the window must not mind.
    user.Set(VtnoteUserSettings::kApp, VtnoteUserSettings::kSection, VtnoteUserSettings::kDesktopKey, "0");
  }
  // The window with its alerts; the one-second poll is stopped unless `poll`, so that only the
  // watch can bring a note in.
  void Open(bool poll = false) {
    window = std::make_unique<frmNote>(ts.services, lib, sound, "3.4.0 c5");
    alerts = new NoteAlerts(*window, user, ts.eventLog, QDBusConnection(QStringLiteral("none")));
    window->show();
    if (!poll) window->Timer().stop();
  }
  std::string Notes() const { return dir.File("data/logs/Vtnote.dat"); }
  void Write(int level, const std::string& message) const {
    standin::AppendNote(Notes(), standin::NoteRecord(level, message));
  }
  int Count() const { return window->Service().Log().Count(); }

  cadro::testing::TempDir dir;
  cadro::testing::TestServices ts;
  cadro::testing::MemorySettingsStore user;
  FileLib lib{ts.eventLog, dir.File("program")};
  QuietPlayer sound;
  std::unique_ptr<frmNote> window;
  NoteAlerts* alerts = nullptr;
};

}  // namespace

TEST_F(AlertsFixture, TheWatchAloneShowsEveryNoteAtOnceNotOnlyTheFirst) {
  Open();
  ASSERT_TRUE(alerts->Watch()->WatchingFolder());
  const auto shownWithin = [this](int count, int milliseconds) {
    return QTest::qWaitFor([&] { return Count() == count; }, milliseconds);
  };
  // Notes each in a file of their own: the file is taken once free and left alone, the next one
  // is a new file.
  for (int i = 1; i <= 4; ++i) {
    Write(i % 4, "quick " + std::to_string(i));
    ASSERT_TRUE(shownWithin(i, 1000)) << "note " << i;
    CADRO_WAIT_FOR(!fs::exists(Notes()), 3000);
  }
  // Notes appended to a file the host keeps open: each is shown while the file is held, and the
  // file is taken once the host has closed it and left it alone.
  standin::HeldNotesFile host(Notes());
  for (int i = 5; i <= 8; ++i) {
    QTest::qWait(50);
    host.Append(standin::NoteRecord(1, "held " + std::to_string(i)), 2);
    ASSERT_TRUE(shownWithin(i, 1000)) << "note " << i;
  }
  EXPECT_TRUE(host.StillTheNotesFile());
  host.Close();
  CADRO_WAIT_FOR(!fs::exists(Notes()), 3000);
  EXPECT_FALSE(window->Timer().isActive());
  const std::string journal = ReadFileBytes(dir.File("data/Srnote.tmp"));
  std::size_t at = 0;
  for (const std::string note :
       {"(N1) quick 1", "(N2) quick 2", "(N3) quick 3", "(N0) quick 4", "(N1) held 5", "(N1) held 8"}) {
    at = journal.find(note, at);
    ASSERT_NE(at, std::string::npos) << note << " missing or out of order";
  }
  CADRO_WAIT_FOR(fs::is_empty(dir.path() / "data" / "logs"), 1000);
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

TEST_F(AlertsFixture, ThePollAloneShowsEveryNoteWithinAnInterval) {
  window = std::make_unique<frmNote>(ts.services, lib, sound, "3.4.0 c5");
  alerts = new NoteAlerts(*window, user, ts.eventLog, QDBusConnection(QStringLiteral("none")), false);
  window->show();
  ASSERT_EQ(alerts->Watch(), nullptr);
  EXPECT_EQ(window->Timer().interval(), 1000);
  // At odd moments of the poll; a generous bound for a loaded machine, which a poll that stopped
  // after its first tick never meets.
  std::unique_ptr<standin::HeldNotesFile> held;
  for (int i = 1; i <= 4; ++i) {
    QTest::qWait(137 * i);
    if (i == 3) held = std::make_unique<standin::HeldNotesFile>(Notes());
    if (held) {
      held->Append(standin::NoteRecord(1, "note " + std::to_string(i)));
    } else {
      Write(1, "note " + std::to_string(i));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return Count() == i; }, 3000)) << "note " << i;
  }
  held.reset();
  CADRO_WAIT_FOR(!fs::exists(Notes()), 3000);
}

TEST_F(AlertsFixture, ANoteWaitingAtStartIsReadAtOnce) {
  Write(4, "before the window");
  Open();
  CADRO_WAIT_FOR(Count() == 1, 2000);
}

TEST_F(AlertsFixture, AConcurrentWriterLosesNothingAndDuplicatesNothingWithTheWatchOn) {
  constexpr int kNotes = 400;
  Open(true);
  window->Timer().setInterval(50);  // the poll races the watch as well
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 1; i <= kNotes; ++i) {
      Write(1, "note " + std::to_string(i));
      // Irregular pauses put the appends at every point of the claim, the read and the delete.
      std::this_thread::sleep_for(std::chrono::microseconds((i * 7919) % 2000));
    }
    done = true;
  });
  CADRO_WAIT_FOR(done.load(), 60000);
  writer.join();
  CADRO_WAIT_FOR(Count() == kNotes, 5000);
  QTest::qWait(200);  // nothing more may arrive
  ASSERT_EQ(Count(), kNotes);
  const std::string journal = ReadFileBytes(dir.File("data/Srnote.tmp"));
  std::size_t at = 0;
  for (int i = 1; i <= kNotes; ++i) {
    const std::string line = "(N1) note " + std::to_string(i) + "\r\n";
    const auto found = journal.find(line, at);
    ASSERT_NE(found, std::string::npos) << "note " << i << " missing or out of order";
    at = found + line.size();
    EXPECT_EQ(journal.find(line, at), std::string::npos) << "note " << i << " twice";
  }
  EXPECT_EQ(window->findChild<QLabel*>(QStringLiteral("Count"))->text(),
            QStringLiteral("Notifications Logged: %1").arg(kNotes));
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

TEST_F(AlertsFixture, AFolderThatAppearsLaterIsWatchedOnceThePollFindsIt) {
  fs::remove_all(dir.path() / "data" / "logs");
  Open(true);
  window->Timer().setInterval(20);
  EXPECT_FALSE(alerts->Watch()->WatchingFolder());
  fs::create_directories(dir.path() / "data" / "logs");
  Write(1, "by the poll");
  CADRO_WAIT_FOR(Count() == 1, 3000);
  EXPECT_TRUE(alerts->Watch()->WatchingFolder());
  window->Timer().stop();
  CADRO_WAIT_FOR(!fs::exists(Notes()), 3000);
  Write(1, "by the watch");
  CADRO_WAIT_FOR(Count() == 2, 2000);
}

// The poll puts the watch back and the watch shows notes the poll would show a second later, so
// each hides the other's faults: every step below leaves one of them to work alone.
TEST_F(AlertsFixture, TheWatchComesBackWithTheFolderWhicheverPathNoticesIt) {
  const fs::path logs = dir.path() / "data" / "logs";
  fs::remove_all(logs);
  Open(true);
  window->Timer().setInterval(20);
  ASSERT_FALSE(alerts->Watch()->WatchingFolder());
  // A folder that appears with no note in it is watched from the poll's tick, not only once a
  // note has been shown.
  fs::create_directories(logs);
  CADRO_WAIT_FOR(alerts->Watch()->WatchingFolder(), 5000);

  // Removed and made again: the poll's tick watches the new folder, and the watch alone shows
  // the next note.
  fs::remove_all(logs);
  CADRO_WAIT_FOR(!alerts->Watch()->WatchingFolder(), 5000);
  fs::create_directories(logs);
  CADRO_WAIT_FOR(alerts->Watch()->WatchingFolder(), 5000);
  window->Timer().stop();
  Write(1, "after the folder came back");
  CADRO_WAIT_FOR(Count() == 1, 5000);
  CADRO_WAIT_FOR(fs::is_empty(logs), 5000);

  // Moved away with a new one put in its place before the viewer looks: the watch puts itself on
  // the new folder on its own, with no poll running.
  fs::rename(logs, dir.path() / "data" / "logs.old");
  fs::create_directories(logs);
  QTest::qWait(100);  // the watch reads the move
  Write(1, "in the new folder");
  CADRO_WAIT_FOR(Count() == 2, 5000);
  // The look that proves the file free was disturbed by the move too: the poll takes it.
  window->Timer().start();
  CADRO_WAIT_FOR(fs::is_empty(logs), 5000);
  window->Timer().stop();

  // A notes file moved in whole, written elsewhere first, is read at once too.
  const std::string staged = dir.File("data/staged");
  standin::AppendNote(staged, standin::NoteRecord(1, "moved in"));
  fs::rename(staged, Notes());
  CADRO_WAIT_FOR(Count() == 3, 5000);
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

TEST(NotesWatch, WakesForTheNotesFileOnlyNotForNamesThatContainIt) {
  // The logs folder holds the host's other logs and the viewer's own files beside the notes file;
  // a read for each of them would be one per log line the host writes.
  cadro::testing::TempDir folder;
  NotesWatch watch(QString::fromStdString(folder.File("Vtnote.dat")));
  ASSERT_TRUE(watch.WatchingFolder());
  QSignalSpy changed(&watch, &NotesWatch::changed);
  for (const char* other : {"Vtnote.dat.old", "Old Vtnote.dat", "Vtnote.da", "XVtnote.datX"})
    WriteFileBytes(folder.File(other), "1|not a note\r\n");
  QTest::qWait(200);  // the watch reads what the kernel has queued for it
  EXPECT_EQ(changed.count(), 0);
  WriteFileBytes(folder.File("Vtnote.dat"), "1|a note\r\n");
  CADRO_WAIT_FOR(changed.count() > 0, 5000);
}

TEST_F(AlertsFixture, TheTrayCountsWhatWasNotSeenAndAClickRaisesTheWindow) {
  Open();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));  // its own activation comes first
  // No tray on this display: the icon stays hidden and the window works as before.
  EXPECT_FALSE(alerts->Tray().Shown());
  QWidget other;
  other.show();
  QApplication::setActiveWindow(&other);
  CADRO_WAIT_FOR(!window->isActiveWindow(), 2000);
  Write(1, "a");
  Write(1, "b");
  CADRO_WAIT_FOR(alerts->Tray().Unseen() == 2, 2000);
  EXPECT_EQ(alerts->Tray().ToolTip(), "Notifications: 2 not seen");
  EXPECT_EQ(alerts->Tray().Icon().toolTip(), "Notifications: 2 not seen");

  emit alerts->Tray().Icon().activated(QSystemTrayIcon::Trigger);
  CADRO_WAIT_FOR(window->isActiveWindow(), 2000);
  EXPECT_EQ(alerts->Tray().Unseen(), 0);
  // While the window is active, new notes are seen as they arrive.
  Write(1, "c");
  CADRO_WAIT_FOR(Count() == 3, 2000);
  EXPECT_EQ(alerts->Tray().Unseen(), 0);
}

TEST_F(AlertsFixture, ChoicesLiveInTheUsersOwnSettingsNeverInTheHostsFiles) {
  user.values.clear();
  Open();
  auto* desktop = window->findChild<QAction*>(QStringLiteral("mnuDesktopNotifications"));
  auto* tray = window->findChild<QAction*>(QStringLiteral("mnuTrayIcon"));
  ASSERT_TRUE(desktop && tray);
  EXPECT_TRUE(desktop->isChecked());  // on until turned off
  EXPECT_TRUE(tray->isChecked());
  desktop->trigger();
  tray->trigger();
  EXPECT_FALSE(alerts->Notifier().Enabled());
  EXPECT_FALSE(alerts->Tray().Enabled());
  VtnoteUserSettings saved(user);
  EXPECT_FALSE(saved.DesktopNotifications());
  EXPECT_FALSE(saved.TrayIcon());
  EXPECT_EQ(window->windowTitle(), "Notifications");
  window->close();
  // The host's registry and profile got nothing of ours.
  EXPECT_TRUE(ts.settings.values.empty());
  EXPECT_EQ(ReadFileBytes(dir.File("data/Vantrel.profile")).find("Desktop"), std::string::npos);

  // The next window starts with what the user chose.
  Open();
  EXPECT_FALSE(window->findChild<QAction*>(QStringLiteral("mnuDesktopNotifications"))->isChecked());
  EXPECT_FALSE(window->findChild<QAction*>(QStringLiteral("mnuTrayIcon"))->isChecked());
  EXPECT_FALSE(alerts->Notifier().Enabled());
  window->findChild<QAction*>(QStringLiteral("mnuTrayIcon"))->trigger();
  EXPECT_TRUE(VtnoteUserSettings(user).TrayIcon());
}

TEST(VtnoteUserSettingsTest, OnUnlessExplicitlyOff) {
  cadro::testing::MemorySettingsStore store;
  VtnoteUserSettings settings(store);
  EXPECT_TRUE(settings.DesktopNotifications());
  store.Set("Vtnote", "Alerts", "DesktopNotifications", "garbled");
  EXPECT_TRUE(settings.DesktopNotifications());
  settings.SetDesktopNotifications(false);
  EXPECT_EQ(store.Get("Vtnote", "Alerts", "DesktopNotifications"), "0");
  EXPECT_FALSE(settings.DesktopNotifications());
  EXPECT_TRUE(settings.TrayIcon());
}
