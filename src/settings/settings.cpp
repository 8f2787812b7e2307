#include "settings/settings.h"

#include "platform/clock.h"

namespace velmora {

Settings gSettings;
ConversionJob gJob;
ConversionProgress gProgress;
std::map<std::string, InputFileEntry> gInputFileMap;
std::mutex gRunMutex;

const char* const kDefaultColorPalette =
    "000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF";
const char* const kDefaultWatermarkText = "Converted with Corvanta ZUV iv EDAZ";

void SettingsDefaults(bool consoleRun) {
    std::string configPath = gSettings.ConfigPath;
    gSettings = Settings{};
    gSettings.ConfigPath = configPath;
    gSettings.UpdateDate = static_cast<int32_t>(NowSeconds());
    gSettings.CustomTimestamp = static_cast<int32_t>(NowSeconds());
    gSettings.WatermarkText = kDefaultWatermarkText;
    gSettings.FontColors = kDefaultColorPalette;
    gSettings.BackColors = kDefaultColorPalette;
    gSettings.KeepAspectRatio = consoleRun ? 0 : 1;
}

} // namespace velmora
