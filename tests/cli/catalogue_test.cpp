#include "cli/catalogue/catalogue.h"
#include "cli/catalogue/fill_template.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

struct Row {
    const char* group;
    const char* key;
    const char* text;
};

// Texts the interface and the batch driver depend on word for word.
const Row kFixedTexts[] = {
    {"General", "Input File", "Input File:"},
    {"General", "Input Files", "Input Files:"},
    {"General", "Filename", "Filename"},
    {"General", "Output Folder", "Output Folder:"},
    {"General", "Output Format", "Output Format:"},
    {"General", "Convert", "Convert"},
    {"General", "Ready", "Ready"},
    {"General", "Preparing", "Preparing..."},
    {"General", "Importing", "Importing..."},
    {"General", "Converting", "Converting..."},
    {"Msg", "Error", "Error"},
    {"Msg", "Warning", "Warning"},
    {"Msg", "Insufficient memory", "Insufficient Memory"},
    {"Msg", "Unable to open file", "Unable to open the file: %s1%!"},
    {"Msg", "Unable to save file", "Unable to save the file: %s1%!"},
    {"Msg", "Empty input files",
     "No input file(s) found. Please, add valid file(s) and try again!"},
    {"Msg", "Empty input folder",
     "The input folder's field is empty. Please, check the existed input folder and try again!"},
    {"Msg", "Invalid input folder",
     "The following input folder is invalid or doesn't exist:\r\n%s1%\r\n\r\nPlease, correct "
     "the input path and try again!"},
    {"Msg", "Empty output folder",
     "The output folder's field is empty. Please, select existed output folder and try again!"},
    {"Msg", "Invalid output folder",
     "The following output folder is invalid or doesn't exist:\r\n%s1%\r\n\r\nPlease, correct "
     "the output path and try again!"},
    {"Msg", "Invalid width", "Invalid resize width value!"},
    {"Msg", "Invalid height", "Invalid resize height value!"},
    {"Msg", "Invalid conversion type", "Invalid conversion type!"},
    {"Msg", "Invalid watermark font", "Unable to load selected font for a watermark: %s1%"},
    {"Msg", "Empty watermark image", "Selected watermark image is invalid/empty!"},
    {"Msg", "Invalid watermark image", "Unable to load selected file as a watermark image: %s1%"},
    {"Msg", "Import complete", "Import complete, new files added: %s1%"},
    {"Msg", "Import is not complete", "Import stopped"},
    {"Msg", "Export complete", "Export complete, entries saved: %s1%"},
    {"Msg", "Export is not complete", "Export stopped"},
    {"Msg", "Conversion complete", "Conversion complete"},
    {"Msg", "Conversion is not complete", "Conversion stopped"},
    {"Msg", "Progress", "(%s1%/%s2%)"},
    {"Msg", "Files converted", "Files converted: %s1% of %s2%"},
    {"Msg", "New Update", "New Update"},
    {"Msg", "New Update Text",
     "A new version of Corvanta ZUV iv EDAZ is available! Are you ready to download it right "
     "now?"},
    {"Msg", "No Update", "No Update"},
    {"Msg", "No Update Text",
     "There is no update of Corvanta ZUV iv EDAZ yet. You're using the most recent version."},
    {"Msg", "Check for Updates", "Check for Updates"},
    {"Msg", "Ask check for updates", "Do you want to check for updates?"},
    {"Msg", "Reset to Defaults", "Reset to Defaults"},
    {"Msg", "Ask reset to defaults",
     "Are you sure you want to reset all your settings to the default values?"},
    {"Msg", "Internet connection problems", "Internet connection problems!"},
    {"Msg", "Ask overwrite file", "The file already exist. Do you want to overwrite it?"},
    {"Msg", "Clean recent files", "Clean Recent Files"},
    {"Msg", "Ask clean recent files", "Do you want to clean the recent files list?"},
    {"Msg", "Ask continue to find",
     "No matches of %s1% found!\r\n\r\nDo you want to search from the start of the list?"},
    {"Msg", "Ask break import", "Do you want to break the import?"},
    {"Msg", "Ask break export", "Do you want to break the export?"},
    {"Msg", "Ask break conversion", "Do you want to break the conversion?"},
    {"Msg", "Empty extensions", "Please, fill all required fields and try again!"},
    {"Menu", "Open", "Open..."},
    {"Menu", "Save As", "Save As..."},
    {"Menu", "Select Input File", "Add Input File..."},
    {"Menu", "Select Input Files", "Add Input Files..."},
    {"Menu", "Select Input Folder", "Add Input Folder..."},
    {"Menu", "Delete Input Files", "Delete Files From the List"},
    {"Menu", "Select Output Folder", "Select Output Folder..."},
    {"Menu", "Output Format Options", "Options..."},
    {"Menu", "Import Input Files", "Import Files..."},
    {"Menu", "Export Input Files", "Export Files..."},
    {"Menu", "Custom Converter", "Find a File Converter..."},
    {"Menu", "Preferences", "Preferences..."},
    {"Menu", "Manual", "User Manual..."},
    {"Menu", "Visit Homepage", "Visit the Program's Homepage"},
    {"Menu", "Check For New Version", "Check For a New Version"},
    {"Menu", "About", "About..."},
    {"Dialog", "Import Input Files", "Import Input Files From A List"},
    {"Dialog", "All Supported Files", "All Supported Files"},
    {"Dialog", "Text Files", "Text Files (*.txt, *.lst)"},
    {"Dialog", "All Files", "All Files (*.*)"},
    {"Dialog", "Import Progress", "Importing"},
    {"Dialog", "Export Progress", "Exporting"},
    {"Dialog", "Convert Progress", "Converting"},
    {"Dialog", "Time Remaining", "Time Remaining: %s1%"},
    {"Dialog", "Time Unknown", "Unknown"},
    {"Dialog", "OK", "OK"},
    {"Dialog", "Cancel", "Cancel"},
    {"Dialog", "Help", "Help"},
    {"Dialog", "Defaults", "Defaults"},
    {"Preferences", "Title", "Preferences..."},
    {"Preferences", "General", "General"},
    {"Preferences", "Language", "Language:"},
    {"Preferences", "Every day", "Every Day"},
    {"Preferences", "Save window position", "Save Window's Coords:"},
    {"Preferences", "UI Theme", "Theme:"},
    {"Preferences", "UI Size", "Icon Size:"},
    {"Preferences", "Small", "Small"},
    {"Preferences", "RGB8", "RGB 8-bit"},
    {"Preferences", "RGB16", "RGB 16-bit"},
    {"Preferences", "RGB24", "RGB 24-bit"},
    {"Preferences", "RGB48HS", "RGB 48-bit (HS)"},
    {"Preferences", "RGB48", "RGB 48-bit"},
    {"Preferences", "BGRA", "BGR 32-bit"},
    {"Preferences", "RGBA", "RGB 32-bit"},
    {"Preferences", "All Frames", "All"},
    {"Preferences", "First Frame", "First"},
    {"Preferences", "Middle Frame", "Middle"},
    {"Preferences", "Last Frame", "Last"},
    {"Preferences", "Random Frame", "Random"},
    {"Preferences", "Tone Mapping", "HDR Tone Mapping:"},
    {"Preferences", "PIZ", "PIZ Wavelet"},
    {"Preferences", "ZLIB1", "ZLib Level 1"},
    {"Preferences", "ZLIB6", "ZLib Level 6"},
    {"Preferences", "ZLIB9", "ZLib Level 9"},
    {"Preferences", "CCITTFAX3", "CCITT Group 3 Fax"},
    {"Preferences", "CCITTFAX4", "CCITT Group 4 Fax"},
    {"Preferences", "DEFLATE", "Deflate (ZLib)"},
    {"Preferences", "ADOBEDEFLATE", "Adobe Deflate"},
    {"Preferences", "Simple Rotation", "Simple"},
    {"Preferences", "Advanced Rotation", "Advanced"},
    {"Preferences", "Image Width", "Width:"},
    {"Preferences", "Keep Aspect Ratio", "Keep Proportions:"},
    {"Preferences", "Bspline", "B-Spline"},
    {"Preferences", "Catmullrom", "Catmull-Rom Spline"},
    {"Preferences", "Image Flip Horizontal", "Flip Horizontal:"},
    {"Preferences", "Image Flip Vertical", "Flip Vertical:"},
    {"Preferences", "Image Gamma", "Gamma Correction:"},
    {"Preferences", "Image Invert", "Invert Image:"},
    {"Preferences", "Image Greyscale", "Greyscale Image:"},
    {"Preferences", "Dither Algorithm", "Dithering Algorithm:"},
    {"Preferences", "FS", "Floyd and Steinberg error diffusion"},
    {"Preferences", "Bayer4", "Bayer ordered dot dithering 4x4"},
    {"Preferences", "Bayer8", "Bayer ordered dot dithering 8x8"},
    {"Preferences", "Bayer16", "Bayer ordered dot dithering 16x16"},
    {"Preferences", "Cluster6", "Clustered dot dithering 6x6"},
    {"Preferences", "Cluster8", "Clustered dot dithering 8x8"},
    {"Preferences", "Cluster16", "Clustered dot dithering 16x16"},
    {"Preferences", "Frame Type", "Frame:"},
    {"Preferences", "Frame Solid", "Solid Color"},
    {"Preferences", "Watermark Type", "Watermark:"},
    {"Preferences", "Watermark Text", "Text"},
    {"Preferences", "Watermark Image", "Image"},
    {"Preferences", "Font Size", "Font Size:"},
    {"Preferences", "Black", "Black"},
    {"Preferences", "Strikeout", "Strikethrough"},
    {"Preferences", "Align Left", "Left"},
    {"Preferences", "Align Center", "Center"},
    {"Preferences", "Align Right", "Right"},
    {"Preferences", "Bound Image", "Image"},
    {"Preferences", "Bound Frame", "Frame"},
    {"Preferences", "Out Folders History", "Output Folders History:"},
    {"Preferences", "Keep Folders", "Keep Recent"},
    {"Preferences", "Out Folders Number", "Output Folders Number:"},
    {"Preferences", "Txt Export", "Export to TXT"},
    {"Preferences", "Csv Export", "Export to CSV"},
    {"Preferences", "Clean Recent Files", "Clean Recent Files List on Exit"},
    {"About", "Title", "About..."},
    {"About", "Version", "Version:"},
    {"About", "Website", "Web:"},
    {"About", "Email", "E-mail:"},
    {"Custom-Converter", "Title", "Find a File Converter"},
    {"Custom-Converter", "From", "From:"},
    {"Custom-Converter", "To", "To:"},
    {"Custom-Converter", "Search", "Search"},
    {"Uninstall", "Title", "Uninstall"},
    {"Uninstall", "Uninstall Text", "Full Uninstall - Visit Uninstall Center"},
    {"Uninstall", "Next", "Next"},
};

