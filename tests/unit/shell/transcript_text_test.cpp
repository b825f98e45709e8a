// Every transcript event must stay on one line and read back unambiguously.
#include <gtest/gtest.h>

#include "portable/transcript_text.h"

namespace corvane {
namespace {

TEST(Quote, EscapesQuotesBackslashesAndControls) {
  EXPECT_EQ(Quote("C:\\a \"b\""), "\"C:\\\\a \\\"b\\\"\"");
  EXPECT_EQ(Quote("1\n2\r3\t4"), "\"1\\n2\\r3\\t4\"");
  EXPECT_EQ(Quote(std::string("a\0b\x1F", 4)), "\"a\\x00b\\x1F\"");
  EXPECT_EQ(Quote(""), "\"\"");
}

TEST(Quote, KeepsHighBytes) { EXPECT_EQ(Quote("\xE9\x7F"), "\"\xE9\x7F\""); }

TEST(Quote, NullIsUnquotedZero) {
  EXPECT_EQ(QuoteOrNull(nullptr), "0");
  EXPECT_EQ(QuoteOrNull(""), "\"\"");
}

TEST(EscapeControls, LeavesQuotesAndBackslashesAlone) {
  EXPECT_EQ(EscapeControls("plugin a.dll \"x\\y\"\nnext\x01"), "plugin a.dll \"x\\y\"\\nnext\\x01");
}

}  // namespace
}  // namespace corvane
