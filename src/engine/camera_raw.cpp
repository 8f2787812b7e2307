// LibRaw's types first: FreeImage.h then leaves its own 64-bit integer names to them.
#include <libraw/libraw.h>

#include "engine/camera_raw.h"

#include "engine/file_handles.h"
#include "engine/libraw_early_release.h"
#include "engine/metadata.h"
#include "platform/picture_heap.h"
#include "platform/temp_files.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velmora {
namespace {

// LibRaw reads the file through our windowed handle, as it did inside FreeImage.
class HandleStream : public LibRaw_abstract_datastream {
public:
    explicit HandleStream(ReadHandle& file) : file_(file) {}

    int valid() override { return file_.isOpen(); }
    // Whole items, as fread counts them.
    int read(void* buffer, size_t size, size_t count) override {
        if (size == 0 || count == 0 || count > SIZE_MAX / size)
            return 0;
        return static_cast<int>(file_.read(buffer, size * count) / size);
    }
    int seek(INT64 offset, int origin) override { return file_.seek(offset, origin); }
    INT64 tell() override { return file_.tell(); }
    INT64 size() override { return file_.size(); }
    int eof() override { return file_.tell() >= file_.size(); }
    int get_char() override { return file_.readByte(); }
    // One line with its line end, as FreeImage's stream gives it, but always terminated.
    char* gets(char* buffer, int length) override {
        if (length <= 0)
            return nullptr;
        std::memset(buffer, 0, static_cast<size_t>(length));
        for (int i = 0; i < length - 1; ++i) {
            if (file_.read(&buffer[i], 1) != 1)
                return nullptr;
            if (buffer[i] == '\n')
                break;
        }
        return buffer;
    }
    // One word of text (Leaf and Mamiya files keep numbers so), read up to the blank after it.
    // FreeImage's stream also stopped at every '0' digit, cutting 1024 to 10.
    int scanf_one(const char* format, void* value) override {
        constexpr size_t kLongestWord = 64;
        std::string word;
        char c = 0;
        while (word.size() < kLongestWord && file_.read(&c, 1) == 1) {
            bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\0';
            if (blank && !word.empty())
                break;
            if (!blank)
                word += c;
        }
        return word.empty() ? 0 : std::sscanf(word.c_str(), format, value);
    }
    void* make_jas_stream() override { return nullptr; }

private:
    ReadHandle& file_;
};

// Reverses the order of the rows (as FreeImage_FlipVertical does) and turns RGB into
// FreeImage's BGR, in one pass.
void FinishRows(BYTE* bits, int columns, int rows, unsigned pitch, bool reverse,
                bool swapRedAndBlue) {
    auto swapInRow = [&](BYTE* row) {
        if (swapRedAndBlue)
            for (int column = 0; column < columns; ++column)
                std::swap(row[3 * column], row[3 * column + 2]);
    };
    auto rowAt = [&](int row) { return bits + static_cast<size_t>(row) * pitch; };
    if (!reverse) {
        if (swapRedAndBlue)
            for (int row = 0; row < rows; ++row)
                swapInRow(rowAt(row));
        return;
    }
    std::vector<BYTE> spare(pitch);
    for (int top = 0, bottom = rows - 1; top <= bottom; ++top, --bottom) {
        BYTE* upper = rowAt(top);
        BYTE* lower = rowAt(bottom);
        if (top != bottom) {
            std::memcpy(spare.data(), upper, pitch);
            std::memcpy(upper, lower, pitch);
            std::memcpy(lower, spare.data(), pitch);
            swapInRow(lower);
        }
        swapInRow(upper);
    }
}

struct ClearThumbnail {
    void operator()(libraw_processed_image_t* thumbnail) const {
        LibRaw::dcraw_clear_mem(thumbnail);
    }
};

// LibRaw with what the loader needs from inside it: the raw data given back as soon as LibRaw
// has made its own picture of them (libraw_early_release.h), and its allocator, to shrink that
// picture once it holds FreeImage's layout. A decoder whose picture became a bitmap's pixels
// lives as long as it.
class RawDecoder : public LibRawReleasingRawData {
public:
    RawDecoder() { set_progress_handler(AtStage, this); }

    std::function<void()> whenRawDataGone;
    StopRequested stopped;
    // The latest of LibRaw's errors (a missing preview's before the decode's), for the reason
    // a file gave no picture.
    int lastError = LIBRAW_SUCCESS;

    bool Succeeded(int status) {
        if (status != LIBRAW_SUCCESS)
            lastError = status;
        return status == LIBRAW_SUCCESS;
    }

