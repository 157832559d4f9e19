// Desktop notifications against a real session bus: the test runs its own dbus-daemon and its
// own notification service on it, and checks what arrives from the real window.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <QAction>
#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QLocale>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>
#include <filesystem>

#include "AlertsStation.h"
#include "FileLib.h"
#include "NoteAlerts.h"
#include "NotesWriter.h"
#include "PrivateBus.h"
#include "SoundPlayer.h"
#include "TestKit.h"
#include "WaitFor.h"
#include "frmNote.h"

using namespace cadro;
using cadro::testing::LayOutAlertsStation;
using cadro::testing::PrivateBus;
using cadro::testing::QuietPlayer;
using cadro::testing::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

struct Call {
  QString app;
  uint replacesId = 0;
  QString icon;
  QString summary;
  QString body;
  QVariantMap hints;
};

// The service side of desktop notifications, recording every call.
class FakeNotifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
  QList<Call> calls;
  QStringList capabilities{QStringLiteral("body"), QStringLiteral("body-markup")};
  bool holdReplies = false;
  QList<QDBusMessage> held;
  QDBusConnection* bus = nullptr;

public slots:
  QStringList GetCapabilities() { return capabilities; }
  uint Notify(const QString& app, uint replacesId, const QString& icon, const QString& summary,
              const QString& body, const QStringList&, const QVariantMap& hints, int,
              const QDBusMessage& message) {
    calls.append({app, replacesId, icon, summary, body, hints});
    const uint id = replacesId != 0 ? replacesId : static_cast<uint>(100 + calls.size());
    if (holdReplies) {
      message.setDelayedReply(true);
      held.append(message.createReply(id));
    }
    return id;
  }
  void CloseNotification(uint) {}

public:
  void Release() {
    for (const QDBusMessage& reply : held) bus->send(reply);
    held.clear();
  }
};

int Urgency(const Call& call) {
  return call.hints.value(QStringLiteral("urgency")).value<uchar>();
}

struct DBusFixture : ::testing::Test {
  void SetUp() override {
    if (!bus.Running()) GTEST_SKIP() << "dbus-daemon could not be started (./dev installs it)";
    LayOutAlertsStation(dir, lib);
    serviceBus = std::make_unique<QDBusConnection>(bus.Connect(QStringLiteral("service")));
    service.bus = serviceBus.get();
  }
  void StartService() {
    ASSERT_TRUE(serviceBus->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                           QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(serviceBus->registerService(QStringLiteral("org.freedesktop.Notifications")));
  }
  void Open() {
    window = std::make_unique<frmNote>(ts.services, lib, sound, "3.4.0 c5");
    alerts = new NoteAlerts(*window, user, ts.eventLog, bus.Connect(QStringLiteral("viewer")));
    window->show();
    window->Timer().stop();  // the watch brings the notes in
    // The window's own activation comes first, so that looking elsewhere is what stays.
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  }
  void Write(const std::string& records) const {
    standin::AppendNote(standin::NotesFileIn(dir.File("data/logs")), records);
  }
  int Count() const { return window->Service().Log().Count(); }
  // The operator works in another window.
  void LookElsewhere() {
    other.show();
    QApplication::setActiveWindow(&other);
  }

  PrivateBus bus;
  std::unique_ptr<QDBusConnection> serviceBus;
  FakeNotifications service;
  cadro::testing::TempDir dir;
  cadro::testing::TestServices ts;
  cadro::testing::MemorySettingsStore user;
  FileLib lib{ts.eventLog, dir.File("program")};
  QuietPlayer sound;
  std::unique_ptr<frmNote> window;
  NoteAlerts* alerts = nullptr;
  QWidget other;
};

}  // namespace

