#include "manager/history/history_statements.h"

#include "engine/storage/database_client.h"

namespace trevalon::history_statements {
namespace {

// `column`op"value" with the clause's word before it and a blank after it.
void AppendCondition(std::string& clause, std::string_view column, std::string_view op,
                     std::string_view value) {
    clause += clause.empty() ? " where " : " and ";
    clause += column;
    clause += op;
    AppendSqlQuoted(clause, value);
    clause += ' ';
}

std::string Limit(std::int64_t offset) {
    return " limit " + std::to_string(offset) + "," + std::to_string(kPageSize);
}

}  // namespace

std::string FilterClause(const HistoryFilter& filter) {
    std::string clause;
    if (!filter.from.empty()) {
        AppendCondition(clause, "syslog_datetime", ">=", filter.from);
    }
    if (!filter.to.empty()) {
        AppendCondition(clause, "syslog_datetime", "<=", filter.to);
    }
    if (!filter.source.empty()) {
        AppendCondition(clause, "ip", "=", filter.source);
    }
    if (!filter.facility.empty() && filter.facility != kAllFacility) {
        AppendCondition(clause, "facility", "=", filter.facility);
    }
    if (!filter.severity.empty() && filter.severity != kAllSeverity) {
        AppendCondition(clause, "severity", "=", filter.severity);
    }
    return clause;
}

std::string_view ChartColumn(ChartKind kind) {
    switch (kind) {
        case ChartKind::kHost:
            return "ip";
        case ChartKind::kFacility:
            return "facility";
        case ChartKind::kSeverity:
            return "severity";
    }
    return "ip";
}

std::string ChartStatement(ChartKind kind, std::string_view clause, std::int64_t offset) {
    const std::string column(ChartColumn(kind));
    return "select " + column + ", count(*) as total from syslog " + std::string(clause) +
           " group by " + column + " order by min(syslog_datetime) desc" + Limit(offset);
}

std::string PageStatement(std::string_view clause, std::int64_t offset) {
    return "select * from syslog " + std::string(clause) + " order by syslog_datetime desc" +
           Limit(offset);
}

std::string PageTimeStatement(std::string_view clause, std::int64_t position, bool fromNewest) {
    return "select syslog_datetime from syslog " + std::string(clause) +
           " order by syslog_datetime " + (fromNewest ? "desc" : "asc") + " limit " +
           std::to_string(position) + ",1";
}

std::string CountNewerStatement(std::string_view clause, std::string_view time) {
    std::string newer(clause);
    AppendCondition(newer, "syslog_datetime", ">", time);
    return "select count(*) as total from syslog" + newer;
}

std::string CountNotNewerStatement(std::string_view clause, std::string_view time) {
    std::string older(clause);
    AppendCondition(older, "syslog_datetime", "<=", time);
    return "select count(*) as total from syslog" + older;
}

std::string PageFromTimeStatement(std::string_view clause, std::string_view time,
                                  std::int64_t skipped) {
    std::string from(clause);
    AppendCondition(from, "syslog_datetime", "<=", time);
    return "select * from syslog " + from + " order by syslog_datetime desc" + Limit(skipped);
}

std::string CountStatement(std::string_view clause) {
    return "select count(*) as totalRecord from syslog" + std::string(clause);
}

}  // namespace trevalon::history_statements
