#include "manager/main_window/environment_log.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <utility>

#include "foundation/clock.h"

namespace trevalon {
namespace {

namespace fs = std::filesystem;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Writable(const std::string& folder) {
    return access(folder.c_str(), W_OK) == 0;
}

// "6.1.0-17-amd64" → 6, 1, 0.
std::vector<int> VersionNumbers(const std::string& release) {
    std::vector<int> numbers;
    int value = 0;
    bool inNumber = false;
    for (const char c : release) {
        if (std::isdigit(static_cast<unsigned char>(c)) != 0) {
            value = value * 10 + (c - '0');
            inNumber = true;
        } else if (inNumber) {
            numbers.push_back(value);
            value = 0;
            inNumber = false;
            if (c != '.') {
                break;
            }
        }
    }
    if (inNumber) {
        numbers.push_back(value);
    }
    numbers.resize(3, 0);
    return numbers;
}

std::string Joined(const std::vector<std::string>& parts, const std::string& separator) {
    std::string joined;
    for (const std::string& part : parts) {
        joined += (joined.empty() ? "" : separator) + part;
    }
    return joined;
}

// The format with each "%s" or "%d" replaced by the next value.
std::string Filled(std::string_view format, const std::vector<std::string>& values) {
    std::string text;
    std::size_t next = 0;
    for (std::size_t at = 0; at < format.size(); ++at) {
        if (format[at] == '%' && at + 1 < format.size() &&
            (format[at + 1] == 's' || format[at + 1] == 'd')) {
            text += next < values.size() ? values[next++] : std::string();
            ++at;
        } else {
            text += format[at];
        }
    }
    return text;
}

}  // namespace

EnvironmentLog::EnvironmentLog(std::string path, bool debug)
    : path_(std::move(path)), debug_(debug) {}

void EnvironmentLog::Write(const std::string& text) const {
    if (!debug_) {
        return;
    }
    std::string line;
    if (text == "-" || text == "=") {
        line.assign(80, text[0]);
    } else if (!text.empty() && (text[0] == '!' || text[0] == '-' || text[0] == '=')) {
        line = text.substr(1);
    } else {
        line = FormatDateTime(LocalNow()).substr(11) + "   " + text;
    }
    std::ofstream file(path_, std::ios::binary | std::ios::app);
    file << line << "\r\n";
    file.flush();
}

bool DebugModeWanted(const std::string& programFolder, const std::vector<std::string>& arguments) {
    std::error_code ignored;
    if (fs::exists(fs::path(programFolder) / "debug.debug", ignored)) {
        return true;
    }
    return std::any_of(arguments.begin(), arguments.end(), [](const std::string& argument) {
        const std::string lower = Lower(argument);
        return lower == "/debug" || lower == "-debug";
    });
}

EnvironmentLog StartEnvironmentLog(const std::string& programPath,
                                   const std::vector<std::string>& arguments,
                                   const std::string& programVersion,
                                   const std::string& toolkitVersion) {
    const fs::path program(programPath);
    const std::string programFolder = program.parent_path().string();
    const std::string folder =
        Writable(programFolder) ? programFolder : fs::temp_directory_path().string();
    const std::string path = (fs::path(folder) / "HHDebug.txt").string();
    std::error_code ignored;
    fs::remove(path, ignored);
    EnvironmentLog log(path, DebugModeWanted(programFolder, arguments));
    if (!log.Debug()) {
        return log;
    }
    utsname system{};
    uname(&system);
    const std::vector<int> version = VersionNumbers(system.release);
    const std::string locale = std::setlocale(LC_ALL, nullptr);
    const std::string language = locale.substr(0, locale.find_first_of("_.@"));
    const std::size_t territoryStart = locale.find('_');
    const std::string territory =
        territoryStart == std::string::npos
            ? std::string()
            : locale.substr(territoryStart + 1,
                            locale.find_first_of(".@", territoryStart) - territoryStart - 1);
    const std::string cwd = fs::current_path(ignored).string();
    std::vector<std::string> commandLine{programPath};
    commandLine.insert(commandLine.end(), arguments.begin(), arguments.end());

    const std::string toolkit = "Qt " + toolkitVersion;
    const std::vector<std::pair<std::string_view, std::vector<std::string>>> header = {
        {"=", {}},
        {"!Log File:             %s", {path}},
        {"!Date:                 %s", {FormatDateTime(LocalNow())}},
        {"!Operating System:      %s %d.%d (Build %d) %s",
         {system.sysname, std::to_string(version[0]), std::to_string(version[1]),
          std::to_string(version[2]), system.version}},
        {"!SysLocale.DefaultLCID: %s (%s)", {locale, locale}},
        {"!SysLocale.PriLangID:   %s (%s)", {language, language}},
        {"!SysLocale.SubLangID:   %s (%s)", {territory, territory}},
        {"!DecimalSeparator:      %s", {std::localeconv()->decimal_point}},
        {"-", {}},
        {"!EXE Path =          %s", {programPath}},
        {"!EXE Version =       %s", {programVersion}},
        {"!Cmdline Param(s) =  %s", {Joined(arguments, " | ")}},
        {"!Actual CmdLine =  %s", {Joined(commandLine, " ")}},
        {"!_RunDir =           %s", {cwd}},
        {"!_ModuleName =       %s", {program.filename().string()}},
        {"!_ModuleDir =        %s", {programFolder}},
        {"!_ModulePath =        %s", {programPath}},
        {"!Module Version =       %s", {programVersion}},
        {"-", {}},
        {"!_hhInstalled =      %s", {"Qt help browser"}},
        {"!_hhVerStr =         %s", {toolkitVersion}},
        {"!_hhFriendlyVerStr = %s", {toolkit}},
        {"-", {}},
        {"!_ieInstalled =      %s", {"desktop browser (xdg-open)"}},
        {"!_ieVerStr =         %s", {toolkitVersion}},
        {"!_ieFriendlyVerStr = %s", {toolkit}},
        {"=", {}},
    };
    for (const auto& [format, values] : header) {
        log.Write(Filled(format, values));
    }
    return log;
}

}  // namespace trevalon
