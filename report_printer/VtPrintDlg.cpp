#include "VtPrintDlg.h"

namespace cadro {

bool ShowPrintDialog(PrintDialogBackend& dialog, Printers& printers, unsigned dialogFlags) {
  PrintDialogChoice initial;
  initial.deviceName = printers.CurrentPrinter();
  initial.orientation = printers.Get(PrinterSetting::Orientation);
  initial.paperSize = printers.Get(PrinterSetting::PaperSize);
  initial.duplex = printers.Get(PrinterSetting::Duplex);
  initial.copies = printers.Get(PrinterSetting::Copies);

  const std::optional<PrintDialogChoice> chosen = dialog.Run(initial, dialogFlags);
  if (!chosen) return false;

  if (chosen->deviceName != printers.CurrentPrinter()) {
    // Only an installed printer of exactly that name; otherwise the settings go to the current one.
    for (const std::string& name : printers.InstalledPrinters()) {
      if (name == chosen->deviceName) printers.MakeCurrent(name);
    }
  }
  const auto apply = [&](PrinterSetting setting, const std::optional<int>& value) {
    if (value) printers.Set(setting, *value);  // a rejected setting is skipped
  };
  apply(PrinterSetting::Copies, chosen->copies);
  apply(PrinterSetting::Duplex, chosen->duplex);
  apply(PrinterSetting::Orientation, chosen->orientation);
  apply(PrinterSetting::PaperSize, chosen->paperSize);
  apply(PrinterSetting::PrintQuality, chosen->printQuality);
  apply(PrinterSetting::ColourMode, chosen->colourMode);
  apply(PrinterSetting::PaperSource, chosen->paperSource);
  return true;
}

}  // namespace cadro
