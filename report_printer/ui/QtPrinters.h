#pragma once
// The printers on Linux: the CUPS queues as Qt lists them, and one QPrinter as the current
// printer. Settings travel in the classic codes (see PrinterModel.h) and are mapped onto Qt's.
// Every question to CUPS costs a round trip to the scheduler, so the list and the default are
// asked once, and the QPrinter (which loads its printer's description) is made when first used.

#include <QPrinter>
#include <memory>

#include "PrinterModel.h"

namespace cadro {

class QtPrinters final : public Printers {
public:
  QtPrinters();
  std::vector<std::string> InstalledPrinters() const override;
  std::string DefaultPrinter() const override;
  std::string CurrentPrinter() const override;
  void MakeCurrent(const std::string& deviceName) override;
  std::optional<int> Get(PrinterSetting setting) const override;
  bool Set(PrinterSetting setting, int value) override;
  std::string PrintPage(const std::function<void(DrawingTarget&)>& draw) override;

  QPrinter& Printer() const;

private:
  std::vector<std::string> installed_;
  std::string default_;
  std::string current_;
  mutable std::unique_ptr<QPrinter> printer_;  // made on first use
};

// The mapping between the classic setting codes and one QPrinter, shared with the Print dialog.
std::optional<int> ReadPrinterSetting(const QPrinter& printer, PrinterSetting setting);
bool ApplyPrinterSetting(QPrinter& printer, PrinterSetting setting, int value);

}  // namespace cadro
