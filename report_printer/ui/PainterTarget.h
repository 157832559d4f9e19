#pragma once
// The one QPainter drawing target: printer pages, the preview picture and PDF files. The painter
// works in device units with its origin at the top left of the printable area (or the picture);
// this class converts millimetres itself rather than scaling the painter, so font sizes stay
// exact, and it places each text's top left (not its baseline) at the given point.

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <array>
#include <map>
#include <optional>

#include "CadroPrint.h"

namespace cadro {

class PainterTarget final : public DrawingTarget {
public:
  PainterTarget(QPainter& painter, double dotsPerMm);

  void SetFont(const std::string& name, double points) override;
  void SetForeColour(ColourValue colour) override;
  void DrawLine(double x1, double y1, double x2, double y2, ColourValue colour) override;
  void PrintText(double x, double y, const std::string& text) override;
  double TextWidth(const std::string& text) override;

  // Pixels (device units) per millimetre.
  double DotsPerMm() const { return dotsPerMm_; }

  static QColor ToQColor(ColourValue colour);

private:
  // One face at one size, with the advance of each of the 256 ANSI codes in device units.
  // Texts are drawn without kerning or ligatures, as the forms were designed, so a text's width
  // is the sum of its characters' advances.
  struct Face {
    QFont font;
    double ascent = 0;
    std::array<double, 256> advances{};
  };
  QString Glyphs(const std::string& text) const;

  QPainter& painter_;
  double dotsPerMm_;
  std::string fontName_;
  std::map<std::pair<std::string, double>, Face> faces_;
  const Face* face_ = nullptr;
  QColor foreColour_{Qt::black};
};

}  // namespace cadro
