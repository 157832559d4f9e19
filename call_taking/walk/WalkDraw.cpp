// Drawing walks, shortening failing ones, and printing them to paste into a test.
#include <QElapsedTimer>
#include <cstdio>
#include <random>
#include <sstream>

#include "Walk.h"

namespace cadro::walk {
namespace {

std::string DrawText(std::mt19937& rng) {
  static const char* const pieces[] = {"smoke",
                                       " seen",
                                       "a=b",
                                       "x|y",
                                       "caf\xC3\xA9",
                                       "na\xC3\xAFve",
                                       " Stra\xC3\x9F"
                                       "e",
                                       "=",
                                       "|",
                                       " 42",
                                       "\xC5\x82"
                                       "odz",
                                       "ok"};
  std::string text;
  const int kind = static_cast<int>(rng() % 10);
  if (kind == 0) {
    // Long text: a few hundred to a couple of thousand characters.
    const int words = 60 + static_cast<int>(rng() % 300);
    for (int i = 0; i < words; ++i) text += (i ? " " : "") + std::string(i % 7 == 0 ? "word=" : "word");
    return text;
  }
  const int n = 1 + static_cast<int>(rng() % 3);
  for (int i = 0; i < n; ++i) text += pieces[rng() % (sizeof pieces / sizeof *pieces)];
  return text;
}

Step DrawStep(std::mt19937& rng, const std::string& previous) {
  Step s;
  s.seed = rng();
  // Trouble comes while a delivery runs: after a Submit, the world and the operator often act
  // at once.
  static const char* const afterSubmit[] = {"Cancel", "MsgReadOnly",  "DiskFull",
                                            "Wait",   "WaitDelivery", "Server"};
  static const char* const afterTrouble[] = {"Save", "MsgReadOnly", "NewReport", "Submit", "WaitDelivery"};
  std::string forced;
  if (previous == "Submit" && rng() % 2) forced = afterSubmit[rng() % 6];
  if ((previous == "MsgReadOnly" || previous == "WaitDelivery" || previous == "Cancel") && rng() % 3 == 0)
    forced = afterTrouble[rng() % 5];
  // Weights: the operator's common actions often, the world's faults now and then.
  static const std::pair<const char*, int> ops[] = {
      {"NewReport", 10}, {"PickType", 5},   {"Fill", 12},        {"Type", 7},        {"Save", 8},
      {"Submit", 12},    {"Cancel", 5},     {"WaitDelivery", 6}, {"Wait", 5},        {"DeleteForm", 2},
      {"Close", 3},      {"DeleteList", 2}, {"Open", 5},         {"Folder", 3},      {"Search", 2},
      {"ExportLog", 1},  {"Station", 1},    {"Prefs", 2},        {"Exit", 2},        {"Restart", 2},
      {"HintIgnore", 1}, {"HintOpen", 1},   {"Server", 7},       {"MsgReadOnly", 4}, {"IniReadOnly", 1},
      {"DiskFull", 2},   {"IniNto", 1}};
  int total = 0;
  for (const auto& [name, weight] : ops) total += weight;
  int pick = static_cast<int>(rng() % static_cast<unsigned>(total));
  for (const auto& [name, weight] : ops) {
    if (pick < weight) {
      s.op = name;
      break;
    }
    pick -= weight;
  }
  if (!forced.empty()) s.op = forced;
  s.a = static_cast<int>(rng() % 1000);
  s.b = static_cast<int>(rng() % 1000);
  if (s.op == "Type" || s.op == "Search") s.text = DrawText(rng);
  if (s.op == "Search" && rng() % 2) s.text.clear();
  return s;
}

std::string Escaped(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20 || c >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X\"\"", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool SameRule(const WalkResult& r, const std::string& rule) {
  return !r.failures.empty() && r.failures.front().rule == rule;
}

}  // namespace

std::vector<Step> DrawWalk(std::uint32_t seed, int count) {
  std::mt19937 rng(seed);
  std::vector<Step> steps;
  steps.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i)
    steps.push_back(DrawStep(rng, steps.empty() ? std::string() : steps.back().op));
  return steps;
}

std::vector<Step> Shrink(std::vector<Step> steps, const std::string& rule, const WalkOptions& options,
                         int budgetMs) {
  QElapsedTimer clock;
  clock.start();
  // The steps after the failing one never ran.
  const WalkResult first = RunWalk(steps, options);
  if (SameRule(first, rule)) steps.resize(static_cast<std::size_t>(first.failures.front().step + 1));
  // Delete chunks, halving their size, then single steps, while the same rule still breaks.
  for (std::size_t chunk = std::max<std::size_t>(steps.size() / 2, 1); chunk >= 1; chunk /= 2) {
    for (std::size_t at = 0; at < steps.size() && clock.elapsed() < budgetMs;) {
      std::vector<Step> shorter = steps;
      shorter.erase(shorter.begin() + static_cast<long>(at),
                    shorter.begin() + static_cast<long>(std::min(at + chunk, shorter.size())));
      const WalkResult r = RunWalk(shorter, options);
      if (SameRule(r, rule)) {
        shorter.resize(std::min(shorter.size(), static_cast<std::size_t>(r.failures.front().step + 1)));
        steps = std::move(shorter);
      } else {
        at += chunk;
      }
    }
    if (chunk == 1) break;
  }
  return steps;
}

std::string PasteableSteps(const std::vector<Step>& steps) {
  std::ostringstream out;
  out << "{";
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    out << (i ? ",\n " : "") << "{\"" << s.op << "\", " << s.a << ", " << s.b << ", \"" << Escaped(s.text)
        << "\", " << s.seed << "u}";
  }
  out << "}";
  return out.str();
}

}  // namespace cadro::walk
