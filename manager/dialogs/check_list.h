#pragma once

// A list of check boxes headed by "All", as the filtering rules dialog shows facilities,
// severities and alarm methods. The items below "All" stand for flags; "All" stands for every
// one of them.

#include <QListWidget>
#include <QStringList>

#include <array>
#include <cstddef>

namespace trevalon {

void FillCheckList(QListWidget& list, const QStringList& names);
bool IsTicked(const QListWidget& list, int row);
bool AnyTicked(const QListWidget& list);
void SetTicked(QListWidget& list, int row, bool ticked);

// Each flag as a tick of its item, or "All" alone when every flag is set.
template <std::size_t N>
void TickFlags(QListWidget& list, const std::array<bool, N>& flags) {
    bool every = true;
    for (bool flag : flags) {
        every = every && flag;
    }
    SetTicked(list, 0, every);
    for (std::size_t at = 0; at < N; ++at) {
        SetTicked(list, static_cast<int>(at) + 1, !every && flags[at]);
    }
}

// The flags the list stands for: an item ticked itself, or "All" ticked.
template <std::size_t N>
std::array<bool, N> TickedFlags(const QListWidget& list) {
    std::array<bool, N> flags{};
    for (std::size_t at = 0; at < N; ++at) {
        flags[at] = IsTicked(list, 0) || IsTicked(list, static_cast<int>(at) + 1);
    }
    return flags;
}

}  // namespace trevalon
