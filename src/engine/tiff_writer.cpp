#include "engine/tiff_writer.h"

#include "engine/file_handles.h"

#include <tiffio.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <optional>
#include <sched.h>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace velmora {
namespace {

// Large enough that a strip's codec runs long between handovers and compresses as well as
// one long run; small enough that the strips of a picture keep every core busy to the end.
constexpr size_t kStripTargetBytes = 128 * 1024;
// Deflate of predicted 8-bit samples is the exception: libdeflate's work per byte grows with
// the strip (on photographs, ten rows cost 1.8 times what one row costs, for 2 % less), so
// those strips stay at libtiff's own size, one row of a photograph, as tiffcp writes them.
constexpr size_t kPredictedDeflate8StripBytes = 8 * 1024;
// Deflate's level for predicted 16-bit samples. After the predictor, the low bytes of a
// photograph's samples are mostly noise, where a search for long matches finds little:
// libdeflate's fastest level codes them as well as any (on the camera samples, files 1 to 3 %
// smaller than at its default level 6, the small lossy DNGs up to 2 % larger) and takes a
// quarter less time. 8-bit samples keep the default level, where matches pay (level 1 makes
// their files 6 to 22 % larger). zlib's level 1 would make larger files: only libdeflate gets it.
constexpr int kPredictedDeflate16Level = 1;
// Strips compressed ahead of the one being written, per thread: enough to keep the threads
// busy while the file takes a strip, little memory.
constexpr size_t kStripsAheadPerThread = 3;
// Past this size a classic TIFF's 32-bit offsets do not reach: the file is a BigTIFF.
constexpr uint64_t kClassicTiffLimit = 0xF0000000ull;

enum class Packing {
    Copy,           // samples lie in the file's order (16-bit RGB, grey, CMYK)
    SwapRedBlue,    // FreeImage's 8-bit BGR to RGB
    SwapRedBlueRgba // FreeImage's 8-bit BGRA to RGBA
};

// How the picture's rows become the file's strips.
struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t samples = 0, bitsPerSample = 0, photometric = 0, compression = 0;
    bool predictor = false, alpha = false, cmyk = false;
    bool topRowFirst = false; // the picture's rows lie top-down, not as FreeImage keeps them
    Packing packing = Packing::Copy;
    size_t rowBytes = 0;
    uint32_t rowsPerStrip = 0, strips = 0;

    size_t StripRows(uint32_t strip) const {
        return std::min<size_t>(rowsPerStrip, height - strip * rowsPerStrip);
    }
};

// The compression of FreeImage's TIFF save flags, when it is one written here.
std::optional<uint16_t> CompressionOf(int flags) {
    switch (flags & ~TIFF_CMYK) {
    case TIFF_NONE:
        return COMPRESSION_NONE;
    case TIFF_LZW:
        return COMPRESSION_LZW;
    case TIFF_DEFLATE:
        return COMPRESSION_DEFLATE;
    case TIFF_ADOBE_DEFLATE:
        return COMPRESSION_ADOBE_DEFLATE;
    case TIFF_PACKBITS:
        return COMPRESSION_PACKBITS;
    default:
        return std::nullopt;
    }
}

bool IsDeflate(uint16_t compression) {
    return compression == COMPRESSION_DEFLATE || compression == COMPRESSION_ADOBE_DEFLATE;
}

