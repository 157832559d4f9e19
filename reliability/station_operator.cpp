// One operator's action on a shared program folder, through the programs' own code, so a test can
// run it under different accounts of the station's group and see what each account meets.
//
//   station_operator <program folder> ini <event number>     write Cadrocts.ini, then read it back
//   station_operator <program folder> report <event ID> <details>   save (or update) a report
//   station_operator <program folder> log <text>             start the session log and write a line
//   station_operator <program folder> lock                   take the one-copy lock; while held,
//                                                            hold it until standard input ends
//
// Prints one line with the outcome ("saved", "logged", "Eno=102", "lock Acquired", "lock
// HeldByOther <pid>") and, on failure, every box and event-log entry the program made; the exit
// status is 0 only when the action worked as an operator expects.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "CadroIni.h"
#include "CadroLogLib.h"
#include "CadroMsg.h"
#include "FileIO.h"
#include "ProgramFolderLock.h"
#include "TestKit.h"
#include "WholeNumber.h"

using namespace cadro;

namespace {

int Failed(const testing::TestServices& t, const char* what) {
  std::printf("%s failed\n", what);
  for (const std::string& entry : t.eventLog.entries) std::printf("event log: %s\n", entry.c_str());
  for (const auto& box : t.prompts.shown) std::printf("box: %s\n", box.text.c_str());
  return 3;
}

int Lock(const std::string& folder) {
  ProgramFolderLock lock(folder);
  const ProgramFolderLock::Result result = lock.Acquire();
  switch (result) {
    case ProgramFolderLock::Result::Acquired: std::printf("lock Acquired\n"); break;
    case ProgramFolderLock::Result::HeldByOther:
      std::printf("lock HeldByOther %ld\n", lock.holderPid());
      return 1;
    case ProgramFolderLock::Result::Unavailable:
      std::printf("lock Unavailable %s\n", lock.error().c_str());
      return 3;
  }
  std::fflush(stdout);
  char c = 0;
  while (::read(STDIN_FILENO, &c, 1) > 0) {
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: station_operator <folder> ini|report|log|lock ...\n");
    return 2;
  }
  const std::string folder = argv[1];
  const std::string action = argv[2];
  testing::TestServices t;
  if (action == "lock") return Lock(folder);
  if (action == "ini" && argc == 4) {
    CadroIni ini(JoinPath(folder, "Cadrocts.ini"), t.services);
    ini.ReadIni();
    StationSettings values = ini.Values();
    values.Eno =
        static_cast<std::int32_t>(ReadWholeNumber(argv[3], {.min = 0, .max = 2147483647}).ValueOr(0));
    values.Uid = "OP" + std::to_string(::getuid());
    ini.SetValues(values);
    if (!ini.WriteIni()) return Failed(t, "ini");
    CadroIni again(ini.path(), t.services);
    again.ReadIni();
    std::printf("Eno=%d\n", again.Values().Eno);
    return t.prompts.shown.empty() && t.eventLog.entries.empty() ? 0 : Failed(t, "ini");
  }
  if (action == "report" && argc == 5) {
    CadroMsg msg(JoinPath(folder, "msg.d"), t.services);
    if (!msg.Load(argv[3])) msg.Clear();
    msg.SetEID(argv[3]);
    msg.SetTYP("MED");
    msg.SetDTL(argv[4]);
    msg.SetUID("OP" + std::to_string(::getuid()));
    msg.SetAST(6);
    if (!msg.Fadd()) return Failed(t, "report");
    std::printf("saved\n");
    return t.prompts.shown.empty() ? 0 : Failed(t, "report");
  }
  if (action == "log" && argc == 4) {
    SessionLog log(folder, t.services);
    log.SetupLog(true);
    log.WriteLog(argv[3]);
    if (!log.Enabled() || !t.prompts.shown.empty()) return Failed(t, "log");
    std::printf("logged\n");
    return 0;
  }
  std::fprintf(stderr, "unknown action\n");
  return 2;
}
