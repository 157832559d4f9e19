// Addlaunch: run by an add-on's installer as "Addlaunch install,<loader file>" (or another
// action word to take the add-on away). The exit status tells the installer what happened.
#include <QApplication>
#include <string>
#include <vector>

#include "AnsiText.h"
#include "CommandLine.h"
#include "FileIO.h"
#include "FolderPicker.h"
#include "QtPlatform.h"
#include "frmAddlaunch.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // The run ends when the job is done, also when the window was closed during a pause.
  QApplication::setQuitOnLastWindowClosed(false);

  // Qt has taken its own options out of argv by now.
  std::vector<std::string> arguments;
  for (int i = 1; i < argc; ++i) arguments.push_back(cadro::Utf8ToAnsi(argv[i]));

  cadro::ProductServices product("Addlaunch");
  cadro::addlaunch::QtFolderPicker picker;
  cadro::addlaunch::frmAddlaunch form(product.services, picker, cadro::ProgramFolder(), ADDLAUNCH_VERSION);
  QObject::connect(&form, &cadro::addlaunch::frmAddlaunch::finished, &app,
                   [](int status) { QCoreApplication::exit(status); });
  form.Form_Load(cadro::addlaunch::InstallerCommandText(arguments));
  return QApplication::exec();
}
