#include "engine/alarms/alarm_repeat_windows.h"

#include <cstdio>
#include <functional>
#include <utility>

namespace trevalon {

std::string SummaryText(const std::string& lastText, std::size_t held, TimePoint opened) {
    const LocalTime local = ToLocalTime(opened);
    char since[16];
    std::snprintf(since, sizeof since, "%02d:%02d:%02d", local.hour, local.minute, local.second);
    return lastText + " (+" + std::to_string(held) + " more since " + since + ")";
}

std::size_t AlarmRepeatWindows::KeyHash::operator()(const Key& key) const {
    return std::hash<std::string>{}(key.source) * 31u + std::hash<int>{}(key.ruleId);
}

AlarmRepeatWindows::AlarmRepeatWindows(std::size_t capacity)
    : capacity_(capacity > 0 ? capacity : 1) {}

AlarmRepeatWindows::Admission AlarmRepeatWindows::Admit(const std::string& source, int limitSeconds,
                                                        RuleAlarms alarms) {
    const TimePoint now = EngineClock().Now();
    Admission admission;
    Key key{alarms.ruleId, source};
    const std::lock_guard lock(mutex_);
    const auto found = byKey_.find(key);
    if (found != byKey_.end()) {
        Window& window = *found->second;
        if (!window.Over(now) && window.limitSeconds == limitSeconds) {
            ++window.held;
            window.last = std::move(alarms);
            admission.raise = false;
            return admission;
        }
        Close(found->second, admission.summaries);
    }
    if (windows_.size() >= capacity_) {
        Close(windows_.begin(), admission.summaries);
    }
    windows_.push_back(Window{key, limitSeconds, now, 0, {}});
    byKey_.emplace(std::move(key), std::prev(windows_.end()));
    return admission;
}

std::vector<RuleAlarms> AlarmRepeatWindows::TakeDue() {
    const TimePoint now = EngineClock().Now();
    std::vector<RuleAlarms> summaries;
    const std::lock_guard lock(mutex_);
    for (auto window = windows_.begin(); window != windows_.end();) {
        const auto next = std::next(window);
        if (window->Over(now)) {
            Close(window, summaries);
        }
        window = next;
    }
    return summaries;
}

std::vector<RuleAlarms> AlarmRepeatWindows::KeepRules(const std::map<int, int>& limitByRule) {
    std::vector<RuleAlarms> summaries;
    const std::lock_guard lock(mutex_);
    for (auto window = windows_.begin(); window != windows_.end();) {
        const auto next = std::next(window);
        const auto limit = limitByRule.find(window->key.ruleId);
        if (limit == limitByRule.end() || limit->second != window->limitSeconds) {
            Close(window, summaries);
        }
        window = next;
    }
    return summaries;
}

std::size_t AlarmRepeatWindows::OpenWindows() const {
    const std::lock_guard lock(mutex_);
    return windows_.size();
}

void AlarmRepeatWindows::Close(Windows::iterator window, std::vector<RuleAlarms>& summaries) {
    if (window->held > 0) {
        RuleAlarms summary = std::move(window->last);
        summary.text = SummaryText(summary.text, window->held, window->opened);
        summaries.push_back(std::move(summary));
    }
    byKey_.erase(window->key);
    windows_.erase(window);
}

}  // namespace trevalon