std::optional<Layout> LayoutOf(FIBITMAP* picture, int flags, RowOrder rows) {
    std::optional<uint16_t> compression = CompressionOf(flags);
    if (!picture || !compression)
        return std::nullopt;
    Layout layout;
    layout.width = FreeImage_GetWidth(picture);
    layout.height = FreeImage_GetHeight(picture);
    layout.compression = *compression;
    const unsigned bpp = FreeImage_GetBPP(picture);
    const FREE_IMAGE_TYPE type = FreeImage_GetImageType(picture);
    const bool cmykFlag = (flags & TIFF_CMYK) == TIFF_CMYK;
    if (type == FIT_RGB16) {
        layout.samples = 3, layout.bitsPerSample = 16, layout.photometric = PHOTOMETRIC_RGB;
    } else if (type != FIT_BITMAP) {
        return std::nullopt;
    } else if (bpp == 24) {
        layout.samples = 3, layout.bitsPerSample = 8, layout.photometric = PHOTOMETRIC_RGB;
        layout.packing = Packing::SwapRedBlue;
    } else if (bpp == 32 && cmykFlag) {
        layout.samples = 4, layout.bitsPerSample = 8, layout.photometric = PHOTOMETRIC_SEPARATED;
        layout.cmyk = true;
    } else if (bpp == 32) {
        layout.samples = 4, layout.bitsPerSample = 8, layout.photometric = PHOTOMETRIC_RGB;
        layout.alpha = true, layout.packing = Packing::SwapRedBlueRgba;
    } else if (bpp == 8 && FreeImage_GetColorType(picture) == FIC_MINISBLACK) {
        layout.samples = 1, layout.bitsPerSample = 8, layout.photometric = PHOTOMETRIC_MINISBLACK;
    } else {
        return std::nullopt;
    }
    if (layout.width == 0 || layout.height == 0)
        return std::nullopt;
    if (rows == RowOrder::AsDecoded) {
        // A camera decode's rows: RGB samples, top row first.
        if (layout.samples != 3)
            return std::nullopt;
        layout.topRowFirst = true, layout.packing = Packing::Copy;
    }
    const bool deflate = IsDeflate(layout.compression);
    layout.predictor = layout.compression == COMPRESSION_LZW || deflate;
    layout.rowBytes = size_t{layout.width} * layout.samples * layout.bitsPerSample / 8;
    const size_t target =
        deflate && layout.bitsPerSample == 8 ? kPredictedDeflate8StripBytes : kStripTargetBytes;
    layout.rowsPerStrip =
        static_cast<uint32_t>(std::clamp<size_t>(target / layout.rowBytes, 1, layout.height));
    layout.strips = (layout.height + layout.rowsPerStrip - 1) / layout.rowsPerStrip;
    return layout;
}

// The tags of the picture's directory, FreeImage's choice for each (resolution in whole dots
// per inch, the picture's ICC profile) so that readers see the same file.
bool SetTags(TIFF* tiff, const Layout& layout, FIBITMAP* picture, bool ofWholeFile) {
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, layout.width) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, layout.height) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, layout.bitsPerSample) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, layout.samples) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, layout.photometric) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, layout.compression) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    if (ok && layout.predictor)
        ok = TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
    if (ok && layout.alpha) {
        uint16_t extra = EXTRASAMPLE_UNASSALPHA;
        ok = TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    if (!ok || !ofWholeFile)
        return ok;
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0);
    TIFFSetField(tiff, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    auto dotsPerInch = [](unsigned dotsPerMeter) {
        return static_cast<float>(static_cast<unsigned>(0.5 + 0.0254 * dotsPerMeter));
    };
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, dotsPerInch(FreeImage_GetDotsPerMeterX(picture)));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, dotsPerInch(FreeImage_GetDotsPerMeterY(picture)));
    if (layout.cmyk) {
        TIFFSetField(tiff, TIFFTAG_INKSET, INKSET_CMYK);
        TIFFSetField(tiff, TIFFTAG_NUMBEROFINKS, 4);
    }
    FIICCPROFILE* profile = FreeImage_GetICCProfile(picture);
    if (profile && profile->data && profile->size > 0)
        TIFFSetField(tiff, TIFFTAG_ICCPROFILE, static_cast<uint32_t>(profile->size), profile->data);
    return true;
}

// The strip's rows, top-down, in the file's sample order.
void PackStrip(FIBITMAP* picture, const Layout& layout, uint32_t strip,
               std::vector<uint8_t>& packed) {
    const size_t rows = layout.StripRows(strip);
    packed.resize(rows * layout.rowBytes);
    for (size_t r = 0; r < rows; ++r) {
        const size_t y = size_t{strip} * layout.rowsPerStrip + r;
        // FreeImage keeps the bottom row first.
        const size_t line = layout.topRowFirst ? y : layout.height - 1 - y;
        const uint8_t* from = FreeImage_GetScanLine(picture, static_cast<int>(line));
        uint8_t* to = packed.data() + r * layout.rowBytes;
        switch (layout.packing) {
        case Packing::Copy:
            std::memcpy(to, from, layout.rowBytes);
            break;
        case Packing::SwapRedBlue:
            for (uint32_t x = 0; x < layout.width; ++x, from += 3, to += 3)
                to[0] = from[FI_RGBA_RED], to[1] = from[FI_RGBA_GREEN], to[2] = from[FI_RGBA_BLUE];
            break;
        case Packing::SwapRedBlueRgba:
            for (uint32_t x = 0; x < layout.width; ++x, from += 4, to += 4)
                to[0] = from[FI_RGBA_RED], to[1] = from[FI_RGBA_GREEN], to[2] = from[FI_RGBA_BLUE],
                to[3] = from[FI_RGBA_ALPHA];
            break;
        }
    }
}

