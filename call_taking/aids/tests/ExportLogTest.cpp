// File > Export Log... end to end: the dialog, the CSV read back by Python's csv module and the
// PDF read back by pdftotext.
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QMessageBox>
#include <QRadioButton>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "../../tests/MainWindowFixture.h"
#include "AidsWindowFixture.h"
#include "CommsLogPdf.h"
#include "WindowAudit.h"
#include "frmExportLog.h"

namespace cadro::testing {
namespace {

std::string Run(const std::string& command) {
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
  std::string out;
  for (int c; pipe && (c = std::fgetc(pipe.get())) != EOF;) out.push_back(static_cast<char>(c));
  return out;
}

std::string PdfText(const std::string& path, int page = 0) {
  const std::string pages = page > 0 ? " -f " + std::to_string(page) + " -l " + std::to_string(page) : "";
  return Run("pdftotext -layout" + pages + " '" + path + "' -");
}

int Count(const std::string& text, const std::string& what) {
  int n = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::vector<std::string> CsvRecords(const std::string& path) {
  const std::string out = Run(std::string("python3 '") + CADRO_CSV_READER + "' '" + path + "'");
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = out.find('\n', start)) != std::string::npos; start = nl + 1) {
    lines.push_back(out.substr(start, nl - start));
  }
  return lines;
}

TEST(CommsLogPdf, FortyRowsAPageWithTheHeaderOnEach) {
  std::vector<aids::CommsLogEntry> entries;
  for (int i = 0; i < 81; ++i) {
    aids::CommsLogEntry e;
    e.dateTime = "2026-12-08 12:00";
    e.eventId = "FS326342." + std::to_string(100 + i);
    e.messageId = "M" + std::to_string(100 + i);
    e.state = "Submitted";
    e.type = "FIRE";
    e.location = "100 Main St";
    e.city = "Springfield";
    e.operatorId = "K6ABC";
    entries.push_back(e);
  }
  TempDir dir;
  const std::string path = dir.File("log.pdf");
  QString error;
  ASSERT_TRUE(aids::WriteCommsLogPdf(QString::fromStdString(path),
                                     {"Station 3", "FS3", "Ann Lee (K6ABC)", "12/08/2026 to 12/08/2026"},
                                     entries, &error))
      << error.toStdString();
  for (int page = 1; page <= 3; ++page) {
    const std::string text = PdfText(path, page);
    EXPECT_NE(text.find("Page " + std::to_string(page) + " of 3"), std::string::npos) << text;
    EXPECT_NE(text.find("Station: Station 3"), std::string::npos);
    EXPECT_NE(text.find("Location ID: FS3"), std::string::npos);
    EXPECT_NE(text.find("Operator: Ann Lee (K6ABC)"), std::string::npos);
    EXPECT_NE(text.find("Period: 12/08/2026 to 12/08/2026"), std::string::npos);
    EXPECT_EQ(Count(text, "FS326342."), page < 3 ? 40 : 1) << "page " << page;
  }
  // Every event ID is printed whole, in order.
  const std::string all = PdfText(path);
  EXPECT_NE(all.find("FS326342.139"), std::string::npos);
  EXPECT_LT(all.find("FS326342.139"), all.find("FS326342.140"));
  EXPECT_EQ(PdfText(path, 4), "");

  // A folder nobody may write to is reported, not passed over.
  EXPECT_FALSE(aids::WriteCommsLogPdf(QStringLiteral("/nonexistent/folder/log.pdf"), {}, {}, &error));
  EXPECT_FALSE(error.isEmpty());
}

class ExportLog : public MainWindow, public AidsReports {
protected:
  std::string MessageFolder() override { return dir.File("msg.d"); }
  void Export(std::function<void(aids::frmExportLog&)> fill) {
    script.push_back([fill](QDialog& d) {
      auto* dialog = qobject_cast<aids::frmExportLog*>(&d);
      ASSERT_NE(dialog, nullptr);
      fill(*dialog);
      QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    });
    w->findChild<QAction*>("mnuExportLog")->trigger();
  }
};

TEST_F(ExportLog, TheCurrentFolderGoesIntoACsvAndAPdf) {
  t.clock.now = LocalTime{2026, 12, 8, 13, 0, 0};
  for (int i = 0; i < 41; ++i) {
    const std::string minute = (i < 10 ? "0" : "") + std::to_string(i);
    Full("FS326342." + std::to_string(100 + i), 2, "FIRE", std::to_string(i) + " Main St, Apt \"B\"",
         "Springfield", "12" + minute, "Smoke", "");
  }
  Full("FS326342.900", 6, "MED", "1 Oak Ave", "Springfield", "1200", "Fall", "");  // not in Ready
  Start();
  const std::string base = dir.File("out/log");
  ASSERT_EQ(::mkdir(dir.File("out").c_str(), 0755), 0);
  Export([&](aids::frmExportLog& d) {
    d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(base + ".csv"));
  });

