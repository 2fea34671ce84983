#include "engine/alarms/alarm_repeat_windows.h"

#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/fixed_clock.h"

namespace trevalon {
namespace {

using testing::FixedClock;

LocalTime At(int hour, int minute, int second) {
    return LocalTime{2026, 12, 10, hour, minute, second, 4};
}

RuleAlarms Alarms(int ruleId, const std::string& text) {
    RuleAlarms alarms;
    alarms.ruleId = ruleId;
    alarms.email = true;
    alarms.snmp = true;
    alarms.snmpTrapOid = "6.1";
    alarms.timeStamp = "2026-12-10 " + text;
    alarms.text = text;
    return alarms;
}

std::vector<std::string> Texts(const std::vector<RuleAlarms>& summaries) {
    std::vector<std::string> texts;
    for (const RuleAlarms& summary : summaries) {
        texts.push_back(summary.text);
    }
    return texts;
}

// The first match goes, the next ones within the limit are held, and one summary with the last
// held message, the count and the window's opening time goes when the limit is over; the next
// match opens a new window. A window that held nothing closes silently.
TEST(AlarmRepeatWindows, FirstGoesTheRestAreHeldAndSummedUpWhenTheLimitIsOver) {
    FixedClock clock(At(10, 15, 2));
    AlarmRepeatWindows windows;
    EXPECT_TRUE(windows.Admit("router1", 10, Alarms(1, "first")).raise);
    for (int held = 1; held <= 37; ++held) {
        clock.Set(At(10, 15, 2 + held / 5));
        const AlarmRepeatWindows::Admission admission =
            windows.Admit("router1", 10, Alarms(1, "held " + std::to_string(held)));
        EXPECT_FALSE(admission.raise);
        EXPECT_TRUE(admission.summaries.empty());
    }
    clock.Set(At(10, 15, 11));
    EXPECT_TRUE(windows.TakeDue().empty());

    clock.Set(At(10, 15, 12));
    const std::vector<RuleAlarms> summaries = windows.TakeDue();
    ASSERT_EQ(summaries.size(), 1u);
    EXPECT_EQ(summaries[0].text, "held 37 (+37 more since 10:15:02)");
    EXPECT_EQ(summaries[0].timeStamp, "2026-12-10 held 37");
    EXPECT_EQ(summaries[0].ruleId, 1);
    EXPECT_TRUE(summaries[0].email && summaries[0].snmp && !summaries[0].forward);
    EXPECT_EQ(summaries[0].snmpTrapOid, "6.1");
    EXPECT_EQ(windows.OpenWindows(), 0u);
    EXPECT_TRUE(windows.TakeDue().empty());

    // A window that held nothing closes without a summary.
    EXPECT_TRUE(windows.Admit("router1", 10, Alarms(1, "again")).raise);
    clock.Set(At(10, 15, 30));
    EXPECT_TRUE(windows.TakeDue().empty());
    EXPECT_EQ(windows.OpenWindows(), 0u);

    // A match after the limit, before the summaries were taken: the summary first, then it goes.
    EXPECT_TRUE(windows.Admit("router1", 5, Alarms(1, "one")).raise);
    EXPECT_FALSE(windows.Admit("router1", 5, Alarms(1, "two")).raise);
    clock.Set(At(10, 15, 35));
    const AlarmRepeatWindows::Admission late = windows.Admit("router1", 5, Alarms(1, "three"));
    EXPECT_TRUE(late.raise);
    EXPECT_EQ(Texts(late.summaries), std::vector<std::string>{"two (+1 more since 10:15:30)"});
    EXPECT_EQ(windows.OpenWindows(), 1u);
}

// Each rule and source has a window of its own; reloading keeps the windows of rules whose limit
// stayed and closes the others with their summaries.
TEST(AlarmRepeatWindows, WindowsArePerRuleAndSourceAndSurviveReloadsThatKeepTheLimit) {
    FixedClock clock(At(8, 0, 0));
    AlarmRepeatWindows windows;
    const struct {
        int rule;
        const char* source;
        int limit;
        int repeats;
    } cases[] = {{1, "10.0.0.1", 60, 3},
                 {1, "10.0.0.2", 60, 1},
                 {2, "10.0.0.1", 60, 2},
                 {3, "10.0.0.1", 60, 4}};
    for (const auto& c : cases) {
        EXPECT_TRUE(windows.Admit(c.source, c.limit, Alarms(c.rule, "first")).raise);
        for (int i = 0; i < c.repeats; ++i) {
            EXPECT_FALSE(windows.Admit(c.source, c.limit, Alarms(c.rule, c.source)).raise);
        }
    }
    EXPECT_EQ(windows.OpenWindows(), 4u);

    // Rule 1 keeps its limit, rule 2 changes it, rule 3 is gone.
    EXPECT_EQ(Texts(windows.KeepRules({{1, 60}, {2, 30}})),
              (std::vector<std::string>{"10.0.0.1 (+2 more since 08:00:00)",
                                        "10.0.0.1 (+4 more since 08:00:00)"}));
    EXPECT_EQ(windows.OpenWindows(), 2u);
    EXPECT_FALSE(windows.Admit("10.0.0.2", 60, Alarms(1, "kept")).raise);

    clock.Set(At(8, 1, 0));
    EXPECT_EQ(Texts(windows.TakeDue()),
              (std::vector<std::string>{"10.0.0.1 (+3 more since 08:00:00)",
                                        "kept (+2 more since 08:00:00)"}));
}

// With all places taken, a new window pushes out the oldest, which sends its summary then.
TEST(AlarmRepeatWindows, TheOldestWindowGivesWayAndSendsItsSummary) {
    FixedClock clock(At(9, 30, 0));
    AlarmRepeatWindows windows(3);
    for (const char* source : {"a", "b", "c"}) {
        EXPECT_TRUE(windows.Admit(source, 600, Alarms(1, source)).raise);
        clock.Set(At(9, 30, 1));
    }
    EXPECT_FALSE(windows.Admit("a", 600, Alarms(1, "a held")).raise);
    EXPECT_FALSE(windows.Admit("a", 600, Alarms(1, "a held")).raise);

    const AlarmRepeatWindows::Admission d = windows.Admit("d", 600, Alarms(1, "d"));
    EXPECT_TRUE(d.raise);
    EXPECT_EQ(Texts(d.summaries), std::vector<std::string>{"a held (+2 more since 09:30:00)"});
    EXPECT_EQ(windows.OpenWindows(), 3u);
    // "b" held nothing: it gives way silently; "a" opens anew.
    const AlarmRepeatWindows::Admission a = windows.Admit("a", 600, Alarms(1, "a again"));
    EXPECT_TRUE(a.raise);
    EXPECT_TRUE(a.summaries.empty());
    EXPECT_EQ(windows.OpenWindows(), 3u);
    EXPECT_FALSE(windows.Admit("c", 600, Alarms(1, "c")).raise);
}

// Receivers admit from several threads while the owner takes the due windows: every message is
// either raised or counted in exactly one summary.
TEST(AlarmRepeatWindows, EveryMessageIsRaisedOrCountedWhileThreadsAdmitAndTheOwnerTakes) {
    FixedClock clock(At(12, 0, 0));
    AlarmRepeatWindows windows(2);
    constexpr int kThreads = 4;
    constexpr int kMessages = 2000;
    std::vector<std::vector<RuleAlarms>> summaries(kThreads + 1);
    std::vector<int> raised(kThreads, 0);
    std::vector<std::thread> receivers;
    for (int t = 0; t < kThreads; ++t) {
        receivers.emplace_back([&, t] {
            for (int i = 0; i < kMessages; ++i) {
                AlarmRepeatWindows::Admission admission =
                    windows.Admit("host" + std::to_string(i % 3), 1, Alarms(t % 2, "m"));
                raised[t] += admission.raise ? 1 : 0;
                for (RuleAlarms& summary : admission.summaries) {
                    summaries[t].push_back(std::move(summary));
                }
            }
        });
    }
    for (int tick = 0; tick < 50; ++tick) {
        clock.Set(FromLocalTime(At(12, 0, 0)) + std::chrono::seconds(tick));
        for (RuleAlarms& summary : windows.TakeDue()) {
            summaries[kThreads].push_back(std::move(summary));
        }
    }
    for (std::thread& receiver : receivers) {
        receiver.join();
    }
    clock.Set(At(13, 0, 0));
    for (RuleAlarms& summary : windows.TakeDue()) {
        summaries[kThreads].push_back(std::move(summary));
    }
    long total = 0;
    for (int count : raised) {
        total += count;
    }
    for (const auto& taken : summaries) {
        for (const RuleAlarms& summary : taken) {
            total += std::stol(summary.text.substr(summary.text.find("(+") + 2));
        }
    }
    EXPECT_EQ(total, long{kThreads} * kMessages);
    EXPECT_EQ(windows.OpenWindows(), 0u);
}

}  // namespace
}  // namespace trevalon
