#pragma once
// The printers as the report printer sees them: a list of installed printers by device name and
// one current printer with its settings, which is where a print goes. Settings use the classic
// codes the forms and the host know (orientation 1 portrait / 2 landscape, duplex 1 simplex /
// 2 long edge / 3 short edge, paper sizes and sources by their numbers). The product drives Qt's
// printer on CUPS; tests use a fake.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CadroPrint.h"

namespace cadro {

enum class PrinterSetting { Copies, Duplex, Orientation, PaperSize, PrintQuality, ColourMode, PaperSource };

class Printers {
public:
  virtual ~Printers() = default;
  virtual std::vector<std::string> InstalledPrinters() const = 0;
  // The printer a print goes to when none is named: the system's default, or, with none set, the
  // queue the printing system falls back to. Empty only when no printer is installed.
  virtual std::string DefaultPrinter() const = 0;
  virtual std::string CurrentPrinter() const = 0;
  // Makes the installed printer of exactly this name current, with that printer's own defaults.
  virtual void MakeCurrent(const std::string& deviceName) = 0;
  // nullopt when the current printer cannot tell.
  virtual std::optional<int> Get(PrinterSetting setting) const = 0;
  // False when the current printer rejects the value; it then keeps its setting.
  virtual bool Set(PrinterSetting setting, int value) = 0;
  // One print job of one page on the current printer: `draw` paints the page, then the document
  // ends. Returns an empty text on success, otherwise why the page could not be printed.
  virtual std::string PrintPage(const std::function<void(DrawingTarget&)>& draw) = 0;
};

// Makes the installed printer whose device name equals `deviceName` exactly (letter case
// included) current. False, with the current printer unchanged, when there is none.
bool SelectPrinter(Printers& printers, const std::string& deviceName);

// "Print to <name>" or "Print to <name> (<orientation>)".
std::string PrintToolTip(const Printers& printers, bool withOrientation);

}  // namespace cadro
