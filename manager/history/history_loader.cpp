#include "manager/history/history_loader.h"

#include <QMetaObject>

#include <array>
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

constexpr std::array<ChartKind, 3> kCharts = {ChartKind::kHost, ChartKind::kFacility,
                                              ChartKind::kSeverity};

// A chart's bars, or why they could not be read.
struct ChartOutcome {
    std::vector<ChartBar> bars;
    std::optional<std::string> failure;
};

ChartOutcome ReadChart(const HistoryLoad& load, ChartKind kind) {
    ChartOutcome outcome;
    try {
        DatabaseConnection connection;
        connection.Connect(load.connection);
        outcome.bars = BarsOf(
            connection.Query(history_statements::ChartStatement(kind, load.clause, load.offset)),
            history_statements::ChartColumn(kind));
    } catch (const std::exception& error) {
        outcome.failure = error.what();
    }
    return outcome;
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

std::optional<std::int64_t> HistoryLoader::Count(DatabaseConnection& connection,
                                                 const std::string& clause) {
    try {
        const std::int64_t total =
            connection.Query(history_statements::CountStatement(clause)).Integer(0, "totalRecord");
        Post([this, total] { events_.counted(total); });
        return total;
    } catch (const std::exception& error) {
        Post([this, text = std::string(error.what())] { events_.countFailed(text); });
        return std::nullopt;
    }
}

void HistoryLoader::Run(const std::stop_token& stop, const HistoryLoad& load) {
    Post([this] { events_.progress(20); });
    // The three charts each on a connection of their own, side by side with the count and the
    // page on this one: the slowest statement, not the sum of them, sets how long a load takes.
    std::array<ChartOutcome, kCharts.size()> charts;
    std::array<std::jthread, kCharts.size()> readers;
    for (std::size_t chart = 0; chart < kCharts.size(); ++chart) {
        readers[chart] = std::jthread(
            [&charts, &load, chart] { charts[chart] = ReadChart(load, kCharts[chart]); });
    }
    std::optional<std::string> pageFailure;
    std::vector<HistoryRow> rows;
    try {
        DatabaseConnection connection;
        connection.Connect(load.connection);
        const std::optional<std::int64_t> total =
            load.count ? Count(connection, load.clause) : std::nullopt;
        rows = ReadHistoryPage(connection, load.clause, load.offset, total);
    } catch (const std::exception& error) {
        pageFailure = error.what();
    }
    // The results in the order of the steps; a failing step ends the load there.
    std::optional<std::string> failure;
    int percent = 40;
    for (std::size_t chart = 0; chart < kCharts.size() && !failure; ++chart) {
        readers[chart].join();
        if (stop.stop_requested()) {
            return;
        }
        failure = std::move(charts[chart].failure);
        if (!failure) {
            Post([this, kind = kCharts[chart], bars = std::move(charts[chart].bars)]() mutable {
                events_.chart(kind, std::move(bars));
            });
            Post([this, percent] { events_.progress(percent); });
            percent += 20;
        }
    }
    if (!failure) {
        failure = std::move(pageFailure);
    }
    if (!failure) {
        Post([this, rows = std::move(rows)]() mutable { events_.rows(std::move(rows)); });
        Post([this] { events_.progress(100); });
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
