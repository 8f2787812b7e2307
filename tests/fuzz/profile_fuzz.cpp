// A profile file as the --PROFILE option reads it.
#include "cli/profile.h"
#include "engine/batch_driver.h"
#include "fuzz_input.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    SettingsDefaults(true);
    InitConversionJob();
    if (!LoadProfile(fuzz::WriteInputFile(fuzz::AsText(data, size))))
        std::abort();
    return 0;
}
