#include "VtInit.h"

#include <filesystem>
#include <limits>
#include <new>
#include <stdexcept>

#include "AnsiText.h"
#include "FileIO.h"
#include "HostPath.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro {
namespace fs = std::filesystem;
namespace {

constexpr int kSubscriptOutOfRange = 9;

std::string Trimmed(std::string_view text) {
  return std::string(TrimSpaces(text));
}

// "number, description" of the exception being handled.
std::string CurrentErrorText() {
  return CurrentRunError(err::kPathFileAccess).NumberAndDescription();
}

// The folders without a default keep whatever they hold when defaults are set.
bool HasDefault(ProfileKey key) {
  return Info(key).section != 4 || key == ProfileKey::DirQF;
}

bool CanRead(ProfileAccess a) {
  return a != ProfileAccess::SetOnly && a != ProfileAccess::Hidden;
}

bool CanSet(ProfileAccess a) {
  return a != ProfileAccess::ReadOnly && a != ProfileAccess::Hidden;
}

[[noreturn]] void Misuse(ProfileKey key, const char* what) {
  throw std::logic_error(std::string(what) + " " + std::string(Info(key).name));
}

}  // namespace

VtInit::VtInit(FileLib& fileLib, const Services& services, std::string programVersion,
               std::string programTitle)
    : fileLib_(fileLib),
      eventLog_(services.eventLog),
      prompts_(services.prompts),
      locale_(services.locale),
      programVersion_(std::move(programVersion)),
      programTitle_(std::move(programTitle)),
      text_(kProfileKeyCount),
      number_(kProfileKeyCount, 0) {}

VtInit::~VtInit() {
  try {
    Release();
  } catch (...) {
    // Write reports its own failures; nothing may leave a destructor.
  }
}

void VtInit::Release() {
  if (released_) return;
  released_ = true;
  if (dirty_) Write();
}

bool VtInit::StartClass(const std::string& profileToLoad, const std::string& profileName) {
  try {
    step_ = 1;
    profileName_ = profileName;
    // A profile lives in the data folder; a name that would reach elsewhere names no profile.
    if (!IsPlainHostFileName(profileToLoad)) throw MakeRunError(err::kBadFileNameOrNumber);
    fileName_ = JoinPath(fileLib_.DataPath(), HostPath(profileToLoad));
    newProfile_ = !FileExists(fileName_);
    step_ = 2;
    SetDefaults();
    step_ = 3;
    Read();
    dirty_ = false;
    changed_.reset();
    return true;
  } catch (...) {
    lastError_ = CurrentErrorText();
    eventLog_.Error(lastError_ + " in VtIni:StartClass, Step=" + std::to_string(step_));
    return false;
  }
}

void VtInit::SetDefaults() {
  for (std::size_t i = 0; i < kProfileKeyCount; ++i) {
    const auto key = static_cast<ProfileKey>(i);
    if (!HasDefault(key)) continue;
    text_[i] = key == ProfileKey::Version ? programVersion_ : std::string(kProfileKeys[i].defaultText);
    number_[i] = kProfileKeys[i].defaultNumber;
  }
}

