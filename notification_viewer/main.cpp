// Vtnote: shows the host's notifications. The start-up procedure finds the host data folder,
// leaves at once when a "Notifications" window already exists, and otherwise shows the window.
#include <QApplication>
#include <QGuiApplication>

#include "FileIO.h"
#include "FileLib.h"
#include "HostPath.h"
#include "QtPlatform.h"
#include "RunError.h"
#include "SoundPlayer.h"
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
  const cadro::Services services{product.eventLog, product.prompts, product.clock, product.locale, settings};
  const std::string programVersion = VTNOTE_VERSION;

  cadro::FileLib fileLib(services.eventLog);
  std::string appFolder;
  try {
    appFolder = fileLib.WhereAmI();
    fileLib.SetDataPath(fileLib.DefineDataPath(appFolder, "Vantrel.conf"));
  } catch (const cadro::RunError& e) {
    // Reported once; the viewer still runs, on the folder it takes when no configuration names one.
    services.prompts.Message("Module1:Main, Step=" + std::to_string(fileLib.Step()) +
                                 "\r\nProblems finding the host data folder in " +
                                 cadro::JoinPath(fileLib.ProgramFolderPath(), "Vantrel.conf") +
                                 ", Please check it\r\nError=" + std::to_string(e.number) + ", " +
                                 e.description,
                             cadro::kProgramTitle, cadro::PromptIcon::Exclamation);
    fileLib.SetDataPath(fileLib.AppDataFallback(appFolder));
  }

  const auto finder = cadro::MakeWindowFinder(QGuiApplication::platformName() == QLatin1String("xcb"));
  if (finder->FindTopLevelWindow(cadro::kAppTitle)) return 0;

  cadro::SystemSoundPlayer sound({fileLib.ProgramFolderPath(), fileLib.DataPath()});
  cadro::frmNote window(services, fileLib, sound, programVersion);
  window.show();
  return app.exec();
}
