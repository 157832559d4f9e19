#pragma once
// The host-style global settings file Vantrel.glo in the program folder: a few printing and
// display settings the host keeps. Creating a VtGlobal reads the file (writing it with the
// defaults when it is missing); releasing it writes the file back when anything changed, which
// includes a file left by another program version. Failures never stop the program: each one
// becomes an error entry in the event log.
//
// The file is the host's too: a rewrite lays out the nine settings as they always were and keeps
// every other line it found (keys and sections of the host's own) in the section it stood in.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace cadro {

class EventLog;

inline constexpr const char* kNoPrintersDefined = "No Printers Defined";

class VtGlobal {
public:
  // `defaultPrinterName` is the system's default printer, empty when there is none.
  VtGlobal(std::string filePath, std::string programVersion, std::string defaultPrinterName,
           EventLog& eventLog);
  ~VtGlobal();
  VtGlobal(const VtGlobal&) = delete;
  VtGlobal& operator=(const VtGlobal&) = delete;

  void SetGloDefaults();
  void GloRead();
  void GLOWrite();

  // A file that names a printer no longer installed (a queue removed since) comes to name
  // `used`, the printer the program prints on ("No Printers Defined" when none is installed),
  // and is written back on release. A printer that is still installed is left as the file has
  // it, even when the program prints elsewhere: that choice is the host's.
  void ReplaceMissingPrinter(const std::vector<std::string>& installed, const std::string& used);

  // Read-only views, for tests and diagnostics; the report printer uses none of them.
  const std::string& Version() const { return version_; }
  std::int16_t UseGlobalMsgNum() const { return useGlobalMsgNum_; }
  std::int16_t ProfSave() const { return profSave_; }
  const std::string& PrinterName() const { return printerName_; }
  std::int16_t PtrOrient() const { return ptrOrient_; }
  std::int16_t PtrCopies() const { return ptrCopies_; }
  std::int16_t PtrDuplex() const { return ptrDuplex_; }
  const std::string& FolderLabels() const { return folderLabels_; }
  const std::string& LstFontSize() const { return lstFontSize_; }
  bool Dirty() const { return dirty_; }
  const std::string& LastError() const { return lastError_; }

  // The file's text as GLOWrite lays it out.
  std::string FileText() const;

private:
  // False for a line that names none of the settings.
  bool ApplyLine(std::string_view line, std::string& fileVersion);
  void LogError(long number, const std::string& description, const char* operation);

  std::string filePath_;
  std::string programVersion_;
  std::string defaultPrinterName_;
  EventLog& eventLog_;
  bool createFile_ = false;

  std::string version_;
  std::int16_t useGlobalMsgNum_ = 1;
  std::int16_t profSave_ = 1;
  std::string printerName_;
  std::int16_t ptrOrient_ = 1;
  std::int16_t ptrCopies_ = 1;
  std::int16_t ptrDuplex_ = 1;
  std::string folderLabels_;
  std::string lstFontSize_;
  // Lines that name none of the settings, each with the section line it stood under ("" before
  // the first), in the order read.
  struct OtherLine {
    std::string section;
    std::string line;
  };
  std::vector<OtherLine> others_;
  std::vector<std::string> sections_;  // every section line read, each once
  bool dirty_ = false;
  int step_ = 0;
  std::string lastError_;
};

// A 16-bit whole number as the settings files write it: blanks around it allowed, a decimal
// fraction rounds half to even. Throws RunError 13 for text that is no number and 6 for a number
// outside -32768..32767.
std::int16_t ToInteger16(std::string_view text);

}  // namespace cadro
