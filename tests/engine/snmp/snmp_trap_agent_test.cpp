#include "engine/snmp/snmp_trap_agent.h"

#include <string>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// clang-format off
#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/snmpusm.h>
// clang-format on

#include <gtest/gtest.h>

#include "engine/snmp/net_snmp_access.h"
#include "tests/engine/snmp/trap_receiver.h"

namespace trevalon {
namespace {

using testing::ErrorOf;
using testing::FreeLoopbackUdpPort;
using testing::TrapReceiver;
using testing::TrapUser;

const std::string kEngineId = "0x8000000001020304";
const TrapUser kOperator{kEngineId, "operator", "trap-secret"};

std::string From(int localPort) {
    return "peer=UDP: [127.0.0.1]:" + std::to_string(localPort) + "->";
}

// An agent bound to a port of its own on loopback, sending to `receiver`.
class BoundAgent {
  public:
    explicit BoundAgent(const TrapReceiver& receiver, const std::string& localHost = "127.0.0.1")
        : localPort_(FreeLoopbackUdpPort()) {
        agent_.SetLocalHost(localHost);
        agent_.SetLocalPort(localPort_);
        agent_.SetActive(true);
        agent_.ApplySetting("TrapPort=" + std::to_string(receiver.Port()));
    }
    SnmpTrapAgent& operator*() { return agent_; }
    SnmpTrapAgent* operator->() { return &agent_; }
    int LocalPort() const { return localPort_; }

