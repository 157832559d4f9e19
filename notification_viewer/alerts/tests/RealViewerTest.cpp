// The real Vtnote program on a private session bus: notes the host writes reach the desktop's
// notification service, and the user's own settings (not the host's) can turn that off.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <QDBusConnection>
#include <QTest>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <thread>

#include "NotesWriter.h"
#include "PrivateBus.h"
#include "TestKit.h"
#include "WaitFor.h"

extern char** environ;

using cadro::testing::PrivateBus;
using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;
namespace fs = std::filesystem;

namespace {

class Notifications : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
  QStringList summaries;
  QStringList bodies;

public slots:
  QStringList GetCapabilities() { return {QStringLiteral("body")}; }
  uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
              const QStringList&, const QVariantMap&, int) {
    summaries << summary;
    bodies << body;
    return 7;
  }
};

struct RealViewer : ::testing::Test {
  void SetUp() override {
    privateBus = std::make_unique<PrivateBus>();
    if (privateBus->pid <= 0) GTEST_SKIP() << "dbus-daemon could not be started (./dev installs it)";
    bus = std::make_unique<QDBusConnection>(privateBus->Connect(QStringLiteral("real")));
    ASSERT_TRUE(bus->registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                    QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus->registerService(QStringLiteral("org.freedesktop.Notifications")));

    // Without a Vantrel.conf beside it the viewer's data folder is APPDATA and its folder's name.
    data = dir.path() / "appdata" / fs::path(VTNOTE_BINARY).parent_path().filename();
    for (const fs::path& sub :
         {data, dir.path() / "logs", dir.path() / "run", dir.path() / "config", dir.path() / "wine"})
      fs::create_directories(sub);
    WriteFileBytes((data / "Vantrel.profile").string(),
                   "Version=3.4.0 c5\r\nDirLogs=" + dir.File("logs") + "\r\n");
  }
  void TearDown() override {
    if (viewer > 0) {
      ::kill(viewer, SIGTERM);
      int status = 0;
      ::waitpid(viewer, &status, 0);
    }
    bus.reset();
    privateBus.reset();  // after the viewer, which is on it
  }
  void Start() {
    std::vector<std::string> env = {"QT_QPA_PLATFORM=offscreen",
                                    "APPDATA=" + dir.File("appdata"),
                                    "XDG_RUNTIME_DIR=" + dir.File("run"),
                                    "XDG_CONFIG_HOME=" + dir.File("config"),
                                    "HOME=" + dir.File("config"),
                                    "WINEPREFIX=" + dir.File("wine"),
                                    "DBUS_SESSION_BUS_ADDRESS=" + privateBus->address.toStdString()};
    if (const char* path = std::getenv("PATH")) env.push_back(std::string("PATH=") + path);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::string program = VTNOTE_BINARY;
    char* argv[] = {program.data(), nullptr};
    ASSERT_EQ(::posix_spawn(&viewer, program.c_str(), nullptr, nullptr, argv, envp.data()), 0);
  }
  std::string Journal() const {
    const fs::path journal = data / "Srnote.tmp";
    return fs::exists(journal) ? ReadFileBytes(journal.string()) : std::string();
  }
  void Write(const std::string& records) const {
    cadro::standin::AppendNote(cadro::standin::NotesFileIn(dir.File("logs")), records);
  }

  cadro::testing::TempDir dir;
  fs::path data;
  std::unique_ptr<PrivateBus> privateBus;
  pid_t viewer = -1;
  std::unique_ptr<QDBusConnection> bus;
  Notifications service;
};

}  // namespace

TEST_F(RealViewer, ABurstFromTheHostIsOneDesktopNotification) {
  Start();
  // The notes wait in the file until the viewer is up; all three go out as one.
  Write(cadro::standin::NoteRecord(1, "first") + cadro::standin::NoteRecord(1, "second") +
        cadro::standin::NoteRecord(2, "third"));
  CADRO_WAIT_FOR(Journal().find("(N2) third\r\n") != std::string::npos, 15000);
  CADRO_WAIT_FOR(!service.summaries.isEmpty(), 5000);
  EXPECT_EQ(service.summaries.value(0), "3 new notifications");
  EXPECT_EQ(service.bodies.value(0), "third\nsecond\nfirst");
  // A note that comes while the viewer runs goes out too, replacing rather than adding.
  Write(cadro::standin::NoteRecord(1, "fourth"));
  CADRO_WAIT_FOR(service.summaries.size() == 2, 5000);
  EXPECT_TRUE(service.bodies.value(1).startsWith(QStringLiteral("fourth")));
}

TEST_F(RealViewer, TheUsersOwnSettingTurnsDesktopNotificationsOff) {
  fs::create_directories(dir.path() / "config" / "Cadro");
  WriteFileBytes(dir.File("config/Cadro/Vtnote.conf"), "[Alerts]\nDesktopNotifications=0\n");
  Start();
  Write(cadro::standin::NoteRecord(1, "quiet"));
  CADRO_WAIT_FOR(Journal().find("(N1) quiet\r\n") != std::string::npos, 15000);
  QTest::qWait(500);
  EXPECT_TRUE(service.summaries.isEmpty());
  EXPECT_EQ(ReadFileBytes((data / "Vantrel.profile").string()).find("Desktop"), std::string::npos);
}

#include "RealViewerTest.moc"
