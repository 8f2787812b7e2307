// Conversions through the real binary: report lines, written files read back with
// libtiff, hostile inputs, and nothing lost when a save fails or is interrupted.
#include "e2e/e2e_support.h"
#include "e2e/tiff_reader.h"
#include "support/pictures.h"

#include <gtest/gtest.h>

#include <FreeImage.h>
#include <tiff.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>

namespace velmora::testing {
namespace {

std::vector<std::string> SuccessLines(const std::string& imported = "1") {
    return Concat(kBanner,
                  {"Preparing...", "Importing...", "Import complete, new files added: " + imported,
                   "Converting...", "Conversion complete", "Files converted: 1 of 1"});
}

bool HasPartFiles(const std::string& folder) {
    bool found = false;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            found |= std::string_view(entry->d_name).ends_with(".part");
        closedir(dir);
    }
    return found;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class Conversion : public ::testing::Test {
protected:
    void SetUp() override { MakeSampleDng(folder / "sample.dng", {"--width=96", "--height=64"}); }
    RunResult Run(const std::vector<std::string>& arguments, long fileSizeLimit = -1) {
        RunOptions options;
        options.workFolder = folder.Path();
        options.fileSizeLimit = fileSizeLimit;
        return RunProgram(arguments, options);
    }
    TempFolder folder;
};

TEST_F(Conversion, BareInputNameIsWrittenNextToIt) {
    RunResult result = Run({"-i", "sample.dng"});
    EXPECT_EQ(result.OutLines(), SuccessLines());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    auto facts = ReadTiffFacts(folder / "sample.tiff");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->bitsPerSample * facts->samplesPerPixel, 24u);
    EXPECT_EQ(facts->compression, 1u);
    EXPECT_FALSE(HasPartFiles(folder.Path()));
}

TEST_F(Conversion, DebugListingAndReportLines) {
    RunResult result = Run({"-d", "-q", "-i", "sample.dng", "-o", folder.Path()});
    std::vector<std::string> lines = result.OutLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "Input: sample.dng");
    EXPECT_TRUE(Contains(lines, "Output: " + folder.Path()));
    EXPECT_TRUE(Contains(lines, "Processing: sample.dng"));
    EXPECT_TRUE(Contains(lines, "File Format: TIFF (LE)"));
    EXPECT_EQ(lines.back(), "[OK] Saving As: " + folder.Path() + "sample.tiff");
    EXPECT_EQ(result.exitStatus, 0);
}

TEST_F(Conversion, TiffOptionsReachTheFile) {
    struct Case {
        std::vector<std::string> options;
        unsigned compression, bitsPerSample, samplesPerPixel, photometric;
    };
    const Case cases[] = {
        {{}, COMPRESSION_NONE, 8, 3, PHOTOMETRIC_RGB},
        {{"--tiff-compression=lzw"}, COMPRESSION_LZW, 8, 3, PHOTOMETRIC_RGB},
        {{"--tiff-compression=PACKBITS"}, COMPRESSION_PACKBITS, 8, 3, PHOTOMETRIC_RGB},
        {{"--tiff-compression=deflate"}, COMPRESSION_DEFLATE, 8, 3, PHOTOMETRIC_RGB},
        {{"--tiff-compression=adobedeflate"}, COMPRESSION_ADOBE_DEFLATE, 8, 3, PHOTOMETRIC_RGB},
        {{"--tiff-bpp=8"}, COMPRESSION_NONE, 8, 1, PHOTOMETRIC_PALETTE},
        {{"--tiff-bpp=32"}, COMPRESSION_NONE, 8, 4, PHOTOMETRIC_RGB},
        {{"--tiff-bpp=48"}, COMPRESSION_NONE, 16, 3, PHOTOMETRIC_RGB},
        {{"--tiff-bpp=1"}, COMPRESSION_NONE, 1, 1, PHOTOMETRIC_MINISBLACK},
        {{"--raw-load-as=48"}, COMPRESSION_NONE, 16, 3, PHOTOMETRIC_RGB},
        {{"--raw-load-as=48hs", "--raw-tone-mapping=linear"},
         COMPRESSION_NONE,
         16,
         3,
         PHOTOMETRIC_RGB},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"-q", "-i", "sample.dng"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        std::string shown = ::testing::PrintToString(c.options);
        RunResult result = Run(arguments);
        ASSERT_EQ(result.exitStatus, 0) << shown << result.out;
        auto facts = ReadTiffFacts(folder / "sample.tiff");
        ASSERT_TRUE(facts) << shown;
        EXPECT_EQ(facts->compression, c.compression) << shown;
        EXPECT_EQ(facts->bitsPerSample, c.bitsPerSample) << shown;
        EXPECT_EQ(facts->samplesPerPixel, c.samplesPerPixel) << shown;
        if (c.photometric == PHOTOMETRIC_MINISBLACK)
            EXPECT_TRUE(facts->photometric <= PHOTOMETRIC_MINISBLACK) << shown;
        else
            EXPECT_EQ(facts->photometric, c.photometric) << shown;
    }
}

