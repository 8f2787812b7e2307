// config.ini: the setting table's groups and keys drive both the reader and the writer, so a
// key can never be read under one name and written under another.
#include "gui/storage/config_file.h"

#include "cli/help.h"
#include "engine/format_registry.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/key_value_file.h"
#include "settings/setting_table.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <unistd.h>
#include <variant>
#include <vector>

namespace velmora {
namespace {

constexpr int32_t kConfigLayoutVersion = 19;

// The groups of config.ini in the order the writer puts them: as the setting table meets them.
std::vector<std::string_view> ConfigGroups() {
    std::vector<std::string_view> groups;
    for (const SettingSpec& spec : SettingTable())
        if (!spec.group.empty() &&
            std::find(groups.begin(), groups.end(), spec.group) == groups.end())
            groups.push_back(spec.group);
    return groups;
}

// The field keeps its value (the default) when the key is missing.
void ReadKey(const KeyValueGroup* group, const SettingSpec& entry, Settings& settings) {
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

std::string WrittenValue(const SettingSpec& entry, const Settings& settings) {
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

void AppendKey(const SettingSpec& entry, const Settings& settings, KeyValueGroup& out) {
    out.lines.push_back({std::string(entry.key), WrittenValue(entry, settings)});
}

// A group's keys in the table's order; Input and Output write Format first, then the keys of
// each format the product offers, in the order of its list.
void AppendGroupKeys(std::string_view group, const Settings& settings, KeyValueGroup& out) {
    for (const SettingSpec& entry : SettingTable())
        if (entry.group == group && entry.format.empty())
            AppendKey(entry, settings, out);
    const std::vector<std::string>* formats = group == "Input"    ? &EnabledInputGroups()
                                              : group == "Output" ? &EnabledOutputFormats()
                                                                  : nullptr;
    if (!formats)
        return;
    for (const std::string& format : *formats)
        for (const SettingSpec& entry : SettingTable())
            if (entry.group == group && entry.format == format)
                AppendKey(entry, settings, out);
}

KeyValueText SettingsAsText(const Settings& settings) {
    KeyValueText text;
    for (std::string_view group : ConfigGroups()) {
        KeyValueGroup& out = text.groups.emplace_back();
        out.name = group;
        if (group == "Window" && settings.SaveWindowPosition != 1)
            continue;
        AppendGroupKeys(group, settings, out);
        if (group == "General")
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
    for (const SettingSpec& entry : SettingTable())
        if (!entry.group.empty())
            ReadKey(FindGroup(*text, entry.group), entry, gSettings);
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
