#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/storage/syslog_text_file.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::FixedClock;
using testing::ReadWholeFile;
using testing::TempInstallation;

// Short datagram-sized messages from the UDP listener and long stream messages from TCP
// connections, far larger than one atomic write to a pipe or socket buffer.
struct Writer {
    std::string source;
    std::size_t contentSize;
    int lines;
};

std::string ContentOf(const Writer& writer, int sequence) {
    std::string content = std::to_string(sequence) + ":";
    content.resize(writer.contentSize, static_cast<char>('a' + writer.source.size() % 26));
    return content;
}

std::string PrefixOf(const Writer& writer) {
    return "2009-03-14 08:00:04 [" + writer.source + "] [Local Use Zero] [Notice] ";
}

TEST(SyslogTextFileConcurrency, EightWritersLeaveOnlyWholeLinesInOrder) {
    TempInstallation installation;
    const EngineSettings settings = installation.Settings();
    SyslogTextFile textFile;
    FixedClock clock({2009, 3, 14, 8, 0, 4});
    std::vector<Writer> writers;
    for (int i = 0; i < 4; ++i) {
        writers.push_back({"10.0.0." + std::to_string(i + 1), 200, 2000});
        writers.push_back(
            {"tcp-peer-" + std::string(static_cast<std::size_t>(i + 1), 'x'), 48 * 1024, 40});
    }
    std::vector<std::thread> threads;
    for (const Writer& writer : writers) {
        threads.emplace_back([&writer, &settings, &textFile] {
            SyslogRecord record;
            record.TimeStamp = "2009-03-14 08:00:04";
            record.Source = writer.source;
            record.FacilityName = "Local Use Zero";
            record.SeverityName = "Notice";
            for (int i = 0; i < writer.lines; ++i) {
                record.Content = ContentOf(writer, i);
                textFile.Append(settings, record);
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    std::istringstream file(ReadWholeFile(installation.LogFolder() + "syslog_2009-03-14.log"));
    std::vector<int> next(writers.size(), 0);
    int total = 0;
    for (std::string line; std::getline(file, line); ++total) {
        ASSERT_FALSE(line.empty());
        ASSERT_EQ(line.back(), '\r') << "line " << total;
        line.pop_back();
        bool known = false;
        for (std::size_t w = 0; w < writers.size() && !known; ++w) {
            const std::string prefix = PrefixOf(writers[w]);
            if (line.compare(0, prefix.size(), prefix) == 0) {
                ASSERT_EQ(line.substr(prefix.size()), ContentOf(writers[w], next[w]))
                    << "line " << total << " of " << writers[w].source;
                ++next[w];
                known = true;
            }
        }
        ASSERT_TRUE(known) << "line " << total << " begins " << line.substr(0, 60);
    }
    for (std::size_t w = 0; w < writers.size(); ++w) {
        EXPECT_EQ(next[w], writers[w].lines) << writers[w].source;
    }
}

}  // namespace
}  // namespace trevalon
