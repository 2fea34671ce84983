#include "manager/dialogs/filtering_dialog.h"

#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QStatusBar>
#include <QTreeWidget>

#include <exception>
#include <optional>

#include "engine/syslog_engine.h"
#include "foundation/syslog_vocabulary.h"
#include "manager/dialogs/check_list.h"
#include "manager/dialogs/stored_rule.h"
#include "manager/main_window/main_window.h"
#include "ui_filtering_dialog.h"

namespace trevalon {
namespace {

namespace sql = dialog_statements;

constexpr const char* kNotValid = "The IP / Domain is not valid.";
// Rows of the method list, "All" being row 0.
constexpr int kSnmpRow = 5;
constexpr std::array<int, 5> kRowsNeedingContacts = {0, 1, 2, 3, 6};
constexpr const char* kPerson = "Person";
constexpr const char* kGroup = "Group";
// Nine digits always fit the INT column.
constexpr int kRepeatSecondsDigits = 9;

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

// Digits only, blanks around them allowed; nothing when the text is no such number.
std::optional<int> RepeatSecondsTyped(const QString& typed) {
    const QString digits = typed.trimmed();
    if (digits.isEmpty() || digits.size() > kRepeatSecondsDigits) {
        return std::nullopt;
    }
    for (const QChar c : digits) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
    }
    return digits.toInt();
}

}  // namespace

FilteringDialog::FilteringDialog(MainWindow& window, SyslogEngine& engine, Pinger pinger)
    : ManagerDialog(window, "Filtering Options"),
      engine_(engine),
      pinger_(std::move(pinger)),
      form_(std::make_unique<Ui::FilteringDialog>()),
      rules_({"ID", "IP / Domain", "Facility", "Severity", "Alarm Method(s)", "Contact Persons",
              "Repeat Limit (s)"}) {
    Ui::FilteringDialog& f = *form_;
    f.setupUi(this);
    layout()->addWidget(&StatusBar());
    f.source->setMaxLength(500);
    f.trapOid->setMaxLength(150);
    f.userName->setMaxLength(50);
    f.repeatSeconds->setMaxLength(kRepeatSecondsDigits);
    f.pingResult->hide();

    FillCheckList(*f.facilities, FacilityNames());
    FillCheckList(*f.severities, SeverityNames());
    FillCheckList(*f.methods, {kMethodNames.begin(), kMethodNames.end()});

    f.rules->setModel(&rules_);
    f.rules->setSelectionBehavior(QAbstractItemView::SelectRows);
    f.rules->setEditTriggers(QAbstractItemView::NoEditTriggers);
    f.rules->setColumnHidden(0, true);
    f.rules->header()->setSectionsClickable(true);
    f.rules->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* ruleMenu = new QMenu(this);
    connect(ruleMenu->addAction("Delete"), &QAction::triggered, this, [this] {
        try {
            if (engine_.DataModule()
                    .Connection()
                    .Query(sql::kCountRules)
                    .Integer(0, "numOfRecord") == 0) {
                StatusBar().showMessage("It has no record.");
                return;
            }
        } catch (const std::exception& error) {
            ReportFailure("ERR90026", error);
            return;
        }
        Load();
        Delete();
    });
    connect(f.rules, &QWidget::customContextMenuRequested, this, [this, ruleMenu](QPoint at) {
        ruleMenu->popup(form_->rules->viewport()->mapToGlobal(at));
    });
    connect(f.rules->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        bool& ascending = ascending_[static_cast<std::size_t>(column)];
        rules_.sort(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
        ascending = !ascending;
    });
    connect(f.rules, &QTreeView::doubleClicked, this, [this] { Load(); });

    connect(f.methods, &QListWidget::itemChanged, this, [this] { FollowMethods(); });
    connect(f.snmpVersion, &QComboBox::currentIndexChanged, this, [this] { FollowVersion(); });
    connect(f.source, &QLineEdit::textChanged, this, [this](const QString& text) {
        form_->pingButton->setEnabled(!pinging_ && !text.isEmpty() && text != "*");
    });
    connect(f.pingButton, &QPushButton::clicked, this, [this] {
        TestSource([this](bool passed) {
            if (!passed) {
                form_->source->setFocus();
            }
        });
    });
    connect(f.help, &QPushButton::clicked, this,
            [this] { Window().ShowHelp("filteringrules.htm"); });
    connect(f.save, &QPushButton::clicked, this, [this] { Save(); });
    connect(f.remove, &QPushButton::clicked, this, [this] { Delete(); });
    connect(f.clear, &QPushButton::clicked, this, [this] {
        ClearFields();
        NewMode();
        Say("The fields have been cleared.");
    });
    connect(f.cancel, &QPushButton::clicked, this, [this] {
        Window().SetStatus("Updating option settings cancel.");
        close();
    });
}

