#include "tests/engine/smtp/smtp_test_peer.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sstream>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

extern char** environ;

namespace trevalon::testing {
namespace {

// Debian's interpreter, where python3-aiosmtpd is installed, whatever else PATH offers.
constexpr const char* kPython = "/usr/bin/python3";
constexpr auto kStartTimeout = std::chrono::seconds(10);

std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (std::size_t index = 0; index + 1 < hex.size(); index += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(index, 2), nullptr, 16));
    }
    return bytes;
}

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t begin = 0;
    for (std::size_t end = line.find(' '); end != std::string::npos; end = line.find(' ', begin)) {
        fields.push_back(line.substr(begin, end - begin));
        begin = end + 1;
    }
    fields.push_back(line.substr(begin));
    return fields;
}

std::vector<std::string> SplitAtLineFeeds(const std::string& text) {
    std::vector<std::string> parts;
    std::istringstream stream(text);
    for (std::string part; std::getline(stream, part);) {
        parts.push_back(part);
    }
    return parts;
}

}  // namespace

SmtpTestPeer::SmtpTestPeer() : SmtpTestPeer(Options{}) {}

SmtpTestPeer::SmtpTestPeer(const Options& options) {
    std::vector<std::string> arguments = {kPython, TREVALON_SMTP_PEER_SCRIPT};
    if (!options.user.empty()) {
        arguments.insert(arguments.end(), {"--user", options.user, "--password", options.password});
    }
    for (const std::string& refused : options.refused) {
        arguments.insert(arguments.end(), {"--refuse", refused});
    }
    std::vector<char*> pointers;
    for (std::string& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int spawned =
        posix_spawn(&process_, kPython, &actions, nullptr, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    output_ = pipeFds[0];
    if (spawned != 0) {
        process_ = -1;
        ADD_FAILURE() << kPython << " cannot be started: " << std::strerror(spawned);
        return;
    }
    const std::string ready = NextLine(std::chrono::steady_clock::now() + kStartTimeout);
    if (ready.rfind("PORT ", 0) != 0) {
        ADD_FAILURE() << "the SMTP peer did not start (Debian package python3-aiosmtpd); it said '"
                      << ready << "'";
        return;
    }
    port_ = std::stoi(ready.substr(5));
}

SmtpTestPeer::~SmtpTestPeer() {
    if (process_ > 0) {
        kill(process_, SIGTERM);
        int status = 0;
        while (waitpid(process_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (output_ >= 0) {
        close(output_);
    }
}

SmtpSession SmtpTestPeer::NextSession(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    SmtpSession session;
    for (;;) {
        const std::string line = NextLine(deadline);
        const std::vector<std::string> fields = Fields(line);
        if (fields.size() == 3 && fields[0] == "SESSION") {
            session.transcript = FromHex(fields[2]);
            session.messages = std::move(pending_[fields[1]]);
            pending_.erase(fields[1]);
            return session;
        }
        if (fields.size() == 5 && fields[0] == "MESSAGE") {
            pending_[fields[1]].push_back(AcceptedMail{
                FromHex(fields[2]), SplitAtLineFeeds(FromHex(fields[3])), FromHex(fields[4])});
            continue;
        }
        ADD_FAILURE() << "no SMTP session ended; the peer said '" << line << "'";
        return {};
    }
}

std::string SmtpTestPeer::NextLine(std::chrono::steady_clock::time_point deadline) {
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (output_ < 0 || left.count() <= 0) {
            return {};
        }
        pollfd waiting{output_, POLLIN, 0};
        const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return {};
        }
        char chunk[65536];
        const ssize_t count = read(output_, chunk, sizeof chunk);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return {};
        }
        buffer_.append(chunk, static_cast<std::size_t>(count));
    }
}

}  // namespace trevalon::testing