TEST_F(Conversion, ResolutionComesFromTheSourceExif) {
    MakeSampleDng(folder / "res.dng", {"--width=96", "--height=64", "--dpi=240"});
    ASSERT_EQ(Run({"-q", "-i", "res.dng"}).exitStatus, 0);
    auto facts = ReadTiffFacts(folder / "res.tiff");
    ASSERT_TRUE(facts);
    // 240 dots per inch travel as dots per metre and come back within rounding.
    double dpi = facts->resolutionUnit == RESUNIT_CENTIMETER ? facts->xResolution * 2.54
                                                             : facts->xResolution;
    EXPECT_NEAR(dpi, 240.0, 0.05);
}

TEST_F(Conversion, NameMaskSubfoldersAndOverwrite) {
    ASSERT_EQ(
        Run({"-q", "-i", "sample.dng", "--filename-mask=Photo-%FILENAME[U]%-%n%.%EXT%"}).exitStatus,
        0);
    EXPECT_TRUE(FileExists(folder / "photo-SAMPLE-00001.tiff"));
    // A second run with the same name replaces the first file.
    WriteFile(folder / "sample.tiff", "old content");
    ASSERT_EQ(Run({"-q", "-i", "sample.dng"}).exitStatus, 0);
    EXPECT_NE(ReadFile(folder / "sample.tiff"), "old content");
    EXPECT_TRUE(ReadTiffFacts(folder / "sample.tiff"));
}

TEST_F(Conversion, AMaskNamingTheInputNeverReplacesIt) {
    std::string before = ReadFile(folder / "sample.dng");
    RunResult result = Run({"-d", "-q", "-i", "sample.dng", "--filename-mask=%filename%.dng"});
    EXPECT_EQ(result.OutLines().back(), "Conversion stopped");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(ReadFile(folder / "sample.dng"), before);
}

TEST_F(Conversion, OutputDates) {
    struct stat input;
    ASSERT_EQ(stat((folder / "sample.dng").c_str(), &input), 0);
    struct timespec old[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, (folder / "sample.dng").c_str(), old, 0), 0);

    struct Case {
        std::vector<std::string> options;
        time_t expected; // 0: the time of the run
    };
    const Case cases[] = {
        {{"--file-timestamp=original"}, 1000000000},
        {{"--file-timestamp=custom", "--file-timestamp-custom=1500000000"}, 1500000000},
        {{}, 0}};
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"-q", "-i", "sample.dng"};
        arguments.insert(arguments.end(), c.options.begin(), c.options.end());
        time_t started = time(nullptr);
        ASSERT_EQ(Run(arguments).exitStatus, 0);
        struct stat output;
        ASSERT_EQ(stat((folder / "sample.tiff").c_str(), &output), 0);
        if (c.expected)
            EXPECT_EQ(output.st_mtim.tv_sec, c.expected);
        else
            EXPECT_GE(output.st_mtim.tv_sec, started - 1);
    }
}

TEST_F(Conversion, AFailedSaveKeepsTheEarlierFile) {
    WriteFile(folder / "sample.tiff", "the earlier output");
    RunResult result = Run({"-d", "-q", "-i", "sample.dng"}, 4096);
    std::vector<std::string> lines = result.OutLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "[ERROR] Unable to convert the file!");
    EXPECT_EQ(lines.back(), "Conversion stopped");
    EXPECT_EQ(result.exitStatus, 2);
    EXPECT_EQ(ReadFile(folder / "sample.tiff"), "the earlier output");
    EXPECT_FALSE(HasPartFiles(folder.Path()));
}

