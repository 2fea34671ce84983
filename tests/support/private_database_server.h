#pragma once

#include <chrono>
#include <string>

#include <sys/types.h>

#include "engine/storage/database_client.h"

namespace trevalon::testing {

// A MariaDB server of the test's own, for tests that stop and start the server: a fresh data
// folder, its own unix socket and loopback port, and an account with every right. The shared
// server on the machine is never touched. Stopped and removed with the object.
class PrivateDatabaseServer {
  public:
    static constexpr const char* kUser = "trevalon_private";
    static constexpr const char* kPassword = "private-pw";

    // Whether mariadb-install-db and mariadbd are installed.
    static bool Available();

    // Makes the data folder and starts the server with the account. Raises std::runtime_error.
    PrivateDatabaseServer();
    ~PrivateDatabaseServer();
    PrivateDatabaseServer(const PrivateDatabaseServer&) = delete;
    PrivateDatabaseServer& operator=(const PrivateDatabaseServer&) = delete;

    // Starts the server and waits until it answers; Stop shuts it down as a server stopping for
    // maintenance does and waits until it has. Both bounded; raise std::runtime_error.
    void Start();
    void Stop();
    bool Running() const { return pid_ > 0; }

    std::string Host() const { return "127.0.0.1"; }
    std::string Port() const { return std::to_string(port_); }
    // Its account with a database name.
    ConnectionParameters Parameters(const std::string& database) const;
    // Runs SQL as the server's root through its socket; raises std::runtime_error on failure.
    void RunAsRoot(const std::string& sql) const;

  private:
    std::string folder_;
    int port_ = 0;
    pid_t pid_ = -1;
};

}  // namespace trevalon::testing
