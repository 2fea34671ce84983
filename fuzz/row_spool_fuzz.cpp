// Reads arbitrary bytes as a spool file left by a former run and checks that the reader only
// ever hands on whole records, each exactly as it was written: every row read encodes back to
// the bytes it came from, and reading stops at the first record that is not whole.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

#include "engine/storage/row_spool.h"

namespace {

// A folder of the run's own, removed when the fuzzer exits.
struct SpoolFolder {
    std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("row_spool_fuzz_" + std::to_string(::getpid()));
    ~SpoolFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::string& SpoolPath() {
    static const SpoolFolder folder;
    static const std::string path = (folder.path / "syslog_rows.spool").string();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using trevalon::RowSpool;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Most inputs get a valid header, so that the records behind it are what is read.
    std::string file;
    if (size > 0 && (data[0] & 1U) != 0) {
        file = std::string(RowSpool::kMagic) + std::string("\x10\0\0\0\0\0\0\0", 8);
        file += bytes.substr(1);
    } else {
        file = bytes;
    }
    std::filesystem::create_directories(std::filesystem::path(SpoolPath()).parent_path());
    std::filesystem::remove(SpoolPath() + ".broken");
    std::ofstream(SpoolPath(), std::ios::binary | std::ios::trunc) << file;

    RowSpool spool(SpoolPath(), 1 << 30);
    const RowSpool::Found found = spool.Open();
    std::uint64_t read = 0;
    std::string reencoded;
    while (!spool.Empty()) {
        const std::vector<trevalon::HeldRow> rows = spool.Peek(7, 1 + size % 300);
        if (rows.empty()) {
            std::abort();
        }
        for (const trevalon::HeldRow& row : rows) {
            reencoded += trevalon::EncodeSpoolRecord(row);
        }
        read += rows.size();
        spool.Consume(rows.size());
    }
    if (read != found.rows) {
        std::abort();
    }
    // With a valid header and the first-row offset at the start, the rows are a prefix of the
    // records fed in, and everything after them was reported as cut off.
    if (file.size() >= RowSpool::kHeaderSize && file.starts_with(RowSpool::kMagic) &&
        file.compare(8, 8, std::string("\x10\0\0\0\0\0\0\0", 8)) == 0) {
        const std::string_view records = std::string_view(file).substr(RowSpool::kHeaderSize);
        if (!records.starts_with(reencoded) ||
            reencoded.size() + found.brokenBytes != records.size()) {
            std::abort();
        }
    }
    return 0;
}