// Any name the folder takes saves beside the input, 250 bytes and "\" (not a separator) too.
TEST_F(Conversion, LongAndOddNamesSaveBesideTheInput) {
    std::string cjk;
    for (int i = 0; i < 83; ++i)
        cjk += "\xE5\x86\x99";
    for (const std::string& base : {std::string(250, 'n'), cjk, std::string("back\\slash")}) {
        WriteFile(folder / (base + ".dng"), ReadFile(folder / "sample.dng"));
        EXPECT_EQ(Run({"-q", "-i", base + ".dng"}).exitStatus, 0) << base;
        EXPECT_TRUE(ReadTiffFacts(folder / (base + ".tiff"))) << base;
    }
}

TEST_F(Conversion, AnUnwritableOutputFolderConvertsNothing) {
    // /proc exists but takes no new files, whoever runs the test.
    RunResult result = Run({"-d", "-q", "-i", "sample.dng", "-o", "/proc"});
    std::vector<std::string> lines = result.OutLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "[ERROR] Unable to convert the file!");
    EXPECT_EQ(lines.back(), "Conversion stopped");
    EXPECT_EQ(result.exitStatus, 2);
}

// Converts input into out.tiff with a save that keeps its temporary file for a while.
StartedProgram StartSave(const TempFolder& folder, const std::string& input) {
    RunOptions options{folder.Path(), {}, {}, -1, 120};
    return StartProgram({"-q", "-i", input, "--filename-mask=out.tiff", "--raw-load-as=48",
                         "--raw-tone-mapping=none", "--tiff-compression=deflate"},
                        options);
}

// Waits until the save's temporary file exists; false when the program ended first.
bool WaitForPartFile(const StartedProgram& program) {
    while (!HasPartFiles(program.workFolder)) {
        siginfo_t ended{};
        waitid(P_PID, static_cast<id_t>(program.pid), &ended, WEXITED | WNOHANG | WNOWAIT);
        if (ended.si_pid != 0)
            return false;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
}

TEST_F(Conversion, TerminationSignalsRemoveTheTemporaryFileAndKeepTheEarlierOne) {
    MakeSampleDng(folder / "large.dng", {"--width=3000", "--height=2000"});
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        WriteFile(folder / "out.tiff", "the earlier output");
        StartedProgram program = StartSave(folder, "large.dng");
        ASSERT_TRUE(WaitForPartFile(program)) << signal;
        kill(program.pid, signal);
        EXPECT_EQ(FinishProgram(program).signal, signal) << "a shell shows 128 + the signal";
        EXPECT_EQ(ReadFile(folder / "out.tiff"), "the earlier output") << signal;
        EXPECT_FALSE(HasPartFiles(folder.Path())) << signal;
    }
}

// SIGKILL may leave a ".part" file, never a partial target. The kills spread over one whole
// run, timed first, so they fall in the decoding, the save and after it on any build.
TEST_F(Conversion, KillsAtRandomMomentsLeaveTheEarlierOrTheWholeNewFile) {
    MakeSampleDng(folder / "small.dng", {"--width=1200", "--height=800"});
    auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(FinishProgram(StartSave(folder, "small.dng")).exitStatus, 0);
    auto wholeRun = std::chrono::steady_clock::now() - started;
    ASSERT_TRUE(ReadTiffFacts(folder / "out.tiff"));
    // The picture is reproducible; the file's time and identity are its own.
    const std::string complete = PixelBytes(LoadWrittenTiff(folder / "out.tiff").get());
    std::mt19937 random(14);
    int kept = 0, replaced = 0, leftovers = 0;
    for (int run = 0; run < 30; ++run) {
        WriteFile(folder / "out.tiff", "the earlier output");
        StartedProgram program = StartSave(folder, "small.dng");
        if (run % 3 == 2) // every third kill waits for the temporary file first
            WaitForPartFile(program);
        std::this_thread::sleep_for(wholeRun * static_cast<int>(random() % 1200) / 1000);
        kill(program.pid, SIGKILL);
        FinishProgram(program);
        bool earlier = ReadFile(folder / "out.tiff") == "the earlier output";
        Picture written = earlier ? nullptr : LoadWrittenTiff(folder / "out.tiff");
        bool whole = written && PixelBytes(written.get()) == complete;
        EXPECT_TRUE(earlier || whole) << "run " << run;
        ++(whole ? replaced : kept);
        leftovers += std::system(("rm " + folder.Path() + ".*.part 2>/dev/null").c_str()) == 0;
    }
    std::printf("30 kills: %d kept the earlier file, %d left the whole new one, %d a .part file\n",
                kept, replaced, leftovers);
}

