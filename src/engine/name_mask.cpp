#include "engine/name_mask.h"

#include "platform/clock.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "settings/settings.h"

#include <algorithm>
#include <cstdio>

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

std::string BaseName(const NameFacts& facts) {
    return BaseNameWithoutExtension(NameOf(facts.inputFile));
}

using Value = std::string (*)(const NameFacts&);
struct Placeholder {
    std::string_view name;
    Value value;
};

// In the order they are tried: a value inserted by an earlier one can hold a later one.
constexpr Placeholder kPlaceholders[] = {
    {"%filename%", [](const NameFacts& f) { return BaseName(f); }},
    {"%filename[u]%", [](const NameFacts& f) { return ToUpper(BaseName(f)); }},
    {"%filename[l]%", [](const NameFacts& f) { return ToLower(BaseName(f)); }},
    {"%filename[t]%", [](const NameFacts& f) { return ToTitle(BaseName(f)); }},
    {"%ext%", [](const NameFacts& f) { return f.conversionType; }},
    {"%ext[u]%", [](const NameFacts& f) { return ToUpper(f.conversionType); }},
    {"%ext[t]%", [](const NameFacts& f) { return ToTitle(f.conversionType); }},
    {"%yyyy%", [](const NameFacts&) { return std::to_string(CurrentLocalDateTime().year); }},
    {"%mm%", [](const NameFacts&) { return TwoDigits(CurrentLocalDateTime().month); }},
    {"%dd%", [](const NameFacts&) { return TwoDigits(CurrentLocalDateTime().day); }},
    {"%hh%", [](const NameFacts&) { return TwoDigits(CurrentLocalDateTime().hour); }},
    {"%ii%", [](const NameFacts&) { return TwoDigits(CurrentLocalDateTime().minute); }},
    {"%ss%", [](const NameFacts&) { return TwoDigits(CurrentLocalDateTime().second); }},
    {"%bpp%", [](const NameFacts& f) { return std::to_string(f.bpp); }},
    {"%width%", [](const NameFacts& f) { return std::to_string(f.width); }},
    {"%height%", [](const NameFacts& f) { return std::to_string(f.height); }},
    {"%frame%", [](const NameFacts& f) { return std::to_string(f.frame); }},
    {"%rnd%", [](const NameFacts& f) { return FiveCharacters(f.randomNumber); }},
    {"%n%", [](const NameFacts& f) { return FiveCharacters(f.fileCounter); }},
};

const Placeholder* FindPlaceholder(std::string_view name) {
    for (const Placeholder& placeholder : kPlaceholders)
        if (EqualsIgnoreCase(placeholder.name, name))
            return &placeholder;
    return nullptr;
}

} // namespace

std::string ReplacePlaceholder(std::string text, std::string_view placeholder,
                               const NameFacts& facts) {
    const Placeholder* known = FindPlaceholder(placeholder);
    if (!known)
        return text;
    size_t position = 0;
    while ((position = FindIgnoreCase(text, known->name, position)) != std::string::npos) {
        // Read per occurrence: date and time placeholders see the clock as they are replaced.
        std::string value = known->value(facts);
        text.replace(position, known->name.size(), value);
        position += value.size();
    }
    return text;
}

std::string ExpandNameMask(std::string_view mask, const NameFacts& facts) {
    std::string name = ToLower(mask);
    if (name.empty())
        name = "%filename%.%ext%";
    for (const Placeholder& placeholder : kPlaceholders)
        if (name.find(placeholder.name) != std::string::npos)
            name = ReplacePlaceholder(std::move(name), placeholder.name, facts);
    return name;
}

std::string BuildOutputPath(const std::string& outputFolder, const std::string& relativeSubfolder,
                            const Settings& settings, const NameFacts& facts) {
    return outputFolder + (settings.KeepSubfolders != 0 ? relativeSubfolder : "") +
           ExpandNameMask(settings.FilenameMask, facts);
}

std::string ExpandWatermarkText(const std::string& watermarkText, const NameFacts& facts) {
    std::string text = watermarkText;
    std::string probe = ToLower(text);
    if (std::count(text.begin(), text.end(), '%') < 2)
        return text;
    for (const Placeholder& placeholder : kPlaceholders)
        if (probe.find(placeholder.name) != std::string::npos)
            text = ReplacePlaceholder(std::move(text), placeholder.name, facts);
    return text;
}

} // namespace velmora
