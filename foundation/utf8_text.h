#pragma once

#include <cstddef>
#include <string_view>

namespace trevalon {

// The length of the well-formed UTF-8 sequence of two or more bytes at `at` (no overlong forms,
// no surrogates, nothing above U+10FFFF), or 0 when none begins there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// True when `text` is well-formed UTF-8 and holds no NUL character.
bool IsPlainUtf8(std::string_view text);

}  // namespace trevalon