// The text in another letter case: 0 upper, 1 lower, 2 alternating from upper.
std::string AsciiCase(std::string_view text, int mode) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        char& c = out[i];
        bool upper = mode == 0 || (mode == 2 && i % 2 == 0);
        if (upper && c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
        else if (!upper && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + 32);
    }
    return out;
}

class CatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { LoadCatalogue(); }
};

TEST_F(CatalogueTest, GroupAndEntryCounts) {
    const std::pair<const char*, int> expected[] = {{"Menu", 27},
                                                    {"General", 10},
                                                    {"Msg", 43},
                                                    {"Dialog", 24},
                                                    {"Preferences", 225},
                                                    {"About", 4},
                                                    {"Custom-Converter", 4},
                                                    {"Uninstall", 3},
                                                    {"custom-CONVERTER", 4},
                                                    {"Nonexistent", 0}};
    EXPECT_EQ(CatalogueGroupCount(), 8);
    for (const auto& [group, count] : expected)
        EXPECT_EQ(CatalogueEntryCount(group), count) << group;
}

TEST_F(CatalogueTest, FixedTextsInAnyLetterCase) {
    for (const Row& row : kFixedTexts)
        for (int mode = 0; mode < 3; ++mode) {
            std::string group = AsciiCase(row.group, mode);
            std::string key = AsciiCase(row.key, mode);
            EXPECT_EQ(CatalogueText(group, key), row.text) << group << " / " << key;
            EXPECT_EQ(CatalogueText(row.group, key), row.text) << row.group << " / " << key;
        }
}

