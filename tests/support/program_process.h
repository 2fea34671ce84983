#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

#include "tests/support/temp_installation.h"

namespace trevalon::testing {

// A built program (TrevalonService, TrevalonManager) run as a child process with an
// installation folder of the test's own: its registry hive points there, its SysInit.ini is
// what the test writes.
class ProgramProcess {
  public:
    // `command`: the program's path and its arguments.
    ProgramProcess(const TempInstallation& installation, std::vector<std::string> command);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    void Start();
    // Sends SIGTERM and waits for the exit; returns the exit status (-1 when killed).
    int Terminate();
    // Waits for the process to end by itself; -1 when killed, -2 when it did not end in time.
    int WaitForExit(std::chrono::seconds patience);

    // Starts the program and waits until it receives; its settings have port 0 for UDP and
    // TCP, so that the kernel gives it ports nobody else holds, which ReceivingPort then tells.
    bool StartReceiving(std::chrono::seconds patience);
    // The port the running program receives on over SOCK_DGRAM or SOCK_STREAM; 0 without one.
    std::uint16_t ReceivingPort(int type) const;

    // Polls the diagnostic log until it holds `text`, up to `patience`.
    bool WaitForLog(const std::string& text, std::chrono::seconds patience) const;
    std::string Log() const;

  private:
    const TempInstallation& installation_;
    std::vector<std::string> command_;
    std::string xdgConfigHome_;
    pid_t pid_ = -1;
};

// Polls `condition` with short pauses until it holds or `patience` runs out.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::seconds patience) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}  // namespace trevalon::testing
