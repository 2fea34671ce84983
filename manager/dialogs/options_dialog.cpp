#include "manager/dialogs/options_dialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QStatusBar>
#include <QTabBar>

#include <algorithm>
#include <optional>

#include "engine/syslog_engine.h"
#include "foundation/app_paths.h"
#include "foundation/settings_file.h"
#include "foundation/syslog_vocabulary.h"
#include "manager/live_lists/facility_colours.h"
#include "manager/main_window/main_window.h"
#include "ui_options_dialog.h"

namespace trevalon {
namespace {

constexpr int kLargestListNumber = 999;
constexpr int kSmallestBufferSize = 8192;

// A list of the numbers 1 to 999 showing `stored`, none selected when it is outside them.
void FillNumberList(QComboBox& list, int stored) {
    list.clear();
    for (int number = 1; number <= kLargestListNumber; ++number) {
        list.addItem(QString::number(number), number);
    }
    list.setCurrentIndex(list.findData(stored));
}

// The row cap's list: a stored cap outside 1-999 (0 is "no cap") gets an entry of its own at the
// top, so that saving without touching the list keeps it.
void FillRowCapList(QComboBox& list, int stored) {
    FillNumberList(list, stored);
    if (list.currentIndex() < 0) {
        list.insertItem(0, stored == 0 ? QString("0 (no limit)") : QString::number(stored), stored);
        list.setCurrentIndex(0);
    }
}

int ListNumber(const QComboBox& list) {
    return list.currentIndex() < 0 ? 0 : list.currentData().toInt();
}

std::optional<int> WholeNumber(const QString& text) {
    bool whole = false;
    const int value = text.toInt(&whole);
    return whole ? std::optional<int>(value) : std::nullopt;
}

QIcon Swatch(std::uint32_t rgb) {
    QPixmap swatch(20, 14);
    swatch.fill(QColor::fromRgb(rgb));
    QPainter painter(&swatch);
    painter.setPen(Qt::gray);
    painter.drawRect(swatch.rect().adjusted(0, 0, -1, -1));
    return QIcon(swatch);
}

QString Text(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

OptionsDialog::OptionsDialog(MainWindow& window, SyslogEngine& engine,
                             ServiceRegistration registration)
    : ManagerDialog(window, "Options"),
      engine_(engine),
      registration_(std::move(registration)),
      form_(std::make_unique<Ui::OptionsDialog>()) {
    form_->setupUi(this);
    // Every page's tab in sight, whatever the desktop's font.
    resize(std::max(width(), form_->pages->tabBar()->sizeHint().width() + 40), height());
    layout()->addWidget(&StatusBar());
    BuildColourLists();
    chooseFile_ = [this](const QString& title, const QString& folder, const QString& name) {
        return QFileDialog::getSaveFileName(this, title, folder + name, QString(), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };

    for (QCheckBox* box :
         {form_->udpEnable, form_->tcpEnable, form_->fileEnable, form_->databaseBackupEnable}) {
        connect(box, &QCheckBox::clicked, this, [this] { FollowSwitches(); });
    }
    connect(form_->apply, &QPushButton::clicked, this, [this] {
        if (Valid()) {
            Save();
        }
    });
    connect(form_->cancel, &QPushButton::clicked, this, [this] {
        Window().SetStatus("Updating option settings cancel.");
        close();
    });
    connect(form_->defaults, &QPushButton::clicked, this, [this] { Defaults(); });
    connect(form_->choosePath, &QToolButton::clicked, this, [this] { ChooseFilePath(); });
    // Entering any field wakes Apply up.
    for (QWidget* field : form_->pages->findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(field) != nullptr ||
            qobject_cast<QComboBox*>(field) != nullptr ||
            qobject_cast<QCheckBox*>(field) != nullptr) {
            field->installEventFilter(this);
        }
    }
}

OptionsDialog::~OptionsDialog() = default;

void OptionsDialog::BuildColourLists() {
    for (std::size_t wireCode = 0; wireCode < kFacilitiesInWireOrder.size(); ++wireCode) {
        std::string name;
        FacilityToName(kFacilitiesInWireOrder[wireCode], name);
        auto* list = new QComboBox;
        list->setIconSize(QSize(20, 14));
        for (const auto& [colour, rgb] : kNamedColours) {
            list->addItem(Swatch(rgb), QString::fromUtf8(colour.data(), colour.size()));
        }
        colours_[wireCode] = list;
        // "Kernel" ... "FTP Daemon" on the left, "NTP" ... "Local Use Seven" on the right.
        const int column = wireCode < kFacilityCount / 2 ? 0 : 2;
        const int row = static_cast<int>(wireCode % (kFacilityCount / 2));
        form_->colourGrid->addWidget(new QLabel(Text(name)), row, column);
        form_->colourGrid->addWidget(list, row, column + 1);
    }
}

void OptionsDialog::showEvent(QShowEvent* event) {
    ManagerDialog::showEvent(event);
    Fill(*engine_.Settings());
    // The page tabs take the first focus, which is no field's.
    form_->pages->tabBar()->setFocus();
    form_->apply->setEnabled(false);
    Window().SetStatus("Updating the settings.");
}

bool OptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        form_->apply->setEnabled(true);
    }
    return ManagerDialog::eventFilter(watched, event);
}

void OptionsDialog::Fill(const EngineSettings& settings) {
    Ui::OptionsDialog& f = *form_;
    const EngineSettings::SystemSection& system = settings.System;
    f.initStart->setCurrentIndex(system.InitStart ? 0 : 1);
    f.runAsTray->setChecked(system.RunAsService);
    f.runAsService->setChecked(system.RunAsWinService);
    f.systemLogFilename->setText(Text(settings.SystemLog.Filename));
    FillNumberList(*f.systemLogHouseKeep, settings.SystemLog.HouseKeepDay);

    f.udpEnable->setChecked(system.SysLogUDPEnable);
    f.udpPort->setText(Text(system.SysLogPort));
    f.bufferSize->setText(QString::number(system.SysLogBufferSize));
    f.showingIp->setCurrentIndex(system.SysLogMessageIPType - 1);
    f.tcpEnable->setChecked(system.SysLogTCPEnable);
    f.tcpPort->setText(Text(system.SysLogTCPPort));
    f.tcpTimeout->setText(QString::number(system.SysLogTCPTimeout));

    FillRowCapList(*f.numberOfLogs, system.ShowLogItem);
    f.maxConcurrent->setText(QString::number(settings.Alarming.NoConcurrentAlarm));
    f.queuingAlarms->setText(QString::number(settings.Alarming.NoQueuingAlarm));
    f.queuingTime->setText(QString::number(settings.Alarming.QueningSecond));

    f.host->setText(Text(settings.Database.Host));
    f.port->setText(Text(settings.Database.Port));
    f.username->setText(Text(settings.Database.DBUsername));
    f.password->setText(Text(settings.Database.DBPassword));

    f.fileEnable->setChecked(settings.FileBackup.Enable);
    f.filePath->setText(Text(settings.FileBackup.FilenamePath));
    f.fileName->setText(Text(settings.FileBackup.Filename));
    FillNumberList(*f.fileHouseKeep, settings.FileBackup.HouseKeepDay);
    f.databaseBackupEnable->setChecked(settings.DbBackup.Enable);
    f.databaseType->setText(Text(settings.DbBackup.Type));
    FillNumberList(*f.databaseHouseKeep, settings.DbBackup.HouseKeepDay);

    for (std::size_t wireCode = 0; wireCode < colours_.size(); ++wireCode) {
        const int at = colours_[wireCode]->findText(Text(settings.MessageColours[wireCode]));
        colours_[wireCode]->setCurrentIndex(at < 0 ? 0 : at);
    }
    FollowSwitches();
}

void OptionsDialog::FollowSwitches() {
    Ui::OptionsDialog& f = *form_;
    for (QWidget* field : {static_cast<QWidget*>(f.udpPort), static_cast<QWidget*>(f.bufferSize),
                           static_cast<QWidget*>(f.showingIp)}) {
        field->setEnabled(f.udpEnable->isChecked());
    }
    f.tcpPort->setEnabled(f.tcpEnable->isChecked());
    f.tcpTimeout->setEnabled(f.tcpEnable->isChecked());
    for (QWidget* field :
         {static_cast<QWidget*>(f.filePath), static_cast<QWidget*>(f.choosePath),
          static_cast<QWidget*>(f.fileName), static_cast<QWidget*>(f.fileHouseKeep)}) {
        field->setEnabled(f.fileEnable->isChecked());
    }
    f.databaseType->setEnabled(f.databaseBackupEnable->isChecked());
    f.databaseHouseKeep->setEnabled(f.databaseBackupEnable->isChecked());
}

bool OptionsDialog::Valid() {
    Ui::OptionsDialog& f = *form_;
    const auto refuse = [this, &f](QWidget& field, const QString& message) {
        for (QWidget* page = &field; page != nullptr; page = page->parentWidget()) {
            if (f.pages->indexOf(page) >= 0) {
                f.pages->setCurrentWidget(page);
            }
        }
        Inform(message, field);
        return false;
    };
    const auto invalid = [](const char* name) {
        return QString("%1 is invalid integer or empty.").arg(name);
    };
    // A port outside 1-65535 could never be bound or reached.
    const auto port = [](const QLineEdit& field) {
        const std::optional<int> value = WholeNumber(field.text());
        return value && *value >= 1 && *value <= 65535;
    };
    if (!port(*f.udpPort)) {
        return refuse(*f.udpPort, invalid("SysLog UDP Port"));
    }
    const std::optional<int> buffer = WholeNumber(f.bufferSize->text());
    if (!buffer) {
        return refuse(*f.bufferSize, invalid("SysLog UDP Buffer Size"));
    }
    if (*buffer < kSmallestBufferSize) {
        return refuse(*f.bufferSize,
                      QString("%1 must be at least 8192KB.").arg("SysLog UDP Buffer Size"));
    }
    if (!port(*f.tcpPort)) {
        return refuse(*f.tcpPort, invalid("SysLog TCP Port"));
    }
    const std::pair<QLineEdit*, const char*> numbers[] = {
        {f.tcpTimeout, "SysLog TCP Connection Timeout"},
        {f.maxConcurrent, "Max Concurrent Alarms"},
        {f.queuingAlarms, "No. of Queuing Alarms"},
        {f.queuingTime, "Alarm Queuing Time"},
    };
    for (const auto& [field, name] : numbers) {
        if (!WholeNumber(field->text())) {
            return refuse(*field, invalid(name));
        }
    }
    if (f.host->text().isEmpty()) {
        return refuse(*f.host, QString("%1 field is empty.").arg("Database Host"));
    }
    if (!port(*f.port)) {
        return refuse(*f.port, invalid("Database Port"));
    }
    if (f.fileEnable->isChecked() && f.filePath->text().isEmpty()) {
        return refuse(*f.filePath, QString("%1 field is empty.").arg("SysLog File Backup Path"));
    }
    return true;
}

void OptionsDialog::Save() {
    Ui::OptionsDialog& f = *form_;
    EngineSettings settings = *engine_.Settings();
    EngineSettings::SystemSection& system = settings.System;
    system.InitStart = f.initStart->currentIndex() == 0;
    system.RunAsService = f.runAsTray->isChecked();
    system.RunAsWinService = f.runAsService->isChecked();
    settings.SystemLog.Filename = f.systemLogFilename->text().toStdString();
    settings.SystemLog.HouseKeepDay = ListNumber(*f.systemLogHouseKeep);
    system.SysLogUDPEnable = f.udpEnable->isChecked();
    system.SysLogPort = f.udpPort->text().toStdString();
    system.SysLogBufferSize = f.bufferSize->text().toInt();
    system.SysLogMessageIPType = f.showingIp->currentIndex() + 1;
    system.SysLogTCPEnable = f.tcpEnable->isChecked();
    system.SysLogTCPPort = f.tcpPort->text().toStdString();
    system.SysLogTCPTimeout = f.tcpTimeout->text().toInt();
    system.ShowLogItem = ListNumber(*f.numberOfLogs);
    settings.Alarming.NoConcurrentAlarm = f.maxConcurrent->text().toInt();
    settings.Alarming.NoQueuingAlarm = f.queuingAlarms->text().toInt();
    settings.Alarming.QueningSecond = f.queuingTime->text().toInt();
    settings.Database.Host = f.host->text().toStdString();
    settings.Database.Port = f.port->text().toStdString();
    settings.Database.DBUsername = f.username->text().toStdString();
    settings.Database.DBPassword = f.password->text().toStdString();
    settings.FileBackup.Enable = f.fileEnable->isChecked();
    settings.FileBackup.FilenamePath = f.filePath->text().toStdString();
    settings.FileBackup.Filename = f.fileName->text().toStdString();
    settings.FileBackup.HouseKeepDay = ListNumber(*f.fileHouseKeep);
    settings.DbBackup.Enable = f.databaseBackupEnable->isChecked();
    settings.DbBackup.Type = f.databaseType->text().toStdString();
    settings.DbBackup.HouseKeepDay = ListNumber(*f.databaseHouseKeep);
    for (std::size_t wireCode = 0; wireCode < colours_.size(); ++wireCode) {
        settings.MessageColours[wireCode] = colours_[wireCode]->currentText().toStdString();
    }

    registration_(settings, system.RunAsWinService);
    // The engine in this process takes them from its next message on, the live list at once.
    engine_.PublishSettings(settings);
    if (EnsureConfFolder(settings)) {
        SaveSettings(settings);
    }
    Say("Option settings saved.");
    form_->apply->setEnabled(false);
}

void OptionsDialog::Defaults() {
    EngineSettings defaults;
    const SettingsSnapshot current = engine_.Settings();
    defaults.AppPath = current->AppPath;
    defaults.LogFolder = current->LogFolder;
    defaults.FileBackup.Enable = false;
    defaults.FileBackup.FilenamePath = current->LogFolder;
    defaults.DbBackup.Enable = false;
    for (std::string& colour : defaults.MessageColours) {
        colour = "Black";
    }
    Fill(defaults);
    Window().SetStatus(
        "Reset the settings to default. Please click OK to save the settings, or Cancel to "
        "cancel the changes.");
}

void OptionsDialog::ChooseFilePath() {
    const SettingsSnapshot settings = engine_.Settings();
    const QString chosen =
        chooseFile_("Please select the backup SysLog file path.", Text(settings->LogFolder),
                    Text(settings->FileBackup.Filename));
    if (!chosen.isEmpty() && QFileInfo(chosen).absoluteDir().exists()) {
        form_->filePath->setText(QFileInfo(chosen).absolutePath() + "/");
    }
    form_->apply->setEnabled(true);
}

}  // namespace trevalon
