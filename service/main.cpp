// TrevalonService: the syslog server without a user interface. Without switches it runs in the
// foreground until SIGTERM or SIGINT; "INSTALL" and "UNINSTALL" register or remove it as the
// systemd unit trevalon.service.

#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "engine/alarms/delivery_factories.h"
#include "engine/storage/database_client.h"
#include "engine/storage/dm_kestrine.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "foundation/engine_settings.h"
#include "foundation/event_loop.h"
#include "foundation/program_end.h"
#include "platform/service_control.h"
#include "platform/termination_signals.h"
#include "service/command_line.h"
#include "service/trevalon_service.h"

namespace {

using namespace trevalon;

constexpr const char* kServiceDisplayName = "Trevalon";

int RegisterService(const ServiceCommandLine& line) {
    const platform::ServiceControl control;
    const bool install = line.install;
    const std::string error =
        install ? control.Install(std::filesystem::read_symlink("/proc/self/exe").string())
                : control.Uninstall();
    if (!error.empty()) {
        std::cerr << "Service \"" << kServiceDisplayName << "\" failed to "
                  << (install ? "install" : "uninstall") << " with error: \"" << error << "\"\n";
        return 1;
    }
    if (!line.silent) {
        std::cout << (install ? "Service installed successfully"
                              : "Service uninstalled successfully")
                  << "\n";
    }
    return 0;
}

int Run(const ServiceCommandLine& line) {
    EventLoop loop;
    platform::TerminationSignals signals([&loop] { loop.Stop(); });
    SetProgramEndHandler([&loop](std::string_view) { loop.Stop(); });
    loop.SetErrorHandler([](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& caught) {
            WriteDiagnostic(UnhandledErrorLine(caught.what()), kLevelError);
        } catch (...) {
            WriteDiagnostic(UnhandledErrorLine("unknown error"), kLevelError);
        }
    });

    EngineSettings& settings = TheEngineSettings();
    settings.AppPath = FindAppPath();
    if (!EnsureLogFolder(settings)) {
        return 1;
    }
    if (!EnsureConfFolder(settings)) {
        WriteDiagnostic(catalogue::kSystemInitDirectoryNotFound, kLevelError);
        return 1;
    }
    std::string libraryError;
    if (!DriverLibraryPresent(settings) ||
        !LoadDatabaseLibrary(DriverLibraryPath(settings), &libraryError)) {
        WriteDiagnostic(libraryError.empty()
                            ? std::string(catalogue::kMySqlLibraryNotFound)
                            : WithErrorText(catalogue::kMySqlLibraryNotFound, libraryError),
                        kLevelError);
        return 1;
    }
    RegisterEngineDeliveries();

    TDMKestrine dataModule;
    TTrevalon service(loop, dataModule, settings);
    if (!service.ServiceCreate() || ProgramEndRequested()) {
        return 1;
    }
    if (line.install || line.uninstall) {
        return RegisterService(line);
    }
    service.ServiceStart();
    loop.Run();
    service.ServiceStop();
    service.ServiceDestroy();
    return ProgramEndRequested() ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    return Run(ParseServiceCommandLine(arguments));
}
