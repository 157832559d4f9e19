// The Launch.local update on real files: every result is compared byte for byte.
#include "LaunchUpdate.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "FileIO.h"
#include "FileLib.h"
#include "RunError.h"
#include "TestKit.h"

namespace cadro::addlaunch {
namespace {

using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;

const std::string kOther = "[Other-1.0]\r\nExe=other.exe\r\n/ [EOA]\r\n";
const std::string kLast = "[Last-3.1]\r\nExe=last.exe\r\nArgs=App\r\n/ [EOA]\r\n";
const std::string kSample12 = "[Sample-1.2]\r\nExe=sample.exe\r\nMenu=Sample\r\n/ [EOA]\r\n";
const std::string kSample13 = "[Sample-1.3]\r\nExe=sample2.exe\r\nMenu=Sample\r\n/ [EOA]\r\n";

class LaunchUpdateTest : public ::testing::Test {
protected:
  std::string launch() const { return dir.File("Launch.local"); }
  std::string loader() const { return dir.File("Sample.local"); }

  std::int16_t Add(const std::string& loaderBytes) {
    WriteFileBytes(loader(), loaderBytes);
    return Update().AddAddon(launch());
  }
  std::int16_t Remove(const std::string& loaderBytes) {
    WriteFileBytes(loader(), loaderBytes);
    return Update().RemoveAddon(launch());
  }
  LaunchUpdate Update() {
    return LaunchUpdate(
        loader(), files, ts.prompts, ts.eventLog,
        [this](const std::string& line) { progress.push_back(line); }, step);
  }

  cadro::testing::TempDir dir;
  cadro::testing::TestServices ts;
  FileLib files{ts.eventLog};
  std::vector<std::string> progress;
  std::int16_t step = 42;
};

TEST(RegistrationHeaderTest, NameEndsAtTheFirstHyphen) {
  const RegistrationHeader h = ParseHeader("  [My-App-2.0]  ");
  EXPECT_TRUE(h.valid);
  EXPECT_EQ(h.regId, "[My-App-2.0]");
  EXPECT_EQ(h.appName, "My");
  EXPECT_EQ(h.appRev, "App-2.0");
  EXPECT_EQ(h.pos1, 1);
  EXPECT_EQ(h.pos2, 4);
  EXPECT_EQ(h.pos3, 12);
}

TEST(RegistrationHeaderTest, UnparsableHeadersAreRejected) {
  for (const char* bad : {"", "[Sample1.2]", "[Sample]-1.2", "Sample-1.2]", "[-1.2]", "x[Sample-1.2]"}) {
    EXPECT_FALSE(ParseHeader(bad).valid) << bad;
  }
  EXPECT_TRUE(ParseHeader("[Sample-]").valid);  // an empty revision still names the add-on
}

TEST_F(LaunchUpdateTest, FirstInstallCreatesTheFileWithALeadingEmptyLine) {
  EXPECT_EQ(Add(kSample12), outcome::kAdded);
  // The loader's final line break leaves one empty line after the block.
  EXPECT_EQ(ReadFileBytes(launch()), "\r\n" + kSample12 + "\r\n");
  EXPECT_EQ(step, 205);
  const std::vector<std::string> expected = {"Reading: " + launch(), "Reading: " + loader(),
                                             ">>>Finding: " + kSample12, "Reading: " + launch()};
  EXPECT_EQ(progress, expected);
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(LaunchUpdateTest, FirstInstallAppendsAfterTheOtherBlocksUntouched) {
  WriteFileBytes(launch(), kOther + "\r\n" + kLast);
  EXPECT_EQ(Add("[Sample-1.2]\r\nExe=sample.exe\r\nMenu=Sample\r\n/ [EOA]"), outcome::kAdded);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + "\r\n" + kLast + "\r\n" + kSample12);
}

TEST_F(LaunchUpdateTest, ReinstallOfTheSameRevisionWritesNothing) {
  const std::string before = kOther + "\r\n\r\n" + kSample12 + kLast;  // not in normal form
  WriteFileBytes(launch(), before);
  ::chmod(launch().c_str(), 0444);  // any write attempt would now fail with 70
  EXPECT_EQ(Add(kSample12), outcome::kAlreadyConfigured);
  EXPECT_EQ(step, 206);
  EXPECT_EQ(ReadFileBytes(launch()), before);
}

TEST_F(LaunchUpdateTest, UpgradeReplacesTheBlockInPlaceAndNormalisesTheRest) {
  WriteFileBytes(launch(), "\r\n" + kOther + "\r\n\r\n" + kSample12 + "\r\n" + kLast + "\r\n\r\n");
  EXPECT_EQ(Add(kSample13), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + kLast);
}

TEST_F(LaunchUpdateTest, UninstallRemovesOnlyThatRevision) {
  WriteFileBytes(launch(), kOther + "\r\n" + kSample12 + kLast);
  EXPECT_EQ(Remove(kSample12), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kLast);
  EXPECT_EQ(progress.size(), 2u);

  // Another revision registered: nothing is removed, the file is still brought to normal form.
  WriteFileBytes(launch(), kOther + "\r\n" + kSample12);
  EXPECT_EQ(Remove(kSample13), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample12);
}

TEST_F(LaunchUpdateTest, UninstallWithoutLaunchFileLeavesAnEmptyLine) {
  EXPECT_EQ(Remove(kSample12), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), "\r\n");
}

// A name inside another add-on's name or settings must never pass for this add-on's block.
TEST_F(LaunchUpdateTest, OnlyTheHeaderLineIdentifiesABlock) {
  const std::string myApp = "[MyApp-1.0]\r\nExe=myapp.exe\r\n/ [EOA]\r\n";
  const std::string app10 = "[App-1.0]\r\nExe=app.exe\r\n/ [EOA]\r\n";
  const std::string app20 = "[App-2.0]\r\nExe=app2.exe\r\n/ [EOA]\r\n";
  WriteFileBytes(launch(), myApp + kLast);  // kLast carries "Args=App"
  EXPECT_EQ(Add(app20), outcome::kAdded);
  EXPECT_EQ(ReadFileBytes(launch()), myApp + kLast + "\r\n" + app20 + "\r\n");

  WriteFileBytes(launch(), myApp + app10 + kLast);
  EXPECT_EQ(Add(app20), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), myApp + app20 + kLast);

