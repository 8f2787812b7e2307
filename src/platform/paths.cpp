#include "platform/paths.h"

namespace velmora {
namespace {

// Where the extension's dot stands in the name, npos when the name has no extension.
size_t ExtensionDot(std::string_view name) {
    size_t stop = name.find_last_of(". ");
    if (stop == std::string_view::npos || name[stop] != '.' || stop == 0)
        return std::string_view::npos;
    return stop;
}

} // namespace

std::string FolderOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string NameOf(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string ExtensionOf(std::string_view path) {
    std::string name = NameOf(path);
    size_t dot = ExtensionDot(name);
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

std::string BaseNameWithoutExtension(std::string_view name) {
    return std::string(name.substr(0, ExtensionDot(name)));
}

std::string WithTrailingSlash(std::string folder) {
    if (!folder.empty() && folder.back() != '/')
        folder += '/';
    return folder;
}

} // namespace velmora
