#include "cli/option_table.h"

#include "cli/profile.h"
#include "platform/text.h"
#include "settings/keywords.h"

namespace velmora {
namespace {

using S = Settings;

OptionRow MakeRow(std::string_view name, ValueKind kind, int list = -1,
                  QuoteRule quotes = QuoteRule::None) {
    OptionRow row;
    row.longName = name;
    row.kind = kind;
    row.keywordList = list;
    row.quotes = quotes;
    return row;
}

OptionRow Flag(std::string_view name, int8_t S::*field, Switch sw = {}, int8_t value = 1) {
    OptionRow row = MakeRow(name, ValueKind::Flag);
    row.field = field;
    row.flagValue = value;
    row.sw = sw;
    row.profileKey = name;
    return row;
}

OptionRow Number(std::string_view name, int32_t S::*field, Switch sw = {}) {
    OptionRow row = MakeRow(name, ValueKind::Number);
    row.field = field;
    row.sw = sw;
    row.profileKey = name;
    return row;
}

OptionRow Real(std::string_view name, float S::*field, Switch sw = {}) {
    OptionRow row = MakeRow(name, ValueKind::Real);
    row.field = field;
    row.sw = sw;
    row.profileKey = name;
    return row;
}

template <typename Field>
OptionRow Keyword(std::string_view name, int list, Field field, Switch sw = {}) {
    OptionRow row = MakeRow(name, ValueKind::Keyword, list);
    row.field = field;
    row.sw = sw;
    row.profileKey = name;
    return row;
}

OptionRow Text(std::string_view name, std::string S::*field, QuoteRule quotes, Switch sw = {}) {
    OptionRow row = MakeRow(name, ValueKind::Text, -1, quotes);
    row.field = field;
    row.sw = sw;
    row.profileKey = name;
    return row;
}

// Options that act on the run; a profile cannot name them.
OptionRow Action(std::string_view name, std::string_view shortName, ValueKind kind,
                 QuoteRule quotes, OptionAction action) {
    OptionRow row = MakeRow(name, kind, -1, quotes);
    row.shortName = shortName;
    row.action = action;
    return row;
}

OptionRow ProfileKey(OptionRow row, std::string_view key) {
    row.profileKey = key;
    return row;
}

OptionRow StripsQuotesInProfile(OptionRow row) {
    row.profileStripsQuotes = true;
    return row;
}

OptionRow Naming(OptionRow row, ValueNames names) {
    row.names = names;
    return row;
}

OptionRow ValueOptional(OptionRow row) {
    row.valueOptional = true;
    return row;
}

void SetInput(const std::string& value, DriverState&) {
    gJob.CommandLineRun = 1;
    gJob.InputFolder = value;
}
void SetOutput(const std::string& value, DriverState&) {
    gJob.OutputFolder = value;
}
// The last of --INPUT and --WINDOW decides between a console run and the window.
void SetWindowInput(const std::string& value, DriverState& state) {
    gJob.CommandLineRun = 0;
    state.windowInput = value;
}
void SetConversion(const std::string& value, DriverState&) {
    gJob.ConversionType = value;
}
void ApplyProfile(const std::string& value, DriverState& state) {
    if (!LoadProfile(value))
        state.errorText = "Invalid profile file";
}
void SetDebug(const std::string&, DriverState&) {
    gJob.RunMode = "DEBUG";
}
void SetQuiet(const std::string&, DriverState& state) {
    state.quiet = true;
}
void SetPause(const std::string&, DriverState& state) {
    state.pause = true;
}

constexpr Switch kRotate{&S::DoImageRotation, 1};
constexpr Switch kResize{&S::DoImageResize, 1};
constexpr Switch kAdjust{&S::DoImageColorCorrection, 1};
constexpr Switch kThreshold{&S::DoImageThreshold, 1};
constexpr Switch kDither{&S::DoImageDither, 1};
constexpr Switch kSolidFrame{&S::DoFrame, kFrameSolid};
constexpr Switch kTextWatermark{&S::DoWatermark, kWatermarkText};
constexpr Switch kImageWatermark{&S::DoWatermark, kWatermarkImage};
constexpr QuoteRule kJoined = QuoteRule::Joined;

std::vector<OptionRow> BuildTable() {
    return {
        // Run and job
        Naming(Action("--INPUT", "-I", ValueKind::Text, kJoined, SetInput), ValueNames::File),
        Naming(Action("--OUTPUT", "-O", ValueKind::Text, kJoined, SetOutput), ValueNames::Folder),
        Action("--CONVERSION", "-C", ValueKind::Text, QuoteRule::QuotesOnly, SetConversion),
        // Input formats
        Keyword("--DDS-LOAD-AS", kDdsLoadAsList, &S::DdsLoadAs),
        Keyword("--GIF-FRAME-LOADING", kFrameLoadingList, &S::GifFrameLoading),
        Keyword("--ICO-FRAME-LOADING", kFrameLoadingList, &S::IcoFrameLoading),
        Keyword("--PSD-COLOR-MODE", kColorModeList, &S::PsdColorMode),
        Keyword("--RAW-LOAD-AS", kRawLoadAsList, &S::RawLoadAs),
        Number("--RAW-HEADER-SIZE", &S::RawHeaderSize),
        Number("--RAW-WIDTH", &S::RawImageWidth),
        Number("--RAW-HEIGHT", &S::RawImageHeight),
        Keyword("--RAW-TONE-MAPPING", kToneMappingList, &S::RawToneMapping),
        Keyword("--TIFF-FRAME-LOADING", kFrameLoadingList, &S::TiffFrameLoading),
        // Output formats
        Number("--BMP-BPP", &S::BmpBpp),
        Keyword("--BMP-COMPRESSION", kCompressionList, &S::BmpCompression),
        Keyword("--BMP-COLOR-TABLE", kColorTableList, &S::BmpColorTable),
        Number("--DDS-BPP", &S::DdsBpp),
        Number("--EXR-BPP", &S::ExrBpp),
        Keyword("--EXR-COMPRESSION", kCompressionList, &S::ExrCompression),
        Number("--GIF-BPP", &S::GifBpp),
        Number("--HDR-BPP", &S::HdrBpp),
        Number("--ICO-BPP", &S::IcoBpp),
        Number("--J2K-BPP", &S::J2kBpp),
        Number("--JNG-BPP", &S::JngBpp),
        Number("--JP2-BPP", &S::Jp2Bpp),
        Number("--JPG-BPP", &S::JpgBpp),
        Number("--JPG-QUALITY", &S::JpgQuality),
        Keyword("--JPG-CHROMA", kChromaList, &S::JpgChroma),
        Keyword("--JPG-SAVE-AS", kJpegSaveAsList, &S::JpgSaveAs),
        Number("--JXR-BPP", &S::JxrBpp),
        Number("--PBM-BPP", &S::PbmBpp),
        Number("--PCX-BPP", &S::PcxBpp),
        Number("--PFM-BPP", &S::PfmBpp),
        Number("--PGM-BPP", &S::PgmBpp),
        Number("--PNG-BPP", &S::PngBpp),
        Keyword("--PNG-COMPRESSION", kCompressionList, &S::PngCompression),
        Flag("--PNG-INTERLACED", &S::PngInterlaced),
        Number("--PPM-BPP", &S::PpmBpp),
        Number("--PSD-BPP", &S::PsdBpp),
        Number("--TGA-BPP", &S::TgaBpp),
        Keyword("--TGA-COMPRESSION", kCompressionList, &S::TgaCompression),
        Number("--TIFF-BPP", &S::TiffBpp),
        Keyword("--TIFF-COMPRESSION", kCompressionList, &S::TiffCompression),
        Keyword("--TIFF-COLOR-MODE", kColorModeList, &S::TiffColorMode),
        Text("--TIFF-CMYK-PROFILE", &S::CmykProfile, kJoined),
        Number("--THREADS", &S::SaveThreads),
        Number("--WBMP-BPP", &S::WbmpBpp),
        Number("--WEBP-BPP", &S::WebpBpp),
        Number("--WEBP-QUALITY", &S::WebpQuality),
        Number("--XPM-BPP", &S::XpmBpp),
        // Transform
        Keyword("--ROTATION-TYPE", kRotationTypeList, &S::ImageRotationType),
        Number("--ROTATION", &S::ImageRotation, kRotate),
        Text("--ROTATION-BACK-COLOR", &S::ImageRotationBackColor, kJoined),
        Number("--WIDTH", &S::ImageWidth, kResize),
        Keyword("--WIDTH-UNIT", kUnitList, &S::ImageWidthUnit),
        Number("--HEIGHT", &S::ImageHeight, kResize),
        Keyword("--HEIGHT-UNIT", kUnitList, &S::ImageHeightUnit),
        Flag("--KEEP-ASPECT-RATIO", &S::KeepAspectRatio),
        Keyword("--RESIZE-TYPE", kResizeTypeList, &S::ImageResizeType),
        Keyword("--RESIZE-ALGORITHM", kResizeAlgorithmList, &S::ImageResizeAlgorithm),
        Flag("--FLIP-HORIZONTAL", &S::DoImageFlipHorizontal),
        Flag("--FLIP-VERTICAL", &S::DoImageFlipVertical),
        // Adjustment
        Number("--BRIGHTNESS", &S::ImageBrightness, kAdjust),
        Number("--CONTRAST", &S::ImageContrast, kAdjust),
        Real("--GAMMA", &S::ImageGamma, kAdjust),
        Flag("--INVERT", &S::ImageInvert, kAdjust),
        Flag("--GREYSCALE", &S::DoImageGreyscale),
        Number("--THRESHOLD", &S::ImageThreshold, kThreshold),
        Keyword("--DITHER", kDitherList, &S::ImageDitherAlgorithm, kDither),
        // Frame
        Number("--FR-SOLID-LEFT", &S::SolidLeft, kSolidFrame),
        Number("--FR-SOLID-RIGHT", &S::SolidRight, kSolidFrame),
        Number("--FR-SOLID-TOP", &S::SolidTop, kSolidFrame),
        Number("--FR-SOLID-BOTTOM", &S::SolidBottom, kSolidFrame),
        Text("--FR-SOLID-LEFT-COLOR", &S::SolidLeftColor, kJoined),
        Text("--FR-SOLID-RIGHT-COLOR", &S::SolidRightColor, kJoined),
        Text("--FR-SOLID-TOP-COLOR", &S::SolidTopColor, kJoined),
        Text("--FR-SOLID-BOTTOM-COLOR", &S::SolidBottomColor, kJoined),
        ProfileKey(Number("--FR-SOLID-OPACITY", &S::SolidOpacity), "--WM-SOLID-OPACITY"),
        // Watermark
        Text("--WM-TEXT", &S::WatermarkText, kJoined, kTextWatermark),
        Text("--WM-FONT", &S::FontName, kJoined),
        Number("--WM-FONT-SIZE", &S::FontSize),
        Number("--WM-FONT-LEADING", &S::FontLeading),
        Text("--WM-FONT-COLOR", &S::FontColor, kJoined),
        Keyword("--WM-FONT-STYLE", kFontStyleList, &S::FontStyle),
        Keyword("--WM-FONT-EFFECT", kFontEffectList, &S::FontEffect),
        Flag("--WM-TEXT-ANTIALIASING", &S::TextAntialiasing),
        Keyword("--WM-TEXT-ALIGNMENT", kAlignmentList, &S::TextAlignment),
        Number("--WM-TEXT-PADDING", &S::TextPadding),
        Number("--WM-TEXT-OPACITY", &S::TextOpacity),
        Text("--WM-BACK-COLOR", &S::BackColor, kJoined),
        Number("--WM-BACK-OPACITY", &S::BackOpacity),
        Keyword("--WM-TEXT-BOUNDARY", kBoundaryList, &S::TextBoundary),
        Keyword("--WM-TEXT-POSITION", kPositionList, &S::TextPosition),
        Number("--WM-TEXT-X-OFFSET", &S::TextXOffset),
        Number("--WM-TEXT-Y-OFFSET", &S::TextYOffset),
        Number("--WM-TEXT-ROTATION", &S::TextRotation),
        Keyword("--WM-TEXT-SIZE", kSizeModeList, &S::TextSize),
        Naming(Text("--WM-IMAGE", &S::WatermarkImage, kJoined, kImageWatermark), ValueNames::File),
        Flag("--WM-IMAGE-GREYSCALE", &S::ImageGreyscale),
        Number("--WM-IMAGE-OPACITY", &S::ImageOpacity),
        Keyword("--WM-IMAGE-BOUNDARY", kBoundaryList, &S::ImageBoundary),
        Keyword("--WM-IMAGE-POSITION", kPositionList, &S::ImagePosition),
        Number("--WM-IMAGE-X-OFFSET", &S::ImageXOffset),
        Number("--WM-IMAGE-Y-OFFSET", &S::ImageYOffset),
        Number("--WM-IMAGE-ROTATION", &S::WatermarkImageRotation),
        Keyword("--WM-IMAGE-SIZE", kSizeModeList, &S::ImageSize),
        // Naming and files
        StripsQuotesInProfile(Text("--FILENAME-MASK", &S::FilenameMask, kJoined)),
        Keyword("--FILE-TIMESTAMP", kTimestampList, &S::FileTimestamp),
        Number("--FILE-TIMESTAMP-CUSTOM", &S::CustomTimestamp),
        Flag("--NO-SUBFOLDERS", &S::KeepSubfolders, {}, 0),
        Naming(Action("--PROFILE", "", ValueKind::Text, kJoined, ApplyProfile), ValueNames::File),
        // Console switches
        Action("--DEBUG", "-D", ValueKind::Flag, QuoteRule::None, SetDebug),
        Action("--QUIET", "-Q", ValueKind::Flag, QuoteRule::None, SetQuiet),
        Action("--PAUSE", "-P", ValueKind::Flag, QuoteRule::None, SetPause),
        // The window, with the file a desktop's "Open with" passes as its input
        Naming(ValueOptional(Action("--WINDOW", "", ValueKind::Text, kJoined, SetWindowInput)),
               ValueNames::File),
    };
}

template <typename T> void Store(const SettingsField& field, T value) {
    std::visit(
        [&](auto member) {
            using Member = decltype(member);
            if constexpr (!std::is_same_v<Member, std::monostate>) {
                using Target = std::remove_reference_t<decltype(gSettings.*member)>;
                if constexpr (std::is_same_v<Target, std::string>) {
                    if constexpr (std::is_convertible_v<T, std::string>)
                        gSettings.*member = value;
                } else if constexpr (std::is_arithmetic_v<T>) {
                    // A byte field keeps the low byte of the value, as a byte would.
                    gSettings.*member = static_cast<Target>(value);
                }
            }
        },
        field);
}

} // namespace

const std::vector<OptionRow>& OptionTable() {
    static const std::vector<OptionRow> table = BuildTable();
    return table;
}

const OptionRow* FindOptionByWord(std::string_view optionWord) {
    if (optionWord.empty())
        return nullptr;
    for (const OptionRow& row : OptionTable())
        if (row.longName == optionWord || (!row.shortName.empty() && row.shortName == optionWord))
            return &row;
    return nullptr;
}

const OptionRow* FindOptionByProfileKey(std::string_view upperKey) {
    for (const OptionRow& row : OptionTable())
        if (!row.profileKey.empty() && row.profileKey == upperKey)
            return &row;
    return nullptr;
}

void ApplyOptionValue(const OptionRow& row, const std::string& value, DriverState& state) {
    if (row.action) {
        row.action(value, state);
        return;
    }
    if (row.sw.field)
        gSettings.*(row.sw.field) = row.sw.value;
    switch (row.kind) {
    case ValueKind::Flag:
        Store(row.field, row.flagValue);
        break;
    case ValueKind::Number:
        Store(row.field, ParseLong(value));
        break;
    case ValueKind::Real:
        Store(row.field, static_cast<float>(ParseReal(value)));
        break;
    case ValueKind::Keyword:
        Store(row.field, KeywordToValue(row.keywordList, TrimSpaces(value)));
        break;
    case ValueKind::Text:
        Store(row.field, value);
        break;
    }
}

} // namespace velmora
