// The signature sniffer on a file's first bytes.
#include "engine/signature_sniffer.h"
#include "fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (velmora::SniffSignature(velmora::fuzz::AsText(data, size)).empty())
        std::abort();
    return 0;
}
