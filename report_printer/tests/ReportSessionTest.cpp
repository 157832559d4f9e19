#include "ReportSession.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <deque>

#include "FakePrinters.h"
#include "TestKit.h"

namespace cadro {
namespace {

using testing::FakePrinters;
using testing::ReadFileBytes;
using testing::TempDir;
using testing::TestServices;
using testing::WriteFileBytes;

struct RecordingView final : ReportView {
  void ShowProgress(const std::string& text) override { progress += text; }
  void SetPrintEnabled(bool e) override { printEnabled = e; }
  void SetPreviewEnabled(bool e) override { previewEnabled = e; }
  void SetPrintToolTip(const std::string& tip) override { printTip = tip; }
  std::string progress;
  bool printEnabled = true;
  bool previewEnabled = true;
  std::string printTip;
};

// Answers from a script: each entry either cancels (nullopt) or edits what the dialog opened on.
struct ScriptedDialog final : PrintDialogBackend {
  std::optional<PrintDialogChoice> Run(const PrintDialogChoice& initial, unsigned flags) override {
    shownWith.push_back(initial);
    lastFlags = flags;
    if (script.empty()) throw std::runtime_error("dialog shown without a scripted answer");
    auto edit = std::move(script.front());
    script.pop_front();
    if (!edit) return std::nullopt;
    PrintDialogChoice choice = initial;
    (*edit)(choice);
    return choice;
  }
  std::deque<std::optional<std::function<void(PrintDialogChoice&)>>> script;
  std::vector<PrintDialogChoice> shownWith;
  unsigned lastFlags = 0;
};

struct ReportSessionTest : ::testing::Test {
  ReportSessionTest() {
    ::mkdir(dir.File("logs").c_str(), 0755);
    WriteFileBytes(dir.File("form.fdf"), "FIELD,TYPE,20,30,120,50,,Type\r\nFIELD,LOC1,20,60,120,70\r\n");
    WriteFileBytes(dir.File("msg.ddf"), "TYPE=MED\r\nLOC1=12 Main St\r\nEVNT=E-17\r\n");
  }
  std::unique_ptr<ReportSession> Start(const std::string& commandLine) {
    auto s = std::make_unique<ReportSession>(services.services, printers, dir.str(), view);
    status = s->Load(commandLine);
    exitNow = status.has_value();
    return s;
  }
  std::string Files() const { return "-fdf " + dir.File("form.fdf") + " -ddf " + dir.File("msg.ddf"); }
  std::string Log() const { return ReadFileBytes(dir.File("logs/Cadro_261207.log")); }

