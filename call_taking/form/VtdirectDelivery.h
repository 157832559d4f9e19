#pragma once
// The entry form's deliveries in the program: the program's one direct-link session, set from
// the station settings at the moment of each submit. The link test of the preferences dialog
// uses the same session, so a delivery and a link test never overlap.

#include "CadroIni.h"
#include "ReportSubmission.h"
#include "VtdirectSession.h"

namespace cadro::form {

class VtdirectDelivery final : public ReportDelivery {
  Q_OBJECT
public:
  // `promptWaitMs` bounds the wait for the answer to the envelope.
  VtdirectDelivery(VtdirectSession& session, const CadroIni& station, int promptWaitMs = kPromptWaitMs,
                   QObject* parent = nullptr);

  bool Start(const std::string& envelope, const std::string& subject, StatusSink status) override;
  void Cancel() override;
  bool Busy() const override { return session_.Busy(); }
  std::string BusyText() const override;
  bool EnvelopeWentOut() const override { return session_.EnvelopeSent(); }

private:
  VtdirectSession& session_;
  const CadroIni& station_;
  int promptWaitMs_;
  bool running_ = false;  // the session runs one of this object's deliveries
};

}  // namespace cadro::form
