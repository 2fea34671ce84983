#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/smpp/sequence_counter.h"
#include "engine/smpp/smsc_relay_smpp.h"
#include "tests/engine/smpp/scripted_smsc.h"
#include "tests/support/loopback_ports.h"

namespace trevalon {
namespace {

using testing::Bytes;
using testing::CString;
using testing::MakePdu;
using testing::operator+;
using testing::ScriptedSmsc;
using testing::SmppPdu;
using testing::SmscConnection;
using testing::UnusedPort;

constexpr std::uint32_t kBindTransmitter = 0x00000002;
constexpr std::uint32_t kBindTransmitterResp = 0x80000002;
constexpr std::uint32_t kSubmitSm = 0x00000004;
constexpr std::uint32_t kSubmitSmResp = 0x80000004;
constexpr std::uint32_t kDeliverSm = 0x00000005;
constexpr std::uint32_t kDeliverSmResp = 0x80000005;
constexpr std::uint32_t kUnbind = 0x00000006;
constexpr std::uint32_t kUnbindResp = 0x80000006;
constexpr std::uint32_t kEnquireLink = 0x00000015;
constexpr std::uint32_t kEnquireLinkResp = 0x80000015;
constexpr std::uint32_t kGenericNack = 0x80000000;

// The reasons OnDisconnected reported, in order.
class DisconnectLog {
  public:
    void Attach(TtcSMSCRelay& relay) {
        relay.OnDisconnected = [this](TtcSMSCRelay&, int reason) {
            std::lock_guard lock(mutex_);
            reasons_.push_back(reason);
            changed_.notify_all();
        };
    }
    std::vector<int> WaitFor(std::size_t count) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(20), [&] { return reasons_.size() >= count; });
        return reasons_;
    }
    std::vector<int> Reasons() {
        std::lock_guard lock(mutex_);
        return reasons_;
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> reasons_;
};

std::int32_t BindAsTransmitter(TtcSMSCRelaySMPP& relay) {
    return relay.Bind("user", "secret", 1, 1, "SYS", bdTransmitter, 34, "SYSLOG");
}

std::int32_t Submit(TtcSMSCRelaySMPP& relay, std::string* messageId = nullptr) {
    std::string id;
    const std::int32_t result =
        relay.SubmitMessage("5551234", 1, 1, "SYSLOG", 1, 1, u"Hi", TtcEncodingType::et7BitText, "",
                            soRegisteredDelivery, id);
    if (messageId != nullptr) {
        *messageId = id;
    }
    return result;
}

// Reads the next PDU and checks its command.
SmppPdu Expect(SmscConnection& connection, std::uint32_t commandId) {
    const auto pdu = connection.ReadPdu();
    EXPECT_TRUE(pdu.has_value()) << "no PDU where " << std::hex << commandId << " was expected";
    if (!pdu) {
        return {};
    }
    EXPECT_EQ(pdu->CommandId, commandId);
    return *pdu;
}

void AcceptBind(SmscConnection& connection) {
    const SmppPdu bind = Expect(connection, kBindTransmitter);
    connection.Send(MakePdu(kBindTransmitterResp, 0, bind.SequenceNumber, CString("SMSC")));
}

void AcceptUnbind(SmscConnection& connection) {
    const SmppPdu unbind = Expect(connection, kUnbind);
    connection.Send(MakePdu(kUnbindResp, 0, unbind.SequenceNumber));
}

TEST(SmppSession, OperationsOutOfOrderAreRefusedWithoutSending) {
    TtcSMSCRelaySMPP relay;
    DisconnectLog log;
    log.Attach(relay);
    SetSequenceCounter(100);
    EXPECT_EQ(BindAsTransmitter(relay), -2);
    EXPECT_EQ(Submit(relay), -2);
    EXPECT_EQ(relay.Unbind(), 0);
    EXPECT_EQ(relay.State(), RelayState::rsIdle);
    // Only the refused submit took a sequence number.
    EXPECT_EQ(NextSequenceNumber(), 101u);
    EXPECT_EQ(relay.Disconnect(), 0);
    EXPECT_EQ(relay.StopListening(), 0);
}

TEST(SmppSession, ConnectFailuresGiveTheSocketError) {
    TtcSMSCRelaySMPP relay;
    const testing::ClosedLoopbackPort closed;
    EXPECT_EQ(relay.Connect("127.0.0.1", closed.Port()), ECONNREFUSED);
    EXPECT_EQ(relay.State(), RelayState::rsIdle);
    EXPECT_EQ(relay.Connect("1gateway", 2775), EADDRNOTAVAIL);

    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) { EXPECT_TRUE(connection.WaitClosed()); });
    EXPECT_EQ(relay.Connect("localhost", smsc.Port()), 0);
    EXPECT_EQ(relay.State(), RelayState::rsConnected);
    EXPECT_EQ(relay.Connect("localhost", smsc.Port()), -2);
    relay.Disconnect();
}

