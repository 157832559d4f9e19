#include "VtdirectDelivery.h"

namespace cadro::form {

VtdirectDelivery::VtdirectDelivery(VtdirectSession& session, const CadroIni& station, int promptWaitMs,
                                   QObject* parent)
    : ReportDelivery(parent), session_(session), station_(station), promptWaitMs_(promptWaitMs) {
  connect(&session_, &VtdirectSession::finished, this, [this](bool delivered) {
    // The link test's end is not a delivery's.
    if (!running_) return;
    running_ = false;
    emit finished(delivered);
  });
  connect(&session_, &VtdirectSession::envelopeGoing, this, [this] {
    if (running_) emit envelopeGoing();
  });
}

bool VtdirectDelivery::Start(const std::string& envelope, const std::string& subject, StatusSink status) {
  if (session_.Busy()) return false;
  LinkSettings settings;
  settings.Hst = station_.Values().Hst;
  settings.Prt = station_.Values().Prt;
  settings.Nto = station_.Values().Nto;
  settings.promptWaitMs = promptWaitMs_;
  session_.SetSettings(settings);
  session_.SetStatusSink(std::move(status));
  running_ = session_.SendToClient(envelope, subject);
  return running_;
}

void VtdirectDelivery::Cancel() {
  if (running_) session_.Cancel();
}

std::string VtdirectDelivery::BusyText() const {
  return session_.TestRunning() ? "The Vtdirect link test is running; submit again when it has ended"
                                : "A delivery to Vtdirect is running; please wait until it ends";
}

}  // namespace cadro::form
