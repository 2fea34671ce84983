#pragma once

// TrevalonManager from its first check to its last log line: the installation, the single
// instance, the service stopped, the engine behind the main window, and the orderly end.

#include <QApplication>

namespace trevalon {

class EndRequest;

// Returns the program's exit code once the window was closed (its Close, the tray's Close, or
// `end` asked by a signal) or the program could not start.
int RunManager(QApplication& application, EndRequest& end);

}  // namespace trevalon
