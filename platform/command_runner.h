#pragma once

// Running another program and taking its output.

#include <string>
#include <vector>

namespace trevalon::platform {

struct CommandResult {
    int exitCode = -1;   // -1 when the program could not be run or was killed
    std::string output;  // standard output and standard error together
};

// Runs a program (looked up in PATH) with its arguments and waits for it to end.
CommandResult RunCommand(const std::vector<std::string>& argv);

}  // namespace trevalon::platform
