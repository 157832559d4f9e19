#include "VtdirectDelivery.h"

#include "VtdirectSession.h"

namespace cadro::form {
namespace {

class VtdirectDelivery final : public ReportDelivery {
public:
  VtdirectDelivery(Services& services, const StationSettings& values, SessionLog* log, StatusSink status)
      : session_(services.prompts, Hooks(log, std::move(status))) {
    LinkSettings settings;
    settings.Hst = values.Hst;
    settings.Prt = values.Prt;
    settings.Nto = values.Nto;
    session_.SetSettings(settings);
  }

  bool SendToClient(const std::string& envelope, const std::string& subject) override {
    return session_.SendToClient(envelope, subject);
  }

private:
  static LinkHooks Hooks(SessionLog* log, StatusSink status) {
    LinkHooks hooks;
    if (log) hooks.writeLog = [log](const std::string& line) { log->WriteLog(line); };
    hooks.showStatus = std::move(status);
    return hooks;
  }

  VtdirectSession session_;
};

}  // namespace

DeliveryFactory MakeVtdirectDelivery(Services& services, CadroIni& station, SessionLog* log) {
  return [&services, &station, log](StatusSink status) -> std::unique_ptr<ReportDelivery> {
    return std::make_unique<VtdirectDelivery>(services, station.Values(), log, std::move(status));
  };
}

}  // namespace cadro::form
