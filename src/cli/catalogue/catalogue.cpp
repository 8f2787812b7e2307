#include "cli/catalogue/catalogue.h"

#include "platform/text.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace velmora {
namespace {

struct CatalogueGroup {
    std::string name; // upper case
    int first = 0;
    int last = 0;
    std::array<int, 256> firstByCharacter{};
};

// 1-based arrays, as the lookup walks them by index; element 0 is unused.
std::vector<std::string> gEntryNames;
std::vector<std::string> gEntryTexts;
std::vector<CatalogueGroup> gGroups;
int gCachedGroup = 0;

constexpr std::string_view kGroupMarker = "_GROUP_";
constexpr std::string_view kEndMarker = "_END_";
constexpr char kJoiner = '\x01';

void SortAndIndex(CatalogueGroup& group, std::vector<std::string>& joined) {
    std::sort(joined.begin() + group.first, joined.begin() + group.last + 1);
    int previous = -1;
    for (int i = group.first; i <= group.last; ++i) {
        const std::string& entry = joined[static_cast<size_t>(i)];
        size_t split = entry.find(kJoiner);
        gEntryNames[static_cast<size_t>(i)] = entry.substr(0, split);
        gEntryTexts[static_cast<size_t>(i)] = entry.substr(split + 1);
        const std::string& name = gEntryNames[static_cast<size_t>(i)];
        int character = name.empty() ? 0 : static_cast<unsigned char>(name[0]);
        if (character != previous)
            group.firstByCharacter[static_cast<size_t>(character)] = i;
        previous = character;
    }
}

} // namespace

void LoadCatalogueFrom(const CataloguePair* table) {
    size_t groupCount = 0, entryCount = 0;
    for (const CataloguePair* pair = table; ToUpper(pair->name) != kEndMarker; ++pair)
        (ToUpper(pair->name) == kGroupMarker ? groupCount : entryCount) += 1;

    gEntryNames.assign(entryCount + 1, {});
    gEntryTexts.assign(entryCount + 1, {});
    gGroups.assign(groupCount + 1, {});
    gCachedGroup = 0;
    std::vector<std::string> joined(entryCount + 1);

    int g = 0, n = 0;
    for (const CataloguePair* pair = table;; ++pair) {
        std::string name = ToUpper(pair->name);
        if (name == kEndMarker)
            break;
        if (name == kGroupMarker) {
            gGroups[static_cast<size_t>(g)].last = n;
            ++g;
            gGroups[static_cast<size_t>(g)].name = ToUpper(pair->text);
            gGroups[static_cast<size_t>(g)].first = n + 1;
            continue;
        }
        ++n;
        joined[static_cast<size_t>(n)] = name + kJoiner + pair->text;
    }
    gGroups[static_cast<size_t>(g)].last = n;

    for (size_t i = 1; i < gGroups.size(); ++i)
        if (gGroups[i].first <= gGroups[i].last)
            SortAndIndex(gGroups[i], joined);
}

void LoadCatalogue() {
    LoadCatalogueFrom(kBuiltInCatalogue);
}

std::string CatalogueText(std::string_view group, std::string_view key) {
    std::string wantedGroup = ToUpper(group);
    std::string wantedKey = ToUpper(key);
    std::string result = kNoStringError;

    if (gCachedGroup <= 0 || static_cast<size_t>(gCachedGroup) >= gGroups.size() ||
        gGroups[static_cast<size_t>(gCachedGroup)].name != wantedGroup) {
        gCachedGroup = 0;
        for (size_t i = 1; i < gGroups.size(); ++i)
            if (gGroups[i].name == wantedGroup) {
                gCachedGroup = static_cast<int>(i);
                break;
            }
    }
    if (gCachedGroup == 0 || wantedKey.empty())
        return result;

    const CatalogueGroup& found = gGroups[static_cast<size_t>(gCachedGroup)];
    int start = found.firstByCharacter[static_cast<unsigned char>(wantedKey[0])];
    if (start == 0)
        return result;
    for (int i = start; i <= found.last; ++i) {
        const std::string& name = gEntryNames[static_cast<size_t>(i)];
        if (name == wantedKey)
            return gEntryTexts[static_cast<size_t>(i)];
        if (name > wantedKey)
            break;
    }
    return result;
}

int CatalogueGroupCount() {
    return gGroups.empty() ? 0 : static_cast<int>(gGroups.size()) - 1;
}

int CatalogueEntryCount(std::string_view group) {
    std::string wanted = ToUpper(group);
    for (size_t i = 1; i < gGroups.size(); ++i)
        if (gGroups[i].name == wanted)
            return gGroups[i].last - gGroups[i].first + 1;
    return 0;
}

} // namespace velmora