// The codec's settings beyond the file's tags: the deflate level of (always predicted) 16-bit
// samples.
void SetCodecLevel(TIFF* tiff, const Layout& layout) {
    if (!IsDeflate(layout.compression) || layout.bitsPerSample != 16)
        return;
#ifdef TIFFTAG_DEFLATE_SUBCODEC
    // Refused by a libtiff built without libdeflate, which then keeps zlib's default level.
    if (TIFFSetField(tiff, TIFFTAG_DEFLATE_SUBCODEC, DEFLATE_SUBCODEC_LIBDEFLATE))
        TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, kPredictedDeflate16Level);
#else
    (void)tiff;
#endif
}

// A TIFF in memory whose only purpose is its codec: each strip handed to it is compressed by
// libtiff as the file's own strip would be, and taken out again, so the buffer holds one
// strip at a time.
class StripEncoder {
public:
    explicit StripEncoder(const Layout& layout) {
        tiff_ = TIFFClientOpen("strip encoder", "wm", this, Read, Write, Seek, Close, Size, nullptr,
                               nullptr);
        // libtiff hands a strip to libdeflate, its fast deflate, only when the output buffer
        // holds the strip's worst case, which its own buffer does for some strip sizes only;
        // the others go to zlib, slower and larger.
        const size_t stripBytes = layout.rowBytes * layout.rowsPerStrip;
        const auto buffer = static_cast<tmsize_t>(stripBytes + stripBytes / 8 + 4096);
        if (tiff_ && (!SetTags(tiff_, layout, nullptr, false) ||
                      !TIFFWriteBufferSetup(tiff_, nullptr, buffer))) {
            TIFFCleanup(tiff_);
            tiff_ = nullptr;
        }
        if (tiff_)
            SetCodecLevel(tiff_, layout);
    }
    ~StripEncoder() {
        // The directory of this TIFF is never written: cleaning up frees the codec only.
        if (tiff_)
            TIFFCleanup(tiff_);
    }
    StripEncoder(const StripEncoder&) = delete;
    StripEncoder& operator=(const StripEncoder&) = delete;

    // The strip compressed; false when the codec failed.
    bool Encode(uint32_t strip, std::vector<uint8_t>& packed, std::vector<uint8_t>& encoded) {
        if (!tiff_)
            return false;
        const size_t before = bytes_.size();
        position_ = before;
        if (TIFFWriteEncodedStrip(tiff_, strip, packed.data(),
                                  static_cast<tmsize_t>(packed.size())) < 0)
            return false;
        encoded.assign(bytes_.begin() + static_cast<std::ptrdiff_t>(before), bytes_.end());
        // The next strip is appended where this one began.
        bytes_.resize(before);
        return true;
    }

private:
    static StripEncoder& Of(thandle_t handle) { return *static_cast<StripEncoder*>(handle); }
    static tmsize_t Read(thandle_t, void*, tmsize_t) { return 0; }
    static tmsize_t Write(thandle_t handle, void* data, tmsize_t size) {
        StripEncoder& self = Of(handle);
        const auto* bytes = static_cast<const uint8_t*>(data);
        size_t end = self.position_ + static_cast<size_t>(size);
        if (self.bytes_.size() < end)
            self.bytes_.resize(end);
        std::memcpy(self.bytes_.data() + self.position_, bytes, static_cast<size_t>(size));
        self.position_ = end;
        return size;
    }
    static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
        StripEncoder& self = Of(handle);
        size_t base = whence == SEEK_CUR   ? self.position_
                      : whence == SEEK_END ? self.bytes_.size()
                                           : 0;
        self.position_ = base + static_cast<size_t>(offset);
        return self.position_;
    }
    static int Close(thandle_t) { return 0; }
    static toff_t Size(thandle_t handle) { return Of(handle).bytes_.size(); }

    TIFF* tiff_ = nullptr;
    std::vector<uint8_t> bytes_;
    size_t position_ = 0;
};

