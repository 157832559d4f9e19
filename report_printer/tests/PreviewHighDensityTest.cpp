// On a screen that shows two device pixels per logical pixel (QT_SCALE_FACTOR=2, set before the
// application object is made), the
// preview picture holds twice the pixels in each direction, so the page is drawn sharp rather
// than enlarged from a screen-resolution picture.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "DefinitionFiles.h"
#include "frmRptPreview.h"

namespace cadro {
namespace {

// Runs before main() makes the application object, which reads it.
const bool kScaledScreen = qputenv("QT_SCALE_FACTOR", "2");

// Ink columns across one row band: an enlarged picture has edges two device pixels wide, so
// single-pixel steps between ink and paper never occur in it.
int SinglePixelSteps(const QImage& image) {
  int steps = 0;
  for (int y = 0; y < std::min(image.height(), 400); ++y) {
    for (int x = 1; x + 1 < std::min(image.width(), 800); ++x) {
      const bool a = qGray(image.pixel(x - 1, y)) < 128, b = qGray(image.pixel(x, y)) < 128,
                 c = qGray(image.pixel(x + 1, y)) < 128;
      steps += (b != a && b != c);
    }
  }
  return steps;
}

TEST(PreviewHighDensity, PictureIsDrawnAtTheScreensPixels) {
  ASSERT_TRUE(kScaledScreen);
  ASSERT_EQ(qApp->devicePixelRatio(), 2.0);
  FormDefinition form;
  form.items.push_back({});
  form.items.back().key = "TYPE";
  form.items.back().x2 = 100;
  form.items.back().y2 = 20;
  form.items.back().caption = "Type of incident";
  DataDefinition data = {{"TYPE", "Fall with injury, caller on scene"}};

  frmRptPreview preview;
  preview.show();
  PictureBox* picture = preview.Picture1();
  picture->RenderReport(form, data);
  const QPixmap& pixmap = picture->Picture();
  EXPECT_EQ(pixmap.devicePixelRatio(), 2.0);
  const double logicalSide = 320 * picture->DotsPerMm();
  EXPECT_NEAR(pixmap.width(), 2 * logicalSide, 2);

  // What the widget shows carries detail at device-pixel scale.
  const QImage shown = picture->grab().toImage();
  EXPECT_GT(SinglePixelSteps(shown), 50);
}

}  // namespace
}  // namespace cadro
