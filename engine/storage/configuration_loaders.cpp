#include "engine/storage/configuration_loaders.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace trevalon {
namespace {

constexpr std::string_view kHttpScheme = "HTTP://";

// Columns that only some methods load, beyond enable, ip, port and retry, which all load.
enum ColumnGroup : unsigned {
    kAuthentication = 1u << 0,  // authenticate, username, password
    kSmtp = 1u << 1,
    kSmpp = 1u << 2,
    kHttpGateway = 1u << 3,
    kSnmpAgent = 1u << 4,
    kTimeout = 1u << 5,
    kReadTimeout = 1u << 6,
};

unsigned ColumnGroupsOf(AlarmMethod method) {
    switch (method) {
        case AlarmMethod::Email:
            return kAuthentication | kSmtp | kTimeout | kReadTimeout;
        case AlarmMethod::Sms:
            return kAuthentication | kSmpp | kTimeout;
        case AlarmMethod::SmsByHttp:
            return kAuthentication | kHttpGateway | kTimeout | kReadTimeout;
        case AlarmMethod::SysLog:
            return kTimeout;
        case AlarmMethod::Snmp:
            return kSnmpAgent;
        case AlarmMethod::Snpp:
            return kTimeout | kReadTimeout;
    }
    return 0;
}

std::optional<AlarmMethod> MethodOfType(std::string_view type) {
    for (const AlarmMethod method : kAlarmMethods) {
        if (AlarmMethodType(method) == type) {
            return method;
        }
    }
    return std::nullopt;
}

char Upper(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool StartsWithHttpScheme(std::string_view text) {
    return text.size() >= kHttpScheme.size() &&
           std::equal(kHttpScheme.begin(), kHttpScheme.end(), text.begin(),
                      [](char scheme, char c) { return scheme == Upper(c); });
}

// Reads one table row field by field; INTEGER columns always fit an int.
class Row {
  public:
    Row(const QueryResult& result, std::size_t row) : result_(result), row_(row) {}
    std::string Text(std::string_view column) const { return result_.Text(row_, column); }
    int Integer(std::string_view column) const {
        return static_cast<int>(result_.Integer(row_, column));
    }
    bool Flag(std::string_view column) const { return result_.Integer(row_, column) != 0; }

  private:
    const QueryResult& result_;
    std::size_t row_;
};

AlarmMethodSettings ReadMethod(const Row& row, AlarmMethod method) {
    const unsigned groups = ColumnGroupsOf(method);
    AlarmMethodSettings settings;
    settings.enable = row.Flag("enable");
    settings.ip = method == AlarmMethod::SmsByHttp ? UrlWithScheme(row.Text("ip"))
                                                   : HostWithoutScheme(row.Text("ip"));
    settings.port = row.Integer("port");
    if (groups & kAuthentication) {
        settings.authenticate = row.Flag("authenticate");
        settings.username = row.Text("username");
        settings.password = row.Text("password");
    }
    if (groups & kSmtp) {
        settings.smtp_mail_agent = row.Text("smtp_mail_agent");
        settings.smtp_from_address = row.Text("smtp_from_address");
    }
    if (groups & kSmpp) {
        settings.sms_oa = row.Text("sms_oa");
        settings.sms_version = row.Integer("sms_version");
        settings.sms_system_type = row.Text("sms_system_type");
        settings.sms_ton = row.Integer("sms_ton");
        settings.sms_npi = row.Integer("sms_npi");
        settings.sms_dest_ton = row.Integer("sms_dest_ton");
        settings.sms_dest_npi = row.Integer("sms_dest_npi");
        settings.sms_orig_ton = row.Integer("sms_orig_ton");
        settings.sms_orig_npi = row.Integer("sms_orig_npi");
    }
    if (groups & kHttpGateway) {
        settings.url_method = row.Text("url_method");
        settings.proxy_ip = row.Text("proxy_ip");
        settings.proxy_port = row.Integer("proxy_port");
        settings.proxy_username = row.Text("proxy_username");
        settings.proxy_password = row.Text("proxy_password");
        settings.field_msisdn = row.Text("field_msisdn");
        settings.field_message = row.Text("field_message");
    }
    if (groups & kSnmpAgent) {
        settings.snmp_trap_port = row.Integer("snmp_trap_port");
        settings.snmp_local_engine_id = row.Text("snmp_local_engine_id");
        settings.snmp_localhost = row.Text("snmp_localhost");
    }
    if (groups & kTimeout) {
        settings.timeout = row.Integer("timeout");
    }
    if (groups & kReadTimeout) {
        settings.read_timeout = row.Integer("read_timeout");
    }
    settings.retry = row.Integer("retry");
    return settings;
}

struct AlarmMethodsContent {
    std::array<AlarmMethodSettings, kAlarmMethodCount> methods;
    std::vector<std::string> httpSmsExtraFields;
};

AlarmMethodsContent ReadAlarmMethods(DatabaseConnection& connection) {
    AlarmMethodsContent content;
    const QueryResult table = connection.OpenTable(kAlarmMethodTable);
    for (std::size_t i = 0; i < table.RowCount(); ++i) {
        const Row row(table, i);
        if (const auto method = MethodOfType(row.Text("type"))) {
            content.methods[static_cast<std::size_t>(*method)] = ReadMethod(row, *method);
        }
    }
    const AlarmMethodSettings& http =
        content.methods[static_cast<std::size_t>(AlarmMethod::SmsByHttp)];
    if (http.enable && http.url_method == "Post") {
        const QueryResult fields = connection.Query(kSelectExtraFieldsStatement);
        for (std::size_t i = 0; i < fields.RowCount(); ++i) {
            content.httpSmsExtraFields.push_back(fields.Text(i, "field_name") + "=" +
                                                 fields.Text(i, "field_value"));
        }
    }
    return content;
}

bool ReadRulesExistFlag(DatabaseConnection& connection) {
    try {
        return connection.Query(kCountRulesStatement).Integer(0, "numOfRecord") != 0;
    } catch (const std::exception&) {
        return false;
    }
}

FilterRule ReadRule(const Row& row) {
    FilterRule rule;
    rule.id = row.Integer("id");
    rule.ip = row.Text("ip");
    for (std::size_t code = 0; code < rule.facility.size(); ++code) {
        rule.facility[code] = row.Text(FacilityRuleColumn(kFacilitiesInWireOrder[code]));
    }
    for (std::size_t code = 0; code < rule.severity.size(); ++code) {
        rule.severity[code] = row.Text(SeverityRuleColumn(kSeveritiesInWireOrder[code]));
    }
    rule.alarm_email = row.Text("alarm_email");
    rule.alarm_smpp = row.Text("alarm_smpp");
    rule.alarm_httpsms = row.Text("alarm_httpsms");
    rule.alarm_syslog = row.Text("alarm_syslog");
    rule.alarm_snmp = row.Text("alarm_snmp");
    rule.alarm_snpp = row.Text("alarm_snpp");
    rule.alarm_snmp_version = row.Integer("alarm_snmp_version");
    rule.alarm_snmp_trap_oid = row.Text("alarm_snmp_trap_oid");
    rule.alarm_snmp_trap_community = row.Text("alarm_snmp_trap_community");
    rule.alarm_snmp_trap_enterprise = row.Text("alarm_snmp_trap_enterprise");
    rule.alarm_snmp_trap_username = row.Text("alarm_snmp_trap_username");
    rule.alarm_snmp_trap_password = row.Text("alarm_snmp_trap_password");
    rule.alarm_repeat_seconds = row.Integer("alarm_repeat_seconds");
    return rule;
}

// A row is stored only once it is read completely: a half-read rule could match a message
// and stop the walk ahead of the rule that should have applied.
std::vector<FilterRule> ReadRules(DatabaseConnection& connection) {
    std::vector<FilterRule> rules;
    try {
        const QueryResult result = connection.Query(kSelectRulesStatement);
        rules.resize(result.RowCount());
        for (std::size_t i = 0; i < result.RowCount(); ++i) {
            rules[i] = ReadRule(Row(result, i));
        }
    } catch (const std::exception&) {
        // The rules read so far stay; the rest of the array stays empty rules.
    }
    return rules;
}

std::vector<ContactEntry> ReadRuleContacts(DatabaseConnection& connection) {
    std::vector<ContactEntry> contacts;
    try {
        const QueryResult links = connection.Query(kSelectRuleContactsStatement);
        contacts.resize(links.RowCount());
        const QueryResult persons = connection.OpenTable(kContactPersonTable);
        std::unordered_map<int, std::size_t> personRows;
        for (std::size_t i = 0; i < persons.RowCount(); ++i) {
            personRows.insert_or_assign(Row(persons, i).Integer("id"), i);
        }
        for (std::size_t i = 0; i < links.RowCount(); ++i) {
            const Row link(links, i);
            const auto person = personRows.find(link.Integer("contact_person_id"));
            if (person == personRows.end()) {
                continue;
            }
            const Row row(persons, person->second);
            ContactEntry entry;
            entry.filtering_id = link.Integer("filtering_id");
            entry.name = row.Text("name");
            entry.email = row.Text("email");
            entry.sms = row.Text("sms");
            entry.pager_id = row.Text("pager_id");
            contacts[i] = std::move(entry);
        }
    } catch (const std::exception&) {
        // The entries read so far stay; the rest stay empty.
    }
    return contacts;
}

}  // namespace

std::string HostWithoutScheme(std::string_view ip) {
    std::string host(ip);
    for (std::size_t i = 0; i + kHttpScheme.size() <= host.size(); ++i) {
        if (StartsWithHttpScheme(std::string_view(host).substr(i))) {
            host.erase(i, kHttpScheme.size());
            break;
        }
    }
    return host;
}

std::string UrlWithScheme(std::string_view ip) {
    if (ip.empty() || StartsWithHttpScheme(ip)) {
        return std::string(ip);
    }
    return "http://" + std::string(ip);
}

void LoadAlarmMethods(DatabaseConnection& connection, ConfigurationCache& cache) {
    AlarmMethodsContent content = ReadAlarmMethods(connection);
    cache.Update([&content](ConfigurationSnapshot& next) {
        next.AlarmMethods = std::move(content.methods);
        next.HttpSmsExtraFields = std::move(content.httpSmsExtraFields);
    });
}

void LoadRulesExistFlag(DatabaseConnection& connection, ConfigurationCache& cache) {
    const bool rulesExist = ReadRulesExistFlag(connection);
    cache.Update([rulesExist](ConfigurationSnapshot& next) { next.RulesExist = rulesExist; });
}

void LoadRules(DatabaseConnection& connection, ConfigurationCache& cache) {
    std::vector<FilterRule> rules = ReadRules(connection);
    cache.Update([&rules](ConfigurationSnapshot& next) { next.Rules = std::move(rules); });
}

void LoadRuleContacts(DatabaseConnection& connection, ConfigurationCache& cache) {
    std::vector<ContactEntry> contacts = ReadRuleContacts(connection);
    cache.Update([&contacts](ConfigurationSnapshot& next) { next.Contacts = std::move(contacts); });
}

void LoadRulesAndContacts(DatabaseConnection& connection, ConfigurationCache& cache) {
    const bool rulesExist = ReadRulesExistFlag(connection);
    std::vector<FilterRule> rules = ReadRules(connection);
    std::vector<ContactEntry> contacts = ReadRuleContacts(connection);
    cache.Update([&](ConfigurationSnapshot& next) {
        next.RulesExist = rulesExist;
        next.Rules = std::move(rules);
        next.Contacts = std::move(contacts);
    });
}

}  // namespace trevalon
