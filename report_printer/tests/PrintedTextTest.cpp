// What a received message's text becomes on the printed page: Cadrorpt started with real form
// and data definition files, printing unattended to a printer that records the page.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "CadroPrint.h"
#include "FakePrinters.h"
#include "ReportSession.h"
#include "TestKit.h"

namespace cadro {
namespace {

using testing::FakePrinters;
using testing::RecordedText;
using testing::TempDir;
using testing::TestServices;
using testing::WriteFileBytes;

struct QuietView final : ReportView {
  void ShowProgress(const std::string&) override {}
  void SetPrintEnabled(bool) override {}
  void SetPreviewEnabled(bool) override {}
  void SetPrintToolTip(const std::string&) override {}
};

class PrintedTextTest : public ::testing::Test {
protected:
  PrintedTextTest() { ::mkdir(dir.File("logs").c_str(), 0755); }

  // Prints the message `ddf` on the form `fdf` and returns the page as the printer got it.
  const testing::RecordingTarget& Print(const std::string& fdf, const std::string& ddf) {
    WriteFileBytes(dir.File("form.fdf"), fdf);
    WriteFileBytes(dir.File("msg.ddf"), ddf);
    QuietView view;
    ReportSession session(services.services, printers, dir.str(), view);
    const auto status =
        session.Load("-fdf " + dir.File("form.fdf") + " -ddf " + dir.File("msg.ddf") + " -apt -cwd");
    EXPECT_EQ(status, RunStatus::Done);
    if (printers.pages.empty()) throw std::runtime_error("nothing was printed");
    return printers.pages.back().page;
  }
  // The data texts printed in 11 points, as they show on the page.
  static std::vector<std::string> Shown(const testing::RecordingTarget& page) {
    std::vector<std::string> out;
    for (const RecordedText& t : page.texts) {
      if (t.points == 11) out.push_back(DisplayTextUtf8(t.font, t.text));
    }
    return out;
  }

  TempDir dir;
  TestServices services;
  FakePrinters printers{{"Office"}, "Office"};
};

// Keys and colour names are matched whatever their case, through every letter of the alphabet.
TEST_F(PrintedTextTest, KeysAndColourNamesMatchInAnyCase) {
  const auto& page = Print(
      "FORM,Test,180,150,0,0\r\n"
      "FIELD,HAZMAT,0,0,90,10,white,,TOP,Fixed,11,ARIAL,magenta,TL\r\n"
      "field,zone,90,0,180,10,,,TOP,,11,arial,,TL\r\n",
      "hazmat=Chlorine\r\nZONE=Quiz\r\n");
  std::vector<std::string> data;
  for (const RecordedText& t : page.texts) {
    if (t.y == 3 && t.points == 11) data.push_back(t.text);
    if (t.text == "Fixed") {
      EXPECT_EQ(t.colour, 0xFF00FFU);
    }
  }
  EXPECT_EQ(data, (std::vector<std::string>{"Chlorine ", "Quiz "}));
  ASSERT_EQ(page.lines.size(), 2U);
  EXPECT_EQ(page.lines[0].colour, kWhite);
  EXPECT_EQ(page.lines[1].colour, kWhite);  // a line colour carries on to the next item
}

// "\n" breaks a line; two of them with nothing between leave an empty line, never a stray "\" or
// "n", wherever they stand.
TEST_F(PrintedTextTest, EscapedLineBreaksLeaveNoStrayCharacters) {
  const std::string form = "FORM,Test,180,150,0,0\r\nFIELD,DETL,0,0,180,100,,,TOP,,11,ARIAL,,TL\r\n";
  EXPECT_EQ(Shown(Print(form, "DETL=Gas leak\\n\\nEvacuate\r\n")),
            (std::vector<std::string>{"Gas leak ", " ", "Evacuate "}));
  EXPECT_EQ(Shown(Print(form, "DETL=\\n\\n\\nTop\\n\\n\r\n")),
            (std::vector<std::string>{"", " ", " ", "Top ", " ", " "}));
}

// "\#" and a code prints that one character: 255 is the last one ("ÿ"), 256 is no character and
// the field stays empty.
TEST_F(PrintedTextTest, CharacterCodesEndAt255) {
  const auto& page = Print(
      "FORM,Test,180,150,0,0\r\n"
      "FIELD,CNT,0,0,60,10,,,TOP,,11,ARIAL,,TL\r\nFIELD,DEVD,60,0,120,10,,,TOP,,11,ARIAL,,TL\r\n"
      "FIELD,CHK,120,0,180,10,,,TOP,,14,Wingdings,,TL\r\n",
      "CNT=\\#255\r\nDEVD=\\#256\r\nCHK=\\#252\r\n");
  std::vector<std::pair<double, std::string>> shown;
  for (const RecordedText& t : page.texts) {
    if (t.y == 3 && !t.text.empty()) shown.emplace_back(t.x, DisplayTextUtf8(t.font, t.text));
  }
  EXPECT_EQ(shown, (std::vector<std::pair<double, std::string>>{{1, "\u00FF "}, {121, "\u2714 "}}));
}

}  // namespace
}  // namespace cadro
