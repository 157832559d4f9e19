#pragma once
// A drawing target that records every operation, with a simple width model: every character is
// 0.2 mm wide per point of font size, so wrapping is predictable in tests.

#include <string>
#include <vector>

#include "CadroPrint.h"

namespace cadro::testing {

struct RecordedLine {
  double x1, y1, x2, y2;
  ColourValue colour;
};

struct RecordedText {
  double x, y;
  std::string text;
  std::string font;
  double points;
  ColourValue colour;
};

class RecordingTarget final : public DrawingTarget {
public:
  void SetFont(const std::string& name, double points) override {
    font = name;
    size = points;
  }
  void SetForeColour(ColourValue c) override { colour = c; }
  void DrawLine(double x1, double y1, double x2, double y2, ColourValue c) override {
    lines.push_back({x1, y1, x2, y2, c});
  }
  void PrintText(double x, double y, const std::string& text) override {
    texts.push_back({x, y, text, font, size, colour});
  }
  double TextWidth(const std::string& text) override { return static_cast<double>(text.size()) * size * 0.2; }

  // The printed texts that show something, in order.
  std::vector<RecordedText> Visible() const {
    std::vector<RecordedText> out;
    for (const RecordedText& t : texts) {
      if (t.text.find_first_not_of(' ') != std::string::npos) out.push_back(t);
    }
    return out;
  }

  std::vector<RecordedLine> lines;
  std::vector<RecordedText> texts;
  std::string font;
  double size = 0;
  ColourValue colour = kBlack;
};

}  // namespace cadro::testing
