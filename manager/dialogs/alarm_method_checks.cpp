#include "manager/dialogs/alarm_method_checks.h"

#include <QComboBox>
#include <QLineEdit>

#include <vector>

#include "manager/dialogs/alarm_method_page.h"
#include "ui_alarm_options_dialog.h"

namespace trevalon {
namespace {

enum class Rule { kNotEmpty, kNumber };

struct FieldCheck {
    QWidget* field;
    const char* name;
    Rule rule;
    QTabWidget* inner = nullptr;
    int innerPage = 0;
    QWidget* focus = nullptr;  // the field itself when null
};

std::vector<FieldCheck> ChecksOf(Ui::AlarmOptionsDialog& f, AlarmMethod method) {
    constexpr Rule kNotEmpty = Rule::kNotEmpty;
    constexpr Rule kNumber = Rule::kNumber;
    switch (method) {
        case AlarmMethod::Email:
            return {{f.emailHost, "SMTP IP/Address", kNotEmpty},
                    {f.emailPort, "SMTP Port", kNumber},
                    {f.emailFrom, "SMTP From Address", kNotEmpty},
                    {f.emailTimeout, "SMTP Connection Timeout", kNumber},
                    {f.emailReadTimeout, "SMTP Read Timeout", kNumber}};
        case AlarmMethod::Sms:
            return {{f.smsHost, "SMSC IP", kNotEmpty, nullptr, 0, f.smsEnable},
                    {f.smsPort, "SMSC Port", kNumber},
                    {f.smsTimeout, "SMSC Response Timeout", kNumber},
                    {f.smsVersion, "SMSC Version", kNumber, f.smsInner, 1},
                    {f.smsTon, "SMSC TON", kNumber, f.smsInner, 1},
                    {f.smsNpi, "SMSC NPI", kNumber, f.smsInner, 1},
                    {f.smsDestTon, "SMSC Dest. TON", kNumber, f.smsInner, 2},
                    {f.smsDestNpi, "SMSC Dest. NPI", kNumber, f.smsInner, 2},
                    {f.smsOrigTon, "SMSC Orig. TON", kNumber, f.smsInner, 2},
                    {f.smsOrigNpi, "SMSC Orig. NPI", kNumber, f.smsInner, 2}};
        case AlarmMethod::SmsByHttp: {
            std::vector<FieldCheck> checks = {
                {f.httpUrl, "HTTP-SMS URL", kNotEmpty},
                {f.httpPort, "HTTP-SMS Port", kNumber},
                {f.httpTimeout, "HTTP-SMS Connection Timeout", kNumber},
                {f.httpReadTimeout, "HTTP-SMS Read Timeout", kNumber}};
            if (!f.httpProxyHost->text().isEmpty()) {
                checks.push_back({f.httpProxyPort, "HTTP-SMS Proxy Port", kNumber, f.httpInner, 3});
            }
            if (f.httpMethod->currentText() == "Post") {
                checks.push_back({f.httpMsisdnField, "SMSC MSISDN", kNotEmpty, f.httpInner, 0});
                checks.push_back({f.httpMessageField, "SMSC MESSAGE", kNotEmpty, f.httpInner, 0});
            }
            return checks;
        }
        case AlarmMethod::SysLog:
            return {{f.syslogHost, "SysLog IP", kNotEmpty},
                    {f.syslogPort, "SysLog Port", kNumber},
                    {f.syslogTimeout, "SysLog Receive Timeout", kNumber}};
        case AlarmMethod::Snmp:
            return {{f.snmpHost, "SNMP IP", kNotEmpty},
                    {f.snmpPort, "SNMP Port", kNumber},
                    {f.snmpTrapPort, "SNMP Trap Port", kNumber}};
        case AlarmMethod::Snpp:
            return {{f.snppHost, "SNPP IP", kNotEmpty},
                    {f.snppPort, "SNPP Port", kNumber},
                    {f.snppTimeout, "SNPP Connection Timeout", kNumber},
                    {f.snppReadTimeout, "SNPP Read Timeout", kNumber}};
    }
    return {};
}

}  // namespace

bool IsWholeNumber(const QString& text) {
    bool whole = false;
    text.toInt(&whole);
    return whole;
}

std::optional<FailedCheck> CheckMethodPage(Ui::AlarmOptionsDialog& form, AlarmMethod method) {
    if (method == AlarmMethod::SmsByHttp && !form.httpProxyHost->text().isEmpty() &&
        form.httpProxyPort->text().isEmpty()) {
        form.httpProxyPort->setText("0");
    }
    for (const FieldCheck& check : ChecksOf(form, method)) {
        const QString text = FieldText(*check.field);
        const bool passed = check.rule == Rule::kNotEmpty ? !text.isEmpty() : IsWholeNumber(text);
        if (!passed) {
            const QString name = QString::fromUtf8(check.name);
            return FailedCheck{check.rule == Rule::kNotEmpty
                                   ? QString("%1 field is empty.").arg(name)
                                   : QString("%1 is invalid integer or empty.").arg(name),
                               check.inner, check.innerPage,
                               check.focus != nullptr ? check.focus : check.field};
        }
    }
    return std::nullopt;
}

}  // namespace trevalon
