#pragma once

#include <cstdint>

namespace trevalon::platform {

// An IPv4 socket of `type` (SOCK_DGRAM or SOCK_STREAM) bound to every interface on `port` (0
// picks a free one), close-on-exec. Stream sockets also listen. Raises std::system_error.
int OpenListeningSocket(int type, std::uint16_t port, std::uint16_t& boundPort);

// What a wait for input ended with.
enum class Readiness {
    kReadable,  // `fd` has something to read
    kStopped,   // `stopFd` was signalled
    kTimedOut,
    kFailed,
};

// Waits until `fd` is readable or `stopFd` is signalled; a negative time-out waits for ever.
Readiness WaitReadable(int fd, int stopFd, int timeoutMilliseconds);

}  // namespace trevalon::platform
