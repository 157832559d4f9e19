#pragma once
// The captions of the station dialogs: named as the windows know them, and the buddy of the box
// they stand beside, so that a screen reader names the box by its caption.

#include <QLabel>

namespace cadro {

inline QLabel* MakeLabel(QWidget* parent, const char* name, const char* text, QWidget* buddy = nullptr) {
  auto* label = new QLabel(QString::fromLatin1(text), parent);
  label->setObjectName(QString::fromLatin1(name));
  if (buddy) label->setBuddy(buddy);
  return label;
}

}  // namespace cadro
