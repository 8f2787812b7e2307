#include "engine/metadata/exact_rationals.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numeric>

namespace velmora {
namespace {

constexpr uint16_t kTypeRational = 5;
constexpr uint16_t kTypeSRational = 10;
constexpr uint16_t kTagExifDirectory = 34665;
constexpr uint16_t kTagGpsDirectory = 34853;
// A directory longer than this is no directory libtiff wrote for us.
constexpr uint64_t kMostEntries = 4096;

// The file as TIFF sees it: its byte order and whether offsets are 4 (classic) or 8 bytes.
class TiffFile {
public:
    explicit TiffFile(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_CLOEXEC)) {}
    ~TiffFile() {
        if (fd_ >= 0)
            close(fd_);
    }
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    // Reads the header; the first directory's offset, 0 when this is no TIFF.
    uint64_t firstDirectory() {
        struct stat status;
        uint8_t header[16];
        if (fd_ < 0 || fstat(fd_, &status) != 0 || !readAt(0, header, sizeof header))
            return 0;
        size_ = static_cast<uint64_t>(status.st_size);
        if (header[0] == 'I' && header[1] == 'I')
            littleEndian_ = true;
        else if (header[0] == 'M' && header[1] == 'M')
            littleEndian_ = false;
        else
            return 0;
        uint16_t version = static_cast<uint16_t>(word(header + 2, 2));
        if (version == 42)
            return word(header + 4, 4);
        if (version != 43)
            return 0;
        big_ = true;
        return word(header + 8, 8);
    }

    struct Entry {
        uint16_t tag, type;
        uint64_t count;
        uint64_t fieldAt; // where the entry's value or offset field lies in the file
    };

    // The entries of the directory at offset; empty when it cannot be read.
    std::vector<Entry> entries(uint64_t offset) {
        std::vector<Entry> list;
        const unsigned countBytes = big_ ? 8 : 2, entryBytes = big_ ? 20 : 12;
        uint8_t countField[8];
        if (offset == 0 || !readAt(offset, countField, countBytes))
            return list;
        uint64_t count = word(countField, countBytes);
        if (count > kMostEntries)
            return list;
        std::vector<uint8_t> bytes(count * entryBytes);
        if (!readAt(offset + countBytes, bytes.data(), bytes.size()))
            return list;
        for (uint64_t i = 0; i < count; ++i) {
            const uint8_t* entry = bytes.data() + i * entryBytes;
            const unsigned fieldBytes = big_ ? 8 : 4;
            list.push_back({static_cast<uint16_t>(word(entry, 2)),
                            static_cast<uint16_t>(word(entry + 2, 2)), word(entry + 4, fieldBytes),
                            offset + countBytes + i * entryBytes + 4 + fieldBytes});
        }
        return list;
    }

    // The offset a directory entry points at (a sub-directory), 0 when none.
    uint64_t pointedAt(const Entry& entry) {
        uint8_t field[8];
        const unsigned fieldBytes = big_ ? 8 : 4;
        if (entry.count != 1 || !readAt(entry.fieldAt, field, fieldBytes))
            return 0;
        // A LONG or IFD pointer of a classic file, LONG8 or IFD8 (or a 4-byte one) of BigTIFF.
        return entry.type == 16 || entry.type == 18 ? word(field, 8) : word(field, 4);
    }

    bool rewrite(const Entry& entry, const ExactRational& value) {
        const uint64_t bytes = entry.count * 8;
        uint64_t at = entry.fieldAt;
        if (bytes > (big_ ? 8u : 4u)) {
            uint8_t field[8];
            if (!readAt(entry.fieldAt, field, big_ ? 8 : 4))
                return false;
            at = word(field, big_ ? 8 : 4);
        }
        if (at > size_ || bytes > size_ - at)
            return false;
        std::vector<uint8_t> out(bytes);
        for (size_t i = 0; i < value.elements.size(); ++i) {
            putWord(&out[i * 8], value.elements[i].first);
            putWord(&out[i * 8 + 4], value.elements[i].second);
        }
        return pwrite(fd_, out.data(), out.size(), static_cast<off_t>(at)) ==
               static_cast<ssize_t>(out.size());
    }

private:
    bool readAt(uint64_t offset, void* into, size_t bytes) {
        return offset <= size_ + 16 &&
               pread(fd_, into, bytes, static_cast<off_t>(offset)) == static_cast<ssize_t>(bytes);
    }
    uint64_t word(const uint8_t* p, unsigned bytes) const {
        uint64_t value = 0;
        for (unsigned i = 0; i < bytes; ++i)
            value |= static_cast<uint64_t>(p[littleEndian_ ? i : bytes - 1 - i]) << (8 * i);
        return value;
    }
    void putWord(uint8_t* p, uint32_t value) const {
        for (unsigned i = 0; i < 4; ++i)
            p[littleEndian_ ? i : 3 - i] = static_cast<uint8_t>(value >> (8 * i));
    }

