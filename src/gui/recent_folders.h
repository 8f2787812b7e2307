// The recent output folders: one text, the folders separated by TAB, newest first.
#pragma once

#include <string>
#include <vector>

namespace velmora {

std::vector<std::string> SplitRecentFolders(const std::string& list);

// The list with folder at its head, every other entry equal to it (ignoring letter case)
// left out, cut to limit entries. An empty folder leaves the list as it is.
std::string PutRecentFolderFirst(const std::string& list, const std::string& folder, int limit);

} // namespace velmora
