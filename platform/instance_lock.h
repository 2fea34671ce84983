#pragma once

// One running instance per user: an exclusive lock on a file, held while the object lives and
// released by the system when the process ends in any way.

#include <string>

namespace trevalon::platform {

class InstanceLock {
  public:
    // Tries to take the lock on `path`, creating the file when missing.
    explicit InstanceLock(const std::string& path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // False when another process holds it, or the file cannot be opened.
    bool Held() const { return descriptor_ >= 0; }

    // $XDG_RUNTIME_DIR/<name>.lock, or /tmp/<name>-<uid>.lock without a runtime folder.
    static std::string RuntimePath(const std::string& name);

  private:
    int descriptor_ = -1;
};

}  // namespace trevalon::platform
