#include "VtnoteIcon.h"

#include <QPainter>
#include <QPainterPath>

namespace cadro {
namespace {

constexpr int kSizes[] = {16, 22, 24, 32, 48, 64};

void DrawBell(QPainter& p) {
  // In a 64-unit square.
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x2c, 0x7a, 0x3f));
  p.drawRoundedRect(QRectF(4, 4, 56, 56), 10, 10);
  QPainterPath bell;
  bell.moveTo(32, 12);
  bell.cubicTo(23, 12, 18, 19, 18, 27);
  bell.lineTo(18, 37);
  bell.lineTo(13, 44);
  bell.lineTo(51, 44);
  bell.lineTo(46, 37);
  bell.lineTo(46, 27);
  bell.cubicTo(46, 19, 41, 12, 32, 12);
  bell.closeSubpath();
  p.setBrush(Qt::white);
  p.drawPath(bell);
  p.drawEllipse(QPointF(32, 50), 5, 5);
}

}  // namespace

QImage VtnoteBadgeImage(int count, int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / 64.0, size / 64.0);
  DrawBell(p);
  if (count > 0) {
    const QString text = count > 99 ? QStringLiteral("99+") : QString::number(count);
    const qreal width = text.size() == 1 ? 34 : text.size() == 2 ? 42 : 54;
    const QRectF badge(64 - width, 0, width, 34);
    p.setBrush(QColor(0xd0, 0x1c, 0x1c));
    p.setPen(QPen(Qt::white, 3));
    p.drawRoundedRect(badge, 17, 17);
    QFont font = p.font();
    font.setBold(true);
    font.setPixelSize(text.size() > 2 ? 22 : 26);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, text);
  }
  return image;
}

QImage VtnoteIconImage(int size) {
  return VtnoteBadgeImage(0, size);
}

QIcon VtnoteBadgeIcon(int count) {
  QIcon icon;
  for (const int size : kSizes) icon.addPixmap(QPixmap::fromImage(VtnoteBadgeImage(count, size)));
  return icon;
}

QIcon VtnoteIcon() {
  return VtnoteBadgeIcon(0);
}

}  // namespace cadro
