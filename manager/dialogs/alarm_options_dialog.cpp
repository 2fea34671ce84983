#include "manager/dialogs/alarm_options_dialog.h"

#include <QEvent>
#include <QMenu>
#include <QStatusBar>

#include <exception>
#include <utility>

#include "engine/syslog_engine.h"
#include "foundation/diagnostic_log.h"
#include "manager/dialogs/alarm_method_checks.h"
#include "manager/dialogs/alarm_test_send.h"
#include "manager/dialogs/stored_rule.h"
#include "manager/main_window/main_window.h"
#include "ui_alarm_options_dialog.h"

namespace trevalon {
namespace {

namespace sql = dialog_statements;

constexpr int kUrlLength = 500;
constexpr int kEnterpriseLength = 150;
constexpr int kPasswordLength = 50;
constexpr std::array<const char*, kAlarmMethodCount> kHelpTopics = {
    "emailalarm.htm",  "smsalarm.htm",  "smsbyhttpalarm.htm",
    "syslogalarm.htm", "snmpalarm.htm", "pageralarm.htm"};
// What a failed write of each method is logged with; the extra fields have their own.
constexpr std::array<const char*, kAlarmMethodCount> kSaveFailures = {
    "ERR90502", "ERR90503", "ERR90504", "ERR90506", "ERR90507", "ERR90508"};
constexpr const char* kExtraFieldsFailure = "ERR90505";

std::size_t At(AlarmMethod method) {
    return static_cast<std::size_t>(method);
}

std::string Typed(const QWidget& field) {
    return FieldText(field).toStdString();
}

}  // namespace

AlarmOptionsDialog::AlarmOptionsDialog(MainWindow& window, SyslogEngine& engine)
    : ManagerDialog(window, "Alarming Options"),
      engine_(engine),
      form_(std::make_unique<Ui::AlarmOptionsDialog>()) {
    Ui::AlarmOptionsDialog& f = *form_;
    f.setupUi(this);
    layout()->addWidget(&StatusBar());
    pages_ = BindMethodPages(f);
    f.syslogTestFacility->addItems(FacilityNames());
    f.syslogTestSeverity->addItems(SeverityNames());
    f.smsVersion->setText("34");
    f.smsSystemType->setText("TCP");
    for (QLineEdit* field :
         {f.smsTon, f.smsNpi, f.smsDestTon, f.smsDestNpi, f.smsOrigTon, f.smsOrigNpi}) {
        field->setText("1");
    }
    f.httpExtraList->setContextMenuPolicy(Qt::CustomContextMenu);
    auto* extraMenu = new QMenu(this);
    connect(extraMenu->addAction("<< Remove"), &QAction::triggered, this,
            [this] { RemoveExtraField(); });
    connect(f.httpExtraList, &QWidget::customContextMenuRequested, this,
            [this, extraMenu](QPoint at) {
                extraMenu->popup(form_->httpExtraList->viewport()->mapToGlobal(at));
            });
    connect(f.httpExtraList, &QTreeWidget::itemDoubleClicked, this, [this] { RemoveExtraField(); });
    connect(f.httpExtraAdd, &QPushButton::clicked, this, [this] { AddExtraField(); });
    connect(f.httpExtraRemove, &QPushButton::clicked, this, [this] { RemoveExtraField(); });
    connect(f.httpUrl, &QPlainTextEdit::textChanged, this, [this] {
        QPlainTextEdit& url = *form_->httpUrl;
        if (url.toPlainText().size() > kUrlLength) {
            url.setPlainText(url.toPlainText().left(kUrlLength));
            url.moveCursor(QTextCursor::End);
        }
    });

    for (QCheckBox* box :
         {f.emailEnable, f.smsEnable, f.httpEnable, f.syslogEnable, f.snmpEnable, f.snppEnable,
          f.emailAuthenticate, f.smsAuthenticate, f.httpAuthenticate}) {
        connect(box, &QCheckBox::toggled, this, [this] { FollowEnabling(); });
    }
    connect(f.httpMethod, &QComboBox::currentIndexChanged, this, [this] { FollowEnabling(); });
    connect(f.pages, &QTabWidget::currentChanged, this, [this] { FollowEnabling(); });
    connect(f.snmpTestVersion, &QComboBox::currentIndexChanged, this,
            [this] { FollowSnmpVersion(); });
    connect(f.help, &QPushButton::clicked, this, [this] {
        Window().ShowHelp(kHelpTopics[static_cast<std::size_t>(form_->pages->currentIndex())]);
    });
    connect(f.apply, &QPushButton::clicked, this, [this] {
        if (Valid(0, kAlarmMethodCount - 1)) {
            Save();
        }
    });
    connect(f.test, &QPushButton::clicked, this, [this] { Test(); });
    connect(f.cancel, &QPushButton::clicked, this, [this] {
        Window().SetStatus("Updating option settings cancel.");
        close();
    });
    // Entering any settings field wakes Apply up; the test inputs do not.
    for (const MethodPage& page : pages_) {
        page.enable->installEventFilter(this);
    }
    for (QWidget* settings : {f.emailSettings, f.smsSettings, f.httpSettings, f.syslogSettings,
                              f.snmpSettings, f.snppSettings}) {
        for (QWidget* field : settings->findChildren<QWidget*>()) {
            if (field->focusPolicy() != Qt::NoFocus) {
                field->installEventFilter(this);
            }
        }
    }
    FollowSnmpVersion();
}

AlarmOptionsDialog::~AlarmOptionsDialog() = default;

void AlarmOptionsDialog::showEvent(QShowEvent* event) {
    ManagerDialog::showEvent(event);
    Load();
}

bool AlarmOptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        form_->apply->setEnabled(true);
    }
    return ManagerDialog::eventFilter(watched, event);
}

