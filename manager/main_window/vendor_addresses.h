#pragma once

// The vendor's addresses the manager shows or opens. Placeholders under the reserved ".invalid"
// domain until the product has its own site; the version document's address is a setting.

namespace trevalon {

inline constexpr const char* kVendorAddress = "www.trevalon.invalid";
inline constexpr const char* kHomePage = "https://www.trevalon.invalid/";
inline constexpr const char* kFaqPage = "https://www.trevalon.invalid/faq.htm";
inline constexpr const char* kDownloadPage = "https://www.trevalon.invalid/download.htm";

}  // namespace trevalon
