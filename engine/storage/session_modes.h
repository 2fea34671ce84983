#pragma once

// The sql_mode a session of ours runs with, so that the quoting our statements rely on holds
// whatever the server's default.

#include <string>
#include <string_view>

namespace trevalon {

// Statements carry their values inside double quotes with backslash escapes. These give the
// session's sql_mode without the modes that would turn double quotes into identifier quotes
// or disable backslash escapes (ANSI_QUOTES, NO_BACKSLASH_ESCAPES and the combination modes
// that imply ANSI_QUOTES). Letter case of the modes is ignored; the order of the rest is kept.
std::string StatementSafeSqlMode(std::string_view sqlMode);

// The session's old_mode without UTF8_IS_UTF8MB3, so that the character set UTF8 named by the
// schema means full four-byte UTF-8 and no message text is refused for its characters.
std::string FullUtf8OldMode(std::string_view oldMode);

}  // namespace trevalon
