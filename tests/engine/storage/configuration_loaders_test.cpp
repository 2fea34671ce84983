#include "engine/storage/configuration_loaders.h"

#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "tests/engine/storage/storage_scratch_database.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::SchemaScratchDatabase;
using testing::TempInstallation;

TEST(AlarmMethodAddress, HostLosesTheFirstSchemeInAnyLetterCase) {
    EXPECT_EQ(HostWithoutScheme("Http://mail.example.org"), "mail.example.org");
    EXPECT_EQ(HostWithoutScheme("relay-hTTP://x"), "relay-x");
    EXPECT_EQ(HostWithoutScheme("http://http://x"), "http://x");
    EXPECT_EQ(HostWithoutScheme("HTTP:/x"), "HTTP:/x");
    EXPECT_EQ(HostWithoutScheme(""), "");
}

TEST(AlarmMethodAddress, UrlGetsASchemeUnlessItHasOne) {
    EXPECT_EQ(UrlWithScheme("gw.example.org/send?to=$MSISDN"),
              "http://gw.example.org/send?to=$MSISDN");
    EXPECT_EQ(UrlWithScheme("HtTp://gw"), "HtTp://gw");
    EXPECT_EQ(UrlWithScheme("http:/gw"), "http://http:/gw");
    EXPECT_EQ(UrlWithScheme(""), "");
}

// One rule row; every facility and severity flag not named in `flags` is "n".
struct RuleRow {
    std::string ip = "\"*\"";  // as written into the statement
    std::map<std::string, std::string> flags;
    std::string extraColumns;
    std::string extraValues;
};

class ConfigurationLoaders : public ::testing::Test {
  protected:
    void Execute(const std::string& statement) { database_.Execute(statement); }

    void InsertMethod(const std::string& columns, const std::string& values) {
        Execute("insert into alarm_method (" + columns + ") values (" + values + ")");
    }

    void InsertRule(const RuleRow& row) {
        std::string columns = "ip";
        std::string values = row.ip;
        auto add = [&](const std::string& column) {
            const auto flag = row.flags.find(column);
            columns += "," + column;
            values += "," + SqlQuoted(flag == row.flags.end() ? "n" : flag->second);
        };
        for (const TIdSyslogFacility facility : kFacilitiesInWireOrder) {
            add(FacilityRuleColumn(facility));
        }
        for (const TIdSyslogSeverity severity : kSeveritiesInWireOrder) {
            add(SeverityRuleColumn(severity));
        }
        if (!row.extraColumns.empty()) {
            columns += "," + row.extraColumns;
            values += "," + row.extraValues;
        }
        Execute("insert into filtering (" + columns + ") values (" + values + ")");
    }

    std::shared_ptr<const ConfigurationSnapshot> Snapshot() const { return cache_.Snapshot(); }

    TempInstallation installation_;
    SchemaScratchDatabase database_{installation_, "trevalon_test_cache"};
    ConfigurationCache cache_;
};

