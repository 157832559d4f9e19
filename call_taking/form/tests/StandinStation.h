#pragma once
// Points a station's settings at a stand-in Vtdirect server listening on a free loopback port.

#include <gtest/gtest.h>

#include <string>

#include "CadroIni.h"
#include "VtdirectStandin.h"

namespace cadro::form::testing {

inline void UseStandin(CadroIni& station, standin::VtdirectStandin& server) {
  ASSERT_TRUE(server.Listen(0)) << server.ErrorString().toStdString();
  StationSettings changed = station.Values();
  changed.Hst = "127.0.0.1";
  changed.Prt = std::to_string(server.Port());
  changed.Nto = 3000;
  station.SetValues(changed);
}

}  // namespace cadro::form::testing
