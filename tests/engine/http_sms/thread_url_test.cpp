#include "engine/http_sms/thread_url.h"

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/http_sms/http_test_peer.h"
#include "tests/support/loopback_ports.h"

namespace trevalon {
namespace {

using testing::ClosedLoopbackPort;
using testing::HttpReply;
using testing::HttpRequestRecord;
using testing::HttpResponse;
using testing::HttpTestPeer;

const std::string kNumber = "+4512 345";
const std::string kText = "a.b c";
const std::string kFixedHeaders =
    "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
    "Referer: Mozilla/3.0\r\n"
    "Accept: text/html, */*\r\n";

HttpReply Ok() {
    return {HttpResponse(200, "OK", "Content-Type: text/plain\r\n", "queued"), false};
}

HttpTestPeer::Responder Always(HttpReply reply) {
    return [reply = std::move(reply)](const HttpRequestRecord&, std::size_t) { return reply; };
}

AlarmMethodSettings Gateway(std::string url, std::string urlMethod = "Get") {
    AlarmMethodSettings settings;
    settings.enable = true;
    settings.ip = std::move(url);
    settings.url_method = std::move(urlMethod);
    settings.field_msisdn = "to";
    settings.field_message = "msg";
    return settings;
}

std::unique_ptr<ThreadURL> Deliver(const AlarmMethodSettings& settings,
                                   const std::vector<std::string>& extraFields = {},
                                   const std::string& number = kNumber,
                                   const std::string& text = kText) {
    auto job = MakeThreadURL(settings, extraFields, number, text);
    job->Execute();
    return job;
}

void ExpectSent(const ThreadURL& job, int responseCode = 200) {
    EXPECT_TRUE(job.Succeeded()) << job.ResultDetail();
    EXPECT_EQ(job.ResultText(), "Sent");
    EXPECT_EQ(job.ResultDetail(), "[HTTP Alarm Sent Succeed]");
    EXPECT_EQ(job.ResponseCode(), responseCode);
}

void ExpectError(const ThreadURL& job, int responseCode, const std::string& reason) {
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(job.ResultText(), "Error");
    EXPECT_EQ(job.ResponseCode(), responseCode);
    EXPECT_EQ(job.ResultDetail(), "[" + job.Request().url + ":" +
                                      std::to_string(job.Request().port) +
                                      " HTTP Alarm Connection Error:" + reason + "]");
}

TEST(ThreadUrlTest, GetCarriesTheEncodedNumberAndTextAndTheFixedHeaders) {
    HttpTestPeer gateway(Always(Ok()));
    const auto job = Deliver(Gateway(gateway.BaseUrl() + "/send?to=$MSISDN&text=$MESSAGE"));
    ExpectSent(*job);
    const auto requests = gateway.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].head,
              "GET /send?to=%2B4512+345&text=a%2Eb+c HTTP/1.1\r\n"
              "Host: 127.0.0.1:" +
                  std::to_string(gateway.Port()) + "\r\n" + kFixedHeaders + "\r\n");
    EXPECT_EQ(requests[0].body, "");
}

TEST(ThreadUrlTest, PostSendsTheFormWithTheExtraFieldsToTheUnchangedUrl) {
    HttpTestPeer gateway(Always(Ok()));
    const auto job = Deliver(Gateway(gateway.BaseUrl() + "/sms?x=$MSISDN", "Post"),
                             {"user=me", "pass=s=cret&x"});
    ExpectSent(*job);
    const auto requests = gateway.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string body = "to=%2B4512+345&msg=a%2Eb+c&user=me&pass=s%3Dcret%26x";
    EXPECT_EQ(requests[0].head,
              "POST /sms?x=$MSISDN HTTP/1.1\r\n"
              "Host: 127.0.0.1:" +
                  std::to_string(gateway.Port()) + "\r\n" + kFixedHeaders +
                  "Content-Length: " + std::to_string(body.size()) +
                  "\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\n\r\n");
    EXPECT_EQ(requests[0].body, body);
}

