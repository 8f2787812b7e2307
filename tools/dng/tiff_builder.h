// A small little-endian TIFF writer: directories of tags, image blocks, and the offsets
// between them resolved when the file is laid out.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace velmora::dng {

enum class TiffType : uint16_t {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    Undefined = 7,
    SRational = 10,
};

struct Rational {
    uint32_t numerator = 0;
    uint32_t denominator = 1;
};

struct SRational {
    int32_t numerator = 0;
    int32_t denominator = 1;
};

// The closest fraction to a non-negative value whose denominator stays within maxDenominator
// (continued fractions); values beyond the range of the type are clamped.
Rational ToRational(double value, uint32_t maxDenominator = 100000);
SRational ToSRational(double value, int32_t denominator);

class TiffBuilder;

// One image file directory. Tags are kept sorted, as readers expect.
class TiffDirectory {
public:
    void Bytes(uint16_t tag, std::vector<uint8_t> values);
    void Ascii(uint16_t tag, const std::string& text);
    void Shorts(uint16_t tag, const std::vector<uint16_t>& values);
    void Longs(uint16_t tag, const std::vector<uint32_t>& values);
    void Rationals(uint16_t tag, const std::vector<Rational>& values);
    void SRationals(uint16_t tag, const std::vector<SRational>& values);
    void Undefined(uint16_t tag, std::string bytes);
    void Short(uint16_t tag, uint16_t value) { Shorts(tag, {value}); }
    void Long(uint16_t tag, uint32_t value) { Longs(tag, {value}); }

    // A LONG tag whose values are the file offsets of other directories (SubIFDs, the EXIF
    // directory) or of image blocks (StripOffsets), filled in at layout.
    void DirectoryOffsets(uint16_t tag, std::vector<int> directories);
    void BlockOffsets(uint16_t tag, std::vector<int> blocks);

    bool Has(uint16_t tag) const { return entries_.count(tag) != 0; }

private:
    friend class TiffBuilder;
    struct Entry {
        TiffType type = TiffType::Byte;
        uint32_t count = 0;
        std::string payload;     // the values, little-endian
        std::vector<int> refers; // directory or block indices whose offsets are the values
        bool refersToBlocks = false;
    };
    void Put(uint16_t tag, TiffType type, uint32_t count, std::string payload);
    std::map<uint16_t, Entry> entries_;
};

// Collects directories and blocks and writes them out. Directory 0 is the first one in the
// file; the others are reachable only through offset tags, so nothing is chained after it.
class TiffBuilder {
public:
    int AddDirectory();
    TiffDirectory& Directory(int index) { return directories_.at(index); }
    // The block's bytes are moved in, not copied: raw data can be large.
    int AddBlock(std::string bytes);
    std::string Build() const;

private:
    std::deque<TiffDirectory> directories_; // a deque keeps Directory() references valid
    std::vector<std::string> blocks_;
};

} // namespace velmora::dng
