#include "engine/storage/row_spool.h"

#include <array>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace trevalon {
namespace {

constexpr std::size_t kRecordHead = 8;
constexpr std::size_t kFieldCount = 6;
// Far above any row the receivers make; a larger length is a broken record, not a huge one.
constexpr std::uint32_t kMaxPayload = 64U * 1024U * 1024U;
constexpr std::size_t kScanChunk = 1024 * 1024;

std::uint32_t Crc32(std::string_view bytes) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> entries{};
        for (std::uint32_t n = 0; n < entries.size(); ++n) {
            std::uint32_t c = n;
            for (int bit = 0; bit < 8; ++bit) {
                c = (c & 1U) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
            }
            entries[n] = c;
        }
        return entries;
    }();
    std::uint32_t crc = 0xFFFFFFFFU;
    for (const char byte : bytes) {
        crc = table[(crc ^ static_cast<unsigned char>(byte)) & 0xFFU] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFU;
}

void PutLittleEndian(std::string& out, std::uint64_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) {
        out += static_cast<char>((value >> (8 * i)) & 0xFFU);
    }
}

std::uint64_t GetLittleEndian(std::string_view in, std::size_t bytes) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < bytes; ++i) {
        value |= static_cast<std::uint64_t>(static_cast<unsigned char>(in[i])) << (8 * i);
    }
    return value;
}

std::array<const std::string*, kFieldCount> Fields(const HeldRow& row) {
    return {&row.statement, &row.time, &row.source, &row.facility, &row.severity, &row.message};
}