TEST(ThreadUrlTest, ErrorStatusFailsWithTheStatusLine) {
    HttpTestPeer gateway(Always({HttpResponse(404, "Not Found", "", "no such page"), false}));
    const auto job = Deliver(Gateway(gateway.BaseUrl() + "/missing?to=$MSISDN"));
    ExpectError(*job, 404, "HTTP/1.1 404 Not Found");

    HttpTestPeer unchanged(Always({HttpResponse(304, "Not Modified"), false}));
    ExpectError(*Deliver(Gateway(unchanged.BaseUrl() + "/")), 304, "HTTP/1.1 304 Not Modified");

    HttpTestPeer broken(Always({HttpResponse(500, "Internal Server Error"), false}));
    ExpectError(*Deliver(Gateway(broken.BaseUrl() + "/")), 500,
                "HTTP/1.1 500 Internal Server Error");
}

// Answers every request for "/hop/<n>" below `hops` with a redirect to "/hop/<n + 1>".
HttpTestPeer::Responder RedirectChain(int hops) {
    return [hops](const HttpRequestRecord& request, std::size_t index) -> HttpReply {
        if (static_cast<int>(index) < hops) {
            return {
                HttpResponse(302, "Found", "Location: /hop/" + std::to_string(index + 1) + "\r\n"),
                false};
        }
        return {HttpResponse(200, "OK", "", request.RequestLine()), false};
    };
}

TEST(ThreadUrlTest, TenRedirectsAreFollowedToTheGateway) {
    HttpTestPeer gateway(RedirectChain(10));
    const auto job = Deliver(Gateway(gateway.BaseUrl() + "/hop/0"));
    ExpectSent(*job);
    const auto requests = gateway.Requests();
    ASSERT_EQ(requests.size(), 11u);
    for (std::size_t hop = 0; hop < requests.size(); ++hop) {
        EXPECT_EQ(requests[hop].RequestLine(), "GET /hop/" + std::to_string(hop) + " HTTP/1.1");
    }
}

TEST(ThreadUrlTest, AnEleventhRedirectIsAnError) {
    HttpTestPeer gateway(RedirectChain(1000));
    const auto job = Deliver(Gateway(gateway.BaseUrl() + "/hop/0"));
    ExpectError(*job, 302, "Maximum (10) redirects followed");
    EXPECT_EQ(gateway.Requests().size(), 11u);
}

TEST(ThreadUrlTest, BasicAuthenticationGoesWithEitherCredentialRegardlessOfTheFlag) {
    HttpTestPeer gateway(Always(Ok()));
    AlarmMethodSettings settings = Gateway(gateway.BaseUrl() + "/");
    settings.authenticate = false;
    settings.username = "alarm";
    settings.password = "p:ss w";
    ExpectSent(*Deliver(settings));
    settings.username = "";
    ExpectSent(*Deliver(settings));
    settings.username = "alarm";
    settings.password = "";
    ExpectSent(*Deliver(settings));
    settings.username = "";
    ExpectSent(*Deliver(settings));

    const auto requests = gateway.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].Header("Authorization"), "Basic YWxhcm06cDpzcyB3");  // alarm:p:ss w
    EXPECT_EQ(requests[1].Header("Authorization"), "Basic OnA6c3Mgdw==");      // :p:ss w
    EXPECT_EQ(requests[2].Header("Authorization"), "Basic YWxhcm06");          // alarm:
    EXPECT_EQ(requests[3].Header("Authorization"), std::nullopt);
}

AlarmMethodSettings ThroughProxy(const HttpTestPeer& proxy, std::string url, int port) {
    AlarmMethodSettings settings = Gateway(std::move(url));
    settings.port = port;
    settings.proxy_ip = "127.0.0.1";
    settings.proxy_port = proxy.Port();
    return settings;
}

