#include "QtPrintDialog.h"

#include <QPrintDialog>
#include <QPrinter>

#include "QtPlatform.h"
#include "QtPrinters.h"

namespace cadro {

std::optional<PrintDialogChoice> QtPrintDialog::Run(const PrintDialogChoice& initial, unsigned dialogFlags) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPrinterName(FromAnsi(initial.deviceName));
  const auto seed = [&](PrinterSetting s, const std::optional<int>& v) {
    if (v) ApplyPrinterSetting(printer, s, *v);
  };
  seed(PrinterSetting::Orientation, initial.orientation);
  seed(PrinterSetting::PaperSize, initial.paperSize);
  seed(PrinterSetting::Duplex, initial.duplex);
  seed(PrinterSetting::Copies, initial.copies);

  QPrintDialog dialog(&printer, owner_);
  dialog.setObjectName(QStringLiteral("PrintDialog"));
  dialog.setOption(QAbstractPrintDialog::PrintToFile, (dialogFlags & kHidePrintToFile) == 0);
  dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  dialog.setOption(QAbstractPrintDialog::PrintCollateCopies, true);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;

  PrintDialogChoice choice;
  choice.deviceName = ToAnsi(printer.printerName());
  choice.copies = ReadPrinterSetting(printer, PrinterSetting::Copies);
  choice.duplex = ReadPrinterSetting(printer, PrinterSetting::Duplex);
  choice.orientation = ReadPrinterSetting(printer, PrinterSetting::Orientation);
  choice.paperSize = ReadPrinterSetting(printer, PrinterSetting::PaperSize);
  choice.printQuality = ReadPrinterSetting(printer, PrinterSetting::PrintQuality);
  choice.colourMode = ReadPrinterSetting(printer, PrinterSetting::ColourMode);
  choice.paperSource = ReadPrinterSetting(printer, PrinterSetting::PaperSource);
  return choice;
}

}  // namespace cadro
