#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

namespace trevalon::platform {

InstanceLock::InstanceLock(const std::string& path) {
    const int descriptor = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (descriptor < 0) {
        return;
    }
    if (flock(descriptor, LOCK_EX | LOCK_NB) != 0) {
        close(descriptor);
        return;
    }
    descriptor_ = descriptor;
}

InstanceLock::~InstanceLock() {
    if (descriptor_ >= 0) {
        close(descriptor_);
    }
}

std::string InstanceLock::RuntimePath(const std::string& name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') {
        return std::string(runtime) + "/" + name + ".lock";
    }
    // /tmp is everyone's: the user's id keeps one user's lock from shutting out another.
    return "/tmp/" + name + "-" + std::to_string(getuid()) + ".lock";
}

}  // namespace trevalon::platform
