// The key = value reader as config.ini and profiles use it: every typed lookup, and the
// written form must read back as itself.
#include "fuzz_input.h"
#include "platform/text.h"
#include "settings/key_value_file.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    KeyValueText text = ParseKeyValueText(DecodeTextFileBytes(fuzz::AsText(data, size)));
    for (const KeyValueGroup& group : text.groups) {
        const KeyValueGroup* found = FindGroup(text, group.name);
        // Lookups search the group from its start: a few keys reach every code path.
        for (size_t i = 0; i < std::min<size_t>(group.lines.size(), 8); ++i) {
            const std::string& key = group.lines[i].key;
            int32_t integer = IntegerValue(found, key, 0);
            if (ParseLong(FormatIntegerValue(integer)) != integer)
                std::abort();
            FormatRealValue(RealValue(found, key, 0.0));
            TextValue(found, key, {});
        }
    }
    std::string written = FormatKeyValueText(text);
    if (FormatKeyValueText(ParseKeyValueText(DecodeTextFileBytes(written))) != written)
        std::abort();
    return 0;
}
