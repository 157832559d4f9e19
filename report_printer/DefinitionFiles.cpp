#include "DefinitionFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "FileIO.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro {
namespace {

std::vector<std::string_view> SplitAt(std::string_view line, char separator) {
  std::vector<std::string_view> parts;
  for (;;) {
    const std::size_t at = line.find(separator);
    parts.push_back(line.substr(0, at));
    if (at == std::string_view::npos) return parts;
    line.remove_prefix(at + 1);
  }
}

// Calls `apply` for every line that counts: reading stops at the first empty line, and lines
// starting with "#" are comments.
template <typename Fn>
void ForEachDefinitionLine(std::string_view text, Fn&& apply) {
  while (!text.empty()) {
    const std::string line = GetLine(text);
    if (line.empty()) return;
    if (line.front() == '#') continue;
    apply(line);
  }
}

void ApplyFormItem(const std::vector<std::string_view>& cols, FormItem& item) {
  const auto present = [&](std::size_t c) { return c < cols.size() && !cols[c].empty(); };
  const auto number = [&](std::size_t c, float& field) {
    if (present(c)) field = ParseSingle(cols[c]).value_or(0.0F);
  };
  const auto text = [&](std::size_t c, std::string& field) {
    if (present(c)) field = std::string(cols[c]);
  };
  text(1, item.key);
  number(2, item.x1);
  number(3, item.y1);
  number(4, item.x2);
  number(5, item.y2);
  text(6, item.lineColour);
  text(7, item.caption);
  text(8, item.placement);
  text(9, item.fixedText);
  text(10, item.dataFontSize);
  text(11, item.dataFontName);
  text(12, item.fixedTextColour);
  text(13, item.alignment);
}

void ApplyFormLine(const std::vector<std::string_view>& cols, FormSettings& settings) {
  const auto present = [&](std::size_t c) { return c < cols.size() && !cols[c].empty(); };
  const auto number = [&](std::size_t c, float& field) {
    if (present(c)) field = ParseSingle(cols[c]).value_or(field);
  };
  if (present(1)) settings.formName = std::string(cols[1]);
  number(2, settings.width);
  number(3, settings.height);
  number(4, settings.originY);
  number(5, settings.originX);
}

BuildResult Failed(int error, std::string reason) {
  return {error, std::move(reason)};
}

BuildResult ReadDefinitionFile(const std::string& fileName, std::string& bytes) {
  bytes.clear();
  if (!FileFound(fileName)) return Failed(err::kFileNotFound, "not found");
  // Non-blocking, so that opening a pipe never waits for a writer; the checks then go by what
  // was opened, not by the name, which may have changed meanwhile.
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    const RunError e = ErrorFromErrno(errno, fileName);
    if (e.number == err::kFileNotFound) return Failed(err::kFileNotFound, "not found");
    return Failed(static_cast<int>(e.number), "could not be read (" + e.NumberAndDescription() + ")");
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    return Failed(err::kPathFileAccess,
                  "could not be read (" + MakeRunError(err::kPathFileAccess).NumberAndDescription() + ")");
  }
  if (S_ISDIR(st.st_mode)) {  // "found", but holds no lines
    BuildResult folder;
    folder.folder = true;
    return folder;
  }
  if (!S_ISREG(st.st_mode)) return Failed(err::kPathFileAccess, "is not a plain file");
  if (static_cast<std::uintmax_t>(st.st_size) > kMaxDefinitionFileBytes) {
    return Failed(err::kPathFileAccess, "is larger than 16 MB");
  }
  // The size is only a hint: a file that grows while it is read is still cut at the limit.
  bytes.reserve(static_cast<std::size_t>(st.st_size) + 1);
  char chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      bytes.clear();
      const RunError e = ErrorFromErrno(errno, fileName);
      return Failed(static_cast<int>(e.number), "could not be read (" + e.NumberAndDescription() + ")");
    }
    if (n == 0) return {};
    if (bytes.size() + static_cast<std::size_t>(n) > kMaxDefinitionFileBytes) {
      bytes.clear();
      return Failed(err::kPathFileAccess, "is larger than 16 MB");
    }
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
}

}  // namespace

std::optional<float> ParseSingle(std::string_view text) {
  text = TrimSpaces(text);
  const bool plus = !text.empty() && text.front() == '+';
  if (plus) text.remove_prefix(1);
  // One sign at most: "+-5" is no number, not -5.
  if (text.empty() || (plus && text.front() == '-')) return std::nullopt;
  float value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

bool FileFound(const std::string& fileName) {
  if (fileName.empty() || fileName.find('\0') != std::string::npos) return false;
  return PathExists(fileName);
}

void ParseFormDefinition(std::string_view bytes, FormDefinition& form) {
  ForEachDefinitionLine(bytes, [&](const std::string& line) {
    const std::vector<std::string_view> cols = SplitAt(line, ',');
    const std::string keyword = AsciiUpper(cols[0]);
    if (keyword == "LINE" || keyword == "FIELD") {
      if (form.items.size() >= kMaxDefinitionItems) return;
      ApplyFormItem(cols, form.items.emplace_back());
    } else if (keyword == "FORM") {
      ApplyFormLine(cols, form.settings);
    }
  });
}

void ParseDataDefinition(std::string_view bytes, DataDefinition& data) {
  // The host wraps long message lines with "=" as a soft break at the end of each piece; such
  // pieces are joined again. A line whose only "=" is its last character is a key with an empty
  // value, not a soft break, so it keeps its line end and the next line keeps its key.
  std::string joined;
  joined.reserve(bytes.size());
  bool lineHasEquals = false;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    if (c == '=' && lineHasEquals && bytes.compare(i, 3, "=\r\n") == 0) {
      i += 2;
      continue;
    }
    if (c == '=') lineHasEquals = true;
    if (c == '\r') lineHasEquals = false;
    joined.push_back(c);
  }
  ForEachDefinitionLine(joined, [&](const std::string& line) {
    if (data.size() >= kMaxDefinitionItems) return;
    const std::vector<std::string_view> parts = SplitAt(line, '=');
    DataItem& item = data.emplace_back();
    item.key = std::string(parts[0]);
    if (parts.size() > 1) item.value = std::string(parts[1]);
  });
}

BuildResult BuildFDFarray(const std::string& fileName, FormDefinition& form) {
  form.settings = FormSettings{};
  std::string bytes;
  const BuildResult result = ReadDefinitionFile(fileName, bytes);
  if (!result.ok()) return result;
  form.items.clear();
  ParseFormDefinition(bytes, form);
  return result;
}

BuildResult BuildDataArray(const std::string& fileName, DataDefinition& data) {
  std::string bytes;
  const BuildResult result = ReadDefinitionFile(fileName, bytes);
  if (!result.ok()) return result;
  data.clear();
  ParseDataDefinition(bytes, data);
  return result;
}

}  // namespace cadro
