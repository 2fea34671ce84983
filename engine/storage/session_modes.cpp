#include "engine/storage/session_modes.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace trevalon {
namespace {

bool SameIgnoringCase(std::string_view left, std::string_view right) {
    return std::equal(left.begin(), left.end(), right.begin(), right.end(), [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    });
}

// Rebuilds a comma-separated mode list without the names in `removed`.
template <std::size_t N>
std::string WithoutModes(std::string_view modes, const std::array<std::string_view, N>& removed) {
    std::string kept;
    while (!modes.empty()) {
        const std::size_t comma = modes.find(',');
        const std::string_view mode = modes.substr(0, comma);
        modes = comma == std::string_view::npos ? std::string_view{} : modes.substr(comma + 1);
        const bool drop = mode.empty() || std::any_of(removed.begin(), removed.end(),
                                                      [mode](std::string_view name) {
                                                          return SameIgnoringCase(mode, name);
                                                      });
        if (drop) {
            continue;
        }
        if (!kept.empty()) {
            kept += ',';
        }
        kept += mode;
    }
    return kept;
}

constexpr std::array<std::string_view, 8> kQuoteBreakingModes = {
    "ANSI_QUOTES", "NO_BACKSLASH_ESCAPES", "ANSI", "DB2", "MAXDB", "MSSQL", "ORACLE", "POSTGRESQL",
};
constexpr std::array<std::string_view, 1> kNarrowUtf8Modes = {"UTF8_IS_UTF8MB3"};

}  // namespace

std::string StatementSafeSqlMode(std::string_view sqlMode) {
    return WithoutModes(sqlMode, kQuoteBreakingModes);
}

std::string FullUtf8OldMode(std::string_view oldMode) {
    return WithoutModes(oldMode, kNarrowUtf8Modes);
}

}  // namespace trevalon
