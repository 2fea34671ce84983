#pragma once

#include <string>

#include "foundation/engine_settings.h"

namespace trevalon::testing {

// A throw-away installation folder (conf/, log/, dll/) that the diagnostic log points at while
// the object lives, with the settings an engine for it starts from.
class TempInstallation {
  public:
    TempInstallation();
    ~TempInstallation();
    TempInstallation(const TempInstallation&) = delete;
    TempInstallation& operator=(const TempInstallation&) = delete;

    const std::string& AppPath() const { return appPath_; }
    // The defaults, with the installation's folders and the tests' database account.
    EngineSettings Settings() const;
    std::string LogFolder() const { return appPath_ + "/log/"; }
    std::string ConfFolder() const { return appPath_ + "/conf/"; }
    std::string DllFolder() const { return appPath_ + "/dll/"; }

    // Copies the system's MariaDB client library into dll/ as the installer does.
    void InstallDriverLibrary() const;

  private:
    std::string appPath_;
};

std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& content);

}  // namespace trevalon::testing
