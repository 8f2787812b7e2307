#include "template_fill.h"

namespace velmora {

std::optional<std::string> FillPlaceholders(std::string_view text,
                                            const std::map<std::string, std::string>& values,
                                            std::string& unknown) {
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t open = text.find('@', at);
        size_t close = open == std::string_view::npos ? open : text.find('@', open + 1);
        if (close == std::string_view::npos) {
            out.append(text.substr(at));
            break;
        }
        out.append(text.substr(at, open - at));
        std::string name(text.substr(open + 1, close - open - 1));
        auto value = values.find(name);
        if (value == values.end()) {
            unknown = name;
            return std::nullopt;
        }
        out += value->second;
        at = close + 1;
    }
    return out;
}

} // namespace velmora