// Every entry of the built-in table is reachable with its own text; a key that occurs twice
// in one group gives one of its texts.
TEST_F(CatalogueTest, EveryBuiltInEntryIsFound) {
    std::map<std::pair<std::string, std::string>, std::set<std::string>> texts;
    std::map<std::string, int> counts;
    std::map<std::pair<std::string, std::string>, int> occurrences;
    std::string group;
    for (const CataloguePair* pair = kBuiltInCatalogue; std::string(pair->name) != "_END_";
         ++pair) {
        if (std::string(pair->name) == "_GROUP_") {
            group = pair->text;
            continue;
        }
        texts[{group, AsciiCase(pair->name, 0)}].insert(pair->text);
        ++counts[group];
        ++occurrences[{group, AsciiCase(pair->name, 0)}];
    }
    EXPECT_EQ(texts.size(), 339u); // 340 entries, "Medium" twice in one group
    for (const auto& [group, count] : counts)
        EXPECT_EQ(CatalogueEntryCount(group), count) << group;
    for (const auto& [where, choices] : texts) {
        std::string found = CatalogueText(where.first, AsciiCase(where.second, 1));
        EXPECT_EQ(choices.count(found), 1u)
            << where.first << " / " << where.second << " -> " << found;
    }
    std::vector<std::pair<std::string, std::string>> duplicates;
    for (const auto& [where, count] : occurrences)
        if (count > 1)
            duplicates.push_back(where);
    const std::vector<std::pair<std::string, std::string>> expectedDuplicates = {
        {"Preferences", "MEDIUM"}};
    EXPECT_EQ(duplicates, expectedDuplicates);
    EXPECT_EQ(CatalogueText("Preferences", "medium"), "Medium");
}

