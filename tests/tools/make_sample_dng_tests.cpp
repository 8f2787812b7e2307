// The make-sample-dng command, run as a user would.
#include "dng/dng_writer.h"
#include "support/test_support.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace velmora::dng {
namespace {

using velmora::testing::ReadFile;
using velmora::testing::TempFolder;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

Outcome RunCommand(const TempFolder& folder, const std::vector<std::string>& arguments) {
    std::string command = Quoted(velmora::testing::BinaryFolder() + "make-sample-dng");
    for (const std::string& argument : arguments)
        command += " " + Quoted(argument);
    command += " >" + Quoted(folder / "stdout") + " 2>" + Quoted(folder / "stderr") + " </dev/null";
    const int raw = std::system(command.c_str());
    Outcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.out = ReadFile(folder / "stdout");
    outcome.err = ReadFile(folder / "stderr");
    return outcome;
}

struct Loaded {
    unsigned width = 0, height = 0;
    double xResolution = -1;
};

Loaded LoadHalfSize(const std::string& path) {
    Loaded loaded;
    FIBITMAP* bitmap = FreeImage_Load(FIF_RAW, path.c_str(), RAW_HALFSIZE);
    if (!bitmap)
        return loaded;
    loaded.width = FreeImage_GetWidth(bitmap);
    loaded.height = FreeImage_GetHeight(bitmap);
    FITAG* tag = nullptr;
    if (FreeImage_GetMetadata(FIMD_EXIF_MAIN, bitmap, "XResolution", &tag)) {
        const auto* value = static_cast<const DWORD*>(FreeImage_GetTagValue(tag));
        loaded.xResolution = static_cast<double>(value[0]) / value[1];
    }
    FreeImage_Unload(bitmap);
    return loaded;
}

TEST(MakeSampleDng, WritesQuietlyWhatTheOptionsAsk) {
    TempFolder folder;
    const std::string path = folder / "out.dng";
    const Outcome outcome = RunCommand(folder, {"--width=320", "--height=240", "--dpi=96", path});
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out, "");
    EXPECT_EQ(outcome.err, "");
    const Loaded loaded = LoadHalfSize(path);
    EXPECT_EQ(loaded.width, 160u);
    EXPECT_EQ(loaded.height, 120u);
    EXPECT_DOUBLE_EQ(loaded.xResolution, 96);
}

TEST(MakeSampleDng, MatchesTheLibraryAndHonoursSeedAndNoPreview) {
    TempFolder folder;
    struct Case {
        std::vector<std::string> arguments;
        DngOptions options;
    };
    DngOptions seeded, bare, big;
    seeded.seed = 42;
    bare.embedPreview = false;
    big.width = 6000;
    big.height = 4000;
    const Case cases[] = {{{}, DngOptions{}},
                          {{"--seed=42"}, seeded},
                          {{"--no-preview"}, bare},
                          {{"--width=6000", "--height=4000"}, big}};
    for (const Case& c : cases) {
        std::vector<std::string> arguments = c.arguments;
        arguments.push_back(folder / "out.dng");
        const Outcome outcome = RunCommand(folder, arguments);
        ASSERT_EQ(outcome.status, 0) << outcome.err;
        EXPECT_TRUE(ReadFile(folder / "out.dng") == BuildDng(c.options))
            << "arguments: " << c.arguments.size();
    }
}

TEST(MakeSampleDng, FailsWithOneLineOnBadInput) {
    TempFolder folder;
    const std::string out = folder / "out.dng";
    const std::vector<std::vector<std::string>> cases = {
        {"--width=abc", out},
        {"--width=12x", out},
        {"--width=33", out},
        {"--height=", out},
        {"--dpi=-3", out},
        {"--seed=-1", out},
        {"--colour", out},
        {},
        {out, folder / "second.dng"},
        {folder / "no/such/folder/out.dng"},
    };
    for (const auto& arguments : cases) {
        const Outcome outcome = RunCommand(folder, arguments);
        const std::string what = arguments.empty() ? "(none)" : arguments.front();
        EXPECT_EQ(outcome.status, 1) << what;
        EXPECT_EQ(outcome.out, "") << what;
        ASSERT_FALSE(outcome.err.empty()) << what;
        EXPECT_EQ(outcome.err.find('\n'), outcome.err.size() - 1) << what << ": " << outcome.err;
        EXPECT_FALSE(velmora::testing::FileExists(out)) << what;
    }
}

} // namespace
} // namespace velmora::dng
