#pragma once

// HHDebug.txt: in debug mode, what the program ran on, for a support request. Free of widgets.

#include <string>
#include <vector>

namespace trevalon {

// The log's line rule: "-" or "=" alone is a line of 80 of them; a text that starts with "!",
// "-" or "=" is written without that first character and without time; any other text follows
// the time "HH:mm:ss" and three blanks. Each line is appended and flushed at once.
class EnvironmentLog {
  public:
    EnvironmentLog(std::string path, bool debug);

    const std::string& Path() const { return path_; }
    bool Debug() const { return debug_; }
    // Writes nothing outside debug mode.
    void Write(const std::string& text) const;

  private:
    std::string path_;
    bool debug_;
};

// Debug mode: "debug.debug" in the program's folder, or an argument "/debug" or "-debug" in any
// letter case.
bool DebugModeWanted(const std::string& programFolder, const std::vector<std::string>& arguments);

// The log of a program start: HHDebug.txt in the program's folder when it can be written there,
// else in the temporary folder; an earlier file is removed; in debug mode the header is written.
// `toolkitVersion` stands where the help viewer's and browser's versions would.
EnvironmentLog StartEnvironmentLog(const std::string& programPath,
                                   const std::vector<std::string>& arguments,
                                   const std::string& programVersion,
                                   const std::string& toolkitVersion);

}  // namespace trevalon