TEST_F(CatalogueTest, AlternatingGroupsGiveEachGroupsText) {
    const Row sequence[] = {
        {"About", "Title", "About..."},
        {"Uninstall", "Title", "Uninstall"},
        {"About", "title", "About..."},
        {"Custom-Converter", "Title", "Find a File Converter"},
        {"Preferences", "Title", "Preferences..."},
        {"Custom-Converter", "TITLE", "Find a File Converter"},
        {"Menu", "Select Input Files", "Add Input Files..."},
        {"Dialog", "Select Input Files", "Select Input Files"},
        {"Menu", "Select Input Files", "Add Input Files..."},
        {"Msg", "Check for Updates", "Check for Updates"},
        {"Preferences", "Check for Updates", "Check for Updates:"},
        {"Menu", "Save As", "Save As..."},
        {"Preferences", "Save As", "Save As:"},
        {"General", "Output Format", "Output Format:"},
        {"Dialog", "Output Format", kNoStringError},
        {"General", "Output Format", "Output Format:"},
        {"Msg", "files converted", "Files converted: %s1% of %s2%"},
    };
    for (int round = 0; round < 2; ++round)
        for (const Row& row : sequence)
            EXPECT_EQ(CatalogueText(row.group, row.key), row.text) << row.group << " / " << row.key;
}

TEST_F(CatalogueTest, MissingEntriesGiveTheErrorText) {
    const std::pair<const char*, const char*> missing[] = {
        {"Msg", "No such message"},
        {"Nonexistent", "Error"},
        {"", "Error"},
        {"Msg", ""},
        {"Msg", " Error"},
        {"Msg", "Error "},
        {"Msg", "Erro"},
        {"Msg", "Errors"},
        {"Menu", "Menu"},                 // group name is not a key
        {"Preferences", "!"},             // sorts before every key
        {"Preferences", "A"},             // shares the first letter, sorts before its entries
        {"Preferences", "ZZZ"},           // sorts after every key
        {"Preferences", "~"},             // first character after every letter
        {"Dialog", "Txt"},                // only in the group stored after it
        {"General", "Reset to Defaults"}, // only in the group stored after it
        {"Uninstall", "Version"},         // only in the group stored before it
        {"About", "\xC3\xA9"},            // non-ASCII first byte
    };
    for (const auto& [group, key] : missing)
        EXPECT_EQ(CatalogueText(group, key), kNoStringError) << group << " / " << key;
}

TEST_F(CatalogueTest, TextsFillWithArguments) {
    EXPECT_EQ(FillTemplate(CatalogueText("Msg", "files converted"), "3", "10"),
              "Files converted: 3 of 10");
    EXPECT_EQ(FillTemplate(CatalogueText("msg", "PROGRESS"), "3", "10"), "(3/10)");
}

