#include "engine/storage/row_spool.h"

#include <deque>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::ReadWholeFile;
using testing::TempInstallation;
using testing::WriteWholeFile;

HeldRow Row(int n) {
    const std::string text = "it\"s row " + std::to_string(n) + " \\ ;";
    return HeldRow{"insert into syslog (...) values (" + std::to_string(n) + ")",
                   "2026-12-10 12:00:00",
                   "host-" + std::to_string(n),
                   "Kernel",
                   "Emergency",
                   text};
}

std::vector<HeldRow> DrainAll(RowSpool& spool) {
    std::vector<HeldRow> rows;
    while (!spool.Empty()) {
        std::vector<HeldRow> batch = spool.Peek(3, 1 << 20);
        spool.Consume(batch.size());
        rows.insert(rows.end(), batch.begin(), batch.end());
    }
    return rows;
}

TEST(RowSpool, RecordsAreLengthChecksumAndSixLengthPrefixedTexts) {
    const HeldRow row{"s", "t", "", "fa", "se", std::string("m\0x", 3)};
    const std::string record = EncodeSpoolRecord(row);
    // Payload: 6 lengths of 4 bytes and 1+1+0+2+2+3 bytes of text.
    const std::string payload = std::string("\x01\0\0\0s\x01\0\0\0t\0\0\0\0\x02\0\0\0fa", 20) +
                                std::string("\x02\0\0\0se\x03\0\0\0m\0x", 13);
    ASSERT_EQ(record.size(), 8 + payload.size());
    EXPECT_EQ(record.substr(0, 4), std::string("\x21\0\0\0", 4));
    // CRC-32 (IEEE) of the payload, little-endian.
    EXPECT_EQ(record.substr(4, 4), std::string("\xe0\xd0\x2f\x1b", 4));
    EXPECT_EQ(record.substr(8), payload);
    HeldRow decoded;
    std::size_t size = 0;
    ASSERT_EQ(DecodeSpoolRecord(record, decoded, size), SpoolRecordState::kWhole);
    EXPECT_EQ(decoded, row);
    EXPECT_EQ(size, record.size());
    EXPECT_EQ(DecodeSpoolRecord(record.substr(0, record.size() - 1), decoded, size),
              SpoolRecordState::kIncomplete);
    std::string flipped = record;
    flipped[10] ^= 1;
    EXPECT_EQ(DecodeSpoolRecord(flipped, decoded, size), SpoolRecordState::kBroken);
}

TEST(RowSpool, RowsComeBackInOrderOnceAcrossReopeningsAndTheFileEmptiesWhenAllAreStored) {
    TempInstallation installation;
    const std::string path = RowSpoolPath(installation.LogFolder());
    {
        RowSpool spool(path, 1 << 20);
        EXPECT_EQ(spool.Open().rows, 0U);
        for (int n = 0; n < 7; ++n) {
            ASSERT_TRUE(spool.Append(Row(n)));
        }
        // Two stored before the program stops: the next start does not store them again.
        spool.Consume(spool.Peek(2, 1 << 20).size());
    }
    RowSpool spool(path, 1 << 20);
    const RowSpool::Found found = spool.Open();
    EXPECT_EQ(found.rows, 5U);
    // A second program of the installation does not get it.
    EXPECT_THROW(RowSpool(path, 1 << 20).Open(), std::system_error);
    EXPECT_EQ(found.brokenBytes, 0U);
    spool.Prepend(std::deque<HeldRow>{Row(100), Row(101)});
    const std::vector<HeldRow> rows = DrainAll(spool);
    const std::vector<HeldRow> expected{Row(100), Row(101), Row(2), Row(3), Row(4), Row(5), Row(6)};
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(std::filesystem::file_size(path), RowSpool::kHeaderSize);
    EXPECT_EQ(ReadWholeFile(path), std::string("TRVSPL01\x10\0\0\0\0\0\0\0", 16));
}

TEST(RowSpool, ACutTailIsLeftOutAndReportedAndTheLimitRefusesRowsBeyondIt) {
    TempInstallation installation;
    const std::string path = RowSpoolPath(installation.LogFolder());
    const std::size_t recordSize = EncodeSpoolRecord(Row(0)).size();
    {
        RowSpool spool(path, RowSpool::kHeaderSize + 3 * recordSize);
        spool.Open();
        for (int n = 0; n < 3; ++n) {
            ASSERT_TRUE(spool.Append(Row(n)));
        }
        EXPECT_FALSE(spool.Append(Row(3)));
        EXPECT_EQ(spool.Rows(), 3U);
    }
    // A crash in the middle of the third record.
    std::filesystem::resize_file(path, RowSpool::kHeaderSize + 2 * recordSize + 5);
    RowSpool spool(path, 1 << 20);
    const RowSpool::Found found = spool.Open();
    EXPECT_EQ(found.rows, 2U);
    EXPECT_EQ(found.brokenBytes, 5U);
    ASSERT_TRUE(spool.Append(Row(9)));
    const std::vector<HeldRow> expected{Row(0), Row(1), Row(9)};
    EXPECT_EQ(DrainAll(spool), expected);

    // A file that is no spool at all is set aside whole, never read as rows.
    const std::string otherPath = installation.LogFolder() + "other.spool";
    WriteWholeFile(otherPath, "not a spool");
    RowSpool other(otherPath, 1 << 20);
    EXPECT_EQ(other.Open().brokenBytes, 11U);
    EXPECT_TRUE(other.Empty());
    EXPECT_EQ(ReadWholeFile(otherPath + ".broken"), "not a spool");
}

}  // namespace
}  // namespace trevalon
