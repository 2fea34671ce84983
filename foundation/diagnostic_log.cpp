#include "foundation/diagnostic_log.h"

#include <array>
#include <cerrno>
#include <mutex>

#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/clock.h"
#include "foundation/engine_settings.h"
#include "foundation/program_end.h"
#include "platform/errno_text.h"
#include "platform/file_append.h"

namespace trevalon {
namespace {

constexpr std::array<std::string_view, 8> kTags = {
    "[DEBUG]", "[INFO]", "[NOTICE]", "[WARMING]", "[ERROR]", "[CRITICAL]", "[ALERT]", "[EMERGENCY]",
};
constexpr std::string_view kDefaultPrefix = "system_";

// Every thread logs; one line is appended completely before the next is begun.
std::mutex gLogMutex;

std::string FormatLine(const LocalTime& now, int level, std::string_view text) {
    std::string line = FormatDateTime(now);
    line += ' ';
    line += DiagnosticTag(level);
    line += ' ';
    line += text;
    line += "\r\n";
    return line;
}

}  // namespace

std::string_view DiagnosticTag(int level) {
    return level >= 1 && level <= 8 ? kTags[static_cast<std::size_t>(level - 1)] : "";
}

std::string WithErrorText(std::string_view catalogueText, std::string_view errorText) {
    std::string text(catalogueText);
    text += " : ";
    text += errorText;
    return text;
}

void WriteDiagnostic(std::string_view text, int level) {
    EngineSettings& settings = TheEngineSettings();
    int error = 0;
    {
        std::lock_guard lock(gLogMutex);
        if (!EnsureLogFolder(settings)) {
            RequestProgramEnd(catalogue::kSystemLogDirectoryNotFound);
            return;
        }
        if (level == kLevelDebug && !settings.System.isDebug) {
            return;
        }
        const std::string_view prefix = settings.SystemLog.Filename.empty()
                                            ? kDefaultPrefix
                                            : std::string_view(settings.SystemLog.Filename);
        const LocalTime now = LocalNow();
        const std::string fileName =
            settings.LogFolder + std::string(prefix) + FormatDate(now) + ".log";
        error = platform::AppendToFile(fileName, FormatLine(now, level, text));
        if (error != 0) {
            // One further attempt to leave a trace; its own failure is not reported again.
            platform::AppendToFile(fileName,
                                   FormatLine(now, kLevelError,
                                              WithErrorText(catalogue::kSystemLogFileInvalid,
                                                            platform::ErrnoText(error))));
        }
    }
    if (error != 0) {
        RequestProgramEnd(catalogue::kSystemLogFileInvalid);
    }
}

}  // namespace trevalon