const CataloguePair kSmallTable[] = {
    {"_GROUP_", "Alpha"},      {"beta", "b1"},       {"Bet", "b2"}, {"b", "b3"},
    {"Apple", "a1"},           {"apricot", "a2"},    {"C", "c1"},   {"\xC3\x89lan", "e1"},
    {"_group_", "Empty"},      {"_GROUP_", "Omega"}, {"Bet", "o1"}, {"_end_", ""},
    {"After", "never loaded"},
};

class SmallCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override { LoadCatalogueFrom(kSmallTable); }
    void TearDown() override { LoadCatalogue(); }
};

TEST_F(SmallCatalogueTest, WalksTheIndexWithinEachGroup) {
    const Row lookups[] = {
        {"Alpha", "B", "b3"},
        {"Alpha", "bet", "b2"},
        {"Alpha", "BETA", "b1"},
        {"Alpha", "apple", "a1"},
        {"Alpha", "Apricot", "a2"},
        {"Alpha", "c", "c1"},
        {"Alpha", "\xC3\xA9LAN", "e1"},
        {"Omega", "bet", "o1"},
        {"Alpha", "Be", kNoStringError},
        {"Alpha", "Betas", kNoStringError},
        {"Alpha", "Bz", kNoStringError},
        {"Alpha", "A", kNoStringError},
        {"Alpha", "Apples", kNoStringError},
        {"Alpha", "D", kNoStringError},
        {"Alpha", "Cz", kNoStringError},
        {"Omega", "beta", kNoStringError},
        {"Omega", "B", kNoStringError},
        {"Empty", "Bet", kNoStringError},
        {"Alpha", "After", kNoStringError},
    };
    for (const Row& row : lookups)
        EXPECT_EQ(CatalogueText(row.group, row.key), row.text) << row.group << " / " << row.key;
}

TEST_F(SmallCatalogueTest, CountsGroupsAndEntries) {
    EXPECT_EQ(CatalogueGroupCount(), 3);
    const std::pair<const char*, int> expected[] = {
        {"Alpha", 7}, {"Empty", 0}, {"Omega", 1}, {"Menu", 0}};
    for (const auto& [group, count] : expected)
        EXPECT_EQ(CatalogueEntryCount(group), count) << group;
    EXPECT_EQ(CatalogueText("Menu", "Open"), kNoStringError);
}

TEST(FillTemplate, ReplacesPlaceholders) {
    struct Case {
        const char* name;
        const char* messageTemplate;
        std::vector<const char*> values;
        const char* expected;
    };
    const Case cases[] = {
        {"two values", "Files converted: %s1% of %s2%", {"3", "10"}, "Files converted: 3 of 10"},
        {"empty value keeps its placeholder",
         "Files converted: %s1% of %s2%",
         {"3", ""},
         "Files converted: 3 of %s2%"},
        {"upper-case placeholder",
         "Unable to open the file: %S1%!",
         {"a.cr2"},
         "Unable to open the file: a.cr2!"},
        {"every occurrence", "%s1%-%s1%-%S1%", {"x"}, "x-x-x"},
        {"empty template", "", {"x", "y"}, ""},
        {"no placeholder", "Ready", {"x"}, "Ready"},
        {"four values in any order", "%s4%%s3%%s2%%s1%", {"1", "2", "3", "4"}, "4321"},
        // Placeholders are filled one after the other on the growing text, so a first value
        // holding "%s2%" is itself filled by the second value.
        {"value holding a later placeholder", "%s1% and %s2%", {"%s2%", "B"}, "B and B"},
        // A value is not searched again for its own placeholder.
        {"value holding its own placeholder", "[%s1%]", {"%s1%%s1%"}, "[%s1%%s1%]"},
        {"unused placeholder number", "%s5% %s0%", {"a", "b", "c", "d"}, "%s5% %s0%"},
    };
    for (const Case& c : cases) {
        std::string_view v[4];
        for (size_t i = 0; i < c.values.size(); ++i)
            v[i] = c.values[i];
        EXPECT_EQ(FillTemplate(c.messageTemplate, v[0], v[1], v[2], v[3]), c.expected) << c.name;
    }
}

} // namespace
} // namespace velmora
