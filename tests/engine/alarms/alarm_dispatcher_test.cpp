#include "engine/alarms/alarm_dispatcher.h"

#include <algorithm>
#include <filesystem>
#include <latch>
#include <map>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/alarms/delivery_factories.h"
#include "engine/engine_deliveries.h"
#include "engine/snmp/thread_snmp.h"
#include "engine/storage/thread_db_mysql_execute_for_syslog.h"
#include "foundation/event_loop.h"
#include "tests/engine/pool/pool_test_support.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::Gate;
using testing::TempInstallation;

std::string_view TitleOf(AlarmMethod method) {
    switch (method) {
        case AlarmMethod::Email:
            return kSmtpFailureTitle;
        case AlarmMethod::Sms:
            return kSmsFailureTitle;
        case AlarmMethod::SmsByHttp:
            return kHttpSmsFailureTitle;
        case AlarmMethod::SysLog:
            return kSysLogFailureTitle;
        case AlarmMethod::Snmp:
            return kSnmpFailureTitle;
        case AlarmMethod::Snpp:
            return kSnppFailureTitle;
    }
    return {};
}

// What a test delivery does when it runs.
struct Script {
    bool succeed = true;
    std::string detail = "[Alarm Sent Succeed]";
    int responseCode = 0;  // set: the item reports like the HTTP SMS delivery
    std::function<void()> work;
    bool releaseRaises = false;
};

class ScriptedDelivery : public DeliveryWorkItem {
  public:
    ScriptedDelivery(AlarmMethod method, Script script)
        : DeliveryWorkItem(TitleOf(method), DeliveryKind::kAlarm), script_(std::move(script)) {}

    void Execute() override {
        if (script_.work) {
            script_.work();
        }
        SetSucceeded(script_.succeed);
        SetResultText(script_.succeed ? "Sent" : "Error");
        SetResultDetail(script_.detail);
    }

    std::string FailureLine() const override {
        return script_.responseCode != 0
                   ? FailureLineWith("Response code=" + std::to_string(script_.responseCode))
                   : DeliveryWorkItem::FailureLine();
    }

    void ReleaseTexts() override {
        if (script_.releaseRaises) {
            throw std::runtime_error("still in use");
        }
        DeliveryWorkItem::ReleaseTexts();
    }

  private:
    Script script_;
};

AlarmJob Job(std::string method, std::string recipient) {
    AlarmJob job;
    job.Method = std::move(method);
    job.TimeStamp = "t";
    job.Text = "text";
    job.Recipient = std::move(recipient);
    return job;
}

struct Built {
    std::string method;
    std::string recipient;
    std::string text;
    std::string timeStamp;
};

struct Row {
    std::int32_t id;
    std::string method;
    std::string recipients;
    std::string text;
    std::string timeStamp;
};

struct Finish {
    std::int32_t id;
    std::string status;
};

class AlarmDispatcherTest : public ::testing::Test {
  protected:
    AlarmDispatcherTest()
        : pool_(std::make_unique<TOrlThreadPoolManager>(loop_)),
          dispatcher_(loop_, *pool_, factories_, [this] { return Configuration(); }) {
        for (const AlarmMethod method : kAlarmMethods) {
            configuration_->Method(method).enable = true;
            factories_.Register(
                method, [this, method](const AlarmJob& job, const AlarmMethodSettings&,
                                       const ConfigurationSnapshot&) {
                    {
                        std::lock_guard lock(builtMutex_);
                        built_.push_back({job.Method, job.Recipient, job.Text, job.TimeStamp});
                    }
                    const auto planned = scripts_.find(job.Method + "/" + job.Recipient);
                    return std::make_unique<ScriptedDelivery>(
                        method, planned == scripts_.end() ? Script{} : planned->second);
                });
        }
        configuration_->Method(AlarmMethod::SysLog).ip = "192.0.2.50";
        configuration_->Method(AlarmMethod::Snmp).ip = "192.0.2.60";
        dispatcher_.SetObserver(&list_);
        dispatcher_.InstallHandlers();
        // Counts completions around the dispatcher's own handler.
        pool_->SetOnWorkItemDone([this](TOrlThreadPoolManager& pool, TOrlTPWorkItem& item) {
            dispatcher_.OnWorkItemDone(pool, item);
            ++done_;
        });
    }