[[noreturn]] void ThrowSystemError(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

void WriteAll(int fd, std::string_view bytes, std::uint64_t offset, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t written =
            ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError("Cannot write the row spool " + path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
        offset += static_cast<std::uint64_t>(written);
    }
}

std::string ReadAt(int fd, std::uint64_t offset, std::size_t length, const std::string& path) {
    std::string bytes(length, '\0');
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got =
            ::pread(fd, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            ThrowSystemError("Cannot read the row spool " + path);
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

std::string Header(std::uint64_t firstRow) {
    std::string header(RowSpool::kMagic);
    PutLittleEndian(header, firstRow, 8);
    return header;
}

}  // namespace

std::string RowSpoolPath(const std::string& logFolder) {
    return logFolder + "spool/syslog_rows.spool";
}

std::size_t HeldRowFootprint(const HeldRow& row) {
    std::size_t bytes = sizeof(HeldRow);
    for (const std::string* field : Fields(row)) {
        bytes += field->capacity() > 15 ? field->capacity() + 1 : 0;
    }
    return bytes;
}

std::string EncodeSpoolRecord(const HeldRow& row) {
    std::string payload;
    std::size_t length = 0;
    for (const std::string* field : Fields(row)) {
        length += 4 + field->size();
    }
    payload.reserve(length);
    for (const std::string* field : Fields(row)) {
        PutLittleEndian(payload, field->size(), 4);
        payload += *field;
    }
    std::string record;
    record.reserve(kRecordHead + payload.size());
    PutLittleEndian(record, payload.size(), 4);
    PutLittleEndian(record, Crc32(payload), 4);
    record += payload;
    return record;
}

SpoolRecordState DecodeSpoolRecord(std::string_view bytes, HeldRow& row, std::size_t& size) {
    if (bytes.size() < kRecordHead) {
        return SpoolRecordState::kIncomplete;
    }
    const std::uint64_t length = GetLittleEndian(bytes, 4);
    if (length > kMaxPayload || length < 4 * kFieldCount) {
        return SpoolRecordState::kBroken;
    }
    if (bytes.size() < kRecordHead + length) {
        return SpoolRecordState::kIncomplete;
    }
    std::string_view payload = bytes.substr(kRecordHead, length);
    if (Crc32(payload) != GetLittleEndian(bytes.substr(4), 4)) {
        return SpoolRecordState::kBroken;
    }
    HeldRow decoded;
    std::array<std::string*, kFieldCount> fields{&decoded.statement, &decoded.time,
                                                 &decoded.source,    &decoded.facility,
                                                 &decoded.severity,  &decoded.message};
    for (std::string* field : fields) {
        if (payload.size() < 4) {
            return SpoolRecordState::kBroken;
        }
        const std::uint64_t fieldLength = GetLittleEndian(payload, 4);
        payload.remove_prefix(4);
        if (fieldLength > payload.size()) {
            return SpoolRecordState::kBroken;
        }
        field->assign(payload.substr(0, fieldLength));
        payload.remove_prefix(fieldLength);
    }
    if (!payload.empty()) {
        return SpoolRecordState::kBroken;
    }
    row = std::move(decoded);
    size = kRecordHead + length;
    return SpoolRecordState::kWhole;
}

RowSpool::RowSpool(std::string path, std::uint64_t limitBytes)
    : path_(std::move(path)), limitBytes_(limitBytes) {}

RowSpool::~RowSpool() {
    Close();
}

void RowSpool::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RowSpool::Found RowSpool::Open() {
    Close();
    Found found;
    const std::filesystem::path file(path_);
    std::filesystem::create_directories(file.parent_path());
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        ThrowSystemError("Cannot open the row spool " + path_);
    }
    // The service and the manager of one installation never share it.
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        Close();
        errno = error;
        ThrowSystemError("The row spool " + path_ + " is in use by another program");
    }
    struct stat status {};
    if (::fstat(fd_, &status) != 0) {
        ThrowSystemError("Cannot read the row spool " + path_);
    }
    const auto fileSize = static_cast<std::uint64_t>(status.st_size);
    const std::string header = ReadAt(fd_, 0, kHeaderSize, path_);
    if (fileSize == 0) {
        Reset();
        return found;
    }
    if (header.size() < kHeaderSize || std::string_view(header).substr(0, 8) != kMagic) {
        // Not a spool: kept aside for a person to look at, never read as rows.
        Close();
        std::filesystem::rename(file, path_ + ".broken");
        found.brokenBytes = fileSize;
        Open();
        return found;
    }
    const std::uint64_t firstRow = GetLittleEndian(std::string_view(header).substr(8), 8);
    // Walk every record, so that the offset of the first row is known to be a record's start.
    std::uint64_t offset = kHeaderSize;
    std::uint64_t records = 0;
    std::uint64_t recordsBeforeFirst = 0;
    bool firstRowFound = false;
    std::string chunk;
    std::uint64_t chunkAt = offset;
    for (;;) {
        const std::string_view rest = std::string_view(chunk).substr(offset - chunkAt);
        HeldRow row;
        std::size_t size = 0;
        const SpoolRecordState state = DecodeSpoolRecord(rest, row, size);
        if (state == SpoolRecordState::kIncomplete && chunkAt + chunk.size() < fileSize) {
            const std::uint64_t record =
                rest.size() >= kRecordHead ? kRecordHead + GetLittleEndian(rest, 4) : 0;
            chunk = ReadAt(fd_, offset,
                           static_cast<std::size_t>(std::max<std::uint64_t>(kScanChunk, record)),
                           path_);
            chunkAt = offset;
            continue;
        }
        if (offset == firstRow) {
            firstRowFound = true;
            recordsBeforeFirst = records;
        }
        if (state != SpoolRecordState::kWhole) {
            break;
        }
        ++records;
        offset += size;
    }
    found.brokenBytes = fileSize - offset;
    if (found.brokenBytes > 0 && ::ftruncate(fd_, static_cast<off_t>(offset)) != 0) {
        ThrowSystemError("Cannot cut the row spool " + path_);
    }
    writeOffset_ = offset;
    // A first-row offset that is no record's start is not trusted: every row is stored again
    // rather than lost.
    readOffset_ = firstRowFound ? firstRow : kHeaderSize;
    rows_ = records - (firstRowFound ? recordsBeforeFirst : 0);
    if (!firstRowFound) {
        WriteHeader(readOffset_);
    }
    found.rows = rows_;
    if (rows_ == 0) {
        Reset();
    }
    return found;
}

bool RowSpool::Append(const HeldRow& row) {
    const std::string record = EncodeSpoolRecord(row);
    if (writeOffset_ + record.size() > limitBytes_) {
        return false;
    }
    WriteAll(fd_, record, writeOffset_, path_);
    writeOffset_ += record.size();
    ++rows_;
    return true;
}

