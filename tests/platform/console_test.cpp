#include "platform/console.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace velmora {
namespace {

const std::vector<std::string> kLines = {"Error: Incorrect number of parameters", "", " ",
                                         "caf\xC3\xA9 (c)"};

TEST(ConsoleTest, SinkReceivesEachLineWithoutLineEnd) {
    std::vector<std::string> seen;
    SetConsoleSinkForTesting([&](std::string_view line) { seen.emplace_back(line); });
    SetConsoleTitle("title never reaches the sink");
    for (const std::string& line : kLines)
        PrintLine(line);
    SetConsoleSinkForTesting({});
    EXPECT_EQ(seen, kLines);
}

TEST(ConsoleTest, StandardOutputGetsUtf8LinesEndingInLf) {
    testing::TempFolder folder;
    const std::string path = folder / "stdout";
    std::fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(file, 0);
    dup2(file, STDOUT_FILENO);
    close(file);
    for (const std::string& line : kLines)
        PrintLine(line);
    FlushConsole();
    dup2(saved, STDOUT_FILENO);
    close(saved);
    EXPECT_EQ(testing::ReadFile(path),
              "Error: Incorrect number of parameters\n\n \ncaf\xC3\xA9 (c)\n");
}

} // namespace
} // namespace velmora
