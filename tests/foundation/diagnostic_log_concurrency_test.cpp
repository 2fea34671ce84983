#include <sstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "foundation/diagnostic_log.h"
#include "tests/support/fixed_clock.h"
#include "tests/support/temp_installation.h"

namespace trevalon {
namespace {

using testing::FixedClock;
using testing::ReadWholeFile;
using testing::TempInstallation;

constexpr LocalTime kMorning{2009, 3, 14, 8, 0, 4};

TEST(DiagnosticLog, ConcurrentWritersNeverInterleave) {
    TempInstallation installation;
    FixedClock clock(kMorning);
    constexpr int kThreads = 8;
    constexpr int kLines = 10000;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            const std::string text = "writer " + std::to_string(t) + " " + std::string(60, 'x');
            for (int i = 0; i < kLines; ++i) {
                WriteDiagnostic(text, kLevelInfo);
            }
        });
    }
    for (auto& writer : writers) {
        writer.join();
    }
    std::istringstream content(ReadWholeFile(installation.LogFolder() + "system_2009-03-14.log"));
    std::vector<int> perWriter(kThreads, 0);
    int lines = 0;
    for (std::string line; std::getline(content, line); ++lines) {
        ASSERT_EQ(line.size(), 97u) << line;
        ASSERT_EQ(line.substr(0, 34), "2009-03-14 08:00:04 [INFO] writer ");
        ASSERT_EQ(line.back(), '\r');
        ++perWriter[static_cast<std::size_t>(line[34] - '0')];
    }
    EXPECT_EQ(lines, kThreads * kLines);
    for (int count : perWriter) {
        EXPECT_EQ(count, kLines);
    }
}

}  // namespace
}  // namespace trevalon
