#include "manager/live_lists/alarm_list_model.h"

namespace trevalon {
namespace {

constexpr int kStatusColumn = 5;

}  // namespace

AlarmListModel::AlarmListModel(QObject* parent)
    : ListRowsModel({"ID", "DateTime", "Message", "Alarm Methods", "Alarm SMS / Email / Pager / IP",
                     "Status"},
                    parent) {}

void AlarmListModel::AddAlarmRow(std::int32_t id, const std::string& timeStamp,
                                 const std::string& text, const std::string& method,
                                 const std::string& recipients) {
    AddOnTop({{QString::number(id), QString::fromStdString(timeStamp), QString::fromStdString(text),
               QString::fromStdString(method), QString::fromStdString(recipients),
               QStringLiteral("Pending")}});
}

int AlarmListModel::AlarmFinished(std::int32_t id, const std::string& resultText) {
    const QString caption = QString::number(id);
    for (int row = 0; row < rowCount(); ++row) {
        if (Row(row).value(0) == caption) {
            MutableRow(row)[kStatusColumn] = QString::fromStdString(resultText);
            emit dataChanged(index(row, kStatusColumn), index(row, kStatusColumn));
            return row;
        }
    }
    return -1;
}

}  // namespace trevalon
