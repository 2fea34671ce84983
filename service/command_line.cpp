#include "service/command_line.h"

#include <algorithm>
#include <cctype>

namespace trevalon {
namespace {

bool IsSwitch(const std::string& argument, const char* name) {
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) {
        return false;
    }
    const std::string_view word(argument.data() + 1, argument.size() - 1);
    const std::string_view expected(name);
    return word.size() == expected.size() &&
           std::equal(word.begin(), word.end(), expected.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

}  // namespace

ServiceCommandLine ParseServiceCommandLine(const std::vector<std::string>& arguments) {
    ServiceCommandLine line;
    for (const std::string& argument : arguments) {
        line.install = line.install || IsSwitch(argument, "INSTALL");
        line.uninstall = line.uninstall || IsSwitch(argument, "UNINSTALL");
        line.silent = line.silent || IsSwitch(argument, "SILENT");
    }
    return line;
}

}  // namespace trevalon
