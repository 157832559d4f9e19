#include "AddressNormalise.h"

#include <utility>

namespace cadro::aids {
namespace {

// Long form -> the short form everyone writes. Short forms map to themselves implicitly.
constexpr std::pair<std::string_view, std::string_view> kShortForms[] = {
    {"street", "st"},    {"str", "st"},          {"avenue", "ave"},    {"av", "ave"},
    {"road", "rd"},      {"boulevard", "blvd"},  {"drive", "dr"},      {"lane", "ln"},
    {"court", "ct"},     {"place", "pl"},        {"highway", "hwy"},   {"parkway", "pkwy"},
    {"terrace", "ter"},  {"circle", "cir"},      {"square", "sq"},     {"trail", "trl"},
    {"alley", "aly"},    {"expressway", "expy"}, {"freeway", "fwy"},   {"apartment", "apt"},
    {"suite", "ste"},    {"floor", "fl"},        {"building", "bldg"}, {"north", "n"},
    {"south", "s"},      {"east", "e"},          {"west", "w"},        {"northeast", "ne"},
    {"northwest", "nw"}, {"southeast", "se"},    {"southwest", "sw"},  {"saint", "st"},
    {"mount", "mt"},     {"fort", "ft"},
};

bool IsWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0x80;
}

std::string_view ShortForm(std::string_view word) {
  for (const auto& [longForm, shortForm] : kShortForms) {
    if (word == longForm) return shortForm;
  }
  return word;
}

// Gives the words of the normal form to `each` in turn, until it returns false; returns false
// when it was stopped so.
template <typename Each>
bool ForEachNormalWord(std::string_view ansi, Each&& each) {
  std::string word;  // a street's words fit in the string itself: no allocation
  for (const char c : ansi) {
    if (c == '\'' || c == '.') continue;
    if (IsWordByte(static_cast<unsigned char>(c))) {
      word.push_back(FoldByte(c));
    } else if (!word.empty()) {
      if (!each(ShortForm(word))) return false;
      word.clear();
    }
  }
  return word.empty() || each(ShortForm(word));
}

}  // namespace

char FoldByte(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u >= 'A' && u <= 'Z') return static_cast<char>(u + 32);
  // Latin-1 capitals À..Þ except the multiplication sign, and the code page's own pairs.
  if (u >= 0xC0 && u <= 0xDE && u != 0xD7) return static_cast<char>(u + 32);
  switch (u) {
    case 0x8A: return static_cast<char>(0x9A);  // Š
    case 0x8C: return static_cast<char>(0x9C);  // Œ
    case 0x8E: return static_cast<char>(0x9E);  // Ž
    case 0x9F: return static_cast<char>(0xFF);  // Ÿ
    default: return c;
  }
}

std::string FoldCase(std::string_view ansi) {
  std::string out(ansi);
  for (char& c : out) c = FoldByte(c);
  return out;
}

std::string NormaliseAddress(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size());
  ForEachNormalWord(ansi, [&out](std::string_view word) {
    if (!out.empty()) out.push_back(' ');
    out.append(word);
    return true;
  });
  return out;
}

bool NormalisesTo(std::string_view ansi, std::string_view normalised) {
  std::size_t at = 0;
  const bool whole = ForEachNormalWord(ansi, [&](std::string_view word) {
    if (at > 0) {
      if (at == normalised.size() || normalised[at] != ' ') return false;
      ++at;
    }
    if (normalised.substr(at, word.size()) != word) return false;
    at += word.size();
    return true;
  });
  return whole && at == normalised.size();
}

}  // namespace cadro::aids
