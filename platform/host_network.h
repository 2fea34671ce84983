#pragma once

// The machine's host name and its address.

#include <string>

namespace trevalon::platform {

// This machine's host name; returns 0 or the errno of the failure.
int LocalHostName(std::string& name);

// The first IPv4 address the name resolves to, in dotted form; "" with `error` filled when the
// name does not resolve.
std::string FirstIPv4Address(const std::string& hostName, std::string& error);

}  // namespace trevalon::platform
