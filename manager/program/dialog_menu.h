#pragma once

// The menu items and tool buttons whose windows exist: each window is made on first use, owned
// by the main window, and shown again later.

namespace trevalon {

class MainWindow;

void WireDialogs(MainWindow& window);

}  // namespace trevalon
