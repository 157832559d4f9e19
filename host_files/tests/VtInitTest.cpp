#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>

#include "HostPath.h"
#include "ProfileFixture.h"
#include "RunError.h"

using namespace cadro;
using namespace cadro::testing;

namespace {

// What the host expects of a profile written from defaults, byte for byte.
const char* const kNewProfile =
    "[GENERAL VARIABLES]\r\n"
    "Version=3.4.0 c5\r\n"
    "BbsCName=\r\n"
    "BbsFName=\r\n"
    "TncName=\r\n"
    "\r\n"
    "[IDENTIFICATION]\r\n"
    "UsrCall=\r\n"
    "UsrName=\r\n"
    "UsrID=\r\n"
    "TCnPEnabled=0\r\n"
    "TacCall=\r\n"
    "TacName=\r\n"
    "TacID=\r\n"
    "ActMyCall=\r\n"
    "ActMyName=\r\n"
    "ActMyID=\r\n"
    "\r\n"
    "[REPORT TAGS]\r\n"
    "LocalMsgNum=100\r\n"
    "City=\r\n"
    "County=\r\n"
    "State=\r\n"
    "Org=\r\n"
    "TacLoc=\r\n"
    "Text2=\r\n"
    "Text3=\r\n"
    "RName=|||\r\n"
    "SLS=0\r\n"
    "SLSChar=-\r\n"
    "MIDsuffixFlag=0\r\n"
    "MIDsuffixChar=P\r\n"
    "MIDsepFlag=1\r\n"
    "MIDsepChar=:_\r\n"
    "SLFormat=yymmddhhmmss\r\n"
    "309AutoOption=0\r\n"
    "309IntTime=15\r\n"
    "TaskID=\r\n"
    "TaskName=\r\n"
    "\r\n"
    "[NTS]\r\n"
    "Precedence=\r\n"
    "HX=\r\n"
    "ArlMsgType=1\r\n"
    "ArlMsgLast=1\r\n"
    "HxMsgLast=1\r\n"
    "NtsAsPrivate=0\r\n"
    "\r\n"
    "[DIRECTORIES]\r\n"
    "DirQF=c:\\qforms\r\n"
    "DirFiles=\r\n"
    "DirLogs=\r\n"
    "DirArchive=\r\n"
    "DirReports=\r\n"
    "DirScripts=\r\n"
    "\r\n"
    "[SEND/RECEIVE PREFERENCES]\r\n"
    "SrAutoOption=0\r\n"
    "SrIntTime=10\r\n"
    "SrSlotTimes=:::\r\n"
    "SendImmediate=0\r\n"
    "SRControl=0\r\n"
    "AutoPrint=0\r\n"
    "AutoPrintwCN=1\r\n"
    "ManuPrintwCN=0\r\n"
    "PrintOnReceipt=0\r\n"
    "PrintOnSend=0\r\n"
    "PrintNumReceipt=1\r\n"
    "PrintNumSend=1\r\n"
    "PrintwHeaders=1\r\n"
    "PrintReceipts=0\r\n"
    "CopyNames=\r\n"
    "PlayOnArrival=0\r\n"
    "FilePOA=\r\n"
    "PlayOnNotif=0\r\n"
    "FilePON=sound136.wav\r\n"
    "ShowSession=1\r\n"
    "Notification=15\r\n"
    "PromptStrength=8\r\n"
    "AutoOpenFrom=\r\n"
    "AutoOpenSubj=\r\n"
    "AutoOpenBody=\r\n"
    "AutoOpenUrgt=0\r\n"
    "AutoOpenAddn=\r\n"
    "\r\n"
    "[TIME PREFERENCES]\r\n"
    "TncTimeOut=5000\r\n"
    "\r\n"
    "[COMM PORT]\r\n"
    "CommSettings=9600,n,8,1\r\n"
    "CommPort=1\r\n"
    "CommPortLimit=200\r\n"
    "CommHandshaking=2\r\n"
    "CommEcho=-1\r\n"
    "\r\n"
    "[MESSAGE PREFERENCES]\r\n"
    "MsgTypeDef=0\r\n"
    "NewMsgDefault=0\r\n"
    "PromptBeforeDelete=1\r\n"
    "CloseOnRF=1\r\n"
    "DefaultDest=\r\n"
    "EnableDD=0\r\n"
    "AutoMsgNum=0\r\n"
    "LMIflag=0\r\n"
    "LMIsuffix=P\r\n"
    "ReqDelReceipt=0\r\n"
    "ReqReadReceipt=0\r\n"
    "AutoReadReceipt=0\r\n"
    "AutoDelvReceipt=0\r\n"
    "QFEnable=0\r\n"
    "LCLQFEnable=0\r\n"
    "SUBQFEnable=0\r\n"
    "VtdEnable=0\r\n"
    "\r\n"
    "[MESSAGE PRESENTATION]\r\n"
    "MsgFontSize=9\r\n"
    "MsgFontName=Courier New\r\n"
    "\r\n"
    "[LOGGING PREFERENCES]\r\n"
    "TxnTrace=0\r\n"
    "CommTrace=0\r\n"
    "DiaTrace=0\r\n"
    "MainDiaTrace=0\r\n"
    "\r\n"
    "[XON/XOFF PREFERENCES]\r\n"
    "XonSize=6\r\n"
    "XonDelay=50\r\n"
    "\r\n"
    "[SCRIPT PREFERENCES]\r\n"
    "RunOnStart=0\r\n"
    "RunOnExit=0\r\n"
    "WaitOnExit=0\r\n"
    "StartScriptName=\r\n"
    "ExitScriptName=\r\n"
    "SRDefFlag=0\r\n"
    "SRScriptName=\r\n"
    "\r\n"
    "[GENERAL PREFERENCES]\r\n"
    "LogonAtStartup=1\r\n"
    "PcTimeCheck=0\r\n"
    "UseContinent=1\r\n"
    "MRC=4\r\n";

// The same layout with every value changed from its default.
std::string FullProfile() {
  std::string text = kNewProfile;
  auto set = [&text](const std::string& key, const std::string& value) {
    const std::size_t at = text.find("\r\n" + key + "=") + 2;
    const std::size_t end = text.find("\r\n", at);
    text.replace(at, end - at, key + "=" + value);
  };
  const char* texts[] = {"BbsCName",
                         "BbsFName",
                         "TncName",
                         "UsrCall",
                         "UsrName",
                         "TacCall",
                         "TacName",
                         "ActMyCall",
                         "ActMyName",
                         "ActMyID",
                         "City",
                         "County",
                         "State",
                         "Org",
                         "TacLoc",
                         "Text2",
                         "Text3",
                         "RName",
                         "SLSChar",
                         "MIDsuffixChar",
                         "MIDsepChar",
                         "SLFormat",
                         "TaskID",
                         "TaskName",
                         "Precedence",
                         "HX",
                         "DirQF",
                         "DirFiles",
                         "DirLogs",
                         "DirArchive",
                         "DirReports",
                         "DirScripts",
                         "SrSlotTimes",
                         "CopyNames",
                         "FilePOA",
                         "FilePON",
                         "AutoOpenFrom",
                         "AutoOpenSubj",
                         "AutoOpenBody",
                         "AutoOpenAddn",
                         "CommSettings",
                         "DefaultDest",
                         "LMIsuffix",
                         "MsgFontName",
                         "StartScriptName",
                         "ExitScriptName",
                         "SRScriptName"};
  for (const char* key : texts) set(key, std::string("v-") + key);
  set("UsrID", " spaced ");
  set("TacID", " tac ");
  int n = 2;
  for (const auto& info : kProfileKeys) {
    if (info.type == ProfileType::Int16 || info.type == ProfileType::Int32)
      set(std::string(info.name), std::to_string(n++));
  }
  set("LocalMsgNum", "-2147483648");
  set("CommEcho", "0");
  return text;
}

}  // namespace

