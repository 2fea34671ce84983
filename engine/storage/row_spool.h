#pragma once

// The spool of held rows on disk: what the server could not take while it was unreachable and
// did not fit in memory, or was still held when the program stopped.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace trevalon {

// The spool of an installation: "spool/syslog_rows.spool" in its log folder, which the service
// may write wherever it runs.
std::string RowSpoolPath(const std::string& logFolder);

// A row held while the server cannot be reached: the receivers' statement and the values that
// its cleaned retries are built from.
struct HeldRow {
    std::string statement;
    std::string time;
    std::string source;
    std::string facility;
    std::string severity;
    std::string message;

    bool operator==(const HeldRow&) const = default;
};

// The memory a held row takes, roughly.
std::size_t HeldRowFootprint(const HeldRow& row);

// One record of the spool: the payload's length and its CRC-32 (each 4 bytes, little-endian),
// then the payload: the six texts of the row in the order above, each as its 4-byte
// little-endian length and its bytes.
std::string EncodeSpoolRecord(const HeldRow& row);

enum class SpoolRecordState {
    kWhole,
    // The bytes end inside the record: a write cut short.
    kIncomplete,
    // Its length or checksum is wrong.
    kBroken,
};
// Reads the record at the start of `bytes` into `row`; `size` is its length in bytes when whole.
SpoolRecordState DecodeSpoolRecord(std::string_view bytes, HeldRow& row, std::size_t& size);

// The spool file: a header ("TRVSPL01" and the 8-byte little-endian offset of the first row not
// yet stored), then records appended one after another. Rows are taken from the front, and the
// header's offset moves past them once they are stored, so that a restart does not store them
// again. Not safe for concurrent use: its owner serialises the calls.
class RowSpool {
  public:
    static constexpr std::string_view kMagic = "TRVSPL01";
    static constexpr std::uint64_t kHeaderSize = 16;

    // What Open found of a former run.
    struct Found {
        std::uint64_t rows = 0;
        // Bytes after the last whole record, cut off (or the whole file, set aside, when it is no
        // spool at all).
        std::uint64_t brokenBytes = 0;
    };

    // The file may grow to `limitBytes`.
    RowSpool(std::string path, std::uint64_t limitBytes);
    ~RowSpool();
    RowSpool(const RowSpool&) = delete;
    RowSpool& operator=(const RowSpool&) = delete;

    // Creates the folder and the file, or reads the file a former run left up to its last whole
    // record and cuts off what follows. Raises std::system_error.
    Found Open();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }
    std::uint64_t LimitBytes() const { return limitBytes_; }

    bool Empty() const { return rows_ == 0; }
    std::uint64_t Rows() const { return rows_; }

    // Appends the row; false, leaving the file as it was, when it would grow past its limit.
    // Raises std::system_error.
    bool Append(const HeldRow& row);
    // Up to `maxRows` of the oldest rows (fewer when they exceed `maxBytes`, at least one),
    // without taking them. Raises std::system_error.
    std::vector<HeldRow> Peek(std::size_t maxRows, std::size_t maxBytes);
    // The first `count` rows of the last Peek are stored. Once every row is, the file is emptied.
    void Consume(std::size_t count);
    // Puts `rows` in front of the rows the file holds, whatever the limit.
    void Prepend(const std::deque<HeldRow>& rows);
    // Writes what the system holds in its caches to the disk.
    void Sync();

  private:
    void Close();
    void WriteHeader(std::uint64_t firstRow);
    void Reset();

    std::string path_;
    std::uint64_t limitBytes_;
    int fd_ = -1;
    std::uint64_t readOffset_ = kHeaderSize;
    std::uint64_t writeOffset_ = kHeaderSize;
    std::uint64_t rows_ = 0;
    // The record sizes of the last Peek.
    std::vector<std::size_t> peeked_;
};

}  // namespace trevalon
