// The desktop entry and the AppStream metainfo are templates in packaging/ whose @NAME@
// placeholders the build fills with what the program itself knows.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace velmora {

// The template with every @NAME@ replaced by values[NAME]; nullopt, with the name in
// unknown, when a placeholder has no value (a typo must not reach a package).
std::optional<std::string> FillPlaceholders(std::string_view text,
                                            const std::map<std::string, std::string>& values,
                                            std::string& unknown);

} // namespace velmora