    ~AlarmDispatcherTest() override { pool_.reset(); }

    std::shared_ptr<const ConfigurationSnapshot> Configuration() const {
        if (configurationGone_) {
            throw std::runtime_error("cache gone");
        }
        return configuration_;
    }

    // The alarm list of the manager, as the dispatcher feeds it.
    class ListObserver : public EngineObserver {
      public:
        explicit ListObserver(AlarmDispatcherTest& test) : test_(test) {}

        void AlarmQueued(std::int32_t id, const std::string& timeStamp, const std::string& text,
                         const std::string& method, const std::string& recipients) override {
            if (failing) {
                throw std::runtime_error("list full");
            }
            EXPECT_TRUE(test_.loop_.IsOwnerThread());
            test_.rows_.push_back({id, method, recipients, text, timeStamp});
            test_.events_.push_back("row " + std::to_string(id));
        }
        void AlarmFinished(std::int32_t id, const std::string& status) override {
            if (failing) {
                ++test_.done_;
                throw std::runtime_error("no such row");
            }
            EXPECT_TRUE(test_.loop_.IsOwnerThread());
            test_.finished_.push_back({id, status});
            test_.events_.push_back("status " + std::to_string(id));
        }
        void ErrorCaught(const std::string& text) override {
            EXPECT_TRUE(test_.loop_.IsOwnerThread());
            test_.shown_.push_back(text);
        }

        // Every list operation raises.
        bool failing = false;

      private:
        AlarmDispatcherTest& test_;
    };

    // Runs the owner loop until `items` completions and `rows` alarm rows have been handled.
    void RunUntil(std::size_t items, std::size_t rows) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        const TimerId check =
            loop_.StartTimer(std::chrono::milliseconds(1), TimerMode::kRepeating, [&] {
                if ((done_ >= items && rows_.size() >= rows) ||
                    std::chrono::steady_clock::now() > deadline) {
                    loop_.Stop();
                }
            });
        loop_.Run();
        loop_.StopTimer(check);
        ASSERT_EQ(done_, items);
        ASSERT_EQ(rows_.size(), rows);
    }

    std::string Log() const {
        std::string text;
        for (const auto& entry : std::filesystem::directory_iterator(installation_.LogFolder())) {
            text += testing::ReadWholeFile(entry.path().string());
        }
        return text;
    }

    void Link(int rule, std::string name, std::string email, std::string sms, std::string pager) {
        configuration_->Contacts.push_back(
            {rule, std::move(name), std::move(email), std::move(sms), std::move(pager)});
    }

    TempInstallation installation_;
    EventLoop loop_;
    std::unique_ptr<TOrlThreadPoolManager> pool_;
    DeliveryFactories factories_;
    std::shared_ptr<ConfigurationSnapshot> configuration_ =
        std::make_shared<ConfigurationSnapshot>();
    std::map<std::string, Script> scripts_;
    bool configurationGone_ = false;
    RowConnectionCaches rowConnections_;
    ListObserver list_{*this};
    AlarmDispatcher dispatcher_;

    // Filled on the dispatching threads.
    std::mutex builtMutex_;
    std::vector<Built> built_;
    // Owner thread only.
    std::vector<Row> rows_;
    std::vector<Finish> finished_;
    std::vector<std::string> events_;
    std::vector<std::string> shown_;
    std::size_t done_ = 0;
};

