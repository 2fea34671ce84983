#pragma once

#include <string>

namespace trevalon::testing {

// A throw-away installation folder (conf/, log/, dll/) that the process-wide settings point
// at while the object lives. Settings are reset to their defaults on entry and on exit; on entry
// the database account is the tests' own.
class TempInstallation {
  public:
    TempInstallation();
    ~TempInstallation();
    TempInstallation(const TempInstallation&) = delete;
    TempInstallation& operator=(const TempInstallation&) = delete;

    const std::string& AppPath() const { return appPath_; }
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
