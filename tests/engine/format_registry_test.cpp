#include "engine/format_registry.h"

#include <FreeImage.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace velmora {
namespace {

struct OutputRow {
    const char* keyword;
    int fif;
    const char* extension;
    std::vector<int> allowed;
};

// The output formats with their FreeImage identifiers and the depths the product promises;
// the portable formats are written in their binary (RAW) flavour.
const OutputRow kOutputRows[] = {
    {"bmp", FIF_BMP, "bmp", {1, 4, 8, 16, 24, 32}},
    {"exr", FIF_EXR, "exr", {96}},
    {"gif", FIF_GIF, "gif", {8}},
    {"hdr", FIF_HDR, "hdr", {96}},
    {"ico", FIF_ICO, "ico", {1, 4, 8, 16, 24, 32}},
    {"j2k", FIF_J2K, "j2k", {8, 24, 32, 48}},
    {"jng", FIF_JNG, "jng", {24, 32}},
    {"jp2", FIF_JP2, "jp2", {8, 24, 32, 48}},
    {"jpg", FIF_JPEG, "jpg", {8, 24}},
    {"jxr", FIF_JXR, "jxr", {1, 8, 16, 24, 32, 48, 96}},
    {"pbm", FIF_PBMRAW, "pbm", {1}},
    {"pfm", FIF_PFM, "pfm", {96}},
    {"pgm", FIF_PGMRAW, "pgm", {8}},
    {"png", FIF_PNG, "png", {1, 4, 8, 24, 32, 48}},
    {"ppm", FIF_PPMRAW, "ppm", {24, 48}},
    {"tga", FIF_TARGA, "tga", {8, 16, 24, 32}},
    {"tiff", FIF_TIFF, "tiff", {1, 4, 8, 24, 32, 48, 96}},
    {"wbmp", FIF_WBMP, "wbmp", {1}},
    {"webp", FIF_WEBP, "webp", {24, 32}},
    {"xpm", FIF_XPM, "xpm", {24}},
};

TEST(OutputFormatTable, HoldsEveryFormatWithItsIdentifierAndExtension) {
    EXPECT_EQ(OutputFormatTable().size(), std::size(kOutputRows));
    for (const OutputRow& row : kOutputRows) {
        SCOPED_TRACE(row.keyword);
        const OutputFormat* format = FindOutputFormat(row.keyword);
        ASSERT_NE(format, nullptr);
        EXPECT_EQ(format->fif, row.fif);
        EXPECT_EQ(format->extension, row.extension);
        EXPECT_EQ(AllowedDepths(row.keyword), row.allowed);
    }
}

// Every output row: each allowed depth valid, 0 valid, every other depth refused.
TEST(IsValidBpp, FollowsEachFormatsAllowedList) {
    const int kProbes[] = {-8, -1, 1, 2, 4, 8, 12, 15, 16, 24, 32, 48, 64, 96, 128};
    for (const OutputRow& row : kOutputRows) {
        SCOPED_TRACE(row.keyword);
        EXPECT_TRUE(IsValidBpp(row.keyword, 0));
        for (int depth : kProbes) {
            bool listed =
                std::find(row.allowed.begin(), row.allowed.end(), depth) != row.allowed.end();
            EXPECT_EQ(IsValidBpp(row.keyword, depth), listed) << "depth " << depth;
        }
    }
}

TEST(IsValidBpp, NamedCases) {
    struct Case {
        const char* format;
        int depth;
        bool valid;
    };
    const Case cases[] = {
        {"tiff", 0, true},   {"tiff", 1, true},   {"tiff", 4, true},   {"tiff", 8, true},
        {"tiff", 24, true},  {"tiff", 32, true},  {"tiff", 48, true},  {"tiff", 96, true},
        {"tiff", 16, false}, {"tiff", 64, false}, {"gif", 0, true},    {"gif", 8, true},
        {"gif", 1, false},   {"gif", 24, false},  {"nosuch", 0, true}, {"nosuch", 8, false},
        {"TIFF", 24, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsValidBpp(c.format, c.depth), c.valid) << c.format << " " << c.depth;
}

TEST(InputFormatTable, HoldsEightyTwoDistinctExtensions) {
    std::set<std::string> extensions;
    for (const InputFormat& entry : InputFormatTable())
        extensions.emplace(entry.extension);
    EXPECT_EQ(InputFormatTable().size(), 82u);
    EXPECT_EQ(extensions.size(), 82u);
}

TEST(InputFormatTable, AliasesTakeTheGroupAndDescriptionOfTheirRow) {
    struct Case {
        const char* extension;
        const char* group;
        const char* description;
    };
    const Case cases[] = {
        {"dib", "bmp", "Windows or OS/2 Bitmap"},     {"jif", "jpg", "JPEG File"},
        {"ppcd", "pcd", "Kodak PhotoCD File"},        {"pct", "pic", "Macintosh PICT"},
        {"tif", "tiff", "Tagged Image File Format"},  {"wmz", "wmf", "Windows Metafile Format"},
        {"apm", "wmf", "Aldus Placeable Metafile"},   {"raw2", "raw", "Camera RAW Image"},
        {"eip", "raw", "Phase One Camera RAW Image"}, {"crw", "raw", "Canon Camera RAW Image"},
        {"dcs", "raw", "Kodak Camera RAW Image"},     {"ptx", "raw", "Pentax Camera RAW Image"},
        {"rwl", "raw", "Leica Camera RAW Image"},     {"cr3", "raw", "Canon Camera RAW Image"},
        {"srw", "raw", "Samsung Camera RAW Image"},   {"arq", "raw", "Sony Camera RAW Image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        const InputFormat* entry = FindInputFormat(c.extension);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->group, c.group);
        EXPECT_EQ(entry->description, c.description);
    }
    EXPECT_EQ(FindInputFormat("TIF"), nullptr);
    EXPECT_EQ(FindInputFormat("xyz"), nullptr);
}

TEST(AcceptedInputExtensions, AreTheFiftyOneRawExtensions) {
    RebuildAcceptedInputExtensions();
    const std::vector<std::string>& accepted = AcceptedInputExtensions();
    std::set<std::string> distinct(accepted.begin(), accepted.end());
    EXPECT_EQ(accepted.size(), 51u);
    EXPECT_EQ(distinct.size(), 51u);
    for (const std::string& extension : accepted) {
        const InputFormat* entry = FindInputFormat(extension);
        ASSERT_NE(entry, nullptr) << extension;
        EXPECT_EQ(entry->group, "raw") << extension;
    }
}

TEST(IsAcceptedExtension, ComparesExactlyAgainstRawExtensions) {
    RebuildAcceptedInputExtensions();
    struct Case {
        const char* extension;
        bool accepted;
    };
    const Case cases[] = {
        {"cr2", true},  {"CR2", false}, {"nef", true},  {"raw", true},   {"raw1", true},
        {"3fr", true},  {"r3d", true},  {"tif", false}, {"tiff", false}, {"jpg", false},
        {"txt", false}, {"", false},    {"cr", false},  {"cr2 ", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsAcceptedExtension(c.extension), c.accepted) << '"' << c.extension << '"';
}

TEST(IsEnabledOutput, OnlyLowerCaseTiff) {
    struct Case {
        const char* keyword;
        bool enabled;
    };
    const Case cases[] = {{"tiff", true}, {"TIFF", false}, {"Tiff", false},
                          {"tif", false}, {"jpg", false},  {"", false}};
    for (const Case& c : cases)
        EXPECT_EQ(IsEnabledOutput(c.keyword), c.enabled) << '"' << c.keyword << '"';
}

} // namespace
} // namespace velmora
