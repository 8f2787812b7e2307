// The key = value text format shared by profile files and the settings file:
// "[Group]" lines, "key = value" lines, ";" comments. The reader is lenient; the writer
// produces the one form the settings file is kept in.
#pragma once

#include <cstdint>
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

// The value of the first line of that key in the group, compared without regard to letter
// case; nullptr when the group is missing or has no such key.
const std::string* FindValue(const KeyValueGroup* group, std::string_view key);
// Typed lookups; a missing key gives the fallback.
// Integers by the C library's decimal rule: a sign and leading digits, none gives 0;
// beyond the 32-bit range the nearest end of it.
int32_t IntegerValue(const KeyValueGroup* group, std::string_view key, int32_t fallback);
// "+Infinity", "-Infinity", "NaN" or a decimal number.
double RealValue(const KeyValueGroup* group, std::string_view key, double fallback);
std::string TextValue(const KeyValueGroup* group, std::string_view key, std::string_view fallback);

// Values as the writer puts them: signed decimal; "%f" (six decimals, "." whatever the
// locale), "+Infinity", "-Infinity", "NaN".
std::string FormatIntegerValue(int64_t value);
std::string FormatRealValue(double value);

// The written form: UTF-8 byte-order mark and CR LF (an empty first line), then every group
// as its "[name]" line, its "key = value" lines and a "; " line closing it, every line ending
// in CR LF. Line breaks inside keys and values become spaces so that no value can start a
// line of its own.
std::string FormatKeyValueText(const KeyValueText& text);
// Writes the written form through a temporary file renamed over path; path is untouched
// when that fails.
bool WriteKeyValueFile(const std::string& path, const KeyValueText& text);

} // namespace velmora
