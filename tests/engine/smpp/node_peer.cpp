#include "tests/engine/smpp/node_peer.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <sstream>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace trevalon::testing {

namespace {

std::string UriDecoded(const std::string& text) {
    std::string decoded;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '%' && index + 2 < text.size()) {
            decoded.push_back(static_cast<char>(std::stoi(text.substr(index + 1, 2), nullptr, 16)));
            index += 2;
        } else {
            decoded.push_back(text[index]);
        }
    }
    return decoded;
}

}  // namespace

NodeSmsc::NodeSmsc(const std::string& systemId, const std::string& password) {
    const std::filesystem::path folder = TREVALON_SMPP_PEER_DIR;
    if (!std::filesystem::exists(folder / "node_modules" / "smpp")) {
        ADD_FAILURE() << "the SMPP peer is not installed in " << folder
                      << ": run scripts/install-test-peers.sh";
        return;
    }
    int toPeer[2];
    int fromPeer[2];
    if (::pipe2(toPeer, O_CLOEXEC) != 0 || ::pipe2(fromPeer, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "cannot make pipes";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, toPeer[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fromPeer[1], STDOUT_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::string script = (folder / "smsc.js").string();
    char* arguments[] = {const_cast<char*>("node"), const_cast<char*>(script.c_str()),
                         const_cast<char*>(systemId.c_str()), const_cast<char*>(password.c_str()),
                         nullptr};
    const int spawned = posix_spawnp(&pid_, "node", &actions, nullptr, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(toPeer[0]);
    ::close(fromPeer[1]);
    input_ = toPeer[1];
    output_ = fromPeer[0];
    if (spawned != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start node: error " << spawned
                      << "; run scripts/install-test-peers.sh";
        return;
    }
    const std::string line = ReadLine(20000);
    if (line.rfind("LISTENING ", 0) != 0) {
        ADD_FAILURE() << "the SMPP peer did not start: '" << line << "'";
        return;
    }
    port_ = std::stoi(line.substr(10));
}

NodeSmsc::~NodeSmsc() {
    if (input_ >= 0) {
        ::close(input_);
    }
    if (pid_ > 0) {
        // Closing its input ends the peer; a peer that does not end is killed.
        int status = 0;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (::waitpid(pid_, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, &status, 0);
                break;
            }
            ::poll(nullptr, 0, 20);
        }
    }
    if (output_ >= 0) {
        ::close(output_);
    }
}

std::string NodeSmsc::ReadLine(int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd wait{output_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            return {};
        }
        char chunk[4096];
        const auto received = ::read(output_, chunk, sizeof chunk);
        if (received <= 0) {
            return {};
        }
        pending_.append(chunk, static_cast<std::size_t>(received));
    }
}

PeerEvent NodeSmsc::Next(int timeoutMs) {
    PeerEvent event;
    if (output_ < 0) {
        return event;
    }
    std::istringstream line(ReadLine(timeoutMs));
    std::getline(line, event.Name, '\t');
    std::string field;
    while (std::getline(line, field, '\t')) {
        const std::size_t equals = field.find('=');
        event.Fields[field.substr(0, equals)] = UriDecoded(field.substr(equals + 1));
    }
    return event;
}

}  // namespace trevalon::testing
