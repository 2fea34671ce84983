#include "manager/history/history_loader.h"

#include <QMetaObject>

#include <exception>
#include <optional>
#include <utility>

namespace trevalon {
namespace {

using history_statements::ChartKind;

std::vector<ChartBar> BarsOf(const QueryResult& result, std::string_view column) {
    std::vector<ChartBar> bars;
    bars.reserve(result.RowCount());
    for (std::size_t row = 0; row < result.RowCount(); ++row) {
        bars.push_back({result.Text(row, column), result.Integer(row, "total")});
    }
    return bars;
}

std::vector<HistoryRow> RowsOf(const QueryResult& result) {
    std::vector<HistoryRow> rows;
    rows.reserve(result.RowCount());
    for (std::size_t row = 0; row < result.RowCount(); ++row) {
        rows.push_back({result.Text(row, "syslog_datetime"), result.Text(row, "ip"),
                        result.Text(row, "facility"), result.Text(row, "severity"),
                        result.Text(row, "msg")});
    }
    return rows;
}

}  // namespace

HistoryLoader::HistoryLoader(HistoryLoadEvents events) : events_(std::move(events)) {}

HistoryLoader::~HistoryLoader() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
}

bool HistoryLoader::Start(HistoryLoad load) {
    if (busy_) {
        return false;
    }
    // The previous load has reported `finished`, so its thread is at its end.
    if (worker_.joinable()) {
        worker_.join();
    }
    busy_ = true;
    worker_ = std::jthread(
        [this, load = std::move(load)](const std::stop_token& stop) { Run(stop, load); });
    return true;
}

void HistoryLoader::Post(std::function<void()> step) {
    QMetaObject::invokeMethod(&context_, std::move(step), Qt::QueuedConnection);
}

void HistoryLoader::Count(DatabaseConnection& connection, const std::string& clause) {
    try {
        const std::int64_t total =
            connection.Query(history_statements::CountStatement(clause)).Integer(0, "totalRecord");
        Post([this, total] { events_.counted(total); });
    } catch (const std::exception& error) {
        Post([this, text = std::string(error.what())] { events_.countFailed(text); });
    }
}

void HistoryLoader::Run(const std::stop_token& stop, const HistoryLoad& load) {
    std::optional<std::string> failure;
    try {
        DatabaseConnection connection;
        connection.Connect(load.connection);
        if (load.count) {
            Count(connection, load.clause);
        }
        int percent = 20;
        for (const ChartKind kind :
             {ChartKind::kHost, ChartKind::kFacility, ChartKind::kSeverity}) {
            if (stop.stop_requested()) {
                return;
            }
            Post([this, percent] { events_.progress(percent); });
            std::vector<ChartBar> bars = BarsOf(connection.Query(history_statements::ChartStatement(
                                                    kind, load.clause, load.offset)),
                                                history_statements::ChartColumn(kind));
            Post([this, kind, bars = std::move(bars)]() mutable {
                events_.chart(kind, std::move(bars));
            });
            percent += 20;
        }
        if (stop.stop_requested()) {
            return;
        }
        Post([this] { events_.progress(80); });
        std::vector<HistoryRow> rows =
            RowsOf(connection.Query(history_statements::PageStatement(load.clause, load.offset)));
        Post([this, rows = std::move(rows)]() mutable { events_.rows(std::move(rows)); });
        Post([this] { events_.progress(100); });
    } catch (const std::exception& error) {
        failure = error.what();
    }
    Post([this, failure = std::move(failure)] {
        if (failure) {
            events_.failed(*failure);
        }
        busy_ = false;
        events_.finished();
    });
}

}  // namespace trevalon
