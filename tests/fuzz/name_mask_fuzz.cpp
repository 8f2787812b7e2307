// Output names and watermark texts: NUL-separated mask, watermark text, input path,
// conversion type and one placeholder name.
#include "engine/name_mask.h"
#include "fuzz_input.h"
#include "platform/paths.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    std::vector<std::string> parts = fuzz::SplitAtNul(fuzz::AsText(data, size));
    parts.resize(5);
    gSettings.FilenameMask = parts[0];
    gSettings.WatermarkText = parts[1];
    gJob.InputFile = parts[2];
    gJob.ConversionType = parts[3];
    gJob.FileCounter = static_cast<int32_t>(size * 7919);
    gJob.RandomNumber = -static_cast<int32_t>(size);
    ExpandNameMask();
    ExpandWatermarkText();
    ReplacePlaceholder(parts[1], parts[4]);
    std::string base = BaseNameWithoutExtension(NameOf(gJob.InputFile));
    if (base.size() > gJob.InputFile.size())
        std::abort();
    return 0;
}
