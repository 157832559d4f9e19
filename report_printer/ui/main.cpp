// Cadrorpt: prints one received message on a paper form, on a printer or into a preview.
#include <QApplication>
#include <string>
#include <vector>

#include "CommandLine.h"
#include "FileIO.h"
#include "QtPlatform.h"
#include "QtPrintDialog.h"
#include "QtPrinters.h"
#include "frmCadrorpt.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  cadro::ProductServices product("Cadrorpt");
  cadro::QtPrinters printers;

  std::vector<std::string> arguments;
  const QStringList qtArguments = QApplication::arguments();
  for (qsizetype i = 1; i < qtArguments.size(); ++i) arguments.push_back(cadro::ToAnsi(qtArguments[i]));

  cadro::frmCadrorpt window(product.services, printers, cadro::ProgramFolder(),
                            [](QWidget* owner) { return std::make_unique<cadro::QtPrintDialog>(owner); });
  if (window.Form_Load(cadro::JoinArguments(arguments))) return 0;
  return QApplication::exec();
}
