#pragma once

#include <string>
#include <string_view>

namespace trevalon {

// `text` without leading and trailing blanks, tabs and line ends.
std::string TrimBlanks(std::string_view text);

// `text` without leading and trailing spaces and control characters (every byte up to ' ').
std::string_view TrimControlAndSpaces(std::string_view text);

}  // namespace trevalon
