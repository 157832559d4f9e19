#include "CadroMsg.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "CadroVersion.h"
#include "FileIO.h"
#include "RunError.h"
#include "StringLib.h"
#include "WholeNumber.h"

namespace cadro {
namespace {

constexpr std::string_view kExtension = ".911";
constexpr int kDeletedState = 8;

// Where each key's value lives: a text slot, or one of the four Integer fields.
enum class IntField { None, RPC, CON, BRE, AST };
struct KeySlot {
  std::string_view key;
  int text;  // index into the text array, -1 for an Integer field
  IntField number;
};

// The file order of the keys. The text indexes follow CadroMsg::TextField.
constexpr std::array<KeySlot, 29> kSlots{{
    {"TYP", 0, IntField::None},  {"EID", 1, IntField::None},  {"MID", 2, IntField::None},
    {"ISS", 3, IntField::None},  {"AD1", 4, IntField::None},  {"CTY", 5, IntField::None},
    {"AD2", 6, IntField::None},  {"LAS", 7, IntField::None},  {"DTL", 8, IntField::None},
    {"RPN", 9, IntField::None},  {"RPA", 10, IntField::None}, {"RPP", 11, IntField::None},
    {"RPC", -1, IntField::RPC},  {"AGE", 12, IntField::None}, {"GDR", 13, IntField::None},
    {"CON", -1, IntField::CON},  {"BRE", -1, IntField::BRE},  {"PIN", 14, IntField::None},
    {"PDE", 15, IntField::None}, {"WEA", 16, IntField::None}, {"DOT", 17, IntField::None},
    {"VDE", 18, IntField::None}, {"VDP", 19, IntField::None}, {"VDS", 20, IntField::None},
    {"UID", 21, IntField::None}, {"ULO", 22, IntField::None}, {"AST", -1, IntField::AST},
    {"ADT", 23, IntField::None}, {"ATM", 24, IntField::None},
}};

const KeySlot* FindSlot(std::string_view key) {
  if (key.size() != 3) return nullptr;
  for (const KeySlot& slot : kSlots) {
    if (slot.key == key) return &slot;
  }
  return nullptr;
}

// A value never carries a CR into the file: it would end the line early and the rest would be
// read back as a line of its own, possibly as another key. The entry form already stores breaks
// as the two characters "\n"; this does the same for any CR or CR LF that slipped past. A lone LF
// ends no line for any reader, so it stays, and whatever Load read is written back unchanged.
void AppendValue(std::string& out, std::string_view value) {
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value[i] != '\r') {
      out += value[i];
      continue;
    }
    out += "\\n";
    if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
  }
}

}  // namespace

std::int16_t ParseInteger16(std::string_view text) {
  // A fraction rounds half to even, as the classic conversion does.
  const WholeNumber n = ReadWholeNumber(text, {.min = -32768, .max = 32767, .decimalSeparator = '.'});
  if (!n) throw MakeRunError(n.error);
  return static_cast<std::int16_t>(n.value);
}

CadroMsg::CadroMsg(std::string messageFolder, Services& services)
    : folder_(std::move(messageFolder)), services_(services) {}

const std::array<std::string_view, 29>& CadroMsg::Keys() {
  static const std::array<std::string_view, 29> keys = [] {
    std::array<std::string_view, 29> k{};
    for (std::size_t i = 0; i < kSlots.size(); ++i) k[i] = kSlots[i].key;
    return k;
  }();
  return keys;
}