TEST_F(ProfileFixture, AMissingProfileIsCreatedInTheHostsLayout) {
  auto ini = Start();
  EXPECT_EQ(Profile(), kNewProfile);
  EXPECT_TRUE(ini->NewProfile());
  EXPECT_FALSE(ini->Dirty());
  EXPECT_EQ(ini->Layout(), kNewProfile);
  EXPECT_EQ(ini->FileName(), ProfilePath());
  EXPECT_EQ(ini->ProfileName(), "Vantrel");
  EXPECT_TRUE(ts.eventLog.entries.empty());
}

TEST_F(ProfileFixture, AFullProfileRoundTrips) {
  const std::string full = FullProfile();
  WriteProfile(full);
  auto ini = Start();
  EXPECT_FALSE(ini->NewProfile());
  EXPECT_EQ(ini->Layout(), full);  // every key was loaded into its own member
  EXPECT_EQ(ini->Text(ProfileKey::UsrID), " spaced ");
  EXPECT_FALSE(ini->Flag(ProfileKey::CommEcho));
  EXPECT_EQ(ini->Number(ProfileKey::LocalMsgNum), -2147483647 - 1);
  // A change rewrites one line and leaves every other byte alone.
  ini->SetNumber(ProfileKey::MRC, 5);
  ini->Release();
  std::string expected = full;
  const std::size_t at = expected.rfind("MRC=");
  expected.replace(at, expected.find("\r\n", at) - at, "MRC=5");
  EXPECT_EQ(Profile(), expected);
}

