#pragma once
// The viewer's icon (a white bell on green, as the desktop entry shows it), drawn so that it needs
// no image plugin, and the same icon with a count on it for the tray.

#include <QIcon>
#include <QImage>

namespace cadro {

QImage VtnoteIconImage(int size);
QIcon VtnoteIcon();
// The icon with `count` in a red badge; `count` 0 gives the plain icon. Above 99 it reads "99+".
QIcon VtnoteBadgeIcon(int count);
QImage VtnoteBadgeImage(int count, int size);

}  // namespace cadro
