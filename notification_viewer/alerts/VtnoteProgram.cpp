#include "VtnoteProgram.h"

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
#include "frmNote.h"

namespace cadro {

int RunVtnote(int argc, char** argv, const char* programVersion, bool watch) {
  QApplication app(argc, argv);
  app.setApplicationName(QStringLiteral("Vtnote"));
  ProductServices product("Vtnote");
  // The host keeps ProfName in its own registry; under Wine that is the prefix's user.reg.
  WineRegistrySettings settings(JoinPath(WinePrefix(), "user.reg"), product.settings);
  ViewerPrompts prompts(product.prompts);
  const Services services{product.eventLog, prompts, product.clock, product.locale, settings};

  // A viewer that is not needed leaves before anything could report a problem a second time.
  const auto finder = MakeWindowFinder(QGuiApplication::platformName() == QLatin1String("xcb"));
  if (finder->FindTopLevelWindow(kAppTitle)) return 0;

  FileLib fileLib(services.eventLog);
  StartupDataPath(fileLib, services.prompts, kProgramTitle);
  prompts.StartupDone();

  QtSoundLauncher launcher(services.eventLog);
  SystemSoundPlayer sound({fileLib.ProgramFolderPath(), fileLib.DataPath()}, launcher, services.eventLog);
  frmNote window(services, fileLib, sound, programVersion);
  // The window shows before the host's files are read (the alerts ask for the notes file).
  window.show();
  // The user's own choices for the alerts live in the program's settings, not the host's.
  new NoteAlerts(window, product.settings, services.eventLog, QDBusConnection::sessionBus(), watch);
  return app.exec();
}

}  // namespace cadro
