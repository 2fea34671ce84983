#include "platform/file_append.h"

#include <cerrno>

#include <fcntl.h>
#include <unistd.h>

namespace trevalon::platform {

int OpenForAppending(const std::string& path) {
    return open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
}

int WriteAll(int fd, std::string_view bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t count = write(fd, bytes.data() + written, bytes.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            return errno;
        }
        written += static_cast<std::size_t>(count);
    }
    return 0;
}

int AppendToFile(const std::string& path, std::string_view bytes) {
    const int fd = OpenForAppending(path);
    if (fd < 0) {
        return errno;
    }
    const int error = WriteAll(fd, bytes);
    if (error != 0) {
        close(fd);
        return error;
    }
    return close(fd) == 0 ? 0 : errno;
}

}  // namespace trevalon::platform
