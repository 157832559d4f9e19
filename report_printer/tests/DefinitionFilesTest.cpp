#include "DefinitionFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>

#include "TestKit.h"

namespace cadro {
namespace {

using testing::TempDir;
using testing::WriteFileBytes;

FormDefinition Form(std::string_view text) {
  FormDefinition form;
  ParseFormDefinition(text, form);
  return form;
}

DataDefinition Data(std::string_view text) {
  DataDefinition data;
  ParseDataDefinition(text, data);
  return data;
}

TEST(FormDefinitionFile, FieldColumnsInOrderWithDefaultsForMissingOrEmptyOnes) {
  const FormDefinition f = Form(
      "FIELD,TYPE,20,30,100,45,WHITE,Type,MIDDLE,fixed,14,Calibri,RED,BR,extra\r\n"
      "line,Loc1,1.5,2,,4\r\n");
  ASSERT_EQ(f.items.size(), 2U);
  const FormItem& a = f.items[0];
  EXPECT_EQ(a.key, "TYPE");
  EXPECT_FLOAT_EQ(a.x1, 20);
  EXPECT_FLOAT_EQ(a.y2, 45);
  EXPECT_EQ(a.lineColour, "WHITE");
  EXPECT_EQ(a.caption, "Type");
  EXPECT_EQ(a.placement, "MIDDLE");
  EXPECT_EQ(a.fixedText, "fixed");
  EXPECT_EQ(a.dataFontSize, "14");
  EXPECT_EQ(a.dataFontName, "Calibri");
  EXPECT_EQ(a.fixedTextColour, "RED");
  EXPECT_EQ(a.alignment, "BR");
  const FormItem& b = f.items[1];  // keyword in any case; key kept as written
  EXPECT_EQ(b.key, "Loc1");
  EXPECT_FLOAT_EQ(b.x1, 1.5F);
  EXPECT_FLOAT_EQ(b.x2, 0);  // empty column keeps the default
  EXPECT_FLOAT_EQ(b.y2, 4);
  EXPECT_EQ(b.lineColour, "");
  EXPECT_EQ(b.placement, "TOP");
  EXPECT_EQ(b.dataFontSize, "11");
  EXPECT_EQ(b.dataFontName, "ARIAL");
  EXPECT_EQ(b.fixedTextColour, "BLACK");
  EXPECT_EQ(b.alignment, "TL");
}

TEST(FormDefinitionFile, ReadingRules) {
  // Stops at the first empty line; "#" comments; blanks are part of values; bad numbers give 0.
  const FormDefinition f =
      Form("# a comment\r\nFIELD, CNT,x,5\r\n FIELD,A\r\nHEADER,B\r\n \r\nFIELD,C\r\n\r\nFIELD,LOST\r\n");
  ASSERT_EQ(f.items.size(), 2U);
  EXPECT_EQ(f.items[0].key, " CNT");
  EXPECT_FLOAT_EQ(f.items[0].x1, 0);
  EXPECT_FLOAT_EQ(f.items[0].y1, 5);
  EXPECT_EQ(f.items[1].key, "C");

  const FormDefinition lfOnly = Form("FIELD,A\nFIELD,B\n");  // LF alone never ends a line
  ASSERT_EQ(lfOnly.items.size(), 1U);
  EXPECT_EQ(lfOnly.items[0].key, "AFIELD");
}

TEST(FormDefinitionFile, FormLinesChangeOnlyTheValuesTheyGive) {
  const FormDefinition f = Form("FORM,Incident,,,25\r\nform,,200,abc,,7\r\n");
  EXPECT_EQ(f.settings.formName, "Incident");
  EXPECT_FLOAT_EQ(f.settings.width, 200);
  EXPECT_FLOAT_EQ(f.settings.height, 110);  // "abc" leaves the previous value
  EXPECT_FLOAT_EQ(f.settings.originY, 25);
  EXPECT_FLOAT_EQ(f.settings.originX, 7);
}

TEST(DataDefinitionFile, KeysValuesAndContinuations) {
  const DataDefinition d = Data(
      "TYPE=MED\r\nDETL=a=b=c\r\n#x=y\r\nNOEQ\r\nLONG=first part=\r\nsecond\r\nRPPH=\r\nCNT=\\#252\r\n"
      "TYPE=again\r\n\r\nEVNT=lost\r\n");
  ASSERT_EQ(d.size(), 7U);
  EXPECT_EQ(d[0].key, "TYPE");
  EXPECT_EQ(d[0].value, "MED");
  EXPECT_EQ(d[1].value, "a");  // only the text between the first two "="
  EXPECT_EQ(d[2].key, "NOEQ");
  EXPECT_EQ(d[2].value, "");
  EXPECT_EQ(d[3].value, "first partsecond");
  EXPECT_EQ(d[4].key, "RPPH");  // an empty value stays empty and keeps the next line its own
  EXPECT_EQ(d[4].value, "");
  EXPECT_EQ(d[5].key, "CNT");
  EXPECT_EQ(d[5].value, "\\#252");
  EXPECT_EQ(d[6].value, "again");
}

TEST(DataDefinitionFile, LongValuesWrappedOverSeveralLinesAreJoined) {
  const std::string piece1 = "DETL=" + std::string(72, 'a');  // 77 characters, then the soft break
  const std::string piece2(77, 'b');
  const DataDefinition d = Data(piece1 + "=\r\n" + piece2 + "=\r\ncc\r\nEVNT=1\r\n");
  ASSERT_EQ(d.size(), 2U);
  EXPECT_EQ(d[0].value, std::string(72, 'a') + piece2 + "cc");
  EXPECT_EQ(d[1].key, "EVNT");
}

TEST(DataDefinitionFile, LfOnlyFileIsOneItem) {
  const DataDefinition d = Data("TYPE=MED\nLOC1=Main St\n");
  ASSERT_EQ(d.size(), 1U);
  EXPECT_EQ(d[0].key, "TYPE");
  EXPECT_EQ(d[0].value, "MEDLOC1");
}

TEST(DefinitionFileBuilders, FoundMissingFolderAndUnreadable) {
  TempDir dir;
  FormDefinition form;
  form.items.resize(3);
  EXPECT_EQ(BuildFDFarray(dir.File("missing.fdf"), form).error, 53);
  EXPECT_EQ(form.items.size(), 3U);  // left as it was
  EXPECT_EQ(BuildFDFarray("", form).error, 53);
  EXPECT_EQ(BuildFDFarray(dir.str() + std::string("\0x", 2), form).error, 53);

  // Building again starts from the defaults: a form without a FORM line does not inherit the
  // origin of the form built before it.
  WriteFileBytes(dir.File("shifted.fdf"), "FORM,Shifted,200,100,40,50\r\nFIELD,TYPE,1,2,3,4\r\n");
  WriteFileBytes(dir.File("plain.fdf"), "FIELD,TYPE,1,2,3,4\r\n");
  ASSERT_TRUE(BuildFDFarray(dir.File("shifted.fdf"), form).ok());
  EXPECT_FLOAT_EQ(form.settings.originX, 50);
  ASSERT_TRUE(BuildFDFarray(dir.File("plain.fdf"), form).ok());
  EXPECT_EQ(form.settings.formName, "<unassigned>");
  EXPECT_FLOAT_EQ(form.settings.originY, 10);
  EXPECT_FLOAT_EQ(form.settings.originX, 10);
  form.items.resize(3);

  EXPECT_TRUE(BuildFDFarray(dir.str(), form).ok());  // a folder is found and holds nothing
  EXPECT_TRUE(form.items.empty());

  WriteFileBytes(dir.File("f.fdf"), "FORM,X,1,2,3,4\r\nFIELD,TYPE\r\n");
  ASSERT_TRUE(BuildFDFarray(dir.File("f.fdf"), form).ok());
  EXPECT_EQ(form.items.size(), 1U);
  EXPECT_FLOAT_EQ(form.settings.originX, 4);

  DataDefinition data;
  EXPECT_EQ(BuildDataArray(dir.File("none.ddf"), data).error, 53);
  WriteFileBytes(dir.File("m.ddf"), "TYPE=FIRE\r\n");
  ASSERT_TRUE(BuildDataArray(dir.File("m.ddf"), data).ok());
  ASSERT_EQ(data.size(), 1U);
  EXPECT_EQ(data[0].value, "FIRE");
}

// Only plain files of a sane size are read: a pipe with no writer would block before any window,
// /dev/zero never ends. Each fails at once with the reason the start-up box shows.
TEST(DefinitionFileBuilders, OnlyPlainFilesOfSaneSizeAreRead) {
  TempDir dir;
  ASSERT_EQ(::mkfifo(dir.File("pipe.fdf").c_str(), 0600), 0);
  {
    std::ofstream big(dir.File("big.ddf"), std::ios::binary);
    big.seekp(static_cast<std::streamoff>(kMaxDefinitionFileBytes));
    big.put('x');  // one byte over the limit, sparse
  }
  {
    std::ofstream edge(dir.File("edge.ddf"), std::ios::binary);
    edge << "TYPE=FIRE\r\n";
    edge.seekp(static_cast<std::streamoff>(kMaxDefinitionFileBytes - 1));
    edge.put('\n');  // exactly at the limit: read
  }
  const auto started = std::chrono::steady_clock::now();
  FormDefinition form;
  DataDefinition data;
  BuildResult r = BuildFDFarray(dir.File("pipe.fdf"), form);
  EXPECT_EQ(r.error, 75);
  EXPECT_EQ(r.reason, "is not a plain file");
  r = BuildDataArray("/dev/zero", data);
  EXPECT_EQ(r.reason, "is not a plain file");
  r = BuildDataArray(dir.File("big.ddf"), data);
  EXPECT_EQ(r.reason, "is larger than 16 MB");
  EXPECT_TRUE(data.empty());
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
  ASSERT_TRUE(BuildDataArray(dir.File("edge.ddf"), data).ok());
  ASSERT_FALSE(data.empty());
  EXPECT_EQ(data[0].value, "FIRE");
  EXPECT_EQ(BuildDataArray(dir.File("none.ddf"), data).reason, "not found");

  WriteFileBytes(dir.File("locked.ddf"), "TYPE=FIRE\r\n");
  ::chmod(dir.File("locked.ddf").c_str(), 0);
  if (::geteuid() != 0) {
    r = BuildDataArray(dir.File("locked.ddf"), data);
    EXPECT_EQ(r.error, 70);
    EXPECT_EQ(r.reason, "could not be read (70, Permission denied)");
  }
}

TEST(DefinitionFileBuilders, ItemCountIsCapped) {
  std::string text;
  for (std::size_t i = 0; i < kMaxDefinitionItems + 5; ++i) text += "K=v\r\n";
  EXPECT_EQ(Data(text).size(), kMaxDefinitionItems);
  std::string form;
  for (std::size_t i = 0; i < kMaxDefinitionItems + 5; ++i) form += "FIELD,K\r\n";
  EXPECT_EQ(Form(form).items.size(), kMaxDefinitionItems);
}

TEST(ParseSingleNumber, AcceptsWhatFormsWriteAndNothingElse) {
  EXPECT_FLOAT_EQ(*ParseSingle(" 12.5 "), 12.5F);
  EXPECT_FLOAT_EQ(*ParseSingle("+3"), 3);
  EXPECT_FLOAT_EQ(*ParseSingle("-1e1"), -10);
  EXPECT_FALSE(ParseSingle(""));
  EXPECT_FALSE(ParseSingle("12mm"));
  EXPECT_FALSE(ParseSingle("inf"));
  EXPECT_FALSE(ParseSingle("nan"));
  for (const char* twoSigns : {"+-5", "-+5", "--5", "++5", "+ -5"})
    EXPECT_FALSE(ParseSingle(twoSigns)) << twoSigns;
}

// A position written with two signs is a mistake in the form, not a position left of the page:
// the field keeps the place a missing number gives it.
TEST(FormDefinitionFile, APositionWithTwoSignsIsNoPosition) {
  const FormDefinition f = Form("FORM,Incident,+-210,297,+-5,12\r\nFIELD,TYPE,+-5,30,100,--45\r\n");
  ASSERT_EQ(f.items.size(), 1U);
  EXPECT_FLOAT_EQ(f.items[0].x1, 0);
  EXPECT_FLOAT_EQ(f.items[0].y1, 30);
  EXPECT_FLOAT_EQ(f.items[0].y2, 0);
  const FormDefinition defaults = Form("");
  EXPECT_FLOAT_EQ(f.settings.width, defaults.settings.width);
  EXPECT_FLOAT_EQ(f.settings.originY, defaults.settings.originY);
  EXPECT_FLOAT_EQ(f.settings.originX, 12);
}

}  // namespace
}  // namespace cadro
