// config.ini: one table of groups and keys drives both the reader and the writer, so a key
// can never be read under one name and written under another.
#include "gui/storage/config_file.h"

#include "cli/help.h"
#include "engine/format_registry.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/key_value_file.h"
#include "settings/settings.h"

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <variant>
#include <vector>

namespace velmora {
namespace {

constexpr int32_t kConfigLayoutVersion = 19;

using FieldRef = std::variant<int32_t Settings::*, int8_t Settings::*, float Settings::*,
                              std::string Settings::*>;

struct ConfigKey {
    std::string_view key;
    FieldRef field;
    // Per-format keys are written only while their format stands in the product's lists.
    std::string_view format = {};
};

struct ConfigGroup {
    std::string_view name;
    std::vector<ConfigKey> keys;
};

// Every group and key in the order the reader takes them and the writer puts them.
const std::vector<ConfigGroup>& ConfigLayout() {
    using S = Settings;
    static const std::vector<ConfigGroup> layout = {
        {"General",
         {{"CFG", &S::CfgVersion},
          {"Language", &S::Language},
          {"Update Range", &S::UpdateRange},
          {"Update Date", &S::UpdateDate},
          {"Save Window Position", &S::SaveWindowPosition}}},
        {"Window",
         {{"IsMaximized", &S::IsMaximized},
          {"Width", &S::WindowWidth},
          {"Height", &S::WindowHeight},
          {"X", &S::WindowX},
          {"Y", &S::WindowY}}},
        {"Interface", {{"UI Theme", &S::UiTheme}, {"UI Size", &S::UiSize}}},
        {"Input",
         {{"Format", &S::InputFormat},
          {"GIF Frame Loading", &S::GifFrameLoading, "gif"},
          {"ICO Frame Loading", &S::IcoFrameLoading, "ico"},
          {"TIFF Frame Loading", &S::TiffFrameLoading, "tiff"},
          {"DDS Load As", &S::DdsLoadAs, "dds"},
          {"PSD Color Mode", &S::PsdColorMode, "psd"},
          {"RAW Load As", &S::RawLoadAs, "raw"},
          {"RAW Header Size", &S::RawHeaderSize, "raw"},
          {"RAW Image Width", &S::RawImageWidth, "raw"},
          {"RAW Image Height", &S::RawImageHeight, "raw"},
          {"RAW Tone Mapping", &S::RawToneMapping, "raw"}}},
        {"Output",
         {{"Format", &S::OutputFormat},
          {"BMP BPP", &S::BmpBpp, "bmp"},
          {"BMP Compression", &S::BmpCompression, "bmp"},
          {"BMP Color Table", &S::BmpColorTable, "bmp"},
          {"DDS BPP", &S::DdsBpp, "dds"},
          {"EXR BPP", &S::ExrBpp, "exr"},
          {"EXR Compression", &S::ExrCompression, "exr"},
          {"GIF BPP", &S::GifBpp, "gif"},
          {"HDR BPP", &S::HdrBpp, "hdr"},
          {"ICO BPP", &S::IcoBpp, "ico"},
          {"J2K BPP", &S::J2kBpp, "j2k"},
          {"JNG BPP", &S::JngBpp, "jng"},
          {"JP2 BPP", &S::Jp2Bpp, "jp2"},
          {"JPG BPP", &S::JpgBpp, "jpg"},
          {"JPG Quality", &S::JpgQuality, "jpg"},
          {"JPG Chroma", &S::JpgChroma, "jpg"},
          {"JPG Save As", &S::JpgSaveAs, "jpg"},
          {"JXR BPP", &S::JxrBpp, "jxr"},
          {"PBM BPP", &S::PbmBpp, "pbm"},
          {"PCX BPP", &S::PcxBpp, "pcx"},
          {"PFM BPP", &S::PfmBpp, "pfm"},
          {"PGM BPP", &S::PgmBpp, "pgm"},
          {"PNG BPP", &S::PngBpp, "png"},
          {"PNG Compression", &S::PngCompression, "png"},
          {"PNG Interlaced", &S::PngInterlaced, "png"},
          {"PPM BPP", &S::PpmBpp, "ppm"},
          {"PSD BPP", &S::PsdBpp, "psd"},
          {"TGA BPP", &S::TgaBpp, "tga"},
          {"TGA Compression", &S::TgaCompression, "tga"},
          {"TIFF BPP", &S::TiffBpp, "tiff"},
          {"TIFF Compression", &S::TiffCompression, "tiff"},
          {"TIFF Color Mode", &S::TiffColorMode, "tiff"},
          {"CmykProfile", &S::CmykProfile, "tiff"},
          {"WBMP BPP", &S::WbmpBpp, "wbmp"},
          {"WEBP BPP", &S::WebpBpp, "webp"},
          {"WEBP Quality", &S::WebpQuality, "webp"},
          {"XPM BPP", &S::XpmBpp, "xpm"}}},
        {"Transform",
         {{"Do Image Rotation", &S::DoImageRotation},
          {"Image Rotation Type", &S::ImageRotationType},
          {"Image Rotation", &S::ImageRotation},
          {"Image Rotation Back Color", &S::ImageRotationBackColor},
          {"Do Image Resize", &S::DoImageResize},
          {"Image Width", &S::ImageWidth},
          {"Image Width Unit", &S::ImageWidthUnit},
          {"Image Height", &S::ImageHeight},
          {"Image Height Unit", &S::ImageHeightUnit},
          {"Keep Aspect Ratio", &S::KeepAspectRatio},
          {"Image Resize Type", &S::ImageResizeType},
          {"Image Resize Algorithm", &S::ImageResizeAlgorithm},
          {"Do Image Flip Horizontal", &S::DoImageFlipHorizontal},
          {"Do Image Flip Vertical", &S::DoImageFlipVertical}}},
        {"Adjustment",
         {{"Do Image Color Correction", &S::DoImageColorCorrection},
          {"Image Brightness", &S::ImageBrightness},
          {"Image Contrast", &S::ImageContrast},
          {"Image Gamma", &S::ImageGamma},
          {"Image Invert", &S::ImageInvert},
          {"Do Image Greyscale", &S::DoImageGreyscale},
          {"Do Image Threshold", &S::DoImageThreshold},
          {"Image Threshold", &S::ImageThreshold},
          {"Do Image Dither", &S::DoImageDither},
          {"Image Dither Algorithm", &S::ImageDitherAlgorithm}}},
        {"Frame",
         {{"Do Frame", &S::DoFrame},
          {"Solid Left", &S::SolidLeft},
          {"Solid Right", &S::SolidRight},
          {"Solid Top", &S::SolidTop},
          {"Solid Bottom", &S::SolidBottom},
          {"Solid Left Color", &S::SolidLeftColor},
          {"Solid Right Color", &S::SolidRightColor},
          {"Solid Top Color", &S::SolidTopColor},
          {"Solid Bottom Color", &S::SolidBottomColor},
          {"Solid Opacity", &S::SolidOpacity}}},
        {"Watermark",
         {{"Do Watermark", &S::DoWatermark},
          {"Text", &S::WatermarkText},
          {"Fonts", &S::FontList},
          {"Font", &S::FontName},
          {"Font Size", &S::FontSize},
          {"Font Leading", &S::FontLeading},
          {"Font Colors", &S::FontColors},
          {"Font Color", &S::FontColor},
          {"Font Style", &S::FontStyle},
          {"Font Effect", &S::FontEffect},
          {"Text Antialiasing", &S::TextAntialiasing},
          {"Text Alignment", &S::TextAlignment},
          {"Text Padding", &S::TextPadding},
          {"Text Opacity", &S::TextOpacity},
          {"Back Colors", &S::BackColors},
          {"Back Color", &S::BackColor},
          {"Back Opacity", &S::BackOpacity},
          {"Text Boundary", &S::TextBoundary},
          {"Text Position", &S::TextPosition},
          {"Text X Offset", &S::TextXOffset},
          {"Text Y Offset", &S::TextYOffset},
          {"Text Rotation", &S::TextRotation},
          {"Text Size", &S::TextSize},
          {"Text Scale", &S::TextScale},
          {"Image", &S::WatermarkImage},
          {"Image Greyscale", &S::ImageGreyscale},
          {"Image Opacity", &S::ImageOpacity},
          {"Image Boundary", &S::ImageBoundary},
          {"Image Position", &S::ImagePosition},
          {"Image X Offset", &S::ImageXOffset},
          {"Image Y Offset", &S::ImageYOffset},
          {"Image Rotation", &S::WatermarkImageRotation},
          {"Image Size", &S::ImageSize},
          {"Image Scale", &S::ImageScale}}},
        {"Advanced",
         {{"Filename Mask", &S::FilenameMask},
          {"File Timestamp", &S::FileTimestamp},
          {"Custom Timestamp", &S::CustomTimestamp},
          {"Out Folders History", &S::OutFoldersHistory},
          {"Out Folders Number", &S::OutFoldersNumber},
          {"Keep Subfolders", &S::KeepSubfolders}}},
        {"File", {{"Recent Out Folders", &S::RecentOutFolders}, {"Recent Files", &S::RecentFiles}}},
        {"Privacy", {{"Clean Recent Files", &S::CleanRecentFiles}}},
    };
    return layout;
}

// The field keeps its value (the default) when the key is missing.
void ReadKey(const KeyValueGroup* group, const ConfigKey& entry, Settings& settings) {
    if (!FindValue(group, entry.key))
        return;
    std::visit(
        [&](auto member) {
            auto& field = settings.*member;
            using Field = std::remove_reference_t<decltype(field)>;
            if constexpr (std::is_same_v<Field, std::string>)
                field = TextValue(group, entry.key, {});
            else if constexpr (std::is_same_v<Field, float>)
                field = static_cast<float>(RealValue(group, entry.key, 0.0));
            else // a one-byte field keeps the low byte of the integer read
                field = static_cast<Field>(IntegerValue(group, entry.key, 0));
        },
        entry.field);
}

std::string WrittenValue(const ConfigKey& entry, const Settings& settings) {
    return std::visit(
        [&](auto member) {
            const auto& field = settings.*member;
            using Field = std::remove_cvref_t<decltype(field)>;
            if constexpr (std::is_same_v<Field, std::string>)
                return field;
            else if constexpr (std::is_same_v<Field, float>)
                return FormatRealValue(field);
            else
                return FormatIntegerValue(field);
        },
        entry.field);
}

// Input and Output write Format first, then the keys of each format the product offers, in
// the order of its list.
void AppendPerFormatKeys(const ConfigGroup& group, const std::vector<std::string>& formats,
                         const Settings& settings, KeyValueGroup& out) {
    for (const ConfigKey& entry : group.keys)
        if (entry.format.empty())
            out.lines.push_back({std::string(entry.key), WrittenValue(entry, settings)});
    for (const std::string& format : formats)
        for (const ConfigKey& entry : group.keys)
            if (entry.format == format)
                out.lines.push_back({std::string(entry.key), WrittenValue(entry, settings)});
}

KeyValueText SettingsAsText(const Settings& settings) {
    KeyValueText text;
    for (const ConfigGroup& group : ConfigLayout()) {
        KeyValueGroup& out = text.groups.emplace_back();
        out.name = group.name;
        if (group.name == "Window" && settings.SaveWindowPosition != 1)
            continue;
        if (group.name == "Input") {
            AppendPerFormatKeys(group, EnabledInputGroups(), settings, out);
        } else if (group.name == "Output") {
            AppendPerFormatKeys(group, EnabledOutputFormats(), settings, out);
        } else {
            for (const ConfigKey& entry : group.keys)
                out.lines.push_back({std::string(entry.key), WrittenValue(entry, settings)});
        }
        if (group.name == "General")
            out.lines.front().value = FormatIntegerValue(kConfigLayoutVersion);
    }
    return text;
}

void Migrate(const KeyValueText& text, Settings& settings) {
    if (settings.CfgVersion < 11 &&
        FindIgnoreCase(settings.FilenameMask, "%ext%") == std::string::npos)
        settings.FilenameMask += ".%ext%";
    // Two load modes were added in front of the 24- and 48-bit ones.
    if (settings.CfgVersion < 14 && settings.RawLoadAs != 0)
        settings.RawLoadAs += 2;
    if (settings.CfgVersion < 19) {
        if (int32_t psd = IntegerValue(FindGroup(text, "Input"), "PSD Color Model", 0))
            settings.PsdColorMode = psd;
        if (int32_t tiff = IntegerValue(FindGroup(text, "Output"), "TIFF Color Model", 0))
            settings.TiffColorMode = tiff;
    }
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

} // namespace

std::string ConfigFolder() {
    // A relative XDG_CONFIG_HOME is invalid and ignored, as the base directory rules say.
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    std::string base = xdg && xdg[0] == '/' ? xdg : WithTrailingSlash(HomeFolder()) + ".config";
    std::string_view title = kProductName;
    std::string maker(title.substr(0, title.find(' ')));
    std::string folder = WithTrailingSlash(base) + maker + "/velmora/";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    return folder;
}

std::string ConfigFilePath() {
    return ConfigFolder() + "config.ini";
}

bool LoadConfig() {
    SettingsDefaults(false);
    auto text = ReadKeyValueFile(gSettings.ConfigPath);
    if (!text)
        return false;
    gSettings.CfgVersion = 0; // a file without the key predates the version mark
    for (const ConfigGroup& group : ConfigLayout()) {
        const KeyValueGroup* found = FindGroup(*text, group.name);
        for (const ConfigKey& entry : group.keys)
            ReadKey(found, entry, gSettings);
    }
    Migrate(*text, gSettings);
    return true;
}

bool SaveConfig() {
    if (gSettings.ConfigPath.empty())
        return false;
    return WriteKeyValueFile(gSettings.ConfigPath, SettingsAsText(gSettings));
}

void CaptureWindowState(const WindowState& window) {
    // A minimised window's size says nothing about how the user left it; a maximised one
    // keeps the normal geometry to come back to.
    if (window.minimized)
        return;
    if (window.maximized) {
        gSettings.IsMaximized = 1;
        return;
    }
    gSettings.IsMaximized = 0;
    gSettings.WindowWidth = window.width;
    gSettings.WindowHeight = window.height;
    gSettings.WindowX = window.x;
    gSettings.WindowY = window.y;
}

bool SaveConfigOnExit(const WindowState& window) {
    CaptureWindowState(window);
    if (gSettings.OutFoldersHistory == 0)
        gSettings.RecentOutFolders.clear();
    return SaveConfig();
}

void CentreWindowOnDesktop(int desktopWidth, int desktopHeight) {
    gSettings.WindowX =
        desktopWidth > gSettings.WindowWidth ? (desktopWidth - gSettings.WindowWidth) / 2 : 100;
    gSettings.WindowY =
        desktopHeight > gSettings.WindowHeight ? (desktopHeight - gSettings.WindowHeight) / 2 : 100;
}

bool ResetConfigToDefaults(int desktopWidth, int desktopHeight) {
    SettingsDefaults(false);
    CentreWindowOnDesktop(desktopWidth, desktopHeight);
    return SaveConfig();
}

} // namespace velmora
