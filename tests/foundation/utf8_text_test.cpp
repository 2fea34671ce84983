#include "foundation/utf8_text.h"

#include <string>

#include <gtest/gtest.h>

namespace trevalon {
namespace {

TEST(Utf8Text, AcceptsWellFormedTextAndRejectsEverythingElse) {
    EXPECT_TRUE(IsPlainUtf8(""));
    EXPECT_TRUE(IsPlainUtf8("plain ASCII ;'\"\\"));
    EXPECT_TRUE(IsPlainUtf8("\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"));
    for (const std::string& bad : {
             std::string("nul \0 inside", 12),
             std::string("\xFF"),
             std::string("\xC0\xAF"),          // overlong "/"
             std::string("\xE0\x80\xAF"),      // overlong
             std::string("\xED\xA0\x80"),      // surrogate
             std::string("\xF4\x90\x80\x80"),  // above U+10FFFF
             std::string("\xC3"),              // cut short
             std::string("\xE2\x82"),          // cut short
             std::string("\x80 lone continuation"),
         }) {
        EXPECT_FALSE(IsPlainUtf8(bad)) << ::testing::PrintToString(bad);
    }
}

}  // namespace
}  // namespace trevalon
