#pragma once

// "Login Database": asks for the MySQL connection parameters when neither the system database
// nor the server could be reached at start-up, and makes the database ready with them.

#include "manager/dialogs/manager_dialog.h"

class QLineEdit;

namespace trevalon {

class SyslogEngine;

class LoginDatabaseDialog final : public ManagerDialog {
  public:
    LoginDatabaseDialog(MainWindow& window, SyslogEngine& engine);

    QLineEdit& Host() { return *host_; }
    QLineEdit& Port() { return *port_; }
    QLineEdit& Username() { return *username_; }
    QLineEdit& Password() { return *password_; }
    QStatusBar& Status() { return StatusBar(); }

  private:
    void Connect();
    void Ready();

    SyslogEngine& engine_;
    QLineEdit* host_;
    QLineEdit* port_;
    QLineEdit* username_;
    QLineEdit* password_;
};

}  // namespace trevalon
