#include "CadroPrint.h"

#include <cmath>
#include <map>

#include "AnsiText.h"
#include "RunError.h"
#include "StringLib.h"

namespace cadro {
namespace {

constexpr double kCaptionPoints = 6;
constexpr double kFixedTextPoints = 12;
constexpr double kLinePitch = 5;

}  // namespace

ColourValue ColourFromName(const std::string& name) {
  static const std::map<std::string, ColourValue> kColours = {
      {"BLACK", 0x000000}, {"WHITE", 0xFFFFFF},  {"GREEN", 0x00FF00},   {"RED", 0x0000FF},
      {"BLUE", 0xFF0000},  {"YELLOW", 0x00FFFF}, {"MAGENTA", 0xFF00FF}, {"CYAN", 0xFFFF00},
  };
  const auto it = kColours.find(AsciiUpper(name));
  return it == kColours.end() ? kBlack : it->second;
}

std::string OrientationName(int orientation) {
  switch (orientation) {
    case 1: return "Portrait";
    case 2: return "Landscape";
    default: return {};
  }
}

std::string ReportSummary(const DataDefinition& data) {
  std::string evnt, type, loc1;
  for (const DataItem& item : data) {
    const std::string key = AsciiUpper(item.key);
    if (key == "EVNT") evnt = item.value;
    if (key == "TYPE") type = item.value;
    if (key == "LOC1") loc1 = item.value;
  }
  return evnt + " | " + type + " | " + loc1;
}

bool DrawForm(DrawingTarget& target, const FormDefinition& form) {
  const FormSettings& s = form.settings;
  ColourValue lineColour = kBlack;
  for (const FormItem& item : form.items) {
    const std::string colourName = AsciiUpper(item.lineColour);
    if (colourName == "BLACK") lineColour = kBlack;
    if (colourName == "WHITE") lineColour = kWhite;
    target.DrawLine(s.originX + item.x1, s.originY + item.y1, s.originX + item.x2, s.originY + item.y2,
                    lineColour);
  }

  target.SetFont("ARIAL", kCaptionPoints);
  target.SetForeColour(kBlack);
  for (const FormItem& item : form.items) {
    target.PrintText(s.originX + item.x1 + 1, s.originY + item.y1 + 0.5, item.caption);
  }

  target.SetFont("ARIAL", kFixedTextPoints);
  for (const FormItem& item : form.items) {
    target.SetForeColour(ColourFromName(item.fixedTextColour));
    target.PrintText(s.originX + item.x1 + 1, s.originY + item.y1 + 3, item.fixedText);
  }
  target.SetForeColour(kBlack);
  return true;
}

std::optional<char> CharacterFromCode(const std::string& value) {
  const std::string_view digits =
      TrimSpaces(std::string_view(value).substr(std::min<std::size_t>(2, value.size())));
  const std::optional<float> number = ParseSingle(digits);
  if (!number) return std::nullopt;
  const double code = std::nearbyint(static_cast<double>(*number));  // rounds half to even
  if (code < 0 || code > 255) return std::nullopt;
  return static_cast<char>(static_cast<unsigned char>(code));
}

void FillData(DrawingTarget& target, const FormDefinition& form, const DataDefinition& data) {
  std::vector<std::string> formKeys;
  formKeys.reserve(form.items.size());
  for (const FormItem& item : form.items) formKeys.push_back(AsciiUpper(item.key));

  for (const DataItem& datum : data) {
    const std::string key = AsciiUpper(datum.key);
    for (std::size_t i = 0; i < form.items.size(); ++i) {
      if (formKeys[i] != key) continue;
      const FormItem& item = form.items[i];
      const std::optional<float> points = ParseSingle(item.dataFontSize);
      if (!points || *points <= 0) continue;
      std::string text = datum.value;
      if (text.find("\\#") != std::string::npos) {
        const std::optional<char> c = CharacterFromCode(text);
        if (!c) continue;
        text.assign(1, *c);
      }
      try {
        target.SetFont(item.dataFontName, *points);
      } catch (const RunError&) {
        continue;
      }
      PrintWrapped(target, form, item, text);
    }
  }
}

void PrintWrapped(DrawingTarget& target, const FormDefinition& form, const FormItem& item,
                  const std::string& text) {
  std::string rest = text;
  ReplaceAll(rest, "\\n", " \\n");
  const double width = item.x2 - item.x1;
  const double x = form.settings.originX + item.x1 + 1;
  const double top = form.settings.originY + item.y1 + 3;
  double offset = 0;
  std::string line;
  std::string_view view(rest);
  while (!view.empty()) {
    std::string word = GetWord(view);
    const bool hasBreak = word.find("\\n") != std::string::npos;
    if (!hasBreak && target.TextWidth(line + " " + word) <= width) {
      line += word + " ";
      continue;
    }
    ReplaceAll(word, "\\n", "");
    target.PrintText(x, top + offset, line);
    line = word + " ";
    offset += kLinePitch;
  }
  target.PrintText(x, top + offset, line);
}

void RenderReport(DrawingTarget& target, const FormDefinition& form, const DataDefinition& data) {
  DrawForm(target, form);
  FillData(target, form, data);
}

namespace {

struct SymbolFace {
  const char* name;
  std::map<unsigned char, char32_t> signs;
};

// The Symbol code page as published for converting it to Unicode. Codes the table gives to the
// private-use area (pieces of large brackets, the serif and sans-serif marks) take the standard
// sign closest to them, which fonts have.
std::map<unsigned char, char32_t> SymbolCodePage() {
  std::map<unsigned char, char32_t> m = {
      {0x22, U'\u2200'}, {0x24, U'\u2203'}, {0x27, U'\u220B'}, {0x2A, U'\u2217'}, {0x2D, U'\u2212'},
      {0x40, U'\u2245'}, {0x5C, U'\u2234'}, {0x5E, U'\u22A5'}, {0x60, U'\u203E'}, {0x7E, U'\u223C'},
      {0xA0, U'\u20AC'}, {0xA1, U'\u03D2'}, {0xA2, U'\u2032'}, {0xA3, U'\u2264'}, {0xA4, U'\u2044'},
      {0xA5, U'\u221E'}, {0xA6, U'\u0192'}, {0xA7, U'\u2663'}, {0xA8, U'\u2666'}, {0xA9, U'\u2665'},
      {0xAA, U'\u2660'}, {0xAB, U'\u2194'}, {0xAC, U'\u2190'}, {0xAD, U'\u2191'}, {0xAE, U'\u2192'},
      {0xAF, U'\u2193'}, {0xB0, U'\u00B0'}, {0xB1, U'\u00B1'}, {0xB2, U'\u2033'}, {0xB3, U'\u2265'},
      {0xB4, U'\u00D7'}, {0xB5, U'\u221D'}, {0xB6, U'\u2202'}, {0xB7, U'\u2022'}, {0xB8, U'\u00F7'},
      {0xB9, U'\u2260'}, {0xBA, U'\u2261'}, {0xBB, U'\u2248'}, {0xBC, U'\u2026'}, {0xBD, U'\u23D0'},
      {0xBE, U'\u2015'}, {0xBF, U'\u21B5'}, {0xC0, U'\u2135'}, {0xC1, U'\u2111'}, {0xC2, U'\u211C'},
      {0xC3, U'\u2118'}, {0xC4, U'\u2297'}, {0xC5, U'\u2295'}, {0xC6, U'\u2205'}, {0xC7, U'\u2229'},
      {0xC8, U'\u222A'}, {0xC9, U'\u2283'}, {0xCA, U'\u2287'}, {0xCB, U'\u2284'}, {0xCC, U'\u2282'},
      {0xCD, U'\u2286'}, {0xCE, U'\u2208'}, {0xCF, U'\u2209'}, {0xD0, U'\u2220'}, {0xD1, U'\u2207'},
      {0xD2, U'\u00AE'}, {0xD3, U'\u00A9'}, {0xD4, U'\u2122'}, {0xD5, U'\u220F'}, {0xD6, U'\u221A'},
      {0xD7, U'\u22C5'}, {0xD8, U'\u00AC'}, {0xD9, U'\u2227'}, {0xDA, U'\u2228'}, {0xDB, U'\u21D4'},
      {0xDC, U'\u21D0'}, {0xDD, U'\u21D1'}, {0xDE, U'\u21D2'}, {0xDF, U'\u21D3'}, {0xE0, U'\u25CA'},
      {0xE1, U'\u2329'}, {0xE2, U'\u00AE'}, {0xE3, U'\u00A9'}, {0xE4, U'\u2122'}, {0xE5, U'\u2211'},
      {0xE6, U'\u239B'}, {0xE7, U'\u239C'}, {0xE8, U'\u239D'}, {0xE9, U'\u23A1'}, {0xEA, U'\u23A2'},
      {0xEB, U'\u23A3'}, {0xEC, U'\u23A7'}, {0xED, U'\u23A8'}, {0xEE, U'\u23A9'}, {0xEF, U'\u23AA'},
      {0xF1, U'\u232A'}, {0xF2, U'\u222B'}, {0xF3, U'\u2320'}, {0xF4, U'\u23AE'}, {0xF5, U'\u2321'},
      {0xF6, U'\u239E'}, {0xF7, U'\u239F'}, {0xF8, U'\u23A0'}, {0xF9, U'\u23A4'}, {0xFA, U'\u23A5'},
      {0xFB, U'\u23A6'}, {0xFC, U'\u23AB'}, {0xFD, U'\u23AC'}, {0xFE, U'\u23AD'},
  };
  // The Greek letters stand on the Latin letters they sound like.
  const char32_t upper[26] = {0x391, 0x392, 0x3A7, 0x394, 0x395, 0x3A6, 0x393, 0x397, 0x399,
                              0x3D1, 0x39A, 0x39B, 0x39C, 0x39D, 0x39F, 0x3A0, 0x398, 0x3A1,
                              0x3A3, 0x3A4, 0x3A5, 0x3C2, 0x3A9, 0x39E, 0x3A8, 0x396};
  const char32_t lower[26] = {0x3B1, 0x3B2, 0x3C7, 0x3B4, 0x3B5, 0x3C6, 0x3B3, 0x3B7, 0x3B9,
                              0x3D5, 0x3BA, 0x3BB, 0x3BC, 0x3BD, 0x3BF, 0x3C0, 0x3B8, 0x3C1,
                              0x3C3, 0x3C4, 0x3C5, 0x3D6, 0x3C9, 0x3BE, 0x3C8, 0x3B6};
  for (int i = 0; i < 26; ++i) {
    m[static_cast<unsigned char>('A' + i)] = upper[i];
    m[static_cast<unsigned char>('a' + i)] = lower[i];
  }
  return m;
}

// The dingbat faces: only the codes forms use for ticks, crosses, boxes, bullets and arrows.
const std::vector<SymbolFace>& SymbolFaces() {
  static const std::vector<SymbolFace> faces = {
      {"WINGDINGS",
       {{0x6C, U'\u25CF'}, {0x6D, U'\u274D'}, {0x6E, U'\u25A0'}, {0x6F, U'\u25A1'}, {0x71, U'\u2751'},
        {0x72, U'\u2752'}, {0x75, U'\u25C6'}, {0x76, U'\u2756'}, {0x78, U'\u2327'}, {0x9E, U'\u00B7'},
        {0x9F, U'\u2022'}, {0xA1, U'\u25CB'}, {0xA7, U'\u25AA'}, {0xA8, U'\u25FB'}, {0xD8, U'\u27A2'},
        {0xDF, U'\u2190'}, {0xE0, U'\u2192'}, {0xE1, U'\u2191'}, {0xE2, U'\u2193'}, {0xE8, U'\u2794'},
        {0xEF, U'\u21E6'}, {0xF0, U'\u21E8'}, {0xF1, U'\u21E7'}, {0xF2, U'\u21E9'}, {0xFB, U'\u2717'},
        {0xFC, U'\u2714'}, {0xFD, U'\u2612'}, {0xFE, U'\u2611'}}},
      {"WINGDINGS 2",
       {{0x4F, U'\u2718'},
        {0x50, U'\u2714'},
        {0x51, U'\u2612'},
        {0x52, U'\u2611'},
        {0x53, U'\u2297'},
        {0x54, U'\u2612'},
        {0xA3, U'\u25A1'}}},
      {"SYMBOL", SymbolCodePage()},
  };
  return faces;
}

const SymbolFace* FindSymbolFace(const std::string& fontName) {
  const std::string name(TrimSpaces(AsciiUpper(fontName)));
  for (const SymbolFace& face : SymbolFaces()) {
    if (name == face.name) return &face;
  }
  return nullptr;
}

}  // namespace

bool IsSymbolFace(const std::string& fontName) {
  return FindSymbolFace(fontName) != nullptr;
}

std::string DisplayTextUtf8(const std::string& fontName, const std::string& ansiText) {
  const SymbolFace* face = FindSymbolFace(fontName);
  if (!face) return AnsiToUtf8(ansiText);
  std::string out;
  for (const char c : ansiText) {
    const auto it = face->signs.find(static_cast<unsigned char>(c));
    if (it != face->signs.end()) {
      AppendUtf8(out, it->second);
    } else {
      out += AnsiToUtf8(std::string_view(&c, 1));
    }
  }
  return out;
}

}  // namespace cadro
