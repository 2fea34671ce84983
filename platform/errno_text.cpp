#include "platform/errno_text.h"

#include <cstring>

namespace trevalon::platform {

std::string ErrnoText(int error) {
    char buffer[256];
    // GNU strerror_r returns the text, which may or may not live in the buffer.
    return strerror_r(error, buffer, sizeof buffer);
}

}  // namespace trevalon::platform
