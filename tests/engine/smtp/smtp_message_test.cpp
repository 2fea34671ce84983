#include "engine/smtp/smtp_message.h"

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

#include <gtest/gtest.h>

namespace trevalon {
namespace {

using namespace std::chrono_literals;

// Sets the process's time zone while alive.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* previous = std::getenv("TZ")) {
            previous_ = previous;
        }
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (previous_) {
            setenv("TZ", previous_->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::optional<std::string> previous_;
};

// 2026-03-05 07:04:09 UTC, a Thursday.
const TimePoint kMarchFifth =
    std::chrono::sys_days{std::chrono::year{2026} / 3 / 5} + 7h + 4min + 9s;

const std::string kText = "10.1.2.3 Local Use Four Warning disk full";

std::string Body(const std::string& rendered) {
    return rendered.substr(rendered.find("\r\n\r\n") + 4);
}

TEST(SmtpMessageTest, AlarmMessageIsRenderedByteForByte) {
    const ScopedTimeZone utc("UTC0");
    const MailMessage message = AlarmMailMessage("Trevalon Alarm <alarm@trevalon.test>",
                                                 "ops@example.test;night@example.test", kText);

    EXPECT_EQ(RenderMailMessage(message, "Trevalon Mailer", kMarchFifth),
              "From: Trevalon Alarm <alarm@trevalon.test>\r\n"
              "Reply-To: Trevalon Alarm <alarm@trevalon.test>\r\n"
              "To: ops@example.test, night@example.test\r\n"
              "Subject: Alarming Message\r\n"
              "Date: Thu, 05 Mar 2026 07:04:09 +0000\r\n"
              "X-Priority: 3\r\n"
              "X-Mailer: Trevalon Mailer\r\n"
              "MIME-Version: 1.0\r\n"
              "Content-Type: text/plain; charset=UTF-8\r\n"
              "Content-Transfer-Encoding: quoted-printable\r\n"
              "\r\n"
              "10.1.2.3 Local Use Four Warning disk full\r\n");
    EXPECT_EQ(RenderMailMessage(message, "", kMarchFifth).find("X-Mailer"), std::string::npos);
}

TEST(SmtpMessageTest, AddressesAreReadWithOrWithoutDisplayName) {
    const MailAddress bare = ParseMailAddress("  alarm@trevalon.test ");
    EXPECT_EQ(bare.name, "");
    EXPECT_EQ(bare.address, "alarm@trevalon.test");

    const MailAddress named = ParseMailAddress("Trevalon Alarm <alarm@trevalon.test>");
    EXPECT_EQ(named.name, "Trevalon Alarm");
    EXPECT_EQ(named.address, "alarm@trevalon.test");

    const MailAddress quoted = ParseMailAddress("\"Night \\\"Ops\\\", Team\" < ops@x.test >");
    EXPECT_EQ(quoted.name, "Night \"Ops\", Team");
    EXPECT_EQ(quoted.address, "ops@x.test");
}

TEST(SmtpMessageTest, RecipientListSplitsAtSemicolonsAndCommasInOrder) {
    const auto list =
        ParseMailAddressList("a@x.test;b@x.test, c@x.test ;; ,\"Ops, Night\" <d@x.test>;");
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].address, "a@x.test");
    EXPECT_EQ(list[1].address, "b@x.test");
    EXPECT_EQ(list[2].address, "c@x.test");
    EXPECT_EQ(list[3].name, "Ops, Night");
    EXPECT_EQ(list[3].address, "d@x.test");
    EXPECT_TRUE(ParseMailAddressList(" ; , ").empty());
}

TEST(SmtpMessageTest, DisplayNamesAreQuotedOrEncodedAsNeeded) {
    const ScopedTimeZone utc("UTC0");
    MailMessage message = AlarmMailMessage("Night, Ops <ops@x.test>", "a@x.test", "t");
    message.to = ParseMailAddressList("Störung <s@x.test>, \"Back\\\\slash\" <b@x.test>");
    const std::string rendered = RenderMailMessage(message, "", kMarchFifth);

    EXPECT_NE(rendered.find("From: \"Night, Ops\" <ops@x.test>\r\n"), std::string::npos);
    EXPECT_NE(
        rendered.find("To: =?UTF-8?B?U3TDtnJ1bmc=?= <s@x.test>, \"Back\\\\slash\" <b@x.test>\r\n"),
        std::string::npos);
}

