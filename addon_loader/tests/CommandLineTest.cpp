#include "CommandLine.h"

#include <gtest/gtest.h>

namespace cadro::addlaunch {
namespace {

TEST(CommandLineTest, TwoValuesAreTakenTrimmed) {
  CommandLineValues v = SplitCommandLine("install,C:\\Addons\\X.local");
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v.action, "install");
  EXPECT_EQ(v.loaderFile, "C:\\Addons\\X.local");

  v = SplitCommandLine("  remove ,  C:\\Program Files\\My Addon\\X.local  ");
  ASSERT_TRUE(v.ok());
  EXPECT_EQ(v.action, "remove");
  EXPECT_EQ(v.loaderFile, "C:\\Program Files\\My Addon\\X.local");
}

TEST(CommandLineTest, EveryOtherCountIsRefused) {
  EXPECT_EQ(SplitCommandLine("").count, 0);
  EXPECT_EQ(SplitCommandLine("install").count, 1);
  EXPECT_EQ(SplitCommandLine("install,a,b").count, 3);
  EXPECT_EQ(SplitCommandLine(",,,").count, 4);
  EXPECT_FALSE(SplitCommandLine("install,a,b").ok());
  EXPECT_TRUE(SplitCommandLine(",").ok());  // two empty values: the update reports the empty header
  EXPECT_EQ(
      CommandLineHelp(3),
      "Only 3 Command Line arguments found.  Format is:\r\n1. install | uinstall\r\n2. loader File Name");
}

TEST(CommandLineTest, ArgumentsSplitAtSpacesAreJoinedBack) {
  EXPECT_EQ(InstallerCommandText({}), "");
  EXPECT_EQ(InstallerCommandText({"install,C:\\Program", "Files\\X.local"}),
            "install,C:\\Program Files\\X.local");
}

}  // namespace
}  // namespace cadro::addlaunch
