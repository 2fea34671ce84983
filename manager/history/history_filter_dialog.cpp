#include "manager/history/history_filter_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <string>

#include "foundation/syslog_vocabulary.h"

namespace trevalon {
namespace {

constexpr int kSourceLength = 500;

void Hinted(QWidget& widget, const char* hint) {
    widget.setToolTip(hint);
    widget.setStatusTip(hint);
}

// A date with its check box and, beside it, the time, which only a ticked date enables.
QHBoxLayout* DateTimeRow(QCheckBox*& ticked, QDateEdit*& date, QTimeEdit*& time, QTime initial,
                         const char* hint) {
    auto* row = new QHBoxLayout;
    ticked = new QCheckBox;
    Hinted(*ticked, hint);
    date = new QDateEdit(QDate::currentDate());
    date->setDisplayFormat("yyyy-MM-dd");
    date->setCalendarPopup(true);
    time = new QTimeEdit(initial);
    time->setDisplayFormat("HH:mm:ss");
    time->setEnabled(false);
    QObject::connect(ticked, &QCheckBox::toggled, time, &QWidget::setEnabled);
    row->addWidget(ticked);
    row->addWidget(date, 1);
    row->addWidget(time, 1);
    return row;
}

// `all`, then the display names of `values` in their order.
template <typename Values, typename ToName>
QComboBox* NamesList(std::string_view all, const Values& values, ToName toName) {
    auto* list = new QComboBox;
    list->addItem(QString::fromUtf8(all.data(), static_cast<qsizetype>(all.size())));
    for (const auto value : values) {
        std::string name;
        toName(value, name);
        list->addItem(QString::fromStdString(name));
    }
    return list;
}

QString WhenTicked(const QCheckBox& ticked, const QDateEdit& date, const QTimeEdit& time) {
    if (!ticked.isChecked()) {
        return QString();
    }
    return date.date().toString("yyyy-MM-dd") + " " + time.time().toString("HH:mm:ss");
}

}  // namespace

HistoryFilterDialog::HistoryFilterDialog(QWidget& parent, Apply apply)
    : QDialog(&parent), apply_(std::move(apply)) {
    setWindowTitle("Filtering SysLog History");
    setModal(false);
    setWindowFlag(Qt::WindowStaysOnTopHint);

    auto* group = new QGroupBox("Filtering Options");
    auto* form = new QFormLayout(group);
    form->addRow("From Datetime", DateTimeRow(fromTicked_, fromDate_, fromTime_, QTime(0, 0, 0),
                                              "Click to enable filtering from datetime..."));
    form->addRow("To DateTime", DateTimeRow(toTicked_, toDate_, toTime_, QTime(23, 59, 59),
                                            "Click to enable filtering to datetime..."));
    source_ = new QLineEdit;
    source_->setMaxLength(kSourceLength);
    form->addRow("IP", source_);
    facility_ = NamesList(history_statements::kAllFacility, kFacilitiesInWireOrder, FacilityToName);
    form->addRow("Facility", facility_);
    severity_ = NamesList(history_statements::kAllSeverity, kSeveritiesInWireOrder, SeverityToName);
    form->addRow("Severity", severity_);

    filtering_ = new QPushButton("Filtering");
    QPushButton* filtering = filtering_;
    Hinted(*filtering, "Filter data by providing required valuables...");
    // Enter anywhere in the window filters.
    filtering->setDefault(true);
    auto* cancel = new QPushButton("Cancel");
    Hinted(*cancel, "Close the window...");
    cancel->setAutoDefault(false);
    connect(filtering, &QPushButton::clicked, this, [this] { apply_(Filter()); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(filtering);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttons);
}

history_statements::HistoryFilter HistoryFilterDialog::Filter() const {
    return {WhenTicked(*fromTicked_, *fromDate_, *fromTime_).toStdString(),
            WhenTicked(*toTicked_, *toDate_, *toTime_).toStdString(), source_->text().toStdString(),
            facility_->currentText().toStdString(), severity_->currentText().toStdString()};
}

void HistoryFilterDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = this->screen(); screen != nullptr && !event->spontaneous()) {
        move(screen->availableGeometry().center() - rect().center());
    }
}

}  // namespace trevalon
