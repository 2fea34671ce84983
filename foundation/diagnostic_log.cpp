#include "foundation/diagnostic_log.h"

#include <array>
#include <cerrno>
#include <mutex>

#include "foundation/app_paths.h"
#include "foundation/catalogue.h"
#include "foundation/clock.h"
#include "foundation/program_end.h"
#include "platform/errno_text.h"
#include "platform/file_append.h"

namespace trevalon {
namespace {

constexpr std::array<std::string_view, 8> kTags = {
    "[DEBUG]", "[INFO]", "[NOTICE]", "[WARMING]", "[ERROR]", "[CRITICAL]", "[ALERT]", "[EMERGENCY]",
};
constexpr std::string_view kDefaultPrefix = "system_";

// Every thread logs; one line is appended completely before the next is begun. The target is
// read and changed under the same lock.
std::mutex gLogMutex;
DiagnosticLogTarget gTarget;

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

std::string UnhandledErrorLine(std::string_view errorText) {
    return WithErrorText(catalogue::kUnhandledErrorPrefix, errorText);
}

std::string LogUnhandledError(std::exception_ptr error) {
    std::string text = "unknown error";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& caught) {
        text = caught.what();
    } catch (...) {
    }
    std::string line = UnhandledErrorLine(text);
    WriteDiagnostic(line, kLevelError);
    return line;
}

void PointDiagnosticLog(const EngineSettings& settings) {
    PointDiagnosticLog(DiagnosticLogTarget{settings.AppPath, settings.SystemLog.Filename,
                                           settings.System.isDebug});
}

void PointDiagnosticLog(DiagnosticLogTarget target) {
    std::lock_guard lock(gLogMutex);
    gTarget = std::move(target);
}

void WriteDiagnostic(std::string_view text, int level) {
    int error = 0;
    {
        std::lock_guard lock(gLogMutex);
        // Made again when someone removed it meanwhile.
        const std::string folder = InstallationFolder(gTarget.AppPath, "log");
        if (!FolderAvailable(folder)) {
            RequestProgramEnd(catalogue::kSystemLogDirectoryNotFound);
            return;
        }
        if (level == kLevelDebug && !gTarget.isDebug) {
            return;
        }
        const std::string_view prefix =
            gTarget.Filename.empty() ? kDefaultPrefix : std::string_view(gTarget.Filename);
        const LocalTime now = LocalNow();
        const std::string fileName = folder + std::string(prefix) + FormatDate(now) + ".log";
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