TEST_F(ProfileFixture, ReaderRules) {
  WriteProfile(
      "[IDENTIFICATION]\r\n"
      "Version=3.4.0 c5\r\n"
      " PlayOnNotif = 1\r\n"
      "playonarrival=1\r\n"
      "StationID=K1ABC\r\n"
      "TacticalCall=OLD\r\n"
      "TacCall=NEWER\r\n"
      "DirLogs=+DATA_PATH\\logs\r\n"
      "LocalMsgNum= 2.5 \r\n"
      "CommEcho=True\r\n"
      "Unknown=1\r\n"
      "a line without an equals sign\r\n");
  auto ini = Start();
  EXPECT_EQ(ini->PlayOnNotif(), 1);
  EXPECT_EQ(ini->Number(ProfileKey::PlayOnArrival), 0);
  EXPECT_EQ(ini->Text(ProfileKey::UsrCall), "K1ABC");
  EXPECT_EQ(ini->Text(ProfileKey::TacCall), "NEWER");
  EXPECT_EQ(ini->DirLogs(), ToHostForm(lib.DataPath()) + "\\logs");
  EXPECT_EQ(ini->Number(ProfileKey::LocalMsgNum), 2);
  EXPECT_TRUE(ini->Flag(ProfileKey::CommEcho));
  EXPECT_FALSE(ini->NewProfile());
  EXPECT_TRUE(ts.prompts.shown.empty());
}

TEST_F(ProfileFixture, AFileWithoutEqualsSignsKeepsDefaultsAndIsNotWritten) {
  WriteProfile("[GENERAL VARIABLES]\r\njust words\r\n");
  auto ini = Start();
  ini->Release();
  EXPECT_EQ(Profile(), "[GENERAL VARIABLES]\r\njust words\r\n");
  EXPECT_EQ(ini->Text(ProfileKey::FilePON), "sound136.wav");
}

TEST_F(ProfileFixture, AnOlderVersionAloneCausesNoRewrite) {
  WriteProfile("Version=3.3.0 c1\r\nMRC=7\r\n");
  auto ini = Start();
  EXPECT_TRUE(ini->NewProfile());
  EXPECT_FALSE(ini->Dirty());
  ini->Release();
  EXPECT_EQ(Profile(), "Version=3.3.0 c1\r\nMRC=7\r\n");
  // Reloading such a profile reads it again instead of replacing it with defaults.
  ini->ReloadProfile();
  EXPECT_EQ(ini->Number(ProfileKey::MRC), 7);
  EXPECT_EQ(Profile(), "Version=3.3.0 c1\r\nMRC=7\r\n");
}

TEST_F(ProfileFixture, ABadNumberStopsLoadingWithAReport) {
  WriteProfile("CommPort=3\r\nMRC=many\r\nXonSize=9\r\n");
  auto ini = Start();
  EXPECT_EQ(ini->Number(ProfileKey::CommPort), 3);
  EXPECT_EQ(ini->Number(ProfileKey::XonSize), 6);
  EXPECT_EQ(ini->LastError(), "13, Type mismatch");
  ASSERT_EQ(ts.eventLog.entries.size(), 1u);
  EXPECT_EQ(ts.eventLog.entries[0],
            "13, Type mismatch; VtIni:Read, FileName = " + ProfilePath() + ", Step = 4");
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text, "VtIni:Read, Step=4\r\nProblems reading " + ProfilePath() +
                                          ", Please try again\r\nError=13, Type mismatch");
  EXPECT_EQ(ts.prompts.shown[0].title, "Vtnotification");

  WriteProfile("CommPort=1\r\nMRC\r\n");
  Start();
  EXPECT_EQ(ts.eventLog.entries.back(),
            "9, Subscript out of range; VtIni:Read, FileName = " + ProfilePath() + ", Step = 4");
  WriteProfile("SLS=40000\r\n");
  EXPECT_EQ(Start()->LastError(), "6, Overflow");
}

