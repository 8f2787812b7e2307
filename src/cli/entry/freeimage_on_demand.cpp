// FreeImage for the program, opened when the program first calls it. FreeImage brings 28
// libraries (OpenEXR, JPEG XR, WebP, OpenJPEG and more) that take milliseconds to map and
// relocate and megabytes of memory; a version or help run never needs them, and a camera file
// is decoded by LibRaw before FreeImage gets its picture. So the program is not linked with
// FreeImage or its libtiff: each function its code calls is defined here and calls the
// library's own, found in libfreeimage.so.3 (libtiff through it) when first needed. These
// definitions stay inside the executable; the libraries it opens link FreeImage themselves.
#include "engine/pipeline.h"
#include "platform/console.h"
#include "platform/library_loader.h"

#include <FreeImage.h>
#include <dlfcn.h>
#include <tiffio.h>

#include <atomic>
#include <cstdarg>
#include <string>
#include <unistd.h>

namespace {

using velmora::LibraryLoader;
using velmora::VersionCheck;

// What the dynamic loader would end with had the program been linked with it.
constexpr int kExitLibraryMissing = 127;

// The line is seen even when another thread has quieted standard error for a decoder.
[[noreturn]] void FailToLoad(const std::string& what) {
    std::string line = "velmoracmd: " + what + "\n";
    ssize_t ignored = write(velmora::UnquietedStandardError(), line.data(), line.size());
    (void)ignored;
    _exit(kExitLibraryMissing);
}

velmora::LibraryDescription FreeImageDescription() {
    velmora::LibraryDescription description;
    description.name = velmora::kFreeImageLibraryName;
    description.flags = RTLD_LAZY | RTLD_LOCAL;
    // The definitions below follow these headers; libtiff is the one FreeImage brings.
    description.versions = {
        {description.name, "FreeImage_GetVersion", VersionCheck::Form::VersionText,
         FREEIMAGE_MAJOR_VERSION, FREEIMAGE_MINOR_VERSION},
        {"libtiff", "TIFFGetVersion", VersionCheck::Form::VersionText, TIFFLIB_MAJOR_VERSION,
         TIFFLIB_MINOR_VERSION},
    };
    // From the moment they are there, FreeImage and libtiff say nothing on the console. The
    // silencing calls the definitions below, which find the library open: the loader lets the
    // opening thread back in while its hook runs.
    description.afterOpen = [](LibraryLoader&) { velmora::SilenceLibraryMessages(); };
    description.whenUnusable = [](LibraryLoader& loader) { FailToLoad(loader.ProblemLine()); };
    return description;
}

// Never destroyed: threads may still call FreeImage while the process ends.
LibraryLoader& FreeImage() {
    static LibraryLoader& loader = *new LibraryLoader(FreeImageDescription());
    return loader;
}

// Made before main, so that the libraries linking FreeImage find it by name.
[[maybe_unused]] LibraryLoader& gRegistered = FreeImage();

void* Symbol(std::atomic<void*>& found, const char* name) {
    void* symbol = found.load(std::memory_order_acquire);
    if (!symbol) {
        std::string why;
        symbol = FreeImage().Symbol(name, &why);
        if (!symbol)
            FailToLoad(why);
        found.store(symbol, std::memory_order_release);
    }
    return symbol;
}

} // namespace

