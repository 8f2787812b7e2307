// The key = value text format shared by profile files and the settings file:
// "[Group]" lines, "key = value" lines, ";" comments.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

struct KeyValueLine {
    std::string key;
    std::string value;
};

struct KeyValueGroup {
    std::string name;
    std::vector<KeyValueLine> lines;
};

// The groups of a file in file order; lines before the first group are dropped.
struct KeyValueText {
    std::vector<KeyValueGroup> groups;
};

// Parses text that is already UTF-8.
KeyValueText ParseKeyValueText(std::string_view text);
// Reads and parses a file (byte-order mark, UTF-8 or Latin-1); nullopt when it cannot
// be opened or is beyond any sensible size for a settings file.
std::optional<KeyValueText> ReadKeyValueFile(const std::string& path);
// The first group of that name, compared without regard to letter case; nullptr if none.
const KeyValueGroup* FindGroup(const KeyValueText& text, std::string_view name);

} // namespace velmora
