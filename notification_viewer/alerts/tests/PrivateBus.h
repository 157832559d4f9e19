#pragma once
// A session bus of our own (dbus-daemon), so nothing reaches the desktop the tests run on; it
// ends, with every connection made to it, when this object goes.

#include <signal.h>

#include <QDBusConnection>
#include <QString>
#include <QStringList>
#include <cstdio>
#include <cstdlib>

namespace cadro::testing {

class PrivateBus {
public:
  PrivateBus() {
    std::FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
    if (!out) return;
    char line[512];
    if (std::fgets(line, sizeof line, out)) address = QString::fromLocal8Bit(line).trimmed();
    if (std::fgets(line, sizeof line, out)) pid = std::atoi(line);
    ::pclose(out);
  }
  ~PrivateBus() {
    for (const QString& name : names) QDBusConnection::disconnectFromBus(name);
    if (pid > 0) ::kill(pid, SIGTERM);
  }
  PrivateBus(const PrivateBus&) = delete;
  PrivateBus& operator=(const PrivateBus&) = delete;

  bool Running() const { return pid > 0 && address.startsWith(QStringLiteral("unix:")); }
  QDBusConnection Connect(const QString& name) {
    names << name;
    return QDBusConnection::connectToBus(address, name);
  }

  QString address;
  int pid = 0;
  QStringList names;
};

}  // namespace cadro::testing