// The ping thread ends before the dialog's parts go.
FilteringDialog::~FilteringDialog() = default;

void FilteringDialog::showEvent(QShowEvent* event) {
    ManagerDialog::showEvent(event);
    ClearFields();
    NewMode();
    RefillContacts();
    RefillRules();
    form_->pingResult->hide();
}

void FilteringDialog::ClearFields() {
    Ui::FilteringDialog& f = *form_;
    id_ = 0;
    f.source->clear();
    for (QListWidget* list : {f.facilities, f.severities, f.methods}) {
        for (int row = 0; row < list->count(); ++row) {
            SetTicked(*list, row, false);
        }
    }
    for (int row = 0; row < f.contacts->topLevelItemCount(); ++row) {
        f.contacts->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
    }
    f.snmpVersion->setCurrentIndex(0);
    f.trapOid->clear();
    f.community->setCurrentText("public");
    f.userName->clear();
    f.enterprise->clear();
    f.repeatSeconds->setText("0");
    FollowVersion();
    FollowMethods();
    f.source->setFocus();
    f.pages->setCurrentIndex(0);
}

void FilteringDialog::NewMode() {
    id_ = 0;
    form_->save->setText("Save New");
    form_->remove->setEnabled(false);
}

void FilteringDialog::RefillContacts() {
    QTreeWidget& contacts = *form_->contacts;
    contacts.clear();
    DatabaseConnection& connection = engine_.DataModule().Connection();
    const std::pair<const char*, const char*> kinds[] = {{sql::kSelectAllPersons, kPerson},
                                                         {sql::kSelectAllGroups, kGroup}};
    for (const auto& [query, kind] : kinds) {
        try {
            const QueryResult rows = connection.Query(query);
            for (std::size_t row = 0; row < rows.RowCount(); ++row) {
                auto* item = new QTreeWidgetItem({Text(rows.Text(row, "name")), kind});
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
                item->setCheckState(0, Qt::Unchecked);
                contacts.insertTopLevelItem(0, item);
            }
        } catch (const std::exception& error) {
            ReportFailure(kind == kPerson ? "ERR90022" : "ERR90023", error);
        }
    }
    FollowMethods();
}

void FilteringDialog::RefillRules() {
    rules_.Clear();
    std::vector<QStringList> rows;
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        const QueryResult stored = connection.Query(sql::kSelectRules);
        for (std::size_t row = 0; row < stored.RowCount(); ++row) {
            const std::int64_t id = stored.Integer(row, "id");
            QStringList contacts;
            try {
                const QueryResult names = connection.Query(sql::SelectRuleContactNames(id));
                for (std::size_t at = 0; at < names.RowCount(); ++at) {
                    contacts << Text(names.Text(at, "name"));
                }
            } catch (const std::exception& error) {
                ReportFailure("ERR90029", error);
            }
            rows.push_back(RuleListRow(stored, row, contacts));
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90027", error);
    }
    rules_.AddOnTop(std::move(rows));
}

void FilteringDialog::FollowMethods() {
    Ui::FilteringDialog& f = *form_;
    bool contacts = false;
    for (int row : kRowsNeedingContacts) {
        contacts = contacts || IsTicked(*f.methods, row);
    }
    f.contacts->setEnabled(contacts);
    f.snmpPage->setEnabled(IsTicked(*f.methods, 0) || IsTicked(*f.methods, kSnmpRow));
}

