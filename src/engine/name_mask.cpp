#include "engine/name_mask.h"

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>

namespace velmora {
namespace {

std::string TwoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

// Right-aligned in five characters filled with "0"; longer numbers keep their first five.
std::string FiveCharacters(int32_t value) {
    std::string digits = std::to_string(value);
    if (digits.size() < 5)
        return std::string(5 - digits.size(), '0') + digits;
    return digits.substr(0, 5);
}

std::string BaseName() {
    return BaseNameWithoutExtension(NameOf(gJob.InputFile));
}

struct Placeholder {
    std::string_view name;
    std::function<std::string()> value;
};

// In the order they are tried: a value inserted by an earlier one can hold a later one.
const std::array<Placeholder, 19>& Placeholders() {
    static const std::array<Placeholder, 19> table = {{
        {"%filename%", [] { return BaseName(); }},
        {"%filename[u]%", [] { return ToUpper(BaseName()); }},
        {"%filename[l]%", [] { return ToLower(BaseName()); }},
        {"%filename[t]%", [] { return ToTitle(BaseName()); }},
        {"%ext%", [] { return gJob.ConversionType; }},
        {"%ext[u]%", [] { return ToUpper(gJob.ConversionType); }},
        {"%ext[t]%", [] { return ToTitle(gJob.ConversionType); }},
        {"%yyyy%", [] { return std::to_string(CurrentLocalDateTime().year); }},
        {"%mm%", [] { return TwoDigits(CurrentLocalDateTime().month); }},
        {"%dd%", [] { return TwoDigits(CurrentLocalDateTime().day); }},
        {"%hh%", [] { return TwoDigits(CurrentLocalDateTime().hour); }},
        {"%ii%", [] { return TwoDigits(CurrentLocalDateTime().minute); }},
        {"%ss%", [] { return TwoDigits(CurrentLocalDateTime().second); }},
        {"%bpp%", [] { return std::to_string(gJob.OutputBpp); }},
        {"%width%", [] { return std::to_string(gJob.ImageWidthAfter); }},
        {"%height%", [] { return std::to_string(gJob.ImageHeightAfter); }},
        {"%frame%", [] { return std::to_string(gJob.FrameNumber); }},
        {"%rnd%", [] { return FiveCharacters(gJob.RandomNumber); }},
        {"%n%", [] { return FiveCharacters(gJob.FileCounter); }},
    }};
    return table;
}

const Placeholder* FindPlaceholder(std::string_view name) {
    for (const Placeholder& placeholder : Placeholders())
        if (EqualsIgnoreCase(placeholder.name, name))
            return &placeholder;
    return nullptr;
}

} // namespace

std::string ReplacePlaceholder(std::string text, std::string_view placeholder) {
    const Placeholder* known = FindPlaceholder(placeholder);
    if (!known)
        return text;
    size_t position = 0;
    while ((position = FindIgnoreCase(text, known->name, position)) != std::string::npos) {
        // Read per occurrence: date and time placeholders see the clock as they are replaced.
        std::string value = known->value();
        text.replace(position, known->name.size(), value);
        position += value.size();
    }
    return text;
}

std::string ExpandNameMask() {
    std::string mask = ToLower(gSettings.FilenameMask);
    if (mask.empty())
        mask = "%filename%.%ext%";
    for (const Placeholder& placeholder : Placeholders())
        if (mask.find(placeholder.name) != std::string::npos)
            mask = ReplacePlaceholder(std::move(mask), placeholder.name);
    return mask;
}

std::string BuildOutputPath() {
    return gJob.OutputFolder + (gSettings.KeepSubfolders != 0 ? gJob.RelativeSubfolder : "") +
           ExpandNameMask();
}

std::string ExpandWatermarkText() {
    std::string text = gSettings.WatermarkText;
    std::string probe = ToLower(text);
    if (std::count(text.begin(), text.end(), '%') < 2)
        return text;
    for (const Placeholder& placeholder : Placeholders())
        if (probe.find(placeholder.name) != std::string::npos)
            text = ReplacePlaceholder(std::move(text), placeholder.name);
    return text;
}

} // namespace velmora
