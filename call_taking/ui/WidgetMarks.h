#pragma once
// The light-yellow mark of a box that failed a check, and its removal.

#include <QColor>

class QWidget;

namespace cadro::marks {

inline const QColor kLightYellow{255, 255, 128};

void MarkYellow(QWidget* box);
void ClearMark(QWidget* box);
bool IsMarkedYellow(const QWidget* box);

}  // namespace cadro::marks
