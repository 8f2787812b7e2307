#include "settings/key_value_file.h"

#include "platform/files.h"
#include "platform/text.h"

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

} // namespace velmora
