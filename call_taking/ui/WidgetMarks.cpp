#include "WidgetMarks.h"

#include <QPalette>
#include <QWidget>

namespace cadro::marks {

// A palette of its own is new to the style, which caches its images per palette: a box gets one
// only when it is marked, and gives it up when the mark goes.
void MarkYellow(QWidget* box) {
  if (IsMarkedYellow(box) && box->testAttribute(Qt::WA_SetPalette)) return;
  QPalette p = box->palette();
  p.setColor(QPalette::Base, kLightYellow);
  box->setPalette(p);
}

void ClearMark(QWidget* box) {
  // Back to what the window's style gives every box.
  if (box->testAttribute(Qt::WA_SetPalette)) box->setPalette(QPalette());
}

bool IsMarkedYellow(const QWidget* box) {
  return box->palette().color(QPalette::Base) == kLightYellow;
}

}  // namespace cadro::marks