  ASSERT_FALSE(t.prompts.shown.empty());
  EXPECT_EQ(t.prompts.shown.back().icon, PromptIcon::Information);
  EXPECT_NE(t.prompts.shown.back().text.find("41 reports"), std::string::npos);

  const std::vector<std::string> csv = CsvRecords(base + ".csv");
  ASSERT_EQ(csv.size(), 43U);  // BOM marker, header, 41 reports
  EXPECT_EQ(csv[0], "BOM");
  const std::string text = PdfText(base + ".pdf");
  EXPECT_NE(text.find("Page 1 of 2"), std::string::npos);
  EXPECT_NE(text.find("Page 2 of 2"), std::string::npos);
  EXPECT_NE(text.find("Operator: Ann Lee (K6ABC)"), std::string::npos);
  EXPECT_NE(text.find("Period: folder Ready to Send, as of 12/08/2026 13:00"), std::string::npos);
  EXPECT_EQ(text.find("FS326342.900"), std::string::npos);
}

// The files go to the operator's Documents folder, or to the home folder of an account that has
// none (a fresh account, a station set up by hand).
TEST_F(ExportLog, TheFilesGoToDocumentsOrHomeWithoutIt) {
  t.clock.now = LocalTime{2026, 12, 8, 13, 0, 0};
  Full("FS326342.100", 2, "FIRE", "1 Main St", "Springfield", "1200", "Smoke", "");
  const std::string home = dir.File("home");
  ASSERT_EQ(::mkdir(home.c_str(), 0755), 0);
  struct Account {  // this test's own account, whatever way the test ends
    QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    ~Account() {
      for (const auto& [name, value] : {std::pair{"HOME", home}, std::pair{"XDG_CONFIG_HOME", config}})
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
  } account;
  qputenv("HOME", QByteArray::fromStdString(home));
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home + "/.config"));
  Start();
  Export([](aids::frmExportLog&) {});
  const std::string name = "CommsLog-20261208.csv";
  EXPECT_TRUE(PathExists(home + "/" + name));
  ASSERT_EQ(::mkdir((home + "/Documents").c_str(), 0755), 0);
  Export([](aids::frmExportLog&) {});
  EXPECT_TRUE(PathExists(home + "/Documents/" + name));
}

TEST_F(ExportLog, ADateRangeTakesEveryFolderButDeletedAndCsvAlone) {
  Full("D7", 2, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "", "261207");
  Full("D8", 9, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "", "261208");
  Full("X8", 8, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "", "261208");
  Full("D9", 6, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "", "261209");
  Start();
  const std::string base = dir.File("range");
  Export([&](aids::frmExportLog& d) {
    d.findChild<QRadioButton*>("optRange")->setChecked(true);
    d.findChild<QDateEdit*>("dtpFrom")->setDate(QDate(2026, 12, 8));
    d.findChild<QDateEdit*>("dtpTo")->setDate(QDate(2026, 12, 9));
    d.findChild<QCheckBox*>("chkPdf")->setChecked(false);
    d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(base));
  });
  const std::vector<std::string> csv = CsvRecords(base + ".csv");
  ASSERT_EQ(csv.size(), 4U);
  EXPECT_NE(csv[2].find("4438"), std::string::npos);  // "D8" in hex
  EXPECT_NE(csv[3].find("4439"), std::string::npos);  // "D9"
  EXPECT_FALSE(PathExists(base + ".pdf"));
}

TEST_F(ExportLog, AnUnwritableTargetIsReported) {
  Full("D7", 2, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "");
  Start();
  Export([&](aids::frmExportLog& d) {
    d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(dir.File("missing/folder/log")));
  });
  ASSERT_FALSE(t.prompts.shown.empty());
  EXPECT_EQ(t.prompts.shown.back().icon, PromptIcon::Exclamation);
  EXPECT_EQ(t.prompts.shown.back().text.rfind("Problems writing '", 0), 0U);
}

