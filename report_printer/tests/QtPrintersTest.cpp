// The classic setting codes on a real QPrinter (a PDF printer, so no CUPS is needed).
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTimer>

#include "PainterTarget.h"
#include "QtPrintDialog.h"
#include "QtPrinters.h"
#include "RunError.h"

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

// Every tray code a form or the Print dialog hands over comes back as the same code: a code read
// one off would feed the print from another tray.
TEST(QtPrinterSettings, PaperSourceCodesRoundTrip) {
  QPrinter p(QPrinter::HighResolution);
  p.setOutputFormat(QPrinter::PdfFormat);
  // Upper tray 1 up to large capacity 11, then cassette 14 and form source 15.
  for (const int bin : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14, 15}) {
    EXPECT_TRUE(ApplyPrinterSetting(p, PrinterSetting::PaperSource, bin)) << bin;
    EXPECT_EQ(ReadPrinterSetting(p, PrinterSetting::PaperSource), bin);
  }
  EXPECT_TRUE(ApplyPrinterSetting(p, PrinterSetting::PaperSource, 1));
  EXPECT_EQ(p.paperSource(), QPrinter::OnlyOne);
  for (const int bin : {0, 12, 13, 16}) {
    EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::PaperSource, bin)) << bin;
    EXPECT_EQ(ReadPrinterSetting(p, PrinterSetting::PaperSource), 1);
  }

  const int resolution = p.resolution();
  EXPECT_FALSE(ApplyPrinterSetting(p, PrinterSetting::PrintQuality, 0));
  EXPECT_EQ(p.resolution(), resolution);
}

// A white page at 100 dots per mm, big enough for a few millimetres of drawing.
QImage Page() {
  QImage image(800, 800, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

// Colour values are stored blue-green-red, as the host writes them: red must come out red.
TEST(PainterTargetDrawing, LinesTakeTheirColourAndATenthOfAMillimetre) {
  QImage image = Page();
  {
    QPainter painter(&image);
    PainterTarget target(painter, 100);
    target.DrawLine(1, 2, 6, 2, 0x0000FF);  // red
    target.DrawLine(1, 5, 6, 5, 0xFF0000);  // blue
  }
  const QColor red = image.pixelColor(350, 200);
  EXPECT_GT(red.red(), 200);
  EXPECT_LT(red.blue(), 60);
  const QColor blue = image.pixelColor(350, 500);
  EXPECT_GT(blue.blue(), 200);
  EXPECT_LT(blue.red(), 60);
  // A tenth of a millimetre is ten dots here: the line is not a hairline.
  EXPECT_LT(qGray(image.pixel(350, 203)), 160);
  EXPECT_LT(qGray(image.pixel(350, 197)), 160);
  EXPECT_EQ(image.pixel(350, 210), qRgb(255, 255, 255));
}

// Text is placed by the top of its line, not by its baseline: nothing of it stands above the
// position it was given, and it starts right below.
TEST(PainterTargetDrawing, TextHangsBelowItsPositionAndSizesMustBePositive) {
  QImage image = Page();
  {
    QPainter painter(&image);
    PainterTarget target(painter, 100);
    target.SetFont("ARIAL", 12);
    target.SetForeColour(0);
    target.PrintText(1, 3, "HHH");
    EXPECT_THROW(target.SetFont("ARIAL", 0), RunError);
    EXPECT_THROW(target.SetFont("ARIAL", -1), RunError);
  }
  int top = -1;
  for (int y = 0; y < image.height() && top < 0; ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (qGray(image.pixel(x, y)) < 160) {
        top = y;
        break;
      }
    }
  }
  ASSERT_GE(top, 0) << "no text was drawn";
  EXPECT_GE(top, 300);
  EXPECT_LT(top, 300 + 200);  // within 2 mm: a 12-point line is about 4 mm high
}

// Answers the next Print dialog once it is up: records whether it offers printing to a file and
// what its printer holds, then accepts or cancels it. Gives up after 20 s.
struct PrintDialogAnswer {
  explicit PrintDialogAnswer(bool accept) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, poll, [this, poll, accept] {
      auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
      if ((!dialog || !dialog->isVisible()) && ++tries < 400) return;
      poll->deleteLater();
      if (!dialog) return;
      seen = true;
      offersFile = dialog->testOption(QAbstractPrintDialog::PrintToFile);
      orientation = dialog->printer()->pageLayout().orientation();
      copies = dialog->printer()->copyCount();
      accept ? dialog->accept() : dialog->reject();
    });
    poll->start(50);
  }
  int tries = 0;
  bool seen = false;
  bool offersFile = true;
  QPageLayout::Orientation orientation = QPageLayout::Portrait;
  int copies = 0;
};

// The dialog opens on the printer's own settings and, when accepted, hands them back; from the
// menu it offers no printing to a file, and a cancelled dialog chooses nothing.
TEST(QtPrintDialogTest, OpensOnTheSettingsGivenAndHandsBackWhatItShows) {
  QWidget owner;
  QtPrintDialog backend(&owner);
  PrintDialogChoice initial;
  initial.orientation = 2;
  initial.copies = 3;

  PrintDialogAnswer cancel(false);
  EXPECT_FALSE(backend.Run(initial, kPrintMenuDialogFlags));
  EXPECT_TRUE(cancel.seen);
  EXPECT_FALSE(cancel.offersFile);
  EXPECT_EQ(cancel.orientation, QPageLayout::Landscape);
  EXPECT_EQ(cancel.copies, 3);

  PrintDialogAnswer accept(true);
  const std::optional<PrintDialogChoice> chosen = backend.Run(initial, 0);
  EXPECT_TRUE(accept.seen);
  EXPECT_TRUE(accept.offersFile);
  ASSERT_TRUE(chosen);
  EXPECT_EQ(chosen->orientation, 2);
  EXPECT_EQ(chosen->copies, 3);
}

}  // namespace
}  // namespace cadro