void VtInit::Store(std::size_t i, const std::string& value) {
  const char sep = locale_.DecimalSeparator();
  switch (kProfileKeys[i].type) {
    case ProfileType::Text: text_[i] = value; break;
    case ProfileType::Int16:
      number_[i] = static_cast<std::int32_t>(ToWholeNumber(value, sep, -32768, 32767));
      break;
    case ProfileType::Int32:
      number_[i] = static_cast<std::int32_t>(ToWholeNumber(
          value, sep, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
      break;
    case ProfileType::Flag: {
      std::string word = Trimmed(value);
      for (char& c : word) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
      if (word == "true" || word == "false") {
        number_[i] = word == "true" ? -1 : 0;
      } else {
        number_[i] = ToWholeNumber(value, sep, std::numeric_limits<long long>::min() / 2,
                                   std::numeric_limits<long long>::max() / 2) != 0
                         ? -1
                         : 0;
      }
      break;
    }
  }
}

void VtInit::Read() {
  try {
    // A profile that appeared meanwhile is loaded, never overwritten with defaults.
    if (newProfile_ && !FileExists(fileName_)) {
      step_ = 5;
      dirty_ = true;
      SetDefaults();
      Write();
      return;
    }
    step_ = 1;
    std::string text = ReadWholeFile(fileName_);
    ReplaceAll(text, "+DATA_PATH",
               fileLib_.DataPath().empty() ? std::string() : ToHostForm(fileLib_.DataPath()));
    if (text.find('=') == std::string::npos) {
      step_ = 2;
      Write();
      return;
    }
    changed_.reset();
    std::string version;
    for (const std::string& line : GetLines(text)) {
      if (line.empty() || line.front() == '[') continue;
      step_ = 3;
      const std::size_t eq = line.find('=');
      step_ = 4;
      const auto key = FindProfileKey(TrimSpaces(std::string_view(line).substr(0, eq)));
      if (!key) continue;
      if (eq == std::string::npos) throw RunError(kSubscriptOutOfRange, "Subscript out of range");
      const std::string value = line.substr(eq + 1);
      if (*key == ProfileKey::Version) {
        version = value;
      } else {
        Store(Index(*key), value);
      }
    }
    if (version != programVersion_) {
      newProfile_ = true;
      dirty_ = true;
    }
  } catch (...) {
    Report("VtIni:Read", "VtIni:Read", "Problems reading ");
  }
}

std::string VtInit::ValueText(std::size_t i) const {
  if (static_cast<ProfileKey>(i) == ProfileKey::Version) return programVersion_;
  switch (kProfileKeys[i].type) {
    case ProfileType::Text: return text_[i];
    case ProfileType::Flag: return number_[i] ? "-1" : "0";
    case ProfileType::Int16:
    case ProfileType::Int32: break;
  }
  return std::to_string(number_[i]);
}

std::string VtInit::Layout() const {
  std::string out;
  for (std::size_t s = 0; s < kProfileSections.size(); ++s) {
    if (s > 0) out += "\r\n";
    out += kProfileSections[s];
    out += "\r\n";
    for (std::size_t i = 0; i < kProfileKeyCount; ++i) {
      if (kProfileKeys[i].section != static_cast<int>(s)) continue;
      out += kProfileKeys[i].name;
      out += '=';
      out += ValueText(i);
      out += "\r\n";
    }
  }
  return out;
}

std::string VtInit::Merge(const std::string& onDisk) const {
  std::vector<std::string> lines = GetLines(onDisk);
  std::bitset<kProfileKeyCount> present;
  constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
  std::vector<std::size_t> sectionEnd(kProfileSections.size(), kNone);  // insert before this line
  int currentSection = -1;
  for (std::size_t n = 0; n < lines.size(); ++n) {
    std::string& line = lines[n];
    if (line.empty()) continue;
    if (line.front() == '[') {
      currentSection = -1;
      for (std::size_t s = 0; s < kProfileSections.size(); ++s) {
        if (TrimSpaces(line) == kProfileSections[s] && sectionEnd[s] == kNone) {
          currentSection = static_cast<int>(s);
          sectionEnd[s] = n + 1;
        }
      }
      continue;
    }
    if (currentSection >= 0) sectionEnd[static_cast<std::size_t>(currentSection)] = n + 1;
    const std::size_t eq = line.find('=');
    const std::string_view keyText = TrimSpaces(std::string_view(line).substr(0, eq));
    const auto key = FindProfileKey(keyText);
    if (!key) continue;
    present[Index(*key)] = true;
    if (eq != std::string::npos && changed_[Index(*key)])
      line = std::string(keyText) + "=" + ValueText(Index(*key));
  }

  // Keys the file lacks go to the end of their section, or with a new section at the end.
  std::vector<std::vector<std::string>> insertBefore(lines.size() + 1);
  std::vector<std::string> appended;
  for (std::size_t s = 0; s < kProfileSections.size(); ++s) {
    std::vector<std::string> missing;
    for (std::size_t i = 0; i < kProfileKeyCount; ++i) {
      if (kProfileKeys[i].section == static_cast<int>(s) && !present[i]) {
        missing.push_back(std::string(kProfileKeys[i].name) + "=" + ValueText(i));
      }
    }
    if (missing.empty()) continue;
    if (sectionEnd[s] != kNone) {
      auto& slot = insertBefore[sectionEnd[s]];
      slot.insert(slot.end(), missing.begin(), missing.end());
    } else {
      if (!lines.empty() || !appended.empty()) appended.emplace_back();
      appended.emplace_back(kProfileSections[s]);
      appended.insert(appended.end(), missing.begin(), missing.end());
    }
  }

  std::string out;
  out.reserve(onDisk.size() + 64);
  for (std::size_t n = 0; n <= lines.size(); ++n) {
    for (const std::string& extra : insertBefore[n]) out += extra + "\r\n";
    if (n < lines.size()) out += lines[n] + "\r\n";
  }
  for (const std::string& extra : appended) out += extra + "\r\n";
  return out;
}

void VtInit::Write() {
  if (!dirty_) return;
  try {
    step_ = 101;
    step_ = 102;
    std::string onDisk;
    if (FileExists(fileName_)) onDisk = ReadWholeFile(fileName_);
    step_ = 103;
    // Creating the file is this step; a folder that is not there fails it, as the host's
    // create would.
    const std::string folder = fs::path(fileName_).parent_path().string();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec)) {
      missingFolder_ = folder;
      throw MakeRunError(err::kPathNotFound);
    }
    const std::string bytes = onDisk.find('=') != std::string::npos ? Merge(onDisk) : Layout();
    step_ = 104;
    WriteFileAtomic(fileName_, bytes);
    step_ = 105;
    dirty_ = false;
    changed_.reset();
  } catch (...) {
    Report("VtIni:Write", "VtIni:Write", "Problems writing ");
  }
}

