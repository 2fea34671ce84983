#include "manager/dialogs/login_database_dialog.h"

#include <QCoreApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include "engine/syslog_engine.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "manager/main_window/main_window.h"

namespace trevalon {
namespace {

constexpr const char* kPatient = "Please be patient, it may take a few second for first start.";

QString Marked(const char* caption) {
    return QString("%1<span style=\"color:red\">*</span>").arg(caption);
}

}  // namespace

LoginDatabaseDialog::LoginDatabaseDialog(MainWindow& window, SyslogEngine& engine)
    : ManagerDialog(window, "Login Database"), engine_(engine) {
    setMinimumWidth(380);
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox("Database Information");
    auto* fields = new QFormLayout(group);
    host_ = new QLineEdit;
    port_ = new QLineEdit;
    username_ = new QLineEdit;
    password_ = new QLineEdit;
    password_->setEchoMode(QLineEdit::Password);
    fields->addRow(new QLabel(Marked("Host : ")), host_);
    fields->addRow(new QLabel(Marked("Port : ")), port_);
    fields->addRow("Username : ", username_);
    fields->addRow("Password : ", password_);
    layout->addWidget(group);

    auto* buttons = new QHBoxLayout;
    auto* connectButton = new QPushButton("Connect");
    auto* cancelButton = new QPushButton("Cancel");
    buttons->addStretch();
    buttons->addWidget(connectButton);
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
    for (const char* line : {"Please make sure : ", "- Username and password are correct.",
                             "- MySQL has been installed in this machine.",
                             "- Or it can connect to other machine's MySQL."}) {
        layout->addWidget(new QLabel(line));
    }
    layout->addWidget(&StatusBar());

    const SettingsSnapshot settings = engine_.Settings();
    host_->setText(QString::fromStdString(settings->Database.Host));
    port_->setText(QString::fromStdString(settings->Database.Port));
    username_->setText(QString::fromStdString(settings->Database.DBUsername));
    password_->setText(QString::fromStdString(settings->Database.DBPassword));
    StatusBar().showMessage("Please input the valid connecting parameters.");

    connect(connectButton, &QPushButton::clicked, this, [this] { Connect(); });
    // The program ends; the login is still needed, so the service is not started.
    connect(cancelButton, &QPushButton::clicked, this, [] { QCoreApplication::quit(); });
}

void LoginDatabaseDialog::Connect() {
    bool whole = false;
    port_->text().toInt(&whole);
    if (!whole) {
        Inform(QString("%1 is invalid integer or empty.").arg("Database Port"), *port_);
        return;
    }
    EngineSettings settings = *engine_.Settings();
    settings.Database.Host = host_->text().toStdString();
    settings.Database.Port = port_->text().toStdString();
    settings.Database.DBUsername = username_->text().toStdString();
    settings.Database.DBPassword = password_->text().toStdString();
    engine_.PublishSettings(std::move(settings));

    TDMKestrine& data = engine_.DataModule();
    if (data.ConnectDatabase(false)) {
        data.CreateMissingTables();
        Ready();
    } else if (data.ConnectDatabase(true)) {
        Say(kPatient);
        QTimer::singleShot(1000, this, [this] {
            engine_.DataModule().CreateDatabase();
            Ready();
        });
    } else {
        host_->setFocus();
        StatusBar().showMessage("The parameters are wrong, please input again.");
    }
}

void LoginDatabaseDialog::Ready() {
    WriteDiagnostic(catalogue::kApplicationStarts, kLevelInfo);
    hide();
}

}  // namespace trevalon