  TempDir dir;
  TestServices services;
  FakePrinters printers{{"Office", "Lab", "FilePDF"}, "Office"};
  RecordingView view;
  std::optional<RunStatus> status;
  bool exitNow = false;
};

TEST_F(ReportSessionTest, StartUpShowsProgressAndEnablesBothButtons) {
  auto s = Start(Files());
  EXPECT_EQ(view.progress, "Starting up Cadrorpt, v3.4.5\r\nParsed Commands\r\n-fdf => " +
                               dir.File("form.fdf") + "\r\n-ddf => " + dir.File("msg.ddf") +
                               "\r\n\r\nForm File found and loaded\r\nMessage text found and loaded\r\n");
  EXPECT_TRUE(view.previewEnabled);
  EXPECT_TRUE(view.printEnabled);
  EXPECT_EQ(view.printTip, "Print to Office");
  EXPECT_FALSE(exitNow);
  EXPECT_TRUE(printers.pages.empty());
  EXPECT_TRUE(services.prompts.shown.empty());
  EXPECT_NE(ReadFileBytes(dir.File("Vantrel.glo")).find("PrinterName=Office\r\n"), std::string::npos);
}

TEST_F(ReportSessionTest, AutoPrintAndCloseWhenDone) {
  auto s = Start(Files() + " -ptr Lab -apt -cwd");
  EXPECT_EQ(status, RunStatus::Done);
  ASSERT_EQ(printers.pages.size(), 1U);
  EXPECT_EQ(printers.pages[0].printer, "Lab");
  EXPECT_EQ(printers.pages[0].page.Visible().size(), 3U);  // caption, two data texts
  EXPECT_EQ(Log(), "07-Dec-26 08:30:05: Printing --> E-17 | MED | 12 Main St\r\n");
  EXPECT_EQ(view.printTip, "Print to Lab");
}

TEST_F(ReportSessionTest, CloseWhenDoneAlonePrintsNothing) {
  auto s = Start(Files() + " -cwd");
  EXPECT_EQ(status, RunStatus::Done);
  EXPECT_TRUE(printers.pages.empty());
}

TEST_F(ReportSessionTest, UnknownOrMiscasedPrinterLeavesTheDefault) {
  auto s = Start(Files() + " -ptr lab -apt");
  ASSERT_EQ(printers.pages.size(), 1U);
  EXPECT_EQ(printers.pages[0].printer, "Office");
  EXPECT_EQ(view.printTip, "Print to Office");
}

TEST_F(ReportSessionTest, MissingFormStopsBeforeTheDataFileAndNeverAutoPrints) {
  auto s = Start("-fdf " + dir.File("none.fdf") + " -ddf " + dir.File("msg.ddf") + " -apt");
  EXPECT_FALSE(exitNow);
  ASSERT_EQ(services.prompts.shown.size(), 1U);
  EXPECT_EQ(services.prompts.shown[0].text,
            "Could not build Forms Definition Array;\r\nForms file not found");
  EXPECT_EQ(services.prompts.shown[0].title, "Cadrorpt");
  EXPECT_FALSE(view.previewEnabled);
  EXPECT_FALSE(view.printEnabled);
  EXPECT_TRUE(s->Data().empty());
  EXPECT_TRUE(printers.pages.empty());
}

TEST_F(ReportSessionTest, MissingDataKeepsButtonsButDoesNotPrint) {
  auto s = Start("-fdf " + dir.File("form.fdf") + " -apt");
  EXPECT_FALSE(exitNow);
  ASSERT_EQ(services.prompts.shown.size(), 1U);
  EXPECT_EQ(services.prompts.shown[0].text, "Could not build Data Definition Array;\r\nData file not found");
  EXPECT_TRUE(view.previewEnabled);
  EXPECT_TRUE(view.printEnabled);
  EXPECT_TRUE(printers.pages.empty());
}

TEST_F(ReportSessionTest, NoPrinterInstalled) {
  FakePrinters none;
  ReportSession s(services.services, none, dir.str(), view);
  EXPECT_EQ(s.Load(Files() + " -apt -cwd"), RunStatus::NoPrinter);
  ASSERT_EQ(services.prompts.shown.size(), 1U);
  EXPECT_EQ(services.prompts.shown[0].text, "No Printer Installed");
  EXPECT_FALSE(view.printEnabled);
  EXPECT_TRUE(view.previewEnabled);
  EXPECT_EQ(view.printTip, "Printer not Installed");
  EXPECT_NE(view.progress.find("No printer installed: the report was not printed"), std::string::npos);
  s.Unload();
  EXPECT_NE(ReadFileBytes(dir.File("Vantrel.glo")).find("PrinterName=No Printers Defined\r\n"),
            std::string::npos);
}

TEST_F(ReportSessionTest, FailedPrintIsReportedAndNotLoggedAsPrinted) {
  printers.failWith = "the printer refused the job";
  auto s = Start(Files() + " -apt");
  EXPECT_FALSE(exitNow);
  EXPECT_NE(view.progress.find("Printing failed on Office: the printer refused the job"), std::string::npos);
  ASSERT_EQ(services.prompts.shown.size(), 1U);
  EXPECT_EQ(services.prompts.shown[0].text,
            "Could not print the report;\r\nOffice: the printer refused the job");
  ASSERT_EQ(services.eventLog.entries.size(), 1U);
  EXPECT_EQ(Log(),
            "07-Dec-26 08:30:05: Printing failed --> E-17 | MED | 12 Main St; Office: the printer "
            "refused the job\r\n");
}

// An unattended run that could not print shows the same boxes, then ends with a status that
// says why, and the session log says that the print failed; never a blank page, never status 0.
TEST_F(ReportSessionTest, UnattendedFailuresEndWithTheirStatusAfterTheBox) {
  ::mkdir(dir.File("folder.fdf").c_str(), 0755);
  WriteFileBytes(dir.File("garbage.fdf"), std::string("\x7f"
                                                      "ELF\x02\x01\x01\0\0\0",
                                                      10) +
                                              "PK\x03\x04 junk\r\n");
  WriteFileBytes(dir.File("empty.ddf"), "\r\n");
  struct Case {
    std::string args;
    RunStatus status;
    std::string box;
  };
  const std::string ddf = " -ddf " + dir.File("msg.ddf");
  const std::vector<Case> cases = {
      {"-fdf " + dir.File("none.fdf") + ddf, RunStatus::FormFailed,
       "Could not build Forms Definition Array;\r\nForms file not found"},
      {"-fdf " + dir.File("folder.fdf") + ddf, RunStatus::FormFailed,
       "Could not build Forms Definition Array;\r\nForms file is not a plain file"},
      {"-fdf " + dir.File("form.fdf") + " -ddf " + dir.str(), RunStatus::DataFailed,
       "Could not build Data Definition Array;\r\nData file is not a plain file"},
      {"-fdf " + dir.File("garbage.fdf") + ddf, RunStatus::FormFailed,
       "Could not build Forms Definition Array;\r\nForms file holds no items"},
      {"-fdf " + dir.File("form.fdf") + " -ddf " + dir.File("empty.ddf"), RunStatus::DataFailed,
       "Could not build Data Definition Array;\r\nData file holds no items"},
      {"-fdf " + dir.File("form.fdf") + " -ddf /dev/zero", RunStatus::DataFailed,
       "Could not build Data Definition Array;\r\nData file is not a plain file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    services.prompts.shown.clear();
    ::unlink(dir.File("logs/Cadro_261207.log").c_str());
    auto s = Start(c.args + " -apt -cwd");
    EXPECT_EQ(status, c.status);
    ASSERT_EQ(services.prompts.shown.size(), 1U);
    EXPECT_EQ(services.prompts.shown[0].text, c.box);
    EXPECT_TRUE(printers.pages.empty());
    EXPECT_EQ(Log().rfind("07-Dec-26 08:30:05: Printing failed --> ", 0), 0U) << Log();
    EXPECT_EQ(Log().find("Printing -->"), std::string::npos);
  }

  printers.failWith = "the printer refused the page (not accepting jobs)";
  ::unlink(dir.File("logs/Cadro_261207.log").c_str());
  services.prompts.shown.clear();
  auto s = Start(Files() + " -apt -cwd");
  EXPECT_EQ(status, RunStatus::PrintFailed);
  ASSERT_EQ(services.prompts.shown.size(), 1U);
  EXPECT_EQ(services.prompts.shown[0].text,
            "Could not print the report;\r\nOffice: the printer refused the page (not accepting jobs)");
  EXPECT_NE(Log().find("Printing failed --> E-17 | MED | 12 Main St; Office: the printer refused the page"),
            std::string::npos);

  // Without -apt nothing was asked to print: a missing form still ends the run, unlogged.
  ::unlink(dir.File("logs/Cadro_261207.log").c_str());
  auto t = Start("-fdf " + dir.File("none.fdf") + " -cwd");
  EXPECT_EQ(status, RunStatus::FormFailed);
  EXPECT_EQ(Log(), "");
}

TEST_F(ReportSessionTest, DialogWithAnotherPrinterPrintsThereAndPutsTheOldOneBack) {
  auto s = Start(Files());
  ScriptedDialog dialog;
  dialog.script.push_back([](PrintDialogChoice& c) {
    c.deviceName = "Lab";
    c.orientation = 2;
    c.copies = 3;
  });
  s->PrintWithDialog(dialog);
  EXPECT_EQ(dialog.lastFlags, 0x140000U);
  ASSERT_EQ(dialog.shownWith.size(), 1U);
  EXPECT_EQ(dialog.shownWith[0].deviceName, "Office");
  EXPECT_EQ(dialog.shownWith[0].orientation, 1);
  ASSERT_EQ(printers.pages.size(), 1U);
  EXPECT_EQ(printers.pages[0].printer, "Lab");
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::Orientation], 2);
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::Copies], 3);
  EXPECT_EQ(view.printTip, "Print to Office (Portrait)");

  s->PrintReport();  // the button prints portrait on the former printer again
  ASSERT_EQ(printers.pages.size(), 2U);
  EXPECT_EQ(printers.pages[1].printer, "Office");
  EXPECT_EQ(printers.pages[1].settings[PrinterSetting::Orientation], 1);
  EXPECT_EQ(printers.pages[1].settings[PrinterSetting::Copies], 1);
}

