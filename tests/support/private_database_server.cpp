#include "tests/support/private_database_server.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/loopback_ports.h"

namespace trevalon::testing {
namespace {

constexpr std::chrono::seconds kPatience{60};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

void Run(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("private database server: failed: " + command);
    }
}

bool PortAnswers(int port) {
    const int fd = ConnectLoopback(static_cast<std::uint16_t>(port));
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

}  // namespace

bool PrivateDatabaseServer::Available() {
    return std::filesystem::exists("/usr/bin/mariadb-install-db") &&
           std::filesystem::exists("/usr/sbin/mariadbd") &&
           std::filesystem::exists("/usr/bin/mariadb");
}

PrivateDatabaseServer::PrivateDatabaseServer() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "trevalon-private-db-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("private database server: no temporary folder");
    }
    folder_ = pattern;
    port_ = FreeLoopbackPorts(SOCK_STREAM, 1).front();
    Run("mariadb-install-db --no-defaults --user=root --auth-root-authentication-method=normal "
        "--skip-test-db --datadir=" +
        Quoted(folder_ + "/data") + " >" + Quoted(folder_ + "/install.log") + " 2>&1");
    Start();
    RunAsRoot("CREATE USER '" + std::string(kUser) + "'@'127.0.0.1' IDENTIFIED BY '" +
              std::string(kPassword) +
              "';"
              " GRANT ALL ON *.* TO '" +
              std::string(kUser) + "'@'127.0.0.1';");
}

PrivateDatabaseServer::~PrivateDatabaseServer() {
    try {
        Stop();
    } catch (const std::exception&) {
        // Killed instead; the folder goes all the same.
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void PrivateDatabaseServer::Start() {
    if (pid_ > 0) {
        return;
    }
    std::vector<std::string> arguments = {
        "/usr/sbin/mariadbd",
        "--no-defaults",
        "--user=root",
        "--datadir=" + folder_ + "/data",
        "--socket=" + folder_ + "/socket",
        "--pid-file=" + folder_ + "/pid",
        "--log-error=" + folder_ + "/error.log",
        "--port=" + std::to_string(port_),
        "--bind-address=127.0.0.1",
        "--skip-name-resolve",
        "--skip-log-bin",
        "--innodb-buffer-pool-size=32M",
        "--innodb-log-file-size=16M",
    };
    std::vector<char*> argv;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) {
        throw std::runtime_error("private database server: fork failed");
    }
    if (pid_ == 0) {
        // What it says before its error log is open goes to that log's folder too.
        const int output = ::open((folder_ + "/output.log").c_str(),
                                  O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        ::dup2(output, STDOUT_FILENO);
        ::dup2(output, STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    // Its socket proves that this server, not another process on the port, answers.
    while (!std::filesystem::exists(folder_ + "/socket") || !PortAnswers(port_)) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            throw std::runtime_error("private database server: mariadbd ended at start, see " +
                                     folder_ + "/error.log");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            throw std::runtime_error("private database server: mariadbd does not answer");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

void PrivateDatabaseServer::Stop() {
    if (pid_ <= 0) {
        return;
    }
    const pid_t pid = pid_;
    pid_ = -1;
    ::kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    int status = 0;
    while (::waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            throw std::runtime_error("private database server: mariadbd did not stop in time");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

ConnectionParameters PrivateDatabaseServer::Parameters(const std::string& database) const {
    return ConnectionParameters{Host(), Port(), kUser, kPassword, database};
}

void PrivateDatabaseServer::RunAsRoot(const std::string& sql) const {
    Run("mariadb --no-defaults -uroot --socket=" + Quoted(folder_ + "/socket") + " -e " +
        Quoted(sql));
}

}  // namespace trevalon::testing
