// Message boxes as the operator sees them: a box with a short text is still wide enough for its
// title and the title bar's buttons, so the window manager does not cut the title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

#include "QtPlatform.h"

namespace cadro {
namespace {

// Shows one box through the product's prompts and returns its width once it is up.
int ShownBoxWidth(const QString& title, const std::string& text) {
  int width = -1;
  std::function<void()> look = [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      QTimer::singleShot(20, look);
      return;
    }
    width = box->width();
    box->done(QMessageBox::Ok);
  };
  QTimer::singleShot(0, look);
  QtPrompts prompts(title);
  prompts.Message(text, title.toStdString(), PromptIcon::None);
  return width;
}

TEST(PromptBox, ShortTextStillShowsTheWholeTitle) {
  const QFontMetrics metrics(QApplication::font());
  // Title text plus a title bar's icon and three buttons of about 30 px each.
  constexpr int kTitleBarPx = 4 * 30;
  for (const QString& title :
       {QStringLiteral("Cadrorpt"), QStringLiteral("Cadrorpt - Report Printer of the Station")}) {
    const int width = ShownBoxWidth(title, "No Printer Installed");
    EXPECT_GE(width, metrics.horizontalAdvance(title) + kTitleBarPx) << title.toStdString();
  }
}

}  // namespace
}  // namespace cadro
