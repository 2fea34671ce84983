#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "engine/reception/rule_matching.h"
#include "engine/storage/configuration_cache.h"

namespace trevalon {
namespace {

std::string SenderOf(int rule, int count) {
    if (rule == count - 1) {
        return std::string("192.168.100.20");
    }
    if (rule % 2 != 0) {
        return std::string("*");
    }
    std::string other("192.168.100.");
    other += std::to_string(100 + rule % 150);
    return other;
}

// `count` rules of which only the last one matches a "Kernel"/"Notice" message from
// 192.168.100.20: the others alternate between another sender and "*" without the facility.
std::vector<FilterRule> RulesMatchingAtTheEnd(int count) {
    const std::string yes = "y";
    const std::string no = "n";
    std::vector<FilterRule> rules(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        FilterRule& rule = rules[static_cast<std::size_t>(i)];
        rule.id = i + 1;
        rule.facility.fill(yes);
        rule.severity.fill(yes);
        rule.alarm_email = yes;
        rule.alarm_snmp = yes;
        rule.alarm_snmp_trap_oid = "1.3.6.1.4.1.30000.1.1";
        rule.alarm_snmp_trap_community = "public";
        rule.alarm_snmp_trap_enterprise = "1.3.6.1.4.1.30000";
        rule.ip = SenderOf(i, count);
        if (rule.ip == "*") {
            rule.facility[0] = no;
        }
    }
    return rules;
}

void BM_FindMatchingRule(benchmark::State& state) {
    ConfigurationSnapshot snapshot;
    snapshot.RulesExist = true;
    snapshot.Rules = RulesMatchingAtTheEnd(static_cast<int>(state.range(0)));
    const std::string source = "192.168.100.20";
    for (auto _ : state) {
        FilterRule rule = FindMatchingRule(snapshot, source, sfKernel, slNotice);
        benchmark::DoNotOptimize(rule);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FindMatchingRule)->Arg(10)->Arg(100)->Arg(1000);

// The walk alone, without the copy of the matched rule.
void BM_FirstMatchingRule(benchmark::State& state) {
    const std::vector<FilterRule> rules = RulesMatchingAtTheEnd(static_cast<int>(state.range(0)));
    const std::string source = "192.168.100.20";
    for (auto _ : state) {
        const FilterRule* rule = FirstMatchingRule(rules, source, sfKernel, slNotice);
        benchmark::DoNotOptimize(rule);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FirstMatchingRule)->Arg(10)->Arg(100)->Arg(1000);

ConfigurationCache& BenchCache() {
    static ConfigurationCache cache;
    return cache;
}

void BM_TakeSnapshot(benchmark::State& state) {
    if (state.thread_index() == 0) {
        BenchCache().Update(
            [](ConfigurationSnapshot& next) { next.Rules = RulesMatchingAtTheEnd(100); });
    }
    for (auto _ : state) {
        auto snapshot = BenchCache().Snapshot();
        benchmark::DoNotOptimize(snapshot);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TakeSnapshot)->Threads(1)->Threads(2)->Threads(4)->UseRealTime();

}  // namespace
}  // namespace trevalon