#define VELMORA_ON_DEMAND(Return, name, parameters, arguments)                                     \
    Return name parameters {                                                                       \
        static std::atomic<void*> found{nullptr};                                                  \
        return reinterpret_cast<decltype(&name)>(Symbol(found, #name)) arguments;                  \
    }

extern "C" {

VELMORA_ON_DEMAND(BOOL, FreeImage_AdjustColors,
                  (FIBITMAP * dib, double brightness, double contrast, double gamma, BOOL invert),
                  (dib, brightness, contrast, gamma, invert))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_AllocateT,
                  (FREE_IMAGE_TYPE type, int width, int height, int bpp, unsigned red,
                   unsigned green, unsigned blue),
                  (type, width, height, bpp, red, green, blue))
VELMORA_ON_DEMAND(BOOL, FreeImage_CloneMetadata, (FIBITMAP * dst, FIBITMAP* src), (dst, src))
VELMORA_ON_DEMAND(void, FreeImage_CloseMemory, (FIMEMORY * stream), (stream))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ColorQuantizeEx,
                  (FIBITMAP * dib, FREE_IMAGE_QUANTIZE quantize, int size, int reserved,
                   RGBQUAD* palette),
                  (dib, quantize, size, reserved, palette))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertFromRawBits,
                  (BYTE * bits, int width, int height, int pitch, unsigned bpp, unsigned red,
                   unsigned green, unsigned blue, BOOL topdown),
                  (bits, width, height, pitch, bpp, red, green, blue, topdown))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertFromRawBitsEx,
                  (BOOL copy, BYTE* bits, FREE_IMAGE_TYPE type, int width, int height, int pitch,
                   unsigned bpp, unsigned red, unsigned green, unsigned blue, BOOL topdown),
                  (copy, bits, type, width, height, pitch, bpp, red, green, blue, topdown))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertTo16Bits555, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertTo16Bits565, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertTo24Bits, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertTo32Bits, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertTo4Bits, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertTo8Bits, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertToGreyscale, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertToRGB16, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertToRGBF, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_ConvertToStandardType, (FIBITMAP * src, BOOL linear),
                  (src, linear))
VELMORA_ON_DEMAND(FIICCPROFILE*, FreeImage_CreateICCProfile,
                  (FIBITMAP * dib, void* data, long size), (dib, data, size))
VELMORA_ON_DEMAND(void, FreeImage_DestroyICCProfile, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_Dither, (FIBITMAP * dib, FREE_IMAGE_DITHER algorithm),
                  (dib, algorithm))
VELMORA_ON_DEMAND(BOOL, FreeImage_FlipHorizontal, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(BOOL, FreeImage_FlipVertical, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(BYTE*, FreeImage_GetBits, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(unsigned, FreeImage_GetBPP, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FREE_IMAGE_COLOR_TYPE, FreeImage_GetColorType, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(unsigned, FreeImage_GetDotsPerMeterX, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(unsigned, FreeImage_GetDotsPerMeterY, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FREE_IMAGE_FORMAT, FreeImage_GetFileTypeFromMemory, (FIMEMORY * stream, int size),
                  (stream, size))
VELMORA_ON_DEMAND(unsigned, FreeImage_GetHeight, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIICCPROFILE*, FreeImage_GetICCProfile, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FREE_IMAGE_TYPE, FreeImage_GetImageType, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(BOOL, FreeImage_GetMetadata,
                  (FREE_IMAGE_MDMODEL model, FIBITMAP* dib, const char* key, FITAG** tag),
                  (model, dib, key, tag))
VELMORA_ON_DEMAND(unsigned, FreeImage_GetMetadataCount, (FREE_IMAGE_MDMODEL model, FIBITMAP* dib),
                  (model, dib))
VELMORA_ON_DEMAND(unsigned, FreeImage_GetPitch, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(BYTE*, FreeImage_GetScanLine, (FIBITMAP * dib, int scanline), (dib, scanline))
VELMORA_ON_DEMAND(DWORD, FreeImage_GetTagLength, (FITAG * tag), (tag))
VELMORA_ON_DEMAND(FREE_IMAGE_MDTYPE, FreeImage_GetTagType, (FITAG * tag), (tag))
VELMORA_ON_DEMAND(const void*, FreeImage_GetTagValue, (FITAG * tag), (tag))
VELMORA_ON_DEMAND(const char*, FreeImage_GetVersion, (), ())
VELMORA_ON_DEMAND(unsigned, FreeImage_GetWidth, (FIBITMAP * dib), (dib))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_Load,
                  (FREE_IMAGE_FORMAT fif, const char* filename, int flags), (fif, filename, flags))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_LoadFromMemory,
                  (FREE_IMAGE_FORMAT fif, FIMEMORY* stream, int flags), (fif, stream, flags))
VELMORA_ON_DEMAND(FIMEMORY*, FreeImage_OpenMemory, (BYTE * data, DWORD size), (data, size))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_Rescale,
                  (FIBITMAP * dib, int width, int height, FREE_IMAGE_FILTER filter),
                  (dib, width, height, filter))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_Rotate,
                  (FIBITMAP * dib, double angle, const void* background), (dib, angle, background))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_RotateEx,
                  (FIBITMAP * dib, double angle, double xShift, double yShift, double xOrigin,
                   double yOrigin, BOOL mask),
                  (dib, angle, xShift, yShift, xOrigin, yOrigin, mask))
VELMORA_ON_DEMAND(BOOL, FreeImage_SaveToHandle,
                  (FREE_IMAGE_FORMAT fif, FIBITMAP* dib, FreeImageIO* io, fi_handle handle,
                   int flags),
                  (fif, dib, io, handle, flags))
VELMORA_ON_DEMAND(void, FreeImage_SetDotsPerMeterX, (FIBITMAP * dib, unsigned res), (dib, res))
VELMORA_ON_DEMAND(void, FreeImage_SetDotsPerMeterY, (FIBITMAP * dib, unsigned res), (dib, res))
VELMORA_ON_DEMAND(BOOL, FreeImage_SetMetadataKeyValue,
                  (FREE_IMAGE_MDMODEL model, FIBITMAP* dib, const char* key, const char* value),
                  (model, dib, key, value))
VELMORA_ON_DEMAND(void, FreeImage_SetOutputMessage, (FreeImage_OutputMessageFunction function),
                  (function))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_Threshold, (FIBITMAP * dib, BYTE level), (dib, level))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_TmoDrago03, (FIBITMAP * src, double gamma, double exposure),
                  (src, gamma, exposure))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_TmoFattal02,
                  (FIBITMAP * src, double saturation, double attenuation),
                  (src, saturation, attenuation))