// The print failed, so the operator will press Print again: that print must go where it went
// before the dialog, not to the dialog's printer in its landscape.
TEST_F(ReportSessionTest, AFailedPrintThroughTheDialogStillPutsThePrinterBack) {
  auto s = Start(Files());
  ScriptedDialog dialog;
  dialog.script.push_back([](PrintDialogChoice& c) {
    c.deviceName = "Lab";
    c.orientation = 2;
  });
  printers.failWith = "the printer refused the page";
  s->PrintWithDialog(dialog);
  EXPECT_TRUE(printers.pages.empty());
  EXPECT_EQ(view.printTip, "Print to Office (Portrait)");
  printers.failWith.clear();
  s->PrintReport();
  ASSERT_EQ(printers.pages.size(), 1U);
  EXPECT_EQ(printers.pages[0].printer, "Office");
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::Orientation], 1);
}

// The command line is UTF-8; the printer list is in the host's code page.
TEST_F(ReportSessionTest, AnAccentedPrinterNameOnTheCommandLineFindsItsPrinter) {
  FakePrinters accented{{"Office", "Impress\xe3o"}, "Office"};
  ReportSession s(services.services, accented, dir.str(), view);
  s.Load(Files() + " -ptr Impressão -apt");
  ASSERT_EQ(accented.pages.size(), 1U);
  EXPECT_EQ(accented.pages[0].printer, "Impress\xe3o");
}

