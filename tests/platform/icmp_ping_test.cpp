#include "platform/icmp_ping.h"

#include <gtest/gtest.h>

namespace trevalon::platform {
namespace {

using namespace std::chrono_literals;

// Loopback answers; a name that cannot resolve, or what is no host at all, cannot be sent to.
// (The time-out needs a host that stays silent; the filtering dialog's tests fake it.)
TEST(IcmpPing, TellsAReplyFromWhatCannotBeSent) {
    EXPECT_EQ(Ping("127.0.0.1", 1000ms).outcome, PingOutcome::kReply);
    EXPECT_EQ(Ping("localhost", 1000ms).outcome, PingOutcome::kReply);
    for (const char* host : {"no-such-host.invalid", "-c", ""}) {
        const PingResult result = Ping(host, 1000ms);
        EXPECT_EQ(result.outcome, PingOutcome::kCannotSend) << host;
        EXPECT_FALSE(result.error.empty()) << host;
    }
}

}  // namespace
}  // namespace trevalon::platform
