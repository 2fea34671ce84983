#pragma once

// The result details every delivery writes when it cannot connect.

#include <exception>
#include <string>
#include <string_view>

namespace trevalon {

// The detail of a delivery that could not connect: "[" host ":" port, then `methodError`
// (for example " SMTP Alarm Connection Error:"), then the fixed reason of an empty host, a port
// of 0, a socket error or a connect time-out, or else the error's own text trimmed, and "]".
std::string ConnectionErrorDetail(std::string_view host, int port, std::string_view methodError,
                                  const std::exception& error);
// The detail of a connection that was not open after connecting without an error:
// "[" host ":" port, `methodError` without its closing colon, "]".
std::string NotConnectedDetail(std::string_view host, int port, std::string_view methodError);

}  // namespace trevalon
