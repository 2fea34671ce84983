#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/alarms/alarm_dispatcher.h"
#include "engine/http_sms/http_sms_delivery.h"
#include "engine/http_sms/thread_url.h"
#include "engine/pool/thread_pool_manager.h"
#include "engine/syslog_forward/syslog_forward_delivery.h"
#include "engine/syslog_forward/thread_syslog.h"
#include "foundation/event_loop.h"
#include "tests/engine/http_sms/http_test_peer.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::HttpReply;
using testing::HttpRequestRecord;
using testing::HttpResponse;
using testing::HttpTestPeer;
using testing::ReadWholeFile;

constexpr int kJobsPerMethod = 8;

// Both deliveries run side by side on pool workers, each job on its own client, and come back
// to the owner thread with their outcome.
TEST(DeliveriesOnPoolTest, ConcurrentJobsKeepTheirOwnOutcome) {
    HttpTestPeer gateway([](const HttpRequestRecord& request, std::size_t) -> HttpReply {
        const bool refused = request.RequestLine().find("to=refuse") != std::string::npos;
        return {refused ? HttpResponse(403, "Forbidden") : HttpResponse(200, "OK"), false};
    });
    std::uint16_t syslogPort = 0;
    const int syslogServer = testing::BindLoopbackSocket(SOCK_DGRAM, syslogPort);

    EventLoop loop;
    TOrlThreadPoolManager pool(loop);
    std::vector<std::string> outcomes;
    int done = 0;
    pool.SetOnWorkItemDone([&](TOrlThreadPoolManager&, TOrlTPWorkItem& item) {
        EXPECT_EQ(item.Status(), WorkItemStatus::Completed);
        if (const auto* url = dynamic_cast<const ThreadURL*>(&item)) {
            outcomes.push_back(url->Request().url + " " + std::to_string(url->ResponseCode()) +
                               " " + url->ResultText());
        } else if (const auto* forward = dynamic_cast<const ThreadSysLog*>(&item)) {
            outcomes.push_back(forward->Text() + " " + forward->ResultDetail());
        }
        if (++done == 2 * kJobsPerMethod) {
            loop.Stop();
        }
    });

    AlarmMethodSettings http;
    http.ip = gateway.BaseUrl() + "/?to=$MSISDN";
    http.url_method = "Get";
    AlarmMethodSettings forward;
    forward.ip = "127.0.0.1";
    forward.port = syslogPort;
    std::set<std::string> expected;
    for (int job = 0; job < kJobsPerMethod; ++job) {
        const std::string number =
            job % 2 == 0 ? "refuse" + std::to_string(job) : std::to_string(job);
        pool.QueueWorkItem(MakeThreadURL(http, {}, number, "text"));
        expected.insert(gateway.BaseUrl() + "/?to=" + number + " " +
                        (job % 2 == 0 ? "403 Error" : "200 Sent"));
        const std::string text = "job " + std::to_string(job);
        pool.QueueWorkItem(MakeThreadSysLog(forward, "Kernel", "Alert", text, "192.0.2.7"));
        expected.insert(text + " [SysLog Alarm Sent Succeed]");
    }
    const TimerId watchdog =
        loop.StartTimer(std::chrono::minutes(1), TimerMode::kOneShot, [&] { loop.Stop(); });
    loop.Run();
    loop.StopTimer(watchdog);

    EXPECT_EQ(std::set<std::string>(outcomes.begin(), outcomes.end()), expected);
    EXPECT_EQ(outcomes.size(), expected.size());
    int datagrams = 0;
    pollfd watched{syslogServer, POLLIN, 0};
    char buffer[2048];
    while (datagrams < kJobsPerMethod && poll(&watched, 1, 5000) == 1 &&
           recv(syslogServer, buffer, sizeof buffer, 0) > 0) {
        ++datagrams;
    }
    EXPECT_EQ(datagrams, kJobsPerMethod);
    close(syslogServer);
}

// Through the dispatcher with the engine's factories: the failed deliveries are logged with the
// lines of their method, the successful ones not at all.
TEST(DeliveriesOnPoolTest, DispatcherLogsTheFailuresOfBothMethods) {
    testing::TempInstallation installation;
    testing::FixedClock clock(LocalTime{2025, 6, 7, 8, 9, 10, 6});
    HttpTestPeer gateway([](const HttpRequestRecord& request, std::size_t) -> HttpReply {
        const bool known = request.RequestLine().find("to=1") != std::string::npos;
        return {known ? HttpResponse(200, "OK") : HttpResponse(404, "Not Found"), false};
    });

    auto configuration = std::make_shared<ConfigurationSnapshot>();
    AlarmMethodSettings& http = configuration->Method(AlarmMethod::SmsByHttp);
    http.enable = true;
    http.ip = gateway.BaseUrl() + "/?to=$MSISDN";
    http.url_method = "Get";
    AlarmMethodSettings& forward = configuration->Method(AlarmMethod::SysLog);
    forward.enable = true;
    forward.ip = "127.0.0.1";
    forward.port = 0;

    const PublishedSettings settings(installation.Settings());
    DeliveryFactories factories;
    RegisterHttpSmsDelivery(factories);
    RegisterSysLogDelivery(factories, settings);
    EventLoop loop;
    TOrlThreadPoolManager pool(loop);
    AlarmDispatcher dispatcher(loop, pool, factories, [configuration] { return configuration; });
    dispatcher.InstallHandlers();
    int done = 0;
    pool.SetOnWorkItemDone([&](TOrlThreadPoolManager& from, TOrlTPWorkItem& item) {
        dispatcher.OnWorkItemDone(from, item);
        if (++done == 3) {
            loop.Stop();
        }
    });

    AlarmJob job;
    job.Method = "SMS by HTTP";
    job.Text = "10.1.2.3 Kernel Alert x";
    job.Recipient = "1";
    dispatcher.DispatchAlarm(job);
    job.Recipient = "2";
    dispatcher.DispatchAlarm(job);
    job.Method = "SysLog";
    job.FacilityName = "Kernel";
    job.SeverityName = "Alert";
    dispatcher.DispatchAlarm(job);
    const TimerId watchdog =
        loop.StartTimer(std::chrono::minutes(1), TimerMode::kOneShot, [&] { loop.Stop(); });
    loop.Run();
    loop.StopTimer(watchdog);

    EXPECT_EQ(done, 3);
    const std::string log = ReadWholeFile(installation.LogFolder() + "system_2025-06-07.log");
    const std::string url = gateway.BaseUrl() + "/?to=2";
    EXPECT_NE(log.find(" Alarming Message - HTTP-SMS : Response code=404 [" + url +
                       ":0 HTTP Alarm Connection Error:HTTP/1.1 404 Not Found] \r\n"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find(" Alarming Message - SysLog : error [SysLog Alarm Sent "
                       "Error:ERR10002 Port required] \r\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("to=1"), std::string::npos) << log;
}

}  // namespace
}  // namespace trevalon