TEST_F(ConfigurationLoaders, EachMethodLoadsItsOwnColumnsWithItsAddressNormalised) {
    const std::string all =
        "type,enable,ip,port,authenticate,username,password,proxy_ip,proxy_port,proxy_username,"
        "proxy_password,field_msisdn,field_message,url_method,smtp_mail_agent,smtp_from_address,"
        "sms_oa,sms_version,sms_system_type,sms_ton,sms_npi,sms_dest_ton,sms_dest_npi,"
        "sms_orig_ton,sms_orig_npi,snmp_trap_port,snmp_local_engine_id,snmp_localhost,timeout,"
        "read_timeout,retry";
    const std::string common =
        "1,\"u\",\"p\",\"proxy\",8080,\"pu\",\"pp\",\"to\",\"msg\",\"Get\",\"agent\","
        "\"from@example.org\",\"oa\",52,\"st\",2,3,4,5,6,7,162,\"engine\",\"local\",1000,2000,3";
    InsertMethod(all, "\"Email\",1,\"Http://mail.example.org\",25," + common);
    InsertMethod(all, "\"SMS\",1,\"smpp.example.org\",2775," + common);
    InsertMethod(all, "\"SMS by HTTP\",1,\"gw.example.org/send\",80," + common);
    InsertMethod(all, "\"SysLog\",1,\"HTTP://10.0.0.9\",514," + common);
    InsertMethod(all, "\"SNMP\",0,\"trap.example.org\",162," + common);
    LoadAlarmMethods(database_.Connection(), cache_);
    const auto snapshot = Snapshot();

    const AlarmMethodSettings& email = snapshot->Method(AlarmMethod::Email);
    EXPECT_TRUE(email.enable);
    EXPECT_EQ(email.ip, "mail.example.org");
    EXPECT_EQ(email.port, 25);
    EXPECT_TRUE(email.authenticate);
    EXPECT_EQ(email.username, "u");
    EXPECT_EQ(email.smtp_mail_agent, "agent");
    EXPECT_EQ(email.smtp_from_address, "from@example.org");
    EXPECT_EQ(email.timeout, 1000);
    EXPECT_EQ(email.read_timeout, 2000);
    EXPECT_EQ(email.retry, 3);
    EXPECT_EQ(email.sms_oa, "");
    EXPECT_EQ(email.proxy_port, 0);

    const AlarmMethodSettings& smpp = snapshot->Method(AlarmMethod::Sms);
    EXPECT_EQ(smpp.ip, "smpp.example.org");
    EXPECT_EQ(smpp.password, "p");
    EXPECT_EQ(smpp.sms_oa, "oa");
    EXPECT_EQ(smpp.sms_version, 52);
    EXPECT_EQ(smpp.sms_system_type, "st");
    EXPECT_EQ(smpp.sms_ton, 2);
    EXPECT_EQ(smpp.sms_npi, 3);
    EXPECT_EQ(smpp.sms_dest_ton, 4);
    EXPECT_EQ(smpp.sms_dest_npi, 5);
    EXPECT_EQ(smpp.sms_orig_ton, 6);
    EXPECT_EQ(smpp.sms_orig_npi, 7);
    EXPECT_EQ(smpp.timeout, 1000);
    EXPECT_EQ(smpp.read_timeout, 0);
    EXPECT_EQ(smpp.smtp_mail_agent, "");

    const AlarmMethodSettings& http = snapshot->Method(AlarmMethod::SmsByHttp);
    EXPECT_EQ(http.ip, "http://gw.example.org/send");
    EXPECT_EQ(http.url_method, "Get");
    EXPECT_EQ(http.proxy_ip, "proxy");
    EXPECT_EQ(http.proxy_port, 8080);
    EXPECT_EQ(http.proxy_username, "pu");
    EXPECT_EQ(http.proxy_password, "pp");
    EXPECT_EQ(http.field_msisdn, "to");
    EXPECT_EQ(http.field_message, "msg");
    EXPECT_EQ(http.read_timeout, 2000);
    EXPECT_EQ(http.sms_version, 0);

    const AlarmMethodSettings& forward = snapshot->Method(AlarmMethod::SysLog);
    EXPECT_EQ(forward.ip, "10.0.0.9");
    EXPECT_EQ(forward.port, 514);
    EXPECT_FALSE(forward.authenticate);
    EXPECT_EQ(forward.username, "");
    EXPECT_EQ(forward.timeout, 1000);
    EXPECT_EQ(forward.read_timeout, 0);
    EXPECT_EQ(forward.retry, 3);

    const AlarmMethodSettings& snmp = snapshot->Method(AlarmMethod::Snmp);
    EXPECT_FALSE(snmp.enable);
    EXPECT_EQ(snmp.snmp_trap_port, 162);
    EXPECT_EQ(snmp.snmp_local_engine_id, "engine");
    EXPECT_EQ(snmp.snmp_localhost, "local");
    EXPECT_EQ(snmp.timeout, 0);
    EXPECT_EQ(snmp.retry, 3);

    // No row of type "SNPP": the method stays disabled and empty.
    const AlarmMethodSettings& snpp = snapshot->Method(AlarmMethod::Snpp);
    EXPECT_FALSE(snpp.enable);
    EXPECT_EQ(snpp.ip, "");
    EXPECT_EQ(snpp.port, 0);
    EXPECT_TRUE(snapshot->HttpSmsExtraFields.empty());
}

