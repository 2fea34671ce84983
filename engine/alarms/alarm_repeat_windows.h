#pragma once

// Repeat limits of filtering rules: within a rule's limit, one source raises one alarm and
// the further matches are only counted, to go out as one summary when the limit is over.

#include <chrono>
#include <cstddef>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/alarms/rule_alarms.h"
#include "foundation/clock.h"

namespace trevalon {

// The open windows, one per rule and source, timed by the engine clock. Bounded: a window
// opened when all places are taken pushes out the oldest one, which sends its summary then.
// Safe for many threads; summaries are handed back for the caller to raise outside the lock.
class AlarmRepeatWindows {
  public:
    static constexpr std::size_t kDefaultCapacity = 10000;

    // What becomes of one matched message.
    struct Admission {
        // Whether its own alarms go now; false while a window of its rule and source is open.
        bool raise = true;
        // Summaries to raise first: of a window that ran out, or of one pushed out to make room.
        std::vector<RuleAlarms> summaries;
    };

    explicit AlarmRepeatWindows(std::size_t capacity = kDefaultCapacity);

    // A message of rule `alarms.ruleId` from `source`, whose rule holds repeats for
    // `limitSeconds` (more than 0).
    Admission Admit(const std::string& source, int limitSeconds, RuleAlarms alarms);
    // Closes the windows whose time is over; the summaries of those that held something.
    std::vector<RuleAlarms> TakeDue();
    // After the rules were reloaded: windows of rules whose limit, given by rule id, is still the
    // same stay open; the others close, with their summaries.
    std::vector<RuleAlarms> KeepRules(const std::map<int, int>& limitByRule);

    std::size_t OpenWindows() const;

  private:
    struct Key {
        int ruleId = 0;
        std::string source;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const;
    };
    struct Window {
        Key key;
        int limitSeconds = 0;
        TimePoint opened;
        std::size_t held = 0;
        // The last held message's alarms; meaningful while held > 0.
        RuleAlarms last;

        bool Over(TimePoint now) const {
            return now >= opened + std::chrono::seconds(limitSeconds);
        }
    };
    using Windows = std::list<Window>;

    // Removes the window, putting its summary into `summaries` when it held something.
    void Close(Windows::iterator window, std::vector<RuleAlarms>& summaries);

    const std::size_t capacity_;
    mutable std::mutex mutex_;
    // Oldest first.
    Windows windows_;
    std::unordered_map<Key, Windows::iterator, KeyHash> byKey_;
};

// " (+N more since HH:MM:SS)" added to the last held text, `opened` in local time.
std::string SummaryText(const std::string& lastText, std::size_t held, TimePoint opened);

}  // namespace trevalon
