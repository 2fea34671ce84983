#include "manager/history/history_page.h"

#include "manager/history/history_statements.h"

namespace trevalon {
namespace {

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

std::vector<HistoryRow> ReadHistoryPage(DatabaseConnection& connection, std::string_view clause,
                                        std::int64_t offset, std::optional<std::int64_t> total) {
    using namespace history_statements;
    if (offset == 0) {
        return RowsOf(connection.Query(PageStatement(clause, 0)));
    }
    if (!total) {
        total = connection.Query(CountStatement(clause)).Integer(0, "totalRecord");
    }
    if (offset >= *total) {
        return {};
    }
    const bool fromNewest = offset < *total / 2;
    const QueryResult first = connection.Query(
        PageTimeStatement(clause, fromNewest ? offset : *total - 1 - offset, fromNewest));
    if (first.RowCount() == 0) {
        return {};
    }
    const std::string time = first.Text(0, "syslog_datetime");
    const std::int64_t newer =
        fromNewest
            ? connection.Query(CountNewerStatement(clause, time)).Integer(0, "total")
            : *total - connection.Query(CountNotNewerStatement(clause, time)).Integer(0, "total");
    return RowsOf(connection.Query(PageFromTimeStatement(clause, time, offset - newer)));
}

}  // namespace trevalon