TEST_F(AlarmDispatcherTest, ContactsFanOutPerContactInCacheOrderAndTheMailComesLast) {
    Link(3, "first", "a@example.org", "111", "p1");
    Link(4, "other rule", "z@example.org", "999", "p9");
    Link(3, "second", "", "222", "");
    Link(3, "third", "b@example.org", "", "");
    Link(3, "first again", "a@example.org", "", "");
    dispatcher_.FanOutContacts(3, "2024-03-01 12:00:05", true, true, true, true, "text");
    ASSERT_NO_FATAL_FAILURE(RunUntil(6, 6));

    const std::vector<std::pair<std::string, std::string>> expected = {
        {"SMS", "111"},         {"SMS by HTTP", "111"},
        {"SNPP", "p1"},         {"SMS", "222"},
        {"SMS by HTTP", "222"}, {"Email", "a@example.org;b@example.org;a@example.org"},
    };
    ASSERT_EQ(built_.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(built_[i].method, expected[i].first) << i;
        EXPECT_EQ(built_[i].recipient, expected[i].second) << i;
        EXPECT_EQ(built_[i].text, "text");
        EXPECT_EQ(built_[i].timeStamp, "2024-03-01 12:00:05");
        // Queued in the same order: IDs 1, 2, 3, ...
        EXPECT_EQ(rows_[i].id, static_cast<std::int32_t>(i + 1));
        EXPECT_EQ(rows_[i].method, expected[i].first);
        EXPECT_EQ(rows_[i].recipients, expected[i].second);
    }
    EXPECT_EQ(Log(), "");
}

TEST_F(AlarmDispatcherTest, DisabledUnknownAndUnwantedMethodsAreSkippedSilently) {
    Link(3, "first", "", "111", "p1");
    configuration_->Method(AlarmMethod::Sms).enable = false;
    configuration_->Method(AlarmMethod::SysLog).enable = false;
    // E-mail is wanted, but no contact has an address.
    dispatcher_.FanOutContacts(3, "t", false, true, true, true, "text");
    dispatcher_.DispatchAlarm(Job("SysLog", "192.0.2.50"));
    dispatcher_.DispatchAlarm(Job("sms", "111"));
    dispatcher_.DispatchAlarm(Job("Email ", "a@example.org"));
    dispatcher_.FanOutContacts(0, "t", true, true, true, true, "text");
    ASSERT_NO_FATAL_FAILURE(RunUntil(1, 1));
    ASSERT_EQ(built_.size(), 1u);
    EXPECT_EQ(built_[0].method, "SMS by HTTP");
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(shown_.empty());
}

TEST_F(AlarmDispatcherTest, ForwardAndTrapRowsShowTheTargetHost) {
    dispatcher_.DispatchAlarm(Job("SysLog", "192.0.2.50"));
    dispatcher_.DispatchAlarm(Job("SNMP", ""));
    ASSERT_NO_FATAL_FAILURE(RunUntil(2, 2));
    EXPECT_EQ(rows_[0].recipients, "192.0.2.50");
    EXPECT_EQ(rows_[1].recipients, "192.0.2.60");
    EXPECT_EQ(built_[1].recipient, "");
}

