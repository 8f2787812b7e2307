#include "settings/key_value_file.h"

#include "platform/files.h"
#include "platform/temp_files.h"
#include "platform/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace velmora {
namespace {

constexpr size_t kMaxKeyValueFileBytes = 64u << 20;

void ParseLine(std::string_view line, KeyValueText& out) {
    size_t start = line.find_first_not_of(" \t");
    if (start == std::string_view::npos)
        return;
    line.remove_prefix(start);
    if (line.front() == ';')
        return;
    if (line.front() == '[') {
        size_t close = line.find(']');
        std::string_view name =
            line.substr(1, close == std::string_view::npos ? line.size() - 1 : close - 1);
        out.groups.push_back({std::string(name), {}});
        return;
    }
    if (out.groups.empty())
        return;
    size_t equals = line.find('=');
    KeyValueLine entry;
    if (equals == std::string_view::npos) {
        entry.key = TrimSpacesAndTabs(line);
    } else {
        entry.key = TrimSpacesAndTabs(line.substr(0, equals));
        entry.value = TrimSpacesAndTabs(line.substr(equals + 1));
    }
    out.groups.back().lines.push_back(std::move(entry));
}

void AppendLine(std::string& out, std::string_view line) {
    out += line;
    out += "\r\n";
}

// A key or value that held a line break would otherwise start a line the reader takes as
// a key, a comment or a group of its own.
std::string SingleLine(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '\r' || c == '\n')
            c = ' ';
    return out;
}

} // namespace

KeyValueText ParseKeyValueText(std::string_view text) {
    KeyValueText out;
    while (!text.empty()) {
        size_t end = text.find_first_of("\r\n");
        std::string_view line = text.substr(0, end);
        ParseLine(line, out);
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return out;
}

std::optional<KeyValueText> ReadKeyValueFile(const std::string& path) {
    auto bytes = ReadWholeFile(path, kMaxKeyValueFileBytes);
    if (!bytes)
        return std::nullopt;
    return ParseKeyValueText(DecodeTextFileBytes(*bytes));
}

const KeyValueGroup* FindGroup(const KeyValueText& text, std::string_view name) {
    for (const auto& group : text.groups)
        if (EqualsIgnoreCase(group.name, name))
            return &group;
    return nullptr;
}

const std::string* FindValue(const KeyValueGroup* group, std::string_view key) {
    if (!group)
        return nullptr;
    for (const auto& line : group->lines)
        if (EqualsIgnoreCase(line.key, key))
            return &line.value;
    return nullptr;
}

int32_t IntegerValue(const KeyValueGroup* group, std::string_view key, int32_t fallback) {
    const std::string* value = FindValue(group, key);
    if (!value)
        return fallback;
    std::string_view text = *value;
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    // Saturates as the C conversion does, instead of wrapping into a different number.
    constexpr int64_t kLimit = int64_t{std::numeric_limits<int32_t>::max()} + 1;
    int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = std::min<int64_t>(magnitude * 10 + (text[i] - '0'), kLimit);
    int64_t result = negative ? -magnitude : magnitude;
    return static_cast<int32_t>(std::clamp<int64_t>(result, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

double RealValue(const KeyValueGroup* group, std::string_view key, double fallback) {
    const std::string* value = FindValue(group, key);
    return value ? ParseReal(*value) : fallback;
}

std::string TextValue(const KeyValueGroup* group, std::string_view key, std::string_view fallback) {
    const std::string* value = FindValue(group, key);
    return value ? *value : std::string(fallback);
}

std::string FormatIntegerValue(int64_t value) {
    return std::to_string(value);
}

std::string FormatRealValue(double value) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value > 0 ? "+Infinity" : "-Infinity";
    // The largest double has 309 integer digits; six decimals follow.
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

std::string FormatKeyValueText(const KeyValueText& text) {
    std::string out = "\xEF\xBB\xBF\r\n";
    for (const KeyValueGroup& group : text.groups) {
        AppendLine(out, "[" + SingleLine(group.name) + "]");
        for (const KeyValueLine& line : group.lines)
            AppendLine(out, SingleLine(line.key) + " = " + SingleLine(line.value));
        AppendLine(out, "; ");
    }
    return out;
}

bool WriteKeyValueFile(const std::string& path, const KeyValueText& text) {
    return WriteFileAtomically(path, FormatKeyValueText(text));
}

} // namespace velmora
