#pragma once

#include <mutex>
#include <string>

#include "foundation/clock.h"
#include "foundation/engine_settings.h"
#include "foundation/syslog_vocabulary.h"
#include "platform/appending_file.h"

namespace trevalon {

// The daily syslog text file for a day: FilenamePath + Filename + "yyyy-MM-dd" + ".log".
// FilenamePath is a plain prefix and is used unchanged.
std::string SyslogFileName(const EngineSettings& settings, const LocalTime& day);

// The file line of one message, CR LF included:
// "<TimeStamp> [<Source>] [<FacilityName>] [<SeverityName>] <Content>".
// A CR or LF inside a field is written as "#015" / "#012", so that a message can never add
// lines of its own to the file.
std::string SyslogFileLine(const SyslogRecord& record);

// The daily syslog text file of one engine. Safe to use from any number of threads: each line
// is written completely before the next one begins. A failure is logged as ERR00201 and never
// raised.
class SyslogTextFile {
  public:
    // Appends the message to the file of the day it is written on (not the day of its
    // TimeStamp), named after `settings`. Does nothing when their file backup is disabled.
    void Append(const EngineSettings& settings, const SyslogRecord& record);

    // While a receiver handles messages that arrived together, it holds the file: the lines are
    // gathered and written together when a receiver flushes (after each batch it took from the
    // network), when 64 KiB are gathered, when the day changes and when the last hold is
    // released. Messages taken from the network are in memory either way until their line is
    // written, so this costs nothing in safety. The file stays open while held, and is opened
    // afresh at least every second, so a file moved away meanwhile is soon created again. Each
    // hold is released once, on any thread. A failed write is logged once as ERR00201.
    void Hold();
    void Flush();
    void Release();

  private:
    // With the lock held.
    int WriteGathered();

    // The UDP listener and every TCP connection thread append; one line at a time.
    std::mutex mutex_;
    // Open only while a receiver holds it.
    platform::AppendingFile heldFile_;
    int holds_ = 0;
    // Lines gathered while held, for the file named gatheredName_.
    std::string gathered_;
    std::string gatheredName_;
};

}  // namespace trevalon
