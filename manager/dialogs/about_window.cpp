#include "manager/dialogs/about_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/main_window/main_window.h"
#include "manager/main_window/pictures.h"

namespace trevalon {
namespace {

constexpr const char* kNotice =
    "Copyright (C) Varnholt Software. All rights reserved.\n\n"
    "Trevalon receives syslog messages over UDP and TCP, keeps them in daily text files and a "
    "MariaDB table, and raises alarms by e-mail, SMS, syslog forwarding, SNMP traps and pagers.\n\n"
    "Licence terms\n"
    "This program is licensed, not sold. You may install and use it on the machines of your "
    "organisation for monitoring your own systems. You may not sell, rent or lend it, nor "
    "remove this notice. The program is provided as it is, without warranty of any kind; in no "
    "event is the vendor liable for any damage arising from its use, including lost messages "
    "or alarms that were not delivered.\n\n"
    "Support: support@trevalon.invalid";

}  // namespace

AboutWindow::AboutWindow(MainWindow& window) : ManagerDialog(window, "About...") {
    auto* layout = new QVBoxLayout(this);
    auto* banner = new QLabel;
    banner->setPixmap(DrawBannerPicture(QSize(484, 145), kProgramVersion));
    layout->addWidget(banner);
    notice_ = new QPlainTextEdit(QString("Varnholt Trevalon v%1\n").arg(kProgramVersion) + kNotice);
    notice_->setReadOnly(true);
    notice_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(notice_);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton("OK");
    buttons->addStretch();
    buttons->addWidget(ok);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::close);
}

}  // namespace trevalon
