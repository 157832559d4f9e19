#include "StartFiles.h"

#include "CommandLine.h"

namespace cadro {
namespace {

constexpr const char* kSettingsApp = "Cadrorpt";
constexpr const char* kSettingsSection = "Open";

const char* FolderKey(DefinitionKind kind) {
  return kind == DefinitionKind::Data ? "DataFolder" : "FormFolder";
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool EndsWithFormExtension(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  for (char& c : ext) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return ext == ".fdf";
}

std::optional<std::string> Ask(DefinitionKind kind, const std::string& besides, DefinitionFilePicker& picker,
                               SettingsStore& settings) {
  std::string folder = settings.GetText(kSettingsApp, kSettingsSection, FolderKey(kind)).value_or("");
  // A first start looks where the other file is: forms and messages usually sit together.
  if (folder.empty()) folder = FolderOf(besides);
  std::optional<std::string> chosen = picker.Choose(kind, folder);
  if (!chosen || chosen->empty()) return std::nullopt;
  settings.SetText(kSettingsApp, kSettingsSection, FolderKey(kind), FolderOf(*chosen));
  return chosen;
}

}  // namespace

std::optional<std::string> StartCommandLine(const std::vector<std::string>& arguments,
                                            DefinitionFilePicker& picker, SettingsStore& settings) {
  std::optional<std::string> data, form;
  if (arguments.empty()) {
    data = Ask(DefinitionKind::Data, {}, picker, settings);
    if (!data) return std::nullopt;
    form = Ask(DefinitionKind::Form, *data, picker, settings);
    if (!form) return std::nullopt;
  } else if (arguments.size() == 1 && !arguments[0].empty() && arguments[0][0] != '-') {
    if (EndsWithFormExtension(arguments[0])) {
      form = arguments[0];
      data = Ask(DefinitionKind::Data, *form, picker, settings);
      if (!data) return std::nullopt;
    } else {
      data = arguments[0];
      form = Ask(DefinitionKind::Form, *data, picker, settings);
      if (!form) return std::nullopt;
    }
  } else {
    return JoinArguments(arguments);
  }
  return JoinArguments({"-fdf", *form, "-ddf", *data});
}

}  // namespace cadro
