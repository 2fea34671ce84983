#include "engine/http_sms/sms_url_encoding.h"

#include <string>

#include <gtest/gtest.h>

#include "engine/http_sms/http_sms_request.h"

namespace trevalon {
namespace {

TEST(SmsUrlEncodingTest, KeepsOnlyLettersAndDigitsAndTurnsBlanksIntoPlus) {
    EXPECT_EQ(SmsUrlEncode("AZaz09"), "AZaz09");
    EXPECT_EQ(SmsUrlEncode("+4512 345"), "%2B4512+345");
    EXPECT_EQ(SmsUrlEncode("a.b c"), "a%2Eb+c");
    EXPECT_EQ(SmsUrlEncode("-_~*'()"), "%2D%5F%7E%2A%27%28%29");
    EXPECT_EQ(SmsUrlEncode(std::string("\0\r\n\x7F\xC3\xA9\xFF", 7)), "%00%0D%0A%7F%C3%A9%FF");
    EXPECT_EQ(SmsUrlEncode(""), "");
}

TEST(SmsUrlEncodingTest, FillsEveryPlaceholderOfTheTemplate) {
    EXPECT_EQ(FillSmsUrlTemplate("http://gw/send?to=$MSISDN&text=$MESSAGE", "+4512 345", "a.b c"),
              "http://gw/send?to=%2B4512+345&text=a%2Eb+c");
    EXPECT_EQ(FillSmsUrlTemplate("http://gw/$MSISDN/$MSISDN?m=$MESSAGE$MESSAGE", "1", "x y"),
              "http://gw/1/1?m=x+yx+y");
    // Only the exact upper-case placeholders count; a replaced text never forms a new one.
    EXPECT_EQ(FillSmsUrlTemplate("http://gw/?to=$msisdn&m=$MESSAGE", "1", "$MSISDN"),
              "http://gw/?to=$msisdn&m=%24MSISDN");
    EXPECT_EQ(FillSmsUrlTemplate("http://gw/fixed", "1", "x"), "http://gw/fixed");
    EXPECT_EQ(FillSmsUrlTemplate("", "1", "x"), "");
}

TEST(SmsUrlEncodingTest, FormBodyEncodesValuesAndKeepsNames) {
    const std::vector<std::string> lines =
        SmsFormLines("to", "msg", "+45 1", "a&b=c", {"user=me", "pass=s=cret&x", "flag", "a b="});
    EXPECT_EQ(lines, (std::vector<std::string>{"to=+45 1", "msg=a&b=c", "user=me", "pass=s=cret&x",
                                               "flag", "a b="}));
    EXPECT_EQ(SmsFormBody(lines), "to=%2B45+1&msg=a%26b%3Dc&user=me&pass=s%3Dcret%26x&flag&a b=");
    EXPECT_EQ(SmsFormBody({}), "");
}

AlarmMethodSettings GatewaySettings(std::string urlMethod) {
    AlarmMethodSettings settings;
    settings.enable = true;
    settings.ip = "http://gw.example/send?to=$MSISDN&text=$MESSAGE";
    settings.port = 8080;
    settings.url_method = std::move(urlMethod);
    settings.field_msisdn = "to";
    settings.field_message = "msg";
    settings.username = "user";
    settings.password = "secret";
    settings.proxy_ip = "proxy.example";
    settings.proxy_port = 3128;
    settings.proxy_username = "pu";
    settings.proxy_password = "pp";
    settings.read_timeout = 2500;
    settings.timeout = 99;
    return settings;
}

TEST(HttpSmsRequestTest, GetFillsTheTemplateAndSendsNoForm) {
    const HttpSmsRequest request =
        BuildHttpSmsRequest(GatewaySettings("Get"), {"ignored=1"}, "+4512 345", "a.b c");
    EXPECT_EQ(request.verb, HttpSmsVerb::Get);
    EXPECT_EQ(request.url, "http://gw.example/send?to=%2B4512+345&text=a%2Eb+c");
    EXPECT_TRUE(request.formLines.empty());
    EXPECT_EQ(request.port, 8080);
    EXPECT_EQ(request.readTimeoutMs, 2500);
    EXPECT_EQ(request.maxRedirects, 10);
    EXPECT_EQ(request.username, "user");
    EXPECT_EQ(request.password, "secret");
    EXPECT_EQ(request.proxyHost, "proxy.example");
    EXPECT_EQ(request.proxyPort, 3128);
    EXPECT_EQ(request.proxyUsername, "pu");
    EXPECT_EQ(request.proxyPassword, "pp");
}

TEST(HttpSmsRequestTest, AnyOtherMethodPostsTheFormToTheUnchangedTemplate) {
    for (const char* method : {"Post", "GET", "get", ""}) {
        const HttpSmsRequest request =
            BuildHttpSmsRequest(GatewaySettings(method), {"user=me"}, "+45 1", "a b");
        EXPECT_EQ(request.verb, HttpSmsVerb::Post) << method;
        EXPECT_EQ(request.url, "http://gw.example/send?to=$MSISDN&text=$MESSAGE") << method;
        EXPECT_EQ(request.formLines, (std::vector<std::string>{"to=+45 1", "msg=a b", "user=me"}))
            << method;
    }
}

}  // namespace
}  // namespace trevalon
