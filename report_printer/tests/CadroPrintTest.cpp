#include "CadroPrint.h"

#include <gtest/gtest.h>

#include "RecordingTarget.h"
#include "RunError.h"

namespace cadro {
namespace {

using testing::RecordedText;
using testing::RecordingTarget;

FormItem Item(std::string key, float x1, float y1, float x2, float y2) {
  FormItem item;
  item.key = std::move(key);
  item.x1 = x1;
  item.y1 = y1;
  item.x2 = x2;
  item.y2 = y2;
  return item;
}

TEST(RenderReport, CaptionFixedTextAndDataLinesSitAtTheirMillimetres) {
  FormDefinition form;
  FormItem item = Item("DETL", 20, 30, 120, 50);
  item.caption = "Details";
  item.fixedText = "Fixed";
  item.fixedTextColour = "blue";
  form.items.push_back(item);
  const DataDefinition data = {{"detl", "first\\nsecond"}, {"OTHER", "not printed"}};

  RecordingTarget t;
  RenderReport(t, form, data);
  const std::vector<RecordedText> v = t.Visible();
  ASSERT_EQ(v.size(), 4U);
  EXPECT_EQ(v[0].text, "Details");
  EXPECT_DOUBLE_EQ(v[0].x, 31);
  EXPECT_DOUBLE_EQ(v[0].y, 40.5);
  EXPECT_EQ(v[0].font, "ARIAL");
  EXPECT_DOUBLE_EQ(v[0].points, 6);
  EXPECT_EQ(v[0].colour, kBlack);
  EXPECT_EQ(v[1].text, "Fixed");
  EXPECT_DOUBLE_EQ(v[1].y, 43);
  EXPECT_DOUBLE_EQ(v[1].points, 12);
  EXPECT_EQ(v[1].colour, 0xFF0000U);  // blue in the low-byte-red layout
  EXPECT_EQ(v[2].text, "first ");
  EXPECT_DOUBLE_EQ(v[2].x, 31);
  EXPECT_DOUBLE_EQ(v[2].y, 43);
  EXPECT_EQ(v[2].font, "ARIAL");
  EXPECT_DOUBLE_EQ(v[2].points, 11);
  EXPECT_EQ(v[2].colour, kBlack);  // data text is black whatever the fixed text was
  EXPECT_EQ(v[3].text, "second ");
  EXPECT_DOUBLE_EQ(v[3].y, 48);
  // The box outline at the origin-shifted corners.
  ASSERT_EQ(t.lines.size(), 1U);
  EXPECT_DOUBLE_EQ(t.lines[0].x1, 30);
  EXPECT_DOUBLE_EQ(t.lines[0].y2, 60);
}

TEST(RenderReport, LineColourCarriesFromItemToItem) {
  FormDefinition form;
  for (const char* colour : {"", "white", "", "BLUE", "Black", ""}) {
    form.items.push_back(Item("", 0, 0, 10, 0));
    form.items.back().lineColour = colour;
  }
  RecordingTarget t;
  DrawForm(t, form);
  ASSERT_EQ(t.lines.size(), 6U);
  const ColourValue expected[] = {kBlack, kWhite, kWhite, kWhite, kBlack, kBlack};
  for (std::size_t i = 0; i < 6; ++i) EXPECT_EQ(t.lines[i].colour, expected[i]) << i;
}

TEST(RenderReport, FormOriginShiftsEverything) {
  FormDefinition form;
  form.settings.originX = 0;
  form.settings.originY = 25;
  form.items.push_back(Item("K", 5, 5, 50, 20));
  RecordingTarget t;
  RenderReport(t, form, {{"K", "v"}});
  ASSERT_EQ(t.Visible().size(), 1U);
  EXPECT_DOUBLE_EQ(t.Visible()[0].x, 6);
  EXPECT_DOUBLE_EQ(t.Visible()[0].y, 33);
}

// Width 40 mm at 11 pt: 0.2 * 11 = 2.2 mm a character, so 18 characters fit on a line.
std::vector<RecordedText> Wrapped(const std::string& text, float width = 40, double points = 11) {
  FormDefinition form;
  form.settings.originX = 0;
  form.settings.originY = 0;
  const FormItem item = Item("K", 0, 0, width, 30);
  RecordingTarget t;
  t.SetFont("ARIAL", points);
  PrintWrapped(t, form, item, text);
  return t.texts;
}

TEST(PrintWrapped, FillsLinesByMeasuredWidth) {
  const auto lines = Wrapped("aaaa bbbb cccc dddd eeee");
  ASSERT_EQ(lines.size(), 2U);
  EXPECT_EQ(lines[0].text, "aaaa bbbb cccc ");  // "aaaa bbbb cccc  dddd" is 20 characters: too wide
  EXPECT_EQ(lines[1].text, "dddd eeee ");
  EXPECT_DOUBLE_EQ(lines[0].x, 1);
  EXPECT_DOUBLE_EQ(lines[0].y, 3);
  EXPECT_DOUBLE_EQ(lines[1].y, 8);

  // At 10 points a character is 2 mm: " abcdefghi" is exactly the 20 mm of the box and fits.
  const auto exact = Wrapped("abcdefghi x", 20, 10);
  ASSERT_EQ(exact.size(), 2U);
  EXPECT_EQ(exact[0].text, "abcdefghi ");
  EXPECT_EQ(exact[1].text, "x ");
}

TEST(PrintWrapped, BreaksAndOverlongWords) {
  const auto breaks = Wrapped("one\\ntwo\\n\\nthree");
  ASSERT_EQ(breaks.size(), 4U);
  EXPECT_EQ(breaks[0].text, "one ");
  EXPECT_EQ(breaks[1].text, "two ");
  EXPECT_EQ(breaks[2].text, " ");  // "\n" twice leaves an empty line
  EXPECT_EQ(breaks[3].text, "three ");
  EXPECT_DOUBLE_EQ(breaks[3].y, 18);

  const auto leading = Wrapped("\\nfirst");
  ASSERT_EQ(leading.size(), 2U);
  EXPECT_EQ(leading[0].text, "");

  const auto overlong = Wrapped("abcdefghijklmnopqrstuvwxyz end");
  ASSERT_EQ(overlong.size(), 3U);
  EXPECT_EQ(overlong[0].text, "");  // a first word that does not fit leaves the first line empty
  EXPECT_EQ(overlong[1].text, "abcdefghijklmnopqrstuvwxyz ");  // and runs past the box alone
  EXPECT_EQ(overlong[2].text, "end ");
  EXPECT_EQ(Wrapped("abcdefghijklmnopqrstuvwxyz end", 200).size(), 1U);
}

TEST(FillData, RepeatedKeysSymbolCodesAndSkippedItems) {
  FormDefinition form;
  form.items.push_back(Item("CNT", 0, 0, 10, 10));
  form.items.back().dataFontName = "Wingdings";
  form.items.push_back(Item("cnt", 20, 0, 30, 10));
  form.items.push_back(Item("BAD", 40, 0, 50, 10));
  form.items.back().dataFontSize = "eleven";
  form.items.push_back(Item("NIL", 60, 0, 70, 10));
  form.items.back().dataFontSize = "0";
  const DataDefinition data = {{"CNT", "\\#252"}, {"CNT", "x\\#1"}, {"Cnt", "\\#256"},
                               {"BAD", "never"},  {"NIL", "never"}, {"CNT", "\\# 65.5"}};
  RecordingTarget t;
  FillData(t, form, data);
  std::vector<std::pair<std::string, std::string>> printed;
  for (const auto& r : t.Visible()) printed.emplace_back(r.text, r.font);
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"\xFC ", "Wingdings"}, {"\xFC ", "ARIAL"}, {"B ", "Wingdings"}, {"B ", "ARIAL"}};
  EXPECT_EQ(printed, expected);  // "x\#1" and "\#256" are no character codes; "eleven" and 0 no size
}

