#include "WindowAudit.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QWidget>
#include <functional>
#include <map>

namespace cadro::testing {
namespace {

std::string Name(const QObject* o) {
  QString text;
  if (const auto* b = qobject_cast<const QAbstractButton*>(o)) text = b->text();
  if (const auto* a = qobject_cast<const QAction*>(o)) text = a->text();
  QString name =
      o->objectName().isEmpty() ? QString::fromLatin1(o->metaObject()->className()) : o->objectName();
  if (!text.isEmpty()) name += QStringLiteral(" \"%1\"").arg(text);
  return name.toStdString();
}

QString Mnemonic(const QString& text) {
  return QKeySequence::mnemonic(text).toString();
}

// Buttons that belong to another control (tab scrollers, spin arrows, the combo's drop-down)
// are that control's business and are reached through it.
bool PartOfAnotherControl(const QWidget* w) {
  for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget()) {
    if (qobject_cast<const QTabBar*>(p) || qobject_cast<const QAbstractSpinBox*>(p) ||
        qobject_cast<const QScrollBar*>(p) || qobject_cast<const QComboBox*>(p) ||
        qobject_cast<const QMenuBar*>(p))
      return true;
    if (p->isWindow()) break;
  }
  return false;
}

bool InWindow(const QWidget* w, const QWidget* window) {
  return w->window() == window;
}

void AuditMenu(const QMenu* menu, const std::string& path, std::vector<std::string>& out) {
  std::map<QString, std::string> used;
  for (const QAction* a : menu->actions()) {
    if (a->isSeparator() || !a->isVisible()) continue;
    const std::string where = path + " > " + Name(a);
    const QString key = Mnemonic(a->text());
    if (key.isEmpty()) {
      out.push_back("menu item without an access key: " + where);
    } else if (auto [it, fresh] = used.emplace(key, where); !fresh) {
      out.push_back("access key " + key.toStdString() + " used twice in one menu: " + it->second + " and " +
                    where);
    }
    if (a->menu()) AuditMenu(a->menu(), where, out);
  }
}

}  // namespace

std::vector<std::string> KeyboardGaps(QWidget* window) {
  std::vector<std::string> out;
  // Alt+key is one space for the whole window: menu titles, buttons and labelled fields.
  std::map<QString, std::string> windowKeys;
  const auto claim = [&](const QString& key, const std::string& who) {
    if (key.isEmpty()) return;
    if (auto [it, fresh] = windowKeys.emplace(key, who); !fresh)
      out.push_back("access key " + key.toStdString() + " shared by " + it->second + " and " + who);
  };

  for (QMenuBar* bar : window->findChildren<QMenuBar*>()) {
    if (!InWindow(bar, window)) continue;
    for (const QAction* a : bar->actions()) {
      if (a->isSeparator() || !a->isVisible()) continue;
      const QString key = Mnemonic(a->text());
      if (key.isEmpty()) out.push_back("menu without an access key: " + Name(a));
      claim(key, "menu " + Name(a));
      if (a->menu()) AuditMenu(a->menu(), Name(a), out);
    }
  }

  for (QAbstractButton* b : window->findChildren<QAbstractButton*>()) {
    if (!InWindow(b, window) || PartOfAnotherControl(b)) continue;
    const QString key = Mnemonic(b->text());
    const bool keyed = !key.isEmpty() || !b->shortcut().isEmpty();
    // setShortcut() takes the place of the access key the caption underlines: Alt+letter then
    // does nothing, though the caption still shows it.
    if (!key.isEmpty() && !b->shortcut().isEmpty() && b->shortcut() != QKeySequence::mnemonic(b->text()))
      out.push_back("access key " + key.toStdString() + " replaced by the shortcut " +
                    b->shortcut().toString().toStdString() + ": " + Name(b));
    const auto* push = qobject_cast<const QPushButton*>(b);
    if (push && !keyed && !push->isDefault())
      out.push_back("button without an access key or shortcut: " + Name(b));
    if (!push && !keyed && !(b->focusPolicy() & Qt::TabFocus))
      out.push_back("button that neither a key nor Tab reaches: " + Name(b));
    if (b->isVisibleTo(window)) claim(key, Name(b));
  }

  for (QLabel* l : window->findChildren<QLabel*>()) {
    if (!InWindow(l, window) || !l->buddy() || !l->isVisibleTo(window)) continue;
    claim(Mnemonic(l->text()), "label " + Name(l) + " \"" + l->text().toStdString() + "\"");
  }
  return out;
}

std::vector<std::string> UnnamedControls(QWidget* window) {
  std::vector<std::string> out;
  const auto interactive = [](QAccessible::Role role) {
    switch (role) {
      case QAccessible::PushButton:
      case QAccessible::CheckBox:
      case QAccessible::RadioButton:
      case QAccessible::EditableText:
      case QAccessible::ComboBox:
      case QAccessible::SpinBox:
      case QAccessible::Slider:
      case QAccessible::ButtonDropDown:
      case QAccessible::ButtonMenu:
      case QAccessible::PageTab:
      case QAccessible::MenuItem: return true;
      default: return false;
    }
  };
  // A name that several fields share (Qt falls back to the title of the group a field stands
  // in) tells the listener no more than none at all.
  std::map<std::pair<int, QString>, std::string> names;
  const std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* iface) {
    if (!iface || !iface->isValid()) return;
    if (interactive(iface->role())) {
      const QObject* o = iface->object();
      const std::string who = o ? Name(o) : std::string("(part of a control)");
      const QString name = iface->text(QAccessible::Name).trimmed();
      if (name.isEmpty()) {
        out.push_back("control without an accessible name: " + who);
      } else if (iface->role() != QAccessible::MenuItem && iface->role() != QAccessible::PageTab && o) {
        if (auto [it, fresh] = names.emplace(std::pair{int(iface->role()), name}, who); !fresh)
          out.push_back("accessible name \"" + name.toStdString() + "\" shared by " + it->second + " and " +
                        who);
      }
    }
    for (int i = 0; i < iface->childCount(); ++i) walk(iface->child(i));
  };
  walk(QAccessible::queryAccessibleInterface(window));
  return out;
}

std::vector<std::string> TabOrderFaults(QWidget* window) {
  std::vector<QWidget*> chain;
  for (QWidget* w = window->nextInFocusChain(); w && w != window; w = w->nextInFocusChain()) {
    if (!w->isVisibleTo(window) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus)) continue;
    if (w->focusProxy() || !InWindow(w, window)) continue;
    chain.push_back(w);
    if (chain.size() > 2000) break;  // a broken chain must not hang the test
  }
  std::vector<std::string> out;
  for (size_t i = 1; i < chain.size(); ++i) {
    const QRect a(chain[i - 1]->mapTo(window, QPoint(0, 0)), chain[i - 1]->size());
    const QRect b(chain[i]->mapTo(window, QPoint(0, 0)), chain[i]->size());
    const int tolerance = std::min(a.height(), b.height()) / 2;
    const bool sameLine = std::abs(b.top() - a.top()) <= tolerance;
    const bool back = sameLine ? b.left() < a.left() : (b.top() < a.top() && b.left() <= a.left());
    if (back) out.push_back("Tab goes back from " + Name(chain[i - 1]) + " to " + Name(chain[i]));
  }
  return out;
}

std::string AuditFindings(QWidget* window) {
  std::string out;
  for (const auto& audit : {KeyboardGaps, UnnamedControls, TabOrderFaults}) {
    for (const std::string& finding : audit(window)) out += finding + "\n";
  }
  return out;
}

}  // namespace cadro::testing
