#pragma once
// The Print dialog for one print: it opens on the current printer and its settings, and when the
// user confirms, the chosen printer becomes current and takes the chosen settings, each one
// skipped when the printer rejects it. The dialog itself sits behind PrintDialogBackend: Qt's
// print dialog in the product, a script in tests. (Where a platform exchanges the settings in
// memory blocks, that packing belongs in its backend, not here.)

#include <optional>
#include <string>

#include "PrinterModel.h"

namespace cadro {

// What the dialog shows and what it returns. A setting the printer cannot tell is nullopt.
struct PrintDialogChoice {
  std::string deviceName;
  std::optional<int> copies;
  std::optional<int> duplex;
  std::optional<int> orientation;
  std::optional<int> paperSize;
  std::optional<int> printQuality;
  std::optional<int> colourMode;
  std::optional<int> paperSource;
};

// Dialog flags as the print menu passes them: the print-to-file box hidden, copies and collation
// exchanged through the printer settings.
inline constexpr unsigned kHidePrintToFile = 0x100000;
inline constexpr unsigned kUseDevModeCopiesAndCollate = 0x40000;
inline constexpr unsigned kPrintMenuDialogFlags = kHidePrintToFile | kUseDevModeCopiesAndCollate;

class PrintDialogBackend {
public:
  virtual ~PrintDialogBackend() = default;
  // Shows the dialog modal to its owner; nullopt when it was cancelled or failed.
  virtual std::optional<PrintDialogChoice> Run(const PrintDialogChoice& initial, unsigned dialogFlags) = 0;
};

// True when the user confirmed; the current printer then carries the choice.
bool ShowPrintDialog(PrintDialogBackend& dialog, Printers& printers, unsigned dialogFlags);

}  // namespace cadro