bool CadroMsg::IsPlainEventId(std::string_view id) {
  if (id.empty() || id == "." || id == "..") return false;
  return id.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

void CadroMsg::Clear() {
  for (std::string& s : text_) s.clear();
  rpc_ = con_ = bre_ = ast_ = 0;
}

std::string CadroMsg::Text(TextField f) const {
  return std::string(TrimSpaces(text_[f]));
}

void CadroMsg::SetText(TextField f, std::string_view v) {
  text_[f] = TrimSpaces(v);
}

std::string CadroMsg::PathFor(std::string_view eventId) const {
  std::string name(eventId);
  name += kExtension;
  return JoinPath(folder_, name);
}

// ---------------------------------------------------------------------------------------------
// Load

bool CadroMsg::Load(std::string_view eventId) {
  const std::string_view id = TrimSpaces(eventId);
  if (id.empty()) return false;
  const std::string path = PathFor(id);
  if (!IsPlainEventId(id)) {
    step_ = 1;
    ReportFailure(Operation::Load, path, MakeRunError(err::kBadFileNameOrNumber));
    return false;
  }
  return LoadFrom(path) == LoadResult::Loaded;
}

CadroMsg::LoadResult CadroMsg::LoadFrom(const std::string& path) {
  step_ = 1;
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const RunError& e) {
    // No file (or no folder) at the path is not a failure: the record keeps what it held.
    if (e.number == err::kFileNotFound || e.number == err::kPathNotFound) return LoadResult::Missing;
    Clear();
    ReportFailure(Operation::Load, path, e);
    return LoadResult::Failed;
  } catch (...) {
    Clear();
    ReportFailure(Operation::Load, path, CurrentRunError());
    return LoadResult::Failed;
  }
  Clear();
  return Parse(path, bytes) ? LoadResult::Loaded : LoadResult::Failed;
}

bool CadroMsg::LoadBytes(std::string_view eventId, std::string_view bytes) {
  const std::string_view id = TrimSpaces(eventId);
  const std::string path = PathFor(id);
  Clear();
  if (!IsPlainEventId(id)) {
    step_ = 1;
    ReportFailure(Operation::Load, path, MakeRunError(err::kBadFileNameOrNumber));
    return false;
  }
  return Parse(path, bytes);
}

bool CadroMsg::Parse(const std::string& path, std::string_view bytes) {
  try {
    std::string_view rest(bytes);
    while (!rest.empty()) {
      step_ = 2;
      // A line ends at CR or at CR LF; a lone LF belongs to the line.
      const std::size_t cr = rest.find('\r');
      const std::string_view line = rest.substr(0, cr);
      if (cr == std::string_view::npos) {
        rest = {};
      } else {
        rest.remove_prefix(cr + 1);
        if (!rest.empty() && rest.front() == '\n') rest.remove_prefix(1);
      }
      if (line.substr(0, 5) == "[END]") break;
      if (line.empty()) continue;
      const std::size_t eq = line.find('=');
      const std::string_view key = TrimSpaces(line.substr(0, eq));
      step_ = 3;
      const std::string_view value = eq == std::string_view::npos ? std::string_view() : line.substr(eq + 1);
      Assign(key, value, eq != std::string_view::npos);
    }
    step_ = 5;  // the bytes were read whole before parsing, so there is no close (step 4) to fail
    return true;
  } catch (...) {
    ReportFailure(Operation::Load, path, CurrentRunError());
    return false;
  }
}

void CadroMsg::Assign(std::string_view key, std::string_view value, bool hasValue) {
  const KeySlot* slot = FindSlot(key);
  if (slot == nullptr) return;  // section lines, Version, anything unknown
  // A known key without "=" cannot be cut into key and value.
  if (!hasValue) throw MakeRunError(err::kInvalidArgument);
  if (slot->text >= 0) {
    text_[static_cast<std::size_t>(slot->text)].assign(value);
    return;
  }
  const std::int16_t n = ParseInteger16(value);
  switch (slot->number) {
    case IntField::RPC: rpc_ = n; break;
    case IntField::CON: con_ = n; break;
    case IntField::BRE: bre_ = n; break;
    case IntField::AST: ast_ = n; break;
    case IntField::None: break;
  }
}

// ---------------------------------------------------------------------------------------------
// Fadd

