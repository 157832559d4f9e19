#pragma once
// What the list benchmarks share: a message folder of generated reports and quiet stand-ins for
// the services, so a benchmark neither writes the user's settings nor pops up boxes.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "Platform.h"

namespace cadro::bench {

using Clock = std::chrono::steady_clock;

inline double Ms(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

struct QuietLog final : EventLog {
  void Error(const std::string&) override { ++count; }
  int count = 0;
};
struct QuietPrompts final : Prompts {
  void Message(const std::string&, const std::string&, PromptIcon) override { ++count; }
  bool AskYesNo(const std::string&, const std::string&, PromptIcon) override { return false; }
  void Beep() override {}
  int count = 0;
};
struct MemorySettings final : SettingsStore {
  std::optional<std::string> Get(const std::string& a, const std::string& s,
                                 const std::string& k) const override {
    const auto it = values.find(a + "/" + s + "/" + k);
    return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
  }
  void Set(const std::string& a, const std::string& s, const std::string& k, const std::string& v) override {
    values[a + "/" + s + "/" + k] = v;
  }
  std::map<std::string, std::string> values;
};

// A throwaway program folder (msg.d and logs) under /tmp, removed with the object.
class BenchFolder {
public:
  BenchFolder() {
    char tmpl[] = "/tmp/bench_list-XXXXXX";
    if (::mkdtemp(tmpl) == nullptr) std::abort();
    root_ = tmpl;
    std::filesystem::create_directories(root_ / "msg.d");
    std::filesystem::create_directories(root_ / "logs");
  }
  ~BenchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  BenchFolder(const BenchFolder&) = delete;
  BenchFolder& operator=(const BenchFolder&) = delete;
  const std::filesystem::path& Root() const { return root_; }
  std::filesystem::path Messages() const { return root_ / "msg.d"; }

private:
  std::filesystem::path root_;
};

// `count` reports of a busy station: all five states, five cities, five types, spread over
// eight years, each about 400 bytes as the entry form writes them.
inline void WriteReports(const std::filesystem::path& folder, int count) {
  static const char* const kStates[] = {"2", "6", "8", "9", "2"};
  static const char* const kCities[] = {"Springfield", "Riverton", "Lakeside", "Shelbyville", "Ogdenville"};
  static const char* const kTypes[] = {"MED", "FIRE", "LAW", "LGOV", "MED+LAW"};
  for (int i = 0; i < count; ++i) {
    char id[32];
    std::snprintf(id, sizeof id, "FS326%03d.%05d", 1 + i % 365, i);
    char date[16];
    std::snprintf(date, sizeof date, "%02d%02d%02d", 20 + i % 8, 1 + i % 12, 1 + i % 28);
    char time[8];
    std::snprintf(time, sizeof time, "%02d%02d", i % 24, i % 60);
    std::string text =
        "[911 DEFINITION]\r\nVersion=3.4.5/26341:081502\r\nTYP=" + std::string(kTypes[i % 5]) +
        "\r\nEID=" + id + "\r\nMID=FS3-" + std::to_string(i) + "\r\nISS=Reported problem number " +
        std::to_string(i) + "\r\nAD1=" + std::to_string(i) + " Main St\r\nCTY=" + kCities[(i * 7) % 5] +
        "\r\nAD2=\r\nLAS=08:00\r\nDTL=Details of the call\\nsecond line\r\nRPN=Caller\r\nRPA=\r\n"
        "RPP=555-0100\r\nRPC=0\r\n[ADMIN DEFINITION]\r\nUID=K6ABC\r\nULO=Station 3\r\nAST=" +
        kStates[i % 5] + "\r\nADT=" + date + "\r\nATM=" + time + "\r\n[END]\r\n";
    std::ofstream(folder / (std::string(id) + ".911"), std::ios::binary) << text;
  }
}

}  // namespace cadro::bench
