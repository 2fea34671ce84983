#include "engine/snmp/thread_snmp.h"

#include <string>
#include <utility>

#include <gtest/gtest.h>

#include "tests/engine/snmp/trap_receiver.h"

namespace trevalon {
namespace {

using testing::FreeLoopbackUdpPort;
using testing::TrapReceiver;
using testing::TrapUser;

const std::string kEngineId = "0x80001F8804747265";
const TrapUser kOperator{kEngineId, "operator", "trap-secret"};

// The rule's trap settings of one job.
struct Rule {
    int version = 1;
    std::string trapOid;
    std::string community;
    std::string enterprise;
    std::string user;
    std::string password;
};

Rule CommunityRule(int version, std::string trapOid, std::string community = "",
                   std::string enterprise = "") {
    return Rule{version, std::move(trapOid), std::move(community), std::move(enterprise), "", ""};
}

Rule UserRule(int version, std::string trapOid, std::string user, std::string password) {
    return Rule{version, std::move(trapOid), "", "", std::move(user), std::move(password)};
}

// A job for the "SNMP" method on loopback: trap port = the receiver, local port = `localPort`.
ThreadSNMP Job(SnmpTrapAgent& agent, const TrapReceiver& receiver, int localPort,
               const Rule& rule) {
    return ThreadSNMP(agent, "127.0.0.1", localPort, receiver.Port(), rule.trapOid, kEngineId,
                      "127.0.0.1", rule.version, rule.user, rule.password, rule.community,
                      rule.enterprise, 3);
}

std::string From(int localPort) {
    return "peer=UDP: [127.0.0.1]:" + std::to_string(localPort) + "->";
}

void ExpectSent(const ThreadSNMP& job) {
    EXPECT_TRUE(job.Succeeded()) << job.ResultDetail();
    EXPECT_EQ(job.ResultText(), "Sent");
    EXPECT_EQ(job.ResultDetail(), "[SNMP Alarm Sent Succeed]");
}

TEST(ThreadSnmpTest, VersionOneJobSendsTheRulesCommunityAndEnterpriseFromTheLocalPort) {
    TrapReceiver receiver;
    SnmpTrapAgent agent;
    const int localPort = FreeLoopbackUdpPort();
    ThreadSNMP job =
        Job(agent, receiver, localPort, CommunityRule(1, "6.42", "ops", "1.3.6.1.4.1.9999.5"));
    job.Execute();
    ExpectSent(job);
    receiver.WaitForLineWith({"V1 " + From(localPort),
                              "agent=127.0.0.1 enterprise=.1.3.6.1.4.1.9999.5 generic=6 "
                              "specific=.42 security=TRAP, SNMP v1, community ops"});
    EXPECT_EQ(agent.LocalPort(), localPort);
    EXPECT_EQ(agent.LocalEngineId(), kEngineId);
    EXPECT_TRUE(agent.Active());
}

TEST(ThreadSnmpTest, LaterJobsKeepWhatEarlierJobsLeftInTheAgent) {
    TrapReceiver receiver;
    SnmpTrapAgent agent;
    const int localPort = FreeLoopbackUdpPort();
    ThreadSNMP first =
        Job(agent, receiver, localPort, CommunityRule(1, "6.1", "north", "1.3.6.1.4.1.9999.8"));
    first.Execute();
    ExpectSent(first);

    // Version 1 with neither community nor enterprise: the held ones go out.
    ThreadSNMP second = Job(agent, receiver, localPort, CommunityRule(1, "6.2", "", ""));
    second.Execute();
    ExpectSent(second);
    receiver.WaitForLineWith(
        {"enterprise=.1.3.6.1.4.1.9999.8 generic=6 specific=.2 security=TRAP, SNMP v1, "
         "community north"});

    // Version 2 hands over no community of its own, even when the rule has one.
    ThreadSNMP third = Job(agent, receiver, localPort,
                           CommunityRule(2, "1.3.6.1.4.1.9999.0.3", "south", "1.3.6.1.4.1.1"));
    third.Execute();
    ExpectSent(third);
    receiver.WaitForLineWith(
        {"SNMP v2c, community north", ".1.3.6.1.6.3.1.1.4.1.0 = OID: .1.3.6.1.4.1.9999.0.3"});
    EXPECT_EQ(agent.Version(), 2);
}

TEST(ThreadSnmpTest, VersionThreeJobIsAcceptedForTheRulesUserAndRefusedWithAWrongPassword) {
    TrapReceiver receiver({kOperator});
    SnmpTrapAgent agent;
    const int localPort = FreeLoopbackUdpPort();
    ThreadSNMP wrong = Job(agent, receiver, localPort,
                           UserRule(3, "1.3.6.1.4.1.9999.3.1", "operator", "not-the-secret"));
    wrong.Execute();
    // The trap left; only the receiver can tell the password was wrong.
    ExpectSent(wrong);
    receiver.WaitForLineWith({"Authentication failed for operator"});

    ThreadSNMP right = Job(agent, receiver, localPort,
                           UserRule(3, "1.3.6.1.4.1.9999.3.2", "operator", "trap-secret"));
    right.Execute();
    ExpectSent(right);
    receiver.WaitForLineWith({"V2 " + From(localPort), "SNMP v3, user operator",
                              ".1.3.6.1.6.3.1.1.4.1.0 = OID: .1.3.6.1.4.1.9999.3.2"});
    for (const std::string& line : receiver.Lines()) {
        EXPECT_EQ(line.find(".1.3.6.1.4.1.9999.3.1"), std::string::npos) << line;
    }
}

TEST(ThreadSnmpTest, VersionsZeroAndFourAreVersionThreeWithoutUserOrPassword) {
    TrapReceiver receiver({kOperator});
    SnmpTrapAgent agent;
    const int localPort = FreeLoopbackUdpPort();
    for (const int version : {0, 4}) {
        ThreadSNMP job = Job(agent, receiver, localPort,
                             UserRule(version, "1.3.6.1.4.1.9999.3.9", "operator", "trap-secret"));
        job.Execute();
        EXPECT_FALSE(job.Succeeded());
        EXPECT_EQ(job.ResultText(), "Error");
        EXPECT_EQ(job.ResultDetail(), "[127.0.0.1:" + std::to_string(localPort) +
                                          " SNMP Alarm Sent Error:No SNMPv3 user name]");
        EXPECT_EQ(agent.Version(), 3);
    }
}

TEST(ThreadSnmpTest, FailureDetailNamesTheHostAndTheLocalPortNotTheTrapPort) {
    SnmpTrapAgent agent;
    // Whether or not port 161 can be bound here, the bad OID keeps anything from being sent.
    ThreadSNMP job(agent, "192.0.2.5", 161, 1162, "no.such.oid", "", "127.0.0.1", 2, "", "",
                   "public", "", 0);
    job.Execute();
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(job.ResultText(), "Error");
    const std::string prefix = "[192.0.2.5:161 SNMP Alarm Sent Error:";
    ASSERT_GT(job.ResultDetail().size(), prefix.size());
    EXPECT_EQ(job.ResultDetail().substr(0, prefix.size()), prefix);
    EXPECT_NE(job.ResultDetail()[prefix.size()], ' ');
    EXPECT_EQ(job.ResultDetail().back(), ']');
}

TEST(ThreadSnmpTest, UnusableLocalPortDoesNotStopTheJobButEndsItWithTheReason) {
    TrapReceiver receiver;
    SnmpTrapAgent agent;
    // The receiver's own port is taken, so the agent cannot bind it.
    const int busyPort = receiver.Port();
    ThreadSNMP job = Job(agent, receiver, busyPort, CommunityRule(2, "1.3.6.1.4.1.9999.0.1"));
    job.Execute();
    EXPECT_FALSE(job.Succeeded());
    EXPECT_EQ(job.ResultDetail(),
              "[127.0.0.1:" + std::to_string(busyPort) +
                  " SNMP Alarm Sent Error:SNMP agent not active: Cannot use local address "
                  "127.0.0.1:" +
                  std::to_string(busyPort) + ": Address already in use]");
    EXPECT_EQ(agent.Version(), 2);

    const int freePort = FreeLoopbackUdpPort();
    ThreadSNMP next = Job(agent, receiver, freePort, CommunityRule(2, "1.3.6.1.4.1.9999.0.2"));
    next.Execute();
    ExpectSent(next);
    receiver.WaitForLineWith({"V2 " + From(freePort), "OID: .1.3.6.1.4.1.9999.0.2"});
}

TEST(ThreadSnmpTest, SettingsTheAgentRefusesEndTheJobAsError) {
    TrapReceiver receiver;
    SnmpTrapAgent agent;
    const int localPort = FreeLoopbackUdpPort();
    ThreadSNMP badEnterprise =
        Job(agent, receiver, localPort, CommunityRule(1, "6.1", "ops", "enterprise"));
    badEnterprise.Execute();
    EXPECT_EQ(badEnterprise.ResultText(), "Error");
    EXPECT_EQ(badEnterprise.ResultDetail(),
              "[127.0.0.1:" + std::to_string(localPort) +
                  " SNMP Alarm Sent Error:Bad enterprise OID \"enterprise\": Unknown Object "
                  "Identifier (Sub-id not found: (top) -> enterprise)]");

    ThreadSNMP badTrapPort(agent, "127.0.0.1", localPort, -1, "1.3.6.1.4.1.9999.0.1", "",
                           "127.0.0.1", 2, "", "", "", "", 0);
    badTrapPort.Execute();
    EXPECT_EQ(badTrapPort.ResultDetail(),
              "[127.0.0.1:" + std::to_string(localPort) +
                  " SNMP Alarm Sent Error:Bad trap port \"-1\": 0 to 65535 expected]");
}

}  // namespace
}  // namespace trevalon
