#pragma once

#include <string>

namespace trevalon {

// A date and time as days since 1899-12-30, the time of day being the fraction; 0 means "not
// set". A relative time is the same kind of value read as a span: 1.5 is one day and 12 hours.
using TDateTime = double;

// SMPP's YYMMDDhhmmsstnnp absolute form of a local date and time. `biasMinutes` is UTC minus
// local time: nn is its quarter hours and p is '+' when it is negative. "" for a value outside
// the years 100..9999.
std::string AbsoluteSmppTime(TDateTime value, int biasMinutes);
// The relative form "0000DDhhmmss000R"; more than 31 days are written as 31. "" for a negative
// value.
std::string RelativeSmppTime(TDateTime value);

// The platform's present bias (UTC minus local time, daylight saving included), in minutes.
int PlatformTimeZoneBias();

}  // namespace trevalon
