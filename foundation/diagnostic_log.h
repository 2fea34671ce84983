#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "foundation/engine_settings.h"

namespace trevalon {

enum DiagnosticLevel : int {
    kLevelDebug = 1,
    kLevelInfo = 2,
    kLevelNotice = 3,
    kLevelWarning = 4,
    kLevelError = 5,
    kLevelCritical = 6,
    kLevelAlert = 7,
    kLevelEmergency = 8,
};

// The tag written for a level ("[WARMING]" for 4); empty outside 1..8.
std::string_view DiagnosticTag(int level);

// Where the program's diagnostic log goes: AppPath + "/log/" + Filename ("system_" when empty)
// + "yyyy-MM-dd.log", and whether debug lines are written. Until the program points it at its
// installation it writes to "log/" of the working folder.
struct DiagnosticLogTarget {
    std::string AppPath;
    std::string Filename = "system_";
    bool isDebug = false;
};

// Any thread: the log follows the installation and section "System Log" of `settings` from the
// next line on. The log is the process's: every engine of the process writes to it.
void PointDiagnosticLog(const EngineSettings& settings);
void PointDiagnosticLog(DiagnosticLogTarget target);

// Appends one line to today's diagnostic log. Lines from many threads never interleave.
// When the log cannot be written the program is asked to end (see program_end.h).
void WriteDiagnostic(std::string_view text, int level);

// "<catalogue text> : <error text>", the form every caught error is logged in.
std::string WithErrorText(std::string_view catalogueText, std::string_view errorText);

// "ERROR : Please send this error message to ... for trouble solving. : <text>"
std::string UnhandledErrorLine(std::string_view errorText);
// Logs an error that escaped to a program's loop at ERROR level, as UnhandledErrorLine of its
// what() ("unknown error" for anything else), and returns the line.
std::string LogUnhandledError(std::exception_ptr error);

}  // namespace trevalon