void AlarmOptionsDialog::Load() {
    Ui::AlarmOptionsDialog& f = *form_;
    f.apply->setEnabled(false);
    const std::pair<QLineEdit*, const char*> defaults[] = {
        {f.emailPort, "25"},       {f.emailTimeout, "5000"},    {f.emailReadTimeout, "5000"},
        {f.smsPort, "50111"},      {f.smsTimeout, "5000"},      {f.httpPort, "80"},
        {f.httpTimeout, "5000"},   {f.httpReadTimeout, "5000"}, {f.syslogPort, "514"},
        {f.syslogTimeout, "5000"}, {f.snmpPort, "161"},         {f.snmpTrapPort, "162"},
        {f.snppPort, "7777"},      {f.snppTimeout, "5000"},     {f.snppReadTimeout, "5000"}};
    for (const auto& [field, text] : defaults) {
        field->setText(text);
    }
    try {
        const QueryResult rows = engine_.DataModule().Connection().Query(sql::kSelectAlarmMethods);
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            const std::string type = rows.Text(row, "type");
            for (const MethodPage& page : pages_) {
                if (AlarmMethodType(page.method) == type) {
                    ShowStoredMethod(page, rows, row);
                }
            }
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90500", error);
    }
    LoadExtraFields();
    FollowEnabling();
    FollowSnmpVersion();
}