std::string CadroMsg::Compose() const {
  const LocalTime now = services_.clock.Now();
  std::string out;
  out.reserve(1024);
  const auto line = [&out](std::string_view text) {
    out += text;
    out += "\r\n";
  };
  const auto field = [&out](std::string_view key, std::string_view value) {
    out += key;
    out += '=';
    AppendValue(out, value);
    out += "\r\n";
  };
  const auto textOf = [this](TextField f) -> std::string_view { return text_[f]; };

  line("[911 DEFINITION]");
  line(std::string("Version=") + kProgramVersion + "/" + TwoDigits(now.year) +
       std::to_string(now.DayOfYear()) + ":" + TwoDigits(now.hour) + TwoDigits(now.minute) +
       TwoDigits(now.second));
  // The first twelve keys are the first twelve text fields, in file order.
  for (std::size_t i = 0; i < 12; ++i) field(kSlots[i].key, text_[i]);
  field("RPC", std::to_string(rpc_));

  const std::string_view type = text_[kTYP];
  if (type.find("MED") != std::string_view::npos) {
    line("[MED DEFINITION]");
    field("AGE", textOf(kAGE));
    field("GDR", textOf(kGDR));
    field("CON", std::to_string(con_));
    field("BRE", std::to_string(bre_));
  }
  if (type.find("FIRE") != std::string_view::npos) {
    line("[FIRE DEFINITION]");
    field("PIN", textOf(kPIN));
  }
  if (type.find("LAW") != std::string_view::npos) {
    line("[LAW DEFINITION]");
    field("PDE", textOf(kPDE));
    field("WEA", textOf(kWEA));
    field("DOT", textOf(kDOT));
    field("VDE", textOf(kVDE));
    field("VDP", textOf(kVDP));
    field("VDS", textOf(kVDS));
  }
  if (type.find("LGOV") != std::string_view::npos) line("[LGOV DEFINITION]");
  line("[ADMIN DEFINITION]");
  field("UID", textOf(kUID));
  field("ULO", textOf(kULO));
  field("AST", std::to_string(ast_));
  field("ADT", textOf(kADT));
  field("ATM", textOf(kATM));
  line("[END]");
  return out;
}

bool CadroMsg::Fadd() {
  step_ = 1;
  // The file name is the EID property (trimmed), so a report loaded from "X1.911" whose EID line
  // carries a trailing space is saved back to "X1.911", not to a second file beside it.
  const std::string id = EID();
  const std::string path = PathFor(id);
  if (!IsPlainEventId(id)) {
    ReportFailure(Operation::Fadd, path, MakeRunError(err::kBadFileNameOrNumber));
    return false;
  }
  return SaveTo(path);
}

CadroMsg::AddResult CadroMsg::FaddNew() {
  step_ = 1;
  const std::string id = EID();
  const std::string path = PathFor(id);
  if (!IsPlainEventId(id)) {
    ReportFailure(Operation::Fadd, path, MakeRunError(err::kBadFileNameOrNumber));
    return AddResult::Failed;
  }
  try {
    const std::string content = Compose();
    step_ = 2;
    const NewFileResult result = WriteNewFileAtomic(path, content);
    step_ = 4;
    return result == NewFileResult::Created ? AddResult::Written : AddResult::Taken;
  } catch (...) {
    ReportFailure(Operation::Fadd, path, CurrentRunError());
    return AddResult::Failed;
  }
}

bool CadroMsg::SaveTo(const std::string& path) {
  try {
    step_ = 1;
    const std::string content = Compose();
    // Creating, writing and closing are one step now: the new report goes to a temporary file
    // that replaces the old one only when it is complete, so a failure keeps the old report.
    step_ = 2;
    WriteFileAtomic(path, content);
    step_ = 4;
    return true;
  } catch (...) {
    ReportFailure(Operation::Fadd, path, CurrentRunError());
    return false;
  }
}

// ---------------------------------------------------------------------------------------------
// Fdelete

