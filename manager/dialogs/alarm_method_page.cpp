#include "manager/dialogs/alarm_method_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <string_view>
#include <utility>

#include "engine/storage/database_client.h"
#include "ui_alarm_options_dialog.h"

namespace trevalon {
namespace {

constexpr ColumnShape kText = ColumnShape::kText;
constexpr ColumnShape kNumber = ColumnShape::kNumber;

using Settings = AlarmMethodSettings;

// Where each column lands in the settings an alarm uses.
constexpr std::pair<std::string_view, std::string Settings::*> kTextMembers[] = {
    {"ip", &Settings::ip},
    {"username", &Settings::username},
    {"password", &Settings::password},
    {"smtp_mail_agent", &Settings::smtp_mail_agent},
    {"smtp_from_address", &Settings::smtp_from_address},
    {"sms_oa", &Settings::sms_oa},
    {"sms_system_type", &Settings::sms_system_type},
    {"url_method", &Settings::url_method},
    {"proxy_ip", &Settings::proxy_ip},
    {"proxy_username", &Settings::proxy_username},
    {"proxy_password", &Settings::proxy_password},
    {"field_msisdn", &Settings::field_msisdn},
    {"field_message", &Settings::field_message},
    {"snmp_local_engine_id", &Settings::snmp_local_engine_id},
    {"snmp_localhost", &Settings::snmp_localhost},
};
constexpr std::pair<std::string_view, int Settings::*> kNumberMembers[] = {
    {"port", &Settings::port},
    {"sms_version", &Settings::sms_version},
    {"sms_ton", &Settings::sms_ton},
    {"sms_npi", &Settings::sms_npi},
    {"sms_dest_ton", &Settings::sms_dest_ton},
    {"sms_dest_npi", &Settings::sms_dest_npi},
    {"sms_orig_ton", &Settings::sms_orig_ton},
    {"sms_orig_npi", &Settings::sms_orig_npi},
    {"proxy_port", &Settings::proxy_port},
    {"snmp_trap_port", &Settings::snmp_trap_port},
    {"timeout", &Settings::timeout},
    {"read_timeout", &Settings::read_timeout},
};

}  // namespace

std::array<MethodPage, kAlarmMethodCount> BindMethodPages(Ui::AlarmOptionsDialog& f) {
    const auto authentication = [](QCheckBox* box, QLineEdit* user, QLineEdit* password) {
        return std::vector<BoundColumn>{{"authenticate", box, ColumnShape::kFlag},
                                        {"username", user, kText},
                                        {"password", password, kText}};
    };
    const auto join = [](std::vector<BoundColumn> first, const std::vector<BoundColumn>& more,
                         const std::vector<BoundColumn>& last) {
        first.insert(first.end(), more.begin(), more.end());
        first.insert(first.end(), last.begin(), last.end());
        return first;
    };
    return {{
        {AlarmMethod::Email, f.emailEnable,
         join({{"ip", f.emailHost, kText},
               {"port", f.emailPort, kNumber},
               {"timeout", f.emailTimeout, kNumber},
               {"read_timeout", f.emailReadTimeout, kNumber}},
              authentication(f.emailAuthenticate, f.emailUser, f.emailPassword),
              {{"smtp_mail_agent", f.emailAgent, kText},
               {"smtp_from_address", f.emailFrom, kText}})},
        {AlarmMethod::Sms, f.smsEnable,
         join({{"ip", f.smsHost, kText},
               {"port", f.smsPort, kNumber},
               {"timeout", f.smsTimeout, kNumber}},
              authentication(f.smsAuthenticate, f.smsUser, f.smsPassword),
              {{"sms_oa", f.smsOa, kText},
               {"sms_version", f.smsVersion, ColumnShape::kStoredNumber},
               {"sms_system_type", f.smsSystemType, kText},
               {"sms_ton", f.smsTon, kText},
               {"sms_npi", f.smsNpi, kText},
               {"sms_dest_ton", f.smsDestTon, kText},
               {"sms_dest_npi", f.smsDestNpi, kText},
               {"sms_orig_ton", f.smsOrigTon, kText},
               {"sms_orig_npi", f.smsOrigNpi, kText}})},
        {AlarmMethod::SmsByHttp, f.httpEnable,
         join({{"ip", f.httpUrl, kText},
               {"port", f.httpPort, kNumber},
               {"timeout", f.httpTimeout, kNumber},
               {"read_timeout", f.httpReadTimeout, kNumber}},
              authentication(f.httpAuthenticate, f.httpUser, f.httpPassword),
              {{"proxy_ip", f.httpProxyHost, kText},
               {"proxy_port", f.httpProxyPort, kNumber},
               {"proxy_username", f.httpProxyUser, kText},
               {"proxy_password", f.httpProxyPassword, kText},
               {"url_method", f.httpMethod, ColumnShape::kMethodChoice},
               {"field_msisdn", f.httpMsisdnField, kText},
               {"field_message", f.httpMessageField, kText}})},
        {AlarmMethod::SysLog,
         f.syslogEnable,
         {{"ip", f.syslogHost, kText},
          {"port", f.syslogPort, kNumber},
          {"timeout", f.syslogTimeout, kNumber}}},
        {AlarmMethod::Snmp,
         f.snmpEnable,
         {{"ip", f.snmpHost, kText},
          {"port", f.snmpPort, kNumber},
          {"snmp_trap_port", f.snmpTrapPort, kNumber},
          {"snmp_local_engine_id", f.snmpEngineId, kText},
          {"snmp_localhost", f.snmpLocalHost, kText}}},
        {AlarmMethod::Snpp,
         f.snppEnable,
         {{"ip", f.snppHost, kText},
          {"port", f.snppPort, kNumber},
          {"timeout", f.snppTimeout, kNumber},
          {"read_timeout", f.snppReadTimeout, kNumber}}},
    }};
}

void ShowStoredMethod(const MethodPage& page, const QueryResult& rows, std::size_t row) {
    page.enable->setChecked(rows.Integer(row, "enable") != 0);
    for (const BoundColumn& bound : page.columns) {
        const QString stored = QString::fromStdString(rows.Text(row, bound.column));
        switch (bound.shape) {
            case ColumnShape::kText:
            case ColumnShape::kStoredNumber:
                SetFieldText(*bound.field, stored);
                break;
            case ColumnShape::kNumber: {
                const std::int64_t number = rows.Integer(row, bound.column);
                SetFieldText(*bound.field, number == 0 ? QString() : QString::number(number));
                break;
            }
            case ColumnShape::kFlag:
                static_cast<QCheckBox*>(bound.field)
                    ->setChecked(rows.Integer(row, bound.column) != 0);
                break;
            case ColumnShape::kMethodChoice:
                static_cast<QComboBox*>(bound.field)->setCurrentIndex(stored == "Get" ? 0 : 1);
                break;
        }
    }
}

std::vector<dialog_statements::MethodValue> TypedMethod(const MethodPage& page) {
    namespace sql = dialog_statements;
    std::vector<sql::MethodValue> values = {{"enable", sql::FlagValue(page.enable->isChecked())}};
    for (const BoundColumn& bound : page.columns) {
        std::string value;
        switch (bound.shape) {
            case ColumnShape::kText:
                value = sql::TextValue(FieldText(*bound.field).toStdString());
                break;
            case ColumnShape::kNumber:
            case ColumnShape::kStoredNumber:
                value = sql::NumberValue(FieldText(*bound.field).toStdString());
                break;
            case ColumnShape::kFlag:
                value = sql::FlagValue(static_cast<QCheckBox*>(bound.field)->isChecked());
                break;
            case ColumnShape::kMethodChoice:
                value = sql::TextValue(
                    static_cast<QComboBox*>(bound.field)->currentText().toStdString());
                break;
        }
        values.push_back({bound.column, std::move(value)});
    }
    return values;
}

AlarmMethodSettings TypedSettings(const MethodPage& page) {
    Settings settings;
    settings.enable = page.enable->isChecked();
    for (const BoundColumn& bound : page.columns) {
        if (bound.shape == ColumnShape::kFlag) {
            settings.authenticate = static_cast<QCheckBox*>(bound.field)->isChecked();
            continue;
        }
        const QString text = bound.shape == ColumnShape::kMethodChoice
                                 ? static_cast<QComboBox*>(bound.field)->currentText()
                                 : FieldText(*bound.field);
        for (const auto& [column, member] : kTextMembers) {
            if (column == bound.column) {
                settings.*member = text.toStdString();
            }
        }
        for (const auto& [column, member] : kNumberMembers) {
            if (column == bound.column) {
                settings.*member = text.toInt();
            }
        }
    }
    return settings;
}

QString FieldText(const QWidget& field) {
    if (const auto* memo = qobject_cast<const QPlainTextEdit*>(&field)) {
        return memo->toPlainText();
    }
    return static_cast<const QLineEdit&>(field).text();
}

void SetFieldText(QWidget& field, const QString& text) {
    if (auto* memo = qobject_cast<QPlainTextEdit*>(&field)) {
        memo->setPlainText(text);
        return;
    }
    static_cast<QLineEdit&>(field).setText(text);
}

}  // namespace trevalon
