#include "ListFilter.h"

#include "AddressNormalise.h"

namespace cadro::aids {
namespace {

constexpr char kFieldBreak = '\x1f';

void AppendFolded(std::string& out, std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    // The stored details carry line breaks as the two characters "\n"; a search across a line
    // break should find the words on either side.
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 'n') {
      out.push_back(' ');
      ++i;
      continue;
    }
    out.push_back(FoldByte(text[i]));
  }
  out.push_back(kFieldBreak);
}

}  // namespace

std::string SearchText(const IncidentRow& row) {
  std::string out;
  out.reserve(64 + row.dtl.size());
  for (const int column : {2, 3, 4, 5, kCityColumn}) AppendFolded(out, row.columns[column]);
  AppendFolded(out, row.dtl);
  return out;
}

ListFilter::ListFilter(std::string_view typed) {
  std::string word;
  for (const char c : typed) {
    if (c == ' ' || c == '\t') {
      if (!word.empty()) words_.push_back(std::move(word));
      word.clear();
    } else if (c != kFieldBreak) {
      word.push_back(FoldByte(c));
    }
  }
  if (!word.empty()) words_.push_back(std::move(word));
}

bool ListFilter::Matches(std::string_view searchText) const {
  for (const std::string& word : words_) {
    if (searchText.find(word) == std::string_view::npos) return false;
  }
  return true;
}

}  // namespace cadro::aids