TEST_F(AlarmDispatcherTest, FailedItemsAreLoggedWithTheLineOfTheirClass) {
    pool_->SetMaxPooled(1);
    pool_->SetMaxQueueLength(1);
    Gate gate;
    std::latch started(1);
    scripts_["SNPP/p1"] = Script{false,
                                 "[pager.invalid:444 SNPP Alarm Connection Error:ERR10003 "
                                 "Invalid Host/IP]",
                                 0, [&] {
                                     started.count_down();
                                     gate.Wait();
                                 }};
    scripts_["SMS by HTTP/111"] = Script{false, "[HTTP Status: 404 Not Found]", 404, {}};
    dispatcher_.DispatchAlarm(Job("SNPP", "p1"));
    started.wait();
    dispatcher_.DispatchAlarm(Job("SMS by HTTP", "111"));
    // The queue is full now: these three are refused without running; the last one is no
    // delivery and is not logged.
    dispatcher_.DispatchAlarm(Job("Email", "a@example.org"));
    pool_->QueueWorkItem(std::make_unique<ThreadDBMySQLExecuteForSysLog>(
        "Insert", "localhost", "3306", "trevalon", "nobody", "", "insert", "t", "s", "f", "v", "m",
        "none", rowConnections_));
    pool_->QueueWorkItem(std::make_unique<testing::TestItem>());
    gate.Open();
    ASSERT_NO_FATAL_FAILURE(RunUntil(5, 3));
    // Not logged either: it succeeds.
    dispatcher_.DispatchAlarm(Job("SMS", "111"));
    ASSERT_NO_FATAL_FAILURE(RunUntil(6, 4));

    const std::string log = Log();
    EXPECT_NE(
        log.find(" [ERROR] Alarming Message - SMTP : error  Execution queue is too long.\r\n"),
        std::string::npos)
        << log;
    EXPECT_NE(log.find(" [ERROR] MySQL Backup Error : error  Execution queue is too long.\r\n"),
              std::string::npos);
    EXPECT_NE(log.find(" [ERROR] Alarming Message - SNPP : error [pager.invalid:444 SNPP Alarm "
                       "Connection Error:ERR10003 Invalid Host/IP] \r\n"),
              std::string::npos);
    EXPECT_NE(log.find(" [ERROR] Alarming Message - HTTP-SMS : Response code=404 [HTTP Status: "
                       "404 Not Found] \r\n"),
              std::string::npos);
    EXPECT_EQ(log.find("Alarming Message - SMS :"), std::string::npos);

    // Every row is added before its status; a refused item shows "Error".
    ASSERT_EQ(finished_.size(), 4u);
    for (const Finish& finish : finished_) {
        const auto row = std::find_if(rows_.begin(), rows_.end(),
                                      [&](const Row& r) { return r.id == finish.id; });
        ASSERT_NE(row, rows_.end());
        const std::string expected = row->method == "SMS" ? "Sent" : "Error";
        EXPECT_EQ(finish.status, expected) << row->method;
    }
}

TEST_F(AlarmDispatcherTest, HooksRunOnTheOwnerThreadAndEveryRowComesBeforeItsStatus) {
    constexpr int kThreads = 4;
    constexpr int kJobsEach = 50;
    {
        std::vector<std::jthread> receivers;
        for (int thread = 0; thread < kThreads; ++thread) {
            receivers.emplace_back([this, thread] {
                for (int job = 0; job < kJobsEach; ++job) {
                    dispatcher_.DispatchAlarm(
                        Job("SNPP", std::to_string(thread) + "/" + std::to_string(job)));
                }
            });
        }
    }
    ASSERT_NO_FATAL_FAILURE(RunUntil(kThreads * kJobsEach, kThreads * kJobsEach));
    std::map<std::int32_t, int> seen;
    for (const std::string& event : events_) {
        const bool row = event.starts_with("row ");
        const std::int32_t id = std::stoi(event.substr(row ? 4 : 7));
        EXPECT_EQ(seen[id], row ? 0 : 1) << event;
        seen[id] = row ? 1 : 2;
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kJobsEach));
    EXPECT_EQ(
        std::count_if(seen.begin(), seen.end(), [](const auto& id) { return id.second == 2; }),
        kThreads * kJobsEach);
}

TEST_F(AlarmDispatcherTest, AStatusThatArrivesBeforeItsRowIsHeldBackUntilTheRowExists) {
    auto feed = std::make_shared<AlarmListFeed>(loop_, &list_);
    ScriptedDelivery item(AlarmMethod::Snpp, {});
    feed->ExpectRow(item);
    feed->Finished(item, "Sent");
    EXPECT_TRUE(finished_.empty());
    feed->AddRow(item.ID(), "t", "text", "SNPP", "p1");
    loop_.Post([this] { loop_.Stop(); });
    loop_.Run();
    ASSERT_EQ(rows_.size(), 1u);
    ASSERT_EQ(finished_.size(), 1u);
    EXPECT_EQ(finished_[0].status, "Sent");
}

