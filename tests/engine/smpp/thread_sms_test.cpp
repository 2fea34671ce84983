#include <cerrno>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "engine/alarms/alarm_dispatcher.h"
#include "engine/pool/thread_pool_manager.h"
#include "engine/smpp/sequence_counter.h"
#include "engine/smpp/sms_delivery.h"
#include "engine/smpp/thread_sms.h"
#include "foundation/catalogue.h"
#include "foundation/event_loop.h"
#include "tests/engine/smpp/node_peer.h"
#include "tests/engine/smpp/scripted_smsc.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/loopback_ports.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::Bytes;
using testing::CString;
using testing::MakePdu;
using testing::NodeSmsc;
using testing::operator+;
using testing::PeerEvent;
using testing::ScriptedSmsc;
using testing::SmppPdu;
using testing::SmscConnection;

constexpr std::uint32_t kBindTransmitter = 0x00000002;
constexpr std::uint32_t kBindTransmitterResp = 0x80000002;
constexpr std::uint32_t kSubmitSm = 0x00000004;
constexpr std::uint32_t kSubmitSmResp = 0x80000004;
constexpr std::uint32_t kUnbind = 0x00000006;
constexpr std::uint32_t kUnbindResp = 0x80000006;
constexpr std::uint32_t kGenericNack = 0x80000000;

constexpr const char* kSent = "[SMPP Alarm Sent Succeed]";

// The "SMS" method as configured, with a distinct number in every octet field so that no two
// can be mixed up on the wire.
AlarmMethodSettings SmsMethod(int port) {
    AlarmMethodSettings method;
    method.enable = true;
    method.ip = "127.0.0.1";
    method.port = port;
    method.authenticate = true;
    method.username = "trevalon";
    method.password = "secret";
    method.sms_oa = "SYSLOG";
    method.sms_version = 34;
    method.sms_system_type = "SYS";
    method.sms_ton = 2;
    method.sms_npi = 3;
    method.sms_dest_ton = 4;
    method.sms_dest_npi = 5;
    method.sms_orig_ton = 6;
    method.sms_orig_npi = 7;
    method.timeout = 2000;
    return method;
}

std::string Detail(std::string_view failure, int code) {
    return std::string(failure) + std::to_string(code) + "]";
}

std::optional<SmppPdu> Expect(SmscConnection& connection, std::uint32_t commandId) {
    auto pdu = connection.ReadPdu();
    EXPECT_TRUE(pdu.has_value()) << "no PDU where " << std::hex << commandId << " was expected";
    if (pdu) {
        EXPECT_EQ(pdu->CommandId, commandId);
    }
    return pdu;
}

void AcceptBind(SmscConnection& connection) {
    if (const auto bind = Expect(connection, kBindTransmitter)) {
        connection.Send(MakePdu(kBindTransmitterResp, 0, bind->SequenceNumber, CString("SMSC")));
    }
}

void AnswerUnbind(SmscConnection& connection, std::uint32_t status = 0) {
    if (const auto unbind = Expect(connection, kUnbind)) {
        connection.Send(MakePdu(kUnbindResp, status, unbind->SequenceNumber));
    }
}

// The client sends nothing more and closes its end.
void ExpectClosedWithoutMore(SmscConnection& connection) {
    const auto more = connection.ReadPdu();
    EXPECT_FALSE(more.has_value()) << "unexpected PDU " << std::hex << more->CommandId;
    EXPECT_TRUE(connection.WaitClosed());
}

struct Outcome {
    bool succeeded;
    std::string text;
    std::string detail;
};

Outcome RunJob(const AlarmMethodSettings& method, const std::string& destination = "5551234",
               const std::string& message = "10.0.0.7 Kernel Alert disk full") {
    ThreadSMS job(method, destination, message);
    job.Execute();
    return {job.Succeeded(), job.ResultText(), job.ResultDetail()};
}

