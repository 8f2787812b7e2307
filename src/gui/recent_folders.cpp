#include "gui/recent_folders.h"

#include "platform/text.h"

#include <algorithm>

namespace velmora {

std::vector<std::string> SplitRecentFolders(const std::string& list) {
    std::vector<std::string> folders;
    size_t start = 0;
    while (start <= list.size()) {
        size_t tab = list.find('\t', start);
        std::string folder = list.substr(start, tab == std::string::npos ? tab : tab - start);
        if (!folder.empty())
            folders.push_back(folder);
        if (tab == std::string::npos)
            break;
        start = tab + 1;
    }
    return folders;
}

std::string PutRecentFolderFirst(const std::string& list, const std::string& folder, int limit) {
    if (folder.empty())
        return list;
    // The settings allow 1 to 50; a damaged file must not empty the list.
    size_t keep = static_cast<size_t>(std::max(limit, 1));
    std::string joined = folder;
    size_t count = 1;
    for (const std::string& entry : SplitRecentFolders(list)) {
        if (count >= keep)
            break;
        if (EqualsIgnoreCase(entry, folder))
            continue;
        joined += '\t' + entry;
        ++count;
    }
    return joined;
}

} // namespace velmora
