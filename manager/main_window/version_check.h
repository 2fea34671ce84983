#pragma once

// ThreadURLVersionUpgrade: asks the vendor's version document, once per start, for the newest
// release on a thread of its own, and tells the window's thread what it found.

#include <QObject>

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace trevalon {

// The version the document names for `product`: the trimmed text of the "version" child of the
// document element's first child named `product`; empty when there is no such child, no
// "version" in it or no text.
// Nothing when the body is not a well-formed XML document.
std::optional<std::string> PublishedVersion(std::string_view body, std::string_view product);

class VersionCheck {
  public:
    // Called on `receiver`'s thread with the version found; not called when the check failed.
    using Found = std::function<void(const std::string& version)>;

    // GETs "http://" + `address` at once; an empty address checks nothing. `receiver` must
    // outlive the check.
    VersionCheck(const std::string& address, QObject& receiver, Found found);
    // Ends a request still waiting at once, and waits for its thread.
    ~VersionCheck();
    VersionCheck(const VersionCheck&) = delete;
    VersionCheck& operator=(const VersionCheck&) = delete;

  private:
    std::jthread thread_;
};

}  // namespace trevalon
