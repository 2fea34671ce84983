#pragma once

// The engine's texts (UTF-8) as Qt's strings.

#include <QString>

#include <string_view>

namespace trevalon {

inline QString QtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace trevalon
