#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/snmp/thread_snmp.h"
#include "tests/engine/snmp/trap_receiver.h"

namespace trevalon {
namespace {

using testing::FreeLoopbackUdpPorts;
using testing::TrapReceiver;
using testing::TrapUser;

constexpr int kJobs = 20;
const std::string kEngineId = "0x80001F880474726576";

std::string Index(int job) {
    return std::to_string(job);
}

// Job i: version 1, 2 or 3 by i % 3, a local port of its own, and settings nobody else has.
struct JobPlan {
    int version = 0;
    int localPort = 0;
    std::string trapOid;
    std::string community;
    std::string enterprise;
    std::string user;
    std::string password;
};

JobPlan Plan(int job, int localPort) {
    JobPlan plan;
    plan.version = job % 3 + 1;
    plan.localPort = localPort;
    if (plan.version == 1) {
        plan.trapOid = "6." + Index(job);
        plan.community = "community-" + Index(job);
        plan.enterprise = "1.3.6.1.4.1.9999.1." + Index(job);
    } else {
        plan.trapOid = "1.3.6.1.4.1.9999." + Index(plan.version) + "." + Index(job);
        plan.user = "user-" + Index(job);
        plan.password = "password-" + Index(job);
    }
    return plan;
}

// What the receiver prints for the job's trap: everything that must have come from this job.
std::vector<std::string> ExpectedLine(const JobPlan& plan) {
    const std::string from = "peer=UDP: [127.0.0.1]:" + std::to_string(plan.localPort) + "->";
    if (plan.version == 1) {
        return {"V1 " + from, "enterprise=." + plan.enterprise + " generic=6 specific=." +
                                  plan.trapOid.substr(2) + " security=TRAP, SNMP v1, community " +
                                  plan.community};
    }
    const std::string oid = ".1.3.6.1.6.3.1.1.4.1.0 = OID: ." + plan.trapOid;
    if (plan.version == 2) {
        return {"V2 " + from, "SNMP v2c, community ", oid};
    }
    return {"V2 " + from, "SNMP v3, user " + plan.user + ", context", oid};
}

TEST(ThreadSnmpConcurrencyTest, TwentyConcurrentJobsEachArriveWithTheirOwnSettings) {
    const std::vector<int> localPorts = FreeLoopbackUdpPorts(kJobs);
    std::vector<JobPlan> plans;
    std::vector<TrapUser> users;
    for (int job = 0; job < kJobs; ++job) {
        plans.push_back(Plan(job, localPorts[static_cast<std::size_t>(job)]));
        if (plans.back().version == 3) {
            users.push_back({kEngineId, plans.back().user, plans.back().password});
        }
    }
    TrapReceiver receiver(users);
    SnmpTrapAgent agent;

    std::vector<std::unique_ptr<ThreadSNMP>> jobs;
    for (const JobPlan& plan : plans) {
        jobs.push_back(std::make_unique<ThreadSNMP>(
            agent, "127.0.0.1", plan.localPort, receiver.Port(), plan.trapOid, kEngineId,
            "127.0.0.1", plan.version, plan.user, plan.password, plan.community, plan.enterprise,
            0));
    }
    {
        std::vector<std::jthread> workers;
        for (const auto& job : jobs) {
            workers.emplace_back([&job] { job->Execute(); });
        }
    }

    for (std::size_t job = 0; job < jobs.size(); ++job) {
        EXPECT_TRUE(jobs[job]->Succeeded()) << job << ": " << jobs[job]->ResultDetail();
        EXPECT_EQ(jobs[job]->ResultText(), "Sent") << job;
        receiver.WaitForLineWith(ExpectedLine(plans[job]));
    }
    for (const std::string& line : receiver.Lines()) {
        EXPECT_EQ(line.find("Authentication failed"), std::string::npos) << line;
    }
}

}  // namespace
}  // namespace trevalon
