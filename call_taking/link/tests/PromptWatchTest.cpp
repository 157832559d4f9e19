#include <gtest/gtest.h>

#include "PromptWatch.h"

namespace cadro {
namespace {

TEST(PromptWatch, FindsThePromptAcrossArrivalsInExactCaseOnly) {
  PromptWatch watch;
  EXPECT_FALSE(watch.Feed("banner\r\nO"));
  EXPECT_FALSE(watch.Feed("K"));
  EXPECT_TRUE(watch.Feed(">"));
  EXPECT_TRUE(watch.Feed("more")) << "once seen, it stays seen until cleared";
  watch.Clear();
  EXPECT_EQ(watch.Received(), "");
  EXPECT_FALSE(watch.Feed("ok>Ok>oK>"));
  EXPECT_FALSE(watch.Feed(std::string("O\0K>", 4)));
}

TEST(PromptWatch, KeepsMemoryBoundedWithoutLosingASplitPrompt) {
  PromptWatch watch;
  const std::string chunk(4096, 'x');
  for (int i = 0; i < 100; ++i) EXPECT_FALSE(watch.Feed(chunk));
  EXPECT_LE(watch.Received().size(), PromptWatch::kMaxKept + chunk.size());
  EXPECT_FALSE(watch.Feed(chunk + "O"));
  EXPECT_TRUE(watch.Feed("K>"));
}

}  // namespace
}  // namespace cadro
