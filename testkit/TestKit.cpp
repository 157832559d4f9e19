#include "TestKit.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace cadro::testing {

void ScriptedPrompts::Message(const std::string& text, const std::string& title, PromptIcon icon) {
  shown.push_back({text, title, icon, false});
}

bool ScriptedPrompts::AskYesNo(const std::string& text, const std::string& title, PromptIcon icon) {
  shown.push_back({text, title, icon, true});
  if (answers.empty()) {
    ADD_FAILURE() << "unexpected question: " << text;
    return false;
  }
  const bool answer = answers.front();
  answers.pop_front();
  return answer;
}

bool ScriptedPrompts::AskYesNoDefaultNo(const std::string& text, const std::string& title, PromptIcon icon) {
  const bool answer = AskYesNo(text, title, icon);
  shown.back().defaultNo = true;
  return answer;
}

SaveChoice ScriptedPrompts::AskSaveDiscardCancel(const std::string& text, const std::string& title) {
  shown.push_back({text, title, PromptIcon::Exclamation, true});
  if (saveAnswers.empty()) {
    ADD_FAILURE() << "unexpected Save/Discard/Cancel question: " << text;
    return SaveChoice::Cancel;
  }
  const SaveChoice answer = saveAnswers.front();
  saveAnswers.pop_front();
  return answer;
}

void FixedClock::AdvanceSeconds(int seconds) {
  // Good enough for tests that step within a day; crossing midnight is set explicitly.
  int total = now.hour * 3600 + now.minute * 60 + now.second + seconds;
  total = ((total % 86400) + 86400) % 86400;
  now.hour = total / 3600;
  now.minute = total / 60 % 60;
  now.second = total % 60;
}

std::string FixedLocale::MonthAbbrev(int month) const {
  static const char* const kNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  return (month >= 1 && month <= 12) ? kNames[month - 1] : "???";
}

std::optional<std::string> MemorySettingsStore::Get(const std::string& app, const std::string& section,
                                                    const std::string& key) const {
  const auto it = values.find({app, section, key});
  if (it == values.end()) return std::nullopt;
  return it->second;
}

void MemorySettingsStore::Set(const std::string& app, const std::string& section, const std::string& key,
                              const std::string& value) {
  values[{app, section, key}] = value;
}

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "cadro-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests make folders read-only to provoke failures; give the rights back before removing.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                               ec);
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot write " + path);
  out << bytes;
}

}  // namespace cadro::testing
