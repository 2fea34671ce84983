#pragma once

// The PDU buffer both directions of an SMSC session read and write.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/smpp/receive_buffer.h"
#include "engine/smpp/smpp_definitions.h"

namespace trevalon {

class TtcTcpClient;

enum class TExtractResult {
    erIncomplete,
    erComplete,
    // The header announces a length no buffer can hold or shorter than the header itself; the
    // stream can no longer be framed.
    erInvalid,
};

// A protocol-neutral PDU: a growable byte buffer with read and write primitives, the
// connection it came from or goes to, and the status of the last parse (0 success, the peer's
// command status for a failed reply, -3 for a negative acknowledgement).
//
// Reads take a position and advance it. A read past the end gives zeros and leaves the
// position past the end, which is how a parser learns that a body was truncated.
class TtcSMSCMessage {
  public:
    virtual ~TtcSMSCMessage() = default;

    // A new message of the same class with its own copy of the bytes and the same connection.
    virtual std::unique_ptr<TtcSMSCMessage> Copy() const = 0;

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    const std::shared_ptr<TtcTcpClient>& Connection() const { return connection_; }
    void SetConnection(std::shared_ptr<TtcTcpClient> connection) {
        connection_ = std::move(connection);
    }
    std::int32_t Status() const { return status_; }
    void SetStatus(std::int32_t status) { status_ = status; }

    virtual void WriteWord(std::uint16_t value);
    virtual void WriteDWord(std::uint32_t value);
    virtual std::uint16_t ReadWord(std::size_t& position) const;
    virtual std::uint32_t ReadDWord(std::size_t& position) const;

    // Takes one whole PDU out of the buffer into this message. An incomplete PDU leaves the
    // buffer as it is.
    virtual TExtractResult ExtractFrom(TtcReceiveBuffer& buffer);
    virtual int HeaderSize() const { return 0; }
    virtual std::uint32_t PduLength() const { return 0; }
    virtual TPduKind Classify() const { return TPduKind::pkIgnored; }
    // An incoming request that only asks whether the link is alive.
    virtual bool IsKeepAliveProbe() const { return false; }
    // The message id a parsed reply carried; empty where the protocol has none.
    virtual std::string ReplyMessageId() const { return {}; }

    virtual void BuildUnbind() = 0;
    virtual void BuildEnquireLink() = 0;
    virtual void BuildResponse(const TtcSMSCMessage& request) = 0;

    virtual void ParseEnquireLinkResp() { status_ = 0; }
    virtual void ParseSubmitResp() { status_ = 0; }
    virtual void ParseBindResp() { status_ = 0; }
    virtual void ParseUnbindResp() { status_ = 0; }

    void WriteByte(std::uint8_t value) { bytes_.push_back(value); }
    void WriteBytes(const std::vector<std::uint8_t>& values);
    void WriteString(std::string_view text);
    std::uint8_t ReadByte(std::size_t& position) const;
    std::vector<std::uint8_t> ReadBytes(std::size_t& position, std::size_t count) const;

  protected:
    TtcSMSCMessage() = default;
    TtcSMSCMessage(const TtcSMSCMessage&) = default;
    TtcSMSCMessage& operator=(const TtcSMSCMessage&) = default;

    void Clear() { bytes_.clear(); }
    std::vector<std::uint8_t>& MutableBytes() { return bytes_; }

  private:
    std::vector<std::uint8_t> bytes_;
    std::shared_ptr<TtcTcpClient> connection_;
    std::int32_t status_ = 0;
};

}  // namespace trevalon
