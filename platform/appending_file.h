#pragma once

// A file kept open between appends, for bursts of lines.

#include <chrono>
#include <string>
#include <string_view>

namespace trevalon::platform {

// A file appended to by one writer at a time, kept open between appends to the same path for
// at most `maxOpen`, so that a file renamed or deleted meanwhile is found again soon. Not
// thread-safe.
class AppendingFile {
  public:
    explicit AppendingFile(std::chrono::steady_clock::duration maxOpen = std::chrono::seconds(1));
    ~AppendingFile();
    AppendingFile(const AppendingFile&) = delete;
    AppendingFile& operator=(const AppendingFile&) = delete;

    // Appends the bytes to `path`, creating the file when missing. Returns 0 or the errno of the
    // failure; after a failure the file is closed.
    int Append(const std::string& path, std::string_view bytes);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

  private:
    const std::chrono::steady_clock::duration maxOpen_;
    int fd_ = -1;
    std::string path_;
    std::chrono::steady_clock::time_point openedAt_{};
};

}  // namespace trevalon::platform
