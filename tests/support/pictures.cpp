#include "support/pictures.h"

#include "imageops/picture_file_fixes.h"
#include "support/test_support.h"

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <vector>

namespace velmora::testing {
namespace {

unsigned BottomUpRow(FIBITMAP* picture, int y) {
    return FreeImage_GetHeight(picture) - 1 - static_cast<unsigned>(y);
}

void PutLe16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutLe32(std::string& out, uint32_t value) {
    PutLe16(out, value & 0xFFFF);
    PutLe16(out, value >> 16);
}

struct IfdEntry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::string data; // the value bytes, inline when at most 4
};

} // namespace

std::ostream& operator<<(std::ostream& out, const Rgb& colour) {
    return out << "(" << colour.r << ", " << colour.g << ", " << colour.b << ")";
}

bool Near(const Rgb& a, const Rgb& b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

Picture MakePicture(int width, int height, const std::function<Rgb(int x, int y)>& colourAt) {
    Picture picture(FreeImage_Allocate(width, height, 24));
    if (!picture)
        throw std::runtime_error("cannot allocate a test picture");
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            Rgb colour = colourAt(x, y);
            RGBQUAD quad{};
            quad.rgbRed = static_cast<BYTE>(colour.r);
            quad.rgbGreen = static_cast<BYTE>(colour.g);
            quad.rgbBlue = static_cast<BYTE>(colour.b);
            FreeImage_SetPixelColor(picture.get(), x, BottomUpRow(picture.get(), y), &quad);
        }
    return picture;
}

Rgb PixelAt(FIBITMAP* picture, int x, int y) {
    RGBQUAD quad{};
    unsigned row = BottomUpRow(picture, y);
    if (FreeImage_GetBPP(picture) <= 8) {
        BYTE index = 0;
        if (!FreeImage_GetPixelIndex(picture, x, row, &index))
            throw std::runtime_error("cannot read a palette pixel");
        quad = FreeImage_GetPalette(picture)[index];
    } else if (!FreeImage_GetPixelColor(picture, x, row, &quad)) {
        throw std::runtime_error("cannot read a pixel");
    }
    return {quad.rgbRed, quad.rgbGreen, quad.rgbBlue};
}

FIRGB16 Pixel16At(FIBITMAP* picture, int x, int y) {
    auto* line =
        reinterpret_cast<FIRGB16*>(FreeImage_GetScanLine(picture, BottomUpRow(picture, y)));
    return line[x];
}

FIRGBF PixelFAt(FIBITMAP* picture, int x, int y) {
    auto* line = reinterpret_cast<FIRGBF*>(FreeImage_GetScanLine(picture, BottomUpRow(picture, y)));
    return line[x];
}

std::string ExifSegment(const ExifFields& fields) {
    auto rational = [](const uint32_t value[2]) {
        std::string bytes;
        PutLe32(bytes, value[0]);
        PutLe32(bytes, value[1]);
        return bytes;
    };
    auto shortValue = [](int value) {
        std::string bytes;
        PutLe16(bytes, static_cast<uint32_t>(value));
        return bytes;
    };
    // In ascending tag order, as IFDs require.
    std::vector<IfdEntry> entries;
    if (!fields.make.empty())
        entries.push_back({0x010F, 2, static_cast<uint32_t>(fields.make.size() + 1),
                           fields.make + std::string(1, '\0')});
    if (fields.orientation != 0)
        entries.push_back({0x0112, 3, 1, shortValue(fields.orientation)});
    if (fields.xResolution[0] != 0)
        entries.push_back({0x011A, 5, 1, rational(fields.xResolution)});
    if (fields.yResolution[0] != 0)
        entries.push_back({0x011B, 5, 1, rational(fields.yResolution)});
    if (fields.resolutionUnit != 0)
        entries.push_back({0x0128, 3, 1, shortValue(fields.resolutionUnit)});

    std::string tiff = "II";
    PutLe16(tiff, 42);
    PutLe32(tiff, 8);
    uint32_t dataOffset = 8 + 2 + static_cast<uint32_t>(entries.size()) * 12 + 4;
    std::string data;
    PutLe16(tiff, static_cast<uint32_t>(entries.size()));
    for (const IfdEntry& entry : entries) {
        PutLe16(tiff, entry.tag);
        PutLe16(tiff, entry.type);
        PutLe32(tiff, entry.count);
        if (entry.data.size() <= 4) {
            tiff += entry.data + std::string(4 - entry.data.size(), '\0');
        } else {
            PutLe32(tiff, dataOffset + static_cast<uint32_t>(data.size()));
            data += entry.data;
            if (data.size() % 2)
                data.push_back('\0');
        }
    }
    PutLe32(tiff, 0); // no next IFD
    tiff += data;

    std::string payload = std::string("Exif\0\0", 6) + tiff;
    std::string segment = "\xFF\xE1";
    uint32_t length = static_cast<uint32_t>(payload.size() + 2);
    segment.push_back(static_cast<char>(length >> 8));
    segment.push_back(static_cast<char>(length & 0xFF));
    return segment + payload;
}

std::string EncodeJpeg(FIBITMAP* picture, const ExifFields* exif) {
    FIMEMORY* memory = FreeImage_OpenMemory();
    bool saved = FreeImage_SaveToMemory(FIF_JPEG, picture, memory,
                                        JPEG_QUALITYSUPERB | JPEG_SUBSAMPLING_444 | 100);
    BYTE* data = nullptr;
    DWORD size = 0;
    if (saved)
        FreeImage_AcquireMemory(memory, &data, &size);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    FreeImage_CloseMemory(memory);
    if (!saved || bytes.size() < 2)
        throw std::runtime_error("cannot encode a test JPEG");
    if (exif)
        bytes.insert(2, ExifSegment(*exif));
    return bytes;
}

std::string NoiseBytes(size_t count, uint32_t seed) {
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(generator));
    // 0x00 heads several signatures (and LibRaw's guesses); a plain letter heads none.
    if (!bytes.empty())
        bytes[0] = 'q';
    return bytes;
}

std::string PixelBytes(FIBITMAP* picture) {
    std::string bytes;
    for (unsigned row = 0; row < FreeImage_GetHeight(picture); ++row)
        bytes.append(reinterpret_cast<const char*>(FreeImage_GetScanLine(picture, row)),
                     FreeImage_GetLine(picture));
    return bytes;
}

Picture LoadWrittenTiff(const std::string& path, int flags) {
    std::string bytes = ReadFile(path);
    HideTiffExifDirectories(bytes);
    FIMEMORY* memory = FreeImage_OpenMemory(reinterpret_cast<BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()));
    Picture picture(FreeImage_LoadFromMemory(FIF_TIFF, memory, flags));
    FreeImage_CloseMemory(memory);
    return picture;
}

} // namespace velmora::testing