bool VtInit::IniCopyTo(const std::string& newName) {
  try {
    step_ = 1;
    if (!IsPlainHostFileName(newName)) throw MakeRunError(err::kBadFileNameOrNumber);
    const std::string target = JoinPath(fileLib_.DataPath(), HostPath(newName + ".profile"));
    step_ = 2;
    const std::string bytes = ReadWholeFile(fileName_);
    step_ = 3;
    WriteFileAtomic(target, bytes);
    return true;
  } catch (...) {
    Report("VtIni:IniCopyTo", "VtInit:IniCopyTo", "Problems copying ");
    return false;
  }
}

void VtInit::Report(const std::string& operation, const std::string& logOperation,
                    const std::string& problem) {
  lastError_ = CurrentErrorText();
  const std::string step = std::to_string(step_);
  const std::string file = Utf8ToAnsi(fileName_);  // texts for the log and the boxes are ANSI
  eventLog_.Error(lastError_ + "; " + logOperation + ", FileName = " + file + ", Step = " + step);
  std::string text =
      operation + ", Step=" + step + "\r\n" + problem + file + ", Please try again\r\nError=" + lastError_;
  // What the operator has to mend, where the error alone does not say it.
  if (!missingFolder_.empty()) text += "\r\nThe folder " + Utf8ToAnsi(missingFolder_) + " does not exist.";
  missingFolder_.clear();
  prompts_.Message(text, programTitle_, PromptIcon::None);
}

void VtInit::MarkChanged(std::size_t i) {
  changed_[i] = true;
  dirty_ = true;
}

std::string VtInit::Text(ProfileKey key) {
  const ProfileKeyInfo& info = Info(key);
  if (info.type != ProfileType::Text || !CanRead(info.access)) Misuse(key, "no text reader for");
  std::string& member = text_[Index(key)];
  switch (info.access) {
    case ProfileAccess::Trimmed: return Trimmed(member);
    case ProfileAccess::SeparatorChar: {
      std::string out = member;
      for (char& c : out) c = c == '_' ? ' ' : c;
      return out;
    }
    case ProfileAccess::SoundPath:
      // The caller gets the expanded path; the profile keeps the host's own text, whose tokens
      // the host expands against its own folders (ours may differ), so the value written back
      // always means to the host what it meant before.
      member = Trimmed(member);
      MarkChanged(Index(key));
      return fileLib_.RealPath(member);
    default: return member;
  }
}

void VtInit::SetText(ProfileKey key, std::string_view value) {
  const ProfileKeyInfo& info = Info(key);
  if (info.type != ProfileType::Text || !CanSet(info.access)) Misuse(key, "no text setter for");
  std::string stored(value);
  if (info.access == ProfileAccess::SeparatorChar) {
    for (char& c : stored) c = c == ' ' ? '_' : c;
  }
  if (info.access != ProfileAccess::Untrimmed) stored = Trimmed(stored);
  text_[Index(key)] = std::move(stored);
  MarkChanged(Index(key));
}

std::int32_t VtInit::Number(ProfileKey key) const {
  const ProfileKeyInfo& info = Info(key);
  if (info.type == ProfileType::Text || !CanRead(info.access)) Misuse(key, "no number reader for");
  return number_[Index(key)];
}

void VtInit::SetNumber(ProfileKey key, std::int32_t value) {
  const ProfileKeyInfo& info = Info(key);
  if (info.type == ProfileType::Text || !CanSet(info.access)) Misuse(key, "no number setter for");
  if (info.type == ProfileType::Int16 && (value < -32768 || value > 32767))
    throw MakeRunError(err::kOverflow);
  number_[Index(key)] = info.type == ProfileType::Flag ? (value ? -1 : 0) : value;
  MarkChanged(Index(key));
}

bool VtInit::Flag(ProfileKey key) const {
  if (Info(key).type != ProfileType::Flag) Misuse(key, "no flag reader for");
  return number_[Index(key)] != 0;
}

void VtInit::SetFlag(ProfileKey key, bool value) {
  if (Info(key).type != ProfileType::Flag) Misuse(key, "no flag setter for");
  number_[Index(key)] = value ? -1 : 0;
  MarkChanged(Index(key));
}

std::string VtInit::EffectiveID() const {
  return number_[Index(ProfileKey::TCnPEnabled)] == 1 ? text_[Index(ProfileKey::TacID)]
                                                      : text_[Index(ProfileKey::UsrID)];
}

std::int32_t VtInit::NextLocalMsgNum() {
  const std::size_t i = Index(ProfileKey::LocalMsgNum);
  const std::int32_t current = number_[i];
  if (current != 0 && current != std::numeric_limits<std::int32_t>::max()) {
    number_[i] = current + 1;
    MarkChanged(i);
  }
  return current;
}

void VtInit::SetSpareNumber(std::int16_t value) {
  spareNumber_ = value;
  dirty_ = true;
}

void VtInit::SetSpareText(std::string_view value) {
  spareText_ = Trimmed(value);
  dirty_ = true;
}

}  // namespace cadro
