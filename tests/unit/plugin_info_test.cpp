#include "core/plugin_info.h"

#include <gtest/gtest.h>

namespace kestrane {
namespace {

TEST(PluginInfo, KnownCodesAndTheFixedAnswerForAllOthers) {
  EXPECT_STREQ(PluginInfoAnswer(1), "Kestrane");
  EXPECT_STREQ(PluginInfoAnswer(2), "0.7b");
  EXPECT_STREQ(PluginInfoAnswer(4), "2004-10-31");
  for (int code : {3, 5, 6}) {
    ASSERT_NE(PluginInfoAnswer(code), nullptr);
    EXPECT_STRNE(PluginInfoAnswer(code), "");
    EXPECT_STRNE(PluginInfoAnswer(code), "Kestrane 0.7b");
  }
  // A host tells an unknown code by this one text, so every other code must give it.
  for (int code : {0, 7, 8, 10000, -1, 2147483647}) {
    EXPECT_STREQ(PluginInfoAnswer(code), "Kestrane 0.7b") << code;
  }
}

}  // namespace
}  // namespace kestrane
