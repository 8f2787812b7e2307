#include "settings/settings.h"

#include "settings/setting_table.h"

namespace velmora {

const char* const kDefaultColorPalette =
    "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";
const char* const kDefaultWatermarkText = "Converted with Corvanta ZUV iv EDAZ";

Settings DefaultSettings(bool consoleRun) {
    Settings settings;
    for (const SettingSpec& spec : SettingTable())
        ApplyDefault(spec, settings, consoleRun);
    return settings;
}

Settings gSettings = DefaultSettings(false);
ConversionJob gJob;
ConversionProgress gProgress;
std::map<std::string, InputFileEntry> gInputFileMap;
std::mutex gRunMutex;

void SettingsDefaults(bool consoleRun) {
    std::string configPath = std::move(gSettings.ConfigPath);
    gSettings = DefaultSettings(consoleRun);
    gSettings.ConfigPath = std::move(configPath);
}

} // namespace velmora
