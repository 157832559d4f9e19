#include "WidgetMarks.h"

#include <QPalette>
#include <QWidget>

namespace cadro::marks {

void MarkYellow(QWidget* box) {
  QPalette p = box->palette();
  p.setColor(QPalette::Base, kLightYellow);
  box->setPalette(p);
}

void ClearMark(QWidget* box) {
  // Back to what the window's style gives every box.
  box->setPalette(QPalette());
}

bool IsMarkedYellow(const QWidget* box) {
  return box->palette().color(QPalette::Base) == kLightYellow;
}

}  // namespace cadro::marks
