// The option loop on arguments separated by NUL bytes.
#include "cli/console_main.h"
#include "engine/batch_driver.h"
#include "fuzz_input.h"
#include "settings/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace velmora;
    SettingsDefaults(true);
    InitConversionJob();
    RunOptionLoop(fuzz::SplitAtNul(fuzz::AsText(data, size)));
    return 0;
}
