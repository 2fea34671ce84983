#include "tests/engine/snmp/trap_receiver.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/support/loopback_ports.h"

extern char** environ;

namespace trevalon::testing {
namespace fs = std::filesystem;
namespace {

constexpr auto kStartTimeout = std::chrono::seconds(10);
constexpr const char* kReadyLine = "NET-SNMP version";

std::string Configuration(const std::vector<TrapUser>& users) {
    std::string text =
        "disableAuthorization yes\n"
        "format1 V1 peer=%b agent=%a enterprise=%N generic=%w specific=%q security=%P\\n\n"
        "format2 V2 peer=%b security=%P vars=%v\\n\n";
    for (const TrapUser& user : users) {
        text += "createUser -e " + user.engineId + " " + user.name + " SHA " + user.password + "\n";
    }
    return text;
}

// The parent's environment with snmptrapd's state kept in `folder`, so that nothing it saves
// on exit reaches the next run.
std::vector<std::string> ChildEnvironment(const std::string& folder) {
    std::vector<std::string> entries;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "SNMP_PERSISTENT_DIR=", 20) != 0) {
            entries.emplace_back(*entry);
        }
    }
    entries.push_back("SNMP_PERSISTENT_DIR=" + folder);
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

TrapReceiver::TrapReceiver(const std::vector<TrapUser>& users) {
    std::string pattern = (fs::temp_directory_path() / "trevalon-snmptrapd-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a folder for snmptrapd";
        return;
    }
    folder_ = pattern;
    fs::create_directories(folder_ + "/mibs");
    std::ofstream(folder_ + "/snmptrapd.conf") << Configuration(users);
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe: " << std::strerror(errno);
        return;
    }
    std::vector<std::string> arguments = {"snmptrapd",
                                          "-f",
                                          "-Lo",
                                          "-C",
                                          "-c",
                                          folder_ + "/snmptrapd.conf",
                                          "-m",
                                          "",
                                          "-M",
                                          folder_ + "/mibs",
                                          "-n",
                                          "-On",
                                          "udp:127.0.0.1:0"};
    std::vector<std::string> environment = ChildEnvironment(folder_);
    std::vector<char*> argumentPointers = Pointers(arguments);
    std::vector<char*> environmentPointers = Pointers(environment);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    const int spawned = posix_spawnp(&process_, "snmptrapd", &actions, nullptr,
                                     argumentPointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    output_ = pipeFds[0];
    if (spawned != 0) {
        process_ = -1;
        ADD_FAILURE() << "snmptrapd cannot be started (Debian package snmptrapd): "
                      << std::strerror(spawned);
        return;
    }
    const std::string ready = WaitForLine(
        [](const std::string& line) { return line.find(kReadyLine) != std::string::npos; },
        kStartTimeout);
    // It binds a port of the kernel's choice, so no other party can hold it already.
    const std::vector<std::uint16_t> ports = ReceivingPorts(process_, SOCK_DGRAM);
    if (ready.empty() || ports.size() != 1) {
        ADD_FAILURE() << "snmptrapd did not start listening on one port";
        return;
    }
    port_ = ports.front();
}

TrapReceiver::~TrapReceiver() {
    if (process_ > 0) {
        kill(process_, SIGTERM);
        int status = 0;
        while (waitpid(process_, &status, 0) < 0 && errno == EINTR) {
        }
    }
    if (output_ >= 0) {
        close(output_);
    }
    if (!folder_.empty()) {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
}

std::string TrapReceiver::WaitForLine(const std::function<bool(const std::string&)>& matches,
                                      std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        for (const std::string& line : Lines()) {
            if (matches(line)) {
                return line;
            }
        }
    } while (ReadMore(deadline));
    std::string output;
    for (const std::string& line : Lines()) {
        output += "  " + line + "\n";
    }
    ADD_FAILURE() << "no matching line from snmptrapd; it printed:\n" << output;
    return {};
}

std::string TrapReceiver::WaitForLineWith(const std::vector<std::string>& parts) {
    return WaitForLine([&parts](const std::string& line) {
        for (const std::string& part : parts) {
            if (line.find(part) == std::string::npos) {
                return false;
            }
        }
        return true;
    });
}

std::vector<std::string> TrapReceiver::Lines() {
    std::vector<std::string> lines;
    std::size_t begin = 0;
    for (std::size_t end = buffer_.find('\n'); end != std::string::npos;
         end = buffer_.find('\n', begin)) {
        lines.push_back(buffer_.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

bool TrapReceiver::ReadMore(std::chrono::steady_clock::time_point deadline) {
    if (ended_ || output_ < 0) {
        return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return false;
    }
    pollfd waiting{output_, POLLIN, 0};
    const int ready = poll(&waiting, 1, static_cast<int>(left.count()));
    if (ready < 0) {
        return errno == EINTR;
    }
    if (ready == 0) {
        return false;
    }
    char chunk[4096];
    const ssize_t count = read(output_, chunk, sizeof chunk);
    if (count < 0) {
        return errno == EINTR;
    }
    if (count == 0) {
        ended_ = true;
        return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(count));
    return true;
}

int FreeLoopbackUdpPort() {
    return FreeLoopbackPorts(SOCK_DGRAM, 1).front();
}

std::string ErrorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const std::exception& error) {
        return error.what();
    }
    ADD_FAILURE() << "no error raised";
    return {};
}

}  // namespace trevalon::testing