std::vector<HeldRow> RowSpool::Peek(std::size_t maxRows, std::size_t maxBytes) {
    std::vector<HeldRow> rows;
    peeked_.clear();
    std::uint64_t offset = readOffset_;
    while (rows.size() < maxRows && offset < writeOffset_) {
        const std::size_t want = static_cast<std::size_t>(
            std::min<std::uint64_t>(writeOffset_ - offset, std::max<std::size_t>(maxBytes, 1)));
        const std::string chunk = ReadAt(fd_, offset, want, path_);
        std::string_view rest = chunk;
        std::size_t taken = 0;
        while (rows.size() < maxRows) {
            HeldRow row;
            std::size_t size = 0;
            if (DecodeSpoolRecord(rest, row, size) != SpoolRecordState::kWhole) {
                break;
            }
            rows.push_back(std::move(row));
            peeked_.push_back(size);
            rest.remove_prefix(size);
            taken += size;
        }
        if (taken == 0) {
            if (!rows.empty()) {
                break;
            }
            // One record larger than `maxBytes`: read it whole.
            const std::string head = ReadAt(fd_, offset, kRecordHead, path_);
            const std::string whole =
                ReadAt(fd_, offset, kRecordHead + GetLittleEndian(head, 4), path_);
            HeldRow row;
            std::size_t size = 0;
            if (DecodeSpoolRecord(whole, row, size) != SpoolRecordState::kWhole) {
                throw std::system_error(std::make_error_code(std::errc::io_error),
                                        "The row spool " + path_ + " changed while in use");
            }
            rows.push_back(std::move(row));
            peeked_.push_back(size);
            break;
        }
        offset += taken;
        if (taken >= maxBytes) {
            break;
        }
    }
    return rows;
}

void RowSpool::Consume(std::size_t count) {
    count = std::min(count, peeked_.size());
    for (std::size_t i = 0; i < count; ++i) {
        readOffset_ += peeked_[i];
    }
    peeked_.clear();
    rows_ -= std::min<std::uint64_t>(rows_, count);
    if (rows_ == 0 || readOffset_ >= writeOffset_) {
        Reset();
        return;
    }
    WriteHeader(readOffset_);
}

void RowSpool::Prepend(const std::deque<HeldRow>& rows) {
    if (rows.empty()) {
        return;
    }
    const std::string next = path_ + ".next";
    const int out = ::open(next.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (out < 0 || ::flock(out, LOCK_EX | LOCK_NB) != 0) {
        if (out >= 0) {
            ::close(out);
        }
        ThrowSystemError("Cannot write the row spool " + next);
    }
    std::uint64_t at = 0;
    try {
        WriteAll(out, Header(kHeaderSize), at, next);
        at = kHeaderSize;
        for (const HeldRow& row : rows) {
            const std::string record = EncodeSpoolRecord(row);
            WriteAll(out, record, at, next);
            at += record.size();
        }
        for (std::uint64_t from = readOffset_; from < writeOffset_;) {
            const std::string chunk = ReadAt(
                fd_, from,
                static_cast<std::size_t>(std::min<std::uint64_t>(kScanChunk, writeOffset_ - from)),
                path_);
            WriteAll(out, chunk, at, next);
            at += chunk.size();
            from += chunk.size();
        }
        if (::fdatasync(out) != 0) {
            ThrowSystemError("Cannot write the row spool " + next);
        }
    } catch (...) {
        ::close(out);
        throw;
    }
    std::filesystem::rename(next, path_);
    Close();
    fd_ = out;
    readOffset_ = kHeaderSize;
    writeOffset_ = at;
    rows_ += rows.size();
    peeked_.clear();
}

void RowSpool::Sync() {
    if (fd_ >= 0) {
        ::fdatasync(fd_);
    }
}

void RowSpool::WriteHeader(std::uint64_t firstRow) {
    WriteAll(fd_, Header(firstRow), 0, path_);
}

void RowSpool::Reset() {
    if (::ftruncate(fd_, 0) != 0) {
        ThrowSystemError("Cannot empty the row spool " + path_);
    }
    WriteHeader(kHeaderSize);
    readOffset_ = kHeaderSize;
    writeOffset_ = kHeaderSize;
    rows_ = 0;
    peeked_.clear();
}

}  // namespace trevalon
