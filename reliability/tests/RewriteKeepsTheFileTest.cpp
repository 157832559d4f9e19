// A rewrite changes the text and nothing else: through each of the four savers, a target that is
// a link into another folder stays a link and the file it leads to gets the new text, with the
// mode, owner and group it had, set-user-ID and set-group-ID bits included (a change of owner
// clears those, so the order of the two steps is what keeps them).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "FileIO.h"
#include "Savers.h"
#include "TestKit.h"

namespace cadro::reliability {
namespace {

namespace fs = std::filesystem;
using cadro::testing::ReadFileBytes;
using cadro::testing::TempDir;
using cadro::testing::TestServices;

TEST(EveryRewrite, KeepsLinksModeOwnerAndGroup) {
  const bool root = ::geteuid() == 0;
  std::vector<std::pair<SaveKind, mode_t>> cases;
  for (const mode_t mode : {0640u, 06750u}) {
    for (SaveKind kind : kAllKinds) cases.emplace_back(kind, mode);
  }
  for (const auto& [kind, mode] : cases) {
    std::ostringstream name;
    name << KindName(kind) << ", mode 0" << std::oct << mode;
    SCOPED_TRACE(name.str());
    TempDir work;
    const std::string folder = work.File("program");
    const std::string elsewhere = work.File("kept-elsewhere");
    fs::create_directories(folder);
    fs::create_directories(elsewhere);
    fs::create_directories(work.File("inputs"));
    PrepareInputs(kind, work.File("inputs"));

    TestServices t;
    auto saver = MakeSaver(kind, folder, work.File("inputs"), t.services);
    saver->Seed();
    ASSERT_TRUE(saver->Save(0));
    // The file moves to another folder and a relative link takes its place, as an operator who
    // keeps the host's files elsewhere would set it up.
    const std::string real = JoinPath(elsewhere, fs::path(saver->Target()).filename().string());
    fs::rename(saver->Target(), real);
    fs::create_symlink(fs::relative(real, folder), saver->Target());
    if (root) {
      ASSERT_EQ(::chown(real.c_str(), 4242, 4343), 0);
    }
    ASSERT_EQ(::chmod(real.c_str(), mode), 0);
    const std::string before = ReadFileBytes(real);

    ASSERT_TRUE(saver->Save(1)) << (t.prompts.shown.empty() ? "" : t.prompts.shown[0].text);
    EXPECT_TRUE(fs::is_symlink(saver->Target())) << "the link was replaced by a plain file";
    EXPECT_TRUE(ReadFileBytes(real) != before) << "the file behind the link was not rewritten";
    struct stat st {};
    ASSERT_EQ(::stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, mode);
    if (root) {
      EXPECT_EQ(st.st_uid, 4242u);
      EXPECT_EQ(st.st_gid, 4343u);
    }
    EXPECT_TRUE(TemporariesOf(real).empty());
    EXPECT_TRUE(TemporariesOf(saver->Target()).empty());
  }
}

}  // namespace
}  // namespace cadro::reliability