void FilteringDialog::FollowVersion() {
    Ui::FilteringDialog& f = *form_;
    const int version = f.snmpVersion->currentIndex() + 1;
    f.trapOidNote->setVisible(version == 1);
    f.communityLabel->setVisible(version != 2);
    f.enterpriseLabel->setVisible(version != 2);
    f.enterprise->setVisible(version != 2);
    f.community->setVisible(version == 1);
    f.userName->setVisible(version == 3);
    f.communityLabel->setText(version == 3 ? "Username" : "Community");
    f.enterpriseLabel->setText(version == 3 ? "Password" : "Enterprise");
    f.enterprise->setMaxLength(version == 3 ? 50 : 150);
    f.enterprise->setEchoMode(version == 3 ? QLineEdit::Password : QLineEdit::Normal);
}

void FilteringDialog::Load() {
    const QModelIndexList selected = form_->rules->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        return;
    }
    const std::int64_t id = rules_.Row(selected.first().row()).value(0).toLongLong();
    ClearFields();
    Ui::FilteringDialog& f = *form_;
    DatabaseConnection& connection = engine_.DataModule().Connection();
    try {
        const QueryResult rule = connection.Query(sql::SelectRule(id));
        id_ = rule.Integer(0, "id");
        f.source->setText(Text(rule.Text(0, "ip")));
        const sql::RuleFields flags = StoredFlags(rule, 0);
        TickFlags(*f.facilities, flags.facilities);
        TickFlags(*f.severities, flags.severities);
        TickFlags(*f.methods, flags.methods);
        f.repeatSeconds->setText(QString::number(rule.Integer(0, "alarm_repeat_seconds")));
        if (rule.Text(0, "alarm_snmp") == "y") {
            const std::int64_t version = rule.Integer(0, "alarm_snmp_version");
            f.snmpVersion->setCurrentIndex(version >= 1 && version <= 3 ? int(version) - 1 : 0);
            FollowVersion();
            f.trapOid->setText(Text(rule.Text(0, "alarm_snmp_trap_oid")));
            if (version == 1) {
                f.community->setCurrentText(Text(rule.Text(0, "alarm_snmp_trap_community")));
                f.enterprise->setText(Text(rule.Text(0, "alarm_snmp_trap_enterprise")));
            } else if (version == 3) {
                f.userName->setText(Text(rule.Text(0, "alarm_snmp_trap_username")));
                f.enterprise->setText(Text(rule.Text(0, "alarm_snmp_trap_password")));
            }
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90031", error);
        return;
    }
    try {
        const QueryResult names = connection.Query(sql::SelectRuleContactNames(id));
        QStringList contacts;
        for (std::size_t row = 0; row < names.RowCount(); ++row) {
            contacts << Text(names.Text(row, "name"));
        }
        for (int row = 0; row < f.contacts->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = f.contacts->topLevelItem(row);
            if (item->text(1) == kPerson && contacts.contains(item->text(0))) {
                item->setCheckState(0, Qt::Checked);
            }
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90032", error);
    }
    FollowMethods();
    f.save->setText("Save Update");
    f.remove->setEnabled(true);
    Say("You can update or delete this filter rule.");
}

bool FilteringDialog::Valid() {
    Ui::FilteringDialog& f = *form_;
    const auto refuse = [this, &f](QWidget* page, QWidget& field, const QString& message) {
        if (page != nullptr) {
            f.pages->setCurrentWidget(page);
        }
        StatusBar().showMessage(message);
        Inform(message, field);
        return false;
    };
    const auto compulsory = [](const char* name) {
        return QString("%1 is compulsory field.").arg(name);
    };
    if (f.source->text().isEmpty()) {
        return refuse(nullptr, *f.source,
                      "IP / Domain is compulsory field, please input an valid IP.");
    }
    if (!AnyTicked(*f.facilities)) {
        return refuse(f.detailPage, *f.facilities,
                      "Facility is compulsory field, please select the facility(s).");
    }
    if (!AnyTicked(*f.severities)) {
        return refuse(f.detailPage, *f.severities,
                      "Severity is compulsory field, please select the severity(s).");
    }
    if (!RepeatSecondsTyped(f.repeatSeconds->text())) {
        return refuse(f.detailPage, *f.repeatSeconds,
                      "Alarm repeat limit must be a whole number of seconds, 0 or more.");
    }
    if (f.contacts->isEnabled()) {
        bool anyContact = false;
        for (int row = 0; row < f.contacts->topLevelItemCount(); ++row) {
            anyContact = anyContact || f.contacts->topLevelItem(row)->checkState(0) == Qt::Checked;
        }
        if (!anyContact) {
            return refuse(f.contactPage, *f.contacts,
                          "Contact is compulsory field if Email, SMS or SMS by HTTP is selcted, "
                          "please select the contact(s).");
        }
    }
    if (!IsTicked(*f.methods, kSnmpRow)) {
        return true;
    }
    const int version = f.snmpVersion->currentIndex() + 1;
    if (f.trapOid->text().isEmpty()) {
        return refuse(f.snmpPage, *f.trapOid, compulsory("SNMP Trap OID"));
    }
    if (version == 1 && f.enterprise->text().isEmpty()) {
        return refuse(f.snmpPage, *f.enterprise, compulsory("SNMP Trap Enterprise"));
    }
    if (version == 3 && f.userName->text().isEmpty()) {
        return refuse(f.snmpPage, *f.userName, compulsory("SNMP Trap Username"));
    }
    if (version == 3 && f.enterprise->text().isEmpty()) {
        return refuse(f.snmpPage, *f.enterprise, compulsory("SNMP Trap Password"));
    }
    return true;
}

void FilteringDialog::TestSource(std::function<void(bool passed)> then) {
    QString host = form_->source->text();
    if (host.startsWith("HTTP://", Qt::CaseInsensitive)) {
        host.remove(0, 7);
    }
    pinging_ = true;
    form_->pingButton->setEnabled(false);
    form_->save->setEnabled(false);
    ping_ = std::jthread([this, host = host.toStdString(), then = std::move(then)] {
        const platform::PingResult result = pinger_(host);
        QMetaObject::invokeMethod(
            this, [this, result, then] { ShowPing(result, then); }, Qt::QueuedConnection);
    });
}

void FilteringDialog::ShowPing(const platform::PingResult& result,
                               const std::function<void(bool)>& then) {
    pinging_ = false;
    form_->save->setEnabled(true);
    const QString source = form_->source->text();
    form_->pingButton->setEnabled(!source.isEmpty() && source != "*");
    const auto error = [this](const QString& text) {
        auto* box =
            new QMessageBox(QMessageBox::Critical, windowTitle(), text, QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    };
    bool passed = true;
    QLabel& label = *form_->pingResult;
    switch (result.outcome) {
        case platform::PingOutcome::kCannotSend:
            error(QString("%1 : %2").arg(kNotValid, Text(result.error)));
            StatusBar().showMessage(kNotValid);
            label.setText(kNotValid);
            passed = false;
            break;
        case platform::PingOutcome::kTimeout:
            // A host that does not answer may still send syslog.
            error(kNotValid);
            StatusBar().showMessage(kNotValid);
            label.setText(kNotValid);
            break;
        case platform::PingOutcome::kReply:
            label.setText("The IP / Domain is ok.");
            break;
    }
    label.setFixedSize(350, 20);
    label.show();
    then(passed);
}

void FilteringDialog::Save() {
    if (!Valid()) {
        return;
    }
    if (form_->source->text() == "*") {
        SaveChecked();
        return;
    }
    TestSource([this](bool passed) {
        if (!passed) {
            form_->source->setFocus();
            return;
        }
        SaveChecked();
    });
}

void FilteringDialog::SaveChecked() {
    Ui::FilteringDialog& f = *form_;
    const sql::RuleFields rule = Typed();
    const bool updating = id_ != 0;
    DatabaseConnection& connection = engine_.DataModule().Connection();
    bool duplicate = false;
    try {
        const std::string condition =
            sql::RuleKeyCondition(rule, IsTicked(*f.facilities, 0), IsTicked(*f.severities, 0));
        if (!updating) {
            duplicate = connection.Query(sql::CountRulesWithKey(rule.source, condition))
                            .Integer(0, "numOfRecord") > 0;
        } else {
            const QueryResult same =
                connection.Query(sql::SelectRulesWithKey(rule.source, condition));
            for (std::size_t row = 0; row < same.RowCount(); ++row) {
                duplicate = duplicate || same.Integer(row, "id") != id_;
            }
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90024", error);
    }
    if (duplicate) {
        Inform("Filtering rule (IP + Facility + Severity = Filtering rule key) must be unique.",
               *f.source);
        return;
    }
    try {
        std::int64_t ruleId = id_;
        if (!updating) {
            connection.Execute(sql::InsertRule(rule));
            ruleId = connection.Query(sql::kSelectNewestRuleId).Integer(0, "id");
        } else {
            connection.Execute(sql::UpdateRule(id_, rule));
            try {
                connection.Execute(sql::DeleteRuleContacts(id_));
            } catch (const std::exception& error) {
                ReportFailure("ERR90030", error);
            }
        }
        WriteContacts(connection, ruleId);
        // The engine in this process matches with the new rules from its next message on.
        engine_.ReloadRulesAndContacts();
    } catch (const std::exception& error) {
        ReportFailure("ERR90025", error);
        RefillRules();
        return;
    }
    if (updating) {
        Say("The filter rule has been updated.");
    } else {
        ClearFields();
        NewMode();
        Say("New filter rule has been saved.");
    }
    RefillRules();
}

void FilteringDialog::WriteContacts(DatabaseConnection& connection, std::int64_t ruleId) {
    QTreeWidget& contacts = *form_->contacts;
    try {
        for (int row = 0; row < contacts.topLevelItemCount(); ++row) {
            const QTreeWidgetItem* item = contacts.topLevelItem(row);
            if (item->checkState(0) != Qt::Checked) {
                continue;
            }
            const std::string name = item->text(0).toStdString();
            if (item->text(1) == kPerson) {
                const std::int64_t person =
                    connection.Query(sql::IdByName("contact_person", name)).Integer(0, "id");
                if (connection.Query(sql::CountRuleContact(ruleId, person))
                        .Integer(0, "noOfRecord") == 0) {
                    connection.Execute(sql::InsertRuleContact(ruleId, person));
                }
                continue;
            }
            // A group stands for its members as they are now.
            const std::int64_t group =
                connection.Query(sql::IdByName("contact_group", name)).Integer(0, "id");
            const QueryResult members = connection.Query(sql::SelectGroupMemberIds(group));
            for (std::size_t at = 0; at < members.RowCount(); ++at) {
                connection.Execute(
                    sql::InsertRuleContact(ruleId, members.Integer(at, "contact_person_id")));
            }
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90028", error);
    }
}

void FilteringDialog::Delete() {
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        connection.Execute(sql::DeleteRuleContacts(id_));
        connection.Execute(sql::DeleteRule(id_));
        engine_.ReloadRulesAndContacts();
    } catch (const std::exception& error) {
        ReportFailure("ERR90026", error);
    }
    RefillRules();
    ClearFields();
    NewMode();
    Say("The filter rule has been deleted.");
}

sql::RuleFields FilteringDialog::Typed() const {
    const Ui::FilteringDialog& f = *form_;
    sql::RuleFields rule;
    rule.source = f.source->text().toStdString();
    rule.facilities = TickedFlags<kFacilityCount>(*f.facilities);
    rule.severities = TickedFlags<kSeveritiesInWireOrder.size()>(*f.severities);
    rule.methods = TickedFlags<kMethodNames.size()>(*f.methods);
    rule.repeatSeconds = RepeatSecondsTyped(f.repeatSeconds->text()).value_or(0);
    rule.snmpVersion = f.snmpVersion->currentIndex() + 1;
    rule.trapOid = f.trapOid->text().toStdString();
    if (rule.snmpVersion == 1) {
        rule.community = f.community->currentText().toStdString();
        rule.enterprise = f.enterprise->text().toStdString();
    } else if (rule.snmpVersion == 3) {
        rule.userName = f.userName->text().toStdString();
        rule.password = f.enterprise->text().toStdString();
    }
    return rule;
}

}  // namespace trevalon