std::string CadroMsg::Fdelete(std::string_view eventId, int state) {
  const std::string_view id = TrimSpaces(eventId);
  const std::string path = PathFor(id);
  step_ = 1;
  if (!IsPlainEventId(id)) {
    ReportFailure(Operation::Fdelete, path, MakeRunError(err::kBadFileNameOrNumber));
    return "0";
  }
  if (state == kDeletedState) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return "-1";  // already gone
    // A read-only report stays, as its attribute says, even for root.
    if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) {
      ReportFailure(Operation::Fdelete, path, MakeRunError(err::kPathFileAccess));
      return "0";
    }
    if (::unlink(path.c_str()) != 0) {
      ReportFailure(Operation::Fdelete, path, ErrorFromErrno(errno, path));
      return "0";
    }
    return "-1";
  }
  // Marking a report deleted rewrites the file it came from. Without the file there is nothing
  // to mark; going on would stamp whatever record this object held before as deleted.
  switch (LoadFrom(path)) {
    case LoadResult::Loaded: break;
    case LoadResult::Missing:
      ReportFailure(Operation::Fdelete, path, MakeRunError(err::kFileNotFound));
      return "0";
    case LoadResult::Failed: return "0";  // Load has said why
  }
  ast_ = kDeletedState;
  return SaveTo(path) ? "-1" : "0";
}

// ---------------------------------------------------------------------------------------------
// BuildFileList

std::string CadroMsg::BuildFileList() {
  std::string list;
  ForEachEventId([&list](std::string_view id) {
    list += id;
    list += "\r\n";
  });
  return TrimTrailingNewlines(list);
}

void CadroMsg::ForEachEventId(const std::function<void(std::string_view eventId)>& each) {
  step_ = 1;
  DIR* dir = ::opendir(folder_.c_str());
  if (dir == nullptr) return;
  step_ = 2;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() < kExtension.size() || name.substr(name.size() - kExtension.size()) != kExtension) {
      continue;
    }
    bool regular = entry->d_type == DT_REG;
    if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
      struct stat st {};
      regular = ::fstatat(::dirfd(dir), entry->d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
    }
    if (!regular) continue;
    const std::string_view id = name.substr(0, name.size() - kExtension.size());
    const std::string_view trimmed = TrimSpaces(id);
    if (trimmed.empty()) {
      services_.eventLog.Error("Vt911:BuildFileList, detected, excluded an extent-only '.911' file");
      continue;
    }
    // A name Load would refuse, or one that would split the CR LF list, is left out too.
    if (!IsPlainEventId(trimmed) || id.find_first_of("\r\n") != std::string_view::npos) {
      services_.eventLog.Error("Vt911:BuildFileList, detected, excluded the file '" + std::string(name) +
                               "' whose name is not an event ID");
      continue;
    }
    try {
      each(id);
    } catch (...) {
      ::closedir(dir);
      throw;
    }
  }
  ::closedir(dir);
  step_ = 3;
}

// ---------------------------------------------------------------------------------------------
// Failure reports

void CadroMsg::ReportFailure(Operation op, const std::string& path, const RunError& error) {
  lastError_ = error.NumberAndDescription();
  const std::string step = std::to_string(step_);
  std::string where;
  std::string box;
  switch (op) {
    case Operation::Load:
      where = "; Cadro:Load, FileName = ";
      box = "Vt911:Load, Step=" + step + "\r\nProblems loading " + path + ", please try again";
      break;
    case Operation::Fadd:
      where = "; Vt911:Fadd, FileName = ";
      box = "Vt911:Fadd, Step=" + step + "\r\nProblems saving '" + path + "', please try again";
      break;
    case Operation::Fdelete:
      where = "; Vt911:Fdelete, FileName = ";
      box = "Vt911:Fdelete, Step=" + step + "\r\nProblems deleting " + path + ", please try again";
      break;
  }
  services_.eventLog.Error(lastError_ + where + path + ", Step = " + step);
  services_.prompts.Message(box + "\r\nError=" + lastError_, {}, PromptIcon::Critical);
}

}  // namespace cadro