TEST(SmtpMessageTest, LongRecipientListIsFolded) {
    const ScopedTimeZone utc("UTC0");
    std::string recipients;
    for (int index = 0; index < 12; ++index) {
        recipients += "operator" + std::to_string(index) + "@example.test;";
    }
    const std::string rendered =
        RenderMailMessage(AlarmMailMessage("a@x.test", recipients, "t"), "", kMarchFifth);
    const std::string header = rendered.substr(rendered.find("To: "));
    const std::string to = header.substr(0, header.find("\r\nSubject:"));

    EXPECT_NE(to.find("To: operator0@example.test, operator1@example.test, "
                      "operator2@example.test,\r\n operator3"),
              std::string::npos);
    for (std::size_t begin = 0, end = 0; end != std::string::npos; begin = end + 2) {
        end = to.find("\r\n", begin);
        EXPECT_LE(to.substr(begin, end - begin).size(), 78u);
    }
}

TEST(SmtpMessageTest, HeaderValuesCannotAddHeaderLines) {
    const ScopedTimeZone utc("UTC0");
    const std::string rendered = RenderMailMessage(
        AlarmMailMessage("Evil\r\nBcc: victim@x.test <a@x.test>", "b@x.test", "t"),
        "Mailer\r\nBcc: victim@x.test", kMarchFifth);

    EXPECT_EQ(rendered.find("\nBcc"), std::string::npos);
    EXPECT_NE(rendered.find("X-Mailer: =?UTF-8?B?TWFpbGVyDQpCY2M6IHZpY3RpbUB4LnRlc3Q=?=\r\n"),
              std::string::npos);
}

TEST(SmtpMessageTest, BodyIsQuotedPrintableWithShortLines) {
    const ScopedTimeZone utc("UTC0");
    auto body = [](const std::string& text) {
        return Body(
            RenderMailMessage(AlarmMailMessage("a@x.test", "b@x.test", text), "", kMarchFifth));
    };

    EXPECT_EQ(body("Temp\xC3\xA9rature = 90 "), "Temp=C3=A9rature =3D 90=20\r\n");
    EXPECT_EQ(body("one\ntwo\rthree\r\nfour"), "one\r\ntwo\r\nthree\r\nfour\r\n");
    EXPECT_EQ(body(""), "\r\n");
    EXPECT_EQ(body("tab\t"), "tab=09\r\n");

    const std::string encoded = body(std::string(200, 'x'));
    EXPECT_EQ(encoded, std::string(75, 'x') + "=\r\n" + std::string(75, 'x') + "=\r\n" +
                           std::string(50, 'x') + "\r\n");

    // An encoded byte is never split by a soft break.
    const std::string accents = body(std::string(74, 'x') + "\xC3\xA9");
    EXPECT_EQ(accents, std::string(74, 'x') + "=\r\n=C3=A9\r\n");
}

TEST(SmtpMessageTest, DateCarriesTheLocalOffset) {
    {
        const ScopedTimeZone utc("UTC0");
        EXPECT_EQ(MailDate(kMarchFifth), "Thu, 05 Mar 2026 07:04:09 +0000");
    }
    {
        const ScopedTimeZone central("CET-1CEST,M3.5.0,M10.5.0/3");
        EXPECT_EQ(MailDate(kMarchFifth), "Thu, 05 Mar 2026 08:04:09 +0100");
        EXPECT_EQ(MailDate(kMarchFifth + std::chrono::days(120)),
                  "Fri, 03 Jul 2026 09:04:09 +0200");
    }
    {
        const ScopedTimeZone newfoundland("NST3:30");
        EXPECT_EQ(MailDate(kMarchFifth), "Thu, 05 Mar 2026 03:34:09 -0330");
    }
}

TEST(SmtpMessageTest, DotStuffingDoublesEveryLeadingDot) {
    EXPECT_EQ(DotStuffed(".a\r\nb.\r\n.\r\n..c\r\n"), "..a\r\nb.\r\n..\r\n...c\r\n");
    EXPECT_EQ(DotStuffed("plain\r\n"), "plain\r\n");
}

}  // namespace
}  // namespace trevalon
