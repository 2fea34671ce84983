#include "engine/installation_check.h"

#include <string>

#include "engine/storage/database_client.h"
#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"

namespace trevalon {

InstallationState PrepareInstallation(EngineSettings& settings) {
    if (!EnsureLogFolder(settings)) {
        return InstallationState::kNoLogFolder;
    }
    PointDiagnosticLog(settings);
    if (!EnsureConfFolder(settings)) {
        WriteDiagnostic(catalogue::kSystemInitDirectoryNotFound, kLevelError);
        return InstallationState::kNoConfFolder;
    }
    std::string libraryError;
    if (!DriverLibraryPresent(settings.AppPath) ||
        !LoadDatabaseLibrary(DriverLibraryPath(settings.AppPath), &libraryError)) {
        WriteDiagnostic(libraryError.empty()
                            ? std::string(catalogue::kMySqlLibraryNotFound)
                            : WithErrorText(catalogue::kMySqlLibraryNotFound, libraryError),
                        kLevelError);
        return InstallationState::kNoDriverLibrary;
    }
    return InstallationState::kReady;
}

}  // namespace trevalon
