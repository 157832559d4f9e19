#pragma once
// Checks that an operator can work a window without the mouse and with a screen reader. Each
// function returns one line per finding, naming the control, so a failing test says what to
// mend; an empty list is a pass.

#include <string>
#include <vector>

class QWidget;

namespace cadro::testing {

// Menu titles and menu items without an access key (or with one their menu already uses),
// push buttons that neither an access key nor a shortcut reaches, other buttons outside the
// Tab chain, and access keys that two visible controls of the window share (Alt+key would then
// only move the focus between them instead of acting).
std::vector<std::string> KeyboardGaps(QWidget* window);

// Controls that take input or act but whose accessible name is empty, so a screen reader
// would say only "button" or "edit".
std::vector<std::string> UnnamedControls(QWidget* window);

// Places where Tab goes back against the reading order: to a control above and not to the
// right of the previous one, or to the left on the same line.
std::vector<std::string> TabOrderFaults(QWidget* window);

// All three, one finding a line: what a window test expects to be empty.
std::string AuditFindings(QWidget* window);

}  // namespace cadro::testing
