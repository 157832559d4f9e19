#include "VtGlobal.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "FileIO.h"
#include "Platform.h"
#include "RunError.h"
#include "StringLib.h"
#include "WholeNumber.h"

namespace cadro {

std::int16_t ToInteger16(std::string_view text) {
  const WholeNumber n = ReadWholeNumber(text, {.min = -32768, .max = 32767, .decimalSeparator = '.'});
  if (!n) throw MakeRunError(n.error);
  return static_cast<std::int16_t>(n.value);
}

VtGlobal::VtGlobal(std::string filePath, std::string programVersion, std::string defaultPrinterName,
                   EventLog& eventLog)
    : filePath_(std::move(filePath)),
      programVersion_(std::move(programVersion)),
      defaultPrinterName_(std::move(defaultPrinterName)),
      eventLog_(eventLog) {
  createFile_ = !PathExists(filePath_);
  SetGloDefaults();
  GloRead();
}

VtGlobal::~VtGlobal() {
  GLOWrite();
}

void VtGlobal::SetGloDefaults() {
  version_ = programVersion_;
  useGlobalMsgNum_ = 1;
  profSave_ = 1;
  printerName_ = defaultPrinterName_.empty() ? kNoPrintersDefined : defaultPrinterName_;
  ptrOrient_ = 1;
  ptrCopies_ = 1;
  ptrDuplex_ = 1;
  folderLabels_ = "Folder 1|Folder 2|Folder 3|Folder 4|Folder 5";
  lstFontSize_ = "9";
}

void VtGlobal::ReplaceMissingPrinter(const std::vector<std::string>& installed, const std::string& used) {
  const bool present = installed.empty()
                           ? printerName_ == kNoPrintersDefined
                           : std::find(installed.begin(), installed.end(), printerName_) != installed.end();
  if (present) return;
  printerName_ = used.empty() ? kNoPrintersDefined : used;
  dirty_ = true;
}

void VtGlobal::LogError(long number, const std::string& description, const char* operation) {
  lastError_ = std::to_string(number) + ", " + description;
  eventLog_.Error(lastError_ + "; VtGlobal:" + operation + ", FileName = " + filePath_ +
                  ", Step = " + std::to_string(step_));
}

void VtGlobal::GloRead() {
  if (createFile_) {
    step_ = 4;
    dirty_ = true;
    SetGloDefaults();
    GLOWrite();
    return;
  }
  std::string buffer;
  try {
    step_ = 1;
    buffer = ReadWholeFile(filePath_);
    step_ = 2;
  } catch (const RunError& e) {
    LogError(e.number, e.description, "GloRead");
    return;
  }
  if (buffer.find('=') == std::string::npos) return;

  step_ = 3;
  std::string fileVersion;
  std::string section;
  std::string_view rest(buffer);
  while (!rest.empty()) {
    std::string line = GetLine(rest);
    if (line.empty()) continue;
    if (line.front() == '[') {
      if (std::find(sections_.begin(), sections_.end(), line) == sections_.end()) sections_.push_back(line);
      section = line;
      continue;
    }
    try {
      if (!ApplyLine(line, fileVersion)) others_.push_back({section, std::move(line)});
    } catch (const RunError& e) {
      LogError(e.number, e.description, "GloRead");
    }
  }
  if (fileVersion != version_) dirty_ = true;
}

bool VtGlobal::ApplyLine(std::string_view line, std::string& fileVersion) {
  static constexpr std::string_view kKeys[] = {"Version",     "UseGlobalMsgNum", "ProfSave",
                                               "PrinterName", "PtrOrient",       "PtrCopies",
                                               "PtrDuplex",   "FolderLabels",    "LstFontSize"};
  const std::size_t eq = line.find('=');
  const std::string_view key = TrimSpaces(line.substr(0, eq));
  bool known = false;
  for (const std::string_view k : kKeys) known = known || k == key;
  if (!known) return false;
  if (eq == std::string_view::npos) throw MakeRunError(err::kInvalidArgument);
  const std::string value(line.substr(eq + 1));
  if (key == "Version") fileVersion = value;
  if (key == "UseGlobalMsgNum") useGlobalMsgNum_ = ToInteger16(value);
  if (key == "ProfSave") profSave_ = ToInteger16(value);
  if (key == "PrinterName") printerName_ = value;
  if (key == "PtrOrient") ptrOrient_ = ToInteger16(value);
  if (key == "PtrCopies") ptrCopies_ = ToInteger16(value);
  if (key == "PtrDuplex") ptrDuplex_ = ToInteger16(value);
  if (key == "FolderLabels") folderLabels_ = value;
  if (key == "LstFontSize") lstFontSize_ = value;
  return true;
}

std::string VtGlobal::FileText() const {
  constexpr std::string_view kGeneral = "[GENERAL VARIABLES]";
  constexpr std::string_view kPrinter = "[LOCAL PRINTER]";
  std::string t;
  const auto line = [&t](std::string_view s) {
    t += s;
    t += "\r\n";
  };
  const auto othersOf = [&](std::string_view section) {
    for (const OtherLine& other : others_)
      if (other.section == section) line(other.line);
  };
  othersOf("");
  line(kGeneral);
  line("Version=" + version_);
  line("UseGlobalMsgNum=" + std::to_string(useGlobalMsgNum_));
  line("ProfSave=" + std::to_string(profSave_));
  othersOf(kGeneral);
  line("");
  line(kPrinter);
  line("PrinterName=" + printerName_);
  line("PtrOrient=" + std::to_string(ptrOrient_));
  line("PtrCopies=" + std::to_string(ptrCopies_));
  line("PtrDuplex=" + std::to_string(ptrDuplex_));
  line("FolderLabels=" + folderLabels_);
  line("LstFontSize=" + lstFontSize_);
  othersOf(kPrinter);
  // Sections of the host's own follow, in the order they came.
  for (const std::string& section : sections_) {
    if (section == kGeneral || section == kPrinter) continue;
    line("");
    line(section);
    othersOf(section);
  }
  return t;
}

void VtGlobal::GLOWrite() {
  if (!dirty_) return;
  try {
    // The old file is replaced in one step (101 check, 102 delete collapse into the rename), so
    // a failed write leaves the previous settings in place.
    step_ = 101;
    const std::string text = FileText();
    step_ = 104;
    WriteFileAtomic(filePath_, text);
    step_ = 105;
    dirty_ = false;
  } catch (const RunError& e) {
    if (e.number == err::kPermissionDenied || e.number == err::kPathNotFound) step_ = 103;
    LogError(e.number, e.description, "GLOWrite");
  }
}

}  // namespace cadro