// Tens of thousands of reports take a while to read: meanwhile the window's thread goes on
// answering, and the dialog can neither start a second export nor be closed under the first.
TEST_F(ExportLog, TheWindowAnswersWhileTheFolderIsReadAndTheDialogWaitsForTheExport) {
  for (int i = 0; i < 30; ++i) {
    Full("FS326342." + std::to_string(100 + i), 2, "FIRE", "1 Main St", "Springfield", "1200", "Smoke", "");
  }
  Start();
  std::atomic<bool> answered{false};
  std::atomic<int> opened{0};
  w->SetReaderSetupForTests([&](ReportReader& reader) {
    reader.beforeOpen = [&](const std::string&) {
      // The first file waits, 5 s at most, for the window's thread to run a timer.
      if (opened++ > 0) return;
      for (int i = 0; i < 500 && !answered; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
  });
  const std::size_t before = t.prompts.shown.size();
  std::size_t messagesWhenAnswered = before + 99;
  bool okEnabledWhenAnswered = true;
  bool rejected = false;
  Export([&](aids::frmExportLog& d) {
    d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(dir.File("log")));
    d.findChild<QCheckBox*>("chkPdf")->setChecked(false);
    QObject::connect(&d, &QDialog::rejected, [&] { rejected = true; });
    QTimer::singleShot(0, &d, [&] {
      messagesWhenAnswered = t.prompts.shown.size();
      okEnabledWhenAnswered = d.findChild<QPushButton*>("cmdOK")->isEnabled();
      QTest::keyClick(&d, Qt::Key_Escape);
      answered = true;
    });
  });
  EXPECT_TRUE(answered);
  EXPECT_GT(opened.load(), 0);
  EXPECT_EQ(messagesWhenAnswered, before) << "the timer ran only after the export";
  EXPECT_FALSE(okEnabledWhenAnswered);
  EXPECT_FALSE(rejected) << "Escape closed the dialog under its export";
  ASSERT_EQ(t.prompts.shown.size(), before + 1);
  EXPECT_NE(t.prompts.shown.back().text.find("30 reports"), std::string::npos) << t.prompts.shown.back().text;
  EXPECT_EQ(CsvRecords(dir.File("log.csv")).size(), 32U);
}

// The operator's files are never replaced unasked, and the dialog never throws away what was
// chosen in it: after No, or after a failure, every choice is still there to correct.
class ExportLogKeeps : public ExportLog {
protected:
  // Opens the dialog, fills it and presses Export; `then` sees the dialog afterwards.
  void ExportAndThen(std::function<void(aids::frmExportLog&)> fill,
                     std::function<void(aids::frmExportLog&)> then) {
    script.push_back([fill, then](QDialog& d) {
      auto* dialog = qobject_cast<aids::frmExportLog*>(&d);
      ASSERT_NE(dialog, nullptr);
      fill(*dialog);
      QTest::mouseClick(dialog->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
      then(*dialog);
    });
    w->findChild<QAction*>("mnuExportLog")->trigger();
    EXPECT_TRUE(script.empty());
  }
  static void Press(aids::frmExportLog& d) {
    QTest::mouseClick(d.findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
  }
};

TEST_F(ExportLogKeeps, AnExistingFileIsReplacedOnlyWhenTheOperatorSaysYes) {
  Full("D7", 2, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "");
  Start();
  const std::string base = dir.File("shift");
  const std::string lastWeek = "last week's log, kept for the county\r\n";
  WriteFileBytes(base + ".csv", lastWeek);
  t.prompts.answers = {false, true};
  ExportAndThen(
      [&](aids::frmExportLog& d) {
        d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(base));
      },
      [&](aids::frmExportLog& d) {
        ASSERT_EQ(t.prompts.shown.size(), 1u);
        EXPECT_TRUE(t.prompts.shown[0].question);
        EXPECT_NE(t.prompts.shown[0].text.find(base + ".csv"), std::string::npos) << t.prompts.shown[0].text;
        EXPECT_EQ(t.prompts.shown[0].text.find(base + ".pdf"), std::string::npos);
        // No: nothing written, neither the file asked about nor its companion.
        EXPECT_EQ(ReadFileBytes(base + ".csv"), lastWeek);
        EXPECT_FALSE(PathExists(base + ".pdf"));
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.result(), QDialog::Rejected);
        EXPECT_EQ(d.findChild<QLineEdit*>("txtFile")->text().toStdString(), base);

        Press(d);  // Yes this time
        EXPECT_EQ(d.result(), QDialog::Accepted);
      });
  EXPECT_NE(ReadFileBytes(base + ".csv"), lastWeek);
  EXPECT_NE(ReadFileBytes(base + ".csv").find("Event ID"), std::string::npos);
  EXPECT_TRUE(PathExists(base + ".pdf"));
  EXPECT_EQ(t.prompts.shown.back().icon, PromptIcon::Information);
}

TEST_F(ExportLogKeeps, AFailedExportKeepsTheDialogOpenWithEveryChoice) {
  Full("D8", 9, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "", "261208");
  Start();
  const std::string folder = dir.File("county");
  const std::string base = folder + "/log";
  ExportAndThen(
      [&](aids::frmExportLog& d) {
        d.findChild<QRadioButton*>("optRange")->setChecked(true);
        d.findChild<QDateEdit*>("dtpFrom")->setDate(QDate(2026, 12, 8));
        d.findChild<QDateEdit*>("dtpTo")->setDate(QDate(2026, 12, 9));
        d.findChild<QCheckBox*>("chkPdf")->setChecked(false);
        d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(base));
      },
      [&](aids::frmExportLog& d) {
        ASSERT_FALSE(t.prompts.shown.empty());
        EXPECT_EQ(t.prompts.shown.back().icon, PromptIcon::Exclamation);
        EXPECT_NE(t.prompts.shown.back().text.find("Problems writing '" + base + ".csv'"), std::string::npos)
            << t.prompts.shown.back().text;
        ASSERT_TRUE(d.isVisible()) << "a failed export closed the dialog";
        EXPECT_TRUE(d.findChild<QRadioButton*>("optRange")->isChecked());
        EXPECT_EQ(d.findChild<QDateEdit*>("dtpFrom")->date(), QDate(2026, 12, 8));
        EXPECT_EQ(d.findChild<QDateEdit*>("dtpTo")->date(), QDate(2026, 12, 9));
        EXPECT_FALSE(d.findChild<QCheckBox*>("chkPdf")->isChecked());
        EXPECT_EQ(d.findChild<QLineEdit*>("txtFile")->text().toStdString(), base);

        ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
        Press(d);  // the same choices, now that the folder is there
        EXPECT_EQ(d.result(), QDialog::Accepted);
      });
  EXPECT_EQ(CsvRecords(base + ".csv").size(), 3u);  // BOM marker, header, D8
  EXPECT_FALSE(PathExists(base + ".pdf"));
}