VELMORA_ON_DEMAND(FIBITMAP*, FreeImage_TmoReinhard05,
                  (FIBITMAP * src, double intensity, double contrast), (src, intensity, contrast))
VELMORA_ON_DEMAND(void, FreeImage_Unload, (FIBITMAP * dib), (dib))

VELMORA_ON_DEMAND(void, TIFFCleanup, (TIFF * tiff), (tiff))
VELMORA_ON_DEMAND(TIFF*, TIFFClientOpen,
                  (const char* name, const char* mode, thandle_t handle, TIFFReadWriteProc read,
                   TIFFReadWriteProc write, TIFFSeekProc seek, TIFFCloseProc close,
                   TIFFSizeProc size, TIFFMapFileProc map, TIFFUnmapFileProc unmap),
                  (name, mode, handle, read, write, seek, close, size, map, unmap))
VELMORA_ON_DEMAND(void, TIFFClose, (TIFF * tiff), (tiff))
VELMORA_ON_DEMAND(uint32_t, TIFFNumberOfStrips, (TIFF * tiff), (tiff))
VELMORA_ON_DEMAND(TIFF*, TIFFOpen, (const char* name, const char* mode), (name, mode))
VELMORA_ON_DEMAND(tmsize_t, TIFFReadEncodedStrip,
                  (TIFF * tiff, uint32_t strip, void* buffer, tmsize_t size),
                  (tiff, strip, buffer, size))
VELMORA_ON_DEMAND(TIFFErrorHandler, TIFFSetErrorHandler, (TIFFErrorHandler handler), (handler))
VELMORA_ON_DEMAND(TIFFErrorHandler, TIFFSetWarningHandler, (TIFFErrorHandler handler), (handler))
VELMORA_ON_DEMAND(tmsize_t, TIFFStripSize, (TIFF * tiff), (tiff))
VELMORA_ON_DEMAND(int, TIFFVSetField, (TIFF * tiff, uint32_t tag, va_list values),
                  (tiff, tag, values))
VELMORA_ON_DEMAND(int, TIFFWriteBufferSetup, (TIFF * tiff, void* buffer, tmsize_t size),
                  (tiff, buffer, size))
VELMORA_ON_DEMAND(int, TIFFWriteDirectory, (TIFF * tiff), (tiff))
VELMORA_ON_DEMAND(tmsize_t, TIFFWriteEncodedStrip,
                  (TIFF * tiff, uint32_t strip, void* data, tmsize_t size),
                  (tiff, strip, data, size))
VELMORA_ON_DEMAND(tmsize_t, TIFFWriteRawStrip,
                  (TIFF * tiff, uint32_t strip, void* data, tmsize_t size),
                  (tiff, strip, data, size))

// A variadic function cannot pass its arguments on; the library's va_list form takes them.
int TIFFSetField(TIFF* tiff, uint32_t tag, ...) {
    va_list values;
    va_start(values, tag);
    int set = TIFFVSetField(tiff, tag, values);
    va_end(values);
    return set;
}

} // extern "C"