TEST_F(ConfigurationLoaders, LaterRowOfATypeWinsAndOtherTypesAreSkipped) {
    InsertMethod("type,enable,ip,port", "\"Email\",1,\"first.example.org\",25");
    InsertMethod("type,enable,ip,port", "\"email\",1,\"lower.example.org\",26");
    InsertMethod("type,enable,ip,port", "\"Pager\",1,\"pager.example.org\",444");
    InsertMethod("type,enable,ip,port", "\"Email\",0,\"second.example.org\",587");
    LoadAlarmMethods(database_.Connection(), cache_);
    const AlarmMethodSettings& email = Snapshot()->Method(AlarmMethod::Email);
    EXPECT_FALSE(email.enable);
    EXPECT_EQ(email.ip, "second.example.org");
    EXPECT_EQ(email.port, 587);

    // A reload starts from nothing: a method whose row is gone is disabled again.
    Execute("delete from alarm_method");
    LoadAlarmMethods(database_.Connection(), cache_);
    EXPECT_EQ(Snapshot()->Method(AlarmMethod::Email).ip, "");
    EXPECT_EQ(Snapshot()->Method(AlarmMethod::Email).port, 0);
}

TEST_F(ConfigurationLoaders, ExtraFieldsOnlyForAnEnabledPostMethod) {
    Execute(
        "insert into alarm_method_extra_fields (field_name,field_value) values "
        "(\"user\",\"trevalon\"),(\"key\",NULL),(\"a=b\",\"c&d \\\"e\\\"\")");
    InsertMethod("type,enable,ip,port,url_method", "\"SMS by HTTP\",1,\"gw\",80,\"post\"");
    LoadAlarmMethods(database_.Connection(), cache_);
    EXPECT_TRUE(Snapshot()->HttpSmsExtraFields.empty());

    Execute("update alarm_method set url_method=\"Post\"");
    LoadAlarmMethods(database_.Connection(), cache_);
    EXPECT_EQ(Snapshot()->HttpSmsExtraFields,
              (std::vector<std::string>{"user=trevalon", "key=", "a=b=c&d \"e\""}));

    Execute("update alarm_method set enable=0");
    LoadAlarmMethods(database_.Connection(), cache_);
    EXPECT_TRUE(Snapshot()->HttpSmsExtraFields.empty());
}

TEST_F(ConfigurationLoaders, NullColumnsReadAsEmptyTextsAndZero) {
    InsertMethod("type,enable,ip,port,username,password,proxy_port,url_method",
                 "\"SMS by HTTP\",1,\"\",80,NULL,NULL,NULL,NULL");
    LoadAlarmMethods(database_.Connection(), cache_);
    const AlarmMethodSettings& http = Snapshot()->Method(AlarmMethod::SmsByHttp);
    EXPECT_EQ(http.ip, "");  // an empty URL gets no scheme
    EXPECT_EQ(http.username, "");
    EXPECT_EQ(http.proxy_port, 0);
    EXPECT_EQ(http.url_method, "");
    EXPECT_EQ(http.read_timeout, 5000);  // the column's default
}

TEST_F(ConfigurationLoaders, AlarmMethodErrorIsRaisedAndTheCacheKeepsItsMethods) {
    InsertMethod("type,enable,ip,port", "\"SNPP\",1,\"pager\",444");
    LoadAlarmMethods(database_.Connection(), cache_);
    const auto before = Snapshot();
    Execute("drop table alarm_method");
    EXPECT_THROW(LoadAlarmMethods(database_.Connection(), cache_), DatabaseError);
    EXPECT_EQ(Snapshot(), before);
    EXPECT_TRUE(Snapshot()->Method(AlarmMethod::Snpp).enable);
}