void AlarmOptionsDialog::LoadExtraFields() {
    try {
        const auto configuration = engine_.Configuration().Snapshot();
        const AlarmMethodSettings& http = configuration->Method(AlarmMethod::SmsByHttp);
        if (!http.enable || http.url_method != "Post" ||
            configuration->HttpSmsExtraFields.empty()) {
            return;
        }
        QTreeWidget& list = *form_->httpExtraList;
        list.clear();
        for (const std::string& entry : configuration->HttpSmsExtraFields) {
            const QString pair = QString::fromStdString(entry);
            const qsizetype equals = pair.indexOf('=');
            list.insertTopLevelItem(
                0, new QTreeWidgetItem(
                       {pair.left(equals), equals < 0 ? QString() : pair.mid(equals + 1)}));
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90501", error);
    }
}

void AlarmOptionsDialog::FollowEnabling() {
    Ui::AlarmOptionsDialog& f = *form_;
    const std::array<std::pair<QWidget*, QWidget*>, kAlarmMethodCount> parts = {{
        {f.emailSettings, f.emailTest},
        {f.smsSettings, f.smsTest},
        {f.httpSettings, f.httpTest},
        {f.syslogSettings, f.syslogTest},
        {f.snmpSettings, f.snmpTest},
        {f.snppSettings, f.snppTest},
    }};
    for (const MethodPage& page : pages_) {
        const bool on = page.enable->isChecked();
        parts[At(page.method)].first->setEnabled(on);
        parts[At(page.method)].second->setEnabled(on);
    }
    const std::tuple<QCheckBox*, QWidget*, QWidget*, QWidget*, QWidget*> logins[] = {
        {f.emailAuthenticate, f.emailUser, f.emailUserLabel, f.emailPassword, f.emailPasswordLabel},
        {f.smsAuthenticate, f.smsUser, f.smsUserLabel, f.smsPassword, f.smsPasswordLabel},
        {f.httpAuthenticate, f.httpUser, f.httpUserLabel, f.httpPassword, f.httpPasswordLabel},
    };
    for (const auto& [box, user, userLabel, password, passwordLabel] : logins) {
        for (QWidget* part : {user, userLabel, password, passwordLabel}) {
            part->setEnabled(box->isChecked());
        }
    }
    const bool post = f.httpMethod->currentText() == "Post";
    f.httpInner->setTabEnabled(0, post);
    f.httpInner->setTabEnabled(1, post);

    const MethodPage& current = pages_[static_cast<std::size_t>(f.pages->currentIndex())];
    f.test->setText(QString("Test Connection [%1]")
                        .arg(QString::fromUtf8(AlarmMethodType(current.method).data(),
                                               AlarmMethodType(current.method).size())));
    f.test->setEnabled(current.enable->isChecked() && !testing_);
}

void AlarmOptionsDialog::FollowSnmpVersion() {
    Ui::AlarmOptionsDialog& f = *form_;
    const int version = f.snmpTestVersion->currentIndex();
    const bool first = version == 0;
    const bool third = version == 2;
    f.snmpTestOidNote->setVisible(first);
    f.snmpTestCommunityLabel->setVisible(!(version == 1));
    f.snmpTestCommunityLabel->setText(third ? "Username" : "Community");
    f.snmpTestCommunity->setVisible(first);
    f.snmpTestUser->setVisible(third);
    f.snmpTestEnterpriseLabel->setVisible(version != 1);
    f.snmpTestEnterpriseLabel->setText(third ? "Password" : "Enterprise");
    f.snmpTestEnterprise->setVisible(version != 1);
    f.snmpTestEnterprise->setMaxLength(third ? kPasswordLength : kEnterpriseLength);
}

void AlarmOptionsDialog::AddExtraField() {
    Ui::AlarmOptionsDialog& f = *form_;
    if (f.httpExtraName->text().isEmpty() || f.httpExtraValue->text().isEmpty()) {
        Inform(
            QString("%1 or %2 is empty. Please input this field.").arg("Field Name", "Field Value"),
            *f.httpExtraName);
        return;
    }
    f.httpExtraList->insertTopLevelItem(
        0, new QTreeWidgetItem({f.httpExtraName->text(), f.httpExtraValue->text()}));
    f.httpExtraName->clear();
    f.httpExtraValue->clear();
}

void AlarmOptionsDialog::RemoveExtraField() {
    Ui::AlarmOptionsDialog& f = *form_;
    QTreeWidgetItem* selected = f.httpExtraList->currentItem();
    if (selected == nullptr || !selected->isSelected()) {
        return;
    }
    f.httpExtraName->setText(selected->text(0));
    f.httpExtraValue->setText(selected->text(1));
    delete selected;
}

bool AlarmOptionsDialog::Valid(int first, int last) {
    for (int index = first; index <= last; ++index) {
        const MethodPage& page = pages_[static_cast<std::size_t>(index)];
        if (!page.enable->isChecked()) {
            continue;
        }
        if (const std::optional<FailedCheck> failed = CheckMethodPage(*form_, page.method)) {
            form_->pages->setCurrentIndex(index);
            if (failed->inner != nullptr) {
                failed->inner->setCurrentIndex(failed->innerPage);
            }
            Inform(failed->message, *failed->focus);
            return false;
        }
    }
    return true;
}

void AlarmOptionsDialog::Save() {
    for (const MethodPage& page : pages_) {
        WriteMethod(page);
        if (page.method == AlarmMethod::SmsByHttp && page.enable->isChecked() &&
            form_->httpMethod->currentText() == "Post") {
            WriteExtraFields();
        }
    }
    engine_.ReloadAlarmMethods();
    Say("Option settings saved.");
    form_->apply->setEnabled(false);
}

void AlarmOptionsDialog::WriteMethod(const MethodPage& page) {
    const std::string_view type = AlarmMethodType(page.method);
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        const bool stored = connection.Query(sql::SelectAlarmMethod(type)).RowCount() > 0;
        const std::vector<sql::MethodValue> values = TypedMethod(page);
        connection.Execute(stored ? sql::UpdateAlarmMethod(type, values)
                                  : sql::InsertAlarmMethod(type, values));
    } catch (const std::exception& error) {
        WriteDiagnostic(std::string(kSaveFailures[At(page.method)]) + " : " + error.what(),
                        kLevelError);
    }
}

void AlarmOptionsDialog::WriteExtraFields() {
    try {
        DatabaseConnection& connection = engine_.DataModule().Connection();
        connection.Execute(sql::kDeleteExtraFields);
        const QTreeWidget& list = *form_->httpExtraList;
        for (int row = 0; row < list.topLevelItemCount(); ++row) {
            const QTreeWidgetItem& pair = *list.topLevelItem(row);
            connection.Execute(sql::InsertExtraField(pair.text(0).toStdString(),
                                                     pair.text(1).trimmed().toStdString()));
        }
    } catch (const std::exception& error) {
        WriteDiagnostic(std::string(kExtraFieldsFailure) + " : " + error.what(), kLevelError);
    }
}

