#include <string>

#include <gtest/gtest.h>

#include "engine/storage/syslog_escaping.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"

namespace trevalon {
namespace {

using namespace std::string_literals;

TEST(SyslogEscaping, ServiceRemovesControlsAndLeavesPercentAndUnderscore) {
    EXPECT_EQ(EscapeSyslogContent("it's 50% done; ok"), "it s 50% done  ok");
    EXPECT_EQ(EscapeSyslogContent("say \"hi\"; C:\\temp\\"), "say  hi   C:\\\\temp\\\\");
    EXPECT_EQ(EscapeSyslogContent("a\bb\tc\nd\re\x1a"
                                  "f"),
              "abcdef");
    EXPECT_EQ(EscapeSyslogContent("100%_done LIKE '%_'"), "100%_done LIKE  %_ ");
    // Other control characters and bytes above 127 are the statement's business, not this one's.
    EXPECT_EQ(EscapeSyslogContent("x\x01y\xC3\xA9z\0"s), "x\x01y\xC3\xA9z\0"s);
    EXPECT_EQ(EscapeSyslogContent(""), "");
}

TEST(SyslogEscaping, ManagerTurnsTheControlsIntoSpacesAndStillLeavesPercentAndUnderscore) {
    EXPECT_EQ(EscapeSyslogContent("a\bb\tc\nd\re\x1a"
                                  "f",
                                  ContentEscaping::kManager),
              "a b c d e f");
    EXPECT_EQ(EscapeSyslogContent("it's 50%_done; \"\\\"", ContentEscaping::kManager),
              "it s 50%_done   \\\\ ");
}

TEST(SyslogCleaning, ModeOneKeepsPunctuationModeTwoOnlyLettersDigitsAndBrackets) {
    const std::string kept = "AZaz09()+-<=>[]{}|";
    EXPECT_EQ(CleanSyslogMessage(kept, MessageCleaning::kMode1), kept);
    EXPECT_EQ(CleanSyslogMessage(kept, MessageCleaning::kMode2), kept);

    const std::string punctuation = " !#$&*,.:?@^~%_";
    EXPECT_EQ(CleanSyslogMessage(punctuation, MessageCleaning::kMode1), punctuation);
    EXPECT_EQ(CleanSyslogMessage(punctuation, MessageCleaning::kMode2),
              std::string(punctuation.size(), ' '));

    const std::string spaced = "'\b\t\n\r\x1a";
    EXPECT_EQ(CleanSyslogMessage(spaced, MessageCleaning::kMode1), "      ");
    EXPECT_EQ(CleanSyslogMessage(spaced, MessageCleaning::kMode2), "      ");

    const std::string removed = "\"/;\\`\x01\x1f\x7f\x80\xC3\xA9\xFF\0"s;
    EXPECT_EQ(CleanSyslogMessage(removed, MessageCleaning::kMode1), "");
    EXPECT_EQ(CleanSyslogMessage(removed, MessageCleaning::kMode2), "");

    EXPECT_EQ(CleanSyslogMessage("caf\xC3\xA9 50% done_now! \\\\n", MessageCleaning::kMode1),
              "caf 50% done_now! n");
    EXPECT_EQ(CleanSyslogMessage("caf\xC3\xA9 50% done_now! \\\\n", MessageCleaning::kMode2),
              "caf 50  done now  n");
}

TEST(SyslogInsertStatement, PlacesTheValuesInDoubleQuotesAndEscapesAllButTheMessage) {
    SyslogRecord record;
    record.TimeStamp = "2024-03-01 12:00:05";
    record.Source = "192.0.2.7";
    record.FacilityName = "Local Use Seven";
    record.SeverityName = "Warning";
    EXPECT_EQ(BuildSyslogInsertStatement(record, "it s 50% done  ok"),
              "insert into syslog (syslog_datetime,ip,facility,severity,msg) values "
              "(\"2024-03-01 12:00:05\",\"192.0.2.7\",\"Local Use Seven\",\"Warning\","
              "\"it s 50% done  ok\")");

    record.Source = "evil\",\"x\") ; DROP TABLE syslog; -- \\";
    record.FacilityName = "'";
    EXPECT_EQ(BuildSyslogInsertStatement(record, "C:\\\\"),
              "insert into syslog (syslog_datetime,ip,facility,severity,msg) values "
              "(\"2024-03-01 12:00:05\",\"evil\\\",\\\"x\\\") ; DROP TABLE syslog; -- \\\\\","
              "\"\\'\",\"Warning\",\"C:\\\\\")");
}

}  // namespace
}  // namespace trevalon
