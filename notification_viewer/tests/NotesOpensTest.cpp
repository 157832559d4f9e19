// Whether anyone holds the notes file is told from the processes' open files, and a look counts
// only when nobody opened or closed the file while it lasted.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "NotesOpens.h"
#include "TestKit.h"

using cadro::NotesOpens;
using cadro::testing::TempDir;

namespace {

int OpenFor(const std::string& path, int flags) {
  return ::open(path.c_str(), flags | O_CLOEXEC, 0644);
}

}  // namespace

TEST(NotesOpens, EveryOpenCloseRenameAndDeletionOfTheNotesFilesIsSeen) {
  TempDir dir;
  NotesOpens opens(dir.path().string(), "Vtnote.dat");
  ASSERT_TRUE(opens.Watching());
  const std::string notes = dir.File("Vtnote.dat");
  auto changed = [&opens](const std::string& name, auto action) {
    opens.Update();
    const auto before = opens.Events(name);
    action();
    opens.Update();
    return opens.Events(name) != before;
  };
  int writer = -1;
  EXPECT_TRUE(changed("Vtnote.dat", [&] { writer = OpenFor(notes, O_WRONLY | O_CREAT | O_APPEND); }));
  // Two opens in a row are reported as one; still, something happened.
  EXPECT_TRUE(changed("Vtnote.dat", [&] {
    ::close(OpenFor(notes, O_RDONLY));
    ::close(OpenFor(notes, O_RDONLY));
  }));
  EXPECT_FALSE(changed("Vtnote.dat", [&] { EXPECT_EQ(::write(writer, "1|a\r\n", 5), 5); }));
  EXPECT_TRUE(changed("Vtnote.dat.taken", [&] { std::rename(notes.c_str(), (notes + ".taken").c_str()); }));
  EXPECT_TRUE(changed("Vtnote.dat.taken", [&] { ::unlink((notes + ".taken").c_str()); }));
  EXPECT_TRUE(changed("Vtnote.dat.taken", [&] { ::close(writer); }));  // by the name it had
  EXPECT_FALSE(changed("Vtnote.dat", [&] { ::close(OpenFor(dir.File("other"), O_WRONLY | O_CREAT)); }));
}

// Without its watch every look would count as disturbed, and a free file would never be taken:
// the folder is watched again once it is back, and then a quiet moment counts as quiet again.
TEST(NotesOpens, AFolderThatGoesAndComesBackIsWatchedAgain) {
  TempDir dir;
  const std::filesystem::path logs = dir.path() / "logs";
  std::filesystem::create_directory(logs);
  NotesOpens opens(logs.string(), "Vtnote.dat");
  ASSERT_TRUE(opens.Watching());
  std::filesystem::remove_all(logs);
  opens.Update();
  EXPECT_FALSE(opens.Watching());
  const auto gone = opens.Events("Vtnote.dat");
  opens.Update();
  EXPECT_NE(opens.Events("Vtnote.dat"), gone) << "while unwatched, anything may have happened";
  std::filesystem::create_directory(logs);
  opens.Update();
  ASSERT_TRUE(opens.Watching());
  for (int round = 0; round < 2; ++round) {
    const auto quiet = opens.Events("Vtnote.dat");
    opens.Update();
    EXPECT_EQ(opens.Events("Vtnote.dat"), quiet);
    ::close(OpenFor((logs / "Vtnote.dat").string(), O_WRONLY | O_CREAT | O_APPEND));
    opens.Update();
    EXPECT_NE(opens.Events("Vtnote.dat"), quiet);
  }
}

TEST(NotesOpens, TheProcessesTellWhoHoldsTheFileApartFromTheViewersOwn) {
  TempDir dir;
  const std::string notes = dir.File("Vtnote.dat");
  const int writer = OpenFor(notes, O_WRONLY | O_CREAT | O_APPEND);
  const int mine = OpenFor(notes, O_RDONLY);
  EXPECT_EQ(NotesOpens::ScanProcesses(mine, {mine}), NotesOpens::Scan::Held);
  EXPECT_EQ(NotesOpens::ScanProcesses(mine, {mine, writer}), NotesOpens::Scan::Free);
  // Still held once its name is gone.
  ::unlink(notes.c_str());
  EXPECT_EQ(NotesOpens::ScanProcesses(mine, {mine}), NotesOpens::Scan::Held);
  ::close(writer);
  EXPECT_EQ(NotesOpens::ScanProcesses(mine, {mine}), NotesOpens::Scan::Free);
  ::close(mine);
}
