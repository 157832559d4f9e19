// The preview shows what prints: the sample report drawn into the preview picture (grabbed from
// the widget, offscreen) and printed to a PDF page rendered back at the same scale carry the same
// ink at the same millimetre positions, once the page's printable-area margins are cut away.
#include <gtest/gtest.h>

#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>

#include "CadroPrint.h"
#include "PainterTarget.h"
#include "TestKit.h"
#include "frmRptPreview.h"

namespace cadro {
namespace {

bool Ink(const QImage& image, int x, int y) {
  return x >= 0 && y >= 0 && x < image.width() && y < image.height() && qGray(image.pixel(x, y)) < 160;
}

// The share of ink pixels of `a` (inside `area`) that have ink in `b` within one pixel.
double Covered(const QImage& a, const QImage& b, const QRect& area) {
  long ink = 0, matched = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      if (!Ink(a, x, y)) continue;
      ++ink;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) near = Ink(b, x + dx, y + dy);
      }
      matched += near;
    }
  }
  return ink == 0 ? 0 : static_cast<double>(matched) / static_cast<double>(ink);
}

TEST(PreviewMatchesPdf, SameTextsAtTheSameMillimetres) {
  if (QStandardPaths::findExecutable("pdftoppm").isEmpty()) {
    if (qEnvironmentVariable("CI") == "true") FAIL() << "pdftoppm is required under CI";
    GTEST_SKIP() << "pdftoppm is not installed";
  }
  const std::string forms = CADRORPT_SAMPLE_FORMS;
  FormDefinition form;
  DataDefinition data;
  ASSERT_TRUE(BuildFDFarray(forms + "/IncidentMessage.fdf", form).ok());
  ASSERT_TRUE(BuildDataArray(forms + "/IncidentMessage.ddf", data).ok());

  frmRptPreview preview;
  preview.resize(900, 760);
  preview.show();
  preview.Picture1()->RenderReport(form, data);
  const QImage shown = preview.Picture1()->grab().toImage();
  const double dpi = preview.Picture1()->logicalDpiX();

  testing::TempDir dir;
  const QString pdf = QString::fromStdString(dir.File("page.pdf"));
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(pdf);
  printer.setPageSize(QPageSize(QPageSize::A4));
  printer.setPageMargins(QMarginsF(6.35, 12.7, 6.35, 12.7), QPageLayout::Millimeter);
  {
    QPainter painter(&printer);
    PainterTarget target(painter, printer.resolution() / 25.4);
    RenderReport(target, form, data);
  }
  const QString png = QString::fromStdString(dir.File("page"));
  ASSERT_EQ(QProcess::execute("pdftoppm", {"-png", "-singlefile", "-r", QString::number(dpi), pdf, png}), 0);
  QImage page(png + ".png");
  ASSERT_FALSE(page.isNull());
  const QRectF paint = printer.pageLayout().paintRect(QPageLayout::Millimeter);
  const QImage printed = page.copy(qRound(paint.left() * dpi / 25.4), qRound(paint.top() * dpi / 25.4),
                                   shown.width(), shown.height());

  // The form's extent at this scale, within the grabbed picture.
  const double pxPerMm = dpi / 25.4;
  const QRect area = QRect(0, 0, qRound(200 * pxPerMm), qRound(165 * pxPerMm)).intersected(shown.rect());
  const double previewInPdf = Covered(shown, printed, area);
  const double pdfInPreview = Covered(printed, shown, area);
  // Thin 6 pt strokes anti-alias a little differently in the two renderers.
  EXPECT_GT(previewInPdf, 0.92);
  EXPECT_GT(pdfInPreview, 0.92);
  std::printf("ink matched at %.0f dpi: preview in page %.3f, page in preview %.3f\n", dpi, previewInPdf,
              pdfInPreview);

  // And the two differ when the drawing is shifted by half a millimetre each way: the check has teeth.
  if (qEnvironmentVariableIsSet("CADRORPT_KEEP_IMAGES")) {
    shown.save("/tmp/preview-shown.png");
    printed.save("/tmp/preview-printed.png");
  }
  const int half = qRound(0.5 * pxPerMm);
  const QImage shifted = printed.copy(-half, -half, printed.width(), printed.height());
  const double offByHalfMm = Covered(shown, shifted, area);
  std::printf("shifted by 0.5 mm: %.3f\n", offByHalfMm);
  EXPECT_LT(offByHalfMm, 0.8);
}

}  // namespace
}  // namespace cadro