TEST(ThreadSms, SendsBindSubmitAndUnbindByteForByte) {
    // '{', '}' and the euro sign take the escape; é arrives once as UTF-8 and once as a lone
    // Latin-1 byte.
    const std::string message = "10.0.0.7 Kernel Alert {disk} $5 caf\xC3\xA9 \xE2\x82\xAC \xE9!";
    const Bytes gsm =
        Bytes{'1', '0',  '.', '0', '.', '0', '.', '7',  ' ',  'K',  'e',  'r', 'n',  'e',  'l',
              ' ', 'A',  'l', 'e', 'r', 't', ' ', 0x1B, 0x28, 'd',  'i',  's', 'k',  0x1B, 0x29,
              ' ', 0x02, '5', ' ', 'c', 'a', 'f', 0x05, ' ',  0x1B, 0x65, ' ', 0x05, '!'};
    ScriptedSmsc smsc;
    smsc.Run([&](SmscConnection& connection) {
        const auto bind = Expect(connection, kBindTransmitter);
        ASSERT_TRUE(bind);
        EXPECT_EQ(bind->Raw, MakePdu(kBindTransmitter, 0, 500,
                                     CString("trevalon") + CString("secret") + CString("SYS") +
                                         Bytes{0x22, 2, 3} + CString("SYSLOG")));
        connection.Send(MakePdu(kBindTransmitterResp, 0, 500, CString("SMSC")));
        const auto submit = Expect(connection, kSubmitSm);
        ASSERT_TRUE(submit);
        EXPECT_EQ(submit->Raw,
                  MakePdu(kSubmitSm, 0, 501,
                          CString("") + Bytes{6, 7} + CString("SYSLOG") + Bytes{4, 5} +
                              CString("5551234") + Bytes{0, 0, 0} + CString("") + CString("") +
                              Bytes{1, 0, 0, 0, static_cast<std::uint8_t>(gsm.size())} + gsm));
        connection.Send(MakePdu(kSubmitSmResp, 0, 501, CString("id-1")));
        const auto unbind = Expect(connection, kUnbind);
        ASSERT_TRUE(unbind);
        EXPECT_EQ(unbind->Raw, MakePdu(kUnbind, 0, 502));
        connection.Send(MakePdu(kUnbindResp, 0, 502));
        EXPECT_TRUE(connection.WaitClosed());
    });
    SetSequenceCounter(500);
    const Outcome outcome = RunJob(SmsMethod(smsc.Port()), "5551234", message);
    smsc.Finish();
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.text, "Sent");
    EXPECT_EQ(outcome.detail, kSent);
}

TEST(ThreadSms, WithoutAuthenticationTheBindCarriesNoCredentials) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        const auto bind = Expect(connection, kBindTransmitter);
        ASSERT_TRUE(bind);
        EXPECT_EQ(bind->Raw, MakePdu(kBindTransmitter, 0, bind->SequenceNumber,
                                     Bytes{0x00, 0x00} + CString("SYS") + Bytes{0x22, 2, 3} +
                                         CString("SYSLOG")));
        connection.Send(MakePdu(kBindTransmitterResp, 0x0E, bind->SequenceNumber));
        // A refused bind is not followed by an unbind.
        ExpectClosedWithoutMore(connection);
    });
    AlarmMethodSettings method = SmsMethod(smsc.Port());
    method.authenticate = false;
    const Outcome outcome = RunJob(method);
    smsc.Finish();
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.text, "Error");
    EXPECT_EQ(outcome.detail, Detail(catalogue::kSmppBindingFailed, 14));
}

TEST(ThreadSms, ResponseTimeOutFallsBackToFiveSeconds) {
    AlarmMethodSettings method = SmsMethod(1);
    EXPECT_EQ(ThreadSMS(method, "1", "x").ResponseTimeOut(), 2000);
    method.timeout = 0;
    EXPECT_EQ(ThreadSMS(method, "1", "x").ResponseTimeOut(), 5000);
    method.timeout = -7;
    EXPECT_EQ(ThreadSMS(method, "1", "x").ResponseTimeOut(), 5000);
}

TEST(ThreadSms, ConnectFailuresGiveTheSocketErrorInDecimal) {
    const testing::ClosedLoopbackPort closed;
    AlarmMethodSettings method = SmsMethod(closed.Port());
    const Outcome refused = RunJob(method);
    EXPECT_FALSE(refused.succeeded);
    EXPECT_EQ(refused.text, "Error");
    EXPECT_EQ(refused.detail, Detail(catalogue::kSmppConnectionFailed, ECONNREFUSED));

    // A name beginning with a digit is never looked up; an empty host is not this machine.
    for (const char* host : {"1gateway", ""}) {
        method.ip = host;
        EXPECT_EQ(RunJob(method).detail, Detail(catalogue::kSmppConnectionFailed, EADDRNOTAVAIL))
            << "host '" << host << "'";
    }
}

