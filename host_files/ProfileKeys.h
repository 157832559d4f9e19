#pragma once
// The keys of a host profile, in the order the host writes them, with their sections, value
// types, defaults and the rules of their accessors. The host reads this layout, so the order,
// the names and the defaults are an external format.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace cadro {

enum class ProfileType : std::uint8_t { Text, Int16, Int32, Flag };

// How a key's accessors treat its value.
enum class ProfileAccess : std::uint8_t {
  Trimmed,        // read and set, spaces around the text removed
  Untrimmed,      // read and set as it is
  SetOnly,        // set (trimmed); no reader
  ReadOnly,       // read; no setter
  Hidden,         // neither: Version, always written as the program's version
  SeparatorChar,  // set: spaces become "_", then trimmed; read: "_" become spaces
  SoundPath,      // set trimmed; read: trimmed, tokens expanded, stored back, marks the change
  FontName,       // set trimmed; read as it is
};

// X(id, "Key", section index, type, default text, default number, access, "alias")
// The alias is an older key name the value is also loaded from ("" when none).
#define CADRO_PROFILE_KEYS(X)                                                 \
  X(Version, "Version", 0, Text, "", 0, Hidden, "")                           \
  X(BbsCName, "BbsCName", 0, Text, "", 0, Trimmed, "")                        \
  X(BbsFName, "BbsFName", 0, Text, "", 0, Trimmed, "")                        \
  X(TncName, "TncName", 0, Text, "", 0, Trimmed, "")                          \
  X(UsrCall, "UsrCall", 1, Text, "", 0, Trimmed, "StationID")                 \
  X(UsrName, "UsrName", 1, Text, "", 0, Trimmed, "NameID")                    \
  X(UsrID, "UsrID", 1, Text, "", 0, Untrimmed, "")                            \
  X(TCnPEnabled, "TCnPEnabled", 1, Int16, "", 0, Untrimmed, "")               \
  X(TacCall, "TacCall", 1, Text, "", 0, Trimmed, "TacticalCall")              \
  X(TacName, "TacName", 1, Text, "", 0, Trimmed, "")                          \
  X(TacID, "TacID", 1, Text, "", 0, Untrimmed, "")                            \
  X(ActMyCall, "ActMyCall", 1, Text, "", 0, Trimmed, "")                      \
  X(ActMyName, "ActMyName", 1, Text, "", 0, Trimmed, "")                      \
  X(ActMyID, "ActMyID", 1, Text, "", 0, Trimmed, "")                          \
  X(LocalMsgNum, "LocalMsgNum", 2, Int32, "", 100, Untrimmed, "")             \
  X(City, "City", 2, Text, "", 0, Trimmed, "")                                \
  X(County, "County", 2, Text, "", 0, Trimmed, "")                            \
  X(State, "State", 2, Text, "", 0, Trimmed, "")                              \
  X(Org, "Org", 2, Text, "", 0, Trimmed, "")                                  \
  X(TacLoc, "TacLoc", 2, Text, "", 0, Trimmed, "")                            \
  X(Text2, "Text2", 2, Text, "", 0, Trimmed, "")                              \
  X(Text3, "Text3", 2, Text, "", 0, Trimmed, "")                              \
  X(RName, "RName", 2, Text, "|||", 0, Trimmed, "")                           \
  X(SLS, "SLS", 2, Int16, "", 0, Untrimmed, "")                               \
  X(SLSChar, "SLSChar", 2, Text, "-", 0, Trimmed, "")                         \
  X(MIDsuffixFlag, "MIDsuffixFlag", 2, Int16, "", 0, Untrimmed, "")           \
  X(MIDsuffixChar, "MIDsuffixChar", 2, Text, "P", 0, Trimmed, "")             \
  X(MIDsepFlag, "MIDsepFlag", 2, Int16, "", 1, Untrimmed, "")                 \
  X(MIDsepChar, "MIDsepChar", 2, Text, ":_", 0, SeparatorChar, "")            \
  X(SLFormat, "SLFormat", 2, Text, "yymmddhhmmss", 0, Trimmed, "")            \
  X(AutoOption309, "309AutoOption", 2, Int16, "", 0, Untrimmed, "")           \
  X(IntTime309, "309IntTime", 2, Int16, "", 15, Untrimmed, "")                \
  X(TaskID, "TaskID", 2, Text, "", 0, Trimmed, "")                            \
  X(TaskName, "TaskName", 2, Text, "", 0, Trimmed, "")                        \
  X(Precedence, "Precedence", 3, Text, "", 0, Trimmed, "")                    \
  X(HX, "HX", 3, Text, "", 0, Trimmed, "")                                    \
  X(ArlMsgType, "ArlMsgType", 3, Int16, "", 1, Untrimmed, "")                 \
  X(ArlMsgLast, "ArlMsgLast", 3, Int16, "", 1, Untrimmed, "")                 \
  X(HxMsgLast, "HxMsgLast", 3, Int16, "", 1, Untrimmed, "")                   \
  X(NtsAsPrivate, "NtsAsPrivate", 3, Int16, "", 0, Untrimmed, "")             \
  X(DirQF, "DirQF", 4, Text, "c:\\qforms", 0, Trimmed, "")                    \
  X(DirFiles, "DirFiles", 4, Text, "", 0, SetOnly, "")                        \
  X(DirLogs, "DirLogs", 4, Text, "", 0, Trimmed, "")                          \
  X(DirArchive, "DirArchive", 4, Text, "", 0, SetOnly, "")                    \
  X(DirReports, "DirReports", 4, Text, "", 0, SetOnly, "")                    \
  X(DirScripts, "DirScripts", 4, Text, "", 0, SetOnly, "")                    \
  X(SrAutoOption, "SrAutoOption", 5, Int16, "", 0, Untrimmed, "")             \
  X(SrIntTime, "SrIntTime", 5, Int16, "", 10, Untrimmed, "")                  \
  X(SrSlotTimes, "SrSlotTimes", 5, Text, ":::", 0, Trimmed, "")               \
  X(SendImmediate, "SendImmediate", 5, Int16, "", 0, Untrimmed, "")           \
  X(SRControl, "SRControl", 5, Int16, "", 0, Untrimmed, "")                   \
  X(AutoPrint, "AutoPrint", 5, Int16, "", 0, Untrimmed, "")                   \
  X(AutoPrintwCN, "AutoPrintwCN", 5, Int16, "", 1, Untrimmed, "")             \
  X(ManuPrintwCN, "ManuPrintwCN", 5, Int16, "", 0, Untrimmed, "")             \
  X(PrintOnReceipt, "PrintOnReceipt", 5, Int16, "", 0, Untrimmed, "")         \
  X(PrintOnSend, "PrintOnSend", 5, Int16, "", 0, Untrimmed, "")               \
  X(PrintNumReceipt, "PrintNumReceipt", 5, Int16, "", 1, Untrimmed, "")       \
  X(PrintNumSend, "PrintNumSend", 5, Int16, "", 1, Untrimmed, "")             \
  X(PrintwHeaders, "PrintwHeaders", 5, Int16, "", 1, Untrimmed, "")           \
  X(PrintReceipts, "PrintReceipts", 5, Int16, "", 0, Untrimmed, "")           \
  X(CopyNames, "CopyNames", 5, Text, "", 0, Trimmed, "")                      \
  X(PlayOnArrival, "PlayOnArrival", 5, Int16, "", 0, Untrimmed, "")           \
  X(FilePOA, "FilePOA", 5, Text, "", 0, SoundPath, "")                        \
  X(PlayOnNotif, "PlayOnNotif", 5, Int16, "", 0, Untrimmed, "")               \
  X(FilePON, "FilePON", 5, Text, "sound136.wav", 0, SoundPath, "")            \
  X(ShowSession, "ShowSession", 5, Int16, "", 1, Untrimmed, "")               \
  X(Notification, "Notification", 5, Int16, "", 15, Untrimmed, "")            \
  X(PromptStrength, "PromptStrength", 5, Int16, "", 8, Untrimmed, "")         \
  X(AutoOpenFrom, "AutoOpenFrom", 5, Text, "", 0, Trimmed, "")                \
  X(AutoOpenSubj, "AutoOpenSubj", 5, Text, "", 0, Trimmed, "")                \
  X(AutoOpenBody, "AutoOpenBody", 5, Text, "", 0, Trimmed, "")                \
  X(AutoOpenUrgt, "AutoOpenUrgt", 5, Int16, "", 0, Untrimmed, "")             \
  X(AutoOpenAddn, "AutoOpenAddn", 5, Text, "", 0, Trimmed, "")                \
  X(TncTimeOut, "TncTimeOut", 6, Int32, "", 5000, ReadOnly, "")               \
  X(CommSettings, "CommSettings", 7, Text, "9600,n,8,1", 0, Trimmed, "")      \
  X(CommPort, "CommPort", 7, Int16, "", 1, Untrimmed, "")                     \
  X(CommPortLimit, "CommPortLimit", 7, Int16, "", 200, Untrimmed, "")         \
  X(CommHandshaking, "CommHandshaking", 7, Int16, "", 2, Untrimmed, "")       \
  X(CommEcho, "CommEcho", 7, Flag, "", -1, Untrimmed, "")                     \
  X(MsgTypeDef, "MsgTypeDef", 8, Int16, "", 0, Untrimmed, "")                 \
  X(NewMsgDefault, "NewMsgDefault", 8, Int16, "", 0, Untrimmed, "")           \
  X(PromptBeforeDelete, "PromptBeforeDelete", 8, Int16, "", 1, Untrimmed, "") \
  X(CloseOnRF, "CloseOnRF", 8, Int16, "", 1, Untrimmed, "")                   \
  X(DefaultDest, "DefaultDest", 8, Text, "", 0, Trimmed, "")                  \
  X(EnableDD, "EnableDD", 8, Int16, "", 0, Untrimmed, "")                     \
  X(AutoMsgNum, "AutoMsgNum", 8, Int16, "", 0, Untrimmed, "")                 \
  X(LMIflag, "LMIflag", 8, Int16, "", 0, Untrimmed, "")                       \
  X(LMIsuffix, "LMIsuffix", 8, Text, "P", 0, Trimmed, "")                     \
  X(ReqDelReceipt, "ReqDelReceipt", 8, Int16, "", 0, Untrimmed, "")           \
  X(ReqReadReceipt, "ReqReadReceipt", 8, Int16, "", 0, Untrimmed, "")         \
  X(AutoReadReceipt, "AutoReadReceipt", 8, Int16, "", 0, Untrimmed, "")       \
  X(AutoDelvReceipt, "AutoDelvReceipt", 8, Int16, "", 0, Untrimmed, "")       \
  X(QFEnable, "QFEnable", 8, Int16, "", 0, Untrimmed, "")                     \
  X(LCLQFEnable, "LCLQFEnable", 8, Int16, "", 0, Untrimmed, "")               \
  X(SUBQFEnable, "SUBQFEnable", 8, Int16, "", 0, Untrimmed, "")               \
  X(VtdEnable, "VtdEnable", 8, Int16, "", 0, Untrimmed, "")                   \
  X(MsgFontSize, "MsgFontSize", 9, Int16, "", 9, Untrimmed, "")               \
  X(MsgFontName, "MsgFontName", 9, Text, "Courier New", 0, FontName, "")      \
  X(TxnTrace, "TxnTrace", 10, Int16, "", 0, Untrimmed, "")                    \
  X(CommTrace, "CommTrace", 10, Int16, "", 0, Untrimmed, "")                  \
  X(DiaTrace, "DiaTrace", 10, Int16, "", 0, Untrimmed, "")                    \
  X(MainDiaTrace, "MainDiaTrace", 10, Int16, "", 0, Untrimmed, "")            \
  X(XonSize, "XonSize", 11, Int16, "", 6, Untrimmed, "")                      \
  X(XonDelay, "XonDelay", 11, Int16, "", 50, Untrimmed, "")                   \
  X(RunOnStart, "RunOnStart", 12, Int16, "", 0, Untrimmed, "")                \
  X(RunOnExit, "RunOnExit", 12, Int16, "", 0, Untrimmed, "")                  \
  X(WaitOnExit, "WaitOnExit", 12, Int16, "", 0, Untrimmed, "")                \
  X(StartScriptName, "StartScriptName", 12, Text, "", 0, Trimmed, "")         \
  X(ExitScriptName, "ExitScriptName", 12, Text, "", 0, Trimmed, "")           \
  X(SRDefFlag, "SRDefFlag", 12, Int16, "", 0, Untrimmed, "")                  \
  X(SRScriptName, "SRScriptName", 12, Text, "", 0, Trimmed, "")               \
  X(LogonAtStartup, "LogonAtStartup", 13, Int16, "", 1, Untrimmed, "")        \
  X(PcTimeCheck, "PcTimeCheck", 13, Int16, "", 0, Untrimmed, "")              \
  X(UseContinent, "UseContinent", 13, Int16, "", 1, Untrimmed, "")            \
  X(MRC, "MRC", 13, Int16, "", 4, Untrimmed, "")

