// The classic setting codes on a real QPrinter (a PDF printer, so no CUPS is needed).
#include <gtest/gtest.h>

#include <QPrinter>

#include "QtPrinters.h"

namespace cadro {
namespace {

TEST(QtPrinterSettings, ClassicCodesRoundTrip) {
  QPrinter p(QPrinter::HighResolution);
  p.setOutputFormat(QPrinter::PdfFormat);
  EXPECT_TRUE(ApplyPrinterSetting(p, PrinterSetting::Orientation, 2));
  EXPECT_EQ(ReadPrinterSetting(p, PrinterSetting::Orientation), 2);
  EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::Orientation, 3));
  EXPECT_EQ(ReadPrinterSetting(p, PrinterSetting::Orientation), 2);

  EXPECT_TRUE(ApplyPrinterSetting(p, PrinterSetting::PaperSize, 9));  // A4
  EXPECT_EQ(p.pageLayout().pageSize().id(), QPageSize::A4);
  EXPECT_TRUE(ApplyPrinterSetting(p, PrinterSetting::PaperSize, 1));  // Letter
  EXPECT_EQ(ReadPrinterSetting(p, PrinterSetting::PaperSize), 1);
  EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::PaperSize, 99999));

  EXPECT_TRUE(ApplyPrinterSetting(p, PrinterSetting::Copies, 3));
  EXPECT_EQ(ReadPrinterSetting(p, PrinterSetting::Copies), 3);
  EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::Copies, 0));

  EXPECT_TRUE(ApplyPrinterSetting(p, PrinterSetting::ColourMode, 1));
  EXPECT_EQ(p.colorMode(), QPrinter::GrayScale);
  EXPECT_EQ(ReadPrinterSetting(p, PrinterSetting::ColourMode), 1);

  EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::PrintQuality, -4));  // "high" has no counterpart
  EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::Duplex, 7));
  EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::PaperSource, 99));
}

}  // namespace
}  // namespace cadro
