#include <memory>
#include <numeric>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>

#include <gtest/gtest.h>

#include "engine/snmp/thread_snmp.h"
#include "tests/engine/snmp/trap_receiver.h"
#include "tests/support/loopback_ports.h"

namespace trevalon {
namespace {

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

std::unique_ptr<ThreadSNMP> Job(SnmpTrapAgent& agent, const JobPlan& plan, int receiverPort) {
    return std::make_unique<ThreadSNMP>(
        agent, "127.0.0.1", plan.localPort, receiverPort, plan.trapOid, kEngineId, "127.0.0.1",
        plan.version, plan.user, plan.password, plan.community, plan.enterprise, 0);
}

bool LocalPortTaken(const ThreadSNMP& job) {
    return !job.Succeeded() &&
           job.ResultDetail().find("Address already in use") != std::string::npos;
}

TEST(ThreadSnmpConcurrencyTest, TwentyConcurrentJobsEachArriveWithTheirOwnSettings) {
    std::vector<JobPlan> plans;
    std::vector<TrapUser> users;
    for (int job = 0; job < kJobs; ++job) {
        plans.push_back(Plan(job, 0));
        if (plans.back().version == 3) {
            users.push_back({kEngineId, plans.back().user, plans.back().password});
        }
    }
    // The receiver holds its port before the jobs' ports are picked, so they cannot meet.
    TrapReceiver receiver(users);
    SnmpTrapAgent agent;

    std::vector<std::unique_ptr<ThreadSNMP>> jobs(plans.size());
    std::vector<std::size_t> pending(plans.size());
    std::iota(pending.begin(), pending.end(), 0);
    // A local port another process took between the pick and the bind is picked again.
    for (int round = 0; round < 3 && !pending.empty(); ++round) {
        const std::vector<std::uint16_t> ports =
            testing::FreeLoopbackPorts(SOCK_DGRAM, static_cast<int>(pending.size()));
        for (std::size_t index = 0; index < pending.size(); ++index) {
            JobPlan& plan = plans[pending[index]];
            plan.localPort = ports[index];
            jobs[pending[index]] = Job(agent, plan, receiver.Port());
        }
        {
            std::vector<std::jthread> workers;
            for (const std::size_t job : pending) {
                workers.emplace_back([&jobs, job] { jobs[job]->Execute(); });
            }
        }
        std::erase_if(pending, [&jobs](std::size_t job) { return !LocalPortTaken(*jobs[job]); });
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
