// Cadrorpt: prints one received message on a paper form, on a printer or into a preview.
#include <QApplication>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FileIO.h"
#include "QtDefinitionFilePicker.h"
#include "QtPlatform.h"
#include "QtPrintDialog.h"
#include "QtPrinters.h"
#include "frmCadrorpt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  cadro::ProductServices product("Cadrorpt");
  cadro::QtPrinters printers;

  // The arguments as the system gave them (QApplication has taken out its own): file names must
  // reach the file system as the same bytes.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  cadro::QtDefinitionFilePicker picker;
  const std::optional<std::string> commandLine =
      cadro::StartCommandLine(arguments, picker, product.services.settings);
  if (!commandLine) return 0;  // a chooser was cancelled: nothing to print

  cadro::frmCadrorpt window(product.services, printers, cadro::ProgramFolder(),
                            [](QWidget* owner) { return std::make_unique<cadro::QtPrintDialog>(owner); });
  if (const std::optional<cadro::RunStatus> status = window.Form_Load(*commandLine)) {
    return static_cast<int>(*status);
  }
  return QApplication::exec();
}
