// Vtnote: shows the host's notifications. The start-up procedure finds the host data folder,
// leaves at once when a "Notifications" window already exists, and otherwise shows the window.
#include <QApplication>
#include <QDBusConnection>
#include <QGuiApplication>

#include "FileIO.h"
#include "FileLib.h"
#include "HostPath.h"
#include "NoteAlerts.h"
#include "QtPlatform.h"
#include "QtSoundLauncher.h"
#include "SoundPlayer.h"
#include "Startup.h"
#include "WindowFinder.h"
#include "WineRegistry.h"
#include "ui/frmNote.h"

#ifndef VTNOTE_VERSION
#define VTNOTE_VERSION "0.0.0 c0"
#endif

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Vtnote"));
  cadro::ProductServices product("Vtnote");
  // The host keeps ProfName in its own registry; under Wine that is the prefix's user.reg.
  cadro::WineRegistrySettings settings(cadro::JoinPath(cadro::WinePrefix(), "user.reg"), product.settings);
  cadro::ViewerPrompts prompts(product.prompts);
  const cadro::Services services{product.eventLog, prompts, product.clock, product.locale, settings};
  const std::string programVersion = VTNOTE_VERSION;

  // A viewer that is not needed leaves before anything could report a problem a second time.
  const auto finder = cadro::MakeWindowFinder(QGuiApplication::platformName() == QLatin1String("xcb"));
  if (finder->FindTopLevelWindow(cadro::kAppTitle)) return 0;

  cadro::FileLib fileLib(services.eventLog);
  cadro::StartupDataPath(fileLib, services.prompts, cadro::kProgramTitle);
  prompts.StartupDone();

  cadro::QtSoundLauncher launcher(services.eventLog);
  cadro::SystemSoundPlayer sound({fileLib.ProgramFolderPath(), fileLib.DataPath()}, launcher,
                                 services.eventLog);
  cadro::frmNote window(services, fileLib, sound, programVersion);
  // The window shows before the host's files are read (the alerts ask for the notes file).
  window.show();
  // The user's own choices for the alerts live in the program's settings, not the host's.
  new cadro::NoteAlerts(window, product.settings, services.eventLog, QDBusConnection::sessionBus());
  return app.exec();
}
