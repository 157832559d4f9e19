#include "StartFiles.h"

#include <gtest/gtest.h>

#include <deque>

#include "TestKit.h"

namespace cadro {
namespace {

struct ScriptedPicker final : DefinitionFilePicker {
  std::optional<std::string> Choose(DefinitionKind kind, const std::string& folder) override {
    asked.push_back({kind, folder});
    if (answers.empty()) return std::nullopt;
    std::optional<std::string> a = answers.front();
    answers.pop_front();
    return a;
  }
  std::deque<std::optional<std::string>> answers;
  std::vector<std::pair<DefinitionKind, std::string>> asked;
};

TEST(StartFiles, WithoutArgumentsTheMessageThenItsFormAreChosenAndTheirFoldersKept) {
  testing::MemorySettingsStore settings;
  ScriptedPicker picker;
  picker.answers = {"/srv/msgs/Mensagem n\xC2\xBA 1.ddf", "/srv/forms/Incident Form.fdf"};
  EXPECT_EQ(StartCommandLine({}, picker, settings),
            "-fdf \"/srv/forms/Incident Form.fdf\" -ddf \"/srv/msgs/Mensagem n\xC2\xBA 1.ddf\"");
  ASSERT_EQ(picker.asked.size(), 2U);
  EXPECT_EQ(picker.asked[0], std::make_pair(DefinitionKind::Data, std::string()));
  EXPECT_EQ(picker.asked[1], std::make_pair(DefinitionKind::Form, std::string("/srv/msgs")));

  // The next start opens each chooser where the last one was left.
  picker.asked.clear();
  picker.answers = {"/srv/msgs/b.ddf", "/srv/forms/b.fdf"};
  EXPECT_EQ(StartCommandLine({}, picker, settings), "-fdf /srv/forms/b.fdf -ddf /srv/msgs/b.ddf");
  EXPECT_EQ(picker.asked[0].second, "/srv/msgs");
  EXPECT_EQ(picker.asked[1].second, "/srv/forms");
}

TEST(StartFiles, CancellingEitherChooserMeansNothingToPrint) {
  testing::MemorySettingsStore settings;
  ScriptedPicker picker;
  picker.answers = {std::nullopt};
  EXPECT_EQ(StartCommandLine({}, picker, settings), std::nullopt);
  EXPECT_EQ(picker.asked.size(), 1U);
  picker.answers = {"/m/a.ddf", std::nullopt};
  EXPECT_EQ(StartCommandLine({}, picker, settings), std::nullopt);
}

TEST(StartFiles, OneFileFromTheDesktopAsksOnlyForTheOther) {
  testing::MemorySettingsStore settings;
  ScriptedPicker picker;
  picker.answers = {"/f/x.fdf"};
  EXPECT_EQ(StartCommandLine({"/m/msg.ddf"}, picker, settings), "-fdf /f/x.fdf -ddf /m/msg.ddf");
  ASSERT_EQ(picker.asked.size(), 1U);
  EXPECT_EQ(picker.asked[0], std::make_pair(DefinitionKind::Form, std::string("/m")));

  picker.asked.clear();
  picker.answers = {"/m/y.ddf"};
  EXPECT_EQ(StartCommandLine({"/f/Form.FDF"}, picker, settings), "-fdf /f/Form.FDF -ddf /m/y.ddf");
  ASSERT_EQ(picker.asked.size(), 1U);
  EXPECT_EQ(picker.asked[0].first, DefinitionKind::Data);

  // A file at the root leaves the root as its folder, not an empty one.
  testing::MemorySettingsStore fresh;
  picker.asked.clear();
  picker.answers = {"/y.ddf"};
  EXPECT_EQ(StartCommandLine({"/Form.fdf"}, picker, fresh), "-fdf /Form.fdf -ddf /y.ddf");
  EXPECT_EQ(picker.asked[0].second, "/");
  picker.answers = {"/x.fdf", "/z.fdf"};
  EXPECT_EQ(StartCommandLine({"/srv/m.ddf"}, picker, fresh), "-fdf /x.fdf -ddf /srv/m.ddf");
  picker.asked.clear();
  EXPECT_EQ(StartCommandLine({"/srv/n.ddf"}, picker, fresh), "-fdf /z.fdf -ddf /srv/n.ddf");
  EXPECT_EQ(picker.asked[0].second, "/");  // where the last form was chosen
}

TEST(StartFiles, AnyOtherCommandLineIsTakenAsItIsWithoutAsking) {
  testing::MemorySettingsStore settings;
  ScriptedPicker picker;
  EXPECT_EQ(StartCommandLine({"-fdf", "a b.fdf", "-apt"}, picker, settings), "-fdf \"a b.fdf\" -apt");
  EXPECT_EQ(StartCommandLine({"-cwd"}, picker, settings), "-cwd");
  EXPECT_EQ(StartCommandLine({"x.ddf", "y.fdf"}, picker, settings), "x.ddf y.fdf");
  EXPECT_TRUE(picker.asked.empty());
}

}  // namespace
}  // namespace cadro
