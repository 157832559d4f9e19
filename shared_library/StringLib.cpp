#include "StringLib.h"

#include <algorithm>

namespace cadro {
namespace {

template <typename Fn>
std::string ConsumeFromString(std::string& buffer, Fn&& take) {
  std::string_view view(buffer);
  std::string result = take(view);
  buffer.erase(0, buffer.size() - view.size());
  return result;
}

}  // namespace

std::string GetLine(std::string_view& buffer) {
  const std::size_t cr = buffer.find('\r');
  const std::string_view line = buffer.substr(0, cr);
  buffer.remove_prefix(cr == std::string_view::npos ? buffer.size() : cr + 1);
  std::string result;
  result.reserve(line.size());
  std::copy_if(line.begin(), line.end(), std::back_inserter(result), [](char c) { return c != '\n'; });
  return result;
}

std::string GetLine(std::string& buffer) {
  return ConsumeFromString(buffer, [](std::string_view& v) { return GetLine(v); });
}

std::vector<std::string> GetLines(std::string_view text) {
  std::vector<std::string> lines;
  while (!text.empty()) {
    const bool ended = text.find('\r') != std::string_view::npos;
    std::string line = GetLine(text);
    if (ended || !line.empty()) lines.push_back(std::move(line));
  }
  return lines;
}

std::string GetWord(std::string_view& buffer) {
  const std::size_t start = std::min(buffer.find_first_not_of(' '), buffer.size());
  buffer.remove_prefix(start);
  const std::size_t end = buffer.find(' ');
  std::string word(buffer.substr(0, end));
  buffer.remove_prefix(end == std::string_view::npos ? buffer.size() : end);
  return word;
}

std::string GetWord(std::string& buffer) {
  return ConsumeFromString(buffer, [](std::string_view& v) { return GetWord(v); });
}

std::string GetBuffer(std::ptrdiff_t count, std::string_view& buffer) {
  const std::size_t n = count <= 0 ? 0 : std::min(static_cast<std::size_t>(count), buffer.size());
  std::string piece(buffer.substr(0, n));
  buffer.remove_prefix(n);
  return piece;
}

std::string GetBuffer(std::ptrdiff_t count, std::string& buffer) {
  return ConsumeFromString(buffer, [count](std::string_view& v) { return GetBuffer(count, v); });
}

std::string TrimTrailingNewlines(std::string_view text) {
  const std::size_t last = text.find_last_not_of("\r\n");
  return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

std::string_view TrimSpaces(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

std::string AsciiUpper(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string AsciiLower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string TwoDigits(int n) {
  const int last = ((n % 100) + 100) % 100;
  return {static_cast<char>('0' + last / 10), static_cast<char>('0' + last % 10)};
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace cadro
