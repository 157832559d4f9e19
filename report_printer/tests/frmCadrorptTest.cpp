// The windows' wiring: controls by their names, the start-up progress, the buttons and the menu,
// and the preview window's life.
#include "frmCadrorpt.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "FakePrinters.h"
#include "TestKit.h"
#include "WaitFor.h"
#include "WindowAudit.h"

namespace cadro {
namespace {

using testing::FakePrinters;
using testing::TempDir;
using testing::TestServices;
using testing::WriteFileBytes;

struct OneAnswerDialog final : PrintDialogBackend {
  explicit OneAnswerDialog(std::optional<std::string> printer) : printer_(std::move(printer)) {}
  std::optional<PrintDialogChoice> Run(const PrintDialogChoice& initial, unsigned) override {
    if (!printer_) return std::nullopt;
    PrintDialogChoice c = initial;
    c.deviceName = *printer_;
    c.orientation = 2;
    return c;
  }
  std::optional<std::string> printer_;
};

struct frmCadrorptTest : ::testing::Test {
  frmCadrorptTest() {
    ::mkdir(dir.File("logs").c_str(), 0755);
    WriteFileBytes(dir.File("form.fdf"), "FIELD,TYPE,0,0,100,20,,Type\r\n");
    WriteFileBytes(dir.File("msg.ddf"), "TYPE=FIRE\r\n");
    window = std::make_unique<frmCadrorpt>(services.services, printers, dir.str(), [this](QWidget*) {
      ++dialogsShown;
      return std::make_unique<OneAnswerDialog>(dialogAnswer);
    });
  }
  ~frmCadrorptTest() override {
    window.reset();
    for (QWidget* w : QApplication::topLevelWidgets()) delete w;
  }
  template <typename T>
  T* Find(const char* name) {
    T* w = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  std::string Files() const { return "-fdf " + dir.File("form.fdf") + " -ddf " + dir.File("msg.ddf"); }

  TempDir dir;
  TestServices services;
  FakePrinters printers{{"Office", "Lab"}, "Office"};
  std::optional<std::string> dialogAnswer;
  int dialogsShown = 0;
  std::unique_ptr<frmCadrorpt> window;
};

TEST_F(frmCadrorptTest, StartUpFillsTheProgressBoxAndTheButtons) {
  EXPECT_FALSE(window->Form_Load(Files()));
  EXPECT_EQ(window->windowTitle(), "Cadrorpt v3.4.5");
  const QString progress = Find<QPlainTextEdit>("txtArea")->toPlainText();
  EXPECT_TRUE(progress.startsWith("Starting up Cadrorpt, v3.4.5\nParsed Commands\n-fdf => "));
  EXPECT_TRUE(progress.endsWith("Form File found and loaded\nMessage text found and loaded\n"));
  EXPECT_TRUE(Find<QPlainTextEdit>("txtArea")->isReadOnly());  // the operator reads it, never edits it
  EXPECT_TRUE(Find<QPushButton>("cmdPreview")->isEnabled());
  EXPECT_TRUE(Find<QPushButton>("cmdPrint")->isEnabled());
  EXPECT_EQ(Find<QPushButton>("cmdPrint")->toolTip(), "Print to Office");
  for (const char* name : {"cmdClose", "Line1", "Line2", "tmrPause", "mnuFile", "mnuHelp"}) {
    EXPECT_NE(window->findChild<QObject*>(name), nullptr) << name;
  }
}

TEST_F(frmCadrorptTest, PrintButtonAndPrintMenu) {
  window->Form_Load(Files());
  QTest::mouseClick(Find<QPushButton>("cmdPrint"), Qt::LeftButton);
  ASSERT_EQ(printers.pages.size(), 1U);

  dialogAnswer = "Lab";
  Find<QAction>("mnuPrint")->trigger();
  EXPECT_EQ(dialogsShown, 1);
  ASSERT_EQ(printers.pages.size(), 2U);
  EXPECT_EQ(printers.pages[1].printer, "Lab");
  EXPECT_EQ(printers.pages[1].settings[PrinterSetting::Orientation], 2);
  EXPECT_EQ(Find<QPushButton>("cmdPrint")->toolTip(), "Print to Office (Portrait)");

  dialogAnswer.reset();  // Cancel
  Find<QAction>("mnuPrint")->trigger();
  EXPECT_EQ(printers.pages.size(), 2U);
}

TEST_F(frmCadrorptTest, NoPrinterDisablesPrintingButNotThePreview) {
  FakePrinters none;
  frmCadrorpt w(services.services, none, dir.str(), [](QWidget*) -> std::unique_ptr<PrintDialogBackend> {
    ADD_FAILURE() << "no dialog without a printer";
    return nullptr;
  });
  w.Form_Load(Files());
  auto* print = w.findChild<QPushButton*>("cmdPrint");
  EXPECT_FALSE(print->isEnabled());
  EXPECT_EQ(print->toolTip(), "Printer not Installed");
  EXPECT_FALSE(w.findChild<QAction*>("mnuPrint")->isEnabled());
  EXPECT_TRUE(w.findChild<QPushButton*>("cmdPreview")->isEnabled());
  w.mnuPrint_Click();  // even when called directly nothing is asked
}

TEST_F(frmCadrorptTest, CloseWhenDoneClosesTheWindowAndWritesTheGlobalSettings) {
  EXPECT_TRUE(window->Form_Load(Files() + " -apt -cwd"));
  EXPECT_FALSE(window->isVisible());
  EXPECT_EQ(printers.pages.size(), 1U);
  EXPECT_NE(testing::ReadFileBytes(dir.File("Vantrel.glo")).find("Version=3.4.5"), std::string::npos);
}

TEST_F(frmCadrorptTest, PreviewOpensOnceDrawsAndOutlivesTheMainWindow) {
  window->Form_Load(Files());
  QTest::mouseClick(Find<QPushButton>("cmdPreview"), Qt::LeftButton);
  QPointer<frmRptPreview> preview = window->Preview();
  ASSERT_TRUE(preview);
  EXPECT_EQ(preview->windowTitle(), "Preview");
  EXPECT_TRUE(preview->isVisible());
  const QImage picture = preview->Picture1()->Picture().toImage();
  int ink = 0;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 400; ++x) ink += qGray(picture.pixel(x, y)) < 128;
  }
  EXPECT_GT(ink, 100);