TEST(ThreadUrlTest, ProxyGetsTheAbsoluteUrlWithThePortTheRuleChooses) {
    HttpTestPeer proxy(Always(Ok()));
    const std::string path = "/send?to=$MSISDN";
    for (const int port : {0, 80, 443}) {
        ExpectSent(*Deliver(ThroughProxy(proxy, "http://sms-gateway.test" + path, port)));
    }
    ExpectSent(*Deliver(ThroughProxy(proxy, "http://sms-gateway.test" + path, 8080)));
    ExpectSent(*Deliver(ThroughProxy(proxy, "http://sms-gateway.test:81" + path, 8080)));

    const auto requests = proxy.Requests();
    ASSERT_EQ(requests.size(), 5u);
    for (std::size_t index = 0; index < 3; ++index) {
        EXPECT_EQ(requests[index].RequestLine(),
                  "GET http://sms-gateway.test/send?to=%2B4512+345 HTTP/1.1");
        EXPECT_EQ(requests[index].Header("Host"), "sms-gateway.test");
    }
    EXPECT_EQ(requests[3].RequestLine(),
              "GET http://sms-gateway.test:8080/send?to=%2B4512+345 HTTP/1.1");
    EXPECT_EQ(requests[3].Header("Host"), "sms-gateway.test:8080");
    EXPECT_EQ(requests[4].RequestLine(),
              "GET http://sms-gateway.test:81/send?to=%2B4512+345 HTTP/1.1");
    EXPECT_EQ(requests[4].Header("Host"), "sms-gateway.test:81");
    EXPECT_EQ(requests[0].Header("Proxy-Authorization"), std::nullopt);
}

TEST(ThreadUrlTest, ProxyCredentialsAnswerTheProxysChallenge) {
    HttpTestPeer proxy([](const HttpRequestRecord& request, std::size_t) -> HttpReply {
        if (request.Header("Proxy-Authorization") != "Basic cHJveHk6cGFzcw==") {  // proxy:pass
            return {HttpResponse(407, "Proxy Authentication Required",
                                 "Proxy-Authenticate: Basic realm=\"alarms\"\r\n"),
                    false};
        }
        return Ok();
    });
    AlarmMethodSettings settings = ThroughProxy(proxy, "http://sms-gateway.test/", 0);
    settings.proxy_username = "proxy";
    settings.proxy_password = "pass";
    ExpectSent(*Deliver(settings));
    ASSERT_EQ(proxy.Requests().size(), 2u);
    EXPECT_EQ(proxy.Requests()[0].Header("Proxy-Authorization"), std::nullopt);

    settings.proxy_password = "wrong";
    ExpectError(*Deliver(settings), 407, "HTTP/1.1 407 Proxy Authentication Required");
}

TEST(ThreadUrlTest, ProxyIsUsedOnlyWithHostAndPort) {
    HttpTestPeer gateway(Always(Ok()));
    AlarmMethodSettings settings = Gateway(gateway.BaseUrl() + "/direct");
    settings.proxy_ip = "127.0.0.1";
    settings.proxy_port = 0;
    ExpectSent(*Deliver(settings));
    settings.proxy_ip = "";
    const ClosedLoopbackPort closed;
    settings.proxy_port = closed.Port();
    ExpectSent(*Deliver(settings));
    const auto requests = gateway.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].RequestLine(), "GET /direct HTTP/1.1");
}

TEST(ThreadUrlTest, SilentGatewayEndsTheJobAfterTheReadTimeout) {
    HttpTestPeer gateway(Always({"", true}));
    AlarmMethodSettings settings = Gateway(gateway.BaseUrl() + "/slow");
    settings.read_timeout = 200;
    const auto job = Deliver(settings);
    ExpectError(*job, -1, "Read timed out.");
    EXPECT_EQ(gateway.Requests().size(), 1u);
}

