#pragma once

// Runs the history window's statements on a thread of its own, one load at a time, and hands
// every step's result to the window's thread: the window keeps painting while the server works.

#include <QObject>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/storage/database_client.h"
#include "manager/history/history_page.h"
#include "manager/history/history_statements.h"

namespace trevalon {

struct ChartBar {
    std::string label;
    std::int64_t total = 0;
};

struct HistoryLoad {
    ConnectionParameters connection;
    std::string clause;
    std::int64_t offset = 0;
    // Counts the rows first, for the paging buttons.
    bool count = false;
};

// What a load reports, always on the thread that made the loader: the count (or its failure);
// progress 20, then the host, facility and severity charts each followed by progress 40, 60 and
// 80, then the page's rows and 100. A failing step reports `failed` instead and ends the load
// there. `finished` comes last, always.
struct HistoryLoadEvents {
    std::function<void(std::int64_t total)> counted;
    std::function<void(const std::string& error)> countFailed;
    std::function<void(int percent)> progress;
    std::function<void(history_statements::ChartKind kind, std::vector<ChartBar> bars)> chart;
    std::function<void(std::vector<HistoryRow> rows)> rows;
    std::function<void(const std::string& error)> failed;
    std::function<void()> finished;
};

class HistoryLoader {
  public:
    explicit HistoryLoader(HistoryLoadEvents events);
    // Waits for a running load; what it would still report is dropped.
    ~HistoryLoader();
    HistoryLoader(const HistoryLoader&) = delete;
    HistoryLoader& operator=(const HistoryLoader&) = delete;

    // From Start until `finished` has been reported.
    bool Busy() const { return busy_; }
    // Refused (false) while Busy.
    bool Start(HistoryLoad load);

  private:
    void Run(const std::stop_token& stop, const HistoryLoad& load);
    // The rows the clause lets through, reported; nothing when they cannot be counted.
    std::optional<std::int64_t> Count(DatabaseConnection& connection, const std::string& clause);
    // Hands `step` to the owner's thread, unless the loader is going away.
    void Post(std::function<void()> step);

    HistoryLoadEvents events_;
    // Lives on the owner's thread; steps posted to it die with it.
    QObject context_;
    bool busy_ = false;
    // Last: joined first when the loader goes.
    std::jthread worker_;
};

}  // namespace trevalon
