// Damaged camera files through the real binary: every sample and our own DNGs, cut at
// several lengths and with bytes flipped (fixed seed). No run may crash, hang or print a
// sanitizer report; each ends with its report line and a documented exit status.
#include "e2e/e2e_support.h"

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
    for (double fraction : {0.02, 0.125, 0.33, 0.66}) {
        size_t length = static_cast<size_t>(bytes.size() * fraction);
        variants.push_back({"cut" + std::to_string(length) + "_" + name, bytes.substr(0, length)});
    }
    variants.push_back({"cutlast_" + name, bytes.substr(0, bytes.size() - 1)});
    for (int flips : {1, 8, 64, 512}) {
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
    std::mt19937 random(20261208);
    int runs = 0;
    for (const auto& [name, bytes] : sources) {
        for (const Variant& variant : DamagedVariants(name, bytes, random)) {
            std::string path = folder / variant.name;
            WriteFile(path, variant.bytes);
            for (const char* mode : {"auto", "48"}) {
                std::string shown = variant.name + " " + mode;
                RunOptions options;
                options.workFolder = folder.Path();
                options.timeoutSeconds = 120;
                RunResult result =
                    RunProgram({"-d", "-i", path, std::string("--raw-load-as=") + mode}, options);
                ++runs;
                EXPECT_EQ(result.signal, 0) << shown << " ended by signal " << result.signal;
                EXPECT_TRUE(result.exitStatus == 0 || result.exitStatus == 2)
                    << shown << " status " << result.exitStatus;
                EXPECT_EQ(result.err, "") << shown;
                std::vector<std::string> lines = result.OutLines();
                ASSERT_FALSE(lines.empty()) << shown;
                const std::string expected =
                    result.exitStatus == 0 ? "Files converted: 1 of 1" : "Conversion stopped";
                EXPECT_EQ(lines.back(), expected) << shown;
            }
            std::filesystem::remove(path);
            std::filesystem::remove(folder /
                                    (variant.name.substr(0, variant.name.rfind('.')) + ".tiff"));
        }
    }
    RecordProperty("runs", runs);
}

} // namespace
} // namespace velmora::testing
