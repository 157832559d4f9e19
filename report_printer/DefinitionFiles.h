#pragma once
// The two files that tell the report printer what to print: the form definition (where lines,
// captions, fixed texts and data boxes stand) and the data definition (the message text as
// key=value lines). Both are ANSI text read whole once at start-up; nothing here writes them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadro {

// Form-wide values; the origin is added to every coordinate of every item (millimetres).
struct FormSettings {
  std::string formName = "<unassigned>";
  float width = 188;   // kept from the FORM line, not used in drawing
  float height = 110;  // kept from the FORM line, not used in drawing
  float originY = 10;
  float originX = 10;
};

// One LINE or FIELD record. Coordinates are millimetres relative to the form origin.
struct FormItem {
  std::string key;  // data key printed in this item, matched case-insensitively
  float x1 = 0;
  float y1 = 0;
  float x2 = 0;  // x2 - x1 is also the width the data text is wrapped in
  float y2 = 0;
  std::string lineColour;  // "BLACK"/"WHITE"; anything else carries the previous line's colour
  std::string caption;
  std::string placement = "TOP";  // kept, not drawn
  std::string fixedText;
  std::string dataFontSize = "11";  // points, as text: a bad number skips the item when drawn
  std::string dataFontName = "ARIAL";
  std::string fixedTextColour = "BLACK";
  std::string alignment = "TL";  // kept, not drawn
};

struct FormDefinition {
  FormSettings settings;
  std::vector<FormItem> items;  // in file order
};

struct DataItem {
  std::string key;
  std::string value;
};

using DataDefinition = std::vector<DataItem>;  // in file order; keys may repeat

// Item counts were 16-bit on the original platform; records past this many are ignored.
inline constexpr std::size_t kMaxDefinitionItems = 32767;

// The outcome of reading one definition file: 0 when it was found and read, 53 when it does not
// exist, another run-time error number when it exists but could not be read. `reason` completes
// "Forms file " or "Data file " for the operator ("not found", "is not a plain file", ...).
struct BuildResult {
  int error = 0;
  std::string reason;
  bool folder = false;  // found, but a folder: nothing was read
  bool ok() const { return error == 0; }
};

// Definition files are a few kilobytes; a larger one is taken for a wrong path, not read.
inline constexpr std::size_t kMaxDefinitionFileBytes = 16 * 1024 * 1024;

// True when the file system can describe the path (a file or a folder). An empty name, or one
// holding a NUL byte, is never found.
bool FileFound(const std::string& fileName);

// Resets `form` to its defaults and fills it from the form definition file. A folder counts as
// found and yields an empty form. Only a plain file of at most kMaxDefinitionFileBytes is read:
// a device, a pipe or a socket fails at once (a pipe with no writer would block for ever, and
// /dev/zero never ends).
BuildResult BuildFDFarray(const std::string& fileName, FormDefinition& form);

// Fills `data` from the data definition file (replacing what it held).
BuildResult BuildDataArray(const std::string& fileName, DataDefinition& data);

// The parsers behind the two builders, on the file's bytes.
void ParseFormDefinition(std::string_view bytes, FormDefinition& form);
void ParseDataDefinition(std::string_view bytes, DataDefinition& data);

// A single-precision number as the form files write it: blanks around it allowed, "." as the
// decimal point, an optional sign and exponent. Anything else, or a non-finite value, is nullopt.
std::optional<float> ParseSingle(std::string_view text);

}  // namespace cadro