TEST(SmppSession, BindSubmitUnbindAndDisconnect) {
    ScriptedSmsc smsc;
    SetSequenceCounter(20);
    smsc.Run([](SmscConnection& connection) {
        const SmppPdu bind = Expect(connection, kBindTransmitter);
        EXPECT_EQ(bind.Raw, MakePdu(kBindTransmitter, 0, 20,
                                    CString("user") + CString("secret") + CString("SYS") +
                                        Bytes{0x22, 1, 1} + CString("SYSLOG")));
        connection.Send(MakePdu(kBindTransmitterResp, 0, 20, CString("SMSC")));
        const SmppPdu submit = Expect(connection, kSubmitSm);
        EXPECT_EQ(submit.Raw,
                  MakePdu(kSubmitSm, 0, 21,
                          CString("") + Bytes{1, 1} + CString("SYSLOG") + Bytes{1, 1} +
                              CString("5551234") + Bytes{0, 0, 0, 0, 0, 1, 0, 0, 0, 2, 'H', 'i'}));
        connection.Send(MakePdu(kSubmitSmResp, 0, 21, CString("id-1")));
        AcceptUnbind(connection);
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcSMSCRelaySMPP relay;
    DisconnectLog log;
    log.Attach(relay);
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    EXPECT_EQ(BindAsTransmitter(relay), 0);
    EXPECT_EQ(relay.State(), RelayState::rsBound);
    std::string messageId;
    EXPECT_EQ(Submit(relay, &messageId), 0);
    EXPECT_EQ(messageId, "id-1");
    EXPECT_EQ(relay.LastMessageId(), "id-1");
    EXPECT_EQ(relay.State(), RelayState::rsBound);
    EXPECT_EQ(relay.Unbind(), 0);
    EXPECT_EQ(relay.State(), RelayState::rsConnected);
    EXPECT_EQ(relay.Disconnect(), 0);
    EXPECT_EQ(relay.State(), RelayState::rsIdle);
    EXPECT_EQ(log.WaitFor(1), std::vector<int>{0});
    smsc.Finish();
}

TEST(SmppSession, RefusedBindLeavesTheSessionOpenedAndMayBeRepeated) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        const SmppPdu refused = Expect(connection, kBindTransmitter);
        connection.Send(MakePdu(kBindTransmitterResp, 0x0E, refused.SequenceNumber));
        // Neither the unbind nor the submit of an unbound session sends anything.
        AcceptBind(connection);
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcSMSCRelaySMPP relay;
    DisconnectLog log;
    log.Attach(relay);
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    EXPECT_EQ(BindAsTransmitter(relay), 14);
    EXPECT_EQ(relay.State(), RelayState::rsOpened);
    EXPECT_EQ(relay.Unbind(), 0);
    EXPECT_EQ(Submit(relay), -2);
    EXPECT_EQ(relay.State(), RelayState::rsOpened);
    EXPECT_EQ(BindAsTransmitter(relay), 0);
    EXPECT_EQ(relay.State(), RelayState::rsBound);
    EXPECT_EQ(relay.Disconnect(), 0);
    EXPECT_EQ(relay.State(), RelayState::rsIdle);
    EXPECT_EQ(log.WaitFor(1), std::vector<int>{0});
    smsc.Finish();
}

TEST(SmppSession, RefusedBindThenDisconnectReportsOnce) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        const SmppPdu refused = Expect(connection, kBindTransmitter);
        connection.Send(MakePdu(kBindTransmitterResp, 0x0E, refused.SequenceNumber));
        EXPECT_TRUE(connection.WaitClosed());
    });
    DisconnectLog log;
    {
        TtcSMSCRelaySMPP relay;
        log.Attach(relay);
        ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
        EXPECT_EQ(BindAsTransmitter(relay), 14);
        EXPECT_EQ(relay.Disconnect(), 0);
        EXPECT_EQ(relay.Disconnect(), 0);
    }
    EXPECT_EQ(log.Reasons(), std::vector<int>{0});
    smsc.Finish();
}

