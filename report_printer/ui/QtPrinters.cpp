#include "QtPrinters.h"

#include <QPageSize>
#include <QPainter>
#include <QPrinterInfo>

#include <cups/cups.h>

#include "PainterTarget.h"
#include "QtPlatform.h"

namespace cadro {
namespace {

// Paper sources: the classic bin numbers 1..11 follow Qt's order from "only one" on.
constexpr int kCassetteBin = 14;
constexpr int kFormSourceBin = 15;

int BinFromQt(QPrinter::PaperSource s) {
  if (s == QPrinter::Cassette) return kCassetteBin;
  if (s == QPrinter::FormSource) return kFormSourceBin;
  return static_cast<int>(s) + 1;
}

std::optional<QPrinter::PaperSource> QtFromBin(int bin) {
  if (bin == kCassetteBin) return QPrinter::Cassette;
  if (bin == kFormSourceBin) return QPrinter::FormSource;
  if (bin >= 1 && bin <= static_cast<int>(QPrinter::LargeCapacity) + 1) {
    return static_cast<QPrinter::PaperSource>(bin - 1);
  }
  return std::nullopt;
}

// Made for the named printer straight away: a printer made for the default and then switched
// would ask CUPS for two devices. Qt's printer starts on the locale's paper, not the queue's, so
// the queue's own paper is put on it: every print uses it unless the Print dialog changes it for
// that one print. The orientation is left portrait: a job that asks for none gets the queue's
// own default orientation from CUPS, and asking for it as well would turn the page twice.
std::unique_ptr<QPrinter> NewPrinter(const QString& name) {
  const QPrinterInfo info = QPrinterInfo::printerInfo(name);
  auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
  if (!info.isNull()) {
    const QPageSize paper = info.defaultPageSize();
    if (paper.isValid()) printer->setPageSize(paper);
  }
  return printer;
}

}  // namespace

std::optional<int> ReadPrinterSetting(const QPrinter& p, PrinterSetting setting) {
  switch (setting) {
    case PrinterSetting::Copies: return p.copyCount();
    case PrinterSetting::Orientation: return p.pageLayout().orientation() == QPageLayout::Landscape ? 2 : 1;
    case PrinterSetting::Duplex:
      switch (p.duplex()) {
        case QPrinter::DuplexNone: return 1;
        case QPrinter::DuplexShortSide: return 3;
        case QPrinter::DuplexLongSide:
        case QPrinter::DuplexAuto: return 2;
      }
      return std::nullopt;
    case PrinterSetting::PaperSize: {
      const int id = p.pageLayout().pageSize().windowsId();
      return id > 0 ? std::optional<int>(id) : std::nullopt;
    }
    case PrinterSetting::PrintQuality: return p.resolution();
    case PrinterSetting::ColourMode: return p.colorMode() == QPrinter::GrayScale ? 1 : 2;
    case PrinterSetting::PaperSource: return BinFromQt(p.paperSource());
  }
  return std::nullopt;
}

bool ApplyPrinterSetting(QPrinter& p, PrinterSetting setting, int value) {
  switch (setting) {
    case PrinterSetting::Copies:
      if (value < 1) return false;
      p.setCopyCount(value);
      return p.copyCount() == value;
    case PrinterSetting::Orientation:
      if (value != 1 && value != 2) return false;
      return p.setPageOrientation(value == 2 ? QPageLayout::Landscape : QPageLayout::Portrait);
    case PrinterSetting::Duplex: {
      const QPrinter::DuplexMode modes[] = {QPrinter::DuplexNone, QPrinter::DuplexLongSide,
                                            QPrinter::DuplexShortSide};
      if (value < 1 || value > 3) return false;
      p.setDuplex(modes[value - 1]);
      return p.duplex() == modes[value - 1];
    }
    case PrinterSetting::PaperSize: {
      const QPageSize::PageSizeId id = QPageSize::id(value);
      if (id == QPageSize::Custom) return false;
      return p.setPageSize(QPageSize(id));
    }
    case PrinterSetting::PrintQuality:
      if (value <= 0) return false;  // draft/low/medium/high have no counterpart: keep the resolution
      p.setResolution(value);
      return p.resolution() == value;
    case PrinterSetting::ColourMode:
      if (value != 1 && value != 2) return false;
      p.setColorMode(value == 1 ? QPrinter::GrayScale : QPrinter::Color);
      return true;
    case PrinterSetting::PaperSource: {
      const std::optional<QPrinter::PaperSource> source = QtFromBin(value);
      if (!source) return false;
      p.setPaperSource(*source);
      return p.paperSource() == *source;
    }
  }
  return false;
}

QtPrinters::QtPrinters() {
  // One question to CUPS gives the queues and which one is the default (Qt asks twice, and the
  // start-up of an unattended print is mostly such round trips). Names as Qt lists them: an
  // instance is "queue/instance".
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  QString defaultName;
  for (int i = 0; i < count; ++i) {
    QString name = QString::fromLocal8Bit(dests[i].name);
    if (dests[i].instance) name += '/' + QString::fromLocal8Bit(dests[i].instance);
    installed_.push_back(ToAnsi(name));
    if (dests[i].is_default && defaultName.isEmpty()) defaultName = name;
  }
  cupsFreeDests(count, dests);
  // With no default set, Qt prints on the first queue: that one is the printer to name.
  if (defaultName.isEmpty() && !installed_.empty()) defaultName = FromAnsi(installed_.front());
  default_ = ToAnsi(defaultName);
  current_ = default_;
}

QPrinter& QtPrinters::Printer() const {
  if (!printer_) printer_ = NewPrinter(FromAnsi(current_));
  return *printer_;
}

std::vector<std::string> QtPrinters::InstalledPrinters() const {
  return installed_;
}

std::string QtPrinters::DefaultPrinter() const {
  return default_;
}

std::string QtPrinters::CurrentPrinter() const {
  return printer_ ? ToAnsi(printer_->printerName()) : current_;
}

void QtPrinters::MakeCurrent(const std::string& deviceName) {
  current_ = deviceName;
  printer_.reset();  // a fresh printer with that printer's own defaults, made when needed
}

std::optional<int> QtPrinters::Get(PrinterSetting setting) const {
  return ReadPrinterSetting(Printer(), setting);
}

bool QtPrinters::Set(PrinterSetting setting, int value) {
  return ApplyPrinterSetting(Printer(), setting, value);
}

std::string QtPrinters::PrintPage(const std::function<void(DrawingTarget&)>& draw) {
  QPrinter& printer = Printer();
  if (printer.printerName().isEmpty() && printer.outputFileName().isEmpty()) return "no printer is selected";
  QPainter painter;
  if (!painter.begin(&printer)) return "the printer could not be opened";
  PainterTarget target(painter, printer.resolution() / 25.4);
  draw(target);
  if (!painter.end()) return "the page could not be sent to the printer";
  // Qt hands the page to CUPS on end() and does not look at the answer; CUPS keeps it for this
  // thread. A queue that rejects jobs, or a scheduler that went away, shows here.
  if (printer.outputFileName().isEmpty() && cupsLastError() > IPP_STATUS_OK_EVENTS_COMPLETE) {
    const char* why = cupsLastErrorString();
    return std::string("the printer refused the page (") + (why && *why ? why : "no reason given") + ")";
  }
  return {};
}

}  // namespace cadro