// The file itself, written through the save's handle.
struct FileProcs {
    static WriteHandle& Of(thandle_t handle) { return *static_cast<WriteHandle*>(handle); }
    static tmsize_t Read(thandle_t handle, void* data, tmsize_t size) {
        return static_cast<tmsize_t>(Of(handle).read(data, static_cast<size_t>(size)));
    }
    static tmsize_t Write(thandle_t handle, void* data, tmsize_t size) {
        size_t written = Of(handle).write(data, static_cast<size_t>(size));
        return written == static_cast<size_t>(size) ? size : -1;
    }
    static toff_t Seek(thandle_t handle, toff_t offset, int whence) {
        WriteHandle& file = Of(handle);
        if (file.seek(static_cast<int64_t>(offset), whence) != 0)
            return static_cast<toff_t>(-1);
        return static_cast<toff_t>(file.tell());
    }
    static int Close(thandle_t) { return 0; } // the save closes the handle
    static toff_t Size(thandle_t handle) { return static_cast<toff_t>(Of(handle).size()); }
};

// One strip on its way: packed and encoded by a thread, then written in its turn.
struct StripSlot {
    bool ready = false, failed = false;
    std::vector<uint8_t> bytes;
};

// Strips are handed to the threads in runs of consecutive strips (several small strips go
// together, so that a handover costs little beside the work it hands over), at most `ahead`
// strips beyond the one the file waits for, and written in order by the caller.
class StripQueue {
public:
    StripQueue(uint32_t strips, uint32_t run, size_t ahead)
        : slots_(strips), run_(run), ahead_(ahead) {}

    // The first strip and the number of strips of the next run to make, or nullopt when there
    // is none or the save was given up.
    std::optional<std::pair<uint32_t, uint32_t>> Take() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
            return abandoned_ || next_ >= slots_.size() || next_ < written_ + ahead_;
        });
        if (abandoned_ || next_ >= slots_.size())
            return std::nullopt;
        const uint32_t first = next_;
        const uint32_t count =
            std::min<uint32_t>(run_, static_cast<uint32_t>(slots_.size()) - first);
        next_ += count;
        return std::pair{first, count};
    }
    // The run's strips, made: made[i] is strip first + i.
    void Put(uint32_t first, std::vector<StripSlot>& made) {
        std::lock_guard lock(mutex_);
        for (size_t i = 0; i < made.size(); ++i) {
            slots_[first + i] = std::move(made[i]);
            slots_[first + i].ready = true;
        }
        changed_.notify_all();
    }
    // The run's strips could not even be begun.
    void Fail(uint32_t first, uint32_t count) {
        std::lock_guard lock(mutex_);
        for (uint32_t strip = first; strip < first + count; ++strip)
            slots_[strip].failed = slots_[strip].ready = true;
        changed_.notify_all();
    }
    // Waits for the strip; false when it failed.
    bool Wait(uint32_t strip, std::vector<uint8_t>& bytes) {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return slots_[strip].ready; });
        bytes = std::move(slots_[strip].bytes);
        return !slots_[strip].failed;
    }
    void Written(uint32_t strip) {
        std::lock_guard lock(mutex_);
        written_ = strip + 1;
        changed_.notify_all();
    }
    void Abandon() {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<StripSlot> slots_;
    uint32_t run_;
    size_t ahead_;
    uint32_t next_ = 0, written_ = 0;
    bool abandoned_ = false;
};

// Packs (and, when the file is compressed, encodes) the runs of strips the queue hands out.
// A strip that cannot be made (no memory for it) fails the save, not the process.
void MakeStrips(FIBITMAP* picture, const Layout& layout, StripQueue& queue) {
    std::optional<StripEncoder> encoder;
    if (layout.compression != COMPRESSION_NONE)
        encoder.emplace(layout);
    std::vector<uint8_t> packed;
    std::vector<StripSlot> made;
    while (std::optional<std::pair<uint32_t, uint32_t>> run = queue.Take()) {
        const auto [first, count] = *run;
        try {
            made.assign(count, StripSlot{});
        } catch (const std::bad_alloc&) {
            queue.Fail(first, count);
            continue;
        }
        for (uint32_t i = 0; i < count; ++i) {
            StripSlot& slot = made[i];
            try {
                PackStrip(picture, layout, first + i, packed);
                if (encoder)
                    slot.failed = !encoder->Encode(first + i, packed, slot.bytes);
                else
                    slot.bytes = packed;
            } catch (const std::bad_alloc&) {
                slot.failed = true;
            }
        }
        queue.Put(first, made);
    }
}