TEST_F(ProfileFixture, AccessorRules) {
  WriteProfile("MIDsepChar=:_\r\nCity=  Springfield  \r\nTacID= T1 \r\nMsgFontName= Calibri \r\n");
  auto ini = Start();
  EXPECT_EQ(ini->Text(ProfileKey::MIDsepChar), ": ");
  ini->SetText(ProfileKey::MIDsepChar, " : ");
  EXPECT_EQ(ini->RawText(ProfileKey::MIDsepChar), "_:_");
  ini->SetText(ProfileKey::MIDsepChar, ": ");
  EXPECT_EQ(ini->RawText(ProfileKey::MIDsepChar), ":_");
  EXPECT_EQ(ini->Text(ProfileKey::City), "Springfield");
  EXPECT_EQ(ini->Text(ProfileKey::MsgFontName), " Calibri ");
  ini->SetText(ProfileKey::UsrID, " U1 ");
  EXPECT_EQ(ini->Text(ProfileKey::UsrID), " U1 ");
  EXPECT_EQ(ini->EffectiveID(), " U1 ");
  ini->SetNumber(ProfileKey::TCnPEnabled, 1);
  EXPECT_EQ(ini->EffectiveID(), " T1 ");
  // Only the value 1 selects the tactical ID; a flag-like -1 or any other number does not.
  for (const std::int32_t other : {-1, 2, 0}) {
    ini->SetNumber(ProfileKey::TCnPEnabled, other);
    EXPECT_EQ(ini->EffectiveID(), " U1 ") << other;
  }
  ini->SetText(ProfileKey::DirArchive, " C:\\arc ");
  EXPECT_EQ(ini->RawText(ProfileKey::DirArchive), "C:\\arc");
  EXPECT_THROW(ini->Text(ProfileKey::DirArchive), std::logic_error);
  EXPECT_THROW(ini->SetNumber(ProfileKey::TncTimeOut, 1), std::logic_error);
  EXPECT_THROW(ini->Text(ProfileKey::Version), std::logic_error);
  EXPECT_THROW(ini->SetNumber(ProfileKey::MRC, 40000), RunError);
  ini->SetNumber(ProfileKey::MRC, 32767);
  EXPECT_EQ(ini->Number(ProfileKey::MRC), 32767);
  ini->SetNumber(ProfileKey::MRC, -32768);
  EXPECT_EQ(ini->Number(ProfileKey::MRC), -32768);
  EXPECT_THROW(ini->SetNumber(ProfileKey::MRC, 32768), RunError);
  EXPECT_THROW(ini->SetNumber(ProfileKey::MRC, -32769), RunError);
  EXPECT_EQ(ini->Number(ProfileKey::MRC), -32768);
  EXPECT_EQ(ini->Number(ProfileKey::TncTimeOut), 5000);

  EXPECT_EQ(ini->NextLocalMsgNum(), 100);
  EXPECT_EQ(ini->NextLocalMsgNum(), 101);
  ini->SetNumber(ProfileKey::LocalMsgNum, 0);
  EXPECT_EQ(ini->NextLocalMsgNum(), 0);
  EXPECT_EQ(ini->Number(ProfileKey::LocalMsgNum), 0);

  ini->SetSpareText("  note  ");
  ini->SetSpareNumber(-4);
  EXPECT_EQ(ini->SpareText(), "note");
  EXPECT_EQ(ini->SpareNumber(), -4);
  ini->Release();
  EXPECT_EQ(Profile().find("Spare"), std::string::npos);
}

TEST_F(ProfileFixture, ReadingTheSoundFileExpandsItButKeepsTheHostsText) {
  WriteProfile(
      std::string(kNewProfile)
          .replace(std::string(kNewProfile).find("FilePON=sound136.wav"), 20, "FilePON= APP_PATH\\bell.wav"));
  auto ini = Start();
  EXPECT_FALSE(ini->Dirty());
  const std::string expanded = ToHostForm(lib.ProgramFolderPath()) + "\\bell.wav";
  EXPECT_EQ(ini->FilePON(), expanded);
  EXPECT_TRUE(ini->Dirty());
  ini->Release();
  // APP_PATH is the host's program folder to the host; ours is not always that folder.
  EXPECT_NE(Profile().find("\r\nFilePON=APP_PATH\\bell.wav\r\n"), std::string::npos);
  EXPECT_EQ(Profile().find(expanded), std::string::npos);
  EXPECT_FALSE(ini->Dirty());
}

