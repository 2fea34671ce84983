#include "manager/dialogs/scheduling_dialog.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

#include <exception>

#include "engine/syslog_engine.h"
#include "manager/main_window/main_window.h"

namespace trevalon {
namespace {

using dialog_statements::kDayColumns;
using dialog_statements::kDays;
using dialog_statements::kHours;

constexpr std::array<const char*, kDays> kDayCaptions = {"Mon", "Tue", "Wed", "Thu",
                                                         "Fri", "Sat", "Sun"};

QFrame* Line(QFrame::Shape shape) {
    auto* line = new QFrame;
    line->setFrameShape(shape);
    line->setFrameShadow(QFrame::Plain);
    line->setStyleSheet("color: #C0C0C0;");
    return line;
}

QCheckBox* BoldSwitch(const QString& caption) {
    auto* box = new QCheckBox(caption);
    QFont font = box->font();
    font.setBold(true);
    box->setFont(font);
    return box;
}

}  // namespace

SchedulingDialog::SchedulingDialog(MainWindow& window, SyslogEngine& engine)
    : ManagerDialog(window, "Scheduling"), engine_(engine) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(0);
    auto* time = new QLabel("Time");
    QFont bold = time->font();
    bold.setBold(true);
    time->setFont(bold);
    grid->addWidget(time, 0, 0);
    // Rows and columns of the grid alternate with thin lines: switches and cells on the even
    // places, lines on the odd ones.
    for (int day = 0; day < kDays; ++day) {
        days_[day] = BoldSwitch(kDayCaptions[day]);
        grid->addWidget(days_[day], 0, 2 + day * 2, Qt::AlignCenter);
        grid->addWidget(Line(QFrame::VLine), 0, 1 + day * 2, 2 * kHours + 1, 1);
    }
    for (int hour = 0; hour < kHours; ++hour) {
        const int row = 2 + hour * 2;
        grid->addWidget(Line(QFrame::HLine), row - 1, 0, 1, 2 * kDays + 1);
        hours_[hour] = BoldSwitch(QString("%1:00 - %1:59").arg(hour, 2, 10, QChar('0')));
        grid->addWidget(hours_[hour], row, 0);
        for (int day = 0; day < kDays; ++day) {
            cells_[hour][day] = new QCheckBox;
            grid->addWidget(cells_[hour][day], row, 2 + day * 2, Qt::AlignCenter);
        }
    }
    layout->addLayout(grid);

    // A switch set by hand or by the dialog sets its whole day or hour.
    for (int day = 0; day < kDays; ++day) {
        connect(days_[day], &QCheckBox::toggled, this, [this, day](bool ticked) {
            for (auto& hour : cells_) {
                hour[day]->setChecked(ticked);
            }
        });
    }
    for (int hour = 0; hour < kHours; ++hour) {
        connect(hours_[hour], &QCheckBox::toggled, this, [this, hour](bool ticked) {
            for (QCheckBox* cell : cells_[hour]) {
                cell->setChecked(ticked);
            }
        });
    }

    auto* buttons = new QHBoxLayout;
    const auto button = [this, buttons](const char* caption, const char* hint) {
        auto* pushButton = new QPushButton(caption);
        pushButton->setStatusTip(hint);
        pushButton->setToolTip(hint);
        buttons->addWidget(pushButton);
        return pushButton;
    };
    buttons->addStretch();
    QPushButton* selectAll = button("Select All", "Click to select all options");
    QPushButton* clearAll = button("Clear All", "Click to unselect all options");
    apply_ = button("Apply", "Click to save the alarming options");
    QPushButton* cancel = button("Cancel", "Click to cancel changes and close the window");
    layout->addLayout(buttons);
    layout->addWidget(&StatusBar());

    connect(selectAll, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { SetAll(false); });
    connect(apply_, &QPushButton::clicked, this, [this] { Apply(); });
    connect(cancel, &QPushButton::clicked, this, [this] {
        Window().SetStatus("Updating option settings cancel.");
        close();
    });
    // Apply wakes up when the user reaches for the grid or the two buttons.
    for (QWidget* watched : findChildren<QCheckBox*>()) {
        watched->installEventFilter(this);
    }
    selectAll->installEventFilter(this);
    clearAll->installEventFilter(this);
}

void SchedulingDialog::showEvent(QShowEvent* event) {
    ManagerDialog::showEvent(event);
    Load();
}

bool SchedulingDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        apply_->setEnabled(true);
    }
    return ManagerDialog::eventFilter(watched, event);
}

void SchedulingDialog::Load() {
    apply_->setEnabled(false);
    for (QCheckBox* day : days_) {
        day->setChecked(false);
    }
    for (QCheckBox* hour : hours_) {
        hour->setChecked(false);
    }
    try {
        const QueryResult rows =
            engine_.DataModule().Connection().Query(dialog_statements::kSelectScheduling);
        for (std::size_t row = 0; row < rows.RowCount(); ++row) {
            const std::int64_t hour = rows.Integer(row, "schedule_time");
            if (hour < 0 || hour >= kHours) {
                continue;
            }
            for (int day = 0; day < kDays; ++day) {
                cells_[hour][day]->setChecked(rows.Text(row, kDayColumns[day]) == "yes");
            }
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90100", error);
    }
    StatusBar().showMessage("You can update schedule now.");
}

void SchedulingDialog::Apply() {
    try {
        for (int hour = 0; hour < kHours; ++hour) {
            std::array<bool, kDays> days{};
            for (int day = 0; day < kDays; ++day) {
                days[day] = cells_[hour][day]->isChecked();
            }
            engine_.DataModule().Connection().Execute(
                dialog_statements::UpdateSchedulingHour(hour, days));
        }
    } catch (const std::exception& error) {
        ReportFailure("ERR90101", error);
        return;
    }
    StatusBar().showMessage("The new scheduling has been saved and will be effective now.");
    apply_->setEnabled(false);
}

void SchedulingDialog::SetAll(bool ticked) {
    for (auto& hour : cells_) {
        for (QCheckBox* cell : hour) {
            cell->setChecked(ticked);
        }
    }
}

}  // namespace trevalon
