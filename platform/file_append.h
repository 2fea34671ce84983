#pragma once

// Appending to a file in one open, write and close.

#include <string>
#include <string_view>

namespace trevalon::platform {

// Appends the bytes to the file with one open, write and close, creating the file when missing;
// no handle stays open. Returns 0 or the errno of the failure.
int AppendToFile(const std::string& path, std::string_view bytes);

// Opens `path` for appending, creating it when missing; -1 with errno set on failure.
int OpenForAppending(const std::string& path);
// Writes all the bytes, going on after interruptions. Returns 0 or the errno of the failure.
int WriteAll(int fd, std::string_view bytes);

}  // namespace trevalon::platform
