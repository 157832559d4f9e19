#pragma once
// The entry form's deliveries in the program: one direct-link session with the host's server
// per submitted report, set from the station settings at the moment of the submit and writing
// into the session log.

#include "CadroIni.h"
#include "CadroLogLib.h"
#include "Platform.h"
#include "frmCadrocts.h"

namespace cadro::form {

// `log` may be null when the program runs without a session log.
DeliveryFactory MakeVtdirectDelivery(Services& services, CadroIni& station, SessionLog* log);

}  // namespace cadro::form
