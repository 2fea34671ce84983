#pragma once

#include <string>

namespace trevalon::platform {

// The system's message for an errno value; safe to call from any thread.
std::string ErrnoText(int error);

}  // namespace trevalon::platform
