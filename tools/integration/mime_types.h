// The camera RAW types of the shared MIME database that name an extension the program
// accepts: what the desktop file and the metainfo offer to open.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// The types, sorted, whose "*.ext" glob in globs2 (weight:type:glob[:flags] lines) names one
// of extensions (lower case) and that are camera RAW pictures: image/x-dcraw or, by the
// "type parent" lines of subclasses, a descendant of it.
std::vector<std::string> CameraRawMimeTypes(std::string_view globs2, std::string_view subclasses,
                                            const std::vector<std::string>& extensions);

} // namespace velmora