// What the SMSC does after reading the bind, and the code the job then reports.
struct BindCase {
    const char* name;
    std::function<void(SmscConnection&, const SmppPdu& bind)> answer;
    int code;
};

TEST(ThreadSms, EveryBindFailureEndsTheJobWithItsCode) {
    const std::vector<BindCase> cases = {
        {"refused",
         [](SmscConnection& c, const SmppPdu& bind) {
             c.Send(MakePdu(kBindTransmitterResp, 0x0E, bind.SequenceNumber));
         },
         14},
        {"generic_nack",
         [](SmscConnection& c, const SmppPdu& bind) {
             c.Send(MakePdu(kGenericNack, 0x03, bind.SequenceNumber));
         },
         -3},
        {"never answers", [](SmscConnection&, const SmppPdu&) {}, -1},
    };
    for (const BindCase& bindCase : cases) {
        SCOPED_TRACE(bindCase.name);
        ScriptedSmsc smsc;
        smsc.Run([&](SmscConnection& connection) {
            if (const auto bind = Expect(connection, kBindTransmitter)) {
                bindCase.answer(connection, *bind);
            }
            ExpectClosedWithoutMore(connection);
        });
        AlarmMethodSettings method = SmsMethod(smsc.Port());
        method.timeout = 300;
        const Outcome outcome = RunJob(method);
        smsc.Finish();
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.text, "Error");
        EXPECT_EQ(outcome.detail, Detail(catalogue::kSmppBindingFailed, bindCase.code));
    }
}

// Bytes that are no PDU, or a PDU cut off by the SMSC's close, end the job at once: the
// response time-out is long, and the job must finish well before it.
TEST(ThreadSms, GarbageOrACloseMidPduEndsTheJobBeforeTheTimeOut) {
    const std::vector<std::pair<const char*, Bytes>> answers = {
        {"text instead of a PDU",
         Bytes{'H', 'T', 'T', 'P', '/', '1', '.', '1', ' ', '4', '0', '0', '\r', '\n', '\r', '\n'}},
        {"command_length below 16", Bytes{0, 0, 0, 8, 0x80, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"command_length above the buffer",
         Bytes{0, 0, 0x20, 0x01, 0x80, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"closed mid-PDU", Bytes{0, 0, 0, 22, 0x80, 0, 0, 2, 0, 0}},
    };
    constexpr int kTimeOut = 30000;
    for (const auto& [name, answer] : answers) {
        SCOPED_TRACE(name);
        ScriptedSmsc smsc;
        smsc.Run([&answer](SmscConnection& connection) {
            if (Expect(connection, kBindTransmitter)) {
                connection.Send(answer);
            }
            connection.Close();
        });
        AlarmMethodSettings method = SmsMethod(smsc.Port());
        method.timeout = kTimeOut;
        const auto started = std::chrono::steady_clock::now();
        const Outcome outcome = RunJob(method);
        const auto took = std::chrono::steady_clock::now() - started;
        smsc.Finish();
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.text, "Error");
        EXPECT_EQ(outcome.detail, Detail(catalogue::kSmppBindingFailed, -1));
        EXPECT_LT(took, std::chrono::milliseconds(kTimeOut));
    }
}

TEST(ThreadSms, EverySubmitFailureStillUnbinds) {
    const std::vector<BindCase> cases = {
        {"refused",
         [](SmscConnection& c, const SmppPdu& submit) {
             c.Send(MakePdu(kSubmitSmResp, 0x45, submit.SequenceNumber));
         },
         69},
        {"generic_nack",
         [](SmscConnection& c, const SmppPdu& submit) {
             c.Send(MakePdu(kGenericNack, 0x03, submit.SequenceNumber));
         },
         -3},
        {"never answers", [](SmscConnection&, const SmppPdu&) {}, -1},
    };
    for (const BindCase& submitCase : cases) {
        SCOPED_TRACE(submitCase.name);
        ScriptedSmsc smsc;
        smsc.Run([&](SmscConnection& connection) {
            AcceptBind(connection);
            if (const auto submit = Expect(connection, kSubmitSm)) {
                submitCase.answer(connection, *submit);
            }
            AnswerUnbind(connection);
            EXPECT_TRUE(connection.WaitClosed());
        });
        AlarmMethodSettings method = SmsMethod(smsc.Port());
        method.timeout = 300;
        const Outcome outcome = RunJob(method);
        smsc.Finish();
        EXPECT_FALSE(outcome.succeeded);
        EXPECT_EQ(outcome.text, "Error");
        EXPECT_EQ(outcome.detail, Detail(catalogue::kSmppSendingFailed, submitCase.code));
    }
}

TEST(ThreadSms, SmscClosingWhileBoundFailsTheSubmit) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        Expect(connection, kSubmitSm);
        connection.Close();
    });
    AlarmMethodSettings method = SmsMethod(smsc.Port());
    method.timeout = 30000;
    const Outcome outcome = RunJob(method);
    smsc.Finish();
    EXPECT_EQ(outcome.detail, Detail(catalogue::kSmppSendingFailed, -1));
}

