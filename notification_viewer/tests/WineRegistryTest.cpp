#include <gtest/gtest.h>

#include "TestKit.h"
#include "WineRegistry.h"

using namespace cadro;

namespace {
const char* const kUserReg =
    "WINE REGISTRY Version 2\n"
    ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n"
    "\n"
    "#arch=win32\n"
    "\n"
    "[Software\\\\VB and VBA Program Settings\\\\Other App\\\\Settings] 1700000000\n"
    "\"ProfName\"=\"Wrong\"\n"
    "\n"
    "[Software\\\\vb and vba program settings\\\\Vantrel Packet Message Manager\\\\Settings] 1700000001\n"
    "#time=1da2b3c4d5e6f70\n"
    "\"LastUser\"=\"K6CDR\"\n"
    "\"profname\"=\"Field \\\"B\\\" \\\\ Caf\\xe9\"\n"
    "\"Count\"=dword:00000002\n";
}  // namespace

TEST(WineRegistry, FindsTheHostsProgramSetting) {
  const std::string key = ProgramSettingsKey("Vantrel Packet Message Manager", "Settings");
  EXPECT_EQ(FindWineRegistryString(kUserReg, key, "ProfName"),
            std::optional<std::string>("Field \"B\" \\ Caf\xe9"));
  EXPECT_EQ(FindWineRegistryString(kUserReg, key, "Count"), std::nullopt);  // not a string
  EXPECT_EQ(FindWineRegistryString(kUserReg, key, "Missing"), std::nullopt);
  EXPECT_EQ(FindWineRegistryString(kUserReg, ProgramSettingsKey("Nobody", "Settings"), "ProfName"),
            std::nullopt);
  EXPECT_EQ(FindWineRegistryString("[broken\n\"ProfName\"=\"x", key, "ProfName"), std::nullopt);
}

TEST(WineRegistry, FallsBackWhereTheHostWroteNothing) {
  cadro::testing::TempDir dir;
  cadro::testing::MemorySettingsStore fallback;
  fallback.Set("Vantrel Packet Message Manager", "Settings", "Other", "from the store");
  WineRegistrySettings settings(dir.File("user.reg"), fallback);
  EXPECT_EQ(settings.Get("Vantrel Packet Message Manager", "Settings", "ProfName"), std::nullopt);
  cadro::testing::WriteFileBytes(dir.File("user.reg"), kUserReg);
  EXPECT_EQ(settings.Get("Vantrel Packet Message Manager", "Settings", "LastUser"), "K6CDR");
  EXPECT_EQ(settings.Get("Vantrel Packet Message Manager", "Settings", "Other"), "from the store");
  settings.Set("Vantrel Packet Message Manager", "Settings", "New", "v");
  EXPECT_EQ(cadro::testing::ReadFileBytes(dir.File("user.reg")), kUserReg);
  EXPECT_EQ(fallback.Get("Vantrel Packet Message Manager", "Settings", "New"), "v");
}

TEST(WineRegistry, ReadsEveryEscapeWineWrites) {
  const std::string key = ProgramSettingsKey("Vantrel Packet Message Manager", "Settings");
  const std::string reg =
      "[Software\\\\VB and VBA Program Settings\\\\Vantrel Packet Message Manager\\\\Settings]\n"
      "\"ProfName\"=\"a\\ab\\bc\\td\\ne\\vf\\fg\\rh\\ei\\x7fj\\x20ack\\0l\\\\m\\\"\"\n";
  EXPECT_EQ(
      FindWineRegistryString(reg, key, "ProfName"),
      std::optional<std::string>(std::string("a\ab\bc\td\ne\vf\fg\rh\x1bi\x7fj\x80k") + '\0' + "l\\m\""));
}
