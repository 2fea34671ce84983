#include "tests/support/program_process.h"

#include <csignal>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/loopback_ports.h"

extern char** environ;

namespace trevalon::testing {

ProgramProcess::ProgramProcess(const TempInstallation& installation,
                               std::vector<std::string> command)
    : installation_(installation),
      command_(std::move(command)),
      xdgConfigHome_(installation.AppPath() + "/xdg") {
    std::filesystem::create_directories(xdgConfigHome_ + "/varnholt");
    WriteWholeFile(
        xdgConfigHome_ + "/varnholt/registry.ini",
        "[Software\\varnholt\\Trevalon\\Settings]\nAppPath=" + installation.AppPath() + "\n");
    installation.InstallDriverLibrary();
}

ProgramProcess::~ProgramProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

void ProgramProcess::Start() {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::string_view(*entry).rfind("XDG_CONFIG_HOME=", 0) != 0) {
            environment.emplace_back(*entry);
        }
    }
    environment.push_back("XDG_CONFIG_HOME=" + xdgConfigHome_);
    std::vector<char*> envp;
    for (auto& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (auto& argument : command_) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv.front(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
        throw std::runtime_error("cannot start " + command_.front());
    }
}

int ProgramProcess::Terminate() {
    kill(pid_, SIGTERM);
    return WaitForExit(std::chrono::seconds(30));
}

int ProgramProcess::WaitForExit(std::chrono::seconds patience) {
    int status = 0;
    const bool ended =
        Eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, patience);
    if (!ended) {
        return -2;
    }
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string ProgramProcess::Log() const {
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(installation_.LogFolder())) {
        if (entry.path().filename().string().rfind("system_", 0) == 0) {
            text += ReadWholeFile(entry.path().string());
        }
    }
    return text;
}

bool ProgramProcess::WaitForLog(const std::string& text, std::chrono::seconds patience) const {
    return Eventually([&] { return Log().find(text) != std::string::npos; }, patience);
}

bool ProgramProcess::StartReceiving(std::chrono::seconds patience) {
    Start();
    return WaitForLog("[INFO] Trevalon starts.", patience);
}

std::uint16_t ProgramProcess::ReceivingPort(int type) const {
    const std::vector<std::uint16_t> ports = ReceivingPorts(pid_, type);
    return ports.size() == 1 ? ports.front() : 0;
}

}  // namespace trevalon::testing