enum class ProfileKey : std::uint8_t {
#define CADRO_PROFILE_ENUM(id, name, section, type, text, number, access, alias) id,
  CADRO_PROFILE_KEYS(CADRO_PROFILE_ENUM)
#undef CADRO_PROFILE_ENUM
};

struct ProfileKeyInfo {
  std::string_view name;
  int section;
  ProfileType type;
  std::string_view defaultText;
  std::int32_t defaultNumber;
  ProfileAccess access;
  std::string_view alias;
};

inline constexpr std::array kProfileKeys = {
#define CADRO_PROFILE_INFO(id, name, section, type, text, number, access, alias) \
  ProfileKeyInfo{name, section, ProfileType::type, text, number, ProfileAccess::access, alias},
    CADRO_PROFILE_KEYS(CADRO_PROFILE_INFO)
#undef CADRO_PROFILE_INFO
};

inline constexpr std::size_t kProfileKeyCount = kProfileKeys.size();

inline constexpr std::array<std::string_view, 14> kProfileSections = {
    "[GENERAL VARIABLES]",   "[IDENTIFICATION]",           "[REPORT TAGS]",         "[NTS]",
    "[DIRECTORIES]",         "[SEND/RECEIVE PREFERENCES]", "[TIME PREFERENCES]",    "[COMM PORT]",
    "[MESSAGE PREFERENCES]", "[MESSAGE PRESENTATION]",     "[LOGGING PREFERENCES]", "[XON/XOFF PREFERENCES]",
    "[SCRIPT PREFERENCES]",  "[GENERAL PREFERENCES]"};

inline const ProfileKeyInfo& Info(ProfileKey key) {
  return kProfileKeys[static_cast<std::size_t>(key)];
}

// The key a trimmed key text names, exactly (the key or its older alias); none when unknown.
std::optional<ProfileKey> FindProfileKey(std::string_view trimmedKey);

}  // namespace cadro
