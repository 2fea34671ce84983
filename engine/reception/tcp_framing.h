#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace trevalon {

struct FramedMessage {
    std::string message;
    std::string rest;
};

// Cuts the first message off a stream text: it runs from a PRI part to just before the next "<"
// that has a ">" within its first five characters. Nothing for an empty text.
std::optional<FramedMessage> NextFramedMessage(std::string_view text);

// The framing of one TCP connection. Bytes arrive in arbitrary pieces; a message is handed on
// only once its end is known (the next PRI, a line feed, or the end of the stream), so a read
// boundary never splits one message into two records. Octet-counted frames ("LEN SP <PRI>...")
// are cut by their count.
class SyslogStreamFramer {
  public:
    using Sink = std::function<void(std::string_view message)>;

    // A message whose end never comes is handed on once it reaches this size.
    static constexpr std::size_t kMaxPending = 64 * 1024;

    void Feed(std::string_view bytes, const Sink& sink);
    // The stream ended (closed, timed out): hand on whatever is pending.
    void Finish(const Sink& sink);

    bool HasPending() const { return !pending_.empty(); }

  private:
    enum class OctetCount { kNone, kIncomplete, kComplete };
    OctetCount ReadOctetCount(std::size_t& headerLength, std::size_t& frameLength) const;
    bool TakeOne(const Sink& sink, bool streamEnded);

    std::string pending_;
};

}  // namespace trevalon