TEST(ThreadUrlTest, LineEndsInTheNumberOrTextCannotAddHeaders) {
    HttpTestPeer gateway(Always(Ok()));
    const std::string number = "1\r\nX-Injected: number";
    const std::string text = "hi\r\nX-Injected: text\r\n\r\nGET /smuggled HTTP/1.1";
    ExpectSent(*Deliver(Gateway(gateway.BaseUrl() + "/?to=$MSISDN&m=$MESSAGE"), {}, number, text));
    ExpectSent(*Deliver(Gateway(gateway.BaseUrl() + "/form", "Post"), {}, number, text));
    const auto requests = gateway.Requests();
    ASSERT_EQ(requests.size(), 2u);
    for (const HttpRequestRecord& request : requests) {
        EXPECT_EQ(request.Header("X-Injected"), std::nullopt);
    }
    EXPECT_EQ(requests[0].RequestLine(),
              "GET /?to=1%0D%0AX%2DInjected%3A+number&m=hi%0D%0AX%2DInjected%3A+text%0D%0A%0D%0A"
              "GET+%2Fsmuggled+HTTP%2F1%2E1 HTTP/1.1");
    EXPECT_EQ(requests[1].body,
              "to=1%0D%0AX%2DInjected%3A+number&msg=hi%0D%0AX%2DInjected%3A+text%0D%0A%0D%0AGET+"
              "%2Fsmuggled+HTTP%2F1%2E1");
}

TEST(ThreadUrlTest, ConnectionProblemsHaveTheirFixedReasons) {
    AlarmMethodSettings settings = Gateway("");
    settings.port = 8080;
    ExpectError(*Deliver(settings), -1, "ERR10001 Host/IP required");
    settings.ip = "http:///path";
    ExpectError(*Deliver(settings), -1, "ERR10001 Host/IP required");
    settings.ip = "http://user@:81/";
    ExpectError(*Deliver(settings), -1, "ERR10001 Host/IP required");
    settings.ip = "http://127.0.0.1:0/";
    ExpectError(*Deliver(settings), -1, "ERR10002 Port required");
    const ClosedLoopbackPort closed;
    settings.ip = "http://127.0.0.1:" + std::to_string(closed.Port()) + "/";
    ExpectError(*Deliver(settings), -1, "ERR10003 Invalid Host/IP");
    settings.ip = "http://127.0.0.1/";
    settings.port = closed.Port();
    ExpectError(*Deliver(settings), -1, "ERR10003 Invalid Host/IP");
}

TEST(ThreadUrlTest, HostilePeersEndTheJobWithAnError) {
    const std::string okHead = "HTTP/1.1 200 OK\r\n";
    // What the peer sends, and the response code the job is left with.
    const std::vector<std::pair<std::string, int>> replies = {
        {"garbage that is no HTTP at all\r\n\r\n", -1},
        {okHead + "Content-Le", 200},
        {okHead + "Content-Length: 100\r\nConnection: close\r\n\r\nshort", 200},
        {okHead + "X-Long: " + std::string(200 * 1024, 'x') + "\r\n\r\n", 200},
        {"", -1},
    };
    for (const auto& [reply, responseCode] : replies) {
        HttpTestPeer gateway(Always({reply, false}));
        const auto job = Deliver(Gateway(gateway.BaseUrl() + "/"));
        EXPECT_FALSE(job->Succeeded()) << reply.substr(0, 60);
        EXPECT_EQ(job->ResultText(), "Error");
        EXPECT_EQ(job->ResponseCode(), responseCode) << reply.substr(0, 60);
        EXPECT_TRUE(job->ResultDetail().starts_with("[" + gateway.BaseUrl() +
                                                    "/:0 HTTP Alarm Connection Error:"))
            << job->ResultDetail();
    }
}

TEST(ThreadUrlTest, AHugePageStillCountsByItsStatus) {
    HttpTestPeer gateway(
        Always({HttpResponse(200, "OK", "", std::string(3 * 1024 * 1024, 'p')), false}));
    ExpectSent(*Deliver(Gateway(gateway.BaseUrl() + "/")));
}

}  // namespace
}  // namespace trevalon
