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

const std::vector<SymbolFace>& SymbolFaces() {
  static const std::vector<SymbolFace> faces = {
      {"WINGDINGS",
       {{0x6C, U'\u25CF'},
        {0x6E, U'\u25A0'},
        {0x6F, U'\u25A1'},
        {0x71, U'\u2751'},
        {0x78, U'\u2327'},
        {0xA1, U'\u25CB'},
        {0xA8, U'\u25FB'},
        {0xFB, U'\u2717'},
        {0xFC, U'\u2714'},
        {0xFD, U'\u2612'},
        {0xFE, U'\u2611'}}},
      {"WINGDINGS 2",
       {{0x4F, U'\u2718'}, {0x50, U'\u2714'}, {0x52, U'\u2611'}, {0x54, U'\u2612'}, {0xA3, U'\u25A1'}}},
      {"SYMBOL", {{0xB4, U'\u00D7'}, {0xB7, U'\u2022'}, {0xD6, U'\u221A'}, {0xD7, U'\u22C5'}}},
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
