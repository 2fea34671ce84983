#include "tests/support/temp_installation.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "foundation/diagnostic_log.h"
#include "foundation/program_end.h"
#include "tests/support/test_database_account.h"

namespace trevalon::testing {
namespace fs = std::filesystem;

TempInstallation::TempInstallation() {
    std::string pattern = (fs::temp_directory_path() / "trevalon-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        throw std::runtime_error("cannot create a temporary installation folder");
    }
    appPath_ = pattern;
    fs::create_directories(ConfFolder());
    fs::create_directories(LogFolder());
    fs::create_directories(DllFolder());
    PointDiagnosticLog(Settings());
    ClearProgramEndRequest();
}

TempInstallation::~TempInstallation() {
    PointDiagnosticLog(DiagnosticLogTarget{});
    ClearProgramEndRequest();
    std::error_code ignored;
    fs::remove_all(appPath_, ignored);
}

EngineSettings TempInstallation::Settings() const {
    EngineSettings settings;
    settings.AppPath = appPath_;
    settings.LogFolder = LogFolder();
    settings.IniFileName = ConfFolder() + "SysInit.ini";
    settings.FileBackup.FilenamePath = LogFolder();
    settings.Database.DBUsername = TheTestDatabaseAccount().user;
    settings.Database.DBPassword = TheTestDatabaseAccount().password;
    return settings;
}

void TempInstallation::InstallDriverLibrary() const {
    // Never over a copy this process may have loaded: rewriting a mapped library crashes it.
    fs::copy_file(TREVALON_SYSTEM_MARIADB_LIBRARY, DllFolder() + "libmariadb.so.3",
                  fs::copy_options::skip_existing);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void WriteWholeFile(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

}  // namespace trevalon::testing