// A JPEG named as a camera file, stored sideways with EXIF orientation 6.
std::string JpegWithOrientation(int width, int height, uint16_t orientation) {
    FIBITMAP* bitmap = FreeImage_Allocate(width, height, 24);
    for (int y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(bitmap, y);
        for (int x = 0; x < width; ++x) {
            row[x * 3 + FI_RGBA_RED] = x < width / 2 ? 255 : 0;
            row[x * 3 + FI_RGBA_GREEN] = 0;
            row[x * 3 + FI_RGBA_BLUE] = x < width / 2 ? 0 : 255;
        }
    }
    FIMEMORY* memory = FreeImage_OpenMemory();
    FreeImage_SaveToMemory(FIF_JPEG, bitmap, memory, 95);
    BYTE* data = nullptr;
    DWORD size = 0;
    FreeImage_AcquireMemory(memory, &data, &size);
    std::string jpeg(reinterpret_cast<char*>(data), size);
    FreeImage_CloseMemory(memory);
    FreeImage_Unload(bitmap);
    // APP1 "Exif": a little-endian TIFF header and one IFD entry, Orientation.
    std::string tiff("II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 18);
    tiff += static_cast<char>(orientation & 0xFF);
    tiff += static_cast<char>(orientation >> 8);
    tiff += std::string("\0\0\0\0\0\0", 6);
    std::string payload = std::string("Exif\0\0", 6) + tiff;
    size_t length = payload.size() + 2;
    std::string segment = "\xFF\xE1";
    segment += static_cast<char>(length >> 8);
    segment += static_cast<char>(length & 0xFF);
    return jpeg.substr(0, 2) + segment + payload + jpeg.substr(2);
}

TEST_F(Conversion, AJpegNamedAsCameraFileIsTurnedByItsOrientation) {
    WriteFile(folder / "phone.cr2", JpegWithOrientation(80, 40, 6));
    RunResult result = Run({"-q", "-d", "-i", "phone.cr2"});
    EXPECT_TRUE(Contains(result.OutLines(), "File Format: JPEG/EXIF")) << result.out;
    ASSERT_EQ(result.exitStatus, 0) << result.out;
    auto facts = ReadTiffFacts(folder / "phone.tiff");
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->width, 40u);
    EXPECT_EQ(facts->height, 80u);
}

TEST_F(Conversion, HostileInputsEndInAClearReport) {
    std::mt19937 random(7);
    std::string noise(5000, '\0');
    for (char& byte : noise)
        byte = static_cast<char>(random());
    WriteFile(folder / "noise.nef", noise);
    std::string dng = ReadFile(folder / "sample.dng");
    WriteFile(folder / "cut.dng", dng.substr(0, dng.size() / 3));
    WriteFile(folder / "list.txt", "sample.dng\n");
    for (const char* name : {"noise.nef", "cut.dng"}) {
        RunResult result = Run({"-i", name, "-d", "--raw-load-as=48"});
        std::vector<std::string> lines = result.OutLines();
        ASSERT_GE(lines.size(), 2u) << name;
        EXPECT_EQ(lines[lines.size() - 2], "[ERROR] Unable to convert the file!") << name;
        EXPECT_EQ(lines.back(), "Conversion stopped") << name;
        EXPECT_EQ(result.exitStatus, 2) << name;
        EXPECT_EQ(result.signal, 0) << name;
    }
    RunResult list = Run({"-q", "-i", "list.txt"});
    EXPECT_EQ(list.OutLines(),
              (std::vector<std::string>{
                  "Conversion stopped",
                  "No input file(s) found. Please, add valid file(s) and try again!"}));
    EXPECT_EQ(list.exitStatus, 2);
}

