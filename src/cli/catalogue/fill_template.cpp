#include "cli/catalogue/fill_template.h"

#include "platform/text.h"

namespace velmora {
namespace {

std::string ReplaceAllIgnoreCase(std::string text, std::string_view placeholder,
                                 std::string_view value) {
    size_t position = 0;
    while ((position = FindIgnoreCase(text, placeholder, position)) != std::string::npos) {
        text.replace(position, placeholder.size(), value);
        position += value.size();
    }
    return text;
}

} // namespace

std::string FillTemplate(std::string_view messageTemplate, std::string_view s1, std::string_view s2,
                         std::string_view s3, std::string_view s4) {
    std::string text(messageTemplate);
    if (text.empty())
        return text;
    const std::string_view values[] = {s1, s2, s3, s4};
    const std::string_view placeholders[] = {"%s1%", "%s2%", "%s3%", "%s4%"};
    for (int k = 0; k < 4; ++k)
        if (!values[k].empty())
            text = ReplaceAllIgnoreCase(std::move(text), placeholders[k], values[k]);
    return text;
}

} // namespace velmora
