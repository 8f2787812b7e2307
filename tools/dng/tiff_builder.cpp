#include "dng/tiff_builder.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace velmora::dng {
namespace {

void Append16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Append32(std::string& out, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

uint32_t CheckedCount(size_t count) {
    if (count == 0 || count > std::numeric_limits<uint32_t>::max())
        throw std::invalid_argument("a TIFF tag needs between one and 2^32-1 values");
    return static_cast<uint32_t>(count);
}

// Entries hold their value inline when it fits the 4-byte value field.
bool Inline(size_t payloadSize) {
    return payloadSize <= 4;
}

size_t Even(size_t size) {
    return size + (size & 1);
}

} // namespace

Rational ToRational(double value, uint32_t maxDenominator) {
    if (!(value > 0) || maxDenominator == 0)
        return {0, 1};
    const double maxValue = std::numeric_limits<uint32_t>::max();
    if (value >= maxValue)
        return {std::numeric_limits<uint32_t>::max(), 1};
    // Convergents h/k of the continued fraction of value, stopped before the denominator
    // or the numerator outgrows its range.
    double hPrev = 1, h = std::floor(value);
    double kPrev = 0, k = 1;
    double rest = value - std::floor(value);
    while (rest > 1e-12) {
        const double inverse = 1.0 / rest;
        const double term = std::floor(inverse);
        const double hNext = term * h + hPrev;
        const double kNext = term * k + kPrev;
        if (kNext > maxDenominator || hNext > maxValue)
            break;
        hPrev = h;
        kPrev = k;
        h = hNext;
        k = kNext;
        rest = inverse - term;
    }
    if (h == 0) // smaller than 1/maxDenominator: the smallest fraction that is not zero
        return {1, maxDenominator};
    return {static_cast<uint32_t>(h), static_cast<uint32_t>(k)};
}

SRational ToSRational(double value, int32_t denominator) {
    if (denominator <= 0)
        throw std::invalid_argument("a signed rational needs a positive denominator");
    const double scaled = std::round(value * denominator);
    const double limit = std::numeric_limits<int32_t>::max();
    return {static_cast<int32_t>(std::clamp(scaled, -limit, limit)), denominator};
}

void TiffDirectory::Put(uint16_t tag, TiffType type, uint32_t count, std::string payload) {
    Entry& entry = entries_[tag];
    entry = Entry{};
    entry.type = type;
    entry.count = count;
    entry.payload = std::move(payload);
}

void TiffDirectory::Bytes(uint16_t tag, std::vector<uint8_t> values) {
    Put(tag, TiffType::Byte, CheckedCount(values.size()),
        std::string(values.begin(), values.end()));
}

void TiffDirectory::Ascii(uint16_t tag, const std::string& text) {
    // The count includes the terminating NUL.
    std::string payload = text;
    payload.push_back('\0');
    const uint32_t count = CheckedCount(payload.size());
    Put(tag, TiffType::Ascii, count, std::move(payload));
}

void TiffDirectory::Shorts(uint16_t tag, const std::vector<uint16_t>& values) {
    std::string payload;
    for (uint16_t value : values)
        Append16(payload, value);
    Put(tag, TiffType::Short, CheckedCount(values.size()), std::move(payload));
}

void TiffDirectory::Longs(uint16_t tag, const std::vector<uint32_t>& values) {
    std::string payload;
    for (uint32_t value : values)
        Append32(payload, value);
    Put(tag, TiffType::Long, CheckedCount(values.size()), std::move(payload));
}

void TiffDirectory::Rationals(uint16_t tag, const std::vector<Rational>& values) {
    std::string payload;
    for (const Rational& value : values) {
        Append32(payload, value.numerator);
        Append32(payload, value.denominator);
    }
    Put(tag, TiffType::Rational, CheckedCount(values.size()), std::move(payload));
}

void TiffDirectory::SRationals(uint16_t tag, const std::vector<SRational>& values) {
    std::string payload;
    for (const SRational& value : values) {
        Append32(payload, static_cast<uint32_t>(value.numerator));
        Append32(payload, static_cast<uint32_t>(value.denominator));
    }
    Put(tag, TiffType::SRational, CheckedCount(values.size()), std::move(payload));
}

void TiffDirectory::Undefined(uint16_t tag, std::string bytes) {
    const uint32_t count = CheckedCount(bytes.size());
    Put(tag, TiffType::Undefined, count, std::move(bytes));
}

void TiffDirectory::DirectoryOffsets(uint16_t tag, std::vector<int> directories) {
    const uint32_t count = CheckedCount(directories.size());
    Put(tag, TiffType::Long, count, std::string(4 * size_t{count}, '\0'));
    entries_[tag].refers = std::move(directories);
}

void TiffDirectory::BlockOffsets(uint16_t tag, std::vector<int> blocks) {
    DirectoryOffsets(tag, std::move(blocks));
    entries_[tag].refersToBlocks = true;
}

int TiffBuilder::AddDirectory() {
    directories_.emplace_back();
    return static_cast<int>(directories_.size() - 1);
}

int TiffBuilder::AddBlock(std::string bytes) {
    blocks_.push_back(std::move(bytes));
    return static_cast<int>(blocks_.size() - 1);
}

std::string TiffBuilder::Build() const {
    if (directories_.empty())
        throw std::logic_error("a TIFF file needs at least one directory");

    // Layout: header, each directory followed by its out-of-line values, then the blocks.
    // Everything starts on an even offset, as TIFF requires of values.
    std::vector<size_t> directoryOffset(directories_.size());
    std::vector<size_t> blockOffset(blocks_.size());
    size_t offset = 8;
    for (size_t i = 0; i < directories_.size(); ++i) {
        directoryOffset[i] = offset;
        offset += 2 + 12 * directories_[i].entries_.size() + 4;
        for (const auto& [tag, entry] : directories_[i].entries_)
            if (!Inline(entry.payload.size()))
                offset += Even(entry.payload.size());
    }
    for (size_t i = 0; i < blocks_.size(); ++i) {
        offset += (4 - offset % 4) % 4;
        blockOffset[i] = offset;
        offset += blocks_[i].size();
    }
    if (offset > std::numeric_limits<uint32_t>::max())
        throw std::length_error("the TIFF file would exceed 4 GiB");

    auto offsetOf = [&](const TiffDirectory::Entry& entry, int index) -> uint32_t {
        const std::vector<size_t>& table = entry.refersToBlocks ? blockOffset : directoryOffset;
        return static_cast<uint32_t>(table.at(static_cast<size_t>(index)));
    };

    std::string out;
    out.reserve(offset);
    out += "II";
    Append16(out, 42);
    Append32(out, static_cast<uint32_t>(directoryOffset[0]));
    for (size_t i = 0; i < directories_.size(); ++i) {
        const auto& entries = directories_[i].entries_;
        size_t valueOffset = directoryOffset[i] + 2 + 12 * entries.size() + 4;
        std::string values;
        Append16(out, static_cast<uint16_t>(entries.size()));
        for (const auto& [tag, entry] : entries) {
            std::string payload = entry.payload;
            if (!entry.refers.empty()) {
                payload.clear();
                for (int index : entry.refers)
                    Append32(payload, offsetOf(entry, index));
            }
            Append16(out, tag);
            Append16(out, static_cast<uint16_t>(entry.type));
            Append32(out, entry.count);
            if (Inline(payload.size())) {
                payload.resize(4, '\0');
                out += payload;
            } else {
                Append32(out, static_cast<uint32_t>(valueOffset + values.size()));
                values += payload;
                values.resize(Even(values.size()), '\0');
            }
        }
        Append32(out, 0); // no next directory
        out += values;
    }
    for (size_t i = 0; i < blocks_.size(); ++i) {
        out.resize(blockOffset[i], '\0');
        out += blocks_[i];
    }
    return out;
}

} // namespace velmora::dng