// Every camera file of the samples folder converts in every RAW load mode, and the
// debug report names its kind.
TEST_F(Conversion, CameraSamplesInEveryLoadMode) {
    VELMORA_REQUIRE_SAMPLES();
    struct Sample {
        const char* name;
        const char* kind;
    };
    const Sample samples[] = {
        {"canon_eos_d30.crw", "[ERROR] UNRECOGNIZED"},
        {"canon_powershot_g2.crw", "[ERROR] UNRECOGNIZED"},
        {"dngconv_canon_eos6d_lossy.dng", "TIFF (LE)"},
        {"dngconv_nikon_d500_lossy.dng", "TIFF (LE)"},
        {"kodak_c330_yrgb.raw", "[ERROR] UNRECOGNIZED"},
        {"kodak_dc50.kdc", "TIFF (BE)"},
    };
    struct Mode {
        const char* word;
        unsigned bitsPerSample;
    };
    const Mode modes[] = {{"auto", 8}, {"24", 8}, {"48hs", 16}, {"48", 16}};
    for (const Sample& sample : samples) {
        for (const Mode& mode : modes) {
            std::string shown = std::string(sample.name) + " " + mode.word;
            RunResult result =
                Run({"-q", "-d", "-i", SamplePath(sample.name), "-o", folder.Path(),
                     std::string("--raw-load-as=") + mode.word, "--raw-tone-mapping=none"});
            std::vector<std::string> lines = result.OutLines();
            EXPECT_TRUE(Contains(lines, std::string("File Format: ") + sample.kind)) << shown;
            ASSERT_EQ(result.exitStatus, 0) << shown << result.out;
            std::string name = sample.name;
            std::string output = folder / (name.substr(0, name.rfind('.')) + ".tiff");
            auto facts = ReadTiffFacts(output);
            ASSERT_TRUE(facts) << shown;
            EXPECT_EQ(facts->bitsPerSample, mode.bitsPerSample) << shown;
            EXPECT_GT(facts->width, 0u) << shown;
        }
    }
}

// Every compression the strip writer takes, at 8 and 16 bits per channel, decodes to the
// pixels of the uncompressed file and carries the same tags: on two threads for every
// sample, and on one as well for our own DNG.
TEST_F(Conversion, CompressedStripsDecodeToTheUncompressedPixels) {
    std::vector<std::string> inputs = {"sample.dng"};
    if (!SamplesFolder().empty())
        for (const auto& entry : std::filesystem::directory_iterator(SamplesFolder()))
            if (entry.is_regular_file() && entry.path().extension() != ".md")
                inputs.push_back(entry.path().string());
    for (const std::string& input : inputs) {
        for (const char* depth : {"24", "48"}) {
            auto convert = [&](const char* compression, const char* threads) {
                std::string name = std::string(compression) + depth + "-" + threads + ".tiff";
                RunResult result =
                    Run({"-q", "-i", input, "-o", folder.Path(), "--raw-load-as=48hs",
                         "--raw-tone-mapping=none", std::string("--tiff-bpp=") + depth,
                         std::string("--tiff-compression=") + compression,
                         std::string("--threads=") + threads, "--filename-mask=" + name});
                EXPECT_EQ(result.exitStatus, 0) << input << " " << name << result.err;
                return folder / name;
            };
            const std::string plain = convert("none", "1");
            const std::string pixels = ReadTiffPixels(plain);
            std::set<unsigned> tags = ReadTiffTags(plain);
            ASSERT_FALSE(pixels.empty()) << input;
            tags.insert(TIFFTAG_PREDICTOR);
            for (const char* compression : {"lzw", "deflate", "adobedeflate", "packbits"}) {
                for (const char* threads : {"2", "1"}) {
                    if (*threads == '1' && input != "sample.dng")
                        continue;
                    SCOPED_TRACE(input + " " + compression + " " + depth + " bits, threads " +
                                 threads);
                    const std::string packed = convert(compression, threads);
                    EXPECT_TRUE(ReadTiffPixels(packed) == pixels);
                    std::set<unsigned> packedTags = ReadTiffTags(packed);
                    packedTags.insert(TIFFTAG_PREDICTOR); // packbits has none
                    EXPECT_EQ(packedTags, tags);
                    std::filesystem::remove(packed);
                }
            }
        }
    }
    EXPECT_FALSE(HasPartFiles(folder.Path()));
}

} // namespace
} // namespace velmora::testing