TEST(ThreadSms, RefusedUnbindLeavesTheMessageSent) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        if (const auto submit = Expect(connection, kSubmitSm)) {
            connection.Send(MakePdu(kSubmitSmResp, 0, submit->SequenceNumber, CString("id-9")));
        }
        AnswerUnbind(connection, 0x08);
        EXPECT_TRUE(connection.WaitClosed());
    });
    const Outcome outcome = RunJob(SmsMethod(smsc.Port()));
    smsc.Finish();
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.detail, kSent);
}

// Against the npm smpp package as the SMSC.
TEST(ThreadSmsPeer, WrongPasswordGivesTheBindingErrorWithItsCode) {
    NodeSmsc smsc("trevalon", "secret");
    ASSERT_TRUE(smsc.Started());
    AlarmMethodSettings method = SmsMethod(smsc.Port());
    method.password = "wrong";
    const Outcome outcome = RunJob(method);
    EXPECT_FALSE(outcome.succeeded);
    EXPECT_EQ(outcome.text, "Error");
    EXPECT_EQ(outcome.detail,
              "[ERR00802 : SMPP Binding Failed, please make sure username, password, "
              "TON/NPI/System Type/Version/OA are correct. : 14]");

    PeerEvent refused = smsc.Next();
    EXPECT_EQ(refused.Name, "BIND_REFUSED");
    EXPECT_EQ(refused.Fields["system_id"], "trevalon");
    EXPECT_EQ(refused.Fields["password"], "wrong");
    EXPECT_EQ(smsc.Next().Name, "CLOSED");
}

TEST(ThreadSmsPeer, SuccessfulJobSubmitsTheExpectedFieldsAndUnbinds) {
    NodeSmsc smsc("trevalon", "secret");
    ASSERT_TRUE(smsc.Started());
    SetSequenceCounter(40);
    const Outcome outcome =
        RunJob(SmsMethod(smsc.Port()), "5551234", "10.0.0.7 Kernel Alert [disk] caf\xC3\xA9");
    EXPECT_TRUE(outcome.succeeded);
    EXPECT_EQ(outcome.text, "Sent");
    EXPECT_EQ(outcome.detail, kSent);

    const PeerEvent bind = smsc.Next();
    ASSERT_EQ(bind.Name, "BIND");
    EXPECT_EQ(bind.Fields, (std::map<std::string, std::string>{{"command_id", "2"},
                                                               {"sequence_number", "40"},
                                                               {"system_id", "trevalon"},
                                                               {"password", "secret"},
                                                               {"system_type", "SYS"},
                                                               {"interface_version", "34"},
                                                               {"addr_ton", "2"},
                                                               {"addr_npi", "3"},
                                                               {"address_range", "SYSLOG"}}));
    const PeerEvent submit = smsc.Next();
    ASSERT_EQ(submit.Name, "SUBMIT");
    EXPECT_EQ(submit.Fields, (std::map<std::string, std::string>{
                                 {"sequence_number", "41"},
                                 {"service_type", ""},
                                 {"source_addr_ton", "6"},
                                 {"source_addr_npi", "7"},
                                 {"source_addr", "SYSLOG"},
                                 {"dest_addr_ton", "4"},
                                 {"dest_addr_npi", "5"},
                                 {"destination_addr", "5551234"},
                                 {"esm_class", "0"},
                                 {"protocol_id", "0"},
                                 {"priority_flag", "0"},
                                 {"schedule_delivery_time", ""},
                                 {"validity_period", ""},
                                 {"registered_delivery", "1"},
                                 {"replace_if_present_flag", "0"},
                                 {"data_coding", "0"},
                                 {"sm_default_msg_id", "0"},
                                 {"message", "10.0.0.7 Kernel Alert [disk] caf\xC3\xA9"}}));
    PeerEvent unbind = smsc.Next();
    EXPECT_EQ(unbind.Name, "UNBIND");
    EXPECT_EQ(unbind.Fields["sequence_number"], "42");
    EXPECT_EQ(smsc.Next().Name, "CLOSED");
}

