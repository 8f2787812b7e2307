#include "mime_types.h"

#include "platform/text.h"

#include <map>
#include <set>

namespace velmora {
namespace {

constexpr std::string_view kCameraRaw = "image/x-dcraw";

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.front() != '#')
            lines.push_back(line);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return lines;
}

std::vector<std::string_view> Fields(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        size_t end = line.find(separator, start);
        fields.push_back(line.substr(start, end - start));
        if (end == std::string_view::npos)
            return fields;
        start = end + 1;
    }
}

bool IsCameraRaw(const std::string& type, const std::multimap<std::string, std::string>& parents,
                 std::set<std::string>& visited) {
    if (type == kCameraRaw)
        return true;
    if (!visited.insert(type).second)
        return false; // a loop in a broken database
    auto [from, to] = parents.equal_range(type);
    for (auto it = from; it != to; ++it)
        if (IsCameraRaw(it->second, parents, visited))
            return true;
    return false;
}

} // namespace

std::vector<std::string> CameraRawMimeTypes(std::string_view globs2, std::string_view subclasses,
                                            const std::vector<std::string>& extensions) {
    std::multimap<std::string, std::string> parents;
    for (std::string_view line : Lines(subclasses)) {
        auto fields = Fields(line, ' ');
        if (fields.size() == 2)
            parents.emplace(fields[0], fields[1]);
    }
    const std::set<std::string> accepted(extensions.begin(), extensions.end());
    std::set<std::string> types;
    for (std::string_view line : Lines(globs2)) {
        auto fields = Fields(line, ':');
        if (fields.size() < 3 || !StartsWith(fields[2], "*."))
            continue;
        std::string type(fields[1]);
        std::set<std::string> visited;
        if (accepted.count(ToLower(fields[2].substr(2))) && IsCameraRaw(type, parents, visited))
            types.insert(type);
    }
    return {types.begin(), types.end()};
}

} // namespace velmora
