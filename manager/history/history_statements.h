#pragma once

// The statements of the history window: its filter clause and the page, chart and count
// statements built on it. Every filter text passes the engine's escaping inside its quotes, so a
// typed quote or backslash is compared as typed and never ends the value.

#include <cstdint>
#include <string>
#include <string_view>

namespace trevalon::history_statements {

// Rows per page, and groups per chart page.
inline constexpr std::int64_t kPageSize = 1000;
inline constexpr std::string_view kAllFacility = "All Facility";
inline constexpr std::string_view kAllSeverity = "All Severity";

// The five filter values: times as "yyyy-MM-dd HH:mm:ss" or empty, the source as typed, the
// facility and severity as the filter window shows them.
struct HistoryFilter {
    std::string from;
    std::string to;
    std::string source;
    std::string facility;
    std::string severity;
};

// " where syslog_datetime>=\"...\" " and the further conditions each with " and"; empty without
// any. A facility or severity that is empty or "All ..." adds nothing.
std::string FilterClause(const HistoryFilter& filter);

enum class ChartKind { kHost, kFacility, kSeverity };
// "ip", "facility" or "severity".
std::string_view ChartColumn(ChartKind kind);

// Message counts per group, newest group first. A group is ordered by its oldest row, which is
// the row a grouping reads first when the rows were stored as they arrived; naming it keeps the
// order whatever way the server reads the rows, and lets it read an index of (group, time)
// instead of every row.
std::string ChartStatement(ChartKind kind, std::string_view clause, std::int64_t offset);
// One page of rows, newest first.
std::string PageStatement(std::string_view clause, std::int64_t offset);
// A page far from the newest rows, in statements that read the time index instead of sorting
// every row: the time of the page's first row, counted from the newest or from the oldest row,
// whichever is nearer; how many rows are newer than that time (or, from the oldest, not newer);
// then the page from that time on, skipping the rows of that same time on earlier pages.
std::string PageTimeStatement(std::string_view clause, std::int64_t position, bool fromNewest);
std::string CountNewerStatement(std::string_view clause, std::string_view time);
std::string CountNotNewerStatement(std::string_view clause, std::string_view time);
std::string PageFromTimeStatement(std::string_view clause, std::string_view time,
                                  std::int64_t skipped);
// The rows the filter lets through, as totalRecord.
std::string CountStatement(std::string_view clause);

}  // namespace trevalon::history_statements
