#include "imageops/picture_file_fixes.h"

#include <cstdint>
#include <cstdlib>

namespace velmora {
namespace {

constexpr size_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr uint32_t kOs2InfoHeaderBytes = 64;
constexpr size_t kMaskBytes = 12; // red, green and blue masks

// Offsets in a BMP file.
enum : size_t {
    kFileSizeAt = 2,
    kPixelsAt = 10,
    kHeaderSizeAt = 14,
    kHeightAt = 22,
    kBitCountAt = 28,
    kCompressionAt = 30,
    kMasksAt = kFileHeaderBytes + kInfoHeaderBytes,
};

enum Compression : uint32_t {
    kRgb = 0,
    kRle8 = 1,
    kRle4 = 2,
    kBitfields = 3,
    kAlphaBitfields = 6,
};

// Little-endian fields; a field past the end reads as 0.
uint32_t ReadLe(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size && at + i < bytes.size(); ++i)
        value |= uint32_t{static_cast<uint8_t>(bytes[at + i])} << (8 * i);
    return value;
}

void WriteLe32(std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool LongerInfoHeader(uint32_t size) {
    return size == 52 || size == 56 || size == kOs2InfoHeaderBytes || size == 108 || size == 124;
}

bool UsesMasks(uint32_t compression) {
    return compression == kBitfields || compression == kAlphaBitfields;
}

// The info header cut to its first 40 bytes. Its masks (inside the longer header) move
// behind it, where FreeImage reads them; an alpha mask is dropped, as FreeImage keeps the
// fourth byte of a 32-bit pixel as its alpha anyway.
bool ShortenInfoHeader(std::string& bytes) {
    uint32_t headerSize = ReadLe(bytes, kHeaderSizeAt, 4);
    if (!LongerInfoHeader(headerSize))
        return true;
    uint32_t compression = ReadLe(bytes, kCompressionAt, 4);
    uint32_t pixelsAt = ReadLe(bytes, kPixelsAt, 4);
    // OS/2's codes 3 and 4 are Huffman and RLE24 compression, which FreeImage does not read.
    bool os2 = headerSize == kOs2InfoHeaderBytes;
    if ((os2 && compression > kRle4) || bytes.size() < kFileHeaderBytes + headerSize ||
        pixelsAt < kFileHeaderBytes + headerSize)
        return false;
    bool masks = !os2 && UsesMasks(compression);
    std::string repaired = bytes.substr(0, kMasksAt);
    if (masks)
        repaired += bytes.substr(kMasksAt, kMaskBytes);
    repaired += bytes.substr(kFileHeaderBytes + headerSize);
    uint32_t removed = headerSize - kInfoHeaderBytes - (masks ? kMaskBytes : 0);
    WriteLe32(repaired, kFileSizeAt, static_cast<uint32_t>(repaired.size()));
    WriteLe32(repaired, kPixelsAt, pixelsAt - removed);
    WriteLe32(repaired, kHeaderSizeAt, kInfoHeaderBytes);
    if (masks)
        WriteLe32(repaired, kCompressionAt, kBitfields);
    bytes = std::move(repaired);
    return true;
}

// FreeImage lays 16-bit pixels out as 5-6-5 or 5-5-5 and 32-bit ones as BGRA, whatever the
// masks say.
bool StandardMasks(const std::string& bytes) {
    if (!UsesMasks(ReadLe(bytes, kCompressionAt, 4)))
        return true;
    uint32_t red = ReadLe(bytes, kMasksAt, 4), green = ReadLe(bytes, kMasksAt + 4, 4),
             blue = ReadLe(bytes, kMasksAt + 8, 4);
    switch (ReadLe(bytes, kBitCountAt, 2)) {
    case 16:
        return blue == 0x001F &&
               ((red == 0xF800 && green == 0x07E0) || (red == 0x7C00 && green == 0x03E0));
    case 32:
        return red == 0xFF0000 && green == 0xFF00 && blue == 0xFF;
    default:
        return false;
    }
}

// Walks the RLE8 commands to the end-of-line that closes the last row and makes it the
// end-of-bitmap mark.
void EndRle8AtLastRow(std::string& bytes) {
    if (ReadLe(bytes, kCompressionAt, 4) != kRle8)
        return;
    // In 64 bits: the 32-bit absolute value of INT32_MIN overflows.
    int64_t height = std::abs(int64_t{static_cast<int32_t>(ReadLe(bytes, kHeightAt, 4))});
    int64_t row = 0;
    for (size_t at = ReadLe(bytes, kPixelsAt, 4); at + 1 < bytes.size();) {
        auto count = static_cast<uint8_t>(bytes[at]), code = static_cast<uint8_t>(bytes[at + 1]);
        if (count != 0) { // a run of one value
            at += 2;
        } else if (code == 0) { // end of line
            if (++row == height) {
                bytes[at + 1] = 1;
                return;
            }
            at += 2;
        } else if (code == 1) { // end of bitmap
            return;
        } else if (code == 2) { // move right and down
            row += static_cast<uint8_t>(ReadLe(bytes, at + 3, 1));
            at += 4;
        } else { // literal pixels, padded to a whole 16-bit word
            at += 2 + ((code + 1u) & ~1u);
        }
    }
}

} // namespace

bool RepairBmpForFreeImage(std::string& bytes) {
    if (!ShortenInfoHeader(bytes) || !StandardMasks(bytes))
        return false;
    EndRle8AtLastRow(bytes);
    return true;
}

void HideTiffExifDirectories(std::string& bytes) {
    constexpr uint32_t kExifPointer = 34665, kGpsPointer = 34853;
    bool little = bytes.compare(0, 2, "II") == 0;
    if (!little && bytes.compare(0, 2, "MM") != 0)
        return;
    auto read = [&](size_t at, int size) {
        if (little)
            return ReadLe(bytes, at, size);
        uint32_t value = 0;
        for (int i = 0; i < size && at + i < bytes.size(); ++i)
            value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
        return value;
    };
    size_t directory = read(4, 4);
    uint32_t entries = read(directory, 2);
    for (uint32_t i = 0; i < entries && directory + 14 + 12 * size_t{i} <= bytes.size(); ++i) {
        size_t entry = directory + 2 + 12 * size_t{i};
        uint32_t tag = read(entry, 2);
        // One less keeps the tags in ascending order; neither low byte is 0.
        if (tag == kExifPointer || tag == kGpsPointer)
            bytes[entry + (little ? 0 : 1)] = static_cast<char>(tag - 1);
    }
}

} // namespace velmora