// A file this dialog wrote itself, before a later file failed, is written again with the retry
// without asking: the question is about the operator's files, not the ones just written.
TEST_F(ExportLogKeeps, AFileWrittenBeforeAFailureIsWrittenAgainWithoutAsking) {
  Full("D9", 2, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "");
  Start();
  const std::string base = dir.File("again");
  ASSERT_EQ(::mkdir((base + ".pdf").c_str(), 0755), 0);  // in the way of the PDF
  t.prompts.answers = {true};
  ExportAndThen(
      [&](aids::frmExportLog& d) {
        d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(base));
      },
      [&](aids::frmExportLog& d) {
        ASSERT_TRUE(d.isVisible());
        EXPECT_TRUE(PathExists(base + ".csv"));
        EXPECT_NE(t.prompts.shown.back().text.find("Problems writing '" + base + ".pdf'"), std::string::npos)
            << t.prompts.shown.back().text;
        ASSERT_EQ(::rmdir((base + ".pdf").c_str()), 0);
        const auto questions = [&] {
          return std::count_if(t.prompts.shown.begin(), t.prompts.shown.end(),
                               [](const ShownPrompt& p) { return p.question; });
        };
        const auto asked = questions();
        Press(d);
        EXPECT_EQ(questions(), asked) << t.prompts.shown.back().text;
        EXPECT_EQ(d.result(), QDialog::Accepted);
      });
  EXPECT_TRUE(PathExists(base + ".pdf"));
  EXPECT_EQ(CsvRecords(base + ".csv").size(), 3u);
}

