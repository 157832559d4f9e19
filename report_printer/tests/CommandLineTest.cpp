#include "CommandLine.h"

#include <gtest/gtest.h>

namespace cadro {
namespace {

TEST(ParseCommandLine, OptionsValuesAndListing) {
  const ParsedCommandLine p =
      ParseCommandLine("-fdf forms/inc.fdf  -ddf \"my msg.ddf\" -ptr -apt -cwd stray -nos");
  EXPECT_EQ(p.options.formFileName, "forms/inc.fdf");
  EXPECT_EQ(p.options.dataFileName, "my msg.ddf");  // quotes do not reach the stored value
  EXPECT_EQ(p.options.targetPrinter, "");
  EXPECT_TRUE(p.options.applyAutoPrint);
  EXPECT_TRUE(p.options.closeWhenDone);  // with "stray" as its ignored value
  EXPECT_EQ(p.listing,
            "-fdf => forms/inc.fdf\r\n-ddf => \"my msg.ddf\"\r\n-ptr => <blank>\r\n-apt => <blank>\r\n"
            "-cwd => stray\r\n-nos => \r\n");

  // Blanks inside the quotes are not part of a file or printer name.
  const ParsedCommandLine q = ParseCommandLine("-fdf \" inc.fdf \" -ptr \"  Lab \" -ddf \"~20m.ddf\"");
  EXPECT_EQ(q.options.formFileName, "inc.fdf");
  EXPECT_EQ(q.options.targetPrinter, "Lab");
  EXPECT_EQ(q.options.dataFileName, "m.ddf");
}

TEST(ParseCommandLine, FlagOptionSwallowsAFollowingBareWord) {
  const ParsedCommandLine p = ParseCommandLine("-apt -fdf x.fdf -cwd -ddf d.ddf");
  EXPECT_TRUE(p.options.applyAutoPrint);
  EXPECT_TRUE(p.options.closeWhenDone);
  EXPECT_EQ(p.options.dataFileName, "d.ddf");
  const ParsedCommandLine q = ParseCommandLine("-apt -fdf x.fdf -cwd -ddf d.ddf -nos");
  EXPECT_EQ(q.listing,
            "-apt => <blank>\r\n-fdf => x.fdf\r\n-cwd => <blank>\r\n-ddf => d.ddf\r\n-nos => \r\n");
  // "-apt x.fdf": the bare word is -apt's (ignored) value, not read as anything else.
  const ParsedCommandLine r = ParseCommandLine("-apt -fdf -cwd x.fdf");
  EXPECT_EQ(r.options.formFileName, "");
  EXPECT_TRUE(r.options.closeWhenDone);
  EXPECT_EQ(r.listing, "-apt => <blank>\r\n-fdf => <blank>\r\n-cwd => x.fdf\r\n");
}

TEST(ParseCommandLine, EmptyCapitalsUnknownAndUnterminated) {
  EXPECT_EQ(ParseCommandLine("").listing, "");
  const ParsedCommandLine caps = ParseCommandLine("-FDF a.fdf -Apt");
  EXPECT_EQ(caps.options.formFileName, "");
  EXPECT_FALSE(caps.options.applyAutoPrint);
  EXPECT_EQ(caps.listing, "-FDF => a.fdf\r\n-Apt => \r\n");
  // An option is the whole word: a longer word that starts like one is another option.
  const ParsedCommandLine longer = ParseCommandLine("-fdfx a.fdf -ddfx d.ddf -ptrs P -aptx -cwdx");
  EXPECT_EQ(longer.options.formFileName, "");
  EXPECT_EQ(longer.options.dataFileName, "");
  EXPECT_EQ(longer.options.targetPrinter, "");
  EXPECT_FALSE(longer.options.applyAutoPrint);
  EXPECT_FALSE(longer.options.closeWhenDone);
  const ParsedCommandLine unknown = ParseCommandLine("-zzz value -ddf d");
  EXPECT_EQ(unknown.options.dataFileName, "d");
  const ParsedCommandLine open = ParseCommandLine("-fdf \"no end -ddf d");
  EXPECT_EQ(open.options.formFileName, "");  // an unterminated quote leaves the value empty
  EXPECT_EQ(open.options.dataFileName, "d");
}

TEST(ParseCommandLine, EscapesOnlyInsideQuotes) {
  const ParsedCommandLine p = ParseCommandLine("-fdf \"a~20b\" -ddf a~20b -ptr \"Lab~22Printer\"");
  EXPECT_EQ(p.options.formFileName, "a b");
  EXPECT_EQ(p.options.dataFileName, "a~20b");
  EXPECT_EQ(p.options.targetPrinter, "LabPrinter");  // the decoded quote goes with the others
  EXPECT_EQ(p.listing, "-fdf => \"a b\"\r\n-ddf => a~20b\r\n-ptr => \"Lab\"Printer\"\r\n");
}

TEST(DecodeEscapes, HexRules) {
  EXPECT_EQ(DecodeEscapes("x~41y"), "xAy");
  EXPECT_EQ(DecodeEscapes("~4g"), std::string("\x04", 1));  // leading hex digits count
  EXPECT_EQ(DecodeEscapes("~zz."), std::string("\0.", 2));  // none gives 0
  EXPECT_EQ(DecodeEscapes("a~"), std::string("a\0", 2));
  EXPECT_EQ(DecodeEscapes("~7e~7E"), "~~");
}

TEST(JoinArguments, EveryArgumentComesBackWhole) {
  const std::vector<std::string> args = {"-fdf", "/forms/My Form.fdf", "-ddf", "a~b \"c\".ddf",
                                         "-ptr", "Lab Printer",        "-apt"};
  const ParsedCommandLine p = ParseCommandLine(JoinArguments(args));
  EXPECT_EQ(p.options.formFileName, "/forms/My Form.fdf");
  EXPECT_EQ(p.options.dataFileName, "a~b c.ddf");  // quotes never survive, as on the original
  EXPECT_EQ(p.options.targetPrinter, "Lab Printer");
  EXPECT_TRUE(p.options.applyAutoPrint);
  EXPECT_EQ(JoinArguments({"-fdf", "a~b"}), "-fdf a~b");
}

}  // namespace
}  // namespace cadro
