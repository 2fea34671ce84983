#pragma once

#include <cstdint>
#include <string>

#include <netinet/in.h>

namespace trevalon {

// The dotted IPv4 address for a host text: "0.0.0.0" for an empty host; a host whose first
// character is a digit is taken as a dotted address and never looked up by name ("" when it is
// none); any other host is looked up by name ("" when that fails).
std::string ResolveHostAddress(const std::string& host);

// A port text is a service name (any protocol) or a decimal number; 0 when it is neither.
std::uint16_t ResolvePort(const std::string& port);

// The socket address for a host and port; false when the host gives no address.
bool MakeSocketAddress(const std::string& host, const std::string& port, sockaddr_in& address);

}  // namespace trevalon
