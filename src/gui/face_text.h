// Catalogue texts and the process's UTF-8 strings as Qt strings.
#pragma once

#include "cli/catalogue/catalogue.h"
#include "cli/catalogue/fill_template.h"

#include <QString>

#include <string>
#include <string_view>

namespace velmora {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

inline std::string U(const QString& text) {
    return text.toStdString();
}

inline QString Text(std::string_view group, std::string_view key) {
    return Q(CatalogueText(group, key));
}

// A catalogue template filled with its arguments.
inline QString Filled(std::string_view group, std::string_view key, std::string_view s1,
                      std::string_view s2 = {}) {
    return Q(FillTemplate(CatalogueText(group, key), s1, s2));
}

} // namespace velmora
