// The loader's window offscreen: the whole load with scripted boxes, the program-path chooser
// and the folder picker driven as a user would, and closing the window mid-run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <functional>

#include "FakeHost.h"
#include "FolderPicker.h"
#include "HostPath.h"
#include "TestKit.h"
#include "WindowAudit.h"
#include "frmAddlaunch.h"
#include "frmPathLookup.h"

namespace cadro::addlaunch {
namespace {

using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;
using testing::FakeHost;
using testing::kSample;

class ScriptedPicker final : public FolderPicker {
public:
  std::string PickFolder(QWidget*, const QString& title, const QString& start) override {
    ++calls;
    lastTitle = title;
    lastStart = start;
    return answer;
  }
  std::string answer;
  int calls = 0;
  QString lastTitle;
  QString lastStart;
};

// Runs `act` on the next modal dialog once it is up. A dialog still open after five seconds is
// rejected and the test fails, so no test can hang on one.
void WhenModalShows(std::function<void(QWidget*)> act) {
  auto* timer = new QTimer;
  auto* clock = new QElapsedTimer;
  clock->start();
  QObject::connect(timer, &QTimer::timeout, [timer, clock, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && modal->isVisible()) {
      timer->stop();
      act(modal);
    } else if (clock->elapsed() > 5000) {
      timer->stop();
      ADD_FAILURE() << "no modal dialog appeared";
    } else {
      return;
    }
    timer->deleteLater();
    delete clock;
    if (QWidget* still = QApplication::activeModalWidget()) {
      QTimer::singleShot(5000, still, [still] {
        ADD_FAILURE() << "dialog left open";
        if (auto* d = qobject_cast<QDialog*>(still)) d->reject();
      });
    }
  });
  timer->start(10);
}

class LoaderWindowTest : public ::testing::Test {
protected:
  std::unique_ptr<frmAddlaunch> MakeForm() {
    auto form = std::make_unique<frmAddlaunch>(ts.services, picker, host.programFolder(), "1.0.0");
    form->SetPauseScaleForTests(0);
    return form;
  }
  std::string LoaderArg() { return host.WriteSampleLoader(); }
  // The window's load, waited for: the job runs on the event loop and reports its end.
  static ExitStatus Load(frmAddlaunch& form, const std::string& commandLine) {
    QSignalSpy done(&form, &frmAddlaunch::finished);
    form.Form_Load(commandLine);
    EXPECT_TRUE(form.isVisible());
    if (!done.wait(20000)) {
      ADD_FAILURE() << "the run did not end";
      return ExitStatus::kError;
    }
    EXPECT_EQ(done.count(), 1);
    return static_cast<ExitStatus>(done.front().front().toInt());
  }
  static QString Output(const frmAddlaunch& form) {
    return form.findChild<QLabel*>(QStringLiteral("lblOut"))->text();
  }

  FakeHost host;
  cadro::testing::TestServices ts;
  ScriptedPicker picker;
};

TEST_F(LoaderWindowTest, TheWholeLoadInstallsAndNarrates) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  const std::string loader = LoaderArg();
  ts.prompts.answers = {true};
  auto form = MakeForm();

  EXPECT_EQ(Load(*form, "install," + loader), ExitStatus::kDone);

  EXPECT_EQ(form->windowTitle(), QStringLiteral("Launch.Local Loader v1.0.0"));
  EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("lblOut"))->font().family(), QStringLiteral("Calibri"));
  const QString out = Output(*form);
  EXPECT_TRUE(out.startsWith(QStringLiteral("** Installing Add-on **\nFound loader File: ")));
  EXPECT_TRUE(out.contains(QStringLiteral("Program Path: C:\\Program Files\\Vantrel\n")));
  EXPECT_TRUE(out.endsWith(QStringLiteral("Added this Addon to Launch.Local\n")));
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n" + kSample + "\r\n");
  const std::string log = ReadFileBytes(host.logFile());
  EXPECT_EQ(log.rfind(std::string(51, '-') + "\r\n07-Dec 08:30:05: Addlaunch 1.0.0\r\n", 0), 0u);
  EXPECT_NE(log.find("07-Dec 08:30:05: Update outcome: Added this Addon to Launch.Local\r\n"),
            std::string::npos);
  EXPECT_FALSE(form->isVisible());
}

