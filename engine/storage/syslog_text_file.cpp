#include "engine/storage/syslog_text_file.h"

#include <cerrno>
#include <mutex>

#include <fcntl.h>
#include <unistd.h>

#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "platform/errno_text.h"

namespace trevalon {
namespace {

// The UDP listener and every TCP connection thread append; one line at a time.
std::mutex gAppendMutex;

void AppendField(std::string& line, std::string_view field) {
    for (const char c : field) {
        if (c == '\r') {
            line += "#015";
        } else if (c == '\n') {
            line += "#012";
        } else {
            line += c;
        }
    }
}

// One open, write and close; returns 0 or the errno of the failure.
int AppendToFile(const std::string& fileName, const std::string& line) {
    const int fd = open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return errno;
    }
    std::size_t written = 0;
    while (written < line.size()) {
        const ssize_t count = write(fd, line.data() + written, line.size() - written);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int error = errno;
            close(fd);
            return error;
        }
        written += static_cast<std::size_t>(count);
    }
    return close(fd) == 0 ? 0 : errno;
}

}  // namespace

std::string SyslogFileName(const EngineSettings& settings, const LocalTime& day) {
    return settings.FileBackup.FilenamePath + settings.FileBackup.Filename + FormatDate(day) +
           ".log";
}

std::string SyslogFileLine(const SyslogRecord& record) {
    std::string line;
    line.reserve(record.TimeStamp.size() + record.Source.size() + record.FacilityName.size() +
                 record.SeverityName.size() + record.Content.size() + 10);
    AppendField(line, record.TimeStamp);
    line += " [";
    AppendField(line, record.Source);
    line += "] [";
    AppendField(line, record.FacilityName);
    line += "] [";
    AppendField(line, record.SeverityName);
    line += "] ";
    AppendField(line, record.Content);
    line += "\r\n";
    return line;
}

void AppendSyslogLine(const SyslogRecord& record) {
    const EngineSettings& settings = TheEngineSettings();
    if (!settings.FileBackup.Enable) {
        return;
    }
    const std::string line = SyslogFileLine(record);
    int error = 0;
    {
        std::lock_guard lock(gAppendMutex);
        // The name is taken under the lock so that lines keep their order across midnight.
        error = AppendToFile(SyslogFileName(settings, LocalNow()), line);
    }
    if (error != 0) {
        WriteDiagnostic(
            WithErrorText(catalogue::kBackupSyslogFileInvalid, platform::ErrnoText(error)),
            kLevelWarning);
    }
}

}  // namespace trevalon
