// TrevalonService: the syslog server without a user interface. Without switches it runs in the
// foreground until SIGTERM or SIGINT; "INSTALL" and "UNINSTALL" register or remove it as the
// systemd unit trevalon.service, run as the system user "trevalon".

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "engine/installation_check.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/event_loop.h"
#include "foundation/program_end.h"
#include "platform/service_control.h"
#include "platform/termination_signals.h"
#include "service/command_line.h"
#include "service/service_registration.h"
#include "service/trevalon_service.h"

namespace {

using namespace trevalon;

// A start refused on purpose (missing folders or driver, credentials the server refuses) ends
// with a status of its own, which the unit keeps systemd from restarting on; anything else a
// restart may cure, such as a database server that is not up yet.
constexpr int kRefused = platform::ServiceControl::kRefusedStartExitStatus;
constexpr int kFailed = 1;

int Run(const ServiceCommandLine& line) {
    EventLoop loop;
    platform::TerminationSignals signals([&loop] { loop.Stop(); });
    SetProgramEndHandler([&loop](std::string_view) { loop.Stop(); });
    loop.SetErrorHandler([](std::exception_ptr error) { LogUnhandledError(error); });

    EngineSettings settings;
    settings.AppPath = FindAppPath();
    if (PrepareInstallation(settings) != InstallationState::kReady) {
        return kRefused;
    }

    TTrevalon service(loop, settings);
    if (!service.ServiceCreate()) {
        return service.Engine().CredentialsRefused() ? kRefused : kFailed;
    }
    if (ProgramEndRequested()) {
        return kFailed;
    }
    if (line.install || line.uninstall) {
        return RegisterService(line, *service.Engine().Settings());
    }
    service.ServiceStart();
    loop.Run();
    service.ServiceStop();
    service.ServiceDestroy();
    if (!ProgramEndRequested()) {
        return 0;
    }
    // The account may have been refused only once the server answered, after a start without it.
    return service.Engine().CredentialsRefused() ? kRefused : kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return Run(ParseServiceCommandLine(arguments));
}
