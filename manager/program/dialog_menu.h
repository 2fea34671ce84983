#pragma once

// The menu items and tool buttons whose windows exist: each window is made on first use, owned
// by the main window, and shown again later.

namespace trevalon {

class MainWindow;
class SyslogEngine;

void WireDialogs(MainWindow& window, SyslogEngine& engine);

}  // namespace trevalon
