// The profile belongs to the host: a rewrite by this program must not lose what the host wrote.
#include <gtest/gtest.h>

#include "FileIO.h"
#include "ProfileFixture.h"

using namespace cadro;
using namespace cadro::testing;

TEST_F(ProfileFixture, ARewriteKeepsKeysItDoesNotKnow) {
  WriteProfile(
      "[GENERAL VARIABLES]\r\nVersion=3.4.0 c5\r\nFutureKey=keep me\r\n\r\n"
      "[COMM PORT]\r\nCommPort=3\r\nCommFutureMode=fast\r\n\r\n"
      "[ADDED BY A NEWER HOST]\r\nWhatever=1\r\n");
  auto ini = Start();
  ini->SetNumber(ProfileKey::CommPort, 4);
  ini->Release();
  const std::string after = Profile();
  SCOPED_TRACE(after);
  EXPECT_NE(after.find("\r\nFutureKey=keep me\r\n"), std::string::npos);
  EXPECT_NE(after.find("[COMM PORT]\r\nCommPort=4\r\nCommFutureMode=fast\r\n"), std::string::npos);
  EXPECT_NE(after.find("[ADDED BY A NEWER HOST]\r\nWhatever=1\r\n"), std::string::npos);
  // Keys the file lacked join their own sections, so the host finds every key.
  EXPECT_NE(after.find("CommFutureMode=fast\r\nCommSettings=9600,n,8,1\r\nCommPortLimit="
                       "200\r\nCommHandshaking=2\r\nCommEcho=-1\r\n"),
            std::string::npos);
  EXPECT_NE(after.find("\r\n\r\n[IDENTIFICATION]\r\nUsrCall=\r\n"), std::string::npos);
  EXPECT_NE(after.find("[GENERAL VARIABLES]\r\nVersion=3.4.0 c5\r\nFutureKey=keep me\r\nBbsCName=\r\n"),
            std::string::npos);
}

TEST_F(ProfileFixture, MissingKeysJoinTheFirstOfARepeatedSection) {
  // The host reads a section where it first finds it; a key added further down is never seen.
  WriteProfile(
      "[GENERAL VARIABLES]\r\nVersion=3.4.0 c5\r\n\r\n[COMM PORT]\r\nCommPort=3\r\n\r\n"
      "[LATER]\r\nA=1\r\n\r\n[COMM PORT]\r\nHostNote=2\r\n");
  auto ini = Start();
  ini->SetNumber(ProfileKey::CommPort, 4);
  ini->Release();
  const std::string after = Profile();
  SCOPED_TRACE(after);
  EXPECT_NE(after.find("[COMM PORT]\r\nCommPort=4\r\nCommSettings=9600,n,8,1\r\n"), std::string::npos);
  EXPECT_NE(after.find("[LATER]\r\nA=1\r\n\r\n[COMM PORT]\r\nHostNote=2\r\n"), std::string::npos);
  EXPECT_EQ(after.find("HostNote=2\r\nComm"), std::string::npos);
}

TEST_F(ProfileFixture, ARewriteNeverUndoesTheHostsLaterChanges) {
  auto ini = Start();  // a new profile with defaults
  // The host edits its profile while the viewer runs.
  std::string host = Profile();
  host.replace(host.find("DirLogs="), 8, "DirLogs=C:\\VData\\logs");
  host.replace(host.find("PlayOnNotif=0"), 13, "PlayOnNotif=1");
  host += "HostOnly=yes\r\n";
  WriteProfile(host);
  // The viewer changes one value of its own and releases the profile.
  ini->SetText(ProfileKey::City, "Springfield");
  ini->Release();
  std::string expected = host;
  expected.replace(expected.find("City="), 5, "City=Springfield");
  EXPECT_EQ(Profile(), expected);
}

TEST_F(ProfileFixture, TheHostsTokensAndFormattingStayWhereNothingChanged) {
  WriteProfile("[DIRECTORIES]\r\nDirLogs = +DATA_PATH\\logs \r\n\r\n[GENERAL PREFERENCES]\r\nMRC=4\r\n");
  auto ini = Start();
  ini->SetNumber(ProfileKey::MRC, 6);
  ini->Release();
  const std::string after = Profile();
  EXPECT_EQ(after.rfind("[DIRECTORIES]\r\nDirLogs = +DATA_PATH\\logs \r\n", 0), 0u);
  EXPECT_NE(after.find("MRC=6\r\n"), std::string::npos);
}

TEST_F(ProfileFixture, AFailedRewriteLeavesTheOldFile) {
  auto ini = Start();
  const std::string before = Profile();
  ini->SetNumber(ProfileKey::MRC, 9);
  SetWriteFaultHookForTests([](std::size_t written) { return written < 100; });
  ini->SaveProfile();
  SetWriteFaultHookForTests({});
  EXPECT_EQ(Profile(), before);
  EXPECT_TRUE(ini->Dirty());
  EXPECT_EQ(ts.eventLog.entries.at(0).rfind("61, Disk full; VtIni:Write", 0), 0u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path() / "data"), {}), 1);
}