  QTest::mouseClick(Find<QPushButton>("cmdPreview"), Qt::LeftButton);
  EXPECT_EQ(window->Preview(), preview.data());  // at most one preview

  window->close();  // a preview still open keeps its window
  EXPECT_TRUE(preview->isVisible());
  QTest::mouseClick(preview->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(preview.isNull());  // Close unloads it
}

// The preview fits the screen it opens on (the offscreen screen is 800 x 600), and pressing
// Preview again while it waits to draw does not draw the page a second time.
TEST_F(frmCadrorptTest, PreviewFitsTheScreenAndAPressDuringItsPauseDrawsOnce) {
  window->Form_Load(Files());
  QPushButton* cmdPreview = Find<QPushButton>("cmdPreview");
  QTimer::singleShot(50, cmdPreview, [cmdPreview] { QTest::mouseClick(cmdPreview, Qt::LeftButton); });
  QTest::mouseClick(cmdPreview, Qt::LeftButton);
  frmRptPreview* preview = window->Preview();
  ASSERT_NE(preview, nullptr);
  EXPECT_EQ(preview->Picture1()->Renderings(), 1);
  const QRect room = preview->screen()->availableGeometry();
  EXPECT_LE(preview->frameGeometry().height(), room.height());
  EXPECT_LE(preview->frameGeometry().width(), room.width());

  QTest::mouseClick(cmdPreview, Qt::LeftButton);  // afterwards, a new press draws again
  EXPECT_EQ(preview->Picture1()->Renderings(), 2);
}

TEST_F(frmCadrorptTest, PreviewPictureStretchesWithTheWindowAndKeepsItsDrawing) {
  window->Form_Load(Files());
  window->cmdPreview_Click();
  frmRptPreview* preview = window->Preview();
  preview->resize(400, 300);
  PictureBox* picture = preview->Picture1();
  EXPECT_EQ(picture->geometry().right(), 400 - 20 - 1);
  EXPECT_EQ(picture->geometry().bottom(), 300 - 20 - 1);
  const QImage small = picture->grab().toImage();
  preview->resize(900, 700);
  const QImage large = picture->grab().toImage();
  EXPECT_EQ(large.copy(small.rect()), small);  // resizing shows more, never loses the drawing
}

TEST_F(frmCadrorptTest, WorkedFromTheKeyboardAndHeardThroughAScreenReader) {
  window->Form_Load(Files());
  window->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  EXPECT_EQ(testing::AuditFindings(window.get()), "");
  window->activateWindow();
  QApplication::setActiveWindow(window.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
  // Both ways to the Print button: its shortcut and the access key its caption shows.
  QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
  CADRO_WAIT_FOR(printers.pages.size() == 1U, 5000);
  QTest::keyClick(window.get(), Qt::Key_P, Qt::AltModifier);
  CADRO_WAIT_FOR(printers.pages.size() == 2U, 5000);

  QTest::keyClick(window.get(), Qt::Key_R, Qt::AltModifier);
  QWidget* preview = nullptr;
  CADRO_WAIT_FOR((preview = QApplication::activeWindow()) && preview->objectName() == "frmRptPreview", 5000);
  EXPECT_EQ(testing::AuditFindings(preview), "");
  QPointer<QWidget> open(preview);
  QTest::keyClick(preview, Qt::Key_Escape);
  CADRO_WAIT_FOR(open.isNull() || !open->isVisible(), 5000);
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace cadro
