// Damaged camera files through the real binary: every sample and our own DNGs, cut at
// several lengths and with bytes flipped (fixed seed). No run may crash, hang or print a
// sanitizer report; each ends with its report line and a documented exit status.
#include "e2e/e2e_support.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>

namespace velmora::testing {
namespace {

struct Variant {
    std::string name;
    std::string bytes;
};

std::vector<Variant> DamagedVariants(const std::string& name, const std::string& bytes,
                                     std::mt19937& random) {
    std::vector<Variant> variants;
    for (double fraction : {0.02, 0.06, 0.125, 0.25, 0.33, 0.5, 0.66, 0.9}) {
        size_t length = static_cast<size_t>(bytes.size() * fraction);
        variants.push_back({"cut" + std::to_string(length) + "_" + name, bytes.substr(0, length)});
    }
    variants.push_back({"cutlast_" + name, bytes.substr(0, bytes.size() - 1)});
    for (int flips : {1, 2, 4, 8, 16, 64, 256, 512}) {
        std::string damaged = bytes;
        // The headers sit near the start; half the flips land in the first 64 KiB.
        for (int i = 0; i < flips; ++i) {
            size_t span = (i % 2 == 0) ? std::min<size_t>(damaged.size(), 65536) : damaged.size();
            damaged[random() % span] ^= static_cast<char>(1u << (random() % 8));
        }
        variants.push_back({"flip" + std::to_string(flips) + "_" + name, damaged});
    }
    return variants;
}

// What a cut file leaves unread comes out black, not as whatever an earlier buffer left in
// the heap: two runs give the same picture (each file has its own time and identity).
TEST(Sweep, ACutFileGivesTheSamePictureEveryTime) {
    VELMORA_REQUIRE_SAMPLES();
    TempFolder folder;
    RunOptions options;
    options.workFolder = folder.Path();
    std::string cut = SamplesFolder() + "bad/trunc_sony_slt-a55.arw";
    for (std::string name : {"first", "second"})
        ASSERT_EQ(RunProgram({"-q", "-i", cut, "-o", folder.Path(), "--raw-load-as=24",
                              "--filename-mask=" + name},
                             options)
                      .exitStatus,
                  0);
    Picture first = LoadWrittenTiff(folder / "first"), second = LoadWrittenTiff(folder / "second");
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(PixelBytes(first.get()) == PixelBytes(second.get()));
}

TEST(Sweep, DamagedFilesEndInAReportAndADocumentedStatus) {
    TempFolder folder;
    std::vector<std::pair<std::string, std::string>> sources;
    MakeSampleDng(folder / "ours.dng", {"--width=320", "--height=240"});
    MakeSampleDng(folder / "ours_raw.dng", {"--width=320", "--height=240", "--no-preview"});
    for (const char* name : {"ours.dng", "ours_raw.dng"})
        sources.emplace_back(name, ReadFile(folder / name));
    if (!SamplesFolder().empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(SamplesFolder())) {
            std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && !name.ends_with(".md"))
                sources.emplace_back(name, ReadFile(entry.path().string()));
        }
    }
    // The hostile samples also run as they are.
    std::vector<std::string> asTheyAre;
    if (!SamplesFolder().empty() && std::filesystem::is_directory(SamplesFolder() + "bad"))
        for (const auto& entry : std::filesystem::directory_iterator(SamplesFolder() + "bad"))
            asTheyAre.push_back(entry.path().string());
    std::mt19937 random(20261208);
    int runs = 0;
    // The output goes to a folder of its own, so a damaged file never meets a stale result.
    std::string out = folder / "out/";
    std::filesystem::create_directory(out);
    auto check = [&](const std::string& path, const std::string& shownName) {
        for (const char* mode : {"auto", "48"}) {
            std::string shown = shownName + " " + mode;
            RunOptions options;
            options.workFolder = folder.Path();
            options.timeoutSeconds = 120;
            RunResult result = RunProgram(
                {"-d", "-i", path, "-o", out, std::string("--raw-load-as=") + mode}, options);
            ++runs;
            EXPECT_EQ(result.signal, 0) << shown << " ended by signal " << result.signal;
            EXPECT_TRUE(result.exitStatus == 0 || result.exitStatus == 2)
                << shown << " status " << result.exitStatus;
            std::vector<std::string> lines = result.OutLines();
            ASSERT_FALSE(lines.empty()) << shown;
            if (result.exitStatus == 0) {
                EXPECT_EQ(lines.back(), "Files converted: 1 of 1") << shown;
                EXPECT_EQ(result.err, "") << shown;
            } else {
                // A name the converter does not take is refused before conversion starts;
                // a file that was tried says why on standard error.
                bool refused = lines.back() ==
                               "No input file(s) found. Please, add valid file(s) and try again!";
                std::string stopped =
                    refused && lines.size() > 1 ? lines[lines.size() - 2] : lines.back();
                EXPECT_EQ(stopped, "Conversion stopped") << shown;
                if (refused)
                    EXPECT_EQ(result.err, "") << shown;
                else
                    EXPECT_TRUE(result.err.starts_with("velmoracmd: " + path + ": ") &&
                                SplitLines(result.err).size() == 1)
                        << shown << ": " << result.err;
            }
            std::filesystem::remove_all(out);
            std::filesystem::create_directory(out);
        }
    };
    for (const std::string& path : asTheyAre)
        check(path, std::filesystem::path(path).filename().string());
    for (const auto& [name, bytes] : sources) {
        for (const Variant& variant : DamagedVariants(name, bytes, random)) {
            std::string path = folder / variant.name;
            WriteFile(path, variant.bytes);
            check(path, variant.name);
            std::filesystem::remove(path);
        }
    }
    RecordProperty("runs", runs);
}

} // namespace
} // namespace velmora::testing
