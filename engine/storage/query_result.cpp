#include <algorithm>
#include <cctype>
#include <charconv>

#include "engine/storage/database_client.h"

namespace trevalon {
namespace {

bool SameIgnoringCase(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

QueryResult::QueryResult(std::vector<std::string> columns,
                         std::vector<std::vector<std::optional<std::string>>> rows)
    : columns_(std::move(columns)), rows_(std::move(rows)) {}

std::size_t QueryResult::ColumnIndex(std::string_view column) const {
    const auto found = std::find_if(columns_.begin(), columns_.end(), [column](const auto& name) {
        return SameIgnoringCase(name, column);
    });
    if (found == columns_.end()) {
        throw DatabaseError("Field '" + std::string(column) + "' not found");
    }
    return static_cast<std::size_t>(found - columns_.begin());
}

bool QueryResult::IsNull(std::size_t row, std::string_view column) const {
    if (row >= rows_.size()) {
        throw DatabaseError("Row " + std::to_string(row) + " out of range");
    }
    return !rows_[row][ColumnIndex(column)].has_value();
}

std::string QueryResult::Text(std::size_t row, std::string_view column) const {
    if (IsNull(row, column)) {
        return {};
    }
    return *rows_[row][ColumnIndex(column)];
}

std::int64_t QueryResult::Integer(std::size_t row, std::string_view column) const {
    if (IsNull(row, column)) {
        return 0;
    }
    const std::string& text = *rows_[row][ColumnIndex(column)];
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) {
        throw DatabaseError("'" + text + "' is not a valid integer value of field '" +
                            std::string(column) + "'");
    }
    return value;
}

std::string QueryResult::FirstField(std::size_t row) const {
    if (row >= rows_.size()) {
        throw DatabaseError("Row " + std::to_string(row) + " out of range");
    }
    if (rows_[row].empty()) {
        throw DatabaseError("The result has no fields");
    }
    return rows_[row].front().value_or(std::string{});
}

}  // namespace trevalon
