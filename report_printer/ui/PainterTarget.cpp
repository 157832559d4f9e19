#include "PainterTarget.h"

#include <algorithm>

#include "QtPlatform.h"
#include "RunError.h"

namespace cadro {

PainterTarget::PainterTarget(QPainter& painter, double dotsPerMm) : painter_(painter), dotsPerMm_(dotsPerMm) {
  painter_.setRenderHint(QPainter::Antialiasing, true);
  painter_.setRenderHint(QPainter::TextAntialiasing, true);
  SetFont("ARIAL", 11);
}

QColor PainterTarget::ToQColor(ColourValue c) {
  return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                static_cast<int>((c >> 16) & 0xFF));
}

void PainterTarget::SetFont(const std::string& name, double points) {
  if (!(points > 0 && points < 2000)) throw MakeRunError(err::kInvalidArgument, "SetFont");
  fontName_ = name;
  auto [it, added] = faces_.try_emplace({name, points});
  Face& face = it->second;
  if (added) {
    // A symbol face is matched to whatever font the system calls by that name (often one with
    // its own encoding, whose signs come out blank): the signs are drawn in a face that has them.
    face.font = QFont(IsSymbolFace(name) ? QString::fromLatin1(kSignFace) : FromAnsi(name));
    face.font.setPointSizeF(points);
    // Outline metrics, the same on screen and paper, so the preview wraps exactly as the page.
    face.font.setHintingPreference(QFont::PreferNoHinting);
    face.font.setKerning(false);
    face.font.setStyleStrategy(QFont::PreferNoShaping);
    const QFontMetricsF metrics(face.font, painter_.device());
    face.ascent = metrics.ascent();
    for (int code = 0; code < 256; ++code) {
      face.advances[static_cast<std::size_t>(code)] =
          metrics.horizontalAdvance(Glyphs(std::string(1, static_cast<char>(code))));
    }
  }
  face_ = &face;
  painter_.setFont(face.font);
}

void PainterTarget::SetForeColour(ColourValue colour) {
  foreColour_ = ToQColor(colour);
}

void PainterTarget::DrawLine(double x1, double y1, double x2, double y2, ColourValue colour) {
  QPen pen(ToQColor(colour));
  pen.setWidthF(std::max(1.0, 0.1 * dotsPerMm_));
  pen.setCapStyle(Qt::SquareCap);
  painter_.setPen(pen);
  painter_.setBrush(Qt::NoBrush);
  const QPointF a(x1 * dotsPerMm_, y1 * dotsPerMm_);
  const QPointF b(x2 * dotsPerMm_, y2 * dotsPerMm_);
  // An item whose corners differ in both coordinates is a box on the form: draw its outline.
  if (x1 != x2 && y1 != y2) {
    painter_.drawRect(QRectF(a, b).normalized());
  } else {
    painter_.drawLine(a, b);
  }
}

QString PainterTarget::Glyphs(const std::string& text) const {
  return QString::fromStdString(DisplayTextUtf8(fontName_, text));
}

void PainterTarget::PrintText(double x, double y, const std::string& text) {
  if (text.empty()) return;
  painter_.setPen(foreColour_);
  painter_.drawText(QPointF(x * dotsPerMm_, y * dotsPerMm_ + face_->ascent), Glyphs(text));
}

double PainterTarget::TextWidth(const std::string& text) {
  double width = 0;
  for (const char c : text) width += face_->advances[static_cast<unsigned char>(c)];
  return width / dotsPerMm_;
}

}  // namespace cadro