// A data key fills only the field of exactly that name: never one whose name merely begins or
// ends with it, nor one it merely begins with.
TEST(FillData, KeysMatchWholeNamesOnly) {
  FormDefinition form;
  form.settings.originY = 0;
  form.items.push_back(Item("LOC1", 0, 0, 100, 10));
  form.items.push_back(Item("LOC", 0, 20, 100, 30));
  RecordingTarget t;
  FillData(t, form, {{"LO", "x"}, {"OC1", "x"}, {"LOC12", "x"}, {"LOC", "Main"}, {"loc1", "12"}});
  std::vector<std::pair<std::string, double>> printed;
  for (const auto& r : t.Visible()) printed.emplace_back(r.text, r.y);
  const std::vector<std::pair<std::string, double>> expected = {{"Main ", 23}, {"12 ", 3}};
  EXPECT_EQ(printed, expected);
}

// A target that cannot use a font size refuses it; only that item is skipped.
class SizeLimitedTarget final : public DrawingTarget {
public:
  void SetFont(const std::string& name, double points) override {
    if (points > 100) throw RunError(380, "Invalid property value");
    inner.SetFont(name, points);
  }
  void SetForeColour(ColourValue c) override { inner.SetForeColour(c); }
  void DrawLine(double x1, double y1, double x2, double y2, ColourValue c) override {
    inner.DrawLine(x1, y1, x2, y2, c);
  }
  void PrintText(double x, double y, const std::string& text) override { inner.PrintText(x, y, text); }
  double TextWidth(const std::string& text) override { return inner.TextWidth(text); }
  RecordingTarget inner;
};

