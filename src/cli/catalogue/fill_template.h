// Message templates: texts with "%s1%" to "%s4%" placeholders.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// Replaces every "%sK%" (any letter case) by the K-th argument; an empty argument
// leaves its placeholder as it is.
std::string FillTemplate(std::string_view messageTemplate, std::string_view s1 = {},
                         std::string_view s2 = {}, std::string_view s3 = {},
                         std::string_view s4 = {});

} // namespace velmora