TEST(SmppSession, UnansweredRequestsTimeOut) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        Expect(connection, kBindTransmitter);
        AcceptBind(connection);
        Expect(connection, kSubmitSm);
        AcceptUnbind(connection);
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcSMSCRelaySMPP relay;
    relay.SetResponseTimeOut(200);
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    EXPECT_EQ(BindAsTransmitter(relay), -1);
    EXPECT_EQ(relay.State(), RelayState::rsOpened);
    EXPECT_EQ(BindAsTransmitter(relay), 0);
    EXPECT_EQ(Submit(relay), -1);
    EXPECT_EQ(relay.State(), RelayState::rsBound);
    relay.SetResponseTimeOut(5000);
    EXPECT_EQ(relay.Unbind(), 0);
    relay.Disconnect();
    smsc.Finish();
}

TEST(SmppSession, RefusalsAndNegativeAcknowledgementsAreResults) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        const SmppPdu refused = Expect(connection, kSubmitSm);
        connection.Send(MakePdu(kSubmitSmResp, 0x45, refused.SequenceNumber));
        const SmppPdu nacked = Expect(connection, kSubmitSm);
        connection.Send(MakePdu(kGenericNack, 0x03, nacked.SequenceNumber));
        const SmppPdu unbind = Expect(connection, kUnbind);
        connection.Send(MakePdu(kUnbindResp, 0x05, unbind.SequenceNumber));
        AcceptUnbind(connection);
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcSMSCRelaySMPP relay;
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    ASSERT_EQ(BindAsTransmitter(relay), 0);
    EXPECT_EQ(Submit(relay), 69);
    EXPECT_EQ(Submit(relay), -3);
    EXPECT_EQ(relay.State(), RelayState::rsBound);
    EXPECT_EQ(relay.Unbind(), 5);
    EXPECT_EQ(relay.State(), RelayState::rsBound);
    EXPECT_EQ(relay.Unbind(), 0);
    EXPECT_EQ(relay.State(), RelayState::rsConnected);
    relay.Disconnect();
    smsc.Finish();
}

TEST(SmppSession, SmscProbeIsAnsweredWhileTheCallerWaitsForItsReply) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        const SmppPdu submit = Expect(connection, kSubmitSm);
        connection.Send(MakePdu(kEnquireLink, 0, 555));
        const SmppPdu answer = Expect(connection, kEnquireLinkResp);
        EXPECT_EQ(answer.Raw, MakePdu(kEnquireLinkResp, 0, 555));
        connection.Send(MakePdu(kSubmitSmResp, 0, submit.SequenceNumber, CString("id-2")));
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcSMSCRelaySMPP relay;
    relay.SetResponseTimeOut(10000);
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    ASSERT_EQ(BindAsTransmitter(relay), 0);
    EXPECT_EQ(Submit(relay), 0);
    relay.Disconnect();
    smsc.Finish();
}

