#pragma once

#include "foundation/engine_settings.h"

namespace trevalon {

// Reads SysInit.ini (IniFileName) into the settings with defaults and corrections; a missing
// file sets FirstRun and is not created. A read error is logged as ERR00203 at WARMING level.
void ReadSettingsFile(EngineSettings& settings);

// ReadSettingsFile, then DiscoverLocalIdentity.
void LoadSettings(EngineSettings& settings);

// Writes every key but isDebug. Returns false after logging ERR00203 when the file cannot be
// written.
bool SaveSettings(const EngineSettings& settings);

}  // namespace trevalon
