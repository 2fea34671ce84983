#pragma once

#include <string>

#include "foundation/clock.h"
#include "foundation/engine_settings.h"
#include "foundation/syslog_vocabulary.h"

namespace trevalon {

// The daily syslog text file for a day: FilenamePath + Filename + "yyyy-MM-dd" + ".log".
// FilenamePath is a plain prefix and is used unchanged.
std::string SyslogFileName(const EngineSettings& settings, const LocalTime& day);

// The file line of one message, CR LF included:
// "<TimeStamp> [<Source>] [<FacilityName>] [<SeverityName>] <Content>".
// A CR or LF inside a field is written as "#015" / "#012", so that a message can never add
// lines of its own to the file.
std::string SyslogFileLine(const SyslogRecord& record);

// Appends the message to the file of the day it is written on (not the day of its TimeStamp).
// Does nothing when file backup is disabled. Safe to call from any number of threads: each
// line is written completely before the next one begins. A failure is logged as ERR00201 and
// never raised.
void AppendSyslogLine(const SyslogRecord& record);

// While a receiver handles messages that arrived together, it holds the file open: the lines of
// a burst then cost one open, not one each. The file is closed when the last hold is released,
// and opened afresh at least every second, so a file moved away meanwhile is soon created again.
// Each hold is released once, on any thread.
void HoldSyslogFile();
void ReleaseSyslogFile();

}  // namespace trevalon