Bytes DeliverBody(const std::string& text) {
    return CString("") + Bytes{1, 1} + CString("4915") + Bytes{2, 2} + CString("SYSLOG") +
           Bytes{0, 0, 0} + CString("") + CString("") + Bytes{0, 0, 0, 0} +
           Bytes{static_cast<std::uint8_t>(text.size())} + Bytes(text.begin(), text.end());
}

// An SMSC that, once bound, sends a deliver_sm (sequence 10), an unbind (11) and a probe (12),
// and keeps what came back before the probe's answer.
class DeliveringSmsc {
  public:
    explicit DeliveringSmsc(const Bytes& deliverBody) {
        smsc_.Run([this, deliverBody](SmscConnection& connection) {
            AcceptBind(connection);
            connection.Send(MakePdu(kDeliverSm, 0, 10, deliverBody));
            connection.Send(MakePdu(kUnbind, 0, 11));
            connection.Send(MakePdu(kEnquireLink, 0, 12));
            std::vector<SmppPdu> answers;
            for (int reads = 0; reads < 3; ++reads) {
                const auto pdu = connection.ReadPdu();
                if (!pdu || pdu->CommandId == kEnquireLinkResp) {
                    EXPECT_TRUE(pdu.has_value());
                    break;
                }
                answers.push_back(*pdu);
            }
            answers_.set_value(answers);
            EXPECT_TRUE(connection.WaitClosed());
        });
    }
    int Port() const { return smsc_.Port(); }
    std::vector<SmppPdu> Answers() {
        auto answers = answers_.get_future();
        EXPECT_EQ(answers.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        return answers.get();
    }
    void Finish() { smsc_.Finish(); }

  private:
    std::promise<std::vector<SmppPdu>> answers_;
    ScriptedSmsc smsc_;
};

TEST(SmppSession, DeliverSmIsAnsweredOnlyWhenAHandlerTakesIt) {
    {
        DeliveringSmsc smsc(DeliverBody("hello"));
        TtcSMSCRelaySMPP relay;
        ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
        ASSERT_EQ(BindAsTransmitter(relay), 0);
        EXPECT_TRUE(smsc.Answers().empty());
        relay.Disconnect();
        smsc.Finish();
    }
    DeliveringSmsc smsc(DeliverBody("hello"));
    TtcSMSCRelaySMPP relay;
    std::vector<TDeliverSmContent> messages;
    relay.OnMessageReceived = [&](TtcSMSCRelaySMPP&, const TDeliverSmContent& message) {
        messages.push_back(message);
    };
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    ASSERT_EQ(BindAsTransmitter(relay), 0);
    const std::vector<SmppPdu> answers = smsc.Answers();
    relay.Disconnect();
    smsc.Finish();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].Raw, MakePdu(kDeliverSmResp, 0, 10, Bytes{0}));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].Originator, "4915");
    EXPECT_EQ(messages[0].SMText, u"hello");
    EXPECT_EQ(relay.SequenceNumber(), 10u);
}

TEST(SmppSession, StatusReportsGoToTheirOwnHandler) {
    DeliveringSmsc smsc(DeliverBody("id:77 stat:EXPIRED err:012"));
    TtcSMSCRelaySMPP relay;
    std::vector<TDeliverSmContent> reports;
    relay.OnStatusReportReceived = [&](TtcSMSCRelaySMPP&, const TDeliverSmContent& report) {
        reports.push_back(report);
    };
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    ASSERT_EQ(BindAsTransmitter(relay), 0);
    const std::vector<SmppPdu> answers = smsc.Answers();
    relay.Disconnect();
    smsc.Finish();
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].CommandId, kDeliverSmResp);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].MessageID, "77");
    EXPECT_EQ(reports[0].SMStatus, 3);
    EXPECT_EQ(reports[0].FailureReason, 12);
    EXPECT_EQ(reports[0].Destination, "4915");
}