TEST_F(ReportSessionTest, DialogCancelledOrNamingNoInstalledPrinter) {
  auto s = Start(Files());
  ScriptedDialog dialog;
  dialog.script.push_back(std::nullopt);
  s->PrintWithDialog(dialog);
  EXPECT_TRUE(printers.pages.empty());
  EXPECT_EQ(view.printTip, "Print to Office");  // untouched

  printers.rejected = {PrinterSetting::Duplex};
  dialog.script.push_back([](PrintDialogChoice& c) {
    c.deviceName = "LAB";  // differs only in case: selects nothing
    c.orientation = 2;
    c.duplex = 2;
  });
  s->PrintWithDialog(dialog);
  ASSERT_EQ(printers.pages.size(), 1U);
  EXPECT_EQ(printers.pages[0].printer, "Office");
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::Orientation], 2);  // applied to the current one
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::Duplex], 1);       // rejected, skipped

  // The landscape was for the dialog's print only: the button prints portrait again.
  s->PrintReport();
  ASSERT_EQ(printers.pages.size(), 2U);
  EXPECT_EQ(printers.pages[1].printer, "Office");
  EXPECT_EQ(printers.pages[1].settings[PrinterSetting::Orientation], 1);

  // What the printer held before the dialog comes back, not merely the printer's defaults.
  printers.Set(PrinterSetting::Orientation, 2);
  printers.Set(PrinterSetting::Copies, 4);
  dialog.script.push_back([](PrintDialogChoice& c) {
    c.orientation = 1;
    c.copies = 1;
  });
  s->PrintWithDialog(dialog);
  s->PrintReport();
  ASSERT_EQ(printers.pages.size(), 4U);
  EXPECT_EQ(printers.pages[2].settings[PrinterSetting::Orientation], 1);
  EXPECT_EQ(printers.pages[3].settings[PrinterSetting::Orientation], 2);
  EXPECT_EQ(printers.pages[3].settings[PrinterSetting::Copies], 4);
}

// Everything the operator picks in the dialog reaches the page, on exactly the printer named;
// a name that only begins like an installed printer's names none of them.
TEST_F(ReportSessionTest, EveryDialogChoiceReachesThePrintOnExactlyTheNamedPrinter) {
  auto s = Start(Files());
  ScriptedDialog dialog;
  dialog.script.push_back([](PrintDialogChoice& c) {
    c.deviceName = "Lab";
    c.paperSize = 1;
    c.duplex = 3;
    c.printQuality = 600;
    c.colourMode = 1;
    c.paperSource = 4;
  });
  s->PrintWithDialog(dialog);
  ASSERT_EQ(printers.pages.size(), 1U);
  EXPECT_EQ(printers.pages[0].printer, "Lab");
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::PaperSize], 1);
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::Duplex], 3);
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::PrintQuality], 600);
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::ColourMode], 1);
  EXPECT_EQ(printers.pages[0].settings[PrinterSetting::PaperSource], 4);

  dialog.script.push_back([](PrintDialogChoice& c) { c.deviceName = "La"; });
  s->PrintWithDialog(dialog);
  ASSERT_EQ(printers.pages.size(), 2U);
  EXPECT_EQ(printers.pages[1].printer, "Office");

  // Two-sided for the dialog's print only: the button prints as the printer was set before.
  printers.Set(PrinterSetting::Duplex, 2);
  dialog.script.push_back([](PrintDialogChoice& c) { c.duplex = 3; });
  s->PrintWithDialog(dialog);
  s->PrintReport();
  ASSERT_EQ(printers.pages.size(), 4U);
  EXPECT_EQ(printers.pages[2].settings[PrinterSetting::Duplex], 3);
  EXPECT_EQ(printers.pages[3].settings[PrinterSetting::Duplex], 2);
}

TEST_F(ReportSessionTest, DialogThatFailsEndsTheHandlerQuietly) {
  auto s = Start(Files());
  ScriptedDialog dialog;  // no script: the backend throws
  s->PrintWithDialog(dialog);
  EXPECT_TRUE(printers.pages.empty());
  EXPECT_TRUE(services.prompts.shown.empty());
}

}  // namespace
}  // namespace cadro
