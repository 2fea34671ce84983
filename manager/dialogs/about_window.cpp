#include "manager/dialogs/about_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/main_window/main_window.h"

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

// The banner: the product's name on the colours of the main window's banner.
QPixmap Banner() {
    QPixmap banner(484, 145);
    QPainter painter(&banner);
    QLinearGradient shade(0, 0, 484, 145);
    shade.setColorAt(0, QColor(0x5A, 0x55, 0x57));
    shade.setColorAt(1, QColor(0x1E, 0x1C, 0x1D));
    painter.fillRect(banner.rect(), shade);
    painter.setPen(Qt::white);
    QFont title = painter.font();
    title.setPointSize(26);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(24, 30, 440, 50), Qt::AlignLeft | Qt::AlignVCenter, "Trevalon");
    QFont subtitle = painter.font();
    subtitle.setPointSize(10);
    subtitle.setBold(false);
    painter.setFont(subtitle);
    painter.drawText(QRect(26, 85, 440, 30), Qt::AlignLeft | Qt::AlignVCenter,
                     QString("Syslog server with alarming  -  v%1").arg(kProgramVersion));
    return banner;
}

}  // namespace

AboutWindow::AboutWindow(MainWindow& window) : ManagerDialog(window, "About...") {
    auto* layout = new QVBoxLayout(this);
    auto* banner = new QLabel;
    banner->setPixmap(Banner());
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
