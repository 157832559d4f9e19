// Rough Launch.local files as years of installers, uninstallers and hand edits leave them, made
// up at random: other add-ons' blocks with and without terminators, header-shaped settings, old
// blocks of this add-on, stray lines, and CR, LF and CR LF mixed. Whatever the file, the update
// must keep what is not the add-on's own. CADRO_SEED=<n> replays a run; a failure prints its seed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "FileLib.h"
#include "LaunchInvariants.h"
#include "LaunchUpdate.h"
#include "TestKit.h"

namespace cadro::addlaunch {
namespace {

using cadro::testing::ReadFileBytes;
using cadro::testing::WriteFileBytes;

class RoughLaunchFiles {
public:
  explicit RoughLaunchFiles(std::uint64_t seed) : rng_(seed) {}

  // A loader for add-on "Sample", of a revision that may or may not be in the file already.
  std::string Loader() {
    std::vector<std::string> lines = {Pick({"[Sample-1.3]", "  [Sample-1.2] ", "[Sample-2.0-beta]"})};
    const int settings = Below(4);
    for (int i = 0; i < settings; ++i) lines.push_back(Setting());
    if (Chance(80)) lines.push_back("/ [EOA]");
    if (Chance(70)) lines.push_back("");  // the final line break
    return Join(lines);
  }

  std::string LaunchFile() {
    std::vector<std::string> lines;
    const int pieces = Below(7);
    for (int i = 0; i < pieces; ++i) {
      switch (Below(6)) {
        case 0:
        case 1:
        case 2:
          Block(lines, Pick({"[Other-1.0]", "[Last-3.1]", " [SampleViewer-0.9]", "[MySample-1.2]",
                             "[Run-Opts]", "[Radio-1-2]", "[-1]"}));
          break;
        case 3: Block(lines, Pick({"[Sample-1.1]", "[Sample-1.2]", "[Sample-1.3]", " [Sample-0.9] "})); break;
        case 4:
          lines.push_back(Pick({"Orphan=1", "", "/ [EOA]", "; a note", "[Loose]", "Menu=[Sample-1.2]"}));
          break;
        default:
          lines.push_back(Pick({"[Hdr-x] / [EOA]", "[Sample-1.2] / [EOA]", "  ", "[Other-1.0]"}));
          break;
      }
    }
    if (Chance(50)) lines.push_back("");
    return Join(lines);
  }

private:
  void Block(std::vector<std::string>& lines, const std::string& header) {
    lines.push_back(header);
    const int settings = Below(4);
    for (int i = 0; i < settings; ++i) lines.push_back(Setting());
    if (Chance(65)) lines.push_back(Pick({"/ [EOA]", "  / [EOA]  ", "x / [EOA]"}));
  }

  std::string Setting() {
    return Pick({"Exe=app.exe", "Args=-Sample", "Menu=Sample", "", "[Run-Opts]", "Mode=2",
                 "Note=see [Last-3.1]", "Path=C:\\Addons\\Sample"});
  }

  // Lines joined with a line end each, picked at random, or one kind for the whole file.
  std::string Join(const std::vector<std::string>& lines) {
    const int style = Below(4);
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0)
        out += style < 3 ? std::vector<std::string>{"\r\n", "\n", "\r"}[style] : Pick({"\r\n", "\n", "\r"});
      out += lines[i];
    }
    return out;
  }

  std::string Pick(std::initializer_list<const char*> options) {
    return *(options.begin() + Below(static_cast<int>(options.size())));
  }
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  bool Chance(int percent) { return Below(100) < percent; }

  std::mt19937_64 rng_;
};

std::uint64_t WalkSeed() {
  if (const char* fixed = std::getenv("CADRO_SEED")) return std::strtoull(fixed, nullptr, 10);
  return std::random_device{}();
}

// Bytes as a C string literal would show them, so a failing case can be pasted into a test.
std::string Shown(const std::string& bytes) {
  std::string out;
  for (char c : bytes) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  return out;
}

TEST(LaunchFileWalk, OtherAddonsBlocksSurviveEveryRoughFile) {
  const std::uint64_t seed = WalkSeed();
  RoughLaunchFiles make(seed);
  for (int i = 0; i < 4000; ++i) {
    const std::string loader = make.Loader();
    const std::string launch = make.LaunchFile();
    const std::string problem = testing::LaunchUpdateViolation(loader, launch);
    ASSERT_EQ(problem, "") << "seed " << seed << " (CADRO_SEED=" << seed << "), case " << i << "\nloader: \""
                           << Shown(loader) << "\"\nLaunch.local: \"" << Shown(launch) << "\"";
  }
}

// The same files through the real update on disk: what is written is what the plan said.
TEST(LaunchFileWalk, TheFilesOnDiskMatchThePlans) {
  const std::uint64_t seed = WalkSeed();
  RoughLaunchFiles make(seed);
  cadro::testing::TempDir dir;
  cadro::testing::TestServices ts;
  FileLib files{ts.eventLog};
  std::int16_t step = 0;
  const std::string launch = dir.File("Launch.local");
  const std::string loader = dir.File("Sample.local");
  LaunchUpdate update(
      loader, files, ts.prompts, ts.eventLog, [](const std::string&) {}, step);
  for (int i = 0; i < 40; ++i) {
    const std::string loaderBytes = make.Loader();
    const std::string before = make.LaunchFile();
    std::string_view rest = loaderBytes;
    const RegistrationHeader header = ParseHeader(TakeFirstLine(rest));
    WriteFileBytes(loader, loaderBytes);
    const auto context = [&] {
      return "seed " + std::to_string(seed) + ", case " + std::to_string(i) + "\nloader: \"" +
             Shown(loaderBytes) + "\"\nLaunch.local: \"" + Shown(before) + "\"";
    };

    WriteFileBytes(launch, before);
    const UpdatePlan install = PlanInstall(before + "\r\n", header, rest);
    ASSERT_EQ(update.AddAddon(launch), install.outcome) << context();
    ASSERT_EQ(ReadFileBytes(launch), install.write ? install.newText : before) << context();

    WriteFileBytes(launch, before);
    ASSERT_EQ(update.RemoveAddon(launch), outcome::kRemoved) << context();
    ASSERT_EQ(ReadFileBytes(launch), PlanRemove(before, header).newText) << context();
  }
  EXPECT_TRUE(ts.prompts.shown.empty());
}

}  // namespace
}  // namespace cadro::addlaunch
