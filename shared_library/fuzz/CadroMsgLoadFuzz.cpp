// Feeds arbitrary bytes to CadroMsg::Load as the contents of a .911 file. Besides surviving, a
// record that loads must save and load back to the same file: Load -> Fadd -> Load -> Fadd gives
// the same bytes twice (the clock is fixed), so nothing read is lost or altered by a save.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "CadroMsg.h"
#include "FileIO.h"

namespace {

using namespace cadro;

struct QuietEventLog final : EventLog {
  void Error(const std::string&) override {}
};
struct QuietPrompts final : Prompts {
  void Message(const std::string&, const std::string&, PromptIcon) override {}
  bool AskYesNo(const std::string&, const std::string&, PromptIcon) override { return false; }
  void Beep() override {}
};
struct StillClock final : Clock {
  LocalTime Now() const override { return {2026, 12, 7, 8, 30, 5}; }
};
struct PlainLocale final : UserLocale {
  std::string MonthAbbrev(int) const override { return "Dec"; }
  char DecimalSeparator() const override { return '.'; }
};
struct NoSettings final : SettingsStore {
  std::optional<std::string> Get(const std::string&, const std::string&, const std::string&) const override {
    return std::nullopt;
  }
  void Set(const std::string&, const std::string&, const std::string&, const std::string&) override {}
};

struct World {
  World() {
    // Memory-backed when possible: every save syncs, and that would dominate each run.
    std::error_code ec;
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : std::filesystem::temp_directory_path();
    std::string tmpl = (base / "cadromsg-fuzz-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
    folder = tmpl;
  }
  ~World() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  std::string folder;
  QuietEventLog log;
  QuietPrompts prompts;
  StillClock clock;
  PlainLocale locale;
  NoSettings settings;
  Services services{log, prompts, clock, locale, settings};
};

World& TheWorld() {
  static World world;
  return world;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  World& w = TheWorld();
  const std::string input(reinterpret_cast<const char*>(data), size);
  WriteFileAtomic(JoinPath(w.folder, "IN.911"), input);

  CadroMsg msg(w.folder, w.services);
  if (!msg.Load("IN")) return 0;
  msg.SetEID("OUT");
  if (!msg.Fadd()) std::abort();
  const std::string first = ReadWholeFile(JoinPath(w.folder, "OUT.911"));

  CadroMsg again(w.folder, w.services);
  if (!again.Load("OUT") || !again.Fadd()) std::abort();
  if (ReadWholeFile(JoinPath(w.folder, "OUT.911")) != first) std::abort();
  if (again.BuildFileList().empty()) std::abort();
  return 0;
}
