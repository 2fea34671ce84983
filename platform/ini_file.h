#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace trevalon::platform {

// An INI file with Windows profile semantics: sections and keys match without regard to letter
// case, the first of duplicate sections or keys wins, values are trimmed and lose one pair of
// enclosing quotes, and both CR LF and LF line ends are read.
class IniFile {
  public:
    // Reads the file; a missing file reads as empty. Raises std::system_error when the file
    // exists but cannot be read.
    explicit IniFile(std::string path);

    bool Existed() const { return existed_; }
    const std::string& Path() const { return path_; }

    std::optional<std::string> Find(std::string_view section, std::string_view key) const;
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view fallback) const;
    // A value that is not a decimal integer gives the fallback.
    int ReadInteger(std::string_view section, std::string_view key, int fallback) const;
    // Stored as an integer; any value other than 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool fallback) const;

    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);

    // Writes the file whole through a temporary file, so a failure never leaves half a file.
    // Raises std::system_error.
    void Save() const;

  private:
    std::optional<std::size_t> FindSectionLine(std::string_view section) const;
    std::optional<std::size_t> FindKeyLine(std::size_t sectionLine, std::string_view key) const;

    std::string path_;
    bool existed_ = false;
    bool crlf_ = false;
    std::vector<std::string> lines_;
};

// Parses a decimal integer with an optional sign, nothing else; used by ReadInteger.
std::optional<int> ParseProfileInteger(std::string_view text);

}  // namespace trevalon::platform