// One thread: each strip made and written in turn, as a serial writer would.
bool WriteStripsSerially(TIFF* tiff, FIBITMAP* picture, const Layout& layout) {
    std::optional<StripEncoder> encoder;
    if (layout.compression != COMPRESSION_NONE)
        encoder.emplace(layout);
    std::vector<uint8_t> packed, encoded;
    for (uint32_t strip = 0; strip < layout.strips; ++strip) {
        PackStrip(picture, layout, strip, packed);
        if (encoder && !encoder->Encode(strip, packed, encoded))
            return false;
        const std::vector<uint8_t>& bytes = encoder ? encoded : packed;
        if (TIFFWriteRawStrip(tiff, strip, const_cast<uint8_t*>(bytes.data()),
                              static_cast<tmsize_t>(bytes.size())) < 0)
            return false;
    }
    return true;
}

bool WriteStripsInOrder(TIFF* tiff, FIBITMAP* picture, const Layout& layout, int threads) {
    const size_t stripBytes = layout.rowBytes * layout.rowsPerStrip;
    const auto run = static_cast<uint32_t>(std::max<size_t>(1, kStripTargetBytes / stripBytes));
    StripQueue queue(layout.strips, run,
                     kStripsAheadPerThread * run * static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    try {
        for (int i = 0; i < threads; ++i)
            workers.emplace_back(MakeStrips, picture, std::cref(layout), std::ref(queue));
    } catch (const std::system_error&) {
        // As many threads as the system gives; none at all leaves the work to this one.
    }
    if (workers.empty())
        return WriteStripsSerially(tiff, picture, layout);
    bool ok = true;
    std::vector<uint8_t> bytes;
    for (uint32_t strip = 0; ok && strip < layout.strips; ++strip) {
        ok = queue.Wait(strip, bytes) &&
             TIFFWriteRawStrip(tiff, strip, bytes.data(), static_cast<tmsize_t>(bytes.size())) >= 0;
        queue.Written(strip);
    }
    queue.Abandon();
    for (std::thread& worker : workers)
        worker.join();
    return ok;
}

// Copying rows is bound by memory, not by a core: only compression is worth more threads.
bool UsesThreads(const Layout& layout, int threads) {
    return threads > 1 && layout.strips > 1 && layout.compression != COMPRESSION_NONE;
}

int CoresOfThisProcess() {
    cpu_set_t cores;
    if (sched_getaffinity(0, sizeof cores, &cores) == 0)
        return std::max(1, CPU_COUNT(&cores));
    return std::max(1u, std::thread::hardware_concurrency());
}

} // namespace

bool TiffWriterTakes(FIBITMAP* picture, int saveFlags) {
    return LayoutOf(picture, saveFlags, RowOrder::FreeImage).has_value();
}

int StripThreads(int threads) {
    if (threads > 0)
        return threads;
    int cores = CoresOfThisProcess();
    if (const char* cap = std::getenv("VELMORA_THREADS")) {
        char* end = nullptr;
        long value = std::strtol(cap, &end, 10);
        if (end != cap && *end == '\0' && value > 0)
            cores = static_cast<int>(std::min<long>(value, cores));
    }
    return cores;
}

bool WriteTiffStrips(FIBITMAP* picture, int saveFlags, WriteHandle& out, int threads,
                     RowOrder rows) {
    std::optional<Layout> layout = LayoutOf(picture, saveFlags, rows);
    if (!layout)
        return false;
    const uint64_t pixelBytes = uint64_t{layout->rowBytes} * layout->height;
    const char* mode = pixelBytes >= kClassicTiffLimit ? "w8l" : "wl";
    TIFF* tiff =
        TIFFClientOpen("output", mode, &out, FileProcs::Read, FileProcs::Write, FileProcs::Seek,
                       FileProcs::Close, FileProcs::Size, nullptr, nullptr);
    if (!tiff)
        return false;
    bool ok = false;
    try {
        ok = SetTags(tiff, *layout, picture, true) &&
             (UsesThreads(*layout, threads)
                  ? WriteStripsInOrder(tiff, picture, *layout,
                                       std::min<int>(threads, static_cast<int>(layout->strips)))
                  : WriteStripsSerially(tiff, picture, *layout)) &&
             TIFFWriteDirectory(tiff);
    } catch (const std::bad_alloc&) {
        // A strip buffer that cannot be had fails this save only.
    }
    TIFFClose(tiff);
    return ok;
}

} // namespace velmora
