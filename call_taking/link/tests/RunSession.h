#pragma once
// Drives one session of the direct link to its end, for tests and the benchmark: starts it and
// waits (bounded) for its finished() signal.

#include <QSignalSpy>
#include <functional>

#include "VtdirectSession.h"

namespace cadro::testing {

// The session's result; false as well when it was refused or did not end within `boundMs`.
inline bool RunToEnd(VtdirectSession& session, const std::function<bool()>& start, int boundMs = 15000) {
  QSignalSpy spy(&session, &VtdirectSession::finished);
  if (!start()) return false;
  if (spy.isEmpty() && !spy.wait(boundMs)) return false;
  return spy.takeFirst().at(0).toBool();
}

inline bool Deliver(VtdirectSession& session, const std::string& envelope, const std::string& subject) {
  return RunToEnd(session, [&] { return session.SendToClient(envelope, subject); });
}

inline bool LinkTest(VtdirectSession& session, const std::string& text) {
  return RunToEnd(session, [&] { return session.VtdirectTest(text); });
}

}  // namespace cadro::testing
