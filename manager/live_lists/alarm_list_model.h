#pragma once

// The alarm list's rows: every alarm the in-process dispatcher queued, newest on top, with its
// delivery's status once it finished.

#include <cstdint>
#include <string>

#include "manager/live_lists/list_rows_model.h"

namespace trevalon {

class AlarmListModel final : public ListRowsModel {
  public:
    explicit AlarmListModel(QObject* parent = nullptr);

    // A row with status "Pending" on top, the cap applied first.
    void AddAlarmRow(std::int32_t id, const std::string& timeStamp, const std::string& text,
                     const std::string& method, const std::string& recipients);
    // The status of the row whose ID is `id`; the row's index, or -1 when no row has it any more.
    int AlarmFinished(std::int32_t id, const std::string& resultText);
};

}  // namespace trevalon