    // The processed picture as FreeImage's loader makes it (FreeImage_AllocateT,
    // copy_mem_image, FreeImage_FlipVertical), made in LibRaw's own buffer. With
    // mayKeepRows, a picture the camera did not turn keeps LibRaw's rows (top-down, RGB), and
    // *keptRows says so.
    static Picture PictureInPlace(const std::shared_ptr<RawDecoder>& self, bool mayKeepRows,
                                  bool* keptRows) {
        RawDecoder& raw = *self;
        if (raw.ReleaseRawData())
            raw.RawDataReleased();
        int width = 0, height = 0, colors = 0, bitsPerSample = 0;
        raw.get_mem_image_format(&width, &height, &colors, &bitsPerSample);
        if (colors != 3 || (bitsPerSample != 8 && bitsPerSample != 16) || !raw.imgdata.image)
            return nullptr;
        // copy_mem_image writes every value no further into the buffer than where it read it,
        // so it can convert LibRaw's picture over itself as long as it reads it in order: the
        // camera's turn is applied afterwards, and 8-bit pictures are made in RGB order and
        // swapped, since the blue value would land on red before red is read.
        const int columns = raw.imgdata.sizes.width, rows = raw.imgdata.sizes.height;
        const int flip = raw.imgdata.sizes.flip;
        const unsigned bpp = 3 * static_cast<unsigned>(bitsPerSample);
        const unsigned pitch = (static_cast<unsigned>(columns) * bpp + 31) / 32 * 4;
        raw.imgdata.sizes.flip = 0;
        int copied = raw.copy_mem_image(raw.imgdata.image, static_cast<int>(pitch), 0);
        raw.imgdata.sizes.flip = flip;
        if (copied != LIBRAW_SUCCESS)
            return nullptr;
        // FreeImage keeps its rows bottom up: LibRaw's top row goes last, unless the camera
        // turned the picture upside down or on its side (turned below).
        const bool turnedQuarter = (flip & 4) != 0;
        *keptRows = mayKeepRows && flip == 0;
        if (!*keptRows)
            FinishRows(reinterpret_cast<BYTE*>(raw.imgdata.image), columns, rows, pitch,
                       !turnedQuarter && !(flip & 2), bitsPerSample == 8);
        if (!raw.ShrinkPicture(static_cast<size_t>(pitch) * static_cast<size_t>(rows)))
            return nullptr;
        FIBITMAP* bitmap =
            FreeImage_ConvertFromRawBitsEx(FALSE, reinterpret_cast<BYTE*>(raw.imgdata.image),
                                           bitsPerSample == 16 ? FIT_RGB16 : FIT_BITMAP, columns,
                                           rows, static_cast<int>(pitch), bpp, 0, 0, 0, FALSE);
        Picture picture = PictureOverPixels(bitmap, self);
        if (!picture)
            return nullptr;
        if (turnedQuarter)
            return TurnedQuarter(std::move(picture), raw, flip);
        if (flip & 1)
            FreeImage_FlipHorizontal(picture.get());
        return picture;
    }

    // True when LibRaw passes the camera's values through without a colour matrix.
    bool RawColor() const { return libraw_internal_data.internal_output_params.raw_color != 0; }

    // What the loaded picture does not need: the file, the embedded preview, LibRaw's tables.
    void ReleaseAllButPicture() {
        get_internal_data_pointer()->internal_data.input = nullptr;
        free(imgdata.thumbnail.thumb);
        imgdata.thumbnail.thumb = nullptr;
        free(libraw_internal_data.output_data.histogram);
        libraw_internal_data.output_data.histogram = nullptr;
    }

    // LibRaw gives up on a damaged embedded preview by freeing everything it holds and
    // forgetting the file: it must open the file again before it can decode.
    bool StartedOver() const { return (imgdata.progress_flags & LIBRAW_PROGRESS_IDENTIFY) == 0; }

protected:
    void RawDataReleased() override {
        if (whenRawDataGone)
            whenRawDataGone();
    }

private:
    // LibRaw's progress report, between the stages of a decode: a stop breaks it off there.
    static int AtStage(void* context, LibRaw_progress, int, int) {
        auto& raw = *static_cast<RawDecoder*>(context);
        return raw.stopped && raw.stopped() ? 1 : 0;
    }

