#pragma once

// The start-up step both programs take before an engine exists.

#include "foundation/engine_settings.h"

namespace trevalon {

// What the first step of start-up found of the installation.
enum class InstallationState { kReady, kNoLogFolder, kNoConfFolder, kNoDriverLibrary };

// The first step of both programs, before an engine is made: for `settings.AppPath` it creates
// the log and conf folders when missing and fills LogFolder and IniFileName, points the
// diagnostic log there and loads the database client library from dll/. Each failure but the
// log folder's is logged; the program cannot go on after any of them.
InstallationState PrepareInstallation(EngineSettings& settings);

}  // namespace trevalon
