#include "cli/profile.h"

#include "cli/option_table.h"
#include "platform/text.h"
#include "settings/key_value_file.h"

namespace velmora {
bool LoadProfile(const std::string& fileName) {
    if (fileName.empty())
        return false;
    auto text = ReadKeyValueFile(fileName);
    if (!text)
        return false;
    const KeyValueGroup* group = FindGroup(*text, "CLI");
    if (!group)
        return true;
    DriverState unused;
    for (const KeyValueLine& line : group->lines) {
        const OptionRow* row = FindOptionByProfileKey(ToUpper(line.key));
        if (!row)
            continue;
        ApplyOptionValue(
            *row, row->profileStripsQuotes ? WithoutOuterQuotes(line.value) : line.value, unused);
    }
    return true;
}

} // namespace velmora
