#include "cli/console_main.h"
#include "cli/option_table.h"
#include "platform/text.h"
#include "settings/keywords.h"
#include "settings/settings.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <concepts>
#include <map>
#include <set>
#include <sstream>

namespace velmora {
namespace testing {
namespace {

std::string Show(const std::string& value) {
    return value;
}
std::string Show(float value) {
    std::ostringstream out;
    out << value;
    return out.str();
}
template <std::integral T> std::string Show(T value) {
    return std::to_string(static_cast<int64_t>(value));
}

} // namespace

// Every field of Settings and ConversionJob as text, so that a run can be described by
// the fields it changed. Shared with the profile tests.
std::map<std::string, std::string> Snapshot() {
    const Settings& s = gSettings;
    const ConversionJob& j = gJob;
#define S(name)                                                                                    \
    { #name, Show(s.name) }
#define J(name)                                                                                    \
    { "job." #name, Show(j.name) }
    // clang-format off
    return {S(ConfigPath), S(CfgVersion), S(Language), S(UpdateRange), S(UpdateDate),
        S(SaveWindowPosition), S(IsMaximized), S(WindowX), S(WindowY), S(WindowWidth),
        S(WindowHeight), S(UiTheme), S(UiSize), S(InputFormat), S(DdsLoadAs), S(GifFrameLoading),
        S(IcoFrameLoading), S(TiffFrameLoading), S(PsdColorMode), S(RawLoadAs), S(RawHeaderSize),
        S(RawImageWidth), S(RawImageHeight), S(RawToneMapping), S(OutputFormat), S(BmpBpp),
        S(BmpCompression), S(BmpColorTable), S(DdsBpp), S(ExrBpp), S(ExrCompression), S(GifBpp),
        S(HdrBpp), S(IcoBpp), S(J2kBpp), S(JngBpp), S(Jp2Bpp), S(JpgBpp), S(JpgQuality),
        S(JpgChroma), S(JpgSaveAs), S(JxrBpp), S(PbmBpp), S(PcxBpp), S(PfmBpp), S(PgmBpp),
        S(PngBpp), S(PngCompression), S(PngInterlaced), S(PpmBpp), S(PsdBpp), S(TgaBpp),
        S(TgaCompression), S(TiffBpp), S(TiffCompression), S(TiffColorMode), S(CmykProfile),
        S(SaveThreads), S(WbmpBpp), S(WebpBpp), S(WebpQuality), S(XpmBpp), S(DoImageRotation),
        S(ImageRotationType), S(ImageRotation), S(ImageRotationBackColor), S(DoImageResize),
        S(ImageWidth), S(ImageWidthUnit), S(ImageHeight), S(ImageHeightUnit), S(KeepAspectRatio),
        S(ImageResizeType), S(ImageResizeAlgorithm), S(DoImageFlipHorizontal),
        S(DoImageFlipVertical), S(DoImageColorCorrection), S(ImageBrightness), S(ImageContrast),
        S(ImageGamma), S(ImageInvert), S(DoImageGreyscale), S(DoImageThreshold), S(ImageThreshold),
        S(DoImageDither), S(ImageDitherAlgorithm), S(DoFrame), S(SolidLeft), S(SolidRight),
        S(SolidTop), S(SolidBottom), S(SolidLeftColor), S(SolidRightColor), S(SolidTopColor),
        S(SolidBottomColor), S(SolidOpacity), S(DoWatermark), S(WatermarkText), S(FontList),
        S(FontName), S(FontSize), S(FontLeading), S(FontColors), S(FontColor), S(FontStyle),
        S(FontEffect), S(TextAntialiasing), S(TextAlignment), S(TextPadding), S(TextOpacity),
        S(BackColors), S(BackColor), S(BackOpacity), S(TextBoundary), S(TextPosition),
        S(TextXOffset), S(TextYOffset), S(TextRotation), S(TextSize), S(TextScale),
        S(WatermarkImage), S(ImageGreyscale), S(ImageOpacity), S(ImageBoundary), S(ImagePosition),
        S(ImageXOffset), S(ImageYOffset), S(WatermarkImageRotation), S(ImageSize), S(ImageScale),
        S(FilenameMask), S(FileTimestamp), S(CustomTimestamp), S(OutFoldersHistory),
        S(OutFoldersNumber), S(KeepSubfolders), S(CsvDelimiter), S(RecentOutFolders),
        S(RecentFiles), S(CleanRecentFiles), J(ProgramFolder), J(ProjectFile), J(InputFolder),
        J(OutputFolder), J(RandomNumber), J(FileCounter), J(ConversionType), J(CommandLineRun),
        J(RunMode)};
    // clang-format on
#undef S
#undef J
}

// "Field=value" for every field that differs from before, plus the driver's own state.
std::set<std::string> ChangesSince(const std::map<std::string, std::string>& before,
                                   const DriverState* state) {
    std::set<std::string> changes;
    for (const auto& [name, value] : Snapshot())
        if (before.at(name) != value)
            changes.insert(name + "=" + value);
    if (state && !state->errorText.empty())
        changes.insert("error=" + state->errorText);
    if (state && state->quiet)
        changes.insert("quiet=1");
    if (state && state->pause)
        changes.insert("pause=1");
    if (state && !state->windowInput.empty())
        changes.insert("window=" + state->windowInput);
    return changes;
}

} // namespace testing

namespace {

using Changes = std::set<std::string>;
using testing::ChangesSince;
using testing::Snapshot;

class OptionLoopTest : public ::testing::Test {
protected:
    void SetUp() override { Reset(); }
    static void Reset() {
        SettingsDefaults(true);
        gJob = ConversionJob{};
    }
    // Runs arguments on fresh settings and returns what they changed.
    static Changes Run(const Arguments& arguments) {
        Reset();
        auto before = Snapshot();
        DriverState state = RunOptionLoop(arguments);
        return ChangesSince(before, &state);
    }
};

const char* const kMissing = "error=Incorrect number of parameters";

TEST_F(OptionLoopTest, EdgeCasesOfTheCommandLine) {
    struct Case {
        const char* name;
        Arguments arguments;
        Changes expected;
    } cases[] = {
        {"input", {"-i", "photo.raw"}, {"job.CommandLineRun=1", "job.InputFolder=photo.raw"}},
        {"input alone", {"-i"}, {kMissing}},
        {"input takes no dash value", {"-i", "-q"}, {kMissing}},
        {"long input twin refuses a dash too", {"--input=-x.raw"}, {kMissing}},
        {"long input without =", {"--input", "a.raw"}, {kMissing}},
        {"negative number",
         {"-i", "photo.raw", "--brightness=-20"},
         {"job.CommandLineRun=1", "job.InputFolder=photo.raw", "ImageBrightness=-20",
          "DoImageColorCorrection=1"}},
        {"valued option without =",
         {"-i", "photo.raw", "--brightness"},
         {"job.CommandLineRun=1", "job.InputFolder=photo.raw", kMissing}},
        {"long-only refuses --", {"--wm-text=--x"}, {kMissing}},
        {"empty long value", {"--jpg-quality="}, {kMissing}},
        {"last input wins",
         {"-I", "a.raw", "-i", "b.raw"},
         {"job.CommandLineRun=1", "job.InputFolder=b.raw"}},
        {"unknown words ignored", {"--colour=red", "stray", "-qp", "-x", "--", "-"}, {}},
        {"first-argument words elsewhere ignored", {"-q", "-h", "-v", "--help", "-U"}, {"quiet=1"}},
        {"error stops the loop",
         {"-p", "--jpg-quality", "-q", "--jpg-quality=5"},
         {"pause=1", kMissing}},
        {"upper-cased matching", {"--Jpg-Quality=80"}, {"JpgQuality=80"}},
        {"spaces around the argument", {"  --jpg-quality= 80  "}, {"JpgQuality=80"}},
        {"hex number", {"--raw-width=$FF"}, {"RawImageWidth=255"}},
        {"keyword", {"--tiff-compression=lzw"}, {"TiffCompression=6"}},
        {"keyword of another format", {"--tiff-compression=ZLIB6"}, {"TiffCompression=2"}},
        {"unknown keyword is 0", {"--raw-tone-mapping=lzw2"}, {"RawToneMapping=0"}},
        {"unknown keyword overwrites", {"--tiff-compression=lzw", "--tiff-compression=lzw2"}, {}},
        {"keyword into a byte field", {"--wm-text-position=TopCenter"}, {"TextPosition=1"}},
        {"size modes",
         {"--wm-text-size=Fit", "--wm-image-size=fill"},
         {"TextSize=2", "ImageSize=3"}},
        {"real", {"--gamma=1.5"}, {"ImageGamma=1.5", "DoImageColorCorrection=1"}},
        {"bad real", {"--gamma=abc"}, {"ImageGamma=0", "DoImageColorCorrection=1"}},
        {"percent ends the number",
         {"--width=50%", "--width-unit=percent"},
         {"ImageWidth=50", "DoImageResize=1", "ImageWidthUnit=1"}},
        {"flag ignores its value", {"--invert=no"}, {"ImageInvert=1", "DoImageColorCorrection=1"}},
        {"zero frame width still frames", {"--fr-solid-left=0"}, {"DoFrame=1"}},
        {"quote joining",
         {"--wm-text=\"Sample", "text\""},
         {"DoWatermark=1", "WatermarkText=Sample text"}},
        {"joining stops at the closing quote",
         {"-o", "\"my", "out", "folder\"", "-q"},
         {"job.OutputFolder=my out folder", "quiet=1"}},
        {"unclosed quote joins to the end",
         {"--wm-text=\"a", "b", "-q"},
         {"DoWatermark=1", "WatermarkText=a b -q"}},
        {"quoted value loses its quotes",
         {"--wm-font=\"Liberation Sans\""},
         {"FontName=Liberation Sans"}},
        {"inner quotes stay",
         {"--wm-text=\"say \"hi\"\""},
         {"DoWatermark=1", "WatermarkText=say \"hi"}},
        {"conversion quotes removed", {"-c", "\".jpg\""}, {"job.ConversionType=.jpg"}},
        {"conversion never joins", {"-c", "\"jpg", "x\""}, {"job.ConversionType=jpg"}},
        {"text then image watermark",
         {"--wm-text=A", "--wm-image=b.png"},
         {"WatermarkText=A", "WatermarkImage=b.png", "DoWatermark=2"}},
        {"image then text watermark",
         {"--wm-image=b.png", "--wm-text=A"},
         {"WatermarkText=A", "WatermarkImage=b.png", "DoWatermark=1"}},
        {"no subfolders for good",
         {"--no-subfolders", "--no-subfolders=1", "--NO-SUBFOLDERS=0"},
         {"KeepSubfolders=0"}},
        {"console switches", {"-d", "-p", "--quiet"}, {"job.RunMode=DEBUG", "pause=1", "quiet=1"}},
        {"missing profile", {"--profile=missing.ini", "-q"}, {"error=Invalid profile file"}},
        {"empty profile name", {"--profile=\"\""}, {"error=Invalid profile file"}},
        {"quiet before an error stays", {"-q", "-i"}, {"quiet=1", kMissing}},
        {"window with a file", {"--window=\"my", "photo.cr2\""}, {"window=my photo.cr2"}},
        {"window after an input wins", {"-i", "a.raw", "--window="}, {"job.InputFolder=a.raw"}},
        {"input after a window wins",
         {"--window", "-i", "a.raw", "--window=b.cr2", "-i", "c.raw"},
         {"job.CommandLineRun=1", "job.InputFolder=c.raw", "window=b.cr2"}},
        {"window refuses --", {"--window=--x"}, {kMissing}}};
    for (const Case& c : cases)
        EXPECT_EQ(Run(c.arguments), c.expected) << c.name;
}

// The option names, kinds and switches as the documentation lists them.
enum class Kind { Flag, Number, Real, Keyword, Text };
struct Documented {
    std::string name;
    Kind kind;
    int list = -1;
};

std::vector<std::string> Words(std::string_view text) {
    std::vector<std::string> words;
    for (size_t at = 0; at < text.size();) {
        size_t end = std::min(text.find(' ', at), text.size());
        if (end > at)
            words.emplace_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

std::vector<Documented> DocumentedOptions() {
    std::vector<Documented> all;
    for (const std::string& name :
         Words("--PNG-INTERLACED --KEEP-ASPECT-RATIO --FLIP-HORIZONTAL --FLIP-VERTICAL --INVERT "
               "--GREYSCALE --WM-TEXT-ANTIALIASING --WM-IMAGE-GREYSCALE --NO-SUBFOLDERS"))
        all.push_back({name, Kind::Flag});
    for (const std::string& name :
         Words("--RAW-HEADER-SIZE --RAW-WIDTH --RAW-HEIGHT --BMP-BPP --DDS-BPP --EXR-BPP "
               "--GIF-BPP --HDR-BPP --ICO-BPP --J2K-BPP --JNG-BPP --JP2-BPP --JPG-BPP "
               "--JPG-QUALITY --JXR-BPP --PBM-BPP --PCX-BPP --PFM-BPP --PGM-BPP --PNG-BPP "
               "--PPM-BPP --PSD-BPP --TGA-BPP --TIFF-BPP --WBMP-BPP --WEBP-BPP --WEBP-QUALITY "
               "--XPM-BPP --ROTATION --WIDTH --HEIGHT --BRIGHTNESS --CONTRAST --THRESHOLD "
               "--FR-SOLID-LEFT --FR-SOLID-RIGHT --FR-SOLID-TOP --FR-SOLID-BOTTOM "
               "--FR-SOLID-OPACITY --WM-FONT-SIZE --WM-FONT-LEADING --WM-TEXT-PADDING "
               "--WM-TEXT-OPACITY --WM-BACK-OPACITY --WM-TEXT-X-OFFSET --WM-TEXT-Y-OFFSET "
               "--WM-TEXT-ROTATION --WM-IMAGE-OPACITY --WM-IMAGE-X-OFFSET --WM-IMAGE-Y-OFFSET "
               "--WM-IMAGE-ROTATION --FILE-TIMESTAMP-CUSTOM --THREADS"))
        all.push_back({name, Kind::Number});
    all.push_back({"--GAMMA", Kind::Real});
    const std::pair<const char*, int> keywords[] = {
        {"--DDS-LOAD-AS", 0},        {"--GIF-FRAME-LOADING", 2},
        {"--ICO-FRAME-LOADING", 2},  {"--PSD-COLOR-MODE", 6},
        {"--RAW-LOAD-AS", 1},        {"--RAW-TONE-MAPPING", 3},
        {"--TIFF-FRAME-LOADING", 2}, {"--BMP-COMPRESSION", 4},
        {"--BMP-COLOR-TABLE", 5},    {"--EXR-COMPRESSION", 4},
        {"--JPG-CHROMA", 7},         {"--JPG-SAVE-AS", 8},
        {"--PNG-COMPRESSION", 4},    {"--TGA-COMPRESSION", 4},
        {"--TIFF-COMPRESSION", 4},   {"--TIFF-COLOR-MODE", 6},
        {"--ROTATION-TYPE", 9},      {"--WIDTH-UNIT", 10},
        {"--HEIGHT-UNIT", 10},       {"--RESIZE-TYPE", 11},
        {"--RESIZE-ALGORITHM", 12},  {"--DITHER", 13},
        {"--WM-FONT-STYLE", 16},     {"--WM-FONT-EFFECT", 17},
        {"--WM-TEXT-ALIGNMENT", 18}, {"--WM-TEXT-BOUNDARY", 19},
        {"--WM-TEXT-POSITION", 20},  {"--WM-TEXT-SIZE", 21},
        {"--WM-IMAGE-BOUNDARY", 19}, {"--WM-IMAGE-POSITION", 20},
        {"--WM-IMAGE-SIZE", 21},     {"--FILE-TIMESTAMP", 22}};
    for (const auto& [name, list] : keywords)
        all.push_back({name, Kind::Keyword, list});
    for (const std::string& name :
         Words("--ROTATION-BACK-COLOR --FR-SOLID-LEFT-COLOR --FR-SOLID-RIGHT-COLOR "
               "--FR-SOLID-TOP-COLOR --FR-SOLID-BOTTOM-COLOR --WM-TEXT --WM-FONT --WM-FONT-COLOR "
               "--WM-BACK-COLOR --WM-IMAGE --FILENAME-MASK --TIFF-CMYK-PROFILE"))
        all.push_back({name, Kind::Text});
    return all;
}

const std::set<std::string> kRunOptions = {"--INPUT", "--OUTPUT", "--CONVERSION", "--PROFILE",
                                           "--DEBUG", "--QUIET",  "--PAUSE",      "--WINDOW"};

const std::map<std::string, std::string> kSwitches = {{"--ROTATION", "DoImageRotation=1"},
                                                      {"--WIDTH", "DoImageResize=1"},
                                                      {"--HEIGHT", "DoImageResize=1"},
                                                      {"--BRIGHTNESS", "DoImageColorCorrection=1"},
                                                      {"--CONTRAST", "DoImageColorCorrection=1"},
                                                      {"--GAMMA", "DoImageColorCorrection=1"},
                                                      {"--INVERT", "DoImageColorCorrection=1"},
                                                      {"--THRESHOLD", "DoImageThreshold=1"},
                                                      {"--DITHER", "DoImageDither=1"},
                                                      {"--FR-SOLID-LEFT", "DoFrame=1"},
                                                      {"--FR-SOLID-RIGHT", "DoFrame=1"},
                                                      {"--FR-SOLID-TOP", "DoFrame=1"},
                                                      {"--FR-SOLID-BOTTOM", "DoFrame=1"},
                                                      {"--WM-TEXT", "DoWatermark=1"},
                                                      {"--WM-IMAGE", "DoWatermark=2"}};

TEST_F(OptionLoopTest, TableHoldsTheDocumentedNames) {
    std::set<std::string> expected = kRunOptions;
    for (const Documented& option : DocumentedOptions())
        expected.insert(option.name);
    const std::map<std::string, std::string> expectedShort = {
        {"-I", "--INPUT"}, {"-O", "--OUTPUT"}, {"-C", "--CONVERSION"},
        {"-D", "--DEBUG"}, {"-Q", "--QUIET"},  {"-P", "--PAUSE"}};

    std::set<std::string> names;
    std::map<std::string, std::string> shortNames;
    for (const OptionRow& row : OptionTable()) {
        const std::string name(row.longName);
        EXPECT_TRUE(StartsWith(name, "--") && ToUpper(name) == name) << name;
        EXPECT_TRUE(names.insert(name).second) << "twice: " << name;
        if (!row.shortName.empty())
            shortNames[std::string(row.shortName)] = name;
    }
    EXPECT_EQ(names, expected);
    EXPECT_EQ(shortNames, expectedShort);
}

// One value per kind, chosen so that a row of the wrong kind stores something else.
struct Probe {
    Arguments arguments;
    std::string profileValue;
    std::string stored;
};

Probe ProbeFor(const Documented& option) {
    const std::string lower = ToLower(option.name);
    switch (option.kind) {
    case Kind::Flag:
        return {{lower + "=0"}, "0", option.name == "--NO-SUBFOLDERS" ? "0" : "1"};
    case Kind::Number:
        return {{lower + "=$1F"}, "$1F", "31"};
    case Kind::Real:
        return {{lower + "=2.5x"}, "2.5x", "2.5"};
    case Kind::Keyword: {
        // The second word, or the only one for a one-word list.
        int value = ValueToKeyword(option.list, 1, "tiff").empty() ? 0 : 1;
        std::string word = ToTitle(ValueToKeyword(option.list, value, "tiff"));
        return {{lower + "=" + word}, word, std::to_string(value)};
    }
    case Kind::Text:
        return {{lower + "=\"x", "7\""}, "x 7", "x 7"};
    }
    return {};
}

// Sets the field an option writes to a value no option gives, so every write shows.
void Poison(const OptionRow& row) {
    if (!row.setting)
        return;
    std::visit(
        [](auto member) {
            if constexpr (std::is_same_v<decltype(member), std::string Settings::*>)
                gSettings.*member = "poison";
            else
                gSettings.*member = 99;
        },
        row.setting->field);
}

TEST_F(OptionLoopTest, EveryOptionWritesOneFieldOfItsOwnOnTheCommandLineAndInAProfile) {
    testing::TempFolder folder;
    std::map<std::string, std::string> ownerOfField;
    for (const Documented& option : DocumentedOptions()) {
        SCOPED_TRACE(option.name);
        const OptionRow* row = FindOptionByWord(option.name);
        ASSERT_NE(row, nullptr);
        const Probe probe = ProbeFor(option);

        Reset();
        Poison(*row);
        auto before = Snapshot();
        DriverState state = RunOptionLoop(probe.arguments);
        Changes changes = ChangesSince(before, &state);

        auto sw = kSwitches.find(option.name);
        if (sw != kSwitches.end()) {
            EXPECT_EQ(changes.erase(sw->second), 1u) << "switch " << sw->second;
        }
        ASSERT_EQ(changes.size(), 1u) << ::testing::PrintToString(changes);
        const std::string change = *changes.begin();
        const std::string field = change.substr(0, change.find('='));
        EXPECT_EQ(change, field + "=" + probe.stored);
        auto [owner, fresh] = ownerOfField.emplace(field, option.name);
        EXPECT_TRUE(fresh) << field << " is also written by " << owner->second;

        // The same option as a profile key writes the same, bar the frame opacity's own key.
        const std::string key =
            option.name == "--FR-SOLID-OPACITY" ? "--WM-SOLID-OPACITY" : option.name;
        const std::string profile = folder / "profile.ini";
        testing::WriteFile(profile, "[CLI]\n" + key + " = " + probe.profileValue + "\n");
        Reset();
        Poison(*row);
        before = Snapshot();
        EXPECT_TRUE(RunOptionLoop({"--profile=" + profile}).errorText.empty());
        Changes fromProfile = ChangesSince(before, nullptr);
        changes.insert(change);
        if (sw != kSwitches.end())
            changes.insert(sw->second);
        EXPECT_EQ(fromProfile, changes) << "profile key " << key;
    }
}

} // namespace
} // namespace velmora
