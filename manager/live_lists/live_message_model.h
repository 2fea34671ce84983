#pragma once

// The live message list's rows: every message the in-process receivers accept, newest on top,
// drawn in its facility's colour with its severity's picture.

#include <QIcon>

#include <array>

#include "foundation/engine_settings.h"
#include "foundation/syslog_vocabulary.h"
#include "manager/live_lists/list_rows_model.h"

namespace trevalon {

class LiveMessageModel final : public ListRowsModel {
  public:
    // The live list's captions: "DateTime", "From IP", "Facility", "Severity", "Message".
    explicit LiveMessageModel(QObject* parent = nullptr);
    // Other captions for the same five cells (the history list's).
    explicit LiveMessageModel(QStringList captions, QObject* parent = nullptr);

    // The facility colours of section "Message" from now on.
    void SetColours(const EngineSettings& settings);

    // "DateTime", "From IP", "Facility", "Severity", "Message" of one message.
    static QStringList RowOf(const SyslogRecord& record);

    QVariant data(const QModelIndex& index, int role) const override;

  private:
    EngineSettings colours_;
    std::array<QIcon, 8> severityIcons_;
};

}  // namespace trevalon