  EXPECT_EQ(Remove(app20), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), myApp + kLast);
}

// An old block ends at its terminator or at the next header line, whichever comes first. A
// header-shaped line inside a block may be another add-on's header whose predecessor lost its
// terminator: it stays, with its lines, rather than risk dropping a registration.
TEST_F(LaunchUpdateTest, ABlockEndsAtItsTerminatorOrAtTheNextHeader) {
  const std::string lastOpen = "[Last-3.1]\r\nExe=last.exe\r\n";  // no terminator either
  WriteFileBytes(launch(), kOther + "[Sample-1.2]\r\nExe=sample.exe\r\n" + lastOpen);
  EXPECT_EQ(Add(kSample13), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + lastOpen);

  WriteFileBytes(launch(), kOther + "[Sample-1.3]\r\nExe=sample.exe\r\n" + lastOpen);
  EXPECT_EQ(Remove(kSample13), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + lastOpen);

  // The block after the unterminated one has its terminator: it is still not the old block's.
  WriteFileBytes(launch(), "[Sample-1.2]\r\nExe=sample.exe\r\n" + kOther + kLast);
  EXPECT_EQ(Add(kSample13), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kSample13 + kOther + kLast);
  WriteFileBytes(launch(), "[Sample-1.2]\r\nExe=sample.exe\r\n" + kOther + kLast);
  EXPECT_EQ(Remove(kSample12), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kLast);

  const std::string options = "[Run-Opts]\r\nMode=2\r\n/ [EOA]\r\n";
  WriteFileBytes(launch(), kOther + "[Sample-1.2]\r\nExe=sample.exe\r\n" + options + kLast);
  EXPECT_EQ(Add(kSample13), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + options + kLast);
  WriteFileBytes(launch(), kOther + "[Sample-1.2]\r\nExe=sample.exe\r\n" + options + kLast);
  EXPECT_EQ(Remove(kSample12), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + options + kLast);

  // A bracketed setting with a hyphen after its "]" is no header: it goes with its block.
  const std::string bracketed = "[Sample-1.2]\r\n[Paths] C:-D\r\nExe=sample.exe\r\n/ [EOA]\r\n";
  WriteFileBytes(launch(), kOther + bracketed + kLast);
  EXPECT_EQ(Add(kSample13), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + kLast);
  WriteFileBytes(launch(), kOther + bracketed + kLast);
  EXPECT_EQ(Remove(kSample12), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kLast);

  // A block of this add-on always begins at its own header, even inside an unfinished one.
  WriteFileBytes(launch(), "[Sample-1.1]\r\nExe=old.exe\r\n" + kSample12 + kLast);
  EXPECT_EQ(Remove(kSample12), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), "[Sample-1.1]\r\nExe=old.exe\r\n" + kLast);
}