    // The picture now takes pitch × rows bytes of LibRaw's buffer of eight bytes a pixel.
    bool ShrinkPicture(size_t bytes) {
        void* kept = memmgr.realloc(imgdata.image, bytes);
        if (!kept) {
            // The allocator forgot the buffer it could not move.
            ::free(imgdata.image);
            imgdata.image = nullptr;
            return false;
        }
        imgdata.image = static_cast<ushort(*)[4]>(kept);
        return true;
    }

    // A picture whose rows LibRaw would read from its columns cannot be turned where it lies;
    // FreeImage turns it into a bitmap of its own (quarter turns are exact), and LibRaw's
    // buffer goes at once.
    static Picture TurnedQuarter(Picture picture, RawDecoder& raw, int flip) {
        Picture turned(FreeImage_Rotate(picture.get(), 90));
        picture.reset();
        raw.free_image();
        if (!turned)
            return nullptr;
        if (!(flip & 2))
            FreeImage_FlipHorizontal(turned.get());
        if (!(flip & 1))
            FreeImage_FlipVertical(turned.get());
        return turned;
    }
};

// The camera's embedded picture as FreeImage's loader takes it: a compressed one (a JPEG,
// turned by its EXIF orientation) through FreeImage's own loaders, a bitmap row by row. Without
// its pixels: the metadata only.
enum class Embedded { Picture, MetadataOnly };
CameraRawPicture EmbeddedPicture(RawDecoder& raw, Embedded what);

Picture BitmapThumbnail(const libraw_processed_image_t& thumbnail) {
    const unsigned width = thumbnail.width, height = thumbnail.height;
    const unsigned bytes = thumbnail.bits / 8u;
    // A grey thumbnail is spread over the three channels (FreeImage's loader read it as if
    // it had three, past its end).
    const unsigned colors = thumbnail.colors == 1 ? 1u : 3u;
    if ((bytes != 1 && bytes != 2) || (thumbnail.colors != 1 && thumbnail.colors != 3) ||
        static_cast<uint64_t>(width) * height * colors * bytes > thumbnail.data_size)
        return nullptr;
    Picture picture(bytes == 2 ? FreeImage_AllocateT(FIT_RGB16, static_cast<int>(width),
                                                     static_cast<int>(height))
                               : FreeImage_AllocateT(FIT_BITMAP, static_cast<int>(width),
                                                     static_cast<int>(height), 24));
    if (!picture)
        return nullptr;
    const unsigned channelStep = colors == 3 ? 1 : 0;
    for (unsigned y = 0; y < height; ++y) {
        BYTE* row = FreeImage_GetScanLine(picture.get(), static_cast<int>(height - 1 - y));
        const size_t first = static_cast<size_t>(y) * width * colors;
        for (unsigned x = 0; x < width; ++x) {
            const size_t at = first + static_cast<size_t>(x) * colors;
            if (bytes == 2) {
                const auto* values = reinterpret_cast<const WORD*>(thumbnail.data);
                auto* out = reinterpret_cast<FIRGB16*>(row) + x;
                out->red = values[at];
                out->green = values[at + channelStep];
                out->blue = values[at + 2 * channelStep];
            } else {
                RGBTRIPLE* out = reinterpret_cast<RGBTRIPLE*>(row) + x;
                out->rgbtRed = thumbnail.data[at];
                out->rgbtGreen = thumbnail.data[at + channelStep];
                out->rgbtBlue = thumbnail.data[at + 2 * channelStep];
            }
        }
    }
    return picture;
}

// What a short or corrupt file leaves unread in LibRaw's buffers comes out black.
template <typename Read> bool WithZeroFilledBuffers(RawDecoder& raw, Read read) {
    ZeroFilledAllocations zeroed;
    return raw.Succeeded(read());
}

// LibRaw's error in words a photographer can act on.
std::string FailureText(int status) {
    switch (status) {
    case LIBRAW_FILE_UNSUPPORTED:
    case LIBRAW_REQUEST_FOR_NONEXISTENT_IMAGE:
        return "not a camera file LibRaw can read";
    case LIBRAW_NOT_IMPLEMENTED:
        return "LibRaw cannot decode this camera file's kind of data";
    case LIBRAW_IO_ERROR:
    case LIBRAW_DATA_ERROR:
        return "the camera file is cut short or damaged";
    case LIBRAW_UNSUFFICIENT_MEMORY:
    case LIBRAW_MEMPOOL_OVERFLOW:
        return "not enough memory to decode the picture";
    case LIBRAW_TOO_BIG:
        return "the picture is too large to decode";
    case LIBRAW_CANCELLED_BY_CALLBACK:
        return kStoppedByUser;
    default:
        return std::string("LibRaw could not decode the file: ") + libraw_strerror(status);
    }
}

bool ReadEmbeddedPreview(RawDecoder& raw) {
    return WithZeroFilledBuffers(raw, [&] { return raw.unpack_thumb(); });
}

// The preview ReadEmbeddedPreview read, as a picture or as its metadata only.
CameraRawPicture EmbeddedPicture(RawDecoder& raw, Embedded what) {
    int flags = what == Embedded::MetadataOnly ? FIF_LOAD_NOPIXELS : 0;
    int error = 0;
    std::unique_ptr<libraw_processed_image_t, ClearThumbnail> thumbnail(
        raw.dcraw_make_mem_thumb(&error));
    if (!thumbnail)
        return {};
    if (thumbnail->type != LIBRAW_IMAGE_BITMAP) {
        MemoryStream memory(FreeImage_OpenMemory(thumbnail->data, thumbnail->data_size));
        FREE_IMAGE_FORMAT format = FreeImage_GetFileTypeFromMemory(memory.get(), 0);
        // libjpeg's accurate decode. FreeImage's default is the fast integer transform
        // without fancy upsampling: the transform leaves red and blue about a level darker
        // on average (the colour difference channels lose precision in it), and the coarse
        // upsampling is off by tens of levels at colour edges.
        if (format == FIF_JPEG)
            flags |= JPEG_EXIFROTATE | JPEG_ACCURATE;
        return {Picture(FreeImage_LoadFromMemory(format, memory.get(), flags)),
                PictureOrigin::CameraPreview,
                {}};
    }
    if (what == Embedded::MetadataOnly)
        return {};
    return {BitmapThumbnail(*thumbnail), PictureOrigin::CameraThumbnail, {}};
}

// FreeImage's parameters of a full decode: 8 bits on the BT.709 curve or 16 bits linear,
// no automatic brightening, white balance averaged over the picture, AHD demosaicing.
CameraRawPicture Decoded(const std::shared_ptr<RawDecoder>& raw, int bitsPerSample,
                         bool mayKeepRows) {
    libraw_output_params_t& params = raw->imgdata.params;
    params.output_bps = bitsPerSample;
    params.gamm[0] = bitsPerSample == 16 ? 1 : 1 / 2.222;
    params.gamm[1] = bitsPerSample == 16 ? 1 : 4.5;
    params.no_auto_bright = 1;
    params.use_auto_wb = 1;
    params.user_qual = 3;
    if (!WithZeroFilledBuffers(*raw, [&] { return raw->unpack(); }) ||
        !raw->Succeeded(raw->dcraw_process()))
        return {};
    // With raw colour LibRaw applies no matrix and leaves the camera's values as they are
    // (dcraw_emu then embeds no profile at all).
    const bool rawColor = raw->RawColor();
    PictureOrigin origin = bitsPerSample == 16 ? (rawColor ? PictureOrigin::CameraRgbLinearDecode
                                                           : PictureOrigin::CameraLinearDecode)
                                               : (rawColor ? PictureOrigin::CameraRgbDisplayDecode
                                                           : PictureOrigin::CameraDisplayDecode);
    CameraRawPicture decoded{{}, origin, {}};
    decoded.picture = RawDecoder::PictureInPlace(raw, mayKeepRows, &decoded.rowsAsDecoded);
    return decoded;
}

void SetCameraFact(FIBITMAP* picture, const char* key, const std::string& text) {
    if (!text.empty())
        FreeImage_SetMetadataKeyValue(FIMD_CUSTOM, picture, key, text.c_str());
}

std::string Decimal(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

// What LibRaw decoded of the maker notes, for the EXIF tags the camera file lacks.
void KeepCameraFacts(FIBITMAP* picture, const libraw_data_t& data) {
    if (data.other.iso_speed > 0)
        SetCameraFact(picture, kCameraIsoKey, Decimal(data.other.iso_speed));
    const auto text = [](const char* field, size_t size) {
        return std::string(field, strnlen(field, size));
    };
    SetCameraFact(picture, kCameraSerialKey,
                  text(data.shootinginfo.BodySerial, sizeof data.shootinginfo.BodySerial));
    SetCameraFact(picture, kCameraLensKey, text(data.lens.Lens, sizeof data.lens.Lens));
    const libraw_lensinfo_t& lens = data.lens;
    const libraw_makernotes_lens_t& noted = lens.makernotes;
    const bool own = lens.MinFocal > 0;
    if (own || noted.MinFocal > 0)
        SetCameraFact(picture, kCameraLensRangeKey,
                      Decimal(own ? lens.MinFocal : noted.MinFocal) + " " +
                          Decimal(own ? lens.MaxFocal : noted.MaxFocal) + " " +
                          Decimal(own ? lens.MaxAp4MinFocal : noted.MaxAp4MinFocal) + " " +
                          Decimal(own ? lens.MaxAp4MaxFocal : noted.MaxAp4MaxFocal));
}

CameraRawPicture Load(ReadHandle& file, RawMode mode, const std::function<void()>& whenRawDataGone,
                      const StopRequested& stopped, bool mayKeepRows) {
    std::shared_ptr<RawDecoder> raw(new (std::nothrow) RawDecoder);
    if (!raw)
        return {{}, PictureOrigin::None, FailureText(LIBRAW_UNSUFFICIENT_MEMORY)};
    raw->whenRawDataGone = whenRawDataGone;
    raw->stopped = stopped;
    HandleStream stream(file);
    libraw_output_params_t& params = raw->imgdata.params;
    params.shot_select = 0;
    params.use_camera_wb = 1;
    params.use_camera_matrix = 1;
    params.half_size = mode == RawMode::HalfSize ? 1 : 0;
    CameraRawPicture loaded;
    if (raw->Succeeded(raw->open_datastream(&stream))) {
        const bool preview = mode == RawMode::Preview;
        // The embedded preview is read before any decode, for the preview mode and for the
        // metadata a decode carries (its EXIF above all): read after a decode, a damaged
        // preview would make LibRaw free what it holds, the decoded picture under our bitmap
        // among it.
        const bool previewRead = ReadEmbeddedPreview(*raw);
        // A decode's failure is the decode's own, not the preview's.
        if (!preview)
            raw->lastError = LIBRAW_SUCCESS;
        if (preview && previewRead)
            loaded = EmbeddedPicture(*raw, Embedded::Picture);
        // LibRaw reads a file it opens from where the stream stands, and may leave the stream
        // it gave up on reading from a buffer of its own: a new one, from the start.
        std::optional<HandleStream> reopened;
        auto openAgain = [&] {
            file.seek(0, SEEK_SET);
            reopened.emplace(file);
            return raw->Succeeded(raw->open_datastream(&*reopened));
        };
        if (!loaded.picture && (!raw->StartedOver() || openAgain())) {
            loaded = Decoded(raw, preview || mode == RawMode::Display ? 8 : 16, mayKeepRows);
            if (loaded.picture && !preview && previewRead) {
                CameraRawPicture header = EmbeddedPicture(*raw, Embedded::MetadataOnly);
                if (header.picture)
                    FreeImage_CloneMetadata(loaded.picture.get(), header.picture.get());
            }
        }
        if (loaded.picture && raw->imgdata.color.profile)
            FreeImage_CreateICCProfile(loaded.picture.get(), raw->imgdata.color.profile,
                                       static_cast<long>(raw->imgdata.color.profile_length));
        if (loaded.picture)
            KeepCameraFacts(loaded.picture.get(), raw->imgdata);
    }
    raw->ReleaseAllButPicture();
    raw->whenRawDataGone = nullptr;
    raw->stopped = nullptr;
    if (!loaded.picture)
        loaded.failure =
            raw->lastError != LIBRAW_SUCCESS
                ? FailureText(raw->lastError)
                : "LibRaw's picture of this file is not one of 3 colours at 8 or 16 bits";
    return loaded;
}

} // namespace

CameraRawPicture LoadCameraRaw(const std::string& path, RawMode mode,
                               const std::function<void()>& whenRawDataGone,
                               const StopRequested& stopped, bool rowsMayStayAsDecoded) {
    ReadHandle file(path);
    if (!file.isOpen())
        return {{}, PictureOrigin::None, FileErrorText(errno, "the file cannot be read")};
    try {
        return Load(file, mode, whenRawDataGone, stopped, rowsMayStayAsDecoded);
    } catch (const std::bad_alloc&) {
        return {{}, PictureOrigin::None, FailureText(LIBRAW_UNSUFFICIENT_MEMORY)};
    }
}

void FinishDecodedRows(FIBITMAP* picture) {
    const unsigned bpp = FreeImage_GetBPP(picture);
    FinishRows(FreeImage_GetBits(picture), static_cast<int>(FreeImage_GetWidth(picture)),
               static_cast<int>(FreeImage_GetHeight(picture)), FreeImage_GetPitch(picture), true,
               bpp == 24);
}

} // namespace velmora
