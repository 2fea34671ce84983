#pragma once

#include <string_view>

namespace trevalon {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF) and holds no NUL character.
bool IsPlainUtf8(std::string_view text);

}  // namespace trevalon