TEST(SmppSession, KeepAliveProbesAnIdleLinkAndGivesUpWithoutAnAnswer) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        const SmppPdu first = Expect(connection, kEnquireLink);
        // The status of the probe's answer does not matter.
        connection.Send(MakePdu(kEnquireLinkResp, 0x08, first.SequenceNumber));
        Expect(connection, kEnquireLink);
        EXPECT_TRUE(connection.WaitClosed());
    });
    DisconnectLog log;
    {
        TtcSMSCRelaySMPP relay;
        log.Attach(relay);
        relay.SetKeepAliveInterval(100);
        relay.SetResponseTimeOut(300);
        ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
        ASSERT_EQ(BindAsTransmitter(relay), 0);
        EXPECT_EQ(log.WaitFor(1), std::vector<int>{-1});
        EXPECT_EQ(relay.State(), RelayState::rsIdle);
        EXPECT_EQ(relay.Unbind(), 0);
        EXPECT_EQ(relay.Disconnect(), 0);
        smsc.Finish();

        // The given-up link is not reused: the next connect makes a new one.
        ScriptedSmsc next;
        next.Run([](SmscConnection& connection) {
            AcceptBind(connection);
            EXPECT_TRUE(connection.WaitClosed());
        });
        relay.SetKeepAlive(false);
        ASSERT_EQ(relay.Connect("127.0.0.1", next.Port()), 0);
        EXPECT_EQ(BindAsTransmitter(relay), 0);
        relay.Disconnect();
        next.Finish();
    }
    EXPECT_EQ(log.Reasons(), (std::vector<int>{-1, 0}));
}

TEST(SmppSession, PeerClosingWhileBoundReleasesTheWaiterAndIsReportedOnce) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        Expect(connection, kSubmitSm);
        connection.Close();
    });
    DisconnectLog log;
    {
        TtcSMSCRelaySMPP relay;
        log.Attach(relay);
        // A waiter that is not released would hold the test for a minute.
        relay.SetResponseTimeOut(60000);
        ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
        ASSERT_EQ(BindAsTransmitter(relay), 0);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(Submit(relay), -1);
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
        EXPECT_EQ(log.WaitFor(1), std::vector<int>{0});
        EXPECT_EQ(relay.State(), RelayState::rsIdle);
        EXPECT_EQ(relay.Unbind(), 0);
        relay.Disconnect();
        smsc.Finish();
    }
    EXPECT_EQ(log.Reasons(), std::vector<int>{0});
}

struct BadInput {
    const char* Name;
    Bytes Sent;
    // -1: any reason.
    int Reason;
};

void PrintTo(const BadInput& input, std::ostream* out) {
    *out << input.Name;
}

class SmppSessionBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(SmppSessionBadInput, EndsTheRequestAndTheLink) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        Expect(connection, kSubmitSm);
        connection.Send(GetParam().Sent);
        connection.Close();
    });
    TtcSMSCRelaySMPP relay;
    DisconnectLog log;
    log.Attach(relay);
    relay.SetResponseTimeOut(60000);
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    ASSERT_EQ(BindAsTransmitter(relay), 0);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(Submit(relay), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
    const std::vector<int> reasons = log.WaitFor(1);
    ASSERT_EQ(reasons.size(), 1u);
    if (GetParam().Reason >= 0) {
        EXPECT_EQ(reasons[0], GetParam().Reason);
    }
    relay.Disconnect();
    smsc.Finish();
}

Bytes WithLength(Bytes pdu, std::uint32_t length) {
    pdu[0] = static_cast<std::uint8_t>(length >> 24);
    pdu[1] = static_cast<std::uint8_t>(length >> 16);
    pdu[2] = static_cast<std::uint8_t>(length >> 8);
    pdu[3] = static_cast<std::uint8_t>(length);
    return pdu;
}

Bytes FirstBytes(const Bytes& pdu, std::size_t count) {
    return Bytes(pdu.begin(), pdu.begin() + static_cast<std::ptrdiff_t>(count));
}

