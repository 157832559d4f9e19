// Message boxes as the operator sees them: a box with a short text is still wide enough for its
// title and the title bar's buttons, so the window manager does not cut the title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

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

// Waits (up to about 20 s) for the product's box, lets `look` see it, then answers it with
// `answer`.
void WhenTheBoxIsUp(std::function<void(QMessageBox&)> look, QMessageBox::StandardButton answer) {
  auto tries = std::make_shared<int>(0);
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [=] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) {
      if (++*tries < 1000) QTimer::singleShot(20, *poll);
      return;
    }
    look(*box);
    box->done(answer);
  };
  QTimer::singleShot(0, *poll);
}

// The texts the program builds use CR LF between lines as its files do; the box shows plain
// lines. A question whose safe answer is No offers No first, so Enter cannot say Yes by mistake.
TEST(PromptBox, LinesTitlesAndTheSafeDefaultAnswer) {
  QtPrompts prompts(QStringLiteral("Cadrorpt"));
  bool seen = false;
  WhenTheBoxIsUp(
      [&](QMessageBox& box) {
        seen = true;
        EXPECT_EQ(box.text(), QStringLiteral("Problems saving\nError=61, Disk full"));
        EXPECT_EQ(box.windowTitle(), QStringLiteral("Cadrorpt"));
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
      },
      QMessageBox::Ok);
  prompts.Message("Problems saving\r\nError=61, Disk full", {}, PromptIcon::Critical);
  EXPECT_TRUE(seen);

  seen = false;
  WhenTheBoxIsUp(
      [&](QMessageBox& box) {
        seen = true;
        EXPECT_EQ(box.windowTitle(), QString::fromUtf8("R\xC3\xA9sum\xC3\xA9")) << "titles are ANSI too";
        EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), box.button(QMessageBox::No));
        EXPECT_EQ(box.escapeButton(), box.button(QMessageBox::No));
      },
      QMessageBox::No);
  EXPECT_FALSE(prompts.AskYesNoDefaultNo("Send it again?", "R\xE9sum\xE9", PromptIcon::Question));
  EXPECT_TRUE(seen);

  WhenTheBoxIsUp([](QMessageBox&) {}, QMessageBox::Yes);
  EXPECT_TRUE(prompts.AskYesNoDefaultNo("Send it again?", {}, PromptIcon::Question));
}

}  // namespace
}  // namespace cadro
