#pragma once

#include <string>
#include <string_view>

namespace trevalon {

// `text` without leading and trailing blanks, tabs and line ends.
std::string TrimBlanks(std::string_view text);

}  // namespace trevalon