// The operator learns which old block had to be bounded without its terminator, and where.
TEST_F(LaunchUpdateTest, AnUnterminatedOldBlockIsToldWithWhereItEnded) {
  std::vector<std::string> notices;
  const auto update = [&] {
    return LaunchUpdate(
        loader(), files, ts.prompts, ts.eventLog,
        [this](const std::string& line) { progress.push_back(line); }, step,
        [&](const std::string& note) { notices.push_back(note); });
  };
  WriteFileBytes(launch(),
                 kOther + "  [Sample-1.2]\r\nExe=sample.exe\r\n" + kLast + "[Sample-1.1]\r\nExe=x\r\n");
  WriteFileBytes(loader(), kSample13);
  EXPECT_EQ(update().AddAddon(launch()), outcome::kUpdated);
  const std::vector<std::string> expected = {
      "The old block [Sample-1.2] on line 4 had no \"/ [EOA]\" line of its own: it was ended at line 6, "
      "where [Last-3.1] begins",
      "The old block [Sample-1.1] on line 10 had no \"/ [EOA]\" line of its own: it was ended at the end of "
      "the file"};
  EXPECT_EQ(notices, expected);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + kLast);

  // Blocks with their terminators, or an unterminated block that stays, are no news.
  notices.clear();
  EXPECT_EQ(update().AddAddon(launch()), outcome::kAlreadyConfigured);
  WriteFileBytes(launch(), kOther + "[Sample-1.2]\r\nExe=sample.exe\r\n");
  EXPECT_EQ(update().AddAddon(launch()), outcome::kUpdated);
  WriteFileBytes(launch(), kOther + "[Sample-1.2]\r\nExe=sample.exe\r\n");
  EXPECT_EQ(update().RemoveAddon(launch()), outcome::kRemoved);
  ASSERT_EQ(notices.size(), 1u);
  EXPECT_EQ(notices[0],
            "The old block [Sample-1.2] on line 4 had no \"/ [EOA]\" line of its own: it was ended "
            "at the end of the file");
  EXPECT_EQ(ReadFileBytes(launch()), kOther + "[Sample-1.2]\r\nExe=sample.exe\r\n");
}

// Editors leave LF or CR line ends; every one of them ends a line, and what is written has CR LF.
TEST_F(LaunchUpdateTest, AnyLineEndEndsALineAndCrLfIsWritten) {
  auto withEnds = [](std::string text, const std::string& end) {
    std::string out;
    for (std::size_t at = 0; (at = text.find("\r\n")) != std::string::npos;) {
      out += text.substr(0, at) + end;
      text.erase(0, at + 2);
    }
    return out + text;
  };
  for (const std::string end : {"\n", "\r"}) {
    SCOPED_TRACE(end == "\n" ? "LF" : "CR");
    // A loader with other line ends is still a header and settings, not one glued line.
    std::filesystem::remove(launch());
    progress.clear();
    EXPECT_EQ(Add(withEnds(kSample12, end)), outcome::kAdded);
    EXPECT_EQ(ReadFileBytes(launch()), "\r\n" + kSample12 + "\r\n");

    // Launch.local with other line ends: the add-on is found there, not registered twice.
    WriteFileBytes(launch(), withEnds(kOther + kSample12 + kLast, end));
    EXPECT_EQ(Add(kSample12), outcome::kAlreadyConfigured);
    EXPECT_EQ(Add(kSample13), outcome::kUpdated);
    EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + kLast);

    // The new block itself comes with CR LF, whatever the loader had.
    WriteFileBytes(launch(), kOther + kSample12 + kLast);
    EXPECT_EQ(Add(withEnds(kSample13, end)), outcome::kUpdated);
    EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + kLast);

    // Removal reads the lines the same way: the other blocks stay.
    WriteFileBytes(launch(), withEnds(kOther + kSample12 + kLast, end));
    EXPECT_EQ(Remove(withEnds(kSample12, end)), outcome::kRemoved);
    EXPECT_EQ(ReadFileBytes(launch()), kOther + kLast);

    // A first install keeps the file's lines as they are, with CR LF after each.
    WriteFileBytes(launch(), withEnds(kOther + "\r\n" + kLast, end));
    EXPECT_EQ(Add(kSample12), outcome::kAdded);
    EXPECT_EQ(ReadFileBytes(launch()), kOther + "\r\n" + kLast + "\r\n" + kSample12 + "\r\n");
  }
}

