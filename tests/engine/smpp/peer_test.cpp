#include <map>
#include <string>

#include <gtest/gtest.h>

#include "engine/smpp/sequence_counter.h"
#include "engine/smpp/smsc_relay_smpp.h"
#include "tests/engine/smpp/node_peer.h"

namespace trevalon {
namespace {

using testing::NodeSmsc;
using testing::PeerEvent;

TEST(SmppPeer, WrongPasswordIsRefusedWithInvalidPassword) {
    NodeSmsc smsc("trevalon", "secret");
    ASSERT_TRUE(smsc.Started());
    TtcSMSCRelaySMPP relay;
    relay.SetResponseTimeOut(10000);
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    EXPECT_EQ(relay.Bind("trevalon", "wrong", 1, 1, "", bdTransmitter, 34, "SYSLOG"), 0x0E);
    EXPECT_EQ(relay.State(), RelayState::rsOpened);
    EXPECT_EQ(relay.Unbind(), 0);
    relay.Disconnect();

    const PeerEvent refused = smsc.Next();
    EXPECT_EQ(refused.Name, "BIND_REFUSED");
    EXPECT_EQ(refused.Fields.at("password"), "wrong");
    EXPECT_EQ(smsc.Next().Name, "CLOSED");
}

TEST(SmppPeer, SessionSubmitsTheExpectedFieldsAndUnbinds) {
    NodeSmsc smsc("trevalon", "secret");
    ASSERT_TRUE(smsc.Started());
    TtcSMSCRelaySMPP relay;
    relay.SetResponseTimeOut(10000);
    SetSequenceCounter(0);
    ASSERT_EQ(relay.Connect("127.0.0.1", smsc.Port()), 0);
    ASSERT_EQ(relay.Bind("trevalon", "secret", 1, 1, "SYS", bdTransmitter, 34, "SYSLOG"), 0);
    std::string messageId;
    const std::u16string alarm = u"10.0.0.7 Kernel Alert disk {full} @ 95% \u20AC";
    EXPECT_EQ(relay.SubmitMessage("5551234", 1, 1, "SYSLOG", 1, 1, alarm,
                                  TtcEncodingType::et7BitText, "", soRegisteredDelivery, messageId),
              0);
    EXPECT_EQ(messageId, "msg-1");
    EXPECT_EQ(relay.Unbind(), 0);
    relay.Disconnect();

    const PeerEvent bind = smsc.Next();
    ASSERT_EQ(bind.Name, "BIND");
    EXPECT_EQ(bind.Fields, (std::map<std::string, std::string>{{"command_id", "2"},
                                                               {"sequence_number", "0"},
                                                               {"system_id", "trevalon"},
                                                               {"password", "secret"},
                                                               {"system_type", "SYS"},
                                                               {"interface_version", "34"},
                                                               {"addr_ton", "1"},
                                                               {"addr_npi", "1"},
                                                               {"address_range", "SYSLOG"}}));
    const PeerEvent submit = smsc.Next();
    ASSERT_EQ(submit.Name, "SUBMIT");
    EXPECT_EQ(submit.Fields,
              (std::map<std::string, std::string>{
                  {"sequence_number", "1"},
                  {"service_type", ""},
                  {"source_addr_ton", "1"},
                  {"source_addr_npi", "1"},
                  {"source_addr", "SYSLOG"},
                  {"dest_addr_ton", "1"},
                  {"dest_addr_npi", "1"},
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
                  {"message", "10.0.0.7 Kernel Alert disk {full} @ 95% \xE2\x82\xAC"}}));
    EXPECT_EQ(smsc.Next().Name, "UNBIND");
    EXPECT_EQ(smsc.Next().Name, "CLOSED");
}

}  // namespace
}  // namespace trevalon
