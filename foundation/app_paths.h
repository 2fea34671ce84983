#pragma once

#include <string>

#include "foundation/engine_settings.h"
#include "platform/registry_store.h"

namespace trevalon {

inline constexpr const char* kRegistrySettingsKey = "Software\\varnholt\\Trevalon\\Settings";
inline constexpr const char* kDriverLibraryName = "libmariadb.so.3";
inline constexpr const char* kSettingsFileName = "SysInit.ini";

// The installation folder: the user's hive, then the machine's; ".." when both are empty,
// "" when the registry cannot be read.
std::string FindAppPath(const platform::RegistryStore& registry);
std::string FindAppPath();

// AppPath + "/" + folder + "/", relative to the working directory when AppPath is empty.
std::string InstallationFolder(const std::string& appPath, const char* folder);

// Whether the folder exists, after creating it when it was missing.
bool FolderAvailable(const std::string& folder);

// Create the folder when missing; on success fill IniFileName / LogFolder.
bool EnsureConfFolder(EngineSettings& settings);
bool EnsureLogFolder(EngineSettings& settings);

std::string DriverLibraryPath(const std::string& appPath);
bool DriverLibraryPresent(const std::string& appPath);

}  // namespace trevalon