TEST_F(ConfigurationLoaders, RulesKeepServerOrderAndTheirTextsAsRead) {
    const std::string hostile = "\"; DROP TABLE filtering; -- \\\\ ' \xC3\xA9\t";
    InsertRule({"\"*\"", {{"facility_sfKernel", "y"}, {"severity_slEmergency", "Y"}}, "", ""});
    InsertRule({SqlQuoted(hostile),
                {{"facility_sfUUCP", "y"}, {"severity_slDebug", "y"}},
                "alarm_email,alarm_snmp,alarm_snmp_version,alarm_snmp_trap_oid,"
                "alarm_snmp_trap_community,alarm_snmp_trap_enterprise,alarm_snmp_trap_username,"
                "alarm_snmp_trap_password,alarm_repeat_seconds",
                "\"y\",\"Y\",3,\"1.3.6.1.4.1.9\",\"public\",\"1.3.6.1.4.1\",\"admin\",\"" +
                    SqlEscaped(hostile) + "\",600"});
    InsertRule({"NULL", {}, "alarm_snmp_trap_oid", "NULL"});
    LoadRulesExistFlag(database_.Connection(), cache_);
    LoadRules(database_.Connection(), cache_);
    const auto snapshot = Snapshot();
    EXPECT_TRUE(snapshot->RulesExist);
    ASSERT_EQ(snapshot->Rules.size(), 3u);

    const FilterRule& first = snapshot->Rules[0];
    EXPECT_EQ(first.id, 1);
    EXPECT_EQ(first.ip, "*");
    EXPECT_EQ(first.FacilityFlag(sfKernel), "y");
    EXPECT_EQ(first.FacilityFlag(sfUserLevel), "n");
    EXPECT_EQ(first.SeverityFlag(slEmergency), "Y");
    EXPECT_EQ(first.alarm_email, "n");
    EXPECT_EQ(first.alarm_snmp_version, 1);
    EXPECT_EQ(first.alarm_repeat_seconds, 0);

    const FilterRule& second = snapshot->Rules[1];
    EXPECT_EQ(second.id, 2);
    EXPECT_EQ(second.ip, hostile);
    EXPECT_EQ(second.facility[8], "y");  // wire code 8 is UUCP
    EXPECT_EQ(second.FacilityFlag(sfUUCP), "y");
    EXPECT_EQ(second.FacilityFlag(sfClockDaemonOne), "n");
    EXPECT_EQ(second.SeverityFlag(slDebug), "y");
    EXPECT_EQ(second.alarm_email, "y");
    EXPECT_EQ(second.alarm_snmp, "Y");
    EXPECT_EQ(second.alarm_snmp_version, 3);
    EXPECT_EQ(second.alarm_snmp_trap_oid, "1.3.6.1.4.1.9");
    EXPECT_EQ(second.alarm_snmp_trap_community, "public");
    EXPECT_EQ(second.alarm_snmp_trap_enterprise, "1.3.6.1.4.1");
    EXPECT_EQ(second.alarm_snmp_trap_username, "admin");
    EXPECT_EQ(second.alarm_snmp_trap_password, hostile);
    EXPECT_EQ(second.alarm_repeat_seconds, 600);

    const FilterRule& third = snapshot->Rules[2];
    EXPECT_EQ(third.ip, "");
    EXPECT_EQ(third.alarm_snmp_trap_oid, "");
    EXPECT_EQ(database_.Count("filtering"), 3);
}

TEST_F(ConfigurationLoaders, RulesExistFlagFollowsTheTableAndFailsToFalse) {
    LoadRulesExistFlag(database_.Connection(), cache_);
    EXPECT_FALSE(Snapshot()->RulesExist);
    InsertRule({});
    LoadRulesExistFlag(database_.Connection(), cache_);
    EXPECT_TRUE(Snapshot()->RulesExist);
    Execute("drop table filtering");
    LoadRulesExistFlag(database_.Connection(), cache_);
    EXPECT_FALSE(Snapshot()->RulesExist);
}

