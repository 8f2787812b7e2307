// Output names and watermark texts: NUL-separated mask, watermark text, input path,
// conversion type and one placeholder name.
#include "engine/name_mask.h"
#include "fuzz_input.h"
#include "platform/paths.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    std::vector<std::string> parts = fuzz::SplitAtNul(fuzz::AsText(data, size));
    parts.resize(5);
    const NameFacts facts{.inputFile = parts[2],
                          .conversionType = parts[3],
                          .randomNumber = -static_cast<int32_t>(size),
                          .fileCounter = static_cast<int32_t>(size * 7919)};
    ExpandNameMask(parts[0], facts);
    ExpandWatermarkText(parts[1], facts);
    ReplacePlaceholder(parts[1], parts[4], facts);
    std::string base = BaseNameWithoutExtension(NameOf(facts.inputFile));
    if (base.size() > facts.inputFile.size())
        std::abort();
    return 0;
}