// The host would start the add-on once per block.
TEST_F(LaunchUpdateTest, InstallingTheRegisteredRevisionDropsStaleBlocksOfTheAddon) {
  WriteFileBytes(launch(), "[Sample-1.1]\r\nExe=old.exe\r\n/ [EOA]\r\n" + kOther + kSample12 + kLast);
  EXPECT_EQ(Add(kSample12), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kSample12 + kOther + kLast);
  EXPECT_EQ(Add(kSample12), outcome::kAlreadyConfigured);

  // Twice the same revision is one too many as well.
  WriteFileBytes(launch(), kSample12 + kOther + kSample12);
  EXPECT_EQ(Add(kSample12), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kSample12 + kOther);
}

TEST_F(LaunchUpdateTest, LoaderWithoutFinalLineBreakStillEndsItsLine) {
  WriteFileBytes(launch(), kSample12 + kLast);
  EXPECT_EQ(Add("[Sample-1.3]\r\nExe=sample2.exe\r\nMenu=Sample\r\n/ [EOA]"), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kSample13 + kLast);
}

TEST_F(LaunchUpdateTest, ASecondRegistrationOfTheSameAddonIsDroppedOnUpgrade) {
  WriteFileBytes(launch(), kSample12 + kOther + "[Sample-1.1]\r\nExe=old.exe\r\n/ [EOA]\r\n");
  EXPECT_EQ(Add(kSample13), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kSample13 + kOther);
}

// The box keeps the step and the header's parts, and says which file is wrong and how.
TEST_F(LaunchUpdateTest, ALoaderProblemIsReportedWithItsFileAndNothingIsWritten) {
  WriteFileBytes(launch(), kOther);
  EXPECT_EQ(Add("[Sample1.2]\r\nExe=x\r\n"), outcome::kReportedFailure);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text,
            "Error at Step: 203\r\n>>>RegID=[Sample1.2], Pos1=1, pos2=0, pos3=11, AppName=, AppRev=\r\n"
            "The first line of the loader file " +
                loader() + " must be its header, such as [Name-1.0].");
  EXPECT_FALSE(ts.prompts.shown[0].question);

  // A missing loader file, for the uninstall too, which never throws.
  std::filesystem::remove(loader());
  EXPECT_EQ(Update().RemoveAddon(launch()), outcome::kReportedFailure);
  ASSERT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_EQ(ts.prompts.shown[1].text,
            "Error at Step: 303\r\n>>>RegID=, Pos1=0, pos2=0, pos3=0, AppName=, AppRev=\r\n"
            "The loader file " +
                loader() + " was not found.");
  EXPECT_EQ(Update().AddAddon(launch()), outcome::kReportedFailure);
  EXPECT_EQ(ts.prompts.shown[2].text,
            "Error at Step: 203\r\n>>>RegID=, Pos1=0, pos2=0, pos3=0, AppName=, AppRev=\r\n"
            "The loader file " +
                loader() + " was not found.");

  // An empty one, or one with nothing but blanks before its first line end.
  for (const char* empty : {"", "  \r\n[Sample-1.2]\r\n"}) {
    EXPECT_EQ(Add(empty), outcome::kReportedFailure);
    EXPECT_EQ(ts.prompts.shown.back().text.substr(ts.prompts.shown.back().text.find("\r\nThe")),
              std::string(*empty ? "\r\nThe first line of the loader file " : "\r\nThe loader file ") +
                  loader() + (*empty ? " must be its header, such as [Name-1.0]." : " is empty."));
  }
  EXPECT_EQ(ReadFileBytes(launch()), kOther);
  EXPECT_EQ(ts.eventLog.entries.size(), 5u);
  EXPECT_NE(ts.eventLog.entries[1].find(loader()), std::string::npos);
}

