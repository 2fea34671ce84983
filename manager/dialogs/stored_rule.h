#pragma once

// A row of table filtering as the filtering rules dialog reads it: its flags, and the names its
// rule list shows for them.

#include <QStringList>

#include <array>
#include <cstddef>

#include "engine/storage/database_client.h"
#include "manager/dialogs/dialog_statements.h"

namespace trevalon {

// The method names in the order of the method columns.
inline constexpr std::array<const char*, 6> kMethodNames = {"Email",  "SMS",  "SMS by HTTP",
                                                            "SysLog", "SNMP", "SNPP"};

QStringList FacilityNames();
QStringList SeverityNames();

// The facility, severity and method flags of `row` ("y" is set).
dialog_statements::RuleFields StoredFlags(const QueryResult& rules, std::size_t row);

// The rule list's row: ID, source, the set facilities, severities and methods each joined by
// "/", the contacts joined by ",", and the repeat limit in seconds.
QStringList RuleListRow(const QueryResult& rules, std::size_t row, const QStringList& contacts);

}  // namespace trevalon