TEST_F(AlarmDispatcherTest, ErrorsAreLoggedWithTheirCodesAndTheOtherJobsStillGo) {
    Link(3, "first", "a@example.org", "111", "");
    factories_.Register(AlarmMethod::Email,
                        [](const AlarmJob&, const AlarmMethodSettings&,
                           const ConfigurationSnapshot&) -> std::unique_ptr<DeliveryWorkItem> {
                            throw std::runtime_error("  no mail today \t");
                        });
    factories_.Register(AlarmMethod::Snpp, {});
    dispatcher_.FanOutContacts(3, "t", false, false, true, true, "text");
    dispatcher_.DispatchAlarm(Job("SNPP", "p1"));
    scripts_["SMS/222"].releaseRaises = true;
    dispatcher_.DispatchAlarm(Job("SMS", "222"));
    ASSERT_NO_FATAL_FAILURE(RunUntil(2, 2));

    configurationGone_ = true;
    dispatcher_.FanOutContacts(3, "t", true, true, true, true, "text");
    dispatcher_.DispatchAlarm(Job("SMS", "111"));
    dispatcher_.OnPoolError(*pool_, -1, "Unknown message on the thread queue.");
    loop_.Post([this] { loop_.Stop(); });
    loop_.Run();

    const std::string log = Log();
    const std::vector<std::string> lines = {
        "ERR00402 : Creating thread error. : no mail today",
        "ERR00402 : Creating thread error. : No delivery is registered for method SNPP",
        "ERR00405 : Freeing thread error.",
        "ERR90002 : cache gone",
        "ERR00402 : Creating thread error. : cache gone",
        "ERR00401 : Alarming thread error. : Unknown message on the thread queue.",
    };
    for (const std::string& line : lines) {
        EXPECT_NE(log.find(" [ERROR] " + line + "\r\n"), std::string::npos) << line << "\n" << log;
    }
    EXPECT_EQ(shown_, (std::vector<std::string>{lines[0], lines[1], lines[3], lines[4]}));
    EXPECT_EQ(built_.size(), 2u);
}

TEST_F(AlarmDispatcherTest, FailingListHooksAreLoggedAndTheDispatcherGoesOn) {
    list_.failing = true;
    dispatcher_.DispatchAlarm(Job("SNPP", "p1"));
    ASSERT_NO_FATAL_FAILURE(RunUntil(2, 0));
    const std::string log = Log();
    EXPECT_NE(log.find(" [ERROR] ERR90003 : list full\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" [ERROR] ERR00403 : Receiving thread error.\r\n"), std::string::npos);
    EXPECT_EQ(shown_, std::vector<std::string>{"ERR90003 : list full"});
}

TEST(EngineDeliveries, EveryMethodHasItsDeliveryAndSnmpJobsUseTheEnginesAgent) {
    const PublishedSettings engineSettings;
    SnmpTrapAgent agent;
    DeliveryFactories factories;
    RegisterEngineDeliveries(factories, engineSettings, agent);
    for (const AlarmMethod method : kAlarmMethods) {
        EXPECT_NE(factories.Find(method), nullptr) << AlarmMethodType(method);
    }
    ConfigurationSnapshot configuration;
    AlarmMethodSettings& settings = configuration.Method(AlarmMethod::Snmp);
    settings.ip = "192.0.2.60";
    settings.port = 1161;
    AlarmJob job;
    job.Method = "SNMP";
    job.SnmpVersion = 2;
    std::unique_ptr<DeliveryWorkItem> item =
        (*factories.Find(AlarmMethod::Snmp))(job, settings, configuration);
    ASSERT_NE(dynamic_cast<ThreadSNMP*>(item.get()), nullptr);
    EXPECT_EQ(item->Kind(), DeliveryKind::kAlarm);
    EXPECT_EQ(item->FailureLine(), "Alarming Message - SNMP : error  ");
}

}  // namespace
}  // namespace trevalon
