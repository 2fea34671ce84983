#include "engine/storage/syslog_text_file.h"

#include <cerrno>

#include "foundation/catalogue.h"
#include "foundation/diagnostic_log.h"
#include "platform/errno_text.h"
#include "platform/file_append.h"

namespace trevalon {
namespace {

constexpr std::size_t kGatherLimit = 64 * 1024;

void ReportFailure(int error) {
    if (error != 0) {
        WriteDiagnostic(
            WithErrorText(catalogue::kBackupSyslogFileInvalid, platform::ErrnoText(error)),
            kLevelWarning);
    }
}

void AppendField(std::string& line, std::string_view field) {
    std::size_t plain = 0;
    for (std::size_t at = 0; at < field.size(); ++at) {
        if (field[at] == '\r' || field[at] == '\n') {
            line.append(field, plain, at - plain);
            line += field[at] == '\r' ? "#015" : "#012";
            plain = at + 1;
        }
    }
    line.append(field, plain);
}

// A message framed by its line feed on a TCP stream keeps it in its Content; in the file the
// line's own CR LF ends it.
std::string_view WithoutTrailingLineEnd(std::string_view content) {
    if (!content.empty() && content.back() == '\n') {
        content.remove_suffix(1);
        if (!content.empty() && content.back() == '\r') {
            content.remove_suffix(1);
        }
    }
    return content;
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
    AppendField(line, WithoutTrailingLineEnd(record.Content));
    line += "\r\n";
    return line;
}

void SyslogTextFile::Append(const EngineSettings& settings, const SyslogRecord& record) {
    if (!settings.FileBackup.Enable) {
        return;
    }
    const std::string line = SyslogFileLine(record);
    int error = 0;
    {
        std::lock_guard lock(mutex_);
        // The name is taken under the lock so that lines keep their order across midnight.
        std::string name = SyslogFileName(settings, LocalNow());
        if (holds_ == 0) {
            error = platform::AppendToFile(name, line);
        } else {
            if (name != gatheredName_) {
                error = WriteGathered();
                gatheredName_ = std::move(name);
            }
            gathered_ += line;
            if (gathered_.size() >= kGatherLimit) {
                const int written = WriteGathered();
                error = error != 0 ? error : written;
            }
        }
    }
    ReportFailure(error);
}

void SyslogTextFile::Hold() {
    std::lock_guard lock(mutex_);
    ++holds_;
}

void SyslogTextFile::Flush() {
    int error = 0;
    {
        std::lock_guard lock(mutex_);
        error = WriteGathered();
    }
    ReportFailure(error);
}

void SyslogTextFile::Release() {
    int error = 0;
    {
        std::lock_guard lock(mutex_);
        error = WriteGathered();
        if (--holds_ == 0) {
            heldFile_.Close();
        }
    }
    ReportFailure(error);
}

int SyslogTextFile::WriteGathered() {
    if (gathered_.empty()) {
        return 0;
    }
    const int error = heldFile_.Append(gatheredName_, gathered_);
    gathered_.clear();
    return error;
}

}  // namespace trevalon
