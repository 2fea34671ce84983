// Feeds arbitrary bytes to the TCP stream framing in pieces whose sizes come from the input
// itself, and checks that no byte is invented: what is handed on never exceeds what was fed.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/reception/tcp_framing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t piece = 1 + data[0] % 32;
    const std::string_view stream(reinterpret_cast<const char*>(data + 1), size - 1);
    std::size_t handedOn = 0;
    const trevalon::SyslogStreamFramer::Sink sink = [&](std::string_view message) {
        handedOn += message.size();
    };
    trevalon::SyslogStreamFramer framer;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        framer.Feed(stream.substr(at, piece), sink);
    }
    framer.Finish(sink);
    if (handedOn > stream.size() || framer.HasPending()) {
        std::abort();
    }
    return 0;
}
