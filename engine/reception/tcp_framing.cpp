#include "engine/reception/tcp_framing.h"

namespace trevalon {
namespace {

// Whether a ">" appears within the five characters of `text` that start at `from`.
bool CloseWithinFive(std::string_view text, std::size_t from) {
    return text.substr(from, 5).find('>') != std::string_view::npos;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::optional<FramedMessage> NextFramedMessage(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    const FramedMessage whole{std::string(text), {}};
    const std::size_t open = text.find('<');
    if (open == std::string_view::npos || !CloseWithinFive(text, 0)) {
        return whole;
    }
    const std::string_view after = text.substr(open + 1);
    const std::size_t next = after.find('<');
    if (next == std::string_view::npos || !CloseWithinFive(after, next)) {
        return whole;
    }
    // The cut drops only what stood in front of the first "<".
    return FramedMessage{std::string(text.substr(open, next + 1)), std::string(after.substr(next))};
}

SyslogStreamFramer::OctetCount SyslogStreamFramer::ReadOctetCount(std::size_t& headerLength,
                                                                  std::size_t& frameLength) const {
    // RFC 6587: a frame starts with a non-zero digit; a plain message starts with "<".
    if (pending_.empty() || pending_[0] < '1' || pending_[0] > '9') {
        return OctetCount::kNone;
    }
    std::size_t digits = 0;
    std::size_t length = 0;
    while (digits < pending_.size() && IsDigit(pending_[digits])) {
        length = length * 10 + static_cast<std::size_t>(pending_[digits] - '0');
        if (++digits > 6) {
            return OctetCount::kNone;
        }
    }
    if (digits == pending_.size() || (digits + 1 == pending_.size() && pending_[digits] == ' ')) {
        return OctetCount::kIncomplete;
    }
    if (pending_[digits] != ' ' || pending_[digits + 1] != '<') {
        return OctetCount::kNone;
    }
    headerLength = digits + 1;
    frameLength = length;
    return OctetCount::kComplete;
}

bool SyslogStreamFramer::TakeOne(const Sink& sink, bool streamEnded) {
    std::size_t headerLength = 0;
    std::size_t frameLength = 0;
    switch (ReadOctetCount(headerLength, frameLength)) {
        case OctetCount::kIncomplete:
            if (!streamEnded) {
                return false;
            }
            break;
        case OctetCount::kComplete:
            if (pending_.size() - headerLength >= frameLength) {
                sink(std::string_view(pending_).substr(headerLength, frameLength));
                pending_.erase(0, headerLength + frameLength);
                return true;
            }
            if (!streamEnded && pending_.size() < kMaxPending) {
                return false;
            }
            sink(std::string_view(pending_).substr(headerLength));
            pending_.clear();
            return true;
        case OctetCount::kNone:
            break;
    }
    auto framed = NextFramedMessage(pending_);
    if (!framed) {
        return false;
    }
    const bool endKnown = !framed->rest.empty() || streamEnded || framed->message.back() == '\n' ||
                          framed->message.size() >= kMaxPending;
    if (!endKnown) {
        return false;
    }
    sink(framed->message);
    pending_ = std::move(framed->rest);
    return true;
}

void SyslogStreamFramer::Feed(std::string_view bytes, const Sink& sink) {
    pending_.append(bytes);
    while (TakeOne(sink, false)) {
    }
}

void SyslogStreamFramer::Finish(const Sink& sink) {
    while (TakeOne(sink, true)) {
    }
    pending_.clear();
}

}  // namespace trevalon
