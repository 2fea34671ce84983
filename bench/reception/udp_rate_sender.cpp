// Sends numbered syslog messages of a fixed size over UDP at a fixed rate, from a process of its
// own so that the receiver under test does not share its threads.
//
//   udp_rate_sender <host> <port> <count> <rate per second, 0 = as fast as possible>
//                   <hostname> <marker> [size, default 120]
//
// Message i (0-based) reads "<134>Mmm dd hh:mm:ss <hostname> bench: <marker>-<i, 8 digits> "
// padded with "x" to the size. The pace is kept by the clock, not by sleeping per message, so a
// late batch is made up at once. Prints one line of key=value pairs when done: sent, failed,
// seconds (first to last send), rate (achieved) and last_send_ns (CLOCK_REALTIME of the last
// send, for the receiver's lag).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Messages handed to the kernel by one sendmmsg call.
constexpr std::size_t kBatch = 64;

std::string Header(const std::string& hostname) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%b %e %H:%M:%S", &local);
    return std::string("<134>") + stamp + " " + hostname + " bench: ";
}

std::string Message(const std::string& header, const std::string& marker, std::uint64_t number,
                    std::size_t size) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08llu", static_cast<unsigned long long>(number));
    std::string text = header + marker + "-" + digits + " ";
    if (text.size() < size) {
        text.append(size - text.size(), 'x');
    }
    return text;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: udp_rate_sender <host> <port> <count> <rate|0> <hostname> <marker> "
                 "[size]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7 || argc > 8) {
        return Usage();
    }
    const std::string host = argv[1];
    const int port = std::atoi(argv[2]);
    const std::uint64_t count = std::strtoull(argv[3], nullptr, 10);
    const double rate = std::atof(argv[4]);
    const std::string hostname = argv[5];
    const std::string marker = argv[6];
    const std::size_t size = argc == 8 ? std::strtoul(argv[7], nullptr, 10) : 120;

    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(static_cast<std::uint16_t>(port));
    if (port <= 0 || port > 65535 || inet_pton(AF_INET, host.c_str(), &target.sin_addr) != 1) {
        return Usage();
    }
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&target), sizeof target) != 0) {
        std::perror("socket");
        return 1;
    }

    std::vector<std::string> texts(kBatch);
    std::vector<iovec> pieces(kBatch);
    std::vector<mmsghdr> batch(kBatch);
    std::uint64_t sent = 0;
    std::uint64_t failed = 0;
    const auto start = Clock::now();
    auto lastSend = start;
    timespec lastSendWall{};
    while (sent + failed < count) {
        std::uint64_t due = count;
        if (rate > 0) {
            const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
            due = std::min<std::uint64_t>(count, static_cast<std::uint64_t>(elapsed * rate) + 1);
        }
        const std::uint64_t done = sent + failed;
        if (due <= done) {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            continue;
        }
        const std::string header = Header(hostname);
        const std::size_t n = std::min<std::uint64_t>(kBatch, due - done);
        for (std::size_t i = 0; i < n; ++i) {
            texts[i] = Message(header, marker, done + i, size);
            pieces[i] = {texts[i].data(), texts[i].size()};
            batch[i] = {};
            batch[i].msg_hdr.msg_iov = &pieces[i];
            batch[i].msg_hdr.msg_iovlen = 1;
        }
        const int accepted = sendmmsg(fd, batch.data(), static_cast<unsigned>(n), 0);
        if (accepted < 0) {
            // The message the kernel refused is counted lost; the rest are tried again.
            ++failed;
        } else {
            sent += static_cast<std::uint64_t>(accepted);
        }
        lastSend = Clock::now();
        clock_gettime(CLOCK_REALTIME, &lastSendWall);
    }
    close(fd);

    const double seconds = std::chrono::duration<double>(lastSend - start).count();
    std::printf("sent=%llu failed=%llu seconds=%.3f rate=%.0f last_send_ns=%lld%09ld\n",
                static_cast<unsigned long long>(sent), static_cast<unsigned long long>(failed),
                seconds, seconds > 0 ? static_cast<double>(sent) / seconds : 0.0,
                static_cast<long long>(lastSendWall.tv_sec), lastSendWall.tv_nsec);
    return failed == 0 ? 0 : 3;
}
