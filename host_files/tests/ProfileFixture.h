#pragma once
// A host data folder with a FileLib and the recorders a profile object reports through.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "FileLib.h"
#include "TestKit.h"
#include "VtInit.h"

namespace cadro::testing {

inline constexpr const char* kVersion = "3.4.0 c5";

struct ProfileFixture : ::testing::Test {
  ProfileFixture() : lib(ts.eventLog, dir.str() + "/program") { lib.SetDataPath(dir.str() + "/data"); }

  void SetUp() override {
    std::filesystem::create_directories(dir.path() / "program");
    std::filesystem::create_directories(dir.path() / "data");
  }

  std::unique_ptr<VtInit> Start(const std::string& name = "Vantrel") {
    auto ini = std::make_unique<VtInit>(lib, ts.services, kVersion, "Vtnotification");
    EXPECT_TRUE(ini->StartClass(name + ".profile", name));
    return ini;
  }
  std::string ProfilePath(const std::string& name = "Vantrel") const {
    return dir.str() + "/data/" + name + ".profile";
  }
  std::string Profile(const std::string& name = "Vantrel") const { return ReadFileBytes(ProfilePath(name)); }
  void WriteProfile(const std::string& bytes, const std::string& name = "Vantrel") const {
    WriteFileBytes(ProfilePath(name), bytes);
  }

  TempDir dir;
  TestServices ts;
  FileLib lib;
};

}  // namespace cadro::testing