// A file that someone else creates after the check for existing files, while the folder is read,
// is not the dialog's to replace unasked.
TEST_F(ExportLogKeeps, AFileThatAppearsWhileTheFolderIsReadIsLeftAsItIs) {
  Full("D9", 2, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "");
  Start();
  const std::string base = dir.File("race");
  const std::string theirs = "someone else's log\r\n";
  w->SetReaderSetupForTests([&](ReportReader&) {
    if (!PathExists(base + ".csv")) WriteFileBytes(base + ".csv", theirs);
  });
  ExportAndThen(
      [&](aids::frmExportLog& d) {
        d.findChild<QCheckBox*>("chkPdf")->setChecked(false);
        d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(base));
      },
      [&](aids::frmExportLog& d) {
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(t.prompts.shown.back().icon, PromptIcon::Exclamation);
        EXPECT_NE(t.prompts.shown.back().text.find("appeared meanwhile"), std::string::npos)
            << t.prompts.shown.back().text;
      });
  EXPECT_EQ(ReadFileBytes(base + ".csv"), theirs);
}

// A folder name is the file system's (UTF-8), not the code page's: both files land in it.
TEST_F(ExportLogKeeps, AnAccentedFolderTakesBothFiles) {
  Full("D7", 2, "FIRE", "1 Main St", "Springfield", "0900", "Smoke", "");
  Start();
  const std::string folder = dir.File(
      "Donn\xC3\xA9"
      "es");
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  ExportAndThen(
      [&](aids::frmExportLog& d) {
        d.findChild<QLineEdit*>("txtFile")->setText(QString::fromUtf8(folder + "/log"));
      },
      [&](aids::frmExportLog& d) {
        EXPECT_EQ(d.result(), QDialog::Accepted) << t.prompts.shown.back().text;
      });
  EXPECT_TRUE(PathExists(folder + "/log.csv"));
  EXPECT_TRUE(PathExists(folder + "/log.pdf"));
}

// Enter on the question keeps the file: the real box, as the operator gets it.
TEST_F(ExportLogKeeps, TheReplaceQuestionDefaultsToKeepingTheFile) {
  QtPrompts boxes(QStringLiteral("Cadro"));
  Services real{t.eventLog, boxes, t.clock, t.locale, t.settings};
  windowServices = &real;
  Start();
  const std::string base = dir.File("shift");
  WriteFileBytes(base + ".pdf", "%PDF of last week");
  QString defaultButton;
  bool enterPressed = false;
  bool enterIgnored = false;
  QTimer answer;
  answer.setInterval(20);
  QObject::connect(&answer, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(top);
      if (!box || !box->isVisible()) continue;
      if (enterPressed) {
        // The question still up (Enter did nothing) or a box after a Yes: answer it, so the
        // case fails rather than waits for ever.
        if (QAbstractButton* no = box->button(QMessageBox::No)) {
          enterIgnored = true;
          no->click();
        } else if (!box->buttons().isEmpty()) {
          box->buttons().first()->click();
        }
        return;
      }
      enterPressed = true;
      if (box->defaultButton()) defaultButton = box->defaultButton()->text();
      QTest::keyClick(box, Qt::Key_Return);
      return;
    }
  });
  answer.start();
  ExportAndThen(
      [&](aids::frmExportLog& d) {
        d.findChild<QLineEdit*>("txtFile")->setText(QString::fromStdString(base));
      },
      [&](aids::frmExportLog& d) {
        EXPECT_TRUE(d.isVisible());
        d.reject();
      });
  answer.stop();
  EXPECT_TRUE(enterPressed) << "no question was asked";
  EXPECT_FALSE(enterIgnored) << "Enter did not answer the question";
  EXPECT_TRUE(ReadFileBytes(base + ".pdf") == "%PDF of last week")
      << "the file was replaced; default button: " << defaultButton.toStdString();
  EXPECT_FALSE(PathExists(base + ".csv"));
  w->close();
  w.reset();  // before the boxes it was given
}

}  // namespace
}  // namespace cadro::testing

namespace cadro::testing {
namespace {

TEST_F(ExportLog, TheDialogCanBeWorkedWithoutTheMouse) {
  Start();
  script.push_back([](QDialog& d) {
    EXPECT_EQ(AuditFindings(&d), "");
    d.reject();
  });
  w->findChild<QAction*>("mnuExportLog")->trigger();
  EXPECT_TRUE(script.empty());
}

}  // namespace
}  // namespace cadro::testing
