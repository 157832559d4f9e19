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

TEST(OutcomeTextTest, KnownCodesAndTheRest) {
  EXPECT_EQ(OutcomeText(-2), "Added this Addon to Launch.Local");
  EXPECT_EQ(OutcomeText(-3), "Addon already correctly configured on Launch.Local");
  EXPECT_EQ(OutcomeText(-4), "Updating Launch.Local with the latest Addon setting");
  EXPECT_EQ(OutcomeText(-5), "Addon settings removed from Launch.Local");
  EXPECT_EQ(OutcomeText(0), "Result = 0");
  EXPECT_EQ(OutcomeText(70), "Result = 70");
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

TEST_F(LaunchUpdateTest, AnOldBlockWithoutTerminatorEndsAtTheNextHeader) {
  WriteFileBytes(launch(), kOther + "[Sample-1.2]\r\nExe=sample.exe\r\n" + kLast);
  EXPECT_EQ(Add(kSample13), outcome::kUpdated);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kSample13 + kLast);

  WriteFileBytes(launch(), kOther + "[Sample-1.3]\r\nExe=sample.exe\r\n" + kLast);
  EXPECT_EQ(Remove(kSample13), outcome::kRemoved);
  EXPECT_EQ(ReadFileBytes(launch()), kOther + kLast);
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

TEST_F(LaunchUpdateTest, UnparsableHeaderIsReportedAndNothingIsWritten) {
  WriteFileBytes(launch(), kOther);
  EXPECT_EQ(Add("[Sample1.2]\r\nExe=x\r\n"), outcome::kReportedFailure);
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text,
            "Error at Step: 203\r\n>>>RegID=[Sample1.2], Pos1=1, pos2=0, pos3=11, AppName=, AppRev=");
  EXPECT_FALSE(ts.prompts.shown[0].question);

  // A missing loader file gives an empty header, for the uninstall too, which never throws.
  std::filesystem::remove(loader());
  EXPECT_EQ(Update().RemoveAddon(launch()), outcome::kReportedFailure);
  ASSERT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_EQ(ts.prompts.shown[1].text,
            "Error at Step: 303\r\n>>>RegID=, Pos1=0, pos2=0, pos3=0, AppName=, AppRev=");
  EXPECT_EQ(ReadFileBytes(launch()), kOther);
  EXPECT_EQ(ts.eventLog.entries.size(), 2u);
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
