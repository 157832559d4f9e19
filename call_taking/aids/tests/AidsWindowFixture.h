#pragma once
// Report files with every field the aids look at.
#include <string>

#include "FileIO.h"

namespace cadro::testing {

class AidsReports {
protected:
  virtual ~AidsReports() = default;
  virtual std::string MessageFolder() = 0;

  // `fileId`.911 saved on 8 December 2026 at `atm` (hhmm) unless `adt` says otherwise.
  void Full(const std::string& fileId, int ast, const std::string& typ, const std::string& ad1,
            const std::string& cty, const std::string& atm, const std::string& iss, const std::string& dtl,
            const std::string& adt = "261208") {
    WriteFileAtomic(JoinPath(MessageFolder(), fileId + ".911"),
                    "[911 DEFINITION]\r\nVersion=3.4.5/26342:120000\r\nTYP=" + typ + "\r\nEID=" + fileId +
                        "\r\nMID=M" + fileId + "\r\nISS=" + iss + "\r\nAD1=" + ad1 + "\r\nCTY=" + cty +
                        "\r\nDTL=" + dtl + "\r\n[ADMIN DEFINITION]\r\nUID=K6ABC\r\nULO=Station 3\r\nAST=" +
                        std::to_string(ast) + "\r\nADT=" + adt + "\r\nATM=" + atm + "\r\n[END]\r\n");
  }
};

}  // namespace cadro::testing
