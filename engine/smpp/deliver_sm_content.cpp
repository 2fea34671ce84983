#include "engine/smpp/deliver_sm_content.h"

#include <charconv>
#include <string_view>

#include "foundation/text_trimming.h"

namespace trevalon {

namespace {

std::uint8_t StateOf(std::string_view value) {
    static constexpr struct {
        std::string_view Name;
        std::uint8_t State;
    } kStates[] = {{"DELIVRD", 2}, {"EXPIRED", 3}, {"DELETED", 4}, {"UNDELIV", 5},
                   {"ACCEPTD", 6}, {"UNKNOWN", 7}, {"REJECTD", 8}};
    for (const auto& state : kStates) {
        if (state.Name == value) {
            return state.State;
        }
    }
    return 7;
}

int FailureReasonOf(std::string_view value) {
    int reason = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), reason);
    return error == std::errc() && end == value.data() + value.size() && !value.empty() ? reason
                                                                                        : -1;
}

}  // namespace

TReceiptItems ReadReceiptItems(std::u16string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (const char16_t character : text) {
        narrow.push_back(character < 0x80 ? static_cast<char>(character) : '?');
    }
    TReceiptItems items;
    bool haveId = false;
    bool haveState = false;
    bool haveError = false;
    const std::string_view all = narrow;
    std::size_t position = 0;
    while (position < all.size()) {
        const std::size_t colon = all.find(':', position);
        if (colon == std::string_view::npos) {
            break;
        }
        const std::size_t space = all.find(' ', colon + 1);
        const std::size_t valueEnd = space == std::string_view::npos ? all.size() : space;
        const std::string_view key = TrimControlAndSpaces(all.substr(position, colon - position));
        const std::string_view value =
            TrimControlAndSpaces(all.substr(colon + 1, valueEnd - colon - 1));
        if (key == "id" && !haveId) {
            haveId = true;
            items.Id = std::string(value);
        } else if (key == "stat" && !haveState) {
            haveState = true;
            items.State = StateOf(value);
        } else if (key == "err" && !haveError) {
            haveError = true;
            items.FailureReason = FailureReasonOf(value);
        }
        position = valueEnd + 1;
    }
    items.Recognised = int{haveId} + int{haveState} + int{haveError};
    return items;
}

}  // namespace trevalon
