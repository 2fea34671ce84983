#pragma once

#include <string>
#include <string_view>

namespace trevalon {

// Whose receivers escape the message text: the service removes the control characters
// backspace, tab, line feed, carriage return and SUB, the manager turns them into spaces.
enum class ContentEscaping {
    kService,
    kManager,
};

// The receivers' escaping of a message's Content before it goes into the insert statement:
// ";", "'" and the double quote become spaces, "\" is doubled, then the five control characters
// are removed (service) or become spaces (manager). "%" and "_" stay as they are in both, since
// outside a LIKE pattern the server would store a backslash before them.
std::string EscapeSyslogContent(std::string_view content,
                                ContentEscaping escaping = ContentEscaping::kService);

// How much of an escaped message a retry keeps after the insert was refused.
enum class MessageCleaning {
    // Letters, digits, ( ) + - < = > [ ] { } | and space ! # $ % & * , . : ? @ ^ _ ~ are kept.
    kMode1 = 1,
    // Only letters, digits and ( ) + - < = > [ ] { } | are kept.
    kMode2 = 2,
};

// Applied byte by byte to an escaped message. In both modes "'", backspace, tab, line feed,
// carriage return and SUB become spaces, and every other byte that is not kept is removed, among
// them "/", ";", "\", the double quote, the grave accent and every byte of 127 or more. Mode 2
// turns the punctuation that mode 1 keeps into spaces.
std::string CleanSyslogMessage(std::string_view message, MessageCleaning mode);

}  // namespace trevalon