// The label is laid out again on every line, so it must never hold a whole big loader file.
TEST_F(LoaderWindowTest, ABigLoaderIsEchoedByItsStartAndRegisteredWhole) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  std::string big = "[Sample-1.2]\r\n";
  while (big.size() < 1'000'000) big += "Setting=" + std::string(60, 'x') + "\r\n";
  big += "/ [EOA]\r\n";
  WriteFileBytes(host.root() + "/Big.local", big);
  ts.prompts.answers = {true};
  auto form = MakeForm();

  EXPECT_EQ(Load(*form, "install," + host.root() + "/Big.local"), ExitStatus::kDone);
  const QString out = Output(*form);
  EXPECT_LT(out.size(), 8000);
  EXPECT_TRUE(out.contains(QStringLiteral(">>>Finding: [Sample-1.2]\nSetting=")));
  EXPECT_TRUE(out.contains(QStringLiteral("...\nReading: ")));
  EXPECT_TRUE(out.endsWith(QStringLiteral("Added this Addon to Launch.Local\n")));
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n" + big + "\r\n");
  // The narration outgrew the window: it stayed scrolled to its newest line, the outcome.
  const QScrollBar* bar = form->findChild<QScrollArea*>()->verticalScrollBar();
  EXPECT_GT(bar->maximum(), 0);
  EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(LoaderWindowTest, TwoHostsAreListedInOrderAndADoubleClickPicks) {
  host.InstallHost("C:\\Program Files\\Vantrel", "DATADIR=C:\\First\r\n");
  host.InstallHost("C:\\Program Files (x86)\\Vantrel", host.StandardConf());
  auto form = MakeForm();
  QStringList listed;
  bool headerHidden = false;
  QString title;
  WhenModalShows([&](QWidget* dialog) {
    title = dialog->windowTitle();
    auto* lv = dialog->findChild<QTreeWidget*>(QStringLiteral("LV"));
    headerHidden = lv->isHeaderHidden();
    for (int i = 0; i < lv->topLevelItemCount(); ++i) listed << lv->topLevelItem(i)->text(0);
    QTreeWidgetItem* second = lv->topLevelItem(1);
    const QPoint at = lv->visualItemRect(second).center();
    QTest::mouseClick(lv->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(lv->viewport(), Qt::LeftButton, {}, at);
  });

  EXPECT_EQ(Load(*form, "remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_EQ(title, QStringLiteral("Select Vantrel Program Path"));
  EXPECT_TRUE(headerHidden);
  EXPECT_EQ(listed, (QStringList{"C:\\Program Files\\Vantrel", "C:\\Program Files (x86)\\Vantrel"}));
  EXPECT_EQ(form->session().chosenDir(), "C:\\Program Files (x86)\\Vantrel");
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n");
  EXPECT_EQ(picker.calls, 0);
}

TEST_F(LoaderWindowTest, EscapeInTheChooserLeadsToThePicker) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  host.InstallHost("C:\\Program Files (x86)\\Vantrel", host.StandardConf());
  host.InstallHost("C:\\Hosts\\Mine", host.StandardConf());
  picker.answer = host.Local("C:\\Hosts\\Mine");
  auto form = MakeForm();
  WhenModalShows([](QWidget* dialog) { QTest::keyClick(dialog, Qt::Key_Escape); });

  EXPECT_EQ(Load(*form, "remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_EQ(picker.calls, 1);
  EXPECT_EQ(picker.lastTitle, QStringLiteral("Select a directory"));
  EXPECT_EQ(picker.lastStart.toStdString(), HostPath("C:\\Program Files (x86)\\"));
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text.rfind("No Vantrel directory was found.", 0), 0u);
  // The picked folder is shown as the host names it.
  EXPECT_TRUE(Output(*form).contains(QStringLiteral("Program Path: C:\\Hosts\\Mine\n")));
}

// A picked folder is named by the drive whose folder holds it, a whole folder name at a time,
// and of two drives on one folder by the first letter. Each way round, the run must then find
// the Vantrel.conf that was picked.
TEST_F(LoaderWindowTest, APickedFolderIsNamedByTheDriveThatHoldsIt) {
  const std::string conf = host.StandardConf();
  // Beside drive C's folder, with a name that starts the same: on no drive, so named natively.
  const std::string beside = host.root() + "/wine/drive_c2/Vantrel";
  std::filesystem::create_directories(beside);
  WriteFileBytes(beside + "/Vantrel.conf", conf);
  picker.answer = beside;
  auto form = MakeForm();
  EXPECT_EQ(Load(*form, "remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_TRUE(Output(*form).contains(QString::fromStdString("Program Path: " + beside + "\n")))
      << Output(*form).toStdString();
  EXPECT_EQ(ReadFileBytes(host.launchFile()), "\r\n");
  // No "Program Files (x86)" on this drive C (a 32-bit prefix): the picker opens on C: itself.
  ASSERT_FALSE(std::filesystem::exists(HostPath("C:\\Program Files (x86)")));
  EXPECT_EQ(picker.lastStart.toStdString(), HostPath("C:\\"));

  // Drive E: on drive C's folder as well: the folder is still C:'s.
  std::filesystem::create_directory_symlink("../drive_c", host.root() + "/wine/dosdevices/e:");
  host.InstallHost("C:\\Hosts\\Mine", conf);
  picker.answer = host.Local("C:\\Hosts\\Mine");
  auto again = MakeForm();
  EXPECT_EQ(Load(*again, "remove," + LoaderArg()), ExitStatus::kDone);
  EXPECT_TRUE(Output(*again).contains(QStringLiteral("Program Path: C:\\Hosts\\Mine\n")))
      << Output(*again).toStdString();
  EXPECT_NE(ReadFileBytes(host.logFile()).find("Found Vantrel program directory at C:\\Hosts\\Mine\r\n"),
            std::string::npos);
}

TEST_F(LoaderWindowTest, ClosingTheWindowDuringAPauseEndsTheRun) {
  host.InstallHost("C:\\Program Files\\Vantrel", host.StandardConf());
  WriteFileBytes(host.launchFile(), kSample);
  auto form = MakeForm();
  form->SetPauseScaleForTests(1.0);
  QTimer::singleShot(100, form.get(), [&] { form->close(); });
  QElapsedTimer clock;
  clock.start();
  EXPECT_EQ(Load(*form, "remove," + LoaderArg()), ExitStatus::kClosed);
  EXPECT_LT(clock.elapsed(), 450);  // the first pause alone would last 500 ms
  EXPECT_EQ(ReadFileBytes(host.launchFile()), kSample);
}

TEST(PathLookupTest, ButtonsAndKeys) {
  frmPathLookup dialog("before");
  dialog.FillList("  C:\\One  \r\n\r\n/ C:\\Commented\r\nC:\\Two\r\n");
  auto* lv = dialog.findChild<QTreeWidget*>(QStringLiteral("LV"));
  ASSERT_EQ(lv->topLevelItemCount(), 2);
  EXPECT_EQ(lv->topLevelItem(0)->text(0), QStringLiteral("C:\\One"));
  EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text(),
            QStringLiteral("Found more than one Vantrel Programs Directory.\n"
                           "Double-click on the Program Path that you want to use."));

  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Escape);  // closes, leaving the value alone
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.ChosenDir(), "before");

  // Enter takes the first host, chosen from the start.
  dialog.show();
  lv->setFocus();
  QTest::keyClick(lv, Qt::Key_Return);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.ChosenDir(), "C:\\One");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  dialog.show();
  lv->setCurrentItem(lv->topLevelItem(1));
  dialog.findChild<QPushButton*>(QStringLiteral("cmdOK"))->click();
  EXPECT_EQ(dialog.ChosenDir(), "C:\\Two");
  EXPECT_EQ(dialog.result(), QDialog::Accepted);

  dialog.show();
  dialog.findChild<QPushButton*>(QStringLiteral("cmdCancel"))->click();
  EXPECT_EQ(dialog.ChosenDir(), "");
  EXPECT_FALSE(dialog.isVisible());

  dialog.FillList("\r\n/ none\r\n");
  EXPECT_FALSE(lv->isEnabled());
}

TEST(FolderPickerTest, OpensWhereAskedAndCancelGivesNothing) {
  cadro::testing::TempDir dir;
  QtFolderPicker picker;
  QString title;
  QString shownDir;
  QString acceptLabel;
  WhenModalShows([&](QWidget* w) {
    auto* dialog = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(dialog, nullptr);
    title = dialog->windowTitle();
    shownDir = dialog->directory().absolutePath();
    acceptLabel = dialog->labelText(QFileDialog::Accept);
    dialog->reject();
  });
  EXPECT_EQ(
      picker.PickFolder(nullptr, QStringLiteral("Select a directory"), QString::fromStdString(dir.str())),
      "");
  EXPECT_EQ(title, QStringLiteral("Select a directory"));
  EXPECT_EQ(shownDir, QString::fromStdString(dir.str()));
  EXPECT_EQ(acceptLabel, QStringLiteral("Save"));
}

TEST(LoaderWindows, WorkedFromTheKeyboardAndHeardThroughAScreenReader) {
  frmPathLookup lookup("");
  lookup.FillList("C:\\Vantrel\r\nD:\\Radio\\Vantrel\r\n");
  lookup.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&lookup));
  EXPECT_EQ(cadro::testing::AuditFindings(&lookup), "");
}

}  // namespace
}  // namespace cadro::addlaunch
