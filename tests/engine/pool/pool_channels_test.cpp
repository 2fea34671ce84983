#include <chrono>
#include <deque>
#include <thread>

#include <gtest/gtest.h>

#include "engine/pool/pool_control_channel.h"
#include "engine/pool/pool_response_channel.h"

namespace trevalon {
namespace {

ControlMessage Limit(int value) {
    return ControlMessage{ControlMessage::Kind::SetMaxPooled, value, nullptr};
}

ResponseMessage Report(int code) {
    return ResponseMessage{ResponseMessage::Kind::Error, code, nullptr, "report"};
}

void WaitForBlockedSender(const PoolControlChannel& channel) {
    while (channel.WaitingSenders() == 0) {
        std::this_thread::yield();
    }
}

TEST(PoolControlChannel, HoldsTenThousandTwoHundredFortyBytesAndThenMakesSendersWait) {
    static_assert(PoolControlChannel::kCapacity * sizeof(ControlMessage) <= 10240);
    static_assert((PoolControlChannel::kCapacity + 1) * sizeof(ControlMessage) > 10240);
    PoolControlChannel channel;
    const int capacity = static_cast<int>(PoolControlChannel::kCapacity);
    for (int i = 0; i < capacity; ++i) {
        ASSERT_TRUE(channel.Post(Limit(i)));
    }
    bool lastPosted = false;
    std::thread sender([&] { lastPosted = channel.Post(Limit(capacity)); });
    WaitForBlockedSender(channel);

    std::deque<ControlMessage> inbox;
    channel.Receive(inbox, std::nullopt);
    ASSERT_EQ(inbox.size(), PoolControlChannel::kCapacity);
    for (int i = 0; i < capacity; ++i) {
        EXPECT_EQ(inbox[static_cast<std::size_t>(i)].value, i);
    }
    sender.join();
    EXPECT_TRUE(lastPosted);
    inbox.clear();
    channel.Receive(inbox, std::nullopt);
    ASSERT_EQ(inbox.size(), 1u);
    EXPECT_EQ(inbox[0].value, capacity);
}

TEST(PoolControlChannel, ClosingReleasesWaitingSendersWithoutPosting) {
    PoolControlChannel channel;
    for (std::size_t i = 0; i < PoolControlChannel::kCapacity; ++i) {
        ASSERT_TRUE(channel.Post(Limit(static_cast<int>(i))));
    }
    bool posted = true;
    std::thread sender([&] { posted = channel.Post(Limit(-1)); });
    WaitForBlockedSender(channel);
    channel.Close();
    sender.join();
    EXPECT_FALSE(posted);
    EXPECT_TRUE(channel.Closed());
    EXPECT_FALSE(channel.Post(Limit(-2)));
    const std::vector<ControlMessage> remaining = channel.TakeRemaining();
    ASSERT_EQ(remaining.size(), PoolControlChannel::kCapacity);
    EXPECT_EQ(remaining.front().value, 0);
    EXPECT_EQ(remaining.back().value, static_cast<int>(PoolControlChannel::kCapacity) - 1);
}

TEST(PoolControlChannel, ReceiveReturnsEmptyHandedWhenTheDeadlinePasses) {
    PoolControlChannel channel;
    std::deque<ControlMessage> inbox;
    channel.Receive(inbox, std::chrono::steady_clock::now() + std::chrono::milliseconds(1));
    EXPECT_TRUE(inbox.empty());
}

TEST(PoolResponseChannel, KeepsOrderBeyondItsRoomAndWakesTheOwnerOncePerDrain) {
    PoolResponseChannel channel;
    const int total = static_cast<int>(PoolResponseChannel::kCapacity) * 3;
    EXPECT_EQ(channel.Post(Report(0)), PoolResponseChannel::PostResult::PostedWakeOwner);
    for (int i = 1; i < total; ++i) {
        ASSERT_EQ(channel.Post(Report(i)), PoolResponseChannel::PostResult::Posted);
    }
    EXPECT_EQ(channel.Size(), PoolResponseChannel::kCapacity);
    for (int i = 0; i < total; ++i) {
        const auto message = channel.Take();
        ASSERT_TRUE(message);
        ASSERT_EQ(message->code, i);
        ASSERT_LE(channel.Size(), PoolResponseChannel::kCapacity);
    }
    EXPECT_FALSE(channel.Take());
    // The owner has found the channel empty, so the next message has to wake it again.
    EXPECT_EQ(channel.Post(Report(7)), PoolResponseChannel::PostResult::PostedWakeOwner);
}

TEST(PoolResponseChannel, ClosingReturnsWhatWasNotTakenAndRefusesMore) {
    PoolResponseChannel channel;
    const int total = static_cast<int>(PoolResponseChannel::kCapacity) + 5;
    for (int i = 0; i < total; ++i) {
        channel.Post(Report(i));
    }
    ASSERT_EQ(channel.Take()->code, 0);
    const std::vector<ResponseMessage> remaining = channel.Close();
    ASSERT_EQ(remaining.size(), static_cast<std::size_t>(total - 1));
    for (std::size_t i = 0; i < remaining.size(); ++i) {
        EXPECT_EQ(remaining[i].code, static_cast<int>(i) + 1);
    }
    EXPECT_EQ(channel.Post(Report(99)), PoolResponseChannel::PostResult::Closed);
    EXPECT_FALSE(channel.Take());
}

}  // namespace
}  // namespace trevalon
