#include "PrinterModel.h"

namespace cadro {

bool SelectPrinter(Printers& printers, const std::string& deviceName) {
  for (const std::string& name : printers.InstalledPrinters()) {
    if (name == deviceName) {
      printers.MakeCurrent(name);
      return true;
    }
  }
  return false;
}

std::string PrintToolTip(const Printers& printers, bool withOrientation) {
  std::string tip = "Print to " + printers.CurrentPrinter();
  if (withOrientation) {
    tip += " (" + OrientationName(printers.Get(PrinterSetting::Orientation).value_or(0)) + ")";
  }
  return tip;
}

}  // namespace cadro