TEST_F(ConfigurationLoaders, RuleAndContactErrorsLeaveEmptyArrays) {
    InsertRule({});
    Execute("insert into contact_person (name) values (\"Ann\")");
    Execute("insert into filtering_contact (filtering_id,contact_person_id) values (1,1)");
    LoadRulesAndContacts(database_.Connection(), cache_);
    ASSERT_EQ(Snapshot()->Rules.size(), 1u);
    ASSERT_EQ(Snapshot()->Contacts.size(), 1u);

    Execute("drop table filtering");
    Execute("drop table contact_person");
    EXPECT_NO_THROW(LoadRules(database_.Connection(), cache_));
    EXPECT_NO_THROW(LoadRuleContacts(database_.Connection(), cache_));
    EXPECT_TRUE(Snapshot()->Rules.empty());
    // The links were read before the person table failed: their entries stay empty.
    ASSERT_EQ(Snapshot()->Contacts.size(), 1u);
    EXPECT_EQ(Snapshot()->Contacts[0].filtering_id, 0);
    EXPECT_EQ(Snapshot()->Contacts[0].name, "");
}

TEST_F(ConfigurationLoaders, ContactsFollowTheLinkRowsAndDeletedPersonsStayEmpty) {
    Execute(
        "insert into contact_person (name,details,email,sms,pager_id) values "
        "(\"Ann\",\"ops\",\"ann@example.org\",\"+4512345\",\"77\"),"
        "(\"Bob \\\"the\\\" Builder\",NULL,NULL,\"+4599\",NULL),"
        "(\"Gone\",NULL,NULL,NULL,NULL)");
    Execute("delete from contact_person where name=\"Gone\"");
    Execute(
        "insert into filtering_contact (filtering_id,contact_person_id) values "
        "(7,2),(7,3),(9,1),(9,NULL),(NULL,1)");
    LoadRuleContacts(database_.Connection(), cache_);
    const std::vector<ContactEntry>& contacts = Snapshot()->Contacts;
    ASSERT_EQ(contacts.size(), 5u);
    EXPECT_EQ(contacts[0].filtering_id, 7);
    EXPECT_EQ(contacts[0].name, "Bob \"the\" Builder");
    EXPECT_EQ(contacts[0].email, "");
    EXPECT_EQ(contacts[0].sms, "+4599");
    EXPECT_EQ(contacts[0].pager_id, "");
    for (const std::size_t empty : {1u, 3u}) {
        EXPECT_EQ(contacts[empty].filtering_id, 0) << empty;
        EXPECT_EQ(contacts[empty].name, "") << empty;
        EXPECT_EQ(contacts[empty].sms, "") << empty;
    }
    EXPECT_EQ(contacts[2].filtering_id, 9);
    EXPECT_EQ(contacts[2].name, "Ann");
    EXPECT_EQ(contacts[2].email, "ann@example.org");
    EXPECT_EQ(contacts[2].sms, "+4512345");
    EXPECT_EQ(contacts[2].pager_id, "77");
    // A link without a rule id still names its person, under rule id 0.
    EXPECT_EQ(contacts[4].filtering_id, 0);
    EXPECT_EQ(contacts[4].name, "Ann");
}

TEST(ConfigurationLoaderStatements, TextsAreTheSystemsOwn) {
    EXPECT_EQ(kSelectExtraFieldsStatement, "select * from alarm_method_extra_fields");
    EXPECT_EQ(kCountRulesStatement, "SELECT count(*) as numOfRecord FROM filtering");
    EXPECT_EQ(kSelectRulesStatement, "SELECT * FROM filtering");
    EXPECT_EQ(kSelectRuleContactsStatement,
              "Select filtering_id,contact_person_id from filtering_contact");
}

}  // namespace
}  // namespace trevalon
