// The history window's loads on a week of messages: 1,000,000 rows from 300 sources, every
// facility and severity, over 7 days, stored oldest first as the receivers store them. Times,
// through the window's own loader, the first page with its count and three charts, the last
// page, and a page filtered to one source, one severity and one day; then the chart statements
// the loader replaced, without the history indexes, for comparison.
//
//   history_bench [rows]

#include <QCoreApplication>
#include <QEventLoop>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <unistd.h>

#include "engine/storage/database_client.h"
#include "engine/storage/schema_statements.h"
#include "foundation/engine_settings.h"
#include "manager/history/history_loader.h"
#include "manager/history/history_statements.h"

namespace trevalon {
namespace {

using Clock = std::chrono::steady_clock;
using history_statements::ChartKind;

constexpr int kRuns = 3;

// The settings' defaults: the local server's administrator over its socket.
ConnectionParameters Server(std::string database) {
    const EngineSettings::DatabaseSection settings;
    return {settings.Host, settings.Port, settings.DBUsername, settings.DBPassword,
            std::move(database)};
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string FillStatement(long rows) {
    return "insert into syslog select '2026-12-01 00:00:00' + interval (seq * 604800 div " +
           std::to_string(rows) +
           ") second, concat('10.1.', (seq * 7919) % 300 div 100, '.', (seq * 7919) % 100), "
           "elt(1 + seq % 24, 'Kernel', 'User Level', 'Mail System', 'System Daemon', 'Security "
           "One', 'Syslogd', 'LPR', 'NNTP', 'UUCP', 'Clock Daemon One', 'Security Two', 'FTP "
           "Daemon', 'NTP', 'Log Audit', 'Log Alert', 'Clock Daemon Two', 'Local Use Zero', "
           "'Local Use One', 'Local Use Two', 'Local Use Three', 'Local Use Four', 'Local Use "
           "Five', 'Local Use Six', 'Local Use Seven'), elt(1 + (seq div 24) % 8, 'Emergency', "
           "'Alert', 'Critical', 'Error', 'Warning', 'Notice', 'Informational', 'Debug'), "
           "concat('message number ', seq, ' of the history benchmark') from seq_1_to_" +
           std::to_string(rows);
}

// One load from Start to `finished`, the window's event loop running meanwhile.
class TimedLoader {
  public:
    TimedLoader()
        : loader_(HistoryLoadEvents{
              [](std::int64_t) {}, [this](const std::string& error) { failure_ = error; },
              [](int) {}, [](ChartKind, std::vector<ChartBar>) {},
              [this](std::vector<HistoryRow> rows) { rows_ = rows.size(); },
              [this](const std::string& error) { failure_ = error; }, [this] { loop_.quit(); }}) {}

    double Seconds(HistoryLoad load) {
        rows_ = 0;
        const Clock::time_point start = Clock::now();
        loader_.Start(std::move(load));
        loop_.exec();
        const double seconds = SecondsSince(start);
        if (!failure_.empty()) {
            throw DatabaseError(failure_);
        }
        return seconds;
    }
    std::size_t Rows() const { return rows_; }

  private:
    QEventLoop loop_;
    std::string failure_;
    std::size_t rows_ = 0;
    HistoryLoader loader_;
};

void Report(const char* what, std::vector<double> seconds, std::size_t rows) {
    std::sort(seconds.begin(), seconds.end());
    std::printf("%-48s best %6.3f s  median %6.3f s  (%zu rows)\n", what, seconds.front(),
                seconds[seconds.size() / 2], rows);
}

int Run(long rows) {
    std::string error;
    if (!LoadDatabaseLibrary(TREVALON_SYSTEM_MARIADB_LIBRARY, &error)) {
        std::fprintf(stderr, "cannot load the client library: %s\n", error.c_str());
        return 1;
    }
    const std::string name = "trevalon_bench_history_" + std::to_string(getpid());
    DatabaseConnection admin;
    admin.Connect(Server(""));
    admin.Execute("DROP DATABASE IF EXISTS " + name);
    admin.Execute(CreateDatabaseStatement(name));
    admin.Connect(Server(name));
    for (const TableSchema& table : SchemaTables(name)) {
        if (table.Name == "syslog") {
            for (const std::string& statement : table.Statements) {
                admin.Execute(statement);
            }
        }
    }
    for (const IndexSchema& index : SyslogHistoryIndexes()) {
        admin.Execute(index.Statement);
    }
    Clock::time_point start = Clock::now();
    admin.Execute(FillStatement(rows));
    std::printf("%ld rows stored in %.1f s\n", rows, SecondsSince(start));

    const std::string day = history_statements::FilterClause(
        {"2026-12-03 00:00:00", "2026-12-03 23:59:59", "10.1.0.62", "All Facility", "Error"});
    const struct {
        const char* what;
        std::string clause;
        std::int64_t offset;
    } pages[] = {
        {"first page, count and three charts", "", 0},
        {"last page, count and three charts", "",
         (rows - 1) / history_statements::kPageSize * history_statements::kPageSize},
        {"one source, one severity, one day", day, 0},
    };
    TimedLoader loader;
    for (const auto& page : pages) {
        std::vector<double> seconds;
        for (int run = 0; run < kRuns; ++run) {
            seconds.push_back(loader.Seconds({Server(name), page.clause, page.offset, true}));
        }
        Report(page.what, seconds, loader.Rows());
    }

    for (const IndexSchema& index : SyslogHistoryIndexes()) {
        admin.Execute("DROP INDEX " + index.Name + " ON syslog");
    }
    std::printf("without the history indexes, the statements the charts replaced:\n");
    for (const ChartKind kind : {ChartKind::kHost, ChartKind::kFacility, ChartKind::kSeverity}) {
        const std::string column(history_statements::ChartColumn(kind));
        start = Clock::now();
        const QueryResult bars =
            admin.Query("select " + column + ", count(*) as total from syslog  group by " + column +
                        " order by syslog_datetime desc limit 0,1000");
        Report(("  " + column + " chart").c_str(), {SecondsSince(start)}, bars.RowCount());
    }
    admin.Execute("DROP DATABASE IF EXISTS " + name);
    return 0;
}

}  // namespace
}  // namespace trevalon

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const long rows = argc > 1 ? std::stol(argv[1]) : 1000000;
    try {
        return trevalon::Run(rows);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "history_bench: %s\n", error.what());
        return 1;
    }
}
