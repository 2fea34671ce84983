#pragma once

// One page of the stored messages, newest first, as the history list shows it.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/storage/database_client.h"

namespace trevalon {

// Time, source, facility, severity, message, as stored.
using HistoryRow = std::array<std::string, 5>;

// The rows PageStatement(clause, offset) gives. The first page is read by it; a later one from
// the time its first row has, found in the time index from the nearer end, since a deep offset
// would otherwise sort every row. `total`, the rows the clause lets through, is counted when
// not given. Rows of the same time may come in another order. Raises DatabaseError.
std::vector<HistoryRow> ReadHistoryPage(DatabaseConnection& connection, std::string_view clause,
                                        std::int64_t offset,
                                        std::optional<std::int64_t> total = std::nullopt);

}  // namespace trevalon
