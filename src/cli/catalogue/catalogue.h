// The built-in message catalogue: every text of the interface and the batch driver's
// status lines, addressed by (group, key) without regard to letter case.
#pragma once

#include <string>
#include <string_view>

namespace velmora {

// One pair of the built-in table: "_GROUP_" starts a group, "_END_" ends the table,
// anything else is an entry of the current group.
struct CataloguePair {
    const char* name;
    const char* text;
};
// The built-in table, ending with the "_END_" pair.
extern const CataloguePair kBuiltInCatalogue[];

inline constexpr const char* kNoStringError = "%NO_STRING_ERROR%";

// Builds the sorted, indexed catalogue from kBuiltInCatalogue. Call once before lookups.
void LoadCatalogue();
// Builds the catalogue from any table of pairs ending with "_END_" (tests use small ones).
void LoadCatalogueFrom(const CataloguePair* table);
// The entry's text, or "%NO_STRING_ERROR%" when the group or key is unknown.
std::string CatalogueText(std::string_view group, std::string_view key);

// Number of groups and entries of the loaded catalogue, and the entries of one group.
int CatalogueGroupCount();
int CatalogueEntryCount(std::string_view group);

} // namespace velmora
