#include "platform/appending_file.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

#include "platform/file_append.h"

namespace trevalon::platform {

AppendingFile::AppendingFile(std::chrono::steady_clock::duration maxOpen) : maxOpen_(maxOpen) {}

AppendingFile::~AppendingFile() {
    Close();
}

int AppendingFile::Append(const std::string& path, std::string_view bytes) {
    const auto now = std::chrono::steady_clock::now();
    if (fd_ >= 0 && (path != path_ || now - openedAt_ >= maxOpen_)) {
        Close();
    }
    if (fd_ < 0) {
        fd_ = OpenForAppending(path);
        if (fd_ < 0) {
            return errno;
        }
        path_ = path;
        openedAt_ = now;
    }
    const int error = WriteAll(fd_, bytes);
    if (error != 0) {
        Close();
    }
    return error;
}

void AppendingFile::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

}  // namespace trevalon::platform
