// The viewer's load, polls and unload, driven without a window.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "NoteViewer.h"
#include "NotesWriter.h"
#include "TestKit.h"

using namespace cadro;
namespace fs = std::filesystem;

namespace {
class SilentPlayer final : public SoundPlayer {
public:
  bool PlayAsync(const std::string& file) override {
    played.push_back(file);
    return true;
  }
  std::vector<std::string> played;
};
}  // namespace

TEST(NoteViewer, LoadsTheHostsProfileShowsItsNotesAndWritesItBackAtUnload) {
  cadro::testing::TempDir dir;
  fs::create_directories(dir.path() / "data" / "logs");
  cadro::testing::TestServices ts;
  ts.settings.Set("Vantrel Packet Message Manager", "Settings", "ProfName", "Field");
  cadro::testing::WriteFileBytes(dir.File("data/Field.profile"),
                                 "[DIRECTORIES]\r\nDirLogs=+DATA_PATH\\logs\r\n[SEND/RECEIVE PREFERENCES]\r\n"
                                 "PlayOnNotif=1\r\nFilePON=APP_PATH\\notify.wav\r\n");
  FileLib lib(ts.eventLog, dir.File("program"));
  lib.SetDataPath(dir.File("data"));
  SilentPlayer sound;
  NoteViewer viewer(ts.services, lib, sound, "3.4.0 c5", "Vtnotification", [] { return std::string("now"); });
  EXPECT_FALSE(viewer.Started());
  viewer.Start();
  ASSERT_TRUE(viewer.Started());
  EXPECT_EQ(viewer.Inbox().NotesFile(), dir.File("data/logs/Vtnote.dat"));

  for (int i = 0; i < 3; ++i)
    standin::AppendNote(viewer.Inbox().NotesFile(), standin::NoteRecord(1, "n" + std::to_string(i)));
  EXPECT_EQ(viewer.Service().GetNote(), 3);
  EXPECT_EQ(sound.played.size(), 1u);
  // A writer that still holds the notes file when the viewer unloads: its whole lines are shown,
  // and the file stays where it is for the next viewer.
  standin::HeldNotesFile host(viewer.Inbox().NotesFile());
  host.Append("2|at the close\r\n3|half");
  EXPECT_EQ(viewer.Unload(), 1);
  EXPECT_EQ(cadro::testing::ReadFileBytes(dir.File("data/Srnote.tmp")),
            "now -- (N1) n0\r\nnow -- (N1) n1\r\nnow -- (N1) n2\r\nnow -- (N2) at the close\r\n");
  EXPECT_TRUE(host.StillTheNotesFile());
  const std::string profile = cadro::testing::ReadFileBytes(dir.File("data/Field.profile"));
  EXPECT_NE(profile.find("\r\nFilePON=APP_PATH\\notify.wav\r\n"), std::string::npos);
  EXPECT_NE(profile.find("\r\nMRC=4\r\n"), std::string::npos);
  // The next viewer shows the rest once the host is done, and takes the file once it has been
  // left alone.
  host.Append(" done\r\n");
  host.Close();
  NoteViewer next(ts.services, lib, sound, "3.4.0 c5", "Vtnotification", [] { return std::string("later"); });
  next.Start();
  EXPECT_EQ(next.Service().GetNote(), 1);
  EXPECT_TRUE(fs::exists(next.Inbox().NotesFile()));
  std::this_thread::sleep_for(NotesInbox::kQuiet);
  EXPECT_EQ(next.Service().GetNote(), 0);
  EXPECT_EQ(next.Unload(), 0);
  EXPECT_NE(cadro::testing::ReadFileBytes(dir.File("data/Srnote.tmp"))
                .find("\r\nnow -- (N2) at the close\r\nlater -- (N3) half done\r\n"),
            std::string::npos);
  EXPECT_TRUE(fs::is_empty(dir.path() / "data" / "logs"));
}
