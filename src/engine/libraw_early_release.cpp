#include "engine/libraw_early_release.h"

#include "platform/picture_heap.h"

namespace velmora {

LibRawReleasingRawData::LibRawReleasingRawData() {
    callbacks.pre_scalecolors_cb = BeforeScalingColors;
}

// LibRaw calls it with itself, from dcraw_process, once the raw data are in its picture.
void LibRawReleasingRawData::BeforeScalingColors(void* libraw) {
    auto& raw = static_cast<LibRawReleasingRawData&>(*static_cast<LibRaw*>(libraw));
    if (raw.ReleaseRawData())
        raw.RawDataReleased();
}

bool LibRawReleasingRawData::ReleaseRawData() {
    libraw_rawdata_t& data = imgdata.rawdata;
    if (!data.raw_alloc)
        return false;
    free(data.raw_alloc);
    data.raw_alloc = nullptr;
    data.raw_image = nullptr;
    data.color3_image = nullptr;
    data.color4_image = nullptr;
    data.float_image = nullptr;
    data.float3_image = nullptr;
    data.float4_image = nullptr;
    ReturnFreedHeapMemory();
    return true;
}

} // namespace velmora
