#include <gtest/gtest.h>

#include <string>

#include "engine/storage/database_client.h"
#include "engine/storage/session_modes.h"

namespace trevalon {
namespace {

using namespace std::string_literals;

TEST(SqlText, EscapesEveryCharacterThatCouldEndOrBreakTheQuotes) {
    EXPECT_EQ(SqlEscaped("a\"b"), "a\\\"b");
    EXPECT_EQ(SqlEscaped("it's"), "it\\'s");
    EXPECT_EQ(SqlEscaped("C:\\dir\\"), "C:\\\\dir\\\\");
    EXPECT_EQ(SqlEscaped("nul\0byte"s), "nul\\0byte");
    EXPECT_EQ(SqlEscaped("line\nnext\rreturn"), "line\\nnext\\rreturn");
    EXPECT_EQ(SqlEscaped("eof\x1a"), "eof\\Z");
    EXPECT_EQ(SqlEscaped("\"; drop table x; --"), "\\\"; drop table x; --");
}

TEST(SqlText, LeavesOrdinaryAndMultiByteTextAlone) {
    EXPECT_EQ(SqlEscaped(""), "");
    EXPECT_EQ(SqlEscaped("Kernel %d ;`tab\t"), "Kernel %d ;`tab\t");
    const std::string utf8 = "Grüße 中文 \xF0\x9F\x98\x80";
    EXPECT_EQ(SqlEscaped(utf8), utf8);
}

TEST(SqlText, QuotedWrapsTheEscapedTextInDoubleQuotes) {
    EXPECT_EQ(SqlQuoted("a\"b"), "\"a\\\"b\"");
    EXPECT_EQ(SqlQuoted(""), "\"\"");
    EXPECT_EQ(SqlQuoted("\\"), "\"\\\\\"");
}

TEST(SessionModes, DropsOnlyModesThatChangeQuotingOrEscaping) {
    const std::string debianDefault =
        "STRICT_TRANS_TABLES,ERROR_FOR_DIVISION_BY_ZERO,NO_AUTO_CREATE_USER,NO_ENGINE_SUBSTITUTION";
    EXPECT_EQ(StatementSafeSqlMode(debianDefault), debianDefault);
    EXPECT_EQ(StatementSafeSqlMode(""), "");
    EXPECT_EQ(StatementSafeSqlMode("REAL_AS_FLOAT,PIPES_AS_CONCAT,ANSI_QUOTES,IGNORE_SPACE,ANSI,"
                                   "NO_BACKSLASH_ESCAPES"),
              "REAL_AS_FLOAT,PIPES_AS_CONCAT,IGNORE_SPACE");
    EXPECT_EQ(StatementSafeSqlMode("PIPES_AS_CONCAT,ANSI_QUOTES,IGNORE_SPACE,ORACLE,"
                                   "NO_KEY_OPTIONS"),
              "PIPES_AS_CONCAT,IGNORE_SPACE,NO_KEY_OPTIONS");
    EXPECT_EQ(StatementSafeSqlMode("no_backslash_escapes,STRICT_ALL_TABLES,postgresql,mssql,"
                                   "db2,maxdb"),
              "STRICT_ALL_TABLES");
    // Names that merely contain a dropped name stay.
    EXPECT_EQ(StatementSafeSqlMode("ANSI_QUOTESX,XANSI"), "ANSI_QUOTESX,XANSI");
}

TEST(SessionModes, OldModeLosesOnlyTheNarrowUtf8Alias) {
    EXPECT_EQ(FullUtf8OldMode("UTF8_IS_UTF8MB3"), "");
    EXPECT_EQ(FullUtf8OldMode("NO_PROGRESS_INFO,UTF8_IS_UTF8MB3,ZERO_DATE_TIME_CAST"),
              "NO_PROGRESS_INFO,ZERO_DATE_TIME_CAST");
    EXPECT_EQ(FullUtf8OldMode(""), "");
}

}  // namespace
}  // namespace trevalon