    int fd_;
    uint64_t size_ = 0;
    bool littleEndian_ = true;
    bool big_ = false;
};

bool IsNegative(const ExactRational& value) {
    for (const RationalWords& element : value.elements)
        if ((static_cast<int32_t>(element.first) < 0) != (static_cast<int32_t>(element.second) < 0))
            return true;
    return false;
}

bool RewriteDirectory(TiffFile& file, const std::vector<TiffFile::Entry>& entries,
                      const std::vector<ExactRational>& values) {
    for (const ExactRational& value : values) {
        for (const TiffFile::Entry& entry : entries) {
            if (entry.tag != value.tag || entry.count != value.elements.size())
                continue;
            bool fits = entry.type == kTypeSRational ||
                        (entry.type == kTypeRational && !(value.isSigned && IsNegative(value)));
            if (fits && !file.rewrite(entry, value))
                return false;
        }
    }
    return true;
}

} // namespace

bool WriteRationalsExactly(const std::string& path, const ExactRationals& exact) {
    TiffFile file(path);
    uint64_t first = file.firstDirectory();
    if (first == 0)
        return false;
    std::vector<TiffFile::Entry> image = file.entries(first);
    if (image.empty())
        return false;
    bool ok = RewriteDirectory(file, image, exact.image);
    for (const TiffFile::Entry& entry : image) {
        const std::vector<ExactRational>* values = entry.tag == kTagExifDirectory  ? &exact.exif
                                                   : entry.tag == kTagGpsDirectory ? &exact.gps
                                                                                   : nullptr;
        if (values && !values->empty())
            ok = RewriteDirectory(file, file.entries(file.pointedAt(entry)), *values) && ok;
    }
    return ok;
}

bool DecimalFraction(double value, int significantDigits, int64_t& numerator,
                     int64_t& denominator) {
    if (!std::isfinite(value))
        return false;
    char text[64];
    if (significantDigits > 0) {
        std::snprintf(text, sizeof text, "%.*e", significantDigits - 1, value);
    } else {
        auto written = std::to_chars(text, text + sizeof text - 1, static_cast<float>(value),
                                     std::chars_format::scientific);
        *written.ptr = '\0';
    }
    // d.ddd...e±x: the digits as one whole number, and the power of ten it is scaled by.
    int64_t digits = 0;
    int scale = 0;
    bool negative = false, afterPoint = false;
    const char* p = text;
    if (*p == '-')
        negative = true, ++p;
    for (; *p && *p != 'e'; ++p) {
        if (*p == '.') {
            afterPoint = true;
            continue;
        }
        if (digits > INT64_MAX / 10)
            return false;
        digits = digits * 10 + (*p - '0');
        if (afterPoint)
            --scale;
    }
    if (*p == 'e')
        scale += std::atoi(p + 1);
    int64_t top = digits, bottom = 1;
    for (; scale > 0; --scale)
        if ((top *= 10) > UINT32_MAX)
            return false;
    for (; scale < 0; ++scale) {
        if (bottom > INT64_MAX / 10)
            return false;
        bottom *= 10;
    }
    int64_t common = std::gcd(top, bottom);
    if (common > 1)
        top /= common, bottom /= common;
    if (top > UINT32_MAX || bottom > UINT32_MAX)
        return false;
    numerator = negative ? -top : top;
    denominator = bottom;
    return true;
}

} // namespace velmora