  private:
    SnmpTrapAgent agent_;
    int localPort_;
};

TEST(SnmpTrapAgentTest, StartsWithPort161Version2AndTheStandardTrapPort) {
    SnmpTrapAgent agent;
    EXPECT_EQ(agent.LocalPort(), 161);
    EXPECT_EQ(agent.Version(), 2);
    EXPECT_FALSE(agent.Active());
    EXPECT_EQ(agent.ApplySetting("TrapPort=0"), "162");
    EXPECT_EQ(agent.ApplySetting("TrapPort=1162"), "1162");
}

TEST(SnmpTrapAgentTest, V1TrapCarriesCommunityEnterpriseAndTrapNumbers) {
    TrapReceiver receiver;
    BoundAgent agent(receiver);
    agent->SelectVersion(1);
    EXPECT_EQ(agent->ApplySetting("TrapCommunity=rack-7"), "rack-7");
    EXPECT_EQ(agent->ApplySetting("TrapEnterprise=1.3.6.1.4.1.9999.1"), "1.3.6.1.4.1.9999.1");
    agent->TrapTo("127.0.0.1", "6.17");
    receiver.WaitForLineWith({"V1 " + From(agent.LocalPort()),
                              "agent=127.0.0.1 enterprise=.1.3.6.1.4.1.9999.1 generic=6 "
                              "specific=.17 security=TRAP, SNMP v1, community rack-7"});

    agent->TrapTo("127.0.0.1", "2.0");
    receiver.WaitForLineWith(
        {"enterprise=.1.3.6.1.4.1.9999.1 generic=2 specific=0 "
         "security=TRAP, SNMP v1, community rack-7"});
}

TEST(SnmpTrapAgentTest, V1TrapWithoutSettingsUsesPublicAndTheLibraryEnterprise) {
    TrapReceiver receiver;
    // A local host name binds its IPv4 address, which the trap carries as agent address.
    BoundAgent agent(receiver, "localhost");
    agent->SelectVersion(1);
    agent->TrapTo("localhost", "0.0");
    receiver.WaitForLineWith({"V1 " + From(agent.LocalPort()),
                              "agent=127.0.0.1 enterprise=.1.3.6.1.4.1.3.1.1 generic=0 specific=0 "
                              "security=TRAP, SNMP v1, community public"});
}

TEST(SnmpTrapAgentTest, V2cTrapCarriesTheTrapOidAndTheCommunityTheAgentHolds) {
    TrapReceiver receiver;
    BoundAgent agent(receiver);
    agent->TrapTo("127.0.0.1", "1.3.6.1.4.1.9999.0.5");
    receiver.WaitForLineWith(
        {"V2 " + From(agent.LocalPort()),
         "security=TRAP2, SNMP v2c, community public vars=", ".1.3.6.1.2.1.1.3.0 = Timeticks: ",
         ".1.3.6.1.6.3.1.1.4.1.0 = OID: .1.3.6.1.4.1.9999.0.5"});

    // Settings stay: a community handed over for version 1 goes out with version 2 too.
    agent->SelectVersion(1);
    agent->ApplySetting("TrapCommunity=night-shift");
    agent->SelectVersion(2);
    agent->TrapTo("127.0.0.1", ".1.3.6.1.4.1.9999.0.6");
    receiver.WaitForLineWith(
        {"SNMP v2c, community night-shift", ".1.3.6.1.6.3.1.1.4.1.0 = OID: .1.3.6.1.4.1.9999.0.6"});
}

TEST(SnmpTrapAgentTest, V3TrapIsAcceptedOnlyWithTheUsersPassword) {
    TrapReceiver receiver({kOperator});
    BoundAgent agent(receiver);
    agent->SetLocalEngineId(kEngineId);
    agent->SelectVersion(3);

    agent->SecureTrapTo("127.0.0.1", "1.3.6.1.4.1.9999.3.1", "operator", "trap-secret");
    receiver.WaitForLineWith({"V2 " + From(agent.LocalPort()),
                              "security=TRAP2, SNMP v3, user operator, context",
                              ".1.3.6.1.6.3.1.1.4.1.0 = OID: .1.3.6.1.4.1.9999.3.1"});

    agent->SecureTrapTo("127.0.0.1", "1.3.6.1.4.1.9999.3.2", "operator", "wrong-secret");
    receiver.WaitForLineWith({"Authentication failed for operator"});
    // The right password right after the wrong one works again: no key is left over.
    agent->SecureTrapTo("127.0.0.1", "1.3.6.1.4.1.9999.3.3", "operator", "trap-secret");
    receiver.WaitForLineWith({"OID: .1.3.6.1.4.1.9999.3.3"});
    for (const std::string& line : receiver.Lines()) {
        EXPECT_EQ(line.find(".1.3.6.1.4.1.9999.3.2"), std::string::npos) << line;
    }
}

int UsmUsersInTheLibrary() {
    const NetSnmpAccess library;
    int count = 0;
    for (const usmUser* user = usm_get_userList(); user != nullptr; user = user->next) {
        ++count;
    }
    return count;
}

TEST(SnmpTrapAgentTest, V3TrapsLeaveNoUsersBehindInTheLibrary) {
    TrapReceiver receiver({kOperator});
    BoundAgent agent(receiver);
    agent->SetLocalEngineId(kEngineId);
    const int before = UsmUsersInTheLibrary();
    for (const std::string oid : {"1.3.6.1.4.1.9999.3.6", "1.3.6.1.4.1.9999.3.7"}) {
        agent->SecureTrapTo("127.0.0.1", oid, "operator", "trap-secret");
        receiver.WaitForLineWith({"OID: ." + oid});
    }
    EXPECT_EQ(UsmUsersInTheLibrary(), before);
}

TEST(SnmpTrapAgentTest, MalformedOidsFailWithTheLibrarysMessage) {
    TrapReceiver receiver;
    BoundAgent agent(receiver);
    EXPECT_EQ(ErrorOf([&] { agent->TrapTo("127.0.0.1", ""); }),
              "Bad trap OID \"\": Unknown Object Identifier (Sub-id not found: (top) -> )");
    EXPECT_EQ(ErrorOf([&] { agent->TrapTo("127.0.0.1", "1.3.6.1.x"); }),
              "Bad trap OID \"1.3.6.1.x\": Unknown Object Identifier (x)");
    EXPECT_EQ(ErrorOf([&] { agent->TrapTo("127.0.0.1", "1"); }),
              "Bad trap OID \"1\": an OID has at least two sub-identifiers");
    EXPECT_EQ(ErrorOf([&] { agent->TrapTo("127.0.0.1", "1.3.6.1.4294967296"); }),
              "Bad trap OID \"1.3.6.1.4294967296\": sub-identifier above 4294967295");
    EXPECT_NE(ErrorOf([&] {
                  agent->SecureTrapTo("127.0.0.1", "x", "operator", "trap-secret");
              }).find("Unknown Object Identifier"),
              std::string::npos);

    // A bad enterprise is refused and the one in force stays.
    agent->SelectVersion(1);
    agent->ApplySetting("TrapEnterprise=1.3.6.1.4.1.9999.7");
    EXPECT_NE(ErrorOf([&] {
                  agent->ApplySetting("TrapEnterprise=enterprises..7");
              }).find("Bad enterprise OID \"enterprises..7\": Unknown Object Identifier"),
              std::string::npos);
    EXPECT_NE(
        ErrorOf([&] { agent->ApplySetting("TrapEnterprise="); }).find("Unknown Object Identifier"),
        std::string::npos);
    for (const std::string text :
         {"", "6", "6.", ".1", "7.1", "a.b", "6.1.2", "-1.0", "6.-1", "6.2147483648", " 6.1"}) {
        EXPECT_EQ(ErrorOf([&] { agent->TrapTo("127.0.0.1", text); }),
                  "Bad trap OID \"" + text +
                      "\": SNMPv1 expects GenericTrap.SpecificTrap, the generic trap 0 to 6")
            << text;
    }
    agent->TrapTo("127.0.0.1", "6.2147483647");
    receiver.WaitForLineWith({"enterprise=.1.3.6.1.4.1.9999.7 generic=6 specific=.2147483647"});
}

TEST(SnmpTrapAgentTest, BadDestinationsPortsAndSettingsFailWithTheirReason) {
    SnmpTrapAgent agent;
    agent.SetLocalHost("127.0.0.1");
    agent.SetLocalPort(0);
    EXPECT_EQ(ErrorOf([&] { agent.TrapTo("127.0.0.1", "1.3.6.1.4.1.9999"); }),
              "SNMP agent not active");
    agent.SetActive(true);
    EXPECT_NE(ErrorOf([&] {
                  agent.TrapTo("no-such-host.invalid", "1.3.6.1.4.1.9999");
              }).find("Cannot resolve trap destination \"no-such-host.invalid\": "),
              std::string::npos);
    EXPECT_EQ(ErrorOf([&] { agent.TrapTo("", "1.3.6.1.4.1.9999"); }), "No trap destination");

    EXPECT_EQ(ErrorOf([&] { agent.ApplySetting("TrapPort=65536"); }),
              "Bad trap port \"65536\": 0 to 65535 expected");
    for (const std::string text : {"TrapPort=", "TrapPort=-1", "TrapPort=16 2", "TrapPort=x"}) {
        EXPECT_NE(ErrorOf([&] { agent.ApplySetting(text); }).find("Bad trap port"),
                  std::string::npos)
            << text;
    }
    EXPECT_EQ(ErrorOf([&] { agent.ApplySetting("trapport=162"); }), "Unknown setting \"trapport\"");
    EXPECT_EQ(ErrorOf([&] { agent.ApplySetting("TrapPort"); }),
              "Bad setting \"TrapPort\": name=value expected");
    EXPECT_EQ(ErrorOf([&] { agent.SelectVersion(4); }), "Unsupported SNMP version 4");
    EXPECT_EQ(ErrorOf([&] { agent.SetLocalPort(65536); }),
              "Bad local port 65536: 0 to 65535 expected");
    EXPECT_EQ(agent.LocalPort(), 0);

    agent.SelectVersion(3);
    EXPECT_EQ(ErrorOf([&] { agent.TrapTo("127.0.0.1", "1.3.6.1.4.1.9999"); }),
              "Version 3 traps need a user and a password");
}

TEST(SnmpTrapAgentTest, BadV3CredentialsFailWithTheLibrarysMessage) {
    SnmpTrapAgent agent;
    agent.SetLocalHost("127.0.0.1");
    agent.SetLocalPort(0);
    agent.SetActive(true);
    agent.SetLocalEngineId(kEngineId);
    EXPECT_EQ(ErrorOf([&] { agent.SecureTrapTo("127.0.0.1", "1.3.6.1.4.1.9", "op", "seven77"); }),
              "Bad SNMPv3 password: Generic error (The supplied password length is too short.)");
    EXPECT_EQ(ErrorOf([&] { agent.SecureTrapTo("127.0.0.1", "1.3.6.1.4.1.9", "", ""); }),
              "No SNMPv3 user name");
    for (const std::string engineId : {"0x80000000", "0x8000000001020", "engine-1", "0x"}) {
        agent.SetLocalEngineId(engineId);
        EXPECT_NE(ErrorOf([&] {
                      agent.SecureTrapTo("127.0.0.1", "1.3.6.1.4.1.9", "op", "trap-secret");
                  }).find("Bad local engine id \"" + engineId + "\""),
                  std::string::npos)
            << engineId;
    }
}

TEST(SnmpTrapAgentTest, LocalPortInUseFailsActivationAndEveryTrapUntilFreed) {
    const int busy = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(busy, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(getsockname(busy, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const int port = ntohs(address.sin_port);

    TrapReceiver receiver;
    SnmpTrapAgent agent;
    agent.SetLocalHost("127.0.0.1");
    agent.SetLocalPort(port);
    const std::string reason =
        "Cannot use local address 127.0.0.1:" + std::to_string(port) + ": Address already in use";
    EXPECT_EQ(ErrorOf([&] { agent.SetActive(true); }), reason);
    EXPECT_FALSE(agent.Active());
    agent.ApplySetting("TrapPort=" + std::to_string(receiver.Port()));
    EXPECT_EQ(ErrorOf([&] { agent.TrapTo("127.0.0.1", "1.3.6.1.4.1.9999.0.8"); }),
              "SNMP agent not active: " + reason);

    close(busy);
    agent.SetActive(true);
    agent.TrapTo("127.0.0.1", "1.3.6.1.4.1.9999.0.9");
    receiver.WaitForLineWith({"V2 " + From(port), "OID: .1.3.6.1.4.1.9999.0.9"});

    EXPECT_NE(ErrorOf([&] {
                  SnmpTrapAgent other;
                  other.SetLocalHost("no-such-host.invalid");
                  other.SetActive(true);
              }).find("Cannot resolve local host \"no-such-host.invalid\": "),
              std::string::npos);
}

}  // namespace
}  // namespace trevalon