TEST(FillData, AFontSizeTheTargetRefusesSkipsOnlyThatItem) {
  FormDefinition form;
  form.items.push_back(Item("HUGE", 0, 0, 100, 10));
  form.items.back().dataFontSize = "400";
  form.items.push_back(Item("LOC1", 0, 20, 100, 30));
  SizeLimitedTarget t;
  FillData(t, form, {{"HUGE", "never"}, {"LOC1", "12 Main St"}});
  std::vector<std::string> printed;
  for (const auto& r : t.inner.Visible()) printed.push_back(r.text);
  EXPECT_EQ(printed, std::vector<std::string>({"12 Main St "}));
}

TEST(CadroPrintHelpers, ColoursOrientationAndSummary) {
  EXPECT_EQ(ColourFromName("red"), 0x0000FFU);
  EXPECT_EQ(ColourFromName("Cyan"), 0xFFFF00U);
  EXPECT_EQ(ColourFromName("purple"), kBlack);
  EXPECT_EQ(OrientationName(1), "Portrait");
  EXPECT_EQ(OrientationName(2), "Landscape");
  EXPECT_EQ(OrientationName(0), "");
  EXPECT_EQ(ReportSummary({{"type", "MED"}, {"EVNT", "E1"}, {"LOC1", "A"}, {"EVNT", "E2"}}), "E2 | MED | A");
  EXPECT_EQ(ReportSummary({}), " |  | ");
}

TEST(SymbolFaces, TicksAndBoxesBecomeUnicodeSigns) {
  EXPECT_TRUE(IsSymbolFace(" wingdings "));
  EXPECT_FALSE(IsSymbolFace("ARIAL"));
  EXPECT_EQ(DisplayTextUtf8("Wingdings", "\xFC"), "\u2714");
  EXPECT_EQ(DisplayTextUtf8("WINGDINGS", "\xA8"), "\u25FB");
  EXPECT_EQ(DisplayTextUtf8("Wingdings 2", "P"), "\u2714");
  EXPECT_EQ(DisplayTextUtf8("Symbol", "\xD6"), "\u221A");
  EXPECT_EQ(DisplayTextUtf8("ARIAL", "\xFC"), "\u00FC");  // the code page's character
  EXPECT_EQ(DisplayTextUtf8("Wingdings", "A"), "A");      // unmapped codes read as the code page
}

}  // namespace
}  // namespace cadro