// The window shows the loader's text; a huge file shows its start, and is still written whole.
TEST_F(LaunchUpdateTest, ABigLoaderIsShownBoundedAndWrittenWhole) {
  std::string big = "[Sample-1.2]\r\n";
  while (big.size() < 1'000'000) big += "Setting=" + std::string(60, 'x') + "\r\n";
  big += "/ [EOA]\r\n";
  EXPECT_EQ(Add(big), outcome::kAdded);
  EXPECT_EQ(ReadFileBytes(launch()), "\r\n" + big + "\r\n");
  ASSERT_EQ(progress.size(), 4u);
  const std::string& finding = progress[2];
  EXPECT_LE(finding.size(), 4096u);
  EXPECT_EQ(finding.rfind(">>>Finding: " + big.substr(0, 1000), 0), 0u);
  EXPECT_TRUE(finding.ends_with("..."));

  // A loader of exactly the echo's size is shown whole; one byte more is cut.
  std::string exact = "[Sample-1.3]\r\n/ [EOA]\r\n";
  exact += std::string(2048 - exact.size(), 'x');
  EXPECT_EQ(LoaderEcho(exact), exact);
  EXPECT_EQ(LoaderEcho(exact + "y"), exact + "...");
}

TEST_F(LaunchUpdateTest, AFailedWriteIsPassedUpAndLeavesTheOldFile) {
  WriteFileBytes(launch(), kSample12);
  ::chmod(launch().c_str(), 0444);
  EXPECT_EQ(Add(kSample13), 70);
  EXPECT_EQ(Remove(kSample12), 70);
  EXPECT_EQ(ReadFileBytes(launch()), kSample12);
  EXPECT_TRUE(ts.prompts.shown.empty());

  // No data directory: "Path not found".
  WriteFileBytes(loader(), kSample12);
  EXPECT_EQ(Update().AddAddon(dir.File("missing/Launch.local")), 76);

  // A disk that fills up half-way: the old content survives whole.
  ::chmod(launch().c_str(), 0644);
  SetWriteFaultHookForTests([](std::size_t) { return false; });
  EXPECT_EQ(Add(kSample13), 61);
  SetWriteFaultHookForTests(nullptr);
  EXPECT_EQ(ReadFileBytes(launch()), kSample12);
}

TEST_F(LaunchUpdateTest, AnUnreadableLaunchFileIsReportedAtItsStep) {
  files.SetFileReaderForTests([](const std::string&) -> std::string { throw MakeRunError(70); });
  WriteFileBytes(launch(), kOther);
  EXPECT_EQ(Add(kSample12), outcome::kReportedFailure);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text.rfind("Error at Step: 201\r\n", 0), 0u);
  EXPECT_EQ(ReadFileBytes(launch()), kOther);
}

// The sample files in host_standin/addon: the 1.2 block between others becomes 1.3 in place, and
// "SampleViewer" and a block whose settings say "-Sample" are never mistaken for it.
TEST_F(LaunchUpdateTest, TheSampleFilesUpgradeAndUninstall) {
  const std::string samples = ADDLAUNCH_SAMPLES;
  std::filesystem::copy_file(samples + "/Launch.local", launch());
  std::filesystem::copy_file(samples + "/Sample.local", loader());
  const std::string cadrocts =
      "[Cadrocts-3.4.5]\r\nCaption=Cadro Call Taking\r\nProgram=C:\\Cadro\\Cadrocts.exe\r\nMenu=Forms\r\n"
      "Startup=No\r\n/ [EOA]\r\n";
  const std::string viewer =
      "[SampleViewer-0.9]\r\nCaption=Viewer for Sample "
      "reports\r\nProgram=C:\\Addons\\SampleViewer\\Viewer.exe\r\n"
      "Menu=Tools\r\n/ [EOA]\r\n";
  const std::string radiogram =
      "[Radiogram-1.1]\r\nCaption=Radiogram Forms\r\nProgram=C:\\Addons\\Radiogram\\Radiogram.exe\r\n"
      "Args=-Sample\r\nMenu=Forms\r\n/ [EOA]\r\n";
  const std::string sample13 = ReadFileBytes(loader());

  EXPECT_EQ(Update().AddAddon(launch()), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), cadrocts + viewer + sample13 + radiogram);
  EXPECT_EQ(Update().AddAddon(launch()), outcome::kAlreadyConfigured);
  EXPECT_EQ(Update().RemoveAddon(launch()), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), cadrocts + viewer + radiogram);
}

}  // namespace
}  // namespace cadro::addlaunch
