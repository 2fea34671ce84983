// TrevalonManager: the desktop program. It stops the service, runs the engine in its own process
// behind the main window, and ends on the window's Close, SIGTERM or SIGINT.

#include <QApplication>

#include <string>
#include <vector>

#include "manager/main_window/environment_log.h"
#include "manager/main_window/main_window.h"
#include "manager/program/end_request.h"
#include "manager/program/manager_program.h"
#include "platform/termination_signals.h"

int main(int argc, char** argv) {
    trevalon::EndRequest end;
    // Before Qt starts a thread, so that every thread inherits the blocked signals.
    const trevalon::platform::TerminationSignals termination([&end] { end.Request(); });
    QApplication application(argc, argv);
    QApplication::setApplicationName("Trevalon");
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    trevalon::StartEnvironmentLog(QCoreApplication::applicationFilePath().toStdString(), arguments,
                                  trevalon::kProgramVersion, qVersion());
    return trevalon::RunManager(application, end);
}