INSTANTIATE_TEST_SUITE_P(
    Smsc, SmppSessionBadInput,
    ::testing::Values(
        BadInput{"LengthBelowTheHeader", WithLength(MakePdu(kSubmitSmResp, 0, 1), 8), EPROTO},
        BadInput{"LengthBeyondTheBuffer", WithLength(MakePdu(kSubmitSmResp, 0, 1), 9000), EPROTO},
        BadInput{"Garbage",
                 Bytes{'G', 'A', 'R', 'B', 'A', 'G', 'E', ' ', 'T', 'E', 'X', 'T', ' ', 'H', 'E',
                       'R', 'E', '!'},
                 EPROTO},
        BadInput{"ClosedInTheMiddleOfAPdu",
                 FirstBytes(MakePdu(kSubmitSmResp, 0, 1, Bytes(32, 'x')), 20), -1},
        BadInput{"ClosedInTheMiddleOfAHeader", Bytes{0, 0, 0, 0x30, 0x80}, -1}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(SmppSession, TruncatedRepliesStillCarryTheirStatus) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        const SmppPdu submit = Expect(connection, kSubmitSm);
        // A message_id without its terminator.
        connection.Send(MakePdu(kSubmitSmResp, 0, submit.SequenceNumber, Bytes{'a', 'b'}));
        const SmppPdu unbind = Expect(connection, kUnbind);
        connection.Send(MakePdu(kUnbindResp, 0, unbind.SequenceNumber));
        EXPECT_TRUE(connection.WaitClosed());
    });
    TtcSMSCRelaySMPP relay;
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    ASSERT_EQ(BindAsTransmitter(relay), 0);
    std::string messageId;
    EXPECT_EQ(Submit(relay, &messageId), 0);
    EXPECT_EQ(messageId, "ab");
    EXPECT_EQ(relay.Unbind(), 0);
    relay.Disconnect();
    smsc.Finish();
}

TEST(SmppSession, DestroyingABoundSessionEndsItsThreadsAndItsLink) {
    ScriptedSmsc smsc;
    smsc.Run([](SmscConnection& connection) {
        AcceptBind(connection);
        EXPECT_TRUE(connection.WaitClosed());
    });
    {
        TtcSMSCRelaySMPP relay;
        ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
        ASSERT_EQ(BindAsTransmitter(relay), 0);
    }
    smsc.Finish();
}

int ConnectedSocket(int port) {
    const int handle = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(::connect(handle, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    return handle;
}

TEST(SmppSession, ListeningModeAnswersProbesOnEachAcceptedConnection) {
    TtcSMSCRelaySMPP relay;
    const int port = UnusedPort();
    ASSERT_EQ(relay.Listen(port), 0);
    EXPECT_EQ(relay.Listen(port), -2);
    {
        SmscConnection first(ConnectedSocket(port));
        SmscConnection second(ConnectedSocket(port));
        first.Send(MakePdu(kEnquireLink, 0, 5));
        second.Send(MakePdu(kEnquireLink, 0, 6));
        const auto answerFirst = first.ReadPdu();
        const auto answerSecond = second.ReadPdu();
        ASSERT_TRUE(answerFirst && answerSecond);
        EXPECT_EQ(answerFirst->Raw, MakePdu(kEnquireLinkResp, 0, 5));
        EXPECT_EQ(answerSecond->Raw, MakePdu(kEnquireLinkResp, 0, 6));
        first.Close();
        // The ended connection's thread goes; the other one still answers.
        second.Send(MakePdu(kEnquireLink, 0, 7));
        const auto again = second.ReadPdu();
        ASSERT_TRUE(again.has_value());
        EXPECT_EQ(again->SequenceNumber, 7u);
    }
    EXPECT_EQ(relay.StopListening(), 0);
    EXPECT_EQ(relay.Listen(port), 0);
}

}  // namespace
}  // namespace trevalon