void AlarmOptionsDialog::Test() {
    const int index = form_->pages->currentIndex();
    const MethodPage& page = pages_[static_cast<std::size_t>(index)];
    if (testing_ || !page.enable->isChecked() || !TestInputsGiven(page.method) ||
        !Valid(index, index)) {
        return;
    }
    testing_ = true;
    FollowEnabling();
    test_ = std::jthread([this, order = TypedTest(page.method)] {
        const AlarmTestReport report{[this](const std::string& text) {
                                         QMetaObject::invokeMethod(
                                             this,
                                             [this, shown = QString::fromStdString(text)] {
                                                 StatusBar().showMessage(shown);
                                             },
                                             Qt::QueuedConnection);
                                     },
                                     [this](const std::string& body) {
                                         QMetaObject::invokeMethod(
                                             this,
                                             [this, line = QString::fromStdString(body)] {
                                                 form_->httpResponse->appendPlainText(line);
                                             },
                                             Qt::QueuedConnection);
                                     }};
        RunAlarmTest(order, agent_, report);
        QMetaObject::invokeMethod(
            this,
            [this] {
                testing_ = false;
                FollowEnabling();
            },
            Qt::QueuedConnection);
    });
}

bool AlarmOptionsDialog::TestInputsGiven(AlarmMethod method) {
    Ui::AlarmOptionsDialog& f = *form_;
    std::vector<std::pair<QWidget*, const char*>> inputs;
    switch (method) {
        case AlarmMethod::Email:
            inputs = {{f.emailTestRecipient, "Recipient Email"}, {f.emailTestMessage, "Message"}};
            break;
        case AlarmMethod::Sms:
            inputs = {{f.smsTestPhone, "Phone Number"}, {f.smsTestMessage, "Message"}};
            break;
        case AlarmMethod::SmsByHttp:
            inputs = {{f.httpTestMsisdn, "$MSISDN"}, {f.httpTestMessage, "$MESSAGE"}};
            break;
        case AlarmMethod::SysLog:
            inputs = {{f.syslogTestMessage, "Message"}};
            break;
        case AlarmMethod::Snmp:
            inputs = {{f.snmpTestOid, "Trap OID"}};
            break;
        case AlarmMethod::Snpp:
            inputs = {{f.snppTestPager, "Pager ID"}, {f.snppTestMessage, "Message"}};
            break;
    }
    for (const auto& [field, label] : inputs) {
        if (FieldText(*field).isEmpty()) {
            Inform(QString("%1 is empty. Please input this field for testing connection.")
                       .arg(QString::fromUtf8(label)),
                   *field);
            return false;
        }
    }
    return true;
}

AlarmTestOrder AlarmOptionsDialog::TypedTest(AlarmMethod method) const {
    const Ui::AlarmOptionsDialog& f = *form_;
    const SettingsSnapshot settings = engine_.Settings();
    AlarmTestOrder order;
    order.method = method;
    order.settings = TypedSettings(pages_[At(method)]);
    switch (method) {
        case AlarmMethod::Email:
            order.recipient = Typed(*f.emailTestRecipient);
            order.message = Typed(*f.emailTestMessage);
            order.localName = settings->HostName;
            break;
        case AlarmMethod::Sms:
            order.recipient = Typed(*f.smsTestPhone);
            order.message = Typed(*f.smsTestMessage);
            break;
        case AlarmMethod::SmsByHttp:
            order.recipient = Typed(*f.httpTestMsisdn);
            order.message = Typed(*f.httpTestMessage);
            order.portText = Typed(*f.httpPort);
            order.extraFields = engine_.Configuration().Snapshot()->HttpSmsExtraFields;
            break;
        case AlarmMethod::SysLog:
            order.message = Typed(*f.syslogTestMessage);
            order.facility = NameToFacility(f.syslogTestFacility->currentText().toStdString());
            order.severity = NameToSeverity(f.syslogTestSeverity->currentText().toStdString());
            order.localIp = settings->LocalIP;
            break;
        case AlarmMethod::Snmp:
            order.snmpVersion = f.snmpTestVersion->currentIndex() + 1;
            order.trapOid = Typed(*f.snmpTestOid);
            order.community = f.snmpTestCommunity->currentText().toStdString();
            order.enterprise = Typed(*f.snmpTestEnterprise);
            order.snmpUser = Typed(*f.snmpTestUser);
            order.snmpPassword = Typed(*f.snmpTestEnterprise);
            break;
        case AlarmMethod::Snpp:
            order.recipient = Typed(*f.snppTestPager);
            order.message = Typed(*f.snppTestMessage);
            break;
    }
    return order;
}

}  // namespace trevalon