// Through the dispatcher, the engine's "SMS" factory and the real pool: two jobs are two
// connections and two binds; only the failed one is logged, with the line of its method.
TEST(ThreadSmsPeer, DispatchedJobsRunOnThePoolAndTheFailureIsLogged) {
    testing::TempInstallation installation;
    testing::FixedClock clock(LocalTime{2025, 6, 7, 8, 9, 10, 6});
    NodeSmsc smsc("trevalon", "secret");
    ASSERT_TRUE(smsc.Started());

    auto wrongPassword = std::make_shared<ConfigurationSnapshot>();
    wrongPassword->Method(AlarmMethod::Sms) = SmsMethod(smsc.Port());
    wrongPassword->Method(AlarmMethod::Sms).password = "wrong";
    auto rightPassword = std::make_shared<ConfigurationSnapshot>();
    rightPassword->Method(AlarmMethod::Sms) = SmsMethod(smsc.Port());
    std::shared_ptr<const ConfigurationSnapshot> configuration = wrongPassword;

    DeliveryFactories factories;
    RegisterSmsDelivery(factories);
    EventLoop loop;
    TOrlThreadPoolManager pool(loop);
    AlarmDispatcher dispatcher(loop, pool, factories, [&configuration] { return configuration; });
    dispatcher.InstallHandlers();
    int done = 0;
    pool.SetOnWorkItemDone([&](TOrlThreadPoolManager& from, TOrlTPWorkItem& item) {
        EXPECT_NE(dynamic_cast<const ThreadSMS*>(&item), nullptr);
        dispatcher.OnWorkItemDone(from, item);
        if (++done == 2) {
            loop.Stop();
        }
    });

    AlarmJob job;
    job.Method = "SMS";
    job.Text = "10.1.2.3 Kernel Alert x";
    job.Recipient = "5550001";
    dispatcher.DispatchAlarm(job);
    configuration = rightPassword;
    job.Recipient = "5550002";
    dispatcher.DispatchAlarm(job);
    const TimerId watchdog =
        loop.StartTimer(std::chrono::minutes(1), TimerMode::kOneShot, [&] { loop.Stop(); });
    loop.Run();
    loop.StopTimer(watchdog);
    EXPECT_EQ(done, 2);

    std::multiset<std::string> events;
    std::string submittedTo;
    for (int closed = 0; closed < 2;) {
        PeerEvent event = smsc.Next();
        if (event.Name.empty()) {
            break;
        }
        events.insert(event.Name);
        closed += event.Name == "CLOSED" ? 1 : 0;
        if (event.Name == "SUBMIT") {
            submittedTo = event.Fields["destination_addr"];
        }
    }
    EXPECT_EQ(events, (std::multiset<std::string>{"BIND_REFUSED", "BIND", "SUBMIT", "UNBIND",
                                                  "CLOSED", "CLOSED"}));
    EXPECT_EQ(submittedTo, "5550002");

    const std::string log =
        testing::ReadWholeFile(installation.LogFolder() + "system_2025-06-07.log");
    const std::string line =
        " Alarming Message - SMS : error [ERR00802 : SMPP Binding Failed, please make sure "
        "username, password, TON/NPI/System Type/Version/OA are correct. : 14] \r\n";
    const auto found = log.find(line);
    EXPECT_NE(found, std::string::npos) << log;
    EXPECT_EQ(log.find("Alarming Message - SMS", found + line.size()), std::string::npos) << log;
    EXPECT_EQ(log.find("Alarming Message - SMS"), found + 1) << log;
}

}  // namespace
}  // namespace trevalon