TEST_F(ProfileFixture, AFailedWriteIsReportedAndRetriedAtRelease) {
  auto ini = Start();
  ::chmod(ProfilePath().c_str(), 0444);
  ini->SetNumber(ProfileKey::MRC, 9);
  ini->SaveProfile();
  EXPECT_TRUE(ini->Dirty());
  EXPECT_EQ(Profile(), kNewProfile);
  ASSERT_EQ(ts.eventLog.entries.size(), 1u);
  EXPECT_EQ(ts.eventLog.entries[0],
            "70, Permission denied; VtIni:Write, FileName = " + ProfilePath() + ", Step = 104");
  EXPECT_EQ(ts.prompts.shown.at(0).text, "VtIni:Write, Step=104\r\nProblems writing " + ProfilePath() +
                                             ", Please try again\r\nError=70, Permission denied");
  ::chmod(ProfilePath().c_str(), 0644);
  ini->Release();
  EXPECT_NE(Profile().find("\r\nMRC=9\r\n"), std::string::npos);
}

TEST_F(ProfileFixture, CopyToAnotherProfile) {
  auto ini = Start();
  EXPECT_TRUE(ini->IniCopyTo("Field"));
  EXPECT_EQ(Profile("Field"), kNewProfile);

  std::filesystem::remove(ProfilePath());
  EXPECT_FALSE(ini->IniCopyTo("Other"));
  EXPECT_EQ(ts.eventLog.entries.back(),
            "53, File not found; VtInit:IniCopyTo, FileName = " + ProfilePath() + ", Step = 2");
  EXPECT_EQ(ts.prompts.shown.back().text, "VtIni:IniCopyTo, Step=2\r\nProblems copying " + ProfilePath() +
                                              ", Please try again\r\nError=53, File not found");
}

TEST_F(ProfileFixture, AMissingDataFolderIsReportedNotFatal) {
  lib.SetDataPath(dir.str() + "/absent");
  VtInit ini(lib, ts.services, kVersion, "Vtnotification");
  EXPECT_TRUE(ini.StartClass("Vantrel.profile", ""));
  EXPECT_EQ(ini.LastError(), "76, Path not found");
  EXPECT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ini.DirLogs(), "");
}

TEST_F(ProfileFixture, AMissingDataFolderFailsCreatingTheFileAndSaysWhichFolder) {
  lib.SetDataPath(dir.str() + "/gone");
  VtInit ini(lib, ts.services, kVersion, "Vtnotification");
  ini.StartClass("Vantrel.profile", "Vantrel");
  ASSERT_EQ(ts.prompts.shown.size(), 1u);
  EXPECT_EQ(ts.prompts.shown[0].text,
            "VtIni:Write, Step=103\r\nProblems writing " + dir.str() +
                "/gone/Vantrel.profile, Please try again\r\nError=76, Path not found"
                "\r\nThe folder " +
                dir.str() + "/gone does not exist.");
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "gone"));
  // The folder note belongs to that report only: a later, different failure does not repeat it.
  EXPECT_FALSE(ini.IniCopyTo("Other"));
  ASSERT_EQ(ts.prompts.shown.size(), 2u);
  EXPECT_EQ(ts.prompts.shown[1].text.find("does not exist"), std::string::npos) << ts.prompts.shown[1].text;
}

TEST_F(ProfileFixture, AProfileNameOnlyNamesAFileInTheDataFolder) {
  VtInit ini(lib, ts.services, kVersion, "Vtnotification");
  EXPECT_FALSE(ini.StartClass("../escaped.profile", ""));
  EXPECT_FALSE(ini.StartClass("..\\escaped.profile", ""));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "escaped.profile"));
  EXPECT_FALSE(ini.IniCopyTo("..\\..\\copied"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path() / "data"));
  // A started profile is not copied out of the data folder either.
  ASSERT_TRUE(ini.StartClass("Vantrel.profile", "Vantrel"));
  EXPECT_FALSE(ini.IniCopyTo("..\\copied"));
  EXPECT_FALSE(ini.IniCopyTo("../copied"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "copied.profile"));
  std::filesystem::remove(ProfilePath());
  // An accented name is the host's Windows-1252 text; the file on disk carries it in UTF-8.
  EXPECT_TRUE(ini.StartClass("Caf\xe9.profile", "Caf\xe9"));
  EXPECT_TRUE(std::filesystem::exists(dir.path() / "data" / "Café.profile"));
}
