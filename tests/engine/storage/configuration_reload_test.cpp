#include <array>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/reception/rule_matching.h"
#include "engine/storage/configuration_loaders.h"
#include "tests/engine/storage/storage_scratch_database.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::SchemaScratchDatabase;
using testing::TempInstallation;

constexpr int kGenerations = 40;
constexpr int kReaders = 4;
constexpr auto kPatience = std::chrono::seconds(60);

std::string Marker(int generation) {
    return "gen-" + std::to_string(generation);
}

int RuleCountOf(int generation) {
    return 2 + generation % 7;
}

int ExtraFieldCountOf(int generation) {
    return 1 + generation % 3;
}

// Writes generation `g` into the tables: RuleCountOf(g) rules of which only the last accepts
// "Kernel"/"Notice", one contact link per rule, and an HTTP SMS method with its extra fields,
// every text carrying the generation's marker.
void WriteGeneration(SchemaScratchDatabase& database, int g) {
    database.Execute("delete from filtering");
    database.Execute("delete from filtering_contact");
    database.Execute("delete from alarm_method_extra_fields");
    const std::string marker = SqlQuoted(Marker(g));
    const int rules = RuleCountOf(g);
    for (int i = 0; i < rules; ++i) {
        std::string columns = "ip,alarm_snmp_trap_oid,alarm_snmp_trap_community";
        std::string values = "\"*\"," + marker + ",\"" + std::to_string(rules) + "\"";
        for (const TIdSyslogFacility facility : kFacilitiesInWireOrder) {
            columns += "," + FacilityRuleColumn(facility);
            values += (i == rules - 1 && facility == sfKernel) ? ",\"y\"" : ",\"n\"";
        }
        for (const TIdSyslogSeverity severity : kSeveritiesInWireOrder) {
            columns += "," + SeverityRuleColumn(severity);
            values += ",\"y\"";
        }
        database.Execute("insert into filtering (" + columns + ") values (" + values + ")");
        database.Execute(
            "insert into filtering_contact (filtering_id,contact_person_id) values "
            "(LAST_INSERT_ID(),1)");
    }
    database.Execute("update alarm_method set ip=" + marker);
    for (int i = 0; i < ExtraFieldCountOf(g); ++i) {
        database.Execute(
            "insert into alarm_method_extra_fields (field_name,field_value) values "
            "(\"k\"," +
            marker + ")");
    }
}

// What a reader checks on every snapshot: each part belongs to one generation whole.
bool SnapshotIsWhole(const ConfigurationSnapshot& snapshot, const FilterRule& match,
                     int* generation) {
    if (match.id == 0 || snapshot.Rules.empty() || match.id != snapshot.Rules.back().id ||
        match.alarm_snmp_trap_community != std::to_string(snapshot.Rules.size())) {
        return false;
    }
    for (const FilterRule& rule : snapshot.Rules) {
        if (rule.alarm_snmp_trap_oid != match.alarm_snmp_trap_oid) {
            return false;
        }
    }
    if (snapshot.Contacts.size() != snapshot.Rules.size()) {
        return false;
    }
    for (std::size_t i = 0; i < snapshot.Contacts.size(); ++i) {
        if (snapshot.Contacts[i].filtering_id != snapshot.Rules[i].id ||
            snapshot.Contacts[i].name != "Ann") {
            return false;
        }
    }
    const std::string& url = snapshot.Method(AlarmMethod::SmsByHttp).ip;
    const std::string& fields =
        snapshot.HttpSmsExtraFields.empty() ? std::string() : snapshot.HttpSmsExtraFields.front();
    const int methodGeneration = std::stoi(url.substr(std::string("http://gen-").size()));
    if (snapshot.HttpSmsExtraFields.size() !=
            static_cast<std::size_t>(ExtraFieldCountOf(methodGeneration)) ||
        fields != "k=gen-" + std::to_string(methodGeneration)) {
        return false;
    }
    for (const std::string& field : snapshot.HttpSmsExtraFields) {
        if (field != fields) {
            return false;
        }
    }
    *generation = std::stoi(match.alarm_snmp_trap_oid.substr(4));
    return true;
}

TEST(ConfigurationReload, ReadersAlwaysMatchAgainstOneWholeSnapshot) {
    TempInstallation installation;
    SchemaScratchDatabase database(installation, "trevalon_test_reload");
    database.Execute("insert into contact_person (name) values (\"Ann\")");
    database.Execute(
        "insert into alarm_method (type,enable,ip,port,url_method) values "
        "(\"SMS by HTTP\",1,\"\",80,\"Post\")");
    ConfigurationCache cache;
    WriteGeneration(database, 0);
    LoadAlarmMethods(database.Connection(), cache);
    LoadRulesAndContacts(database.Connection(), cache);

    std::atomic<bool> stop{false};
    std::atomic<int> broken{0};
    std::atomic<long> matches{0};
    std::array<std::atomic<int>, kReaders> seen{};
    std::vector<std::thread> readers;
    for (int r = 0; r < kReaders; ++r) {
        readers.emplace_back([&, r] {
            while (!stop.load()) {
                const auto snapshot = cache.Snapshot();
                const FilterRule match =
                    FindMatchingRule(*snapshot, "10.0.0.5", sfKernel, slNotice);
                int generation = -1;
                if (!snapshot->RulesExist || !SnapshotIsWhole(*snapshot, match, &generation)) {
                    broken.fetch_add(1);
                    continue;
                }
                seen[static_cast<std::size_t>(r)].store(generation);
                matches.fetch_add(1);
            }
        });
    }

    // Each generation is published while the readers run, and the next one is written only
    // after every reader has matched against it.
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    bool inTime = true;
    for (int g = 1; g < kGenerations && inTime; ++g) {
        WriteGeneration(database, g);
        LoadAlarmMethods(database.Connection(), cache);
        LoadRulesAndContacts(database.Connection(), cache);
        for (const std::atomic<int>& reader : seen) {
            while (reader.load() < g && inTime) {
                std::this_thread::yield();
                inTime = std::chrono::steady_clock::now() < deadline;
            }
        }
    }
    stop.store(true);
    for (std::thread& reader : readers) {
        reader.join();
    }
    EXPECT_TRUE(inTime) << "the readers did not keep up";
    EXPECT_EQ(broken.load(), 0);
    EXPECT_GT(matches.load(), kGenerations);
    for (const std::atomic<int>& reader : seen) {
        EXPECT_EQ(reader.load(), kGenerations - 1);
    }
}

}  // namespace
}  // namespace trevalon