TEST_F(DBusFixture, EachNoteArrivesWithTitleBodyIconAndItsLevelAsUrgency) {
  StartService();
  Open();
  LookElsewhere();
  Write(standin::NoteRecord(2, "Net control: <check in> & report"));
  CADRO_WAIT_FOR(service.calls.size() == 1, 3000);
  const Call first = service.calls[0];
  EXPECT_EQ(first.app, "Vtnote");
  EXPECT_EQ(first.replacesId, 0u);
  EXPECT_EQ(first.summary, "New notification");
  EXPECT_EQ(first.body, "Net control: &lt;check in&gt; &amp; report");
  EXPECT_EQ(Urgency(first), 2);
  EXPECT_EQ(first.hints.value(QStringLiteral("desktop-entry")).toString(), "Vtnote");
  // The program's icon travels as image data: 64 x 64, RGBA.
  const QDBusArgument image = first.hints.value(QStringLiteral("image-data")).value<QDBusArgument>();
  int width = 0, height = 0, stride = 0, bits = 0, channels = 0;
  bool alpha = false;
  QByteArray bytes;
  image.beginStructure();
  image >> width >> height >> stride >> alpha >> bits >> channels >> bytes;
  image.endStructure();
  EXPECT_EQ(width, 64);
  EXPECT_EQ(height, 64);
  EXPECT_EQ(channels, 4);
  EXPECT_EQ(bytes.size(), stride * height);

  // The operator looks at the window: the next note is a new count, in the same place.
  QApplication::setActiveWindow(window.get());
  CADRO_WAIT_FOR(window->isActiveWindow(), 2000);
  QApplication::setActiveWindow(&other);
  CADRO_WAIT_FOR(!window->isActiveWindow(), 2000);
  Write(standin::NoteRecord(0, "routine"));
  CADRO_WAIT_FOR(service.calls.size() == 2, 3000);
  EXPECT_EQ(service.calls[1].summary, "New notification");
  EXPECT_EQ(service.calls[1].replacesId, 101u);
  EXPECT_EQ(Urgency(service.calls[1]), 0);
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

TEST_F(DBusFixture, AServiceWithoutMarkupGetsTheTextAsWritten) {
  service.capabilities = QStringList{QStringLiteral("body")};
  StartService();
  Open();
  LookElsewhere();
  CADRO_WAIT_FOR(!alerts->Notifier().Markup(), 3000);
  Write(standin::NoteRecord(1, "<check in> & report"));
  CADRO_WAIT_FOR(service.calls.size() == 1, 3000);
  EXPECT_EQ(service.calls[0].body, "<check in> & report");
}

TEST_F(DBusFixture, ABurstBecomesOneNotificationNewestFirstAndIsReplacedNotPiled) {
  StartService();
  Open();
  LookElsewhere();
  std::string burst;
  for (int i = 1; i <= 7; ++i) burst += standin::NoteRecord(i == 3 ? 2 : 1, "note " + std::to_string(i));
  Write(burst);
  CADRO_WAIT_FOR(Count() == 7, 3000);
  CADRO_WAIT_FOR(service.calls.size() == 1, 3000);
  QTest::qWait(100);
  ASSERT_EQ(service.calls.size(), 1);
  EXPECT_EQ(service.calls[0].summary, "7 new notifications");
  EXPECT_EQ(service.calls[0].body, "note 7\nnote 6\nnote 5\nnote 4\nnote 3\n(2 more)");
  EXPECT_EQ(Urgency(service.calls[0]), 2);  // the most urgent of the burst

  // More notes while the service has not answered yet wait for its answer, then go in one call
  // that replaces the first.
  service.holdReplies = true;
  Write(standin::NoteRecord(1, "note 8"));
  CADRO_WAIT_FOR(service.calls.size() == 2, 3000);
  for (int i = 9; i <= 11; ++i) {
    Write(standin::NoteRecord(1, "note " + std::to_string(i)));
    CADRO_WAIT_FOR(Count() == i, 3000);
  }
  QTest::qWait(100);
  EXPECT_EQ(service.calls.size(), 2);
  service.holdReplies = false;
  service.Release();
  CADRO_WAIT_FOR(service.calls.size() == 3, 3000);
  QTest::qWait(100);
  ASSERT_EQ(service.calls.size(), 3);
  EXPECT_EQ(service.calls[1].summary, "8 new notifications");
  EXPECT_EQ(service.calls[1].replacesId, 101u);
  EXPECT_EQ(service.calls[2].summary, "11 new notifications");
  EXPECT_EQ(service.calls[2].replacesId, 101u);
  EXPECT_TRUE(service.calls[2].body.startsWith(QStringLiteral("note 11\nnote 10\nnote 9\nnote 8\nnote 7\n")));
}

TEST_F(DBusFixture, WithoutAServiceTheWindowWorksAndTheFailureIsLoggedOnce) {
  Open();  // the bus runs, nobody serves notifications on it
  LookElsewhere();
  for (int i = 1; i <= 3; ++i) {
    QSignalSpy answered(&alerts->Notifier(), &DesktopNotifier::delivered);
    Write(standin::NoteRecord(1, "unheard " + std::to_string(i)));
    ASSERT_TRUE(answered.wait(5000));
    EXPECT_FALSE(answered.at(0).at(0).toBool());
  }
  EXPECT_EQ(Count(), 3);
  ASSERT_EQ(ts.eventLog.entries.size(), 1u);
  EXPECT_NE(ts.eventLog.entries[0].find("Desktop notification not delivered"), std::string::npos);

  // The service comes: notes reach it; when it goes again, that is logged once more.
  StartService();
  Write(standin::NoteRecord(1, "heard"));
  CADRO_WAIT_FOR(service.calls.size() == 1, 3000);
  EXPECT_EQ(service.calls[0].summary, "4 new notifications");
  CADRO_WAIT_FOR(!alerts->Notifier().CallOut(), 3000);
  serviceBus->unregisterService(QStringLiteral("org.freedesktop.Notifications"));
  for (int i = 0; i < 2; ++i) {
    QSignalSpy answered(&alerts->Notifier(), &DesktopNotifier::delivered);
    Write(standin::NoteRecord(1, "gone"));
    ASSERT_TRUE(answered.wait(5000));
  }
  EXPECT_EQ(ts.eventLog.entries.size(), 2u);
}

TEST_F(DBusFixture, NoBusAtAllAndTurnedOff) {
  window = std::make_unique<frmNote>(ts.services, lib, sound, "3.4.0 c5");
  alerts = new NoteAlerts(*window, user, ts.eventLog, QDBusConnection(QStringLiteral("never connected")));
  window->show();
  window->Timer().stop();
  Write(standin::NoteRecord(1, "one"));
  Write(standin::NoteRecord(1, "two"));
  CADRO_WAIT_FOR(Count() == 2, 3000);
  Write(standin::NoteRecord(1, "three"));
  CADRO_WAIT_FOR(Count() == 3, 3000);
  QTest::qWait(50);
  EXPECT_EQ(ts.eventLog.entries.size(), 1u);

  // Turned off in the menu: nothing is sent even with a service there.
  StartService();
  Open();
  window->findChild<QAction*>(QStringLiteral("mnuDesktopNotifications"))->trigger();
  Write(standin::NoteRecord(1, "quiet"));
  CADRO_WAIT_FOR(Count() == 1, 3000);
  QTest::qWait(100);
  EXPECT_TRUE(service.calls.isEmpty());
}

TEST(DesktopNotifierText, SummaryBodyAndUrgency) {
  EXPECT_EQ(DesktopNotifier::Summary(1), "New notification");
  EXPECT_EQ(DesktopNotifier::Summary(12), "12 new notifications");
  EXPECT_EQ(DesktopNotifier::Body(1, {QStringLiteral("two\r\nlines")}), "two\nlines");
  // A long note is cut in the popup; the window keeps it whole.
  const QString longText = DesktopNotifier::Body(1, {QString(5000, QLatin1Char('x'))});
  EXPECT_EQ(longText.size(), 300);
  EXPECT_TRUE(longText.endsWith(QChar(0x2026)));
  const QString fits(300, QLatin1Char('y'));
  EXPECT_EQ(DesktopNotifier::Body(1, {fits}), fits);
  EXPECT_EQ(DesktopNotifier::Body(1, {fits + QLatin1Char('z')}), fits.left(299) + QChar(0x2026));
  EXPECT_EQ(DesktopNotifier::Urgency(-1), 0);
  EXPECT_EQ(DesktopNotifier::Urgency(0), 0);
  EXPECT_EQ(DesktopNotifier::Urgency(1), 1);
  EXPECT_EQ(DesktopNotifier::Urgency(2), 2);
  EXPECT_EQ(DesktopNotifier::Urgency(32767), 2);
}

TEST(DesktopNotifierCount, TurnedOffAndOnAgainCountsAnew) {
  // What came while the operator had them off was never announced: the count starts again.
  cadro::testing::RecordingEventLog log;
  DesktopNotifier notifier(QDBusConnection(QStringLiteral("never connected")), log, {}, {});
  notifier.Add(1, QStringLiteral("a"));
  notifier.Add(2, QStringLiteral("b"));
  EXPECT_EQ(notifier.Count(), 2);
  notifier.SetEnabled(false);
  notifier.Add(1, QStringLiteral("while off"));
  notifier.SetEnabled(true);
  notifier.Add(0, QStringLiteral("c"));
  EXPECT_EQ(notifier.Count(), 1);
}

#include "DesktopNotifierTest.moc"
