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

TEST_F(AlertsFixture, TheWatchReadsANoteWithoutThePoll) {
  Open();
  ASSERT_TRUE(alerts->Watch()->WatchingFolder());
  Write(1, "first");  // creates the file: the folder watch sees it
  CADRO_WAIT_FOR(Count() == 1, 2000);
  // The claim is finished soon after, so the next note starts a new file that is seen too.
  CADRO_WAIT_FOR(!window->Inbox().Claimed(), 2000);
  Write(2, "second");
  Write(3, "third");  // appended to the file the watch now follows
  CADRO_WAIT_FOR(Count() == 3, 2000);
  EXPECT_FALSE(window->Timer().isActive());
  const std::string journal = ReadFileBytes(dir.File("data/Srnote.tmp"));
  const auto first = journal.find("(N1) first\r\n");
  const auto second = journal.find("(N2) second\r\n");
  const auto third = journal.find("(N3) third\r\n");
  ASSERT_NE(third, std::string::npos);
  EXPECT_LT(first, second);
  EXPECT_LT(second, third);
  CADRO_WAIT_FOR(fs::is_empty(dir.path() / "data" / "logs"), 2000);
  EXPECT_TRUE(ts.eventLog.entries.empty());
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
  CADRO_WAIT_FOR(!window->Inbox().Claimed(), 3000);
  Write(1, "by the watch");
  CADRO_WAIT_FOR(Count() == 2, 2000);
}

TEST_F(AlertsFixture, TheTrayCountsWhatWasNotSeenAndAClickRaisesTheWindow) {
  Open();
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
