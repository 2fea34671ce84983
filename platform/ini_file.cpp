#include "platform/ini_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace trevalon::platform {
namespace {

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// "[name]" → name; nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    const auto close = line.find(']');
    return Trim(line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1));
}

struct KeyValue {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyValue> SplitKeyValue(std::string_view line) {
    const auto trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == ';') {
        return std::nullopt;
    }
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    return KeyValue{Trim(line.substr(0, equals)), Trim(line.substr(equals + 1))};
}

std::string_view Unquoted(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

}  // namespace

std::optional<int> ParseProfileInteger(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

IniFile::IniFile(std::string path) : path_(std::move(path)) {
    const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            return;
        }
        throw std::system_error(errno, std::generic_category(), path_);
    }
    existed_ = true;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            const int error = errno;
            close(fd);
            throw std::system_error(error, std::generic_category(), path_);
        }
        if (count == 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(count));
    }
    close(fd);
    crlf_ = text.find("\r\n") != std::string::npos;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines_.push_back(std::move(line));
    }
}

std::optional<std::size_t> IniFile::FindSectionLine(std::string_view section) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto name = SectionName(lines_[i]);
        if (name && SameIgnoringCase(*name, section)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::size_t> IniFile::FindKeyLine(std::size_t sectionLine,
                                                std::string_view key) const {
    for (std::size_t i = sectionLine + 1; i < lines_.size() && !SectionName(lines_[i]); ++i) {
        const auto pair = SplitKeyValue(lines_[i]);
        if (pair && SameIgnoringCase(pair->key, key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    const auto sectionLine = FindSectionLine(section);
    if (!sectionLine) {
        return std::nullopt;
    }
    const auto keyLine = FindKeyLine(*sectionLine, key);
    if (!keyLine) {
        return std::nullopt;
    }
    return std::string(Unquoted(SplitKeyValue(lines_[*keyLine])->value));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    auto value = Find(section, key);
    return value ? *value : std::string(fallback);
}

int IniFile::ReadInteger(std::string_view section, std::string_view key, int fallback) const {
    const auto value = Find(section, key);
    if (!value) {
        return fallback;
    }
    return ParseProfileInteger(*value).value_or(fallback);
}

bool IniFile::ReadBool(std::string_view section, std::string_view key, bool fallback) const {
    return ReadInteger(section, key, fallback ? 1 : 0) != 0;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(key) + "=" + std::string(value);
    auto sectionLine = FindSectionLine(section);
    if (!sectionLine) {
        std::string header = "[";
        header.append(section).append("]");
        lines_.push_back(std::move(header));
        lines_.push_back(std::move(line));
        return;
    }
    if (const auto keyLine = FindKeyLine(*sectionLine, key)) {
        lines_[*keyLine] = std::move(line);
        return;
    }
    // After the section's last key, before any blank lines that separate it from the next one.
    std::size_t insertAt = *sectionLine + 1;
    for (std::size_t i = insertAt; i < lines_.size() && !SectionName(lines_[i]); ++i) {
        if (!Trim(lines_[i]).empty()) {
            insertAt = i + 1;
        }
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void IniFile::Save() const {
    const std::string temporary = path_ + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const auto& line : lines_) {
            out << line << (crlf_ ? "\r\n" : "\n");
        }
        out.flush();
        if (!out) {
            const int error = errno != 0 ? errno : EIO;
            std::remove(temporary.c_str());
            throw std::system_error(error, std::generic_category(), path_);
        }
    }
    if (std::rename(temporary.c_str(), path_.c_str()) != 0) {
        const int error = errno;
        std::remove(temporary.c_str());
        throw std::system_error(error, std::generic_category(), path_);
    }
}

}  // namespace trevalon::platform
